#pragma once
// Archives made with libzip at test time, hostile names included, and a way to read one back
// without our libraries.

#include <gtest/gtest.h>
#include <zip.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace corvane::testing {

// Name -> content, for the entries of one archive (a name twice: content of each, in order).
using EntryContents = std::vector<std::pair<std::string, std::string>>;

// Writes the archive. A name given twice is written under a stand-in name of the same length and
// patched afterwards, since libzip refuses to write a name twice. Names ending in "/" become
// directory entries.
inline void MakeZip(const std::string& path, const EntryContents& entries) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    std::map<std::string, int> seen;
    std::vector<std::pair<std::string, std::string>> patches;
    for (const auto& [name, content] : entries) {
        std::string written = name;
        if (seen[name]++ > 0) {
            written = std::string(name.size(), '#');
            written.replace(0, 1, std::to_string(seen[name]));
            patches.emplace_back(written, name);
        }
        zip_int64_t index = -1;
        if (!written.empty() && written.back() == '/') {
            index = zip_dir_add(archive, written.c_str(), ZIP_FL_ENC_RAW);
        } else {
            zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
            index = zip_file_add(archive, written.c_str(), source, ZIP_FL_ENC_RAW);
        }
        ASSERT_GE(index, 0) << name;
    }
    ASSERT_EQ(zip_close(archive), 0);
    if (patches.empty()) return;
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    for (const auto& [from, to] : patches)
        for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1))
            bytes.replace(at, from.size(), to);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Every entry as libzip reads it: name -> content, in archive order.
inline EntryContents ReadZip(const std::string& path) {
    EntryContents out;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) return out;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        std::string content;
        if (zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0)) {
            char buffer[4096];
            zip_int64_t n;
            while ((n = zip_fread(file, buffer, sizeof buffer)) > 0) content.append(buffer, static_cast<std::size_t>(n));
            zip_fclose(file);
        }
        out.emplace_back(name != nullptr ? name : "", content);
    }
    zip_discard(archive);
    return out;
}

// A name of exactly 4,095 bytes in parts of 200, and a path 1,000 folders deep.
inline std::string LongName() {
    std::string name;
    while (name.size() < 4095) name += (name.empty() ? "" : "/") + std::string(200, 'L');
    name.resize(4095);
    if (name.back() == '/') name.back() = 'L';
    return name;
}
inline std::string DeepName() {
    std::string name;
    for (int i = 0; i < 1000; ++i) name += "d/";
    return name + "deep.htm";
}

// The hostile corpus; every content names its entry's place in the list.
inline EntryContents HostileEntries() {
    const std::vector<std::string> names = {
        "../e", "a/../../e", "..\\e", "/abs", "C:\\e", "a//b", "./a", "a\\b", "a/b", "A.htm", "a.htm", "*",
        "a?.htm", "x   (y).htm", "lf\nname", "rtl\xE2\x80\xAEgpj.exe", LongName(), DeepName(), "dup.htm", "dup.htm",
        "a", "x/1.htm", "X/2.htm", "dir/", "bad\xFF\xFEname"};
    EntryContents out;
    for (std::size_t i = 0; i < names.size(); ++i) out.emplace_back(names[i], names[i].back() == '/' ? "" : "#" + std::to_string(i));
    return out;
}

}  // namespace corvane::testing
