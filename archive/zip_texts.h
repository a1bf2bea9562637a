#pragma once
// The archive window's status-line summaries of a listing and of a selection.

#include <cstdint>
#include <string>

namespace corvane {

// "Total: N files  S / P bytes (R%)", R being the share saved by compression, rounded; with a size
// sum of 0 "Total: C files  ", C being the archive's entry count.
std::string TotalsLine(std::uint64_t listedCount, std::uint64_t sizeSum, std::uint64_t packedSum,
                       std::uint64_t fileCount);

// "Selected N files  S / P bytes", or "Selected N files " when the size sum is 0.
std::string SelectionLine(std::uint64_t count, std::uint64_t sizeSum, std::uint64_t packedSum);

}  // namespace corvane
