#include "platform/rtl/date_time.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>
#include <strings.h>
#include <vector>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace corvane {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr std::int64_t kUnixEpochDay = 25'569;  // 1970-01-01 as a day count from 1899-12-30

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

const char* const kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

std::string Pad(int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

}  // namespace

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

TDateTime EncodeDate(int year, int month, int day) {
    return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                               kUnixEpochDay);
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    const std::int64_t ms = ((static_cast<std::int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + msec;
    return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

TDateTime EncodeDateTime(const DateTimeParts& p) {
    return EncodeDate(p.year, p.month, p.day) + EncodeTime(p.hour, p.minute, p.second, p.msec);
}

DateTimeParts DecodeDateTime(TDateTime value) {
    // Work in whole milliseconds so that 0.999999... rounds to the next day, never to 23:59:60.
    const auto total = static_cast<std::int64_t>(std::llround(value * static_cast<double>(kMsPerDay)));
    std::int64_t days = total / kMsPerDay;
    std::int64_t ms = total % kMsPerDay;
    if (ms < 0) {
        ms += kMsPerDay;
        --days;
    }
    DateTimeParts p;
    CivilFromDays(days - kUnixEpochDay, p.year, p.month, p.day);
    p.msec = static_cast<int>(ms % 1000);
    ms /= 1000;
    p.second = static_cast<int>(ms % 60);
    ms /= 60;
    p.minute = static_cast<int>(ms % 60);
    p.hour = static_cast<int>(ms / 60);
    return p;
}

TDateTime DateOf(TDateTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    return EncodeDate(p.year, p.month, p.day);
}

TDateTime TimeOf(TDateTime value) { return value - DateOf(value); }

int DayOfWeekZero(TDateTime value) {
    // 1899-12-30 was a Saturday.
    const auto days = static_cast<std::int64_t>(std::floor(DateOf(value)));
    return static_cast<int>(((days + 6) % 7 + 7) % 7);
}

TDateTime FromTimeT(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    DateTimeParts p;
    p.year = tm.tm_year + 1900;
    p.month = tm.tm_mon + 1;
    p.day = tm.tm_mday;
    p.hour = tm.tm_hour;
    p.minute = tm.tm_min;
    p.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
    return EncodeDateTime(p);
}

std::time_t ToTimeT(TDateTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    std::tm tm{};
    tm.tm_year = p.year - 1900;
    tm.tm_mon = p.month - 1;
    tm.tm_mday = p.day;
    tm.tm_hour = p.hour;
    tm.tm_min = p.minute;
    tm.tm_sec = p.second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

TDateTime Now() {
    std::timespec ts{};
    std::timespec_get(&ts, TIME_UTC);
    return FromTimeT(ts.tv_sec) + static_cast<double>(ts.tv_nsec / 1'000'000) / static_cast<double>(kMsPerDay);
}

std::string FormatFixedDateTime(TDateTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    return Pad(p.month, 2) + "/" + Pad(p.day, 2) + "/" + Pad(p.year, 4) + " " + Pad(p.hour, 2) + ":" +
           Pad(p.minute, 2) + ":" + Pad(p.second, 2);
}

TDateTime ParseFixedDateTime(const std::string& text) {
    int numbers[6] = {0, 0, 0, 0, 0, 0};
    int count = 0;
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto skip_blanks = [&] {
        while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    };
    skip_blanks();
    // Three date numbers separated by "/", then optionally two or three time numbers separated by ":".
    while (i < n && count < 6) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return 0;
        long v = 0;
        int digits = 0;
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (++digits > 4) return 0;
            v = v * 10 + (text[i] - '0');
            ++i;
        }
        numbers[count++] = static_cast<int>(v);
        if (i >= n) break;
        const char sep = text[i];
        if (count < 3) {
            if (sep != '/') return 0;
            ++i;
        } else if (count == 3) {
            skip_blanks();
            if (i >= n) break;
        } else {
            if (sep == ' ' || sep == '\t') {
                skip_blanks();
                if (i < n) return 0;
                break;
            }
            if (sep != ':') return 0;
            ++i;
        }
    }
    if (i < n && count == 6) {
        skip_blanks();
        if (i < n) return 0;
    }
    if (count < 3 || count == 4) return 0;
    const int month = numbers[0], day = numbers[1], year = numbers[2];
    if (!IsValidDate(year, month, day)) return 0;
    const int hour = numbers[3], minute = numbers[4], second = numbers[5];
    if (hour > 23 || minute > 59 || second > 59) return 0;
    return EncodeDate(year, month, day) + EncodeTime(hour, minute, second);
}

FormatSettings& DisplayFormats() {
    static FormatSettings settings;
    return settings;
}

std::string FormatDateTime(const std::string& format, TDateTime value, const FormatSettings& fs) {
    const DateTimeParts p = DecodeDateTime(value);
    const int dow = DayOfWeekZero(value);

    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    auto starts_with_ci = [&](std::size_t pos, const char* token) {
        for (std::size_t k = 0; token[k]; ++k)
            if (pos + k >= format.size() || lower(format[pos + k]) != token[k]) return false;
        return true;
    };

    // Twelve-hour clock when the format holds an AM/PM token anywhere.
    bool twelve = false;
    for (std::size_t k = 0; k < format.size(); ++k)
        if (starts_with_ci(k, "am/pm") || starts_with_ci(k, "a/p") || starts_with_ci(k, "ampm")) twelve = true;
    int hour = p.hour;
    if (twelve) {
        hour %= 12;
        if (hour == 0) hour = 12;
    }

    std::string out;
    bool after_hour = false;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        const char lc = lower(c);
        auto run = [&](char ch) {
            std::size_t len = 0;
            while (i + len < format.size() && lower(format[i + len]) == ch) ++len;
            return len;
        };
        if (c == '"' || c == '\'') {
            const std::size_t close = format.find(c, i + 1);
            const std::size_t end = close == std::string::npos ? format.size() : close;
            out.append(format, i + 1, end - i - 1);
            i = close == std::string::npos ? format.size() : close + 1;
            continue;
        }
        if (c == '/') {
            out += fs.DateSeparator;
            ++i;
            continue;
        }
        if (c == ':') {
            out += fs.TimeSeparator;
            ++i;
            continue;
        }
        if (starts_with_ci(i, "am/pm")) {
            out += p.hour < 12 ? "am" : "pm";
            if (format[i] == 'A') out = out.substr(0, out.size() - 2) + (p.hour < 12 ? "AM" : "PM");
            i += 5;
            continue;
        }
        if (starts_with_ci(i, "a/p")) {
            out += format[i] == 'A' ? (p.hour < 12 ? "A" : "P") : (p.hour < 12 ? "a" : "p");
            i += 3;
            continue;
        }
        if (starts_with_ci(i, "ampm")) {
            out += p.hour < 12 ? fs.TimeAMString : fs.TimePMString;
            i += 4;
            continue;
        }
        switch (lc) {
            case 'y': {
                const std::size_t len = run('y');
                out += len <= 2 ? Pad(p.year % 100, 2) : Pad(p.year, 4);
                i += len;
                break;
            }
            case 'm': {
                const std::size_t len = run('m');
                if (after_hour && len <= 2) {
                    out += len == 1 ? std::to_string(p.minute) : Pad(p.minute, 2);
                } else if (len == 1) {
                    out += std::to_string(p.month);
                } else if (len == 2) {
                    out += Pad(p.month, 2);
                } else if (len == 3) {
                    out += kShortMonths[p.month - 1];
                } else {
                    out += kLongMonths[p.month - 1];
                }
                after_hour = false;
                i += len;
                break;
            }
            case 'd': {
                const std::size_t len = run('d');
                if (len == 1) out += std::to_string(p.day);
                else if (len == 2) out += Pad(p.day, 2);
                else if (len == 3) out += kShortDays[dow];
                else if (len == 4) out += kLongDays[dow];
                else if (len == 5) out += FormatDateTime(fs.ShortDateFormat, value, fs);
                else out += FormatDateTime(fs.LongDateFormat, value, fs);
                i += len;
                break;
            }
            case 'h': {
                const std::size_t len = run('h');
                out += len == 1 ? std::to_string(hour) : Pad(hour, 2);
                after_hour = true;
                i += len;
                continue;  // keep after_hour for a following "m"
            }
            case 'n': {
                const std::size_t len = run('n');
                out += len == 1 ? std::to_string(p.minute) : Pad(p.minute, 2);
                i += len;
                break;
            }
            case 's': {
                const std::size_t len = run('s');
                out += len == 1 ? std::to_string(p.second) : Pad(p.second, 2);
                i += len;
                break;
            }
            case 'z': {
                const std::size_t len = run('z');
                out += len >= 3 ? Pad(p.msec, 3) : std::to_string(p.msec);
                i += len;
                break;
            }
            case 't': {
                const std::size_t len = run('t');
                out += FormatDateTime(len == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, value, fs);
                i += len;
                break;
            }
            case 'c': {
                out += DateTimeToStr(value);
                ++i;
                break;
            }
            default:
                out += c;
                ++i;
                // Separators between an hour and its minutes keep the minute reading of "m".
                continue;
        }
        after_hour = false;
    }
    return out;
}

std::string DateToStr(TDateTime value) { return FormatDateTime(DisplayFormats().ShortDateFormat, value); }

std::string TimeToStr(TDateTime value) { return FormatDateTime(DisplayFormats().LongTimeFormat, value); }

std::string DateTimeToStr(TDateTime value) {
    std::string s = DateToStr(value);
    if (TimeOf(value) != 0.0) s += " " + TimeToStr(value);
    return s;
}

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A whole run of decimal digits (no sign, no blanks inside).
bool ReadUnsigned(std::string_view s, int& out, std::size_t& digits) {
    s = Trim(s);
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    digits = s.size();
    return ec == std::errc() && end == s.data() + s.size();
}

std::vector<std::string_view> Split(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = s.find(sep, start);
        parts.push_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return parts;
}

bool EndsWithNoCase(std::string_view s, const std::string& suffix) {
    return !suffix.empty() && s.size() >= suffix.size() &&
           strncasecmp(s.data() + s.size() - suffix.size(), suffix.data(), suffix.size()) == 0;
}

}  // namespace

bool TryStrToDate(const std::string& text, TDateTime& value, const FormatSettings& settings) {
    const std::vector<std::string_view> parts = Split(Trim(text), settings.DateSeparator);
    if (parts.size() < 2 || parts.size() > 3) return false;
    int numbers[3] = {0, 0, 0};
    std::size_t digits[3] = {0, 0, 0};
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (!ReadUnsigned(parts[i], numbers[i], digits[i])) return false;

    // The order of the first d, m and y of the short date format.
    std::string order;
    for (char c : settings.ShortDateFormat) {
        const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if ((l == 'd' || l == 'm' || l == 'y') && order.find(l) == std::string::npos) order += l;
    }
    if (order.size() != 3) order = "mdy";

    const DateTimeParts now = DecodeDateTime(Now());
    int day = 0, month = 0, year = now.year;
    bool year_given = false;
    std::size_t year_digits = 0;
    std::size_t next = 0;
    for (char field : order) {
        if (field == 'y' && parts.size() == 2) continue;  // two numbers: day and month of this year
        if (next >= parts.size()) return false;
        const int n = numbers[next];
        if (field == 'd') day = n;
        else if (field == 'm') month = n;
        else {
            year = n;
            year_given = true;
            year_digits = digits[next];
        }
        ++next;
    }
    if (year_given && year_digits <= 2) {
        const int first = now.year - 50;
        year += first - first % 100;
        if (year < first) year += 100;
    }
    if (!IsValidDate(year, month, day)) return false;
    value = EncodeDate(year, month, day);
    return true;
}

bool TryStrToTime(const std::string& text, TDateTime& value, const FormatSettings& settings) {
    std::string_view s = Trim(text);
    int pm = -1;  // -1 no AM/PM, 0 AM, 1 PM
    if (EndsWithNoCase(s, settings.TimeAMString)) {
        pm = 0;
        s.remove_suffix(settings.TimeAMString.size());
    } else if (EndsWithNoCase(s, settings.TimePMString)) {
        pm = 1;
        s.remove_suffix(settings.TimePMString.size());
    }
    s = Trim(s);
    const std::vector<std::string_view> parts = Split(s, settings.TimeSeparator);
    if (parts.empty() || parts.size() > 3) return false;
    int fields[4] = {0, 0, 0, 0};
    std::size_t digits = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::string_view part = parts[i];
        if (i == 2) {
            const std::size_t dot = part.find('.');
            if (dot != std::string_view::npos) {
                if (!ReadUnsigned(part.substr(dot + 1), fields[3], digits) || digits > 3) return false;
                part = part.substr(0, dot);
            }
        }
        if (!ReadUnsigned(part, fields[i], digits)) return false;
    }
    int hour = fields[0];
    if (pm >= 0) {
        if (hour < 1 || hour > 12) return false;
        hour = hour % 12 + (pm == 1 ? 12 : 0);
    }
    if (hour > 23 || fields[1] > 59 || fields[2] > 59) return false;
    value = EncodeTime(hour, fields[1], fields[2], fields[3]);
    return true;
}

bool TryStrToDateTime(const std::string& text, TDateTime& value, const FormatSettings& settings) {
    const std::string_view s = Trim(text);
    const std::size_t blank = s.find(' ');
    if (blank == std::string_view::npos) return TryStrToDate(std::string(s), value, settings);
    TDateTime date = 0, time = 0;
    if (!TryStrToDate(std::string(s.substr(0, blank)), date, settings) ||
        !TryStrToTime(std::string(s.substr(blank + 1)), time, settings))
        return false;
    value = date < 0 ? date - time : date + time;
    return true;
}

}  // namespace corvane
