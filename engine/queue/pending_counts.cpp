#include "engine/queue/pending_counts.h"

#include "engine/queue/queue_item.h"

namespace corvane {

bool PendingQualifies(const RecordKey& key, PendingKind kind) {
    switch (kind) {
        case PendingKind::PageToDownload:
            return key.Page && (((key.Mark == mkFetch || key.Mark == mkMap) && key.State < isDownloading) ||
                                (key.Mark == mkUpdate && key.State < isUpdating));
        case PendingKind::ResourceToDownload:
            return !key.Page && ((key.Mark == mkFetch && key.State < isDownloading) ||
                                 (key.Mark == mkUpdate && key.State < isUpdating));
        case PendingKind::PageToParse:
            return key.Page && key.State == isSaved;
    }
    return false;
}

void TCVPendingCounts::Count(const RecordKey& key, int delta) {
    for (int k = 0; k < kPendingKinds; ++k)
        if (PendingQualifies(key, static_cast<PendingKind>(k))) Waiting[k] += delta;
    if (key.State == isDownloading || key.State == isUpdating) InTransfer += delta;
}

bool TCVPendingCounts::Empty() const {
    for (const auto waiting : Waiting)
        if (waiting != 0) return false;
    return InTransfer == 0;
}

TCVPendingCounts TCVPendingCounts::Scan(const std::vector<std::string>& queue) {
    TCVPendingCounts counts;
    for (std::size_t i = 1; i < queue.size(); i += 2) counts.Count(queue[i], 1);
    return counts;
}

}  // namespace corvane
