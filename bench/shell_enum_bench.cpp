// A file-system folder of 10,000 files and one of 10,000 subfolders: enumeration, the attributes
// the tree and list ask for, and a sort by each column. Prints the median of 5 runs of each.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "shell/ns/desktop_folder.h"
#include "shell/ns/fs_folder.h"

using namespace corvane::shell;

namespace {

constexpr int kEntries = 10000;
constexpr int kRuns = 5;

double RunOnce(const std::string& path, std::intptr_t column) {
    const auto start = std::chrono::steady_clock::now();
    auto* folder = new FsFolder(path);
    IEnumIDList* items = nullptr;
    if (Failed(folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items))) std::abort();
    std::vector<UniquePidl> list;
    PItemIDList item = nullptr;
    while (items->Next(1, &item, nullptr) == S_OK) list.emplace_back(item);
    items->Release();
    for (const UniquePidl& one : list) {
        PCItemIDList p = one.get();
        std::uint32_t attrs = 0xF20B0000;
        if (Failed(folder->GetAttributesOf(1, &p, &attrs))) std::abort();
    }
    std::sort(list.begin(), list.end(), [&](const UniquePidl& a, const UniquePidl& b) {
        return CompareOrder(folder->CompareIDs(column, a.get(), b.get())) < 0;
    });
    folder->Release();
    if (list.size() != static_cast<std::size_t>(kEntries)) std::abort();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(const std::string& path, std::intptr_t column) {
    std::vector<double> times;
    for (int k = 0; k < kRuns; ++k) times.push_back(RunOnce(path, column));
    std::sort(times.begin(), times.end());
    return times[kRuns / 2];
}

}  // namespace

int main() {
    char pattern[] = "/tmp/shell-enum-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    const std::string root = pattern;
    const std::string files = root + "/files";
    const std::string folders = root + "/folders";
    ::mkdir(files.c_str(), 0700);
    ::mkdir(folders.c_str(), 0700);
    for (int k = 0; k < kEntries; ++k) {
        std::ofstream(files + "/file" + std::to_string(k) + (k % 3 == 0 ? ".html" : ".txt")) << std::string(k % 97, 'x');
        ::mkdir((folders + "/folder" + std::to_string(k)).c_str(), 0700);
    }
    static const char* kColumns[] = {"name", "size", "type", "modified"};
    for (const auto& [label, path] : {std::pair{"10,000 files", files}, std::pair{"10,000 subfolders", folders}})
        for (std::intptr_t column = 0; column < 4; ++column)
            std::printf("%-18s sort by %-8s median of %d: %7.1f ms\n", label, kColumns[column], kRuns,
                        Median(path, column));
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return 0;
}
