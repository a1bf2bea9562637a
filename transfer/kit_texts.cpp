#include "transfer/kit_texts.h"

#include <cctype>
#include <cstring>

namespace corvane {

namespace {

struct ErrorRow {
    std::uint16_t code;
    const char* name;  // the error constant's name after its leading word, or a text of its own
    bool own_text;
};

// Texts made from a constant name: each word capitalised, joined with blanks, ended with ".".
constexpr ErrorRow kErrors[] = {
    {12001, "INTERNET_OUT_OF_HANDLES", false},
    {12002, "INTERNET_TIMEOUT", false},
    {12003, "INTERNET_EXTENDED_ERROR", false},
    {12004, "INTERNET_INTERNAL_ERROR", false},
    {12005, "INTERNET_INVALID_URL", false},
    {12006, "INTERNET_UNRECOGNIZED_SCHEME", false},
    {12007, "INTERNET_NAME_NOT_RESOLVED", false},
    {12008, "INTERNET_PROTOCOL_NOT_FOUND", false},
    {12009, "INTERNET_INVALID_OPTION", false},
    {12010, "INTERNET_BAD_OPTION_LENGTH", false},
    {12011, "INTERNET_OPTION_NOT_SETTABLE", false},
    {12012, "INTERNET_SHUTDOWN", false},
    {12013, "INTERNET_INCORRECT_USER_NAME", false},
    {12014, "INTERNET_INCORRECT_PASSWORD", false},
    {12015, "INTERNET_LOGIN_FAILURE", false},
    {12016, "INTERNET_INVALID_OPERATION", false},
    {12017, "INTERNET_OPERATION_CANCELLED", false},
    {12018, "INTERNET_INCORRECT_HANDLE_TYPE", false},
    {12019, "INTERNET_INCORRECT_HANDLE_STATE", false},
    {12020, "INTERNET_NOT_PROXY_REQUEST", false},
    {12021, "INTERNET_REGISTRY_VALUE_NOT_FOUND", false},
    {12022, "INTERNET_BAD_REGISTRY_PARAMETER", false},
    {12023, "INTERNET_NO_DIRECT_ACCESS", false},
    {12024, "INTERNET_NO_CONTEXT", false},
    {12025, "INTERNET_NO_CALLBACK", false},
    {12026, "INTERNET_REQUEST_PENDING", false},
    {12027, "INTERNET_INCORRECT_FORMAT", false},
    {12028, "INTERNET_ITEM_NOT_FOUND", false},
    {12029, "INTERNET_CANNOT_CONNECT", false},
    {12030, "INTERNET_CONNECTION_ABORTED", false},
    {12031, "INTERNET_CONNECTION_RESET", false},
    {12032, "INTERNET_FORCE_RETRY", false},
    {12033, "INTERNET_INVALID_PROXY_REQUEST", false},
    {12034, "INTERNET_NEED_UI", false},
    {12036, "INTERNET_HANDLE_EXISTS", false},
    {12037, "The security Certificate has an invalid date (has expired). Check also the SecurityFlags property.", true},
    {12038, "The security Certificate has an invalid name - i.e. it's not the same name as the web site's one. "
            "Check also the SecurityFlags property.", true},
    {12039, "Not allowed HTTP to HTTPS redirection. Check also the SecurityFlags property.", true},
    {12040, "Not allowed HTTPS to HTTP redirection. Check also the SecurityFlags property.", true},
    {12041, "INTERNET_MIXED_SECURITY", false},
    {12042, "INTERNET_CHG_POST_IS_NON_SECURE", false},
    {12043, "INTERNET_POST_IS_NON_SECURE", false},
    {12044, "INTERNET_CLIENT_AUTH_CERT_NEEDED", false},
    {12045, "Invalid Certification Authority.", true},
    {12046, "INTERNET_CLIENT_AUTH_NOT_SETUP", false},
    {12047, "INTERNET_ASYNC_THREAD_FAILED", false},
    {12048, "INTERNET_REDIRECT_SCHEME_CHANGE", false},
    {12049, "INTERNET_DIALOG_PENDING", false},
    {12050, "INTERNET_RETRY_DIALOG", false},
    {12052, "INTERNET_HTTPS_HTTP_SUBMIT_REDIR", false},
    {12053, "INTERNET_INSERT_CDROM", false},
    {12110, "FTP Transfer is currently in progress.", true},
    {12111, "FTP connection dropped.", true},
    {12112, "The FTP server does not support the passive mode.", true},
    {12150, "HTTP_HEADER_NOT_FOUND", false},
    {12151, "HTTP_DOWNLEVEL_SERVER", false},
    {12152, "HTTP_INVALID_SERVER_RESPONSE", false},
    {12153, "HTTP_INVALID_HEADER", false},
    {12154, "HTTP_INVALID_QUERY_REQUEST", false},
    {12155, "HTTP_HEADER_ALREADY_EXISTS", false},
    {12156, "HTTP_REDIRECT_FAILED", false},
    {12157, "INTERNET_SECURITY_CHANNEL_ERROR", false},
    {12158, "INTERNET_UNABLE_TO_CACHE_FILE", false},
    {12159, "INTERNET_TCPIP_NOT_INSTALLED", false},
    {12160, "HTTP_NOT_REDIRECTED", false},
    {12161, "HTTP_COOKIE_NEEDS_CONFIRMATION", false},
    {12162, "HTTP_COOKIE_DECLINED", false},
    {12163, "INTERNET_DISCONNECTED", false},
    {12164, "INTERNET_SERVER_UNREACHABLE", false},
    {12165, "INTERNET_PROXY_SERVER_UNREACHABLE", false},
    {12166, "INTERNET_BAD_AUTO_PROXY_SCRIPT", false},
    {12167, "INTERNET_UNABLE_TO_DOWNLOAD_SCRIPT", false},
    {12168, "HTTP_REDIRECT_NEEDS_CONFIRMATION", false},
    {12169, "Invalid Security Certificate.", true},
    {12170, "Revoked Security Certificate.", true},
    {12171, "Failed due to security check.", true},
};
static_assert(sizeof kErrors / sizeof kErrors[0] == 76);

std::string TextFromName(const char* name) {
    std::string text;
    bool word_start = true;
    for (const char* p = name; *p; ++p) {
        if (*p == '_') {
            text += ' ';
            word_start = true;
            continue;
        }
        const auto c = static_cast<unsigned char>(*p);
        text += static_cast<char>(word_start ? std::toupper(c) : std::tolower(c));
        word_start = false;
    }
    return text + ".";
}

std::string WithInfo(const char* text, const void* info, std::uint32_t info_length) {
    std::string result = text;
    if (info && info_length > 0) {
        const char* s = static_cast<const char*>(info);
        const std::string extra(s, strnlen(s, info_length));
        if (!extra.empty()) result += " " + extra;
    }
    return result;
}

}  // namespace

std::string KitErrorText(int code) {
    const auto low = static_cast<std::uint16_t>(static_cast<std::uint32_t>(code) & 0xFFFFu);
    if (low == 0) return "Ok";
    std::string text = "(no description available)";
    for (const auto& row : kErrors) {
        if (row.code == low) {
            text = row.own_text ? std::string(row.name) : TextFromName(row.name);
            break;
        }
    }
    return "[" + std::to_string(low) + "] " + text + ".";
}

bool KitStatusText(std::uint32_t status, const void* info, std::uint32_t info_length, std::string& text) {
    switch (status) {
        case 10: text = WithInfo("Looking up the IP address", info, info_length); return true;
        case 11: text = WithInfo("Successfully found the IP address", info, info_length); return true;
        case 20: text = WithInfo("Connecting to the socket address", info, info_length); return true;
        case 21: text = WithInfo("Successfully connected to", info, info_length); return true;
        case 30: text = "Sending the information request to the server."; return true;
        case 31: text = "Successfully sent the information request to the server."; return true;
        case 40: text = "Waiting for the server to respond to a request."; return true;
        case 41: text = "Successfully received a response from the server."; return true;
        case 43: text.clear(); return true;
        case 50: text = "Closing the connection to the server."; return true;
        case 51: text = "Successfully closed the connection to the server."; return true;
        case 60:
        case 70: return false;
        case 100: text = "An asynchronous operation has been completed."; return true;
        case 110:
            text = WithInfo("An HTTP request is about to automatically redirect the request to", info, info_length);
            return true;
        case 120: text = "Received an intermediate (100 level) status code message from the server."; return true;
        case 200: {
            std::uint32_t state = 0;
            if (info && info_length >= sizeof state) std::memcpy(&state, info, sizeof state);
            switch (state) {
                case 1: text = "Online state."; break;
                case 2: text = "Offline because no network connection could be established."; break;
                case 16: text = "Offline by user request."; break;
                case 256: text = "No network requests are being made by Wininet."; break;
                case 512: text = "Network requests are being made by Wininet."; break;
                default: text = "Moved between a secure (HTTPS) and a nonsecure (HTTP) site."; break;
            }
            return true;
        }
        default: text = "Unknown state ?!"; return true;
    }
}

}  // namespace corvane
