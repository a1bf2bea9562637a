#pragma once
// Schedule texts and next-run arithmetic, free of any window or clock: every function takes "now".
//
// Texts: "Now", "Once at <date>  <time>", "Every <h> hours, <m> mins", "Daily at <time>",
// "Weekly every <Mon, Tue, ...> at <time>". Dates and times in these texts always use the fixed formats
// below, whatever display formats a language applies, so stored schedules stay readable.

#include <array>
#include <optional>
#include <string>

#include "platform/rtl/date_time.h"

namespace corvane {

// "MM/d/yy" and "hh:nn:ss", with "/" and ":" as separators.
const FormatSettings& ScheduleFormats();
std::string ScheduleDateText(TDateTime value);
std::string ScheduleTimeText(TDateTime value);

// What the schedule dialog shows and stores for one rule.
struct ScheduleChoice {
    std::string Schedule;        // the text stored in the task
    std::string ScheduleLabel;   // " Run ..." description
    std::string NextRunLabel;    // " Next Run: <date>  <time>" (empty when NextRun is unknown)
    std::optional<TDateTime> NextRun;  // empty: keep the previous value (weekly rule without a day)
    std::string Days;            // weekly rule: ticked day names joined by ", "
};

// Ticked days of the weekly rule, in the dialog's order Mon, Tue, Wed, Thu, Fri, Sat, Sun.
using WeekDaysMonFirst = std::array<bool, 7>;

ScheduleChoice ScheduleOnce(TDateTime date, TDateTime time_of_day);
ScheduleChoice ScheduleEvery(int hours, int minutes, TDateTime now);  // hours 0..23, minutes 0..59
ScheduleChoice ScheduleDaily(TDateTime time_of_day, TDateTime now);
ScheduleChoice ScheduleWeekly(const WeekDaysMonFirst& days, TDateTime time_of_day, TDateTime now);

// The interval boxes of the "Every" rule: an empty text reads 0, a value above the maximum is set to
// the maximum, a negative one to 0. Returns nothing for text that is not a number; the box text is
// corrected in place.
std::optional<int> ReadIntervalBox(std::string& text, int maximum);

// The weekday flags (0 Sunday to 6 Saturday) of the three-letter day names found in a text.
std::array<bool, 7> WeekdayFlags(const std::string& text);

// The next run after a task has ended, by its schedule text.
struct RescheduleOutcome {
    bool Changed = false;          // false: nothing changed, nothing to save
    bool SetScheduled = false;     // the task's status becomes 1 (Scheduled)
    TDateTime NextRun = 0;
    std::string Schedule;
};
RescheduleOutcome Reschedule(const std::string& schedule, TDateTime next_run, TDateTime now);

}  // namespace corvane
