#include "engine/support/text_routines.h"

#include <climits>
#include <cstring>

#include "platform/rtl/string_list.h"

namespace corvane {
namespace {

using Byte = unsigned char;

Byte At(const std::string& s, std::size_t i) { return static_cast<Byte>(s[i]); }

bool IsLetter(Byte b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }

// One byte of a ScanForward/ScanBackward pattern against one byte of the text.
bool PatternByteMatches(Byte pattern, Byte text, bool ignore_case) {
    if (pattern == '?' || pattern == text) return true;
    return ignore_case && IsLetter(text) && (text ^ 0x20) == pattern;
}

bool PatternMatchesAt(const std::string& text, std::size_t offset, const std::string& pattern, bool ignore_case) {
    for (std::size_t k = 0; k < pattern.size(); ++k)
        if (!PatternByteMatches(At(pattern, k), At(text, offset + k), ignore_case)) return false;
    return true;
}

bool IsReplaceDelimiter(Byte b) {
    static const char kDelimiters[] = " .,:;-#'+*?=)(/&%$\xA7\"!{[]}\\~<>|";
    return b != 0 && std::memchr(kDelimiters, b, sizeof kDelimiters - 1) != nullptr;
}

}  // namespace

std::size_t Utf8SequenceLength(const std::string& s, std::size_t i) {
    const Byte b = At(s, i);
    std::size_t len = 0;
    Byte lo = 0x80, hi = 0xBF;  // allowed range of the first continuation byte
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    if (At(s, i + 1) < lo || At(s, i + 1) > hi) return 0;
    for (std::size_t k = 2; k < len; ++k)
        if (At(s, i + k) < 0x80 || At(s, i + k) > 0xBF) return 0;
    return len;
}

std::string GetToken(const std::string& text, char separator, int n) {
    if (n < 0) return {};
    int seen = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != separator) continue;
        if (seen == n) return text.substr(start, i - start);
        ++seen;
        start = i + 1;
    }
    return seen == n ? text.substr(start) : std::string();
}

void SetToken(std::string& text, const std::string& value, char separator, int n) {
    if (n < 0) return;
    std::size_t start = 0;
    for (int seen = 0; seen < n; ++seen) {
        const std::size_t sep = text.find(separator, start);
        if (sep == std::string::npos) return;
        start = sep + 1;
    }
    std::size_t end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    text.replace(start, end - start, value);
}

void StrReplace(std::string& text, const std::string& find, const std::string& replacement, int flags) {
    if (find.empty() || text.empty()) return;
    const bool case_sensitive = (flags & kReplaceCaseSensitive) != 0;
    const std::string compared = case_sensitive ? text : UpperCase(text);
    const std::string wanted = case_sensitive ? find : UpperCase(find);

    std::string result;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t pos = compared.find(wanted, from);
        if (pos == std::string::npos) break;
        const std::size_t after = pos + wanted.size();
        result.append(text, from, pos - from);
        // A match at the very end counts as delimited: nothing follows it.
        const bool delimited = after >= text.size() || IsReplaceDelimiter(At(text, after));
        if ((flags & kReplaceBeforeDelimiter) && !delimited)
            result.append(text, pos, wanted.size());
        else
            result += replacement;
        from = after;
        if (!(flags & kReplaceAll)) break;
    }
    if (from == 0) return;  // nothing matched
    result.append(text, from, std::string::npos);
    text = std::move(result);
}

void StrReplaceFrom(std::string& text, int start, const std::string& find, int flags,
                    const std::string& replacement) {
    const std::size_t cut = start <= 1 ? 0 : static_cast<std::size_t>(start - 1);
    if (cut >= text.size()) return;
    std::string tail = text.substr(cut);
    StrReplace(tail, find, replacement, flags);
    text.replace(cut, std::string::npos, tail);
}

std::string StrBetween(const std::string& text, const std::string& start_marker, const std::string& end_marker) {
    if (start_marker.empty() || end_marker.empty()) return {};
    const std::size_t s = text.find(start_marker);
    if (s == std::string::npos) return {};
    const std::size_t from = s + start_marker.size();
    const std::size_t e = text.find(end_marker, from);
    if (e == std::string::npos) return {};
    return text.substr(from, e - from);
}

std::string ExtractBetweenCI(const std::string& text, const std::string& start_marker,
                             const std::string& end_marker) {
    if (start_marker.empty() || end_marker.empty()) return {};
    const std::string upper = UpperCase(text);
    const std::size_t s = upper.find(UpperCase(start_marker));
    const std::size_t e = upper.find(UpperCase(end_marker));
    if (s == std::string::npos || e == std::string::npos) return {};
    const std::size_t from = s + start_marker.size();
    if (e < from) return {};
    return text.substr(from, e - from);
}

bool TextEquals(const std::string& a, const std::string& b) { return SameText(a, b); }

int PosFrom(const std::string& find, const std::string& text, int start) {
    if (find.empty()) return 0;
    const std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start - 1);
    if (from >= text.size()) return 0;
    const std::size_t pos = text.find(find, from);
    return pos == std::string::npos ? 0 : static_cast<int>(pos + 1);
}

int LastPos(const std::string& find, const std::string& text) {
    if (find.empty()) return 0;
    const std::size_t pos = text.rfind(find);
    return pos == std::string::npos ? 0 : static_cast<int>(pos + 1);
}

int ScanForward(const std::string& text, const std::string& pattern, int start) {
    if (text.empty() || pattern.empty() || start == 0 || start == INT_MIN) return 0;
    const bool ignore_case = start < 0;
    const std::size_t first = static_cast<std::size_t>(ignore_case ? -start : start) - 1;
    if (first >= text.size() || text.size() - first < pattern.size()) return 0;
    for (std::size_t offset = first; offset + pattern.size() <= text.size(); ++offset)
        if (PatternMatchesAt(text, offset, pattern, ignore_case)) return static_cast<int>(offset + 1);
    return 0;
}

int ScanExact(const std::string& text, const std::string& pattern, int start) {
    if (start < 1) return 0;
    return PosFrom(pattern, text, start);
}

int ScanBackward(const std::string& text, const std::string& pattern, int start) {
    if (text.empty() || pattern.empty() || start == INT_MIN) return 0;
    const bool ignore_case = start < 0;
    std::size_t end = text.size();
    if (start != 0) end = std::min(end, static_cast<std::size_t>(ignore_case ? -start : start));
    if (pattern.size() > end) return 0;
    for (std::size_t offset = end - pattern.size() + 1; offset-- > 0;)
        if (PatternMatchesAt(text, offset, pattern, ignore_case)) return static_cast<int>(offset + 1);
    return 0;
}

std::string CleanField(const std::string& text) {
    std::string kept;
    kept.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = Utf8SequenceLength(text, i);
        if (len > 1) {
            kept.append(text, i, len);
            i += len;
            continue;
        }
        const Byte b = At(text, i++);
        if (b != '\r' && b != '\n' && b != 0xB6) kept += static_cast<char>(b);
    }
    std::size_t first = 0, last = kept.size();
    while (first < last && At(kept, first) <= ' ') ++first;
    while (last > first && At(kept, last - 1) <= ' ') --last;
    return kept.substr(first, last - first);
}

int StrToIntNoSep(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c != ',') digits += c;
    const auto fail = [&text]() -> int { throw EConvertError("'" + text + "' is not a valid integer value"); };

    std::size_t i = 0;
    while (i < digits.size() && digits[i] == ' ') ++i;
    bool negative = false;
    if (i < digits.size() && (digits[i] == '-' || digits[i] == '+')) negative = digits[i++] == '-';
    if (i >= digits.size()) return fail();
    long long value = 0;
    for (; i < digits.size(); ++i) {
        const char c = digits[i];
        if (c < '0' || c > '9') return fail();
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) return fail();
    }
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) return fail();
    return static_cast<int>(value);
}

}  // namespace corvane
