#pragma once
// The journal of an in-place append, "<archive>:journal": the archive's old length and its old tail
// (central directory and end records), written before the append overwrites that tail, removed
// once the append is complete. Whoever works on the journal holds an flock on it, so a
// journal whose lock can be taken was left by a writer that is gone: it is rolled back, and the
// archive is exactly as it was before that append. A journal that does not fit the archive beside
// it (another archive's, damaged) is copied aside to "<archive>:journal.bad" and nothing is rolled
// back on a guess.
//
// What this guards against is a process killed at any moment: the kernel then holds every byte
// written, in order. Nothing is synced on the way (a sync on a file system busy with a capture
// costs several milliseconds, one per add), so a power failure can still cut an append short; a
// roll-back, being rare, is synced before its journal goes.

#include <cstdint>
#include <string>

namespace corvane::zipdll {

std::string JournalPath(const std::string& archive);

enum class Recovery {
    Clean,       // no journal, or an empty one
    RolledBack,  // a killed append was undone
    Incomplete,  // a killed append died while writing its journal, before touching the archive
    SetAside,    // the journal did not fit the archive: kept as .bad, archive left as it is
    Failed,      // the roll-back could not be written; the journal stays for the next opener
};

// The lock on an archive's journal file; closing it releases the lock.
class JournalLock {
public:
    explicit JournalLock(std::string archive);
    ~JournalLock();
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;

    // Waits for the lock. With create the journal file is made when missing; without, false means
    // there is no journal. False with errno set when the file cannot be opened.
    bool Acquire(bool create);
    // Undoes or sets aside what the file holds and leaves it empty.
    Recovery Recover();
    // Stores the archive's old tail (the bytes from tail_offset to the old end); archive_fd is read
    // for a guard of the bytes before the tail and for its identity. False on a failure.
    bool Write(int archive_fd, uint64_t tail_offset, const std::string& tail);
    // Removes the journal file (when remove) and releases the lock.
    void Release(bool remove);

private:
    Recovery SetAside(const std::string& content);

    std::string archive_;
    std::string path_;
    int fd_ = -1;
};

// What every open of an archive does first: waits for an append under way, rolls back one whose
// writer is gone. False only when a roll-back was needed and could not be written.
bool RecoverArchive(const std::string& archive);

}  // namespace corvane::zipdll
