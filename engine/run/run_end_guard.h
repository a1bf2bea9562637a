#pragma once
// The start, stop and finish of a run end, whatever fails on the way. A task file, queue or list
// that cannot be written is caught and kept (the first failure, naming the file and the cause), and
// when the guard goes the runner is no longer busy and the task lock is released, unless a start
// went through and the run keeps it.

#include <functional>
#include <string>

namespace corvane {

class TCVTask;

class TRunEndGuard {
public:
    // Sets busy until the guard goes; release frees the task lock then.
    TRunEndGuard(bool& busy, std::function<void()> release);
    ~TRunEndGuard();
    TRunEndGuard(const TRunEndGuard&) = delete;
    TRunEndGuard& operator=(const TRunEndGuard&) = delete;

    // Runs one write of the run; false when it threw (its text is kept as the failure).
    bool Write(const std::function<void()>& write);
    // Saves the task's queue (and the task), which reports a failure by its result.
    bool WriteQueue(TCVTask& task);
    bool Failed() const { return !failure_.empty(); }
    const std::string& Failure() const { return failure_; }
    // A start that went through: the run keeps the task lock.
    void KeepLock() { keep_lock_ = true; }

private:
    void Fail(const std::string& why);

    bool& busy_;
    std::function<void()> release_;
    std::string failure_;
    bool keep_lock_ = false;
};

// A task whose start failed on a write is not started again by the schedule tick until its file is
// saved again (by Run, or an edit): a full disk would otherwise fail it at every tick.
class TStartHoldOff {
public:
    void Hold(const std::string& task_file);
    // True while the task file is the held one and unchanged since.
    bool Held(const std::string& task_file) const;
    void Clear() { file_.clear(); }

    struct Version {
        unsigned long Inode = 0;
        long Seconds = 0, Nanoseconds = 0;
        bool operator==(const Version&) const = default;
    };

private:
    std::string file_;
    Version version_;
};

}  // namespace corvane
