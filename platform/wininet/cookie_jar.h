#pragma once
// Internal to the handle layer: the process-wide cookie jar, kept as lines in the Netscape format
// libcurl imports and exports (domain, subdomains flag, path, secure, expiry, name, value, TAB
// separated; "#HttpOnly_" before the domain of an HTTP-only cookie).
//
// Cookies are filed by the host their domain names, so a request picks only those of its own host
// and its parent domains; libcurl then applies the path, secure and expiry tests. The jar keeps at
// most kMaxPerHost cookies per host and kMaxTotal in all, dropping the ones set longest ago, so a
// site that sets cookies on every page cannot make each request slower than the last.

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace corvane::wininet {

class CookieJar {
public:
    static constexpr std::size_t kMaxPerHost = 180;
    static constexpr std::size_t kMaxTotal = 3000;

    // The cookies a request to host may carry: those of the host and of each domain above it.
    std::vector<std::string> LinesFor(const std::string& host) const;
    // After a request: the lines it loaded and the lines its cookie store holds now. New and changed
    // lines are stored; a loaded line the store no longer holds was deleted or expired by the server.
    void Merge(const std::vector<std::string>& loaded, const std::vector<std::string>& now);

    std::size_t Count() const;
    std::size_t CountFor(const std::string& host) const;  // filed under exactly this host
    void Clear();

private:
    struct Entry {
        std::string line;
        std::uint64_t serial;  // when it was last set; the smallest goes first
    };
    using HostCookies = std::map<std::string, Entry>;  // path TAB name -> cookie

    void Store(const std::string& line);
    void Erase(const std::string& host, HostCookies::iterator it);
    void Trim(const std::string& host);

    mutable std::mutex mutex_;
    std::map<std::string, HostCookies> hosts_;
    std::map<std::uint64_t, std::pair<std::string, std::string>> by_age_;  // serial -> host, key
    std::uint64_t next_serial_ = 0;
};

// The jar every request of the process shares.
CookieJar& ProcessCookieJar();

}  // namespace corvane::wininet
