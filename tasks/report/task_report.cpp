#include "tasks/report/task_report.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "engine/support/file_routines.h"
#include "engine/parse/mirror_naming.h"
#include "engine/model/profile.h"
#include "engine/model/settings.h"
#include "engine/parse/url_model.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/paths.h"

namespace corvane {
namespace {

const char* IndexWord(ReportIndex kind) { return kind == ReportIndex::Pages ? "pages" : "images"; }

// The first folder of the local file below the capture folder: the host's folder as mirror naming
// names it ('' when the file lies in the capture folder itself or has no safe place).
std::string HostFolderOf(const std::string& local_file, const std::string& folder) {
    if (local_file.size() <= folder.size() || local_file.compare(0, folder.size(), folder) != 0) return "";
    const std::size_t slash = local_file.find('/', folder.size());
    return slash == std::string::npos ? "" : local_file.substr(folder.size(), slash - folder.size());
}

void MakeFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec))
        throw EFCreateError("Cannot create the folder \"" + folder + "\"");
}

}  // namespace

const char* const TTaskReport::kSkinImages[5] = {"html.gif", "images.gif", "www.gif", "diamond.gif",
                                                 "cvbackground.jpg"};

TTaskReport::TTaskReport(const TCVTask& task, const std::string& capture_folder)
    : url_(task.URL),
      start_page_title_(task.StartPageTitle),
      last_run_(FormatDateTime("mm/dd/yyyy hh:mm:ss", task.LastRun)),
      counters_(task.Counters()),
      queue_file_(task.GetQueueFileName()),
      capture_folder_(WithTrailingSlash(capture_folder)) {
    // A name from a foreign task file may hold "/" or be ".."; it only ever names files here.
    name_ = IsValidName(task.Name) ? task.Name : ReplaceInvalidFileChars(task.Name, '_');
    start_page_file_ = GetLocalFileName(capture_folder_, URLBaseDir(url_), url_);
    const std::string host = HostFolderOf(start_page_file_, capture_folder_);
    report_folder_ = capture_folder_ + (host.empty() ? "" : host + "/");
    summary_file_ = report_folder_ + "!" + name_ + "_summary.htm";
}

std::string TTaskReport::IndexFile(ReportIndex kind, int page) const {
    return report_folder_ + "!" + name_ + "_" + IndexWord(kind) + "_" + std::to_string(page) + ".htm";
}

std::string TTaskReport::MoreFile(ReportIndex kind) const {
    return report_folder_ + "!" + name_ + "_" + IndexWord(kind) + "_more.htm";
}

const ReportRows& TTaskReport::Rows() {
    if (!rows_read_) {
        rows_ = ReadReportRows(queue_file_, capture_folder_, [this] { Progress("", -1); });
        rows_read_ = true;
    }
    return rows_;
}

const std::vector<ReportRow>& TTaskReport::RowsOf(ReportIndex kind) {
    return kind == ReportIndex::Pages ? Rows().Pages : Rows().Images;
}

int TTaskReport::IndexPageCount(ReportIndex kind) {
    const std::size_t rows = RowsOf(kind).size();
    return static_cast<int>((rows + kReportRowsPerPage - 1) / kReportRowsPerPage);
}

void TTaskReport::Progress(const std::string& step, int percent) const {
    if (OnProgress) OnProgress(step, percent);
}

void TTaskReport::WritePage(const std::string& path, const std::string& text) const {
    // The names are built here from the report folder and a name without "/"; refuse anything else.
    if (path.compare(0, report_folder_.size(), report_folder_) != 0 ||
        path.find('/', report_folder_.size()) != std::string::npos || path.find('\0') != std::string::npos)
        throw EFCreateError("Refused to write \"" + path + "\" outside the report folder");
    SaveTextFile(path, text);
}

void TTaskReport::CopySkinImages() const {
    const std::string folder = report_folder_ + "!images/";
    MakeFolder(folder);
    // A picture missing from the skin is left out: the pages then show a broken image.
    for (const char* name : kSkinImages) {
        CopyFileForce(SkinFile(name), folder + name);
        Progress("", -1);  // each file is flushed to disk: the window gets its turn between them
    }
}

void TTaskReport::CreateSummary(const std::string& step) {
    Progress(step, 0);
    Rows();  // the summary links an index only when it has rows
    Progress("", -1);
    const std::string page = SummaryPage();
    MakeFolder(report_folder_);
    WritePage(summary_file_, page);
    Progress("", -1);
    CopySkinImages();
}

void TTaskReport::CreateIndex(ReportIndex kind) {
    Progress(kind == ReportIndex::Pages ? "Creating Page Index" : "Creating Image Index", 0);
    const std::vector<ReportRow>& rows = RowsOf(kind);
    const int pages = IndexPageCount(kind);
    if (pages == 0) return;
    MakeFolder(report_folder_);
    if (pages > kReportLinksPerLine) WritePage(MoreFile(kind), MorePage(kind, pages));
    for (int n = 1; n <= pages; ++n) {
        const std::size_t first = static_cast<std::size_t>(n - 1) * kReportRowsPerPage;
        WritePage(IndexFile(kind, n), IndexPage(kind, n, pages, rows, first));
        Progress(kind == ReportIndex::Pages ? "Creating Page Index" : "Creating Image Index",
                 static_cast<int>(std::lround(n * 100.0 / pages)));
    }
}

}  // namespace corvane
