#pragma once
// How much work a queue still holds, by kind, kept up to date record by record so that the
// completion check and the selectors need not scan the queue.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/queue/queue_record.h"

namespace corvane {

enum class PendingKind { PageToDownload, ResourceToDownload, PageToParse };
inline constexpr int kPendingKinds = 3;

// Whether a record is what the selector of that kind picks.
bool PendingQualifies(const RecordKey& key, PendingKind kind);

struct TCVPendingCounts {
    std::int64_t Waiting[kPendingKinds] = {};  // records each selector would pick
    std::int64_t InTransfer = 0;               // records Downloading or Updating

    // Counts the record in (delta 1) or out (delta -1).
    void Count(const RecordKey& key, int delta);
    void Count(std::string_view record, int delta) { Count(InspectRecord(record), delta); }
    bool Empty() const;
    bool operator==(const TCVPendingCounts&) const = default;

    // The counts of a whole queue (URL line, record line, ...), the slow way.
    static TCVPendingCounts Scan(const std::vector<std::string>& queue);
};

}  // namespace corvane
