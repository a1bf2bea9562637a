#pragma once
// The texts a request reads: header lines, status lines, Location targets and peer addresses.

#include <sys/socket.h>

#include <string>
#include <vector>

namespace corvane::wininet {

bool StartsWithNoCase(const std::string& text, const char* prefix);
// The name of a header line, without the blanks before its colon.
std::string HeaderName(const std::string& line);
// The value of a header line, without the blanks after its colon.
std::string HeaderValue(const std::string& line);
// Header names compare without regard to case.
bool SameName(const std::string& a, const std::string& b);
// The three-digit code of a status line; 0 when it has none.
int ParseStatusCode(const std::string& status_line);
// The Content-Length headers of one response agree and each is a decimal number that fits a signed
// 64-bit count (a list of equal values, "5, 5", is one value). No header at all is valid too.
bool ValidContentLength(const std::vector<std::string>& lines);
// The absolute URL a Location value leads to, resolved by libcurl's own URL parser with the flags
// it follows redirects with, so the redirect check judges exactly the URL that would be fetched.
// Empty when it cannot be resolved (libcurl would not follow it either).
std::string ResolveLocation(const std::string& current, const std::string& location);
// An IPv4 or IPv6 address as text; empty for any other family.
std::string AddressText(const struct sockaddr* address);

}  // namespace corvane::wininet
