#pragma once
// The small rules of the dispatcher and its connections, kept apart from the threads so that they
// can be reasoned about (and tested) on their own.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/date_time.h"

namespace corvane {

enum class TPickKind { Page, Resource };

// The kind the dispatcher tries first, given the picks of this run and App's Priority (0 to 10):
// resources first once the share of pages is above |Priority - 10| / 10, else pages.
TPickKind PickFirstKind(std::int32_t pages_picked, std::int32_t resources_picked, int priority);

// The chart's X value for an elapsed time: its total seconds. None when the seconds within the
// minute are 0 (a whole minute adds no point).
std::optional<std::int64_t> ChartSeconds(TDateTime elapsed);
// Whether a point at `seconds` joins a series whose last point lies at last_x: at most one point per
// elapsed second, and only on multiples of step.
bool ChartTakesPoint(double last_x, std::int64_t seconds, int step);

// Which connections to release to bring the pool towards n: walking from the last towards the first,
// every idle one until the count is n. Busy connections stay, so the count may stay above n.
std::vector<std::size_t> ConnectionsToRelease(const std::vector<bool>& busy, int n);

// "http://" or "https://" at the start, in any letter case.
bool IsWebURL(const std::string& url);
// The "CONTENT-LENGTH" header's value: leading blanks allowed; anything that is not a number is 0.
std::int32_t ParseContentLength(const std::string& value);
// The status line from the character after its first blank ("404 Not Found"); '' without a blank.
std::string StatusFromCode(const std::string& status_line);
// Whether a failed write is the local disk's fault (no space, quota, read-only, I/O error) rather
// than the URL's: the run then stops instead of recording every later item as failed.
bool IsLocalWriteFailure(int error);

// Whether the task's site login may go with a request for url: only to the start URL's host and port.
// An http start URL lets it go to https on the same host too; an https one never sends it over http.
bool LoginAllowed(const std::string& start_url, const std::string& url);

}  // namespace corvane
