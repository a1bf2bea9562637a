#pragma once
// Pieces shared by the two zip libraries: the callback channel, bounded copies, name matching,
// DOS times, file records and the mapping of libzip's errors onto the result codes.

#include <zip.h>

#include <cstdint>
#include <new>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/wildcard.h"
#include "platform/zipdll/xcdzip_api.h"

namespace corvane::zipdll {

// The body of an exported entry: no exception may cross the C boundary.
template <class Body>
int32_t GuardedEntry(Body&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return XCD_ERR_MEMORY;
    } catch (...) {
        return XCD_ERR_ACCESS;
    }
}

// The caller's callback. Once it has answered stop, every later Send answers stop too.
class Channel {
public:
    Channel(XcdCallback callback, void* component) : callback_(callback), component_(component) {}
    // True to go on.
    bool Send(int32_t message, void* data);
    bool Stopped() const { return stopped_; }

private:
    XcdCallback callback_;
    void* component_;
    bool stopped_ = false;
};

// Copies at most size - 1 bytes and terminates.
void CopyBounded(char* buffer, std::size_t size, std::string_view text);
// The text of a buffer that the other side filled: up to its first zero, at most limit bytes.
std::string ReadBounded(const char* buffer, std::size_t size, std::size_t limit);

// Wildcard match as the protocol defines it: "*.*" matches every name, "*" also spans separators,
// "?" is one byte, "\" and "/" are the same separator, letters compare without regard to case.
bool MatchSpec(std::string_view spec, std::string_view name);
std::string SlashSeparators(std::string_view text);
bool HasSuffixNoCase(std::string_view text, std::string_view suffix);
std::vector<std::string> SplitList(std::string_view text, char separator);

uint32_t Clamp32(uint64_t value);
void ToDos(std::time_t t, uint16_t& dos_date, uint16_t& dos_time);
// 0 when the text is not "ddmmyyyy" with a valid date.
std::time_t ParseDdMmYyyy(std::string_view text);
bool ParseInteger(std::string_view text, long long& value);

// One entry as the libraries describe it in a file record.
struct EntryRecord {
    std::string name;
    std::string comment;
    bool name_cut = false;  // the name did not fit a name buffer and was cut
    XcdFileRecord record{};
    // Points the record's texts at name and comment; call after the object has its final address.
    void Bind();
};
// Fills a record from an archive entry; false when the entry cannot be read.
bool DescribeEntry(zip_t* archive, zip_uint64_t index, EntryRecord& out);
// True when the entry is a symbolic link made on a Unix system.
bool IsSymlinkEntry(zip_t* archive, zip_uint64_t index);

// Result code for a libzip error when opening an archive, reading it, or writing it.
int OpenResult(int zip_error, int system_error);
int WriteResult(const zip_error_t* error);

// Keeps the worse of two results: errors over warnings, warnings over success.
void Worsen(int& result, int candidate);

}  // namespace corvane::zipdll
