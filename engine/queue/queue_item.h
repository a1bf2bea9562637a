#pragma once
// One queued link of a task. Items are never kept in a collection: an operation builds one from
// its pair of queue lines (TCVTask::GetQItem), changes it and writes it back with Put.
//
// A record line is eleven fields, each followed by the byte 0xB6. A field holding CR, LF or 0xB6,
// or starting with 0x01, is written as 0x01 and the field percent-encoded, so text from the web can
// never shift the fields or split the line; every other field is written as it stands. An item with
// an ETag carries it as a twelfth field after the eleven; readers that take eleven never see it.

#include <cstdint>
#include <string>

namespace corvane {

class TCVTask;

using TCVItemState = std::uint8_t;
inline constexpr TCVItemState isNone = 0;
inline constexpr TCVItemState isDownloading = 1;
inline constexpr TCVItemState isUpdating = 2;
inline constexpr TCVItemState isError = 3;
inline constexpr TCVItemState isDownloaded = 4;
inline constexpr TCVItemState isSaved = 5;
inline constexpr TCVItemState isUpdated = 6;
inline constexpr TCVItemState isMapping = 7;
inline constexpr TCVItemState isParsing = 8;
inline constexpr TCVItemState isMapped = 9;
inline constexpr TCVItemState isParsed = 10;
inline constexpr TCVItemState isZipped = 11;

using TCVItemMark = std::uint8_t;
inline constexpr TCVItemMark mkSkip = 0;
inline constexpr TCVItemMark mkFetch = 1;
inline constexpr TCVItemMark mkMap = 2;
inline constexpr TCVItemMark mkUpdate = 3;

inline constexpr char kFieldSeparator = '\xB6';
inline constexpr int kRecordFields = 11;
inline constexpr int kETagField = 11;  // optional, after the eleven
inline constexpr const char* kPageType = "HTML";
inline constexpr const char* kTransferIncomplete = "Transfer Incomplete";

// "None" ... "Zipped"; "Unknown" for any other value.
std::string ItemStateText(int state);

std::string EncodeRecordField(const std::string& field);
std::string DecodeRecordField(const std::string& field);

class TCVQItem {
public:
    explicit TCVQItem(TCVTask* task = nullptr) : Task(task) {}

    TCVTask* Task;
    std::string URL;
    std::string BaseURL;  // not stored
    // Where the page was fetched from after redirects, when that differs from URL: its links resolve
    // against it. Stored in field 3.
    std::string FinalURL;
    std::string Referrer;
    std::string LastModified;
    std::string ETag;  // the server's entity tag, as received; kept for the next update's validator
    std::string LocalFile;  // not stored
    std::string Type;
    std::string Title;
    TCVItemState State = isNone;
    std::string StatusText;
    std::int32_t Level = 0;
    TCVItemMark Mark = mkFetch;
    std::int64_t Size = 0;
    std::int64_t BytesDone = 0;     // not stored
    std::int64_t BytesCounted = 0;  // not stored
    std::string Frame;              // "Y" for a frame source

    bool IsPage() const { return Type == kPageType; }
    std::string StateText() const { return ItemStateText(State); }

    // The record line (StatusText cleaned, hostile fields escaped).
    std::string EncodeRecord() const;
    // Fills the stored fields from a record line. False when the state or level is not a number:
    // the item then reads as Error.
    bool DecodeRecord(const std::string& record);

    // Applies the counter rules to the task, stores the state and fires the task's OnProgress.
    void SetState(TCVItemState state);
    // The item's file under the run's folder (TCVTask::RunFolder); '' when the URL cannot be stored
    // there safely.
    std::string GetLocalFileName();
    // Writes the item back into its task's queue (appended when its URL is not queued yet).
    void Put();
};

}  // namespace corvane
