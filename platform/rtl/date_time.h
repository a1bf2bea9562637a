#pragma once
// Date-time as the class library keeps it: a double counting days since 1899-12-30, the fraction
// being the time of day on the local wall clock. Adding 1.0 keeps the clock time across a DST change.

#include <cstdint>
#include <ctime>
#include <string>

namespace corvane {

using TDateTime = double;

struct DateTimeParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, msec = 0;
};

// Exact calendar arithmetic; no time zone involved.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec = 0);
TDateTime EncodeDateTime(const DateTimeParts& parts);
DateTimeParts DecodeDateTime(TDateTime value);
bool IsValidDate(int year, int month, int day);
int DaysInMonth(int year, int month);

// Whole days and the time-of-day fraction.
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

// Day of the week, Sunday 0 to Saturday 6.
int DayOfWeekZero(TDateTime value);

// Conversions from and to the system clock through the local time zone.
TDateTime FromTimeT(std::time_t t);
std::time_t ToTimeT(TDateTime value);
TDateTime Now();

// The fixed format of task files and the registry: "mm/dd/yyyy hh:mm:ss" with a literal "/" and ":",
// whatever the display formats say.
std::string FormatFixedDateTime(TDateTime value);
// Reads "mm/dd/yyyy hh:mm:ss" (the time part optional). Empty or unreadable text gives 0.
TDateTime ParseFixedDateTime(const std::string& text);

// Display formats (a language file's locale may change them; files never use them).
struct FormatSettings {
    std::string ShortDateFormat = "MM/d/yy";
    std::string LongDateFormat = "dddd, MMMM d, yyyy";
    std::string ShortTimeFormat = "hh:nn";
    std::string LongTimeFormat = "hh:nn:ss";
    char DateSeparator = '/';
    char TimeSeparator = ':';
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
};
FormatSettings& DisplayFormats();

// Formats a date-time with the class library's format tokens: d dd ddd dddd m mm mmm mmmm yy yyyy
// h hh n nn s ss z zzz am/pm ampm, "/" and ":" as the display separators, quoted text literal.
// "m" right after an hour token means minutes.
std::string FormatDateTime(const std::string& format, TDateTime value,
                           const FormatSettings& settings = DisplayFormats());
std::string DateToStr(TDateTime value);       // short date format
std::string TimeToStr(TDateTime value);       // long time format
std::string DateTimeToStr(TDateTime value);   // short date, blank, long time (time left out at midnight)

// Reading dates and times as a user types them in the display formats. The order of day, month and
// year follows the short date format; a missing year is this year; a two-digit year lies in the 100
// years from 50 years before now. A time is h[:n[:s[.zzz]]] with an optional AM/PM string. Blanks
// around the parts are allowed; anything else left over fails. False leaves value alone.
bool TryStrToDate(const std::string& text, TDateTime& value, const FormatSettings& settings = DisplayFormats());
bool TryStrToTime(const std::string& text, TDateTime& value, const FormatSettings& settings = DisplayFormats());
// A date, then blanks, then a time.
bool TryStrToDateTime(const std::string& text, TDateTime& value,
                      const FormatSettings& settings = DisplayFormats());

}  // namespace corvane
