#include "engine/run/dispatch_rules.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "platform/rtl/string_list.h"

namespace corvane {

TPickKind PickFirstKind(std::int32_t pages_picked, std::int32_t resources_picked, int priority) {
    const double total = static_cast<double>(pages_picked) + static_cast<double>(resources_picked);
    if (total > 0) {
        const double share = static_cast<double>(pages_picked) / total;
        const double threshold = std::abs(priority - 10) / 10.0;
        if (share > threshold) return TPickKind::Resource;
    }
    return TPickKind::Page;
}

std::optional<std::int64_t> ChartSeconds(TDateTime elapsed) {
    if (!(elapsed > 0)) return std::nullopt;
    // Whole milliseconds first, as the time decoding of the class library does.
    const auto ms = static_cast<std::int64_t>(std::llround(elapsed * 86400000.0));
    const std::int64_t seconds = ms / 1000;
    if (seconds % 60 == 0) return std::nullopt;
    return seconds;
}

bool ChartTakesPoint(double last_x, std::int64_t seconds, int step) {
    if (step <= 0 || seconds % step != 0) return false;
    return std::llround(last_x) < seconds;
}

std::vector<std::size_t> ConnectionsToRelease(const std::vector<bool>& busy, int n) {
    std::vector<std::size_t> release;
    if (n < 0) n = 0;
    std::size_t count = busy.size();
    for (std::size_t i = busy.size(); i > 0 && count > static_cast<std::size_t>(n); --i) {
        if (!busy[i - 1]) {
            release.push_back(i - 1);
            --count;
        }
    }
    return release;
}

bool IsWebURL(const std::string& url) {
    return SameText(url.substr(0, 7), "http://") || SameText(url.substr(0, 8), "https://");
}

std::int32_t ParseContentLength(const std::string& value) {
    std::size_t i = 0;
    while (i < value.size() && value[i] == ' ') ++i;
    std::size_t end = i;
    if (end < value.size() && (value[end] == '+' || value[end] == '-')) ++end;
    const std::size_t digits = end;
    while (end < value.size() && value[end] >= '0' && value[end] <= '9') ++end;
    if (end == digits || end != value.size()) return 0;
    const long long number = std::strtoll(value.c_str() + i, nullptr, 10);
    if (number < INT32_MIN || number > INT32_MAX) return 0;
    return static_cast<std::int32_t>(number);
}

std::string StatusFromCode(const std::string& status_line) {
    const auto blank = status_line.find(' ');
    if (blank == std::string::npos) return {};
    return status_line.substr(blank + 1);
}

namespace {

struct Origin {
    bool secure = false;
    std::string host;
    std::string port;
};

// Scheme, host and port of a web URL; a login written into the URL is not part of the host.
Origin OriginOf(const std::string& url) {
    Origin origin;
    origin.secure = SameText(url.substr(0, 8), "https://");
    std::string authority = url.substr(origin.secure ? 8 : 7);
    authority = authority.substr(0, authority.find_first_of("/?#\\"));
    if (const auto at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);
    std::size_t colon = std::string::npos;
    if (!authority.empty() && authority[0] == '[') {
        const auto close = authority.find(']');
        if (close != std::string::npos && close + 1 < authority.size() && authority[close + 1] == ':')
            colon = close + 1;
    } else {
        colon = authority.rfind(':');
    }
    origin.host = LowerCase(authority.substr(0, colon));
    origin.port = colon == std::string::npos ? std::string() : authority.substr(colon + 1);
    if (origin.port.empty()) origin.port = origin.secure ? "443" : "80";
    return origin;
}

}  // namespace

bool LoginAllowed(const std::string& start_url, const std::string& url) {
    if (!IsWebURL(start_url) || !IsWebURL(url)) return false;
    const Origin start = OriginOf(start_url);
    const Origin target = OriginOf(url);
    if (start.host.empty() || start.host != target.host) return false;
    if (start.secure == target.secure) return start.port == target.port;
    // Plain to secure on the same host: the secure default port or the start's own port.
    if (!start.secure && target.secure) return target.port == "443" || target.port == start.port;
    return false;
}

bool IsLocalWriteFailure(int error) {
    return error == ENOSPC || error == EDQUOT || error == EROFS || error == EIO || error == EFBIG;
}

}  // namespace corvane
