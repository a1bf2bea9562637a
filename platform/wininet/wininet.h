#pragma once
// WinInet-style handle layer over libcurl. The transfer kit talks only to these calls, with the
// handle kinds, flags, option numbers, status notifications and error numbers that it expects.
//
// Handles form a tree: internet (InternetOpenA) -> connection (InternetConnectA) -> request
// (HttpOpenRequestA). Closing a handle closes its children and cancels any transfer running on them,
// from any thread: the blocked call on the transfer's own thread then fails with
// ERROR_INTERNET_OPERATION_CANCELLED (or ERROR_INVALID_HANDLE once the handle is gone).
//
// HttpSendRequestA drives the transfer until the final response's headers are in (redirects are
// followed, at most 20, and only the last response is reported); InternetQueryDataAvailable and
// InternetReadFile pull body bytes as they arrive. Every call reports failure through GetLastError
// on the calling thread.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/rtl/hex_text.h"  // PercentDecode, which callers of the URL routines use

namespace corvane {

using DWORD = std::uint32_t;
using DWORD_PTR = std::uintptr_t;
using INTERNET_PORT = std::uint16_t;
using HINTERNET = void*;

// Called with the handle, its context, the status code, the status information and its length.
// Never called for a handle whose context is 0.
using INTERNET_STATUS_CALLBACK = void (*)(HINTERNET handle, DWORD_PTR context, DWORD status, void* info,
                                          DWORD info_length);

// --- access types and services
constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;
constexpr DWORD INTERNET_SERVICE_HTTP = 3;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;
constexpr INTERNET_PORT INTERNET_DEFAULT_FTP_PORT = 21;

// --- URL schemes
constexpr int INTERNET_SCHEME_UNKNOWN = -1;
constexpr int INTERNET_SCHEME_FTP = 1;
constexpr int INTERNET_SCHEME_GOPHER = 2;
constexpr int INTERNET_SCHEME_HTTP = 3;
constexpr int INTERNET_SCHEME_HTTPS = 4;
constexpr int INTERNET_SCHEME_FILE = 5;

// --- request flags
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000u;
constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000u;
constexpr DWORD INTERNET_FLAG_KEEP_CONNECTION = 0x00400000u;
constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000u;
constexpr DWORD INTERNET_FLAG_NO_COOKIES = 0x00080000u;
constexpr DWORD INTERNET_FLAG_NO_UI = 0x00000200u;
constexpr DWORD INTERNET_FLAG_RESYNCHRONIZE = 0x00000800u;
constexpr DWORD ICU_DECODE = 0x10000000u;

// --- header modifiers
constexpr DWORD HTTP_ADDREQ_FLAG_ADD = 0x20000000u;
constexpr DWORD HTTP_ADDREQ_FLAG_REPLACE = 0x80000000u;

// --- query levels
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD HTTP_QUERY_LAST_MODIFIED = 11;
constexpr DWORD HTTP_QUERY_VERSION = 18;
constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
constexpr DWORD HTTP_QUERY_STATUS_TEXT = 20;
constexpr DWORD HTTP_QUERY_RAW_HEADERS_CRLF = 22;
constexpr DWORD HTTP_QUERY_CUSTOM = 65535;
constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000u;

// --- options
constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;  // DWORD, milliseconds (process-wide on no handle)
constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;  // DWORD, ms without progress before 12002
constexpr DWORD INTERNET_OPTION_PROXY_USERNAME = 43;
constexpr DWORD INTERNET_OPTION_PROXY_PASSWORD = 44;
constexpr DWORD INTERNET_OPTION_CONNECTED_STATE = 50;
// Test-only: a PEM file of extra trusted certificate authorities (replaces the system store for
// every later request of the process). The program never sets it, so verification stays on.
constexpr DWORD INTERNET_OPTION_TEST_CA_FILE = 0x7F000001u;
// A request's redirect check (buffer: an INTERNET_REDIRECT_CHECK). The layer calls it with the
// absolute target of each Location before following it; false ends the request with
// ERROR_HTTP_REDIRECT_FAILED.
constexpr DWORD INTERNET_OPTION_REDIRECT_CHECK = 0x7F000002u;

constexpr DWORD INTERNET_STATE_CONNECTED = 1;
constexpr DWORD INTERNET_STATE_DISCONNECTED = 2;
constexpr DWORD INTERNET_STATE_DISCONNECTED_BY_USER = 16;
constexpr DWORD ISO_FORCE_DISCONNECTED = 1;

struct INTERNET_REDIRECT_CHECK {
    bool (*check)(void* context, const char* target) = nullptr;
    void* context = nullptr;
};

struct INTERNET_CONNECTED_INFO {
    DWORD dwConnectedState;
    DWORD dwFlags;
};

// --- status notifications
constexpr DWORD INTERNET_STATUS_RESOLVING_NAME = 10;
constexpr DWORD INTERNET_STATUS_NAME_RESOLVED = 11;
constexpr DWORD INTERNET_STATUS_CONNECTING_TO_SERVER = 20;
constexpr DWORD INTERNET_STATUS_CONNECTED_TO_SERVER = 21;
constexpr DWORD INTERNET_STATUS_SENDING_REQUEST = 30;
constexpr DWORD INTERNET_STATUS_REQUEST_SENT = 31;
constexpr DWORD INTERNET_STATUS_RECEIVING_RESPONSE = 40;
constexpr DWORD INTERNET_STATUS_RESPONSE_RECEIVED = 41;
constexpr DWORD INTERNET_STATUS_PREFETCH = 43;
constexpr DWORD INTERNET_STATUS_CLOSING_CONNECTION = 50;
constexpr DWORD INTERNET_STATUS_CONNECTION_CLOSED = 51;
constexpr DWORD INTERNET_STATUS_HANDLE_CREATED = 60;
constexpr DWORD INTERNET_STATUS_HANDLE_CLOSING = 70;
constexpr DWORD INTERNET_STATUS_REQUEST_COMPLETE = 100;
constexpr DWORD INTERNET_STATUS_REDIRECT = 110;
constexpr DWORD INTERNET_STATUS_INTERMEDIATE_RESPONSE = 120;
constexpr DWORD INTERNET_STATUS_STATE_CHANGE = 200;

// --- error numbers
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_INVALID_OPTION = 12009;
constexpr DWORD ERROR_INTERNET_BAD_OPTION_LENGTH = 12010;
constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
constexpr DWORD ERROR_INTERNET_LOGIN_FAILURE = 12015;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr DWORD ERROR_INTERNET_SEC_CERT_DATE_INVALID = 12037;
constexpr DWORD ERROR_INTERNET_SEC_CERT_CN_INVALID = 12038;
constexpr DWORD ERROR_INTERNET_INVALID_CA = 12045;
constexpr DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;
constexpr DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr DWORD ERROR_HTTP_INVALID_HEADER = 12153;
constexpr DWORD ERROR_HTTP_REDIRECT_FAILED = 12156;
constexpr DWORD ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;
constexpr DWORD ERROR_INTERNET_DISCONNECTED = 12163;

// The parts of a split URL. Without ICU_DECODE every part is returned as written.
struct URL_COMPONENTSA {
    std::string scheme;  // "http"
    int nScheme = INTERNET_SCHEME_UNKNOWN;
    std::string hostName;
    INTERNET_PORT nPort = 0;
    std::string userName;
    std::string password;
    std::string urlPath;    // "/dir/doc"
    std::string extraInfo;  // "?query#anchor"
};

DWORD GetLastError();
void SetLastError(DWORD error);

HINTERNET InternetOpenA(const char* agent, DWORD access_type, const char* proxy, const char* proxy_bypass,
                        DWORD flags);
HINTERNET InternetConnectA(HINTERNET internet, const char* server, INTERNET_PORT port, const char* user,
                           const char* password, DWORD service, DWORD flags, DWORD_PTR context);
// accept_types: a null-terminated array of texts, or null for no Accept header.
HINTERNET HttpOpenRequestA(HINTERNET connection, const char* verb, const char* object_name,
                           const char* version, const char* referrer, const char* const* accept_types,
                           DWORD flags, DWORD_PTR context);
// headers: CR LF separated lines; length (DWORD)-1 means zero-terminated.
bool HttpAddRequestHeadersA(HINTERNET request, const char* headers, DWORD length, DWORD modifiers);
bool HttpSendRequestA(HINTERNET request, const char* headers, DWORD headers_length, const void* optional,
                      DWORD optional_length);
// Text levels fill buffer with a zero-terminated text and set *length to its length; a short buffer
// fails with ERROR_INSUFFICIENT_BUFFER and sets *length to the bytes needed (terminator included).
// HTTP_QUERY_FLAG_NUMBER answers a DWORD. HTTP_QUERY_CUSTOM takes the header name in buffer.
bool HttpQueryInfoA(HINTERNET request, DWORD info_level, void* buffer, DWORD* length, DWORD* index);
bool InternetQueryDataAvailable(HINTERNET file, DWORD* bytes_available, DWORD flags, DWORD_PTR context);
// Reads up to to_read body bytes, at least one unless the body has ended (then *read is 0).
bool InternetReadFile(HINTERNET file, void* buffer, DWORD to_read, DWORD* read);
bool InternetCloseHandle(HINTERNET handle);
// Returns the previous callback. Handles created later on this one inherit it.
INTERNET_STATUS_CALLBACK InternetSetStatusCallback(HINTERNET handle, INTERNET_STATUS_CALLBACK callback);
bool InternetCrackUrlA(const char* url, DWORD url_length, DWORD flags, URL_COMPONENTSA* components);
bool InternetSetOptionA(HINTERNET handle, DWORD option, void* buffer, DWORD length);
bool InternetQueryOptionA(HINTERNET handle, DWORD option, void* buffer, DWORD* length);

// The version of the layer as four numbers, most significant first ("7.88.1.0").
std::string InternetLayerVersion();

// Percent-encodes the bytes a request line cannot carry (controls, blank, bytes >= 0x7F and
// "<>\^`{|}), leaving every existing escape as it is.
std::string EncodeRequestTarget(const std::string& target);
// Removes control bytes (below 0x20 and 0x7F) from a text bound for a header.
std::string StripControlChars(const std::string& text);

}  // namespace corvane
