#include "platform/wininet/request_text.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace corvane::wininet {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    if (text.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

std::string HeaderName(const std::string& line) {
    const auto colon = line.find(':');
    std::string name = line.substr(0, colon);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    return name;
}

std::string HeaderValue(const std::string& line) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) return {};
    std::size_t start = colon + 1;
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
    return line.substr(start);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && StartsWithNoCase(a, b.c_str());
}

std::string AddressText(const struct sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    else if (address->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text, sizeof text);
    return text;
}

int ParseStatusCode(const std::string& status_line) {
    const auto blank = status_line.find(' ');
    if (blank == std::string::npos) return 0;
    int code = 0;
    for (std::size_t i = blank + 1; i < status_line.size() && i < blank + 4; ++i) {
        const char c = status_line[i];
        if (c < '0' || c > '9') return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

bool ValidContentLength(const std::vector<std::string>& lines) {
    std::string seen;
    for (const auto& line : lines) {
        if (!SameName(HeaderName(line), "Content-Length")) continue;
        std::string value = HeaderValue(line);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
        std::size_t start = 0;
        for (;;) {
            const auto comma = value.find(',', start);
            std::string item = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            const auto first = item.find_first_not_of(" \t");
            const auto last = item.find_last_not_of(" \t");
            item = first == std::string::npos ? std::string() : item.substr(first, last - first + 1);
            if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos) return false;
            item.erase(0, std::min(item.find_first_not_of('0'), item.size() - 1));
            if (item.size() > 18) return false;  // 10^18 bytes and more: no real body
            if (!seen.empty() && seen != item) return false;
            seen = item;
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    }
    return true;
}

std::string ResolveLocation(const std::string& current, const std::string& location) {
    CURLU* url = curl_url();
    if (!url) return {};
    std::string resolved;
    if (curl_url_set(url, CURLUPART_URL, current.c_str(), CURLU_PATH_AS_IS) == CURLUE_OK &&
        curl_url_set(url, CURLUPART_URL, location.c_str(), CURLU_URLENCODE | CURLU_ALLOW_SPACE | CURLU_PATH_AS_IS) ==
            CURLUE_OK) {
        char* text = nullptr;
        if (curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK && text) resolved = text;
        curl_free(text);
    }
    curl_url_cleanup(url);
    return resolved;
}

}  // namespace corvane::wininet
