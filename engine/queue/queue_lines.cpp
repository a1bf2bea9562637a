#include "engine/queue/queue_lines.h"

#include <unordered_set>

#include "engine/queue/queue_item.h"
#include "engine/queue/queue_record.h"
#include "engine/support/text_routines.h"
#include "platform/rtl/log.h"
#include "platform/rtl/string_list.h"

namespace corvane {

std::string QueueURL(const std::string& url) {
    if (url.find_first_of("\r\n") == std::string::npos) return url;
    std::string clean;
    for (char c : url)
        if (c != '\r' && c != '\n') clean += c;
    return clean;
}

std::vector<std::string> SplitQueueLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') --stop;
        lines.emplace_back(text, start, stop - start);
        start = end + 1;
    }
    return lines;
}

bool RepairQueueLines(std::vector<std::string>& lines, const std::string& path, std::string& orphan) {
    bool repaired = false;
    if (lines.size() % 2 != 0) {
        // A URL without its record would pair every later line wrongly once more items are added.
        orphan = std::move(lines.back());
        lines.pop_back();
        repaired = true;
    }
    {
        // Each URL line must match the URL its item writes back, or the pair would be selected again
        // and again for ever. A URL listed twice (a damaged or hand-edited file) has every write-back
        // land on its first pair, so only that pair stays.
        std::unordered_set<std::string> seen;
        std::size_t kept = 0;
        for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
            // A stray CR inside a URL line would never match the URL written back (which has none).
            std::string url = QueueURL(lines[i]);
            if (url != lines[i]) {
                lines[i] = std::move(url);
                repaired = true;
            }
            if (!seen.insert(LowerCase(lines[i])).second) continue;
            if (kept != i) {
                lines[kept] = std::move(lines[i]);
                lines[kept + 1] = std::move(lines[i + 1]);
            }
            kept += 2;
        }
        if (kept != lines.size()) {
            LogWarning("The queue file \"" + path + "\" lists " + std::to_string((lines.size() - kept) / 2) +
                       " URL(s) twice; only the first of each is kept");
            lines.resize(kept);
            repaired = true;
        }
    }
    for (std::size_t i = 1; i < lines.size(); i += 2) {
        // Transfers that were running when the queue was saved never finished.
        const RecordKey key = InspectRecord(lines[i]);
        if (key.Valid && (key.State == isDownloading || key.State == isUpdating)) {
            SetToken(lines[i], "0", kFieldSeparator, 0);
            repaired = true;
        }
    }
    return repaired;
}

}  // namespace corvane
