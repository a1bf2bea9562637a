#include "tasks/report/report_rows.h"

#include <fstream>
#include <unordered_set>

#include "engine/queue/local_name_index.h"
#include "engine/parse/mirror_naming.h"
#include "engine/queue/queue_item.h"
#include "engine/parse/url_model.h"
#include "platform/rtl/fnv_hash.h"
#include "platform/rtl/string_list.h"
#include "tasks/report/report_html.h"

namespace corvane {
namespace {

constexpr std::size_t kTickLines = 1024;

std::string LineAt(const std::string& text, std::size_t& start) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    std::string line(text, start, stop - start);
    start = end + 1;
    return line;
}

}  // namespace

ReportRows ReadReportRows(const std::string& queue_file, const std::string& capture_folder,
                          const std::function<void()>& tick) {
    ReportRows rows;
    std::string text;
    {
        std::ifstream in(queue_file, std::ios::binary | std::ios::ate);
        if (!in) return rows;
        const std::streamoff size = in.tellg();
        if (size <= 0) return rows;
        text.resize(static_cast<std::size_t>(size));
        in.seekg(0);
        in.read(text.data(), size);
        text.resize(static_cast<std::size_t>(in.gcount()));
    }

    // Every URL joins the name index in queue order, as the capture saw them, so that a URL whose
    // name an earlier one took links to the file it was really saved in. A URL listed again is the
    // same item (the queue keeps only its first pair). Hashes, not strings: this runs on the window's
    // thread, and freeing a hundred thousand strings at the end would hold it up.
    LocalNameIndex names;
    std::unordered_set<std::uint64_t> seen;
    std::size_t lines = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::string url = LineAt(text, start);
        if (start >= text.size()) break;  // a URL line without its record
        const std::string record = LineAt(text, start);
        if (++lines % kTickLines == 0 && tick) tick();
        if (!seen.insert(Fnv1a64(LowerCase(url))).second) continue;
        names.Add(url);

        TCVQItem item;
        if (!item.DecodeRecord(record) || item.State < isSaved) continue;
        const bool page = item.Type == kPageType;
        if (!page && item.Type != kImagesType) continue;
        ReportRow row;
        row.URL = std::move(url);
        row.Referrer = std::move(item.Referrer);
        row.Title = std::move(item.Title);
        row.Level = item.Level;
        row.Size = item.Size;
        (page ? rows.Pages : rows.Images).push_back(std::move(row));
    }
    text.clear();
    text.shrink_to_fit();

    for (auto* list : {&rows.Pages, &rows.Images})
        for (ReportRow& row : *list) {
            // Only web addresses were ever fetched into a local file.
            if (IsWebURL(row.URL)) row.LocalFile = GetLocalFileName(capture_folder, URLBaseDir(row.URL), row.URL);
            if (!row.LocalFile.empty()) row.LocalFile = WithFileName(row.LocalFile, names.RenamedTo(row.URL));
            if (++lines % kTickLines == 0 && tick) tick();
        }
    return rows;
}

}  // namespace corvane
