// Splitting URLs and the escaping rules of request targets.

#include "platform/wininet/wininet.h"

#include <cctype>

namespace corvane {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}

}  // namespace

std::string EncodeRequestTarget(const std::string& target) {
    return PercentEncode(target, [](unsigned char b) {
        return b <= 0x20 || b >= 0x7F || b == '"' || b == '<' || b == '>' || b == '\\' || b == '^' || b == '`' ||
               b == '{' || b == '|' || b == '}';
    });
}

namespace {

// The scheme before the colon: its number and default port. 0 or the failure.
DWORD CrackScheme(const std::string& text, std::size_t colon, URL_COMPONENTSA& parts, INTERNET_PORT& default_port) {
    if (colon == std::string::npos || colon == 0) return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = text[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    }
    parts.scheme = text.substr(0, colon);
    const std::string scheme = Lower(parts.scheme);
    default_port = 0;
    if (scheme == "http") {
        parts.nScheme = INTERNET_SCHEME_HTTP;
        default_port = INTERNET_DEFAULT_HTTP_PORT;
    } else if (scheme == "https") {
        parts.nScheme = INTERNET_SCHEME_HTTPS;
        default_port = INTERNET_DEFAULT_HTTPS_PORT;
    } else if (scheme == "ftp") {
        parts.nScheme = INTERNET_SCHEME_FTP;
        default_port = INTERNET_DEFAULT_FTP_PORT;
    } else if (scheme == "gopher") {
        parts.nScheme = INTERNET_SCHEME_GOPHER;
        default_port = 70;
    } else if (scheme == "file") {
        parts.nScheme = INTERNET_SCHEME_FILE;
    } else {
        parts.nScheme = INTERNET_SCHEME_UNKNOWN;
    }
    return 0;
}

// A port of decimal digits, 1 to 65535. 0 or the failure.
DWORD CrackPort(const std::string& port_text, INTERNET_PORT& port_out) {
    unsigned long port = 0;
    for (const char d : port_text) {
        if (!std::isdigit(static_cast<unsigned char>(d))) return ERROR_INTERNET_INVALID_URL;
        port = port * 10 + static_cast<unsigned long>(d - '0');
        if (port > 65535) return ERROR_INTERNET_INVALID_URL;
    }
    if (port == 0) return ERROR_INTERNET_INVALID_URL;
    port_out = static_cast<INTERNET_PORT>(port);
    return 0;
}

// "user:password@host:port" (the host may be a bracketed IPv6 address). 0 or the failure.
DWORD CrackAuthority(const std::string& authority, INTERNET_PORT default_port, URL_COMPONENTSA& parts) {
    std::string hostport = authority;
    const auto at = authority.rfind('@');
    if (at != std::string::npos) {
        const std::string userinfo = authority.substr(0, at);
        hostport = authority.substr(at + 1);
        const auto c = userinfo.find(':');
        parts.userName = userinfo.substr(0, c);
        if (c != std::string::npos) parts.password = userinfo.substr(c + 1);
    }
    std::string port_text;
    if (!hostport.empty() && hostport[0] == '[') {
        const auto close = hostport.find(']');
        if (close == std::string::npos) return ERROR_INTERNET_INVALID_URL;
        parts.hostName = hostport.substr(1, close - 1);
        const std::string rest = hostport.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') return ERROR_INTERNET_INVALID_URL;
            port_text = rest.substr(1);
        }
    } else {
        const auto c = hostport.rfind(':');
        parts.hostName = hostport.substr(0, c);
        if (c != std::string::npos) port_text = hostport.substr(c + 1);
    }
    parts.nPort = default_port;
    return port_text.empty() ? 0 : CrackPort(port_text, parts.nPort);
}

}  // namespace

bool InternetCrackUrlA(const char* url, DWORD url_length, DWORD flags, URL_COMPONENTSA* components) {
    if (!url || !components) return Fail(ERROR_INVALID_PARAMETER);
    const std::string text = url_length ? std::string(url, url_length) : std::string(url);
    URL_COMPONENTSA parts;

    const auto colon = text.find(':');
    INTERNET_PORT default_port = 0;
    if (const DWORD error = CrackScheme(text, colon, parts, default_port)) return Fail(error);

    std::size_t pos = colon + 1;
    if (text.compare(pos, 2, "//") != 0) {
        // No authority: everything after the colon is the path.
        parts.urlPath = text.substr(pos);
    } else {
        pos += 2;
        const auto authority_end = text.find_first_of("/?#", pos);
        const std::string authority =
            text.substr(pos, authority_end == std::string::npos ? std::string::npos : authority_end - pos);
        if (const DWORD error = CrackAuthority(authority, default_port, parts)) return Fail(error);
        if (authority_end != std::string::npos) {
            const std::string rest = text.substr(authority_end);
            const auto extra = rest.find_first_of("?#");
            parts.urlPath = rest.substr(0, extra);
            if (extra != std::string::npos) parts.extraInfo = rest.substr(extra);
        }
    }
    for (const char c : parts.hostName) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b == 0x7F || c == '%' || c == '\\') return Fail(ERROR_INTERNET_INVALID_URL);
    }
    if (flags & ICU_DECODE) {
        parts.userName = PercentDecode(parts.userName);
        parts.password = PercentDecode(parts.password);
        parts.urlPath = PercentDecode(parts.urlPath);
        parts.extraInfo = PercentDecode(parts.extraInfo);
    }
    *components = std::move(parts);
    SetLastError(ERROR_SUCCESS);
    return true;
}

}  // namespace corvane
