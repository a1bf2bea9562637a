#include <gtest/gtest.h>

#include "platform/rtl/date_time.h"

namespace corvane {
namespace {

DateTimeParts Parts(TDateTime v) { return DecodeDateTime(v); }

TEST(StrToDate, FollowsTheShortDateOrderAndSeparator) {
    FormatSettings us;  // MM/d/yy with "/"
    TDateTime v = 0;
    ASSERT_TRUE(TryStrToDate("12/31/1999", v, us));
    EXPECT_EQ(v, EncodeDate(1999, 12, 31));

    FormatSettings de;
    de.ShortDateFormat = "dd.MM.yyyy";
    de.DateSeparator = '.';
    ASSERT_TRUE(TryStrToDate(" 2.1.2000 ", v, de));
    EXPECT_EQ(v, EncodeDate(2000, 1, 2));
    EXPECT_FALSE(TryStrToDate("2/1/2000", v, de));

    // Two numbers are day and month of this year, in the format's order.
    ASSERT_TRUE(TryStrToDate("3/4", v, us));
    EXPECT_EQ(Parts(v).month, 3);
    EXPECT_EQ(Parts(v).year, Parts(Now()).year);

    v = 7;
    for (const char* bad : {"", "/", "13/1/99", "2/30/2000", "1/2/3/4", "1//99", "a/2/99", "-1/2/99", "1/2/99x",
                            "1/2/9999999999"})
        EXPECT_FALSE(TryStrToDate(bad, v, us)) << bad;
    EXPECT_EQ(v, 7) << "a failed conversion leaves the value alone";
}

TEST(StrToDate, TwoDigitYearsLieWithinFiftyYearsBeforeNow) {
    const int this_year = Parts(Now()).year;
    FormatSettings us;
    TDateTime v = 0;
    const int back = (this_year - 50) % 100;
    const int ahead = (this_year + 49) % 100;
    char text[16];
    std::snprintf(text, sizeof text, "1/1/%02d", back);
    ASSERT_TRUE(TryStrToDate(text, v, us));
    EXPECT_EQ(Parts(v).year, this_year - 50);
    std::snprintf(text, sizeof text, "1/1/%02d", ahead);
    ASSERT_TRUE(TryStrToDate(text, v, us));
    EXPECT_EQ(Parts(v).year, this_year + 49);

    TDateTime a = 0, b = 0;
    ASSERT_TRUE(TryStrToDate("12/31/99", a, us));
    ASSERT_TRUE(TryStrToDate("1/2/00", b, us));
    EXPECT_LT(a, b);
}

TEST(StrToDate, TimesAndDateTimes) {
    FormatSettings us;
    TDateTime v = 0;
    ASSERT_TRUE(TryStrToTime("13:05:09.250", v, us));
    EXPECT_EQ(v, EncodeTime(13, 5, 9, 250));
    ASSERT_TRUE(TryStrToTime("12:30 AM", v, us));
    EXPECT_EQ(v, EncodeTime(0, 30, 0));
    ASSERT_TRUE(TryStrToTime("1:30pm", v, us));
    EXPECT_EQ(v, EncodeTime(13, 30, 0));
    for (const char* bad : {"24:00", "10:60", "13:00 PM", "1:2:3:4", "1:", "x"}) EXPECT_FALSE(TryStrToTime(bad, v, us)) << bad;

    FormatSettings dots = us;
    dots.TimeSeparator = '.';
    ASSERT_TRUE(TryStrToTime("10.15", v, dots));
    EXPECT_EQ(v, EncodeTime(10, 15, 0));

    ASSERT_TRUE(TryStrToDateTime("2/3/2004 10:11:12", v, us));
    EXPECT_EQ(v, EncodeDate(2004, 2, 3) + EncodeTime(10, 11, 12));
    EXPECT_FALSE(TryStrToDateTime("2/3/2004 10:11:12 x", v, us));
}

}  // namespace
}  // namespace corvane
