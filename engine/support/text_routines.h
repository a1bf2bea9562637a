#pragma once
// Text routines shared by the whole engine. Texts are bytes; positions are 1-based with 0 meaning
// "not found"; an empty search pattern is never found. Case folding is ASCII-only.

#include <stdexcept>
#include <string>

#include "platform/rtl/date_time.h"  // DayOfWeekZero lives with the other date-time routines

namespace corvane {

// Raised when a text does not hold the number it should.
class EConvertError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Separated fields: field N (0-based) runs from the N-th separator (or the start) to the next
// separator or the end. Queue records end every field, the last too, with the separator.
std::string GetToken(const std::string& text, char separator, int n);
// Replaces the bytes of field N, keeping every separator. A field number past the last separator
// leaves the text unchanged.
void SetToken(std::string& text, const std::string& value, char separator, int n);

// Length of the valid UTF-8 character starting at i, or 0 when the bytes there are not one (overlong
// forms, surrogates and code points past U+10FFFF included).
std::size_t Utf8SequenceLength(const std::string& s, std::size_t i);

// Flags of StrReplace.
enum : int {
    kReplaceBeforeDelimiter = 1,  // only where the byte after the match is a delimiter (or the text ends)
    kReplaceCaseSensitive = 2,
    kReplaceAll = 4,
};
// Replaced text is never searched again, so every call ends.
void StrReplace(std::string& text, const std::string& find, const std::string& replacement, int flags);
// StrReplace on the part from the 1-based start position on; the part before it stays as it is.
void StrReplaceFrom(std::string& text, int start, const std::string& find, int flags,
                    const std::string& replacement);

// The text between the first start marker and the first end marker after it (case-sensitive).
std::string StrBetween(const std::string& text, const std::string& start_marker, const std::string& end_marker);
// Both markers are looked for from the beginning without regard to case; the result keeps the
// text's own case. Empty when either is missing or the end marker comes first.
std::string ExtractBetweenCI(const std::string& text, const std::string& start_marker,
                             const std::string& end_marker);

bool TextEquals(const std::string& a, const std::string& b);

// Position of find in text at or after start.
int PosFrom(const std::string& find, const std::string& text, int start);
int LastPos(const std::string& find, const std::string& text);

// Search from a 1-based start; "?" in the pattern matches any byte. A negative start searches from
// its absolute value with letters compared without regard to case. 0 when start is 0.
int ScanForward(const std::string& text, const std::string& pattern, int start);
// Exact search (no wildcard, case counts) from start (1 or more).
int ScanExact(const std::string& text, const std::string& pattern, int start);
// The last match ending at or before position |start| (the text's end when start is 0); "?" and a
// negative start as in ScanForward.
int ScanBackward(const std::string& text, const std::string& pattern, int start);

// Drops CR, LF and stray 0xB6 bytes (a 0xB6 inside a valid UTF-8 character stays), then trims
// blanks and control bytes from both ends.
std::string CleanField(const std::string& text);

// The integer in the text once every "," is removed; EConvertError when there is none.
int StrToIntNoSep(const std::string& text);

}  // namespace corvane
