#include "platform/zipdll/zip_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/zipdll/le_bytes.h"
#include "platform/zipdll/positioned_io.h"

namespace corvane::zipdll {
namespace {

// Layout: magic, old length, tail offset, tail length, guard offset, guard length, guard CRC, the
// archive's device and inode, the tail, then a CRC of everything before it.
constexpr char kMagic[8] = {'C', 'V', 'Z', 'J', 'R', 'N', 'L', '1'};
constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kTrailerSize = 4;
// The bytes just before the tail: an append never changes them, another archive's differ. A copy
// of the archive shares them, so the file's identity is checked as well.
constexpr uint64_t kGuardSize = 4096;
// A central directory cannot be larger than this and still be worth reading back.
constexpr uint64_t kLargestJournal = uint64_t{1} << 31;

uint32_t Crc(const char* data, std::size_t size, uint32_t crc = 0) {
    while (size > 0) {
        const uInt chunk = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        crc = static_cast<uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(data), chunk));
        data += chunk;
        size -= chunk;
    }
    return crc;
}

bool GuardOf(int archive_fd, uint64_t tail_offset, uint64_t& offset, uint32_t& length, uint32_t& crc) {
    offset = tail_offset > kGuardSize ? tail_offset - kGuardSize : 0;
    length = static_cast<uint32_t>(tail_offset - offset);
    std::string bytes;
    if (!ReadAt(archive_fd, bytes, length, offset)) return false;
    crc = Crc(bytes.data(), bytes.size());
    return true;
}

}  // namespace

std::string JournalPath(const std::string& archive) { return archive + ":journal"; }

JournalLock::JournalLock(std::string archive) : archive_(std::move(archive)), path_(JournalPath(archive_)) {}

JournalLock::~JournalLock() {
    if (fd_ >= 0) close(fd_);
}

bool JournalLock::Acquire(bool create) {
    // The holder removes the file before it lets go, so a lock won on a file no longer at the path
    // is worth nothing: try again.
    for (;;) {
        const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0);
        const int fd = open(path_.c_str(), flags, 0600);
        if (fd < 0) return false;
        while (flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                const int error = errno;
                close(fd);
                errno = error;
                return false;
            }
        }
        struct stat held, named;
        if (fstat(fd, &held) == 0 && lstat(path_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            if (!S_ISREG(held.st_mode)) {
                close(fd);
                errno = EINVAL;
                return false;
            }
            fd_ = fd;
            return true;
        }
        close(fd);
        if (!create && access(path_.c_str(), F_OK) != 0) {
            errno = ENOENT;
            return false;
        }
    }
}

Recovery JournalLock::SetAside(const std::string& content) {
    const std::string bad = path_ + ".bad";
    const int fd = open(bad.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        WriteAt(fd, content, 0);
        close(fd);
    }
    // Emptied rather than renamed: another opener may be waiting on this very file.
    if (ftruncate(fd_, 0) != 0) return Recovery::Failed;
    return Recovery::SetAside;
}

Recovery JournalLock::Recover() {
    struct stat st;
    if (fstat(fd_, &st) != 0) return Recovery::Failed;
    if (st.st_size == 0) return Recovery::Clean;
    std::string content;
    if (static_cast<uint64_t>(st.st_size) > kLargestJournal ||
        !ReadAt(fd_, content, static_cast<std::size_t>(st.st_size), 0))
        return SetAside(content);
    if (content.size() < kHeaderSize) {
        // Its writer died before the header was out, so before the archive was touched.
        if (std::memcmp(content.data(), kMagic, std::min(content.size(), sizeof kMagic)) != 0) return SetAside(content);
        return ftruncate(fd_, 0) == 0 ? Recovery::Incomplete : Recovery::Failed;
    }
    if (std::memcmp(content.data(), kMagic, sizeof kMagic) != 0) return SetAside(content);
    const uint64_t old_length = Get64(content, 8);
    const uint64_t tail_offset = Get64(content, 16);
    const uint64_t tail_length = Get64(content, 24);
    const uint64_t guard_offset = Get64(content, 32);
    const uint32_t guard_length = Get32(content, 40);
    const uint32_t guard_crc = Get32(content, 44);
    const uint64_t device = Get64(content, 48), inode = Get64(content, 56);
    if (tail_length > kLargestJournal) return SetAside(content);
    const uint64_t expected = kHeaderSize + tail_length + kTrailerSize;
    if (content.size() < expected) return ftruncate(fd_, 0) == 0 ? Recovery::Incomplete : Recovery::Failed;
    if (content.size() != expected || Get32(content, kHeaderSize + tail_length) != Crc(content.data(), kHeaderSize + tail_length) ||
        tail_offset + tail_length != old_length || guard_offset + guard_length != tail_offset)
        return SetAside(content);

    const int archive = open(archive_.c_str(), O_RDWR | O_CLOEXEC);
    if (archive < 0) return errno == ENOENT ? SetAside(content) : Recovery::Failed;
    struct stat archive_st;
    uint64_t check_offset = 0;
    uint32_t check_length = 0, check_crc = 0;
    if (fstat(archive, &archive_st) != 0 || !S_ISREG(archive_st.st_mode) ||
        static_cast<uint64_t>(archive_st.st_dev) != device || static_cast<uint64_t>(archive_st.st_ino) != inode ||
        static_cast<uint64_t>(archive_st.st_size) < tail_offset ||
        !GuardOf(archive, tail_offset, check_offset, check_length, check_crc) || check_length != guard_length ||
        check_crc != guard_crc) {
        close(archive);
        return SetAside(content);
    }
    const bool restored = WriteAt(archive, content.data() + kHeaderSize, tail_length, tail_offset) &&
                          ftruncate(archive, static_cast<off_t>(old_length)) == 0 && fdatasync(archive) == 0;
    close(archive);
    if (!restored) return Recovery::Failed;
    return ftruncate(fd_, 0) == 0 ? Recovery::RolledBack : Recovery::Failed;
}

bool JournalLock::Write(int archive_fd, uint64_t tail_offset, const std::string& tail) {
    uint64_t guard_offset = 0;
    uint32_t guard_length = 0, guard_crc = 0;
    struct stat st;
    if (fstat(archive_fd, &st) != 0 || !GuardOf(archive_fd, tail_offset, guard_offset, guard_length, guard_crc))
        return false;
    std::string content(kMagic, sizeof kMagic);
    content.reserve(kHeaderSize + tail.size() + kTrailerSize);
    Put64(content, tail_offset + tail.size());
    Put64(content, tail_offset);
    Put64(content, tail.size());
    Put64(content, guard_offset);
    Put32(content, guard_length);
    Put32(content, guard_crc);
    Put64(content, static_cast<uint64_t>(st.st_dev));
    Put64(content, static_cast<uint64_t>(st.st_ino));
    content += tail;
    Put32(content, Crc(content.data(), content.size()));
    return WriteAt(fd_, content, 0);
}

void JournalLock::Release(bool remove) {
    if (fd_ < 0) return;
    if (remove) unlink(path_.c_str());
    close(fd_);
    fd_ = -1;
}

bool RecoverArchive(const std::string& archive) {
    JournalLock lock(archive);
    if (!lock.Acquire(false)) return true;  // no journal (or none we may open: nothing to undo then)
    const Recovery recovery = lock.Recover();
    lock.Release(recovery != Recovery::Failed);
    return recovery != Recovery::Failed;
}

}  // namespace corvane::zipdll
