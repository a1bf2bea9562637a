#pragma once
// What the zip benchmarks add and add to: a captured page of 20 KB, and an archive of many small
// pages made by libzip, each with a title as its comment.

#include <zip.h>

#include <string>

namespace corvane::bench {

inline std::string Page(int i) {
    std::string out;
    while (out.size() < 20000) out += "<p>Paragraph " + std::to_string(out.size() * 31 + static_cast<std::size_t>(i)) + " of a captured page.</p>\n";
    return out.substr(0, 20000);
}

inline std::string PageName(int i) {
    return "www.example.com/section" + std::to_string(i % 50) + "/page" + std::to_string(i) + ".htm";
}

inline bool MakeArchive(const std::string& path, int entries) {
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (z == nullptr) return false;
    static const std::string body(400, 'x');
    for (int i = 0; i < entries; ++i) {
        zip_source_t* s = zip_source_buffer(z, body.data(), body.size(), 0);
        const zip_int64_t index = zip_file_add(z, PageName(i).c_str(), s, 0);
        if (index < 0) return false;
        const std::string title = "Title of page " + std::to_string(i);
        zip_file_set_comment(z, static_cast<zip_uint64_t>(index), title.data(), static_cast<zip_uint16_t>(title.size()), 0);
    }
    return zip_close(z) == 0;
}

}  // namespace corvane::bench
