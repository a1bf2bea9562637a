#pragma once
// An flock on a lock file that is never replaced (a file rewritten by rename would take any lock on
// it away with the old copy). The kernel releases the lock when the process dies, so a lock left by
// a killed process is free again at once.

#include <string>

namespace corvane {

class TFileLock {
public:
    TFileLock() = default;
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

    // Takes the lock (exclusively unless shared), creating the lock file (mode 0600) when missing.
    // With wait, waits for a conflicting holder; without, false at once while one holds it. False
    // with errno set also when the file cannot be opened.
    bool Lock(const std::string& path, bool wait, bool shared = false);
    // Turns a held exclusive lock into a shared one (several processes may hold it shared).
    bool Share();
    void Unlock();
    bool Held() const { return fd_ >= 0; }

    // True when another open of the file holds a lock on it now; a missing file is not held.
    static bool HeldByOther(const std::string& path);

private:
    int fd_ = -1;
};

}  // namespace corvane
