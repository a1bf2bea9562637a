#pragma once
// One connection of the pool: a thread that polls its job and performs one HTTP GET per job through
// its own TickHTTPS.
//
// Hand-over: the main thread fills the job (StartJob) and publishes it last with a release store of
// the busy flag; the connection thread loads that flag with acquire ordering before it reads the
// job. Completion takes the item out, runs OnDone and clears the job (Reset), which makes the
// connection idle again. Every field is read and written under the connection's own lock, and views
// read a copy of them (Snapshot), never the live fields.
//
// A stop marks the job as stopped before it cancels the transfer, and the mark is sticky: a stopped
// job is never taken for a complete one, whatever the transfer reports afterwards.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "engine/run/engine_timing.h"
#include "platform/rtl/thread.h"

namespace corvane {

class TCVQItem;
class TCVTask;
class TickHTTPS;
class TThreadSocket;

inline constexpr const char* kSocketConnecting = "Connecting to server";
inline constexpr const char* kSocketDownloading = "Downloading...";
inline constexpr const char* kSocketComplete = "Transfer Complete";
inline constexpr const char* kSocketStopped = "Transfer Stopped";
inline constexpr const char* kSocketError = "Error";
// The status of a job whose file would lie outside its folder: nothing is fetched.
inline constexpr const char* kNoSafeLocalName = "No safe local file name";

using TSocketEvent = std::function<void(TThreadSocket& sender)>;

// What the hand-over gives a connection. URL goes last: filling the rest first is the point.
struct TSocketJob {
    std::string LocalFile;
    std::string Folder;  // the capture folder LocalFile lies in; no link below it is written through
    bool UseCache = false;
    // Validators of the copy on disk, for an update: a "304" keeps that copy. Empty: none sent.
    std::string IfModifiedSince;
    std::string IfNoneMatch;
    // Zip mode: the item's entry was in the task's archive when the run started, so a "304" keeps
    // that entry as it is (its file has usually left the disk).
    bool KeptInArchive = false;
    std::string UserAgent;
    std::string User;
    std::string Password;
    std::unique_ptr<TCVQItem> Item;
    std::shared_ptr<TCVTask> Task;  // keeps the task alive while the job runs
    TSocketEvent OnDone;
    TSocketEvent OnProgress;
    TSocketEvent OnStatus;
    // Asked with each redirect target before it is followed (on the transfer's thread); unset: all.
    std::function<bool(const std::string& target)> RedirectCheck;
    std::string URL;
};

// A copy of a connection's fields, taken under its lock.
struct TSocketSnapshot {
    bool Busy = false;
    bool Stopped = false;
    std::string URL;
    std::string LocalFile;
    std::string Folder;
    bool UseCache = false;
    std::string IfModifiedSince;
    std::string IfNoneMatch;
    bool KeptInArchive = false;
    std::string UserAgent;
    std::int64_t ContentLength = 0;
    std::int64_t BytesTransferred = 0;
    std::string StatusCode;  // or why the transfer was refused ("Redirect refused: " + target)
    std::string FinalURL;    // where a redirected response came from; empty when not redirected
    std::string LastModified;
    std::string ETag;
    std::string StatusText;
    // The server answered a validator with "304": the copy on disk stands, a complete transfer.
    bool Unchanged = false;
    // The system's error number when the body could not be written for a reason of the local disk
    // (IsLocalWriteFailure); 0 otherwise.
    int LocalError = 0;
};

class TThreadSocket : public TThread {
public:
    explicit TThreadSocket(const EngineTiming& timing);
    ~TThreadSocket() override;

    // Main thread. Fills the job and makes the connection busy; false (and nothing changed) when it
    // is busy already (the job is left as it was).
    bool StartJob(TSocketJob& job);
    bool Busy() const { return busy_.load(std::memory_order_acquire); }

    // Marks the running job stopped, then cancels its transfer and waits for the transfer's worker.
    void Stop();
    // Clears the job; the connection is idle again. LocalFile keeps its last value.
    void Reset();

    TSocketSnapshot Snapshot() const;
    // The job's item and task, for the completion and progress handlers (connection or transfer
    // thread). TakeItem hands the item over once.
    std::unique_ptr<TCVQItem> TakeItem();
    std::shared_ptr<TCVTask> JobTask() const;
    // Runs fn on the job's item under the connection's lock; fn must not call out.
    void WithItem(const std::function<void(TCVQItem& item, const TSocketSnapshot& fields)>& fn);

    // Ends the thread and waits for it (cancelling a running transfer first).
    void Release();

protected:
    void Execute() override;

private:
    void RunJob();
    void DoDownload(const TSocketSnapshot& job);
    // Sets the transfer up for the job and makes its file's folder; throws when that cannot be made.
    void PrepareTransfer(TickHTTPS& http, const TSocketSnapshot& job, int& local_error);
    // The GET, unless the connection was stopped (requested stays false then); throws on a failure,
    // with a refused redirect's text in refusal.
    void RunGet(TickHTTPS& http, bool& requested, std::string& refusal);
    TickHTTPS& Http();
    void SetStatusText(const std::string& text);  // not over "Transfer Stopped"
    TSocketSnapshot SnapshotLocked() const;
    void ClearResultsLocked();  // the last transfer's counters, status and error

    const EngineTiming timing_;
    mutable std::mutex lock_;
    std::atomic<bool> busy_{false};
    bool stopped_ = false;
    bool in_get_ = false;  // the connection thread is inside (or about to enter) the GET

    std::string url_;
    std::string local_file_;
    std::string folder_;
    bool use_cache_ = false;
    std::string if_modified_since_;
    std::string if_none_match_;
    bool kept_in_archive_ = false;
    std::string user_agent_;
    std::string user_;
    std::string password_;
    std::int64_t content_length_ = 0;
    std::int64_t bytes_transferred_ = 0;
    std::string status_code_;
    std::string final_url_;
    std::string last_modified_;
    std::string etag_;
    std::string status_text_;
    bool unchanged_ = false;
    int local_error_ = 0;
    std::unique_ptr<TCVQItem> item_;
    std::shared_ptr<TCVTask> task_;
    TSocketEvent on_done_;
    TSocketEvent on_progress_;
    TSocketEvent on_status_;
    std::function<bool(const std::string&)> redirect_check_;

    std::unique_ptr<TickHTTPS> http_;  // made on the first job by the connection thread
};

}  // namespace corvane
