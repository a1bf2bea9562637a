#pragma once
// A task's report: static HTML pages beside its captured site. The summary shows the task's counters;
// the page index and the image index list, 20 rows a page, every saved page and every saved image of
// its queue. All pages go into the report folder (the capture folder + the start page's host folder):
//   !<task>_summary.htm, !<task>_pages_<n>.htm, !<task>_images_<n>.htm (n from 1),
//   !<task>_pages_more.htm and !<task>_images_more.htm (with more than ten index pages),
//   !images/ (the skin's pictures the pages show).
// Pages link to web addresses only over http/https and to local files by file:// URLs; every text
// from a site or a task file is escaped, and the pages load nothing from the network.
//
// Writing throws EFCreateError (engine/file_routines.h) when a page or folder cannot be written.

#include <functional>
#include <string>

#include "engine/model/task.h"
#include "tasks/report/report_rows.h"

namespace corvane {

enum class ReportIndex { Pages, Images };

// The step being written and its percentage; it may let the caller's window run. An empty step and a
// percentage below 0 leave the caller's display as it is (a call only to keep the window alive).
using TReportProgress = std::function<void(const std::string& step, int percent)>;

inline constexpr int kReportRowsPerPage = 20;
inline constexpr int kReportLinksPerLine = 10;

class TTaskReport {
public:
    // capture_folder: the folder the task's files lie in (for a zip-mode task, the folder its archive
    // was extracted into). The task's fields, counters and queue file are read; the task is not changed.
    TTaskReport(const TCVTask& task, const std::string& capture_folder);

    TReportProgress OnProgress;

    // The head every page shares, and the head and task block of an index page.
    std::string PageHeader() const;
    std::string IndexHeader(const std::string& title) const;

    // step: the label shown while the summary is written. The skin's pictures are copied with it.
    void CreateSummary(const std::string& step);
    void CreatePageIndex() { CreateIndex(ReportIndex::Pages); }
    void CreateImageIndex() { CreateIndex(ReportIndex::Images); }

    const std::string& ReportFolder() const { return report_folder_; }
    const std::string& SummaryFile() const { return summary_file_; }
    std::string IndexFile(ReportIndex kind, int page) const;
    std::string MoreFile(ReportIndex kind) const;
    // Index pages: one per 20 qualifying rows of the queue (reads the queue on first use).
    int IndexPageCount(ReportIndex kind);

    // The pictures the pages show, copied from the skin into "!images/".
    static const char* const kSkinImages[5];

private:
    void CreateIndex(ReportIndex kind);
    const ReportRows& Rows();
    const std::vector<ReportRow>& RowsOf(ReportIndex kind);
    void Progress(const std::string& step, int percent) const;
    void WritePage(const std::string& path, const std::string& text) const;
    void CopySkinImages() const;

    // Markup (report_pages.cpp).
    std::string Head(bool with_popup) const;
    std::string TaskLines() const;
    std::string SummaryPage();
    std::string LinksLine(ReportIndex kind, int pages) const;
    std::string NavigationLine(ReportIndex kind, int page, int pages) const;
    std::string MorePage(ReportIndex kind, int pages) const;
    std::string IndexPage(ReportIndex kind, int page, int pages, const std::vector<ReportRow>& rows,
                          std::size_t first) const;
    std::string RowCell(ReportIndex kind, int number, int row_on_page, const ReportRow& row) const;

    std::string name_;  // the task name as it can stand in a file name
    std::string url_;
    std::string start_page_title_;
    std::string start_page_file_;
    std::string last_run_;
    TCVTaskCounters counters_;
    std::string queue_file_;
    std::string capture_folder_;
    std::string report_folder_;
    std::string summary_file_;
    bool rows_read_ = false;
    ReportRows rows_;
};

}  // namespace corvane
