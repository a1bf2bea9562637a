#include "localisation/lang_locale.h"

#include "platform/rtl/date_time.h"

namespace corvane {

TkLocale CaptureCurrentLocale() {
    static const char* const kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const char* const kLongMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                              "July",    "August",   "September", "October", "November", "December"};
    static const char* const kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kLongDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    const FormatSettings& f = DisplayFormats();
    TkLocale l;
    l.CurrencyString = "$";
    l.DateSeparator = f.DateSeparator;
    l.ShortDateFormat = f.ShortDateFormat;
    l.LongDateFormat = f.LongDateFormat;
    l.TimeSeparator = f.TimeSeparator;
    l.TimeAMString = f.TimeAMString;
    l.TimePMString = f.TimePMString;
    l.ShortTimeFormat = f.ShortTimeFormat;
    l.LongTimeFormat = f.LongTimeFormat;
    for (int i = 0; i < 12; ++i) {
        l.ShortMonthNames[static_cast<std::size_t>(i)] = kShortMonths[i];
        l.LongMonthNames[static_cast<std::size_t>(i)] = kLongMonths[i];
    }
    for (int i = 0; i < 7; ++i) {
        l.ShortDayNames[static_cast<std::size_t>(i)] = kShortDays[i];
        l.LongDayNames[static_cast<std::size_t>(i)] = kLongDays[i];
    }
    l.TwoDigitYearCenturyWindow = 0;
    return l;
}

namespace {
// A separator byte outside ASCII is not a whole character in UTF-8; such a separator is not applied.
void ApplySeparator(char& target, char value) {
    const auto b = static_cast<unsigned char>(value);
    if (b != 0 && b < 0x80) target = value;
}
}  // namespace

void ApplyLocaleToDisplayFormats(const TkLocale& locale) {
    FormatSettings& f = DisplayFormats();
    f.ShortDateFormat = locale.ShortDateFormat;
    f.LongDateFormat = locale.LongDateFormat;
    f.ShortTimeFormat = locale.ShortTimeFormat;
    f.LongTimeFormat = locale.LongTimeFormat;
    f.TimeAMString = locale.TimeAMString;
    f.TimePMString = locale.TimePMString;
    ApplySeparator(f.DateSeparator, locale.DateSeparator);
    ApplySeparator(f.TimeSeparator, locale.TimeSeparator);
}

}  // namespace corvane
