#include "platform/wininet/cookie_jar.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace corvane::wininet {

namespace {

constexpr const char* kHttpOnlyPrefix = "#HttpOnly_";

std::string Lower(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The host a line is filed under and its key there (domain as written, path, name).
bool Split(const std::string& line, std::string& host, std::string& key) {
    std::string fields[7];
    std::size_t start = 0;
    for (int i = 0; i < 7; ++i) {
        const auto tab = line.find('\t', start);
        if (tab == std::string::npos && i < 6) return false;
        fields[i] = line.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
        start = tab + 1;
    }
    std::string domain = fields[0];
    if (domain.rfind(kHttpOnlyPrefix, 0) == 0) domain.erase(0, std::char_traits<char>::length(kHttpOnlyPrefix));
    host = Lower(domain);
    while (!host.empty() && host.front() == '.') host.erase(0, 1);
    if (host.empty()) return false;
    key = Lower(domain) + '\t' + fields[2] + '\t' + fields[5];
    return true;
}

}  // namespace

std::vector<std::string> CookieJar::LinesFor(const std::string& host) const {
    std::string name = Lower(host);
    std::vector<std::string> lines;
    std::lock_guard lock(mutex_);
    for (;;) {
        const auto it = hosts_.find(name);
        if (it != hosts_.end())
            for (const auto& [key, entry] : it->second) lines.push_back(entry.line);
        // IP addresses have no parent domains.
        const auto dot = name.find('.');
        if (dot == std::string::npos || name.find(':') != std::string::npos ||
            name.find_first_not_of("0123456789.") == std::string::npos)
            break;
        name.erase(0, dot + 1);
    }
    return lines;
}

void CookieJar::Merge(const std::vector<std::string>& loaded, const std::vector<std::string>& now) {
    std::set<std::pair<std::string, std::string>> present;
    std::set<std::string> touched;
    std::lock_guard lock(mutex_);
    for (const auto& line : now) {
        std::string host, key;
        if (!Split(line, host, key)) continue;
        present.emplace(host, key);
        auto& cookies = hosts_[host];
        const auto it = cookies.find(key);
        if (it != cookies.end() && it->second.line == line) continue;  // carried back unchanged
        if (it != cookies.end()) Erase(host, it);
        const std::uint64_t serial = next_serial_++;
        hosts_[host].emplace(key, Entry{line, serial});
        by_age_.emplace(serial, std::make_pair(host, key));
        touched.insert(host);
    }
    for (const auto& line : loaded) {
        std::string host, key;
        if (!Split(line, host, key) || present.count({host, key})) continue;
        const auto found = hosts_.find(host);
        if (found == hosts_.end()) continue;
        const auto it = found->second.find(key);
        if (it != found->second.end() && it->second.line == line) Erase(host, it);
    }
    for (const auto& host : touched) Trim(host);
    while (by_age_.size() > kMaxTotal) {
        const auto [host, key] = by_age_.begin()->second;
        Erase(host, hosts_[host].find(key));
    }
}

void CookieJar::Erase(const std::string& host, HostCookies::iterator it) {
    auto& cookies = hosts_[host];
    by_age_.erase(it->second.serial);
    cookies.erase(it);
    if (cookies.empty()) hosts_.erase(host);
}

void CookieJar::Trim(const std::string& host) {
    const auto found = hosts_.find(host);
    if (found == hosts_.end()) return;
    while (found->second.size() > kMaxPerHost) {
        auto& cookies = found->second;
        const auto oldest = std::min_element(cookies.begin(), cookies.end(), [](const auto& a, const auto& b) {
            return a.second.serial < b.second.serial;
        });
        Erase(host, oldest);
        if (hosts_.find(host) == hosts_.end()) return;
    }
}

std::size_t CookieJar::Count() const {
    std::lock_guard lock(mutex_);
    return by_age_.size();
}

std::size_t CookieJar::CountFor(const std::string& host) const {
    std::lock_guard lock(mutex_);
    const auto it = hosts_.find(Lower(host));
    return it == hosts_.end() ? 0 : it->second.size();
}

void CookieJar::Clear() {
    std::lock_guard lock(mutex_);
    hosts_.clear();
    by_age_.clear();
}

CookieJar& ProcessCookieJar() {
    // Never destroyed: requests finishing while the process ends may still merge into it.
    static CookieJar& jar = *new CookieJar;
    return jar;
}

}  // namespace corvane::wininet
