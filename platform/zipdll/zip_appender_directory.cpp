// The appender's reading side: the end records and the central directory of the archive as it
// is, each record's place and the bytes its entry takes, and the dead space between them.

#include <sys/types.h>

#include <algorithm>
#include <unordered_set>

#include "platform/zipdll/le_bytes.h"
#include "platform/zipdll/positioned_io.h"
#include "platform/zipdll/zip_appender.h"
#include "platform/zipdll/zip_records.h"

namespace corvane::zipdll {
namespace {

// Directories beyond this are left to the rewriting path rather than held in memory.
constexpr uint64_t kLargestDirectory = uint64_t{1} << 30;
constexpr uint32_t kFlagDescriptor = 1 << 3;
constexpr uint32_t kFlagDirectoryEncrypted = 1 << 13;
// Dead space below this is never worth a rewrite of the archive.
constexpr uint64_t kCompactFloor = uint64_t{1} << 20;

}  // namespace

int ZipAppender::ReadEnd(int64_t size) {
    if (size < static_cast<int64_t>(kEndSize)) return kNotAppendable;
    const std::size_t window = static_cast<std::size_t>(std::min<int64_t>(size, kEndSize + kMax16));
    const uint64_t window_start = static_cast<uint64_t>(size) - window;
    std::string buffer;
    if (!ReadAt(fd_, buffer, window, window_start)) return kNotAppendable;
    // The end record whose comment reaches exactly to the end of the file: bytes after it would
    // be lost by the rewrite, so an archive with any is not appended to.
    std::size_t at = window - kEndSize + 1;
    bool found = false;
    while (at-- > 0) {
        if (Get32(buffer, at) == kEndSignature && at + kEndSize + Get16(buffer, at + 20) == window) {
            found = true;
            break;
        }
    }
    if (!found) return kNotAppendable;
    const uint64_t end_at = window_start + at;
    const uint32_t disk = Get16(buffer, at + 4), cd_disk = Get16(buffer, at + 6);
    const uint32_t on_disk = Get16(buffer, at + 8), total = Get16(buffer, at + 10);
    const uint32_t cd_size32 = Get32(buffer, at + 12), cd_offset32 = Get32(buffer, at + 16);
    if (disk != 0 || cd_disk != 0 || on_disk != total) return kNotAppendable;
    comment_ = buffer.substr(at + kEndSize);

    uint64_t count = total, cd_size = cd_size32, cd_offset = cd_offset32, directory_end = end_at;
    std::string locator;
    if (end_at >= kLocatorSize && ReadAt(fd_, locator, kLocatorSize, end_at - kLocatorSize) &&
        Get32(locator, 0) == kLocatorSignature) {
        const uint64_t end64_at = Get64(locator, 8);
        std::string end64;
        // Only the plain form: one disk, no extensible data between the record and the locator.
        if (Get32(locator, 4) != 0 || Get32(locator, 16) > 1 || end_at < kLocatorSize + kEnd64Size ||
            end64_at != end_at - kLocatorSize - kEnd64Size || !ReadAt(fd_, end64, kEnd64Size, end64_at) ||
            Get32(end64, 0) != kEnd64Signature || Get64(end64, 4) != kEnd64Size - 12 || Get32(end64, 16) != 0 ||
            Get32(end64, 20) != 0 || Get64(end64, 24) != Get64(end64, 32))
            return kNotAppendable;
        count = Get64(end64, 32);
        cd_size = Get64(end64, 40);
        cd_offset = Get64(end64, 48);
        // The 32-bit fields either say "see zip64" or agree.
        if ((total != kMax16 && total != count) || (cd_size32 != kMax32 && cd_size32 != cd_size) ||
            (cd_offset32 != kMax32 && cd_offset32 != cd_offset))
            return kNotAppendable;
        directory_end = end64_at;
    } else if (total == kMax16 || cd_size32 == kMax32 || cd_offset32 == kMax32) {
        return kNotAppendable;
    }
    // The directory must end where the end records begin; otherwise the offsets are not ours to
    // trust (a prefix added without adjusting them, junk in between).
    if (count == 0 || cd_size > kLargestDirectory || cd_offset > directory_end || directory_end - cd_offset != cd_size)
        return kNotAppendable;
    count_ = count;
    cd_offset_ = cd_offset;
    old_length_ = static_cast<uint64_t>(size);
    if (!ReadAt(fd_, tail_, static_cast<std::size_t>(old_length_ - cd_offset_), cd_offset_)) return kNotAppendable;
    old_cd_ = tail_.substr(0, static_cast<std::size_t>(cd_size));
    return XCD_OK;
}

int ZipAppender::ReadRecord(std::size_t& at, Record& record, uint64_t& offset) const {
    const std::string_view cd = old_cd_;
    if (cd.size() - at < kCentralSize || Get32(cd, at) != kCentralSignature) return kNotAppendable;
    const uint32_t flags = Get16(cd, at + 8);
    const uint32_t compressed32 = Get32(cd, at + 20), size32 = Get32(cd, at + 24);
    const std::size_t name_length = Get16(cd, at + 28), extra_length = Get16(cd, at + 30),
                      comment_length = Get16(cd, at + 32);
    const uint32_t disk = Get16(cd, at + 34);
    const uint32_t offset32 = Get32(cd, at + 42);
    const std::size_t size = kCentralSize + name_length + extra_length + comment_length;
    if (cd.size() - at < size || (flags & kFlagDirectoryEncrypted) != 0) return kNotAppendable;
    offset = offset32;
    uint64_t compressed = compressed32;
    if (offset32 == kMax32 || disk == kMax16 || compressed32 == kMax32) {
        // The zip64 extra holds, in order, only the fields whose 32-bit value is full.
        bool found = false;
        std::size_t e = at + kCentralSize + name_length;
        const std::size_t e_end = e + extra_length;
        while (e + 4 <= e_end) {
            const uint32_t id = Get16(cd, e), length = Get16(cd, e + 2);
            if (e + 4 + length > e_end) return kNotAppendable;
            if (id == 1) {
                std::size_t field = e + 4;
                const std::size_t field_end = field + length;
                if (size32 == kMax32) field += 8;
                if (compressed32 == kMax32) {
                    if (field + 8 > field_end) return kNotAppendable;
                    compressed = Get64(cd, field);
                    field += 8;
                }
                if (offset32 == kMax32) {
                    if (field + 8 > field_end) return kNotAppendable;
                    offset = Get64(cd, field);
                    field += 8;
                }
                if (disk == kMax16 && (field + 4 > field_end || Get32(cd, field) != 0)) return kNotAppendable;
                found = true;
                break;
            }
            e += 4 + length;
        }
        if (!found) return kNotAppendable;
    } else if (disk != 0) {
        return kNotAppendable;
    }
    if (offset >= cd_offset_) return kNotAppendable;
    const uint64_t descriptor = (flags & kFlagDescriptor) == 0 ? 0 : (size32 == kMax32 || compressed32 == kMax32 ? 24 : 16);
    record.at = static_cast<uint32_t>(at);
    record.size = static_cast<uint32_t>(size);
    record.name_length = static_cast<uint16_t>(name_length);
    record.footprint = kLocalSize + name_length + extra_length + compressed + descriptor;
    at += size;
    return XCD_OK;
}

int ZipAppender::ReadDirectory() {
    std::size_t at = 0;
    uint64_t first_entry = UINT64_MAX;
    records_.clear();
    records_.reserve(static_cast<std::size_t>(count_));
    live_ = 0;
    for (uint64_t k = 0; k < count_; ++k) {
        Record record;
        uint64_t offset = 0;
        const int read = ReadRecord(at, record, offset);
        if (read != XCD_OK) return read;
        first_entry = std::min(first_entry, offset);
        live_ += record.footprint;
        records_.push_back(record);
    }
    if (at != old_cd_.size()) return kNotAppendable;
    // The first entry may lie past the start once the entry that was there has been replaced, but
    // the file must begin with an entry: anything else is a prefix the offsets may not account for.
    std::string signature;
    if (!ReadAt(fd_, signature, 4, 0) || Get32(signature, 0) != kLocalSignature) return kNotAppendable;
    if (first_entry != 0 && (!ReadAt(fd_, signature, 4, first_entry) || Get32(signature, 0) != kLocalSignature))
        return kNotAppendable;
    return XCD_OK;
}

std::map<std::string, std::size_t> ZipAppender::FindRecords(const std::vector<std::string>& names) const {
    const std::unordered_set<std::string_view> wanted(names.begin(), names.end());
    const std::string_view cd = old_cd_;
    std::map<std::string, std::size_t> found;
    for (std::size_t k = 0; k < records_.size(); ++k) {
        const std::string_view name = cd.substr(records_[k].at + kCentralSize, records_[k].name_length);
        // The first of two records of one name is the one readers find.
        if (wanted.count(name) != 0) found.emplace(std::string(name), k);
    }
    return found;
}

bool ZipAppender::HoldsAny(const std::vector<std::string>& names) const {
    const std::unordered_set<std::string_view> wanted(names.begin(), names.end());
    const std::string_view cd = old_cd_;
    for (const Record& r : records_)
        if (wanted.count(cd.substr(r.at + kCentralSize, r.name_length)) != 0) return true;
    return false;
}

bool ZipAppender::ShouldCompact(const std::vector<std::size_t>& replaced) const {
    uint64_t dead = cd_offset_ > live_ ? cd_offset_ - live_ : 0;
    for (const std::size_t k : replaced) dead += records_[k].footprint;
    // The new entries are taken to be as large as the ones they replace.
    return dead >= kCompactFloor && dead >= live_;
}

std::string ZipAppender::OldComment(std::size_t record) const {
    const Record& r = records_[record];
    const std::string_view cd = old_cd_;
    const std::size_t extra_length = Get16(cd, r.at + 30), comment_length = Get16(cd, r.at + 32);
    return std::string(cd.substr(r.at + kCentralSize + r.name_length + extra_length, comment_length));
}

}  // namespace corvane::zipdll
