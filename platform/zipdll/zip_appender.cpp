#include "platform/zipdll/zip_appender.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>

#include "platform/zipdll/le_bytes.h"
#include "platform/zipdll/positioned_io.h"
#include "platform/zipdll/strict_utf8.h"
#include "platform/zipdll/zip_records.h"

namespace corvane::zipdll {
namespace {

// A file this large may not fit 32-bit sizes once deflated; its local header gets zip64 fields.
constexpr uint64_t kLocalZip64From = 0xF0000000;
constexpr std::size_t kChunk = 256 * 1024;
constexpr std::size_t kFlushAt = 1024 * 1024;
constexpr uint16_t kVersion = 20;
constexpr uint16_t kVersionZip64 = 45;
constexpr uint16_t kMadeByUnix = 3 << 8;

int WriteError(int error_number) {
    return error_number == ENOSPC || error_number == EDQUOT ? XCD_ERR_DISK_FULL : XCD_ERR_TEMP_FILE;
}

}  // namespace

ZipAppender::ZipAppender(std::string archive) : archive_(std::move(archive)), journal_(archive_) {}

ZipAppender::~ZipAppender() {
    if (!finished_) RollBack();
    if (fd_ >= 0) close(fd_);
}

int ZipAppender::Open() {
    // Without a journal there is no safe append; the rewriting path reports what is wrong.
    if (!journal_.Acquire(true)) return kNotAppendable;
    if (journal_.Recover() == Recovery::Failed) return XCD_ERR_ACCESS;
    fd_ = open(archive_.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) return kNotAppendable;
    struct stat st;
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return kNotAppendable;
    const int end = ReadEnd(st.st_size);
    if (end != XCD_OK) return end;
    const int directory = ReadDirectory();
    if (directory != XCD_OK) return directory;
    position_ = cd_offset_;
    return XCD_OK;
}

int ZipAppender::BeginWriting() {
    if (writing_) return XCD_OK;
    if (!journal_.Write(fd_, cd_offset_, tail_)) {
        const int error = errno;
        return WriteError(error);
    }
    writing_ = true;
    return XCD_OK;
}

int ZipAppender::Failed(int error_number) {
    RollBack();
    return WriteError(error_number);
}

void ZipAppender::RollBack() {
    if (!writing_) {
        journal_.Release(true);
        return;
    }
    const bool restored = WriteAt(fd_, tail_, cd_offset_) && ftruncate(fd_, static_cast<off_t>(old_length_)) == 0 &&
                          fdatasync(fd_) == 0;
    // Kept when the old tail could not be put back: the next opener tries again.
    journal_.Release(restored);
    writing_ = false;
    finished_ = true;
}

int ZipAppender::Add(const AppendEntry& entry, int fd, Channel& channel, std::size_t replaces) {
    if (entry.name.empty() || entry.name.size() > kMax16 || entry.comment.size() > kMax16) return XCD_ERR_BAD_ARGUMENTS;
    if (replaces != kNoRecord && (replaces >= records_.size() || replacements_.count(replaces) != 0))
        return XCD_ERR_BAD_ARGUMENTS;
    const std::string comment = entry.comment.empty() && replaces != kNoRecord ? OldComment(replaces) : entry.comment;
    const int begun = BeginWriting();
    if (begun != XCD_OK) return begun;

    struct stat st{};
    const uint64_t expected = fd >= 0 && fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    const bool zip64_local = expected >= kLocalZip64From;
    const bool compress = fd >= 0 && expected > 0 && entry.deflate && entry.level > 0;
    uint16_t flags = 0;
    if ((!IsAscii(entry.name) || !IsAscii(comment)) && IsStrictUtf8(entry.name) && IsStrictUtf8(comment))
        flags |= kUtf8Flag;
    const uint16_t method = compress ? 8 : 0;

    std::string header;
    Put32(header, kLocalSignature);
    Put16(header, zip64_local ? kVersionZip64 : kVersion);
    Put16(header, flags);
    Put16(header, method);
    Put16(header, entry.dos_time);
    Put16(header, entry.dos_date);
    Put32(header, 0);  // CRC and sizes follow once the data is out
    Put32(header, zip64_local ? kMax32 : 0);
    Put32(header, zip64_local ? kMax32 : 0);
    Put16(header, static_cast<uint32_t>(entry.name.size()));
    Put16(header, zip64_local ? 20 : 0);
    header += entry.name;
    if (zip64_local) {
        Put16(header, 1);
        Put16(header, 16);
        Put64(header, 0);
        Put64(header, 0);
    }
    const uint64_t local_at = position_;
    const uint64_t data_at = local_at + header.size();
    if (!WriteAt(fd_, header, local_at)) return Failed(errno);

    uint32_t crc = 0;
    uint64_t size = 0, compressed = 0;
    if (fd >= 0) {
        z_stream z{};
        if (compress && deflateInit2(&z, entry.level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            RollBack();
            return XCD_ERR_MEMORY;
        }
        struct Ender {
            z_stream* z;
            bool on;
            ~Ender() {
                if (on) deflateEnd(z);
            }
        } ender{&z, compress};
        std::string in(kChunk, '\0'), out;
        out.reserve(kFlushAt + kChunk);
        uint64_t next_status = kFlushAt;
        auto flush = [&]() {
            if (!WriteAt(fd_, out, data_at + compressed)) return false;
            compressed += out.size();
            out.clear();
            return true;
        };
        auto squeeze = [&](const char* data, std::size_t length, int mode) {
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
            z.avail_in = static_cast<uInt>(length);
            int answer = Z_OK;
            do {
                const std::size_t used = out.size();
                out.resize(used + kChunk);
                z.next_out = reinterpret_cast<Bytef*>(out.data() + used);
                z.avail_out = static_cast<uInt>(kChunk);
                answer = deflate(&z, mode);
                out.resize(used + kChunk - z.avail_out);
                if (answer == Z_STREAM_ERROR) return false;
            } while (z.avail_out == 0 || (mode == Z_FINISH && answer != Z_STREAM_END));
            return true;
        };
        for (;;) {
            const ssize_t n = read(fd, in.data(), in.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                RollBack();
                return XCD_ERR_ACCESS;
            }
            if (n == 0) break;
            crc = static_cast<uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(in.data()), static_cast<uInt>(n)));
            size += static_cast<uint64_t>(n);
            if (compress) {
                if (!squeeze(in.data(), static_cast<std::size_t>(n), Z_NO_FLUSH)) {
                    RollBack();
                    return XCD_ERR_MEMORY;
                }
            } else {
                out.append(in.data(), static_cast<std::size_t>(n));
            }
            if (out.size() >= kFlushAt && !flush()) return Failed(errno);
            if (size >= next_status) {
                next_status = size + kFlushAt;
                XcdFileRecord status{};
                status.Name = entry.name.c_str();
                status.Comment = "";
                status.Size = Clamp32(expected);
                status.BytesProcessed = Clamp32(size);
                status.Percent = static_cast<uint8_t>(expected == 0 ? 100 : std::min<uint64_t>(100, size * 100 / expected));
                if (!channel.Send(XCD_MSG_STATUS, &status)) {
                    RollBack();
                    return XCD_ERR_STOPPED;
                }
            }
        }
        if (compress && !squeeze(nullptr, 0, Z_FINISH)) {
            RollBack();
            return XCD_ERR_MEMORY;
        }
        if (!out.empty() && !flush()) return Failed(errno);
    }
    // A file that grew past 4 GiB after its header was written has no room for its sizes.
    if (!zip64_local && (size >= kMax32 || compressed >= kMax32)) {
        RollBack();
        return XCD_ERR_ACCESS;
    }
    std::string patch;
    Put32(patch, crc);
    if (!zip64_local) {
        Put32(patch, static_cast<uint32_t>(compressed));
        Put32(patch, static_cast<uint32_t>(size));
    }
    if (!WriteAt(fd_, patch, local_at + 14)) return Failed(errno);
    if (zip64_local) {
        patch.clear();
        Put64(patch, size);
        Put64(patch, compressed);
        if (!WriteAt(fd_, patch, local_at + kLocalSize + entry.name.size() + 4)) return Failed(errno);
    }
    position_ = data_at + compressed;

    std::string extra;
    if (size >= kMax32) Put64(extra, size);
    if (compressed >= kMax32) Put64(extra, compressed);
    if (local_at >= kMax32) Put64(extra, local_at);
    if (!extra.empty()) {
        std::string field;
        Put16(field, 1);
        Put16(field, static_cast<uint32_t>(extra.size()));
        extra = field + extra;
    }
    const uint16_t version = zip64_local || !extra.empty() ? kVersionZip64 : kVersion;
    std::string r;
    Put32(r, kCentralSignature);
    Put16(r, kMadeByUnix | version);
    Put16(r, version);
    Put16(r, flags);
    Put16(r, method);
    Put16(r, entry.dos_time);
    Put16(r, entry.dos_date);
    Put32(r, crc);
    Put32(r, static_cast<uint32_t>(std::min(compressed, kMax32)));
    Put32(r, static_cast<uint32_t>(std::min(size, kMax32)));
    Put16(r, static_cast<uint32_t>(entry.name.size()));
    Put16(r, static_cast<uint32_t>(extra.size()));
    Put16(r, static_cast<uint32_t>(comment.size()));
    Put16(r, 0);  // disk
    Put16(r, 0);  // internal attributes
    Put32(r, entry.external_attributes);
    Put32(r, static_cast<uint32_t>(std::min(local_at, kMax32)));
    r += entry.name;
    r += extra;
    r += comment;
    if (replaces == kNoRecord) {
        new_records_ += r;
        ++count_;
    } else {
        replaced_size_ += records_[replaces].size;
        replacements_.emplace(replaces, std::move(r));
    }
    return XCD_OK;
}

// The old records in their order, each replaced one swapped for its successor, then the new ones.
int ZipAppender::WriteDirectory(uint64_t cd_at) {
    uint64_t at = cd_at;
    std::size_t copied = 0;
    for (const auto& [k, record] : replacements_) {
        const Record& old = records_[k];
        if (!WriteAt(fd_, old_cd_.data() + copied, old.at - copied, at)) return errno;
        at += old.at - copied;
        if (!WriteAt(fd_, record, at)) return errno;
        at += record.size();
        copied = old.at + old.size;
    }
    if (!WriteAt(fd_, old_cd_.data() + copied, old_cd_.size() - copied, at)) return errno;
    at += old_cd_.size() - copied;
    if (!WriteAt(fd_, new_records_, at)) return errno;
    return 0;
}

int ZipAppender::Finish() {
    if (!writing_) {
        journal_.Release(true);
        finished_ = true;
        return XCD_OK;
    }
    const uint64_t cd_at = position_;
    uint64_t cd_size = old_cd_.size() - replaced_size_ + new_records_.size();
    for (const auto& replacement : replacements_) cd_size += replacement.second.size();
    const uint64_t end_at = cd_at + cd_size;
    std::string end;
    if (count_ >= kMax16 || cd_size >= kMax32 || cd_at >= kMax32) {
        Put32(end, kEnd64Signature);
        Put64(end, kEnd64Size - 12);
        Put16(end, kMadeByUnix | kVersionZip64);
        Put16(end, kVersionZip64);
        Put32(end, 0);
        Put32(end, 0);
        Put64(end, count_);
        Put64(end, count_);
        Put64(end, cd_size);
        Put64(end, cd_at);
        Put32(end, kLocatorSignature);
        Put32(end, 0);
        Put64(end, end_at);
        Put32(end, 1);
    }
    Put32(end, kEndSignature);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, static_cast<uint32_t>(std::min<uint64_t>(count_, kMax16)));
    Put16(end, static_cast<uint32_t>(std::min<uint64_t>(count_, kMax16)));
    Put32(end, static_cast<uint32_t>(std::min(cd_size, kMax32)));
    Put32(end, static_cast<uint32_t>(std::min(cd_at, kMax32)));
    Put16(end, static_cast<uint32_t>(comment_.size()));
    end += comment_;
    const uint64_t length = end_at + end.size();
    const int written = WriteDirectory(cd_at);
    if (written != 0) return Failed(written);
    if (!WriteAt(fd_, end, end_at) || ftruncate(fd_, static_cast<off_t>(length)) != 0) return Failed(errno);
    // The archive is complete; only now may the way back go (unsynced, as the journal explains).
    journal_.Release(true);
    writing_ = false;
    finished_ = true;
    return XCD_OK;
}

}  // namespace corvane::zipdll
