#pragma once
// Appends entries to a zip archive in place: each new entry's local header and data go where the
// central directory began, then the old directory records, the new ones and the end records are
// written after them. The cost of one add is the size of the central directory, not of the archive.
// An entry that replaces one of the same name is appended the same way and its record takes the
// old record's place in the directory; the old data stays behind as dead space, unreferenced,
// until the caller has the archive rewritten (ShouldCompact says when). Only a plain single-disk
// archive is appended to; for anything else (a prefix before the first entry, bytes after the end
// record, a damaged directory, a spanned or encrypted directory) Open answers kNotAppendable and
// the caller takes the rewriting path.
//
// Crash safety comes from the journal (zip_journal.h), taken at Open and held until Finish or
// destruction; a destroyed appender that did not finish puts the archive back as it was. Every
// open of the archive waits while the journal is held, so nothing called back during an append
// may open the same archive on the appending thread.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/zipdll/zip_journal.h"
#include "platform/zipdll/zipdll_common.h"

namespace corvane::zipdll {

constexpr int kNotAppendable = -1;
constexpr std::size_t kNoRecord = SIZE_MAX;

struct AppendEntry {
    std::string name;     // entry name; a folder's ends with "/"
    std::string comment;  // at most 65,535 bytes; empty keeps the comment of a replaced entry
    uint16_t dos_date = 0;
    uint16_t dos_time = 0;
    uint32_t external_attributes = 0;  // Unix mode << 16 | DOS attributes
    bool deflate = true;
    int level = 6;
};

class ZipAppender {
public:
    explicit ZipAppender(std::string archive);
    ~ZipAppender();
    ZipAppender(const ZipAppender&) = delete;
    ZipAppender& operator=(const ZipAppender&) = delete;

    // Takes the journal lock (waiting for another writer, rolling back one that died), then reads
    // and checks the end records and the central directory. XCD_OK, kNotAppendable or an error.
    int Open();
    // True when the archive holds an entry of one of these names, byte for byte.
    bool HoldsAny(const std::vector<std::string>& names) const;
    // The directory record of the entry of each of these names that the archive holds, byte for byte.
    std::map<std::string, std::size_t> FindRecords(const std::vector<std::string>& names) const;
    // True when replacing these records would leave at least as much dead space as live data (and
    // not less than a floor that keeps small archives from being rewritten over and over): the
    // archive is then better rewritten whole, which drops every dead byte at once. Growth stays
    // below twice the live data plus the floor.
    bool ShouldCompact(const std::vector<std::size_t>& replaced) const;
    // Writes one entry whose data is read from fd (-1 for a folder); with a record from FindRecords, the
    // entry replaces that one. Status messages go to channel; a stop answer ends the add with
    // XCD_ERR_STOPPED. On any failure the archive is put back.
    int Add(const AppendEntry& entry, int fd, Channel& channel, std::size_t replaces = kNoRecord);
    // Writes the central directory and end records, flushes, removes the journal.
    int Finish();

    uint64_t EntryCount() const { return count_; }

private:
    // One old directory record: where it lies in old_cd_, and the bytes its entry takes before the
    // directory (local header, data, descriptor), counting the local extra as long as the central.
    struct Record {
        uint32_t at = 0;
        uint32_t size = 0;
        uint16_t name_length = 0;
        uint64_t footprint = 0;
    };

    int ReadEnd(int64_t size);
    int ReadDirectory();
    int ReadRecord(std::size_t& at, Record& record, uint64_t& offset) const;
    std::string OldComment(std::size_t record) const;
    int WriteDirectory(uint64_t cd_at);
    int BeginWriting();
    int Failed(int error_number);
    void RollBack();

    std::string archive_;
    JournalLock journal_;
    int fd_ = -1;
    bool writing_ = false;  // the journal is out and the old tail may be overwritten
    bool finished_ = false;
    uint64_t old_length_ = 0;
    uint64_t cd_offset_ = 0;  // where the old directory began, where new entries go
    std::string old_cd_;
    std::string tail_;  // old directory and end records, as the journal keeps them
    std::string comment_;
    uint64_t count_ = 0;
    std::vector<Record> records_;
    uint64_t live_ = 0;       // bytes of the entries the old directory refers to
    uint64_t position_ = 0;   // where the next entry goes
    std::string new_records_;
    std::map<std::size_t, std::string> replacements_;  // old record -> the record taking its place
    uint64_t replaced_size_ = 0;                        // the old records' bytes that leave the directory
};

}  // namespace corvane::zipdll
