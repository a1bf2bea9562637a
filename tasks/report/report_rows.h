#pragma once
// The rows of the report's indexes: the saved pages and saved images of a task's queue file.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

struct ReportRow {
    std::string URL;
    std::string Referrer;
    std::string Title;
    std::string LocalFile;  // '' when the URL has no safe local file
    std::int32_t Level = 0;
    std::int64_t Size = 0;
};

struct ReportRows {
    std::vector<ReportRow> Pages;   // type "HTML", state Saved or later
    std::vector<ReportRow> Images;  // type "Images", state Saved or later
};

inline constexpr const char* kImagesType = "Images";

// Reads the queue file (a missing or unreadable file gives no rows). Local files lie under the
// capture folder and carry the names the capture gave them when two URLs share one. tick is called
// every few thousand lines, so that a caller can keep its window alive.
ReportRows ReadReportRows(const std::string& queue_file, const std::string& capture_folder,
                          const std::function<void()>& tick = {});

}  // namespace corvane
