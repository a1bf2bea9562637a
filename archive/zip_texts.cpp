#include "archive/zip_texts.h"

#include <cmath>

namespace corvane {

std::string TotalsLine(std::uint64_t listedCount, std::uint64_t sizeSum, std::uint64_t packedSum,
                       std::uint64_t fileCount) {
    if (sizeSum == 0) return "Total: " + std::to_string(fileCount) + " files  ";
    // Long double keeps 64-bit sums exact enough for a whole percent.
    const long double saved = 100.0L - static_cast<long double>(packedSum) / static_cast<long double>(sizeSum) * 100.0L;
    return "Total: " + std::to_string(listedCount) + " files  " + std::to_string(sizeSum) + " / " +
           std::to_string(packedSum) + " bytes (" + std::to_string(std::llround(saved)) + "%)";
}

std::string SelectionLine(std::uint64_t count, std::uint64_t sizeSum, std::uint64_t packedSum) {
    if (sizeSum == 0) return "Selected " + std::to_string(count) + " files ";
    return "Selected " + std::to_string(count) + " files  " + std::to_string(sizeSum) + " / " +
           std::to_string(packedSum) + " bytes";
}

}  // namespace corvane
