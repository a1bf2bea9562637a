#pragma once
// A task's link queue in memory: the line pairs (URL line, record line), the URL set, the selectors'
// hints, the pending counts, the seven counters and the to-zip list, behind one lock of their own.
// Every operation takes the lock for itself and is atomic; none calls out while holding it.
// TCVTask owns one and offers these operations in its own terms (task.h).

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/queue/local_name_index.h"
#include "engine/queue/pending_counts.h"
#include "engine/queue/queue_item.h"

namespace corvane {

// The seven counters, in the order the status view shows them.
struct TCVTaskCounters {
    std::int32_t PagesSaved = 0;
    std::int32_t ResourcesSaved = 0;
    std::int32_t PageErrors = 0;
    std::int32_t ResourceErrors = 0;
    std::int32_t TotalPages = 0;
    std::int32_t TotalResources = 0;
    std::int64_t TotalBytes = 0;
    bool operator==(const TCVTaskCounters&) const = default;
};
enum class TCVCounter { PagesSaved, ResourcesSaved, PageErrors, ResourceErrors, TotalPages, TotalResources, TotalBytes };

// A local file waiting for the archive, with its item.
struct TCVZipEntry {
    std::string LocalFile;
    std::unique_ptr<TCVQItem> Item;
};

class TTaskQueue {
public:
    // One queued pair as lines.
    struct Pair {
        int Index = -1;  // of the URL line
        std::string URL;
        std::string Record;
    };

    // ---- lines and the URL set ----
    // Appends the pair, adds the URL to the URL set and counts it in the totals.
    void Add(const std::string& url, std::string record, bool page);
    // The same unless the URL is in the URL set already; the test and the add are one step. Returns
    // the URL as the set holds it (an earlier spelling may differ in letter case).
    std::string AddIfNew(const std::string& url, std::string record, bool page, bool& added);
    // Replaces the record of the URL's pair, or appends a pair when the URL is not queued.
    void Put(const std::string& url, std::string record);
    // The pair whose URL line is at index (even); false when there is none.
    bool Get(int index, Pair& pair) const;
    // The first pair the selector of that kind picks; false when none qualifies.
    bool Select(PendingKind which, Pair& pair);
    // Records left in transfer (Downloading, Updating) go back to None.
    void ResetRunningRecords();
    // Replaces the lines by those of a queue file (LoadQueue): orphan is a last URL line without
    // its record, dirty whether the lines differ from the file.
    void Assign(std::vector<std::string> lines, std::string orphan, bool dirty);
    // Empties lines, URL set and to-zip list and zeroes the counters; the entries the list held go
    // to released, to be destroyed outside the lock.
    void Reset(std::vector<TCVZipEntry>& released);
    // True the first time a damaged record is met since the lines were assigned.
    bool FirstBadRecord();

    bool IsComplete() const;
    TCVPendingCounts PendingCounts() const;
    bool Empty() const;
    int LineCount() const;
    std::vector<std::string> Lines() const;
    bool Dirty() const;
    // Counts every change of the lines, so that a write can tell which changes it holds.
    std::uint64_t Changes() const;

    // ---- the URL set (OpenQueue) ----
    void ClearURLSet();
    // Adds the URL of the pair whose record is at line (odd) to the URL set; false past the end.
    // count: the number of lines.
    bool AddToURLSet(std::size_t line, std::size_t& count);
    // Adds the orphan URL to the set and recounts the six item counters from the records.
    void FinishOpen();
    bool InURLSet(const std::string& url) const;
    std::string RenamedLocalName(const std::string& url) const;
    int URLSetCount() const;

    // ---- the queue file ----
    struct Snapshot {
        std::string Text;
        std::uint64_t Changes = 0;
        std::uint64_t Sequence = 0;  // snapshots are numbered in the order they were taken
    };
    Snapshot TakeSnapshot();
    // A write of the snapshot with these changes landed: the queue is clean unless changed since.
    void MarkSaved(std::uint64_t changes);

    // ---- counters ----
    TCVTaskCounters Counters() const;
    void SetCounters(const TCVTaskCounters& counters);
    void AddToCounter(TCVCounter counter, std::int64_t delta);
    // The counters' share of an item's change of state.
    void ApplyStateChange(bool page, std::int64_t size, TCVItemState old_state, TCVItemState new_state);

    // ---- to-zip list ----
    void ZipAdd(TCVZipEntry entry);
    bool ZipTakeFirst(TCVZipEntry& entry);
    void ZipPutBack(TCVZipEntry entry);
    int ZipCount() const;
    std::vector<std::string> ZipFiles() const;

private:
    struct CaseLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    void ClearLocked();
    void AppendPairLocked(const std::string& url, std::string record);
    // Replaces the record at line index and keeps the pending counts and hints in step.
    void ReplaceRecordLocked(std::size_t index, std::string record);
    bool GetLocked(int index, Pair& pair) const;
    void RecountLocked();
    std::int64_t& CounterRef(TCVCounter counter) { return counters_[static_cast<int>(counter)]; }

    mutable std::mutex lock_;
    std::vector<std::string> lines_;                  // URL line, record line, ...
    std::unordered_map<std::string, int> url_index_;  // lower-cased URL -> its first URL line
    LocalNameIndex local_names_;                      // follows the URL lines in queue order
    std::set<std::string, CaseLess> url_set_;
    std::string orphan_url_;
    bool dirty_ = false;
    std::uint64_t changes_ = 0;
    std::uint64_t snapshots_taken_ = 0;
    bool bad_record_reported_ = false;
    std::int64_t counters_[7] = {};
    TCVPendingCounts pending_;
    std::size_t hints_[kPendingKinds] = {1, 1, 1};  // per selector: no record before this line qualifies
    std::vector<TCVZipEntry> zip_list_;
};

}  // namespace corvane
