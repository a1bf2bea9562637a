#include "engine/model/schedule_rules.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "platform/rtl/string_list.h"

namespace corvane {
namespace {

const char* const kDayNamesMonFirst[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
// Weekday (0 Sunday) of each entry above.
const int kWeekdayOfMonFirst[] = {1, 2, 3, 4, 5, 6, 0};

// Whole seconds of the day, so that comparisons of clock times are exact.
long SecondsOfDay(TDateTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    return (p.hour * 60L + p.minute) * 60L + p.second;
}

TDateTime AtSeconds(TDateTime day, long seconds) {
    return DateOf(day) + EncodeTime(static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                                    static_cast<int>(seconds % 60));
}

std::string NextRunLabel(TDateTime next_run) {
    return " Next Run: " + ScheduleDateText(next_run) + "  " + ScheduleTimeText(next_run);
}

// Reads "h:nn[:ss]" with an optional "AM"/"PM" (older files used the locale's long time). Returns the
// seconds of the day, or -1.
long ParseTimeOfDay(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    long parts[3] = {0, 0, 0};
    int count = 0;
    while (count < 3) {
        if (i >= n || !std::isdigit(static_cast<unsigned char>(text[i]))) return -1;
        long v = 0;
        int digits = 0;
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (++digits > 2) return -1;
            v = v * 10 + (text[i++] - '0');
        }
        parts[count++] = v;
        if (i < n && text[i] == ':') {
            ++i;
            continue;
        }
        break;
    }
    if (count < 2) return -1;
    while (i < n && text[i] == ' ') ++i;
    std::string suffix = text.substr(i);
    while (!suffix.empty() && suffix.back() == ' ') suffix.pop_back();
    long hour = parts[0];
    if (!suffix.empty()) {
        const bool am = SameText(suffix, "AM"), pm = SameText(suffix, "PM");
        if ((!am && !pm) || hour < 1 || hour > 12) return -1;
        hour = hour % 12 + (pm ? 12 : 0);
    }
    if (hour > 23 || parts[1] > 59 || parts[2] > 59) return -1;
    return (hour * 60 + parts[1]) * 60 + parts[2];
}

// Reads a whole integer (optional sign, surrounding blanks). Returns false for anything else.
bool ParseInteger(const std::string& text, long& value) {
    std::size_t b = text.find_first_not_of(' ');
    std::size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos) return false;
    const std::string t = text.substr(b, e - b + 1);
    char* end = nullptr;
    errno = 0;
    value = std::strtol(t.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0' && end != t.c_str() && (std::isdigit(static_cast<unsigned char>(t.back())));
}

// The text after the first start marker up to the first end marker after it, or nothing.
std::optional<std::string> Between(const std::string& text, const std::string& start, const std::string& end) {
    const auto s = text.find(start);
    if (s == std::string::npos) return std::nullopt;
    const auto from = s + start.size();
    const auto e = text.find(end, from);
    if (e == std::string::npos) return std::nullopt;
    return text.substr(from, e - from);
}

bool StartsWith(const std::string& text, const char* word) { return text.rfind(word, 0) == 0; }

// Steps a run of day + time forward one calendar day at a time until it is no longer before "now"
// and falls on a wanted weekday. The clock time is re-applied to each day, so nothing drifts.
TDateTime StepToSlot(TDateTime day, long seconds, TDateTime now, const std::array<bool, 7>& weekdays) {
    TDateTime candidate = AtSeconds(day, seconds);
    if (now > candidate) {
        // Skip whole days at once (a task may be weeks late); the loop below finishes the job.
        const double late_days = std::floor(now - candidate);
        if (late_days > 1) candidate = AtSeconds(DateOf(candidate) + late_days - 1, seconds);
    }
    for (int guard = 0; guard < 16 && (now > candidate || !weekdays[static_cast<std::size_t>(DayOfWeekZero(candidate))]);
         ++guard)
        candidate = AtSeconds(DateOf(candidate) + 1.0, seconds);
    return candidate;
}

const std::array<bool, 7> kEveryDay = {true, true, true, true, true, true, true};

}  // namespace

const FormatSettings& ScheduleFormats() {
    static const FormatSettings fixed = [] {
        FormatSettings f;
        f.ShortDateFormat = "MM/d/yy";
        f.LongTimeFormat = "hh:nn:ss";
        f.DateSeparator = '/';
        f.TimeSeparator = ':';
        return f;
    }();
    return fixed;
}

std::string ScheduleDateText(TDateTime value) { return FormatDateTime("MM/d/yy", value, ScheduleFormats()); }
std::string ScheduleTimeText(TDateTime value) { return FormatDateTime("hh:nn:ss", value, ScheduleFormats()); }

ScheduleChoice ScheduleOnce(TDateTime date, TDateTime time_of_day) {
    ScheduleChoice c;
    const TDateTime next = AtSeconds(date, SecondsOfDay(time_of_day));
    const std::string when = ScheduleDateText(date) + "  " + ScheduleTimeText(time_of_day);
    c.NextRun = next;
    c.NextRunLabel = " Next Run: " + when;
    c.Schedule = "Once at " + when;
    c.ScheduleLabel = " Run once at " + when;
    return c;
}

ScheduleChoice ScheduleEvery(int hours, int minutes, TDateTime now) {
    ScheduleChoice c;
    const TDateTime next = now + hours / 24.0 + minutes / 1440.0;
    c.NextRun = next;
    c.NextRunLabel = NextRunLabel(next);
    const std::string every = std::to_string(hours) + " hours, " + std::to_string(minutes) + " mins";
    c.Schedule = "Every " + every;
    c.ScheduleLabel = " Run every " + every;
    return c;
}

ScheduleChoice ScheduleDaily(TDateTime time_of_day, TDateTime now) {
    ScheduleChoice c;
    const long t = SecondsOfDay(time_of_day);
    const TDateTime next = SecondsOfDay(now) <= t ? AtSeconds(now, t) : AtSeconds(DateOf(now) + 1.0, t);
    c.NextRun = next;
    c.NextRunLabel = NextRunLabel(next);
    c.Schedule = "Daily at " + ScheduleTimeText(next);
    c.ScheduleLabel = " Run daily at " + ScheduleTimeText(next);
    return c;
}

ScheduleChoice ScheduleWeekly(const WeekDaysMonFirst& days, TDateTime time_of_day, TDateTime now) {
    ScheduleChoice c;
    for (std::size_t i = 0; i < days.size(); ++i)
        if (days[i]) c.Days += std::string(c.Days.empty() ? "" : ", ") + kDayNamesMonFirst[i];
    const std::string at = ScheduleTimeText(time_of_day);
    c.ScheduleLabel = " Run every " + c.Days + " of every week at " + at;
    c.Schedule = "Weekly every " + c.Days + " at " + at;
    if (c.Days.empty()) return c;  // nothing to step to: the previous next run stays
    const TDateTime next = StepToSlot(now, SecondsOfDay(time_of_day), now, WeekdayFlags(c.Days));
    c.NextRun = next;
    c.NextRunLabel = NextRunLabel(next);
    return c;
}

std::optional<int> ReadIntervalBox(std::string& text, int maximum) {
    if (text.find_first_not_of(' ') == std::string::npos) {
        text = "0";
        return 0;
    }
    long value = 0;
    if (!ParseInteger(text, value)) return std::nullopt;
    if (value > maximum) {
        value = maximum;
        text = std::to_string(maximum);
    } else if (value < 0) {
        value = 0;
        text = "0";
    }
    return static_cast<int>(value);
}

std::array<bool, 7> WeekdayFlags(const std::string& text) {
    std::array<bool, 7> flags{};
    for (std::size_t i = 0; i < 7; ++i)
        if (text.find(kDayNamesMonFirst[i]) != std::string::npos)
            flags[static_cast<std::size_t>(kWeekdayOfMonFirst[i])] = true;
    return flags;
}

RescheduleOutcome Reschedule(const std::string& schedule, TDateTime next_run, TDateTime now) {
    RescheduleOutcome out;
    out.NextRun = next_run;
    out.Schedule = schedule;

    if (StartsWith(schedule, "Now")) {
        out.Changed = true;
        out.NextRun = 0;
        out.Schedule.clear();
        return out;
    }
    if (StartsWith(schedule, "Every")) {
        const auto hours_text = Between(schedule, "Every ", " hours");
        const auto mins_text = Between(schedule, "hours, ", " mins");
        long hours = 0, minutes = 0;
        if (!hours_text || !mins_text || !ParseInteger(*hours_text, hours) || !ParseInteger(*mins_text, minutes))
            return out;  // unreadable: nothing changed, nothing saved
        if (hours < 0) hours = 0;
        if (minutes < 0) minutes = 0;
        out.Changed = out.SetScheduled = true;
        out.NextRun = now + static_cast<double>(hours) / 24.0 + static_cast<double>(minutes) / 1440.0;
        return out;
    }
    const bool daily = StartsWith(schedule, "Daily");
    const bool weekly = StartsWith(schedule, "Weekly");
    if (!daily && !weekly) return out;  // "Once", the date-and-time form, empty or unknown

    const std::array<bool, 7> weekdays = daily ? kEveryDay : WeekdayFlags(schedule);
    bool any_day = false;
    for (bool d : weekdays) any_day = any_day || d;
    if (!any_day) return out;  // a weekly text without a day could never be due

    // The clock time comes from the text (" at " starts it in both forms); the day from the last
    // next run, or today when there was none.
    const auto at = schedule.rfind(" at ");
    long seconds = at == std::string::npos ? -1 : ParseTimeOfDay(schedule.substr(at + 4));
    if (seconds < 0) {
        if (next_run == 0) return out;
        seconds = SecondsOfDay(next_run);
    }
    const TDateTime day = next_run == 0 ? DateOf(now) : DateOf(next_run);
    out.Changed = out.SetScheduled = true;
    out.NextRun = StepToSlot(day, seconds, now, weekdays);
    return out;
}

}  // namespace corvane
