#include "engine/model/schedule_rules.h"

#include <gtest/gtest.h>

#include "tests/support/scoped_env.h"

#include <cstdlib>
#include <ctime>

namespace corvane {
namespace {

using testing::ScopedTimeZone;

TDateTime At(int y, int mo, int d, int h, int mi, int s = 0) {
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, s);
}

TEST(ScheduleTexts, EachRuleWritesItsTextAndLabels) {
    const TDateTime now = At(2026, 12, 9, 10, 0, 0);  // a Wednesday
    const ScheduleChoice once = ScheduleOnce(EncodeDate(2026, 12, 24), EncodeTime(18, 30, 0));
    EXPECT_EQ(once.Schedule, "Once at 12/24/26  18:30:00");
    EXPECT_EQ(once.ScheduleLabel, " Run once at 12/24/26  18:30:00");
    EXPECT_EQ(once.NextRunLabel, " Next Run: 12/24/26  18:30:00");
    EXPECT_EQ(*once.NextRun, At(2026, 12, 24, 18, 30));

    const ScheduleChoice every = ScheduleEvery(2, 15, now);
    EXPECT_EQ(every.Schedule, "Every 2 hours, 15 mins");
    EXPECT_EQ(every.ScheduleLabel, " Run every 2 hours, 15 mins");
    EXPECT_NEAR(*every.NextRun, At(2026, 12, 9, 12, 15), 1e-9);

    const ScheduleChoice daily = ScheduleDaily(EncodeTime(9, 0, 0), now);
    EXPECT_EQ(daily.Schedule, "Daily at 09:00:00");
    EXPECT_EQ(*daily.NextRun, At(2026, 12, 10, 9, 0));

    WeekDaysMonFirst days{};
    days[0] = days[4] = true;  // Mon, Fri
    const ScheduleChoice weekly = ScheduleWeekly(days, EncodeTime(7, 5, 0), now);
    EXPECT_EQ(weekly.Days, "Mon, Fri");
    EXPECT_EQ(weekly.Schedule, "Weekly every Mon, Fri at 07:05:00");
    EXPECT_EQ(weekly.ScheduleLabel, " Run every Mon, Fri of every week at 07:05:00");
    EXPECT_EQ(*weekly.NextRun, At(2026, 12, 11, 7, 5));
}

TEST(ScheduleTexts, StayFixedWhateverTheDisplayFormats) {
    const FormatSettings saved = DisplayFormats();
    DisplayFormats().ShortDateFormat = "dd.mm.yyyy";
    DisplayFormats().DateSeparator = '.';
    DisplayFormats().TimeSeparator = '-';
    EXPECT_EQ(ScheduleOnce(EncodeDate(2026, 1, 2), EncodeTime(3, 4, 5)).Schedule, "Once at 01/2/26  03:04:05");
    DisplayFormats() = saved;
}

TEST(ScheduleEvery, ZeroIntervalIsDueAtOnceAndBoxesClamp) {
    const TDateTime now = At(2026, 12, 9, 10, 0, 0);
    EXPECT_EQ(*ScheduleEvery(0, 0, now).NextRun, now);
    std::string hours = "30", mins = "75", empty = "", negative = "-4", junk = "4x";
    EXPECT_EQ(ReadIntervalBox(hours, 23), 23);
    EXPECT_EQ(hours, "23");
    EXPECT_EQ(ReadIntervalBox(mins, 59), 59);
    EXPECT_EQ(mins, "59");
    EXPECT_EQ(ReadIntervalBox(empty, 23), 0);
    EXPECT_EQ(empty, "0");
    EXPECT_EQ(ReadIntervalBox(negative, 23), 0);
    EXPECT_FALSE(ReadIntervalBox(junk, 23).has_value());
    EXPECT_EQ(junk, "4x");
}

TEST(ScheduleDaily, TimeEqualToNowIsTodayOneSecondLaterTomorrow) {
    EXPECT_EQ(*ScheduleDaily(EncodeTime(10, 0, 0), At(2026, 12, 9, 10, 0, 0)).NextRun, At(2026, 12, 9, 10, 0));
    EXPECT_EQ(*ScheduleDaily(EncodeTime(10, 0, 0), At(2026, 12, 9, 10, 0, 1)).NextRun, At(2026, 12, 10, 10, 0));
}

TEST(ScheduleWeekly, OnlyTodayTickedBeforeAndAfterTheTime) {
    WeekDaysMonFirst wed{};
    wed[2] = true;
    EXPECT_EQ(*ScheduleWeekly(wed, EncodeTime(15, 0, 0), At(2026, 12, 9, 10, 0)).NextRun, At(2026, 12, 9, 15, 0));
    EXPECT_EQ(*ScheduleWeekly(wed, EncodeTime(9, 0, 0), At(2026, 12, 9, 10, 0)).NextRun, At(2026, 12, 16, 9, 0));
    const ScheduleChoice none = ScheduleWeekly(WeekDaysMonFirst{}, EncodeTime(9, 0, 0), At(2026, 12, 9, 10, 0));
    EXPECT_FALSE(none.NextRun.has_value());
    EXPECT_EQ(none.Schedule, "Weekly every  at 09:00:00");
}

TEST(ScheduleReschedule, NowClearsTheTextAndOnceAndUnknownFormsStayUnchanged) {
    const TDateTime now = At(2026, 12, 9, 10, 0);
    const RescheduleOutcome now_rule = Reschedule("Now", 123.0, now);
    EXPECT_TRUE(now_rule.Changed);
    EXPECT_FALSE(now_rule.SetScheduled);
    EXPECT_EQ(now_rule.NextRun, 0.0);
    EXPECT_EQ(now_rule.Schedule, "");
    for (const char* text : {"Once at 12/24/26  18:30:00", "12/24/26 18:30", "", "Sometimes",
                             "Every x hours, 5 mins", "Every 5 hours", "Weekly every  at 09:00:00",
                             "Weekly at 09:00:00"}) {
        const RescheduleOutcome r = Reschedule(text, 45000.5, now);
        EXPECT_FALSE(r.Changed) << text;
        EXPECT_EQ(r.NextRun, 45000.5) << text;
        EXPECT_EQ(r.Schedule, text);
    }
}

TEST(ScheduleReschedule, EveryCountsFromNowAndNegativeNumbersCountAsZero) {
    const TDateTime now = At(2026, 12, 9, 10, 0);
    const RescheduleOutcome r = Reschedule("Every 1 hours, 30 mins", 0, now);
    EXPECT_TRUE(r.Changed && r.SetScheduled);
    EXPECT_NEAR(r.NextRun, At(2026, 12, 9, 11, 30), 1e-9);
    EXPECT_EQ(Reschedule("Every -3 hours, -1 mins", 0, now).NextRun, now);
}

TEST(ScheduleReschedule, DailyThreeDaysLateStepsToTheFirstFutureSlotWithoutDrift) {
    TDateTime next = At(2026, 12, 6, 2, 30);
    TDateTime now = At(2026, 12, 9, 10, 0);
    RescheduleOutcome r = Reschedule("Daily at 02:30:00", next, now);
    EXPECT_EQ(r.NextRun, At(2026, 12, 10, 2, 30));
    // A thousand runs, each a little after its slot: the slot keeps its exact wall time.
    next = r.NextRun;
    for (int i = 0; i < 1000; ++i) {
        now = next + EncodeTime(0, 1, 0);
        next = Reschedule("Daily at 02:30:00", next, now).NextRun;
    }
    const DateTimeParts p = DecodeDateTime(next);
    EXPECT_EQ(p.hour, 2);
    EXPECT_EQ(p.minute, 30);
    EXPECT_EQ(p.second, 0);
    EXPECT_EQ(p.msec, 0);
    EXPECT_EQ(DateOf(next), EncodeDate(2026, 12, 10) + 1000);
}

TEST(ScheduleReschedule, DailyWithoutANextRunTakesTheTimeFromTheText) {
    const TDateTime now = At(2026, 12, 9, 10, 0);
    EXPECT_EQ(Reschedule("Daily at 11:00:00", 0, now).NextRun, At(2026, 12, 9, 11, 0));
    EXPECT_EQ(Reschedule("Daily at 09:00:00", 0, now).NextRun, At(2026, 12, 10, 9, 0));
    EXPECT_EQ(Reschedule("Daily at 9:00:00 PM", 0, now).NextRun, At(2026, 12, 9, 21, 0));
}

TEST(ScheduleReschedule, WeeklyFindsTheNextTickedDay) {
    const TDateTime now = At(2026, 12, 9, 10, 0);  // Wednesday
    EXPECT_EQ(Reschedule("Weekly every Mon, Fri at 08:00:00", At(2026, 12, 7, 8, 0), now).NextRun,
              At(2026, 12, 11, 8, 0));
    EXPECT_EQ(Reschedule("Weekly every Wed at 08:00:00", At(2026, 11, 4, 8, 0), now).NextRun, At(2026, 12, 16, 8, 0));
}

TEST(ScheduleDst, WallClockSlotsAcrossDaylightSavingChanges) {
    ScopedTimeZone tz("America/New_York");
    // Spring forward on 2026-03-08: 02:30 never shows on the clock; the first tick after it is 03:00,
    // which is past the slot, so the task is due then, and the next slot is the following 02:30.
    const TDateTime slot = At(2026, 3, 8, 2, 30);
    const TDateTime first_tick = FromTimeT(ToTimeT(At(2026, 3, 8, 1, 59, 59)) + 1);
    EXPECT_EQ(FormatFixedDateTime(first_tick), "03/08/2026 03:00:00");
    EXPECT_GE(first_tick, slot);
    EXPECT_EQ(Reschedule("Daily at 02:30:00", slot, first_tick).NextRun, At(2026, 3, 9, 2, 30));
    // Fall back on 2026-11-01: 01:30 shows twice; after the first run the slot has moved to the next
    // day, so the second 01:30 does not run it again.
    const std::time_t first = ToTimeT(At(2026, 11, 1, 1, 30));
    const TDateTime next = Reschedule("Daily at 01:30:00", At(2026, 11, 1, 1, 30), FromTimeT(first)).NextRun;
    EXPECT_EQ(next, At(2026, 11, 1, 1, 30));  // due now, not yet stepped
    const TDateTime after_run = Reschedule("Daily at 01:30:00", next, FromTimeT(first + 60)).NextRun;
    EXPECT_EQ(after_run, At(2026, 11, 2, 1, 30));
    EXPECT_LT(FromTimeT(first + 3600), after_run);  // the repeated 01:30 is not due
}

}  // namespace
}  // namespace corvane
