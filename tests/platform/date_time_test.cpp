#include "platform/rtl/date_time.h"

#include <gtest/gtest.h>

#include "tests/support/scoped_env.h"

#include <cstdlib>
#include <ctime>

namespace corvane {
namespace {

using testing::ScopedTimeZone;

TEST(DateTime, EncodesDaysFromTheClassLibraryEpoch) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1970, 1, 1), 25569.0);
    EXPECT_EQ(EncodeDate(2000, 3, 1), 36586.0);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0), 0.5);
    const DateTimeParts p = DecodeDateTime(EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 59, 999));
    EXPECT_EQ(p.year, 2024);
    EXPECT_EQ(p.month, 2);
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.hour, 23);
    EXPECT_EQ(p.minute, 59);
    EXPECT_EQ(p.second, 59);
    EXPECT_EQ(p.msec, 999);
}

TEST(DateTime, DecodeRoundsToTheMillisecondNeverPastMidnight) {
    const DateTimeParts p = DecodeDateTime(EncodeDate(2020, 1, 1) - 1e-12);
    EXPECT_EQ(p.day, 1);
    EXPECT_EQ(p.hour, 0);
    EXPECT_EQ(p.second, 0);
}

TEST(DateTime, DayOfWeekStartsOnSunday) {
    EXPECT_EQ(DayOfWeekZero(EncodeDate(1899, 12, 30)), 6);  // a Saturday
    EXPECT_EQ(DayOfWeekZero(EncodeDate(2026, 12, 6)), 0);   // a Sunday
    EXPECT_EQ(DayOfWeekZero(EncodeDate(2026, 12, 9) + 0.99), 3);
}

TEST(DateTime, FixedFormatRoundTripsAndIgnoresTheDisplayFormats) {
    FormatSettings saved = DisplayFormats();
    DisplayFormats().DateSeparator = '.';
    DisplayFormats().TimeSeparator = '-';
    const TDateTime t = EncodeDate(2026, 7, 4) + EncodeTime(9, 5, 7);
    EXPECT_EQ(FormatFixedDateTime(t), "07/04/2026 09:05:07");
    EXPECT_DOUBLE_EQ(ParseFixedDateTime("07/04/2026 09:05:07"), t);
    DisplayFormats() = saved;
}

TEST(DateTime, UnreadableFixedTextIsZero) {
    for (const char* text : {"", "   ", "13/01/2020 00:00:00", "02/30/2020 10:00:00", "1/2", "01/02/2020 25:00:00",
                             "01-02-2020", "01/02/2020 10", "abc", "01/02/2020 10:00:00 x"})
        EXPECT_EQ(ParseFixedDateTime(text), 0.0) << text;
    EXPECT_EQ(ParseFixedDateTime("1/2/2020"), EncodeDate(2020, 1, 2));
    EXPECT_EQ(ParseFixedDateTime("01/02/2020 10:11"), EncodeDate(2020, 1, 2) + EncodeTime(10, 11, 0));
}

TEST(DateTime, DisplayFormats) {
    const TDateTime t = EncodeDate(2026, 3, 8) + EncodeTime(14, 3, 9);
    EXPECT_EQ(FormatDateTime("MM/d/yy", t), "03/8/26");
    EXPECT_EQ(FormatDateTime("hh:nn:ss", t), "14:03:09");
    EXPECT_EQ(FormatDateTime("hh:mm", t), "14:03");  // "m" after an hour means minutes
    EXPECT_EQ(FormatDateTime("h:nn am/pm", t), "2:03 pm");
    EXPECT_EQ(FormatDateTime("dddd, mmmm d, yyyy", t), "Sunday, March 8, 2026");
    EXPECT_EQ(FormatDateTime("'at' hh", t), "at 14");
    FormatSettings dotted;
    dotted.DateSeparator = '.';
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", t, dotted), "08.03.2026");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 3, 8)), "03/8/26");
}

TEST(DateTime, LocalClockRoundTripsAcrossDaylightSavingChanges) {
    ScopedTimeZone tz("America/New_York");
    // 2026-03-08 02:00 is skipped, 2026-11-01 01:00-02:00 happens twice.
    const TDateTime before_spring = EncodeDate(2026, 3, 7) + EncodeTime(2, 30, 0);
    const TDateTime next_day = before_spring + 1.0;
    EXPECT_EQ(FormatFixedDateTime(next_day), "03/08/2026 02:30:00");  // wall clock kept
    const std::time_t a = ToTimeT(before_spring + 2.0);
    EXPECT_EQ(FromTimeT(a), before_spring + 2.0);
    // Each hour of a fall-back day converts to a time and back to the same wall clock.
    for (int h = 0; h < 24; ++h) {
        const TDateTime t = EncodeDate(2026, 11, 1) + EncodeTime(h, 15, 0);
        EXPECT_EQ(FormatFixedDateTime(FromTimeT(ToTimeT(t))), FormatFixedDateTime(t)) << h;
    }
    // Real seconds between two wall-clock midnights around the spring change: 23 hours.
    EXPECT_EQ(ToTimeT(EncodeDate(2026, 3, 9)) - ToTimeT(EncodeDate(2026, 3, 8)), 23 * 3600);
}

TEST(DateTime, NowIsCloseToTheSystemClock) {
    const TDateTime n = Now();
    EXPECT_LE(std::llabs(static_cast<long long>(ToTimeT(n) - std::time(nullptr))), 2);
}

}  // namespace
}  // namespace corvane
