// Request handles: one HTTP transaction over libcurl's multi interface, driven by the calls of the
// thread that owns the request.
//
// Sharing between requests of the process: libcurl does not support one connection cache or cookie
// store in use by several threads at once (a shared connection cache can hand one connection to two
// threads), so each request checks out a multi handle from an idle pool (its connection cache goes
// with it and is used by one thread at a time) and cookies live in a process-wide jar
// (cookie_jar.h): a request loads only its host's cookies before it starts and merges what it
// holds back when it ends. DNS answers and TLS
// sessions are shared through a libcurl share handle, which supports that across threads.

#include "platform/wininet/handle_table.h"
#include "platform/wininet/cookie_jar.h"

#include <curl/curl.h>
#include <sys/socket.h>
#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <new>

namespace corvane::wininet {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kBufferLimit = 256 * 1024;  // body bytes held before the transfer pauses
constexpr DWORD kMaxAvailable = 64 * 1024;
constexpr long kMaxRedirects = 20;
constexpr std::size_t kMaxIdleMultis = 16;

bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}

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

// --- the share handle (DNS and TLS sessions)

std::mutex g_share_locks[CURL_LOCK_DATA_LAST];

// libcurl calls these with no way to fail: a lock that cannot be taken ends the process rather than
// unwind through C code.
void ShareLock(CURL*, curl_lock_data data, curl_lock_access, void*) noexcept { g_share_locks[data].lock(); }
void ShareUnlock(CURL*, curl_lock_data data, void*) noexcept { g_share_locks[data].unlock(); }

CURLSH* Share() {
    static CURLSH* share = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        CURLSH* s = curl_share_init();
        curl_share_setopt(s, CURLSHOPT_LOCKFUNC, ShareLock);
        curl_share_setopt(s, CURLSHOPT_UNLOCKFUNC, ShareUnlock);
        curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        return s;
    }();
    return share;
}

// --- idle multi handles with their connection caches

struct IdleMulti {
    std::string origin;
    CURLM* multi;
};

std::mutex g_pool_mutex;
// Never destroyed: the idle handles stay reachable (and usable by late requests) until the process ends.
std::vector<IdleMulti>& g_idle_multis = *new std::vector<IdleMulti>;

CURLM* CheckOutMulti(const std::string& origin) {
    {
        std::lock_guard lock(g_pool_mutex);
        for (auto it = g_idle_multis.rbegin(); it != g_idle_multis.rend(); ++it) {
            if (it->origin == origin) {
                CURLM* m = it->multi;
                g_idle_multis.erase(std::next(it).base());
                return m;
            }
        }
        if (!g_idle_multis.empty()) {
            CURLM* m = g_idle_multis.back().multi;
            g_idle_multis.pop_back();
            return m;
        }
    }
    CURLM* m = curl_multi_init();
    if (m) curl_multi_setopt(m, CURLMOPT_MAXCONNECTS, 4L);
    return m;
}

void CheckInMulti(const std::string& origin, CURLM* multi) {
    CURLM* surplus = nullptr;
    {
        std::lock_guard lock(g_pool_mutex);
        g_idle_multis.push_back({origin, multi});
        if (g_idle_multis.size() > kMaxIdleMultis) {
            surplus = g_idle_multis.front().multi;
            g_idle_multis.erase(g_idle_multis.begin());
        }
    }
    if (surplus) curl_multi_cleanup(surplus);
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

// The Content-Length headers of one response agree and each is a decimal number that fits a signed
// 64-bit count (a list of equal values, "5, 5", is one value). No header at all is valid too.
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

// The absolute URL a Location value leads to, resolved by libcurl's own URL parser with the flags
// it follows redirects with, so the redirect check judges exactly the URL that would be fetched.
// Empty when it cannot be resolved (libcurl would not follow it either).
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

// --- the request

class RequestHandle final : public Handle {
public:
    RequestHandle() : Handle(HandleKind::Request) {}
    ~RequestHandle() override { Release(); }

    void Cancel() override {
        cancelled_ = true;
        if (multi_) curl_multi_wakeup(multi_);
    }

    // Set before the handle is published, constant afterwards.
    CURLM* multi_ = nullptr;
    std::string origin_;  // scheme://host:port
    std::string url_;
    std::string host_, user_, password_, agent_, proxy_, proxy_bypass_;
    DWORD access_type_ = INTERNET_OPEN_TYPE_PRECONFIG;
    std::string verb_, version_, referrer_, accept_;
    DWORD flags_ = 0;

    // Used by the owning thread only.
    std::vector<std::string> headers_;
    std::string proxy_user_, proxy_password_;
    INTERNET_REDIRECT_CHECK redirect_check_{};

    bool Send(const std::string& extra_headers, const void* optional, DWORD optional_length);
    bool QueryAvailable(DWORD* available);
    bool Read(void* buffer, DWORD to_read, DWORD* read);
    bool Info(DWORD level, void* buffer, DWORD* length, DWORD* index);

private:
    bool Drive(const std::function<bool()>& ready);
    bool FailTransfer();
    void Release();
    void ResetTransfer();
    void FreeTransferHandles();  // the easy handle and the request's header list
    void OnDone(CURLcode result);
    DWORD MapError(CURLcode result) const;
    std::size_t Buffered() const { return buffer_.size() - buffer_pos_; }
    void Consume(std::size_t n);

    // libcurl is C: no exception may unwind through it. Each callback runs its body through this,
    // which records a failure (an allocation, or a status callback that throws) and answers libcurl's
    // abort value; the transfer then fails with the matching error.
    template <typename Result, typename Body>
    Result Guarded(Result abort, Body&& body) noexcept;
    std::size_t OnHeader(char* data, std::size_t n);
    std::size_t OnWrite(char* data, std::size_t n);

    static std::size_t HeaderCallback(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t WriteCallback(char* data, std::size_t size, std::size_t count, void* self);
    static curl_socket_t OpenSocketCallback(void* self, curlsocktype purpose, struct curl_sockaddr* address);
    static int PrereqCallback(void* self, char* primary_ip, char* local_ip, int primary_port, int local_port);
    static int DebugCallback(CURL*, curl_infotype type, char*, std::size_t, void* self);

    std::atomic<bool> cancelled_{false};
    CURL* easy_ = nullptr;
    char error_text_[CURL_ERROR_SIZE] = {};
    bool in_multi_ = false;
    curl_slist* header_list_ = nullptr;
    std::string post_body_;
    std::string no_proxy_;
    std::vector<std::string> loaded_cookies_;

    bool sent_ = false;
    bool headers_final_ = false;
    bool done_ = false;
    CURLcode result_ = CURLE_OK;
    DWORD forced_error_ = 0;
    DWORD callback_error_ = 0;  // a callback failed: the transfer ends with this error
    int redirects_ = 0;
    bool new_connection_ = false;
    bool keep_alive_ = false;

    std::string pending_status_;
    std::vector<std::string> pending_lines_;
    bool pending_location_ = false;
    std::string pending_target_;
    int pending_code_ = 0;
    std::string status_line_;
    std::vector<std::string> header_lines_;

    std::string buffer_;
    std::size_t buffer_pos_ = 0;
    bool paused_ = false;

    // Progress watch: at least one byte a second over each receive-timeout window.
    std::uint64_t received_ = 0;
    std::uint64_t window_bytes_ = 0;
    Clock::time_point window_start_;
    DWORD receive_timeout_ms_ = 60000;
};

void RequestHandle::FreeTransferHandles() {
    if (easy_) {
        if (in_multi_) curl_multi_remove_handle(multi_, easy_);
        curl_easy_cleanup(easy_);
        easy_ = nullptr;
        in_multi_ = false;
    }
    if (header_list_) {
        curl_slist_free_all(header_list_);
        header_list_ = nullptr;
    }
}

void RequestHandle::Release() {
    FreeTransferHandles();
    if (multi_) {
        CheckInMulti(origin_, multi_);
        multi_ = nullptr;
    }
}

void RequestHandle::ResetTransfer() {
    FreeTransferHandles();
    sent_ = headers_final_ = done_ = paused_ = false;
    result_ = CURLE_OK;
    forced_error_ = 0;
    callback_error_ = 0;
    redirects_ = 0;
    pending_status_.clear();
    pending_lines_.clear();
    status_line_.clear();
    header_lines_.clear();
    buffer_.clear();
    buffer_pos_ = 0;
    received_ = window_bytes_ = 0;
}

DWORD RequestHandle::MapError(CURLcode result) const {
    if (callback_error_) return callback_error_;
    if (forced_error_) return forced_error_;
    switch (result) {
        case CURLE_OK: return ERROR_SUCCESS;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: return ERROR_INTERNET_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
        case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
        case CURLE_TOO_MANY_REDIRECTS: return ERROR_HTTP_REDIRECT_FAILED;
        case CURLE_ABORTED_BY_CALLBACK: return ERROR_INTERNET_OPERATION_CANCELLED;
        case CURLE_PARTIAL_FILE: return ERROR_INTERNET_CONNECTION_ABORTED;
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR: return ERROR_INTERNET_CONNECTION_RESET;
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_BAD_CONTENT_ENCODING: return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        case CURLE_URL_MALFORMAT: return ERROR_INTERNET_INVALID_URL;
        case CURLE_UNSUPPORTED_PROTOCOL:
            // Our own URLs are always http or https: this is a refused redirect or a reply without
            // a status line.
            return redirects_ > 0 ? ERROR_HTTP_REDIRECT_FAILED : ERROR_HTTP_INVALID_SERVER_RESPONSE;
        case CURLE_OUT_OF_MEMORY: return ERROR_NOT_ENOUGH_MEMORY;
        case CURLE_LOGIN_DENIED: return ERROR_INTERNET_LOGIN_FAILURE;
        case CURLE_PEER_FAILED_VERIFICATION: {
            long verify = 0;
            if (easy_) curl_easy_getinfo(easy_, CURLINFO_SSL_VERIFYRESULT, &verify);
            if (verify == 9 || verify == 10) return ERROR_INTERNET_SEC_CERT_DATE_INVALID;  // not yet valid, expired
            // 62 and 64: host name or IP address mismatch; libcurl's own name check leaves only its message.
            if (verify == 62 || verify == 64 || std::strstr(error_text_, "host name") != nullptr)
                return ERROR_INTERNET_SEC_CERT_CN_INVALID;
            return ERROR_INTERNET_INVALID_CA;
        }
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_USE_SSL_FAILED:
        case CURLE_SSL_ENGINE_INITFAILED:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_SHUTDOWN_FAILED:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS: return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
        default: return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

void RequestHandle::OnDone(CURLcode result) {
    done_ = true;
    result_ = result;
    if (easy_ && !(flags_ & INTERNET_FLAG_NO_COOKIES)) {
        curl_slist* list = nullptr;
        if (curl_easy_getinfo(easy_, CURLINFO_COOKIELIST, &list) == CURLE_OK) {
            std::vector<std::string> now;
            for (curl_slist* i = list; i; i = i->next) now.emplace_back(i->data);
            curl_slist_free_all(list);
            ProcessCookieJar().Merge(loaded_cookies_, now);
        }
    }
    if (result != CURLE_OK || !keep_alive_) {
        Guarded(0, [this] {
            Notify(INTERNET_STATUS_CLOSING_CONNECTION);
            Notify(INTERNET_STATUS_CONNECTION_CLOSED);
            return 0;
        });
    }
}

template <typename Result, typename Body>
Result RequestHandle::Guarded(Result abort, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        if (!callback_error_) callback_error_ = ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        if (!callback_error_) callback_error_ = ERROR_INTERNET_INTERNAL_ERROR;
    }
    return abort;
}

bool RequestHandle::FailTransfer() {
    if (cancelled_) return Fail(ERROR_INTERNET_OPERATION_CANCELLED);
    return Fail(MapError(result_));
}

bool RequestHandle::Drive(const std::function<bool()>& ready) {
    for (;;) {
        if (cancelled_) return Fail(ERROR_INTERNET_OPERATION_CANCELLED);
        // Some callbacks have no abort value (the debug callback): their failure stops us here.
        if (callback_error_) return Fail(callback_error_);
        if (ready() || done_) return true;
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK) return Fail(ERROR_INTERNET_INTERNAL_ERROR);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) OnDone(message->data.result);
        }
        if (cancelled_) return Fail(ERROR_INTERNET_OPERATION_CANCELLED);
        if (callback_error_) return Fail(callback_error_);
        if (ready() || done_) return true;

        const auto now = Clock::now();
        if (paused_) {
            window_start_ = now;
            window_bytes_ = received_;
        } else if (now - window_start_ >= std::chrono::milliseconds(receive_timeout_ms_)) {
            const std::uint64_t needed = std::max<std::uint64_t>(1, receive_timeout_ms_ / 1000);
            if (received_ - window_bytes_ < needed) {
                forced_error_ = ERROR_INTERNET_TIMEOUT;
                OnDone(CURLE_OPERATION_TIMEDOUT);
                return true;
            }
            window_start_ = now;
            window_bytes_ = received_;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            window_start_ + std::chrono::milliseconds(receive_timeout_ms_) - now);
        const int wait_ms = static_cast<int>(std::clamp<long long>(left.count() + 1, 1, 100));
        curl_multi_poll(multi_, nullptr, 0, wait_ms, nullptr);
    }
}

void RequestHandle::Consume(std::size_t n) {
    buffer_pos_ += n;
    if (buffer_pos_ == buffer_.size()) {
        buffer_.clear();
        buffer_pos_ = 0;
    } else if (buffer_pos_ > kBufferLimit / 2) {
        buffer_.erase(0, buffer_pos_);
        buffer_pos_ = 0;
    }
    if (paused_ && Buffered() < kBufferLimit / 2) {
        paused_ = false;
        curl_easy_pause(easy_, CURLPAUSE_CONT);
    }
}

std::size_t RequestHandle::HeaderCallback(char* data, std::size_t size, std::size_t count, void* self) {
    auto& r = *static_cast<RequestHandle*>(self);
    const std::size_t n = size * count;
    return r.Guarded(std::size_t{CURL_WRITEFUNC_ERROR}, [&] { return r.OnHeader(data, n); });
}

std::size_t RequestHandle::OnHeader(char* data, std::size_t n) {
    auto& r = *this;
    r.received_ += n;
    if (r.headers_final_) return n;  // trailers
    std::string line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (StartsWithNoCase(line, "HTTP/")) {
        r.pending_status_ = line;
        r.pending_code_ = ParseStatusCode(line);
        r.pending_lines_.clear();
        r.pending_location_ = false;
        return n;
    }
    if (!line.empty()) {
        r.pending_lines_.push_back(line);
        if (StartsWithNoCase(line, "location:")) {
            r.pending_location_ = true;
            r.pending_target_ = HeaderValue(line);
        }
        return n;
    }
    // End of one response's headers.
    if (r.pending_code_ >= 100 && r.pending_code_ < 200) {
        r.Notify(INTERNET_STATUS_INTERMEDIATE_RESPONSE);
        return n;
    }
    // A body whose length cannot be known for sure is never taken for a complete one.
    if (!ValidContentLength(r.pending_lines_)) {
        r.callback_error_ = ERROR_HTTP_INVALID_SERVER_RESPONSE;
        return CURL_WRITEFUNC_ERROR;
    }
    if (r.pending_code_ >= 300 && r.pending_code_ < 400 && r.pending_location_ &&
        !(r.flags_ & INTERNET_FLAG_NO_AUTO_REDIRECT)) {
        ++r.redirects_;
        char* current = nullptr;
        curl_easy_getinfo(r.easy_, CURLINFO_EFFECTIVE_URL, &current);
        const std::string target = ResolveLocation(current ? current : r.url_, r.pending_target_);
        // Judged before libcurl follows it, while only this response's headers have been read.
        if (r.redirect_check_.check && !r.redirect_check_.check(r.redirect_check_.context, target.c_str())) {
            r.callback_error_ = ERROR_HTTP_REDIRECT_FAILED;
            return CURL_WRITEFUNC_ERROR;
        }
        r.NotifyText(INTERNET_STATUS_REDIRECT, target.empty() ? r.pending_target_ : target);
        return n;
    }
    r.status_line_ = r.pending_status_;
    r.header_lines_ = r.pending_lines_;
    r.headers_final_ = true;

    bool close = StartsWithNoCase(r.status_line_, "HTTP/1.0");
    bool length_known = r.verb_ == "HEAD" || r.pending_code_ == 204 || r.pending_code_ == 304;
    for (const auto& h : r.header_lines_) {
        const std::string name = HeaderName(h);
        const std::string value = HeaderValue(h);
        if (SameName(name, "Connection") || SameName(name, "Proxy-Connection")) {
            if (StartsWithNoCase(value, "close")) close = true;
            if (StartsWithNoCase(value, "keep-alive")) close = false;
        } else if (SameName(name, "Content-Length")) {
            length_known = true;
        } else if (SameName(name, "Transfer-Encoding") && value.find("chunked") != std::string::npos) {
            length_known = true;
        }
    }
    r.keep_alive_ = !close && length_known;
    DWORD header_bytes = static_cast<DWORD>(n);
    r.Notify(INTERNET_STATUS_RESPONSE_RECEIVED, &header_bytes, sizeof header_bytes);
    return n;
}

std::size_t RequestHandle::WriteCallback(char* data, std::size_t size, std::size_t count, void* self) {
    auto& r = *static_cast<RequestHandle*>(self);
    const std::size_t n = size * count;
    return r.Guarded(std::size_t{CURL_WRITEFUNC_ERROR}, [&] { return r.OnWrite(data, n); });
}

std::size_t RequestHandle::OnWrite(char* data, std::size_t n) {
    auto& r = *this;
    if (!r.headers_final_) return n;  // body of a response that is being followed
    if (r.Buffered() >= kBufferLimit) {
        r.paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    r.received_ += n;
    r.buffer_.append(data, n);
    return n;
}

curl_socket_t RequestHandle::OpenSocketCallback(void* self, curlsocktype, struct curl_sockaddr* address) {
    auto& r = *static_cast<RequestHandle*>(self);
    return r.Guarded(CURL_SOCKET_BAD, [&] {
        const std::string ip = AddressText(&address->addr);
        r.NotifyText(INTERNET_STATUS_RESOLVING_NAME, r.host_);
        r.NotifyText(INTERNET_STATUS_NAME_RESOLVED, ip);
        r.NotifyText(INTERNET_STATUS_CONNECTING_TO_SERVER, ip);
        r.new_connection_ = true;
        const int fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        return fd < 0 ? CURL_SOCKET_BAD : fd;
    });
}

int RequestHandle::PrereqCallback(void* self, char* primary_ip, char*, int, int) {
    auto& r = *static_cast<RequestHandle*>(self);
    return r.Guarded(static_cast<int>(CURL_PREREQFUNC_ABORT), [&] {
        if (r.new_connection_) {
            r.new_connection_ = false;
            r.NotifyText(INTERNET_STATUS_CONNECTED_TO_SERVER, primary_ip ? primary_ip : "");
        }
        r.Notify(INTERNET_STATUS_SENDING_REQUEST);
        return static_cast<int>(CURL_PREREQFUNC_OK);
    });
}

int RequestHandle::DebugCallback(CURL*, curl_infotype type, char*, std::size_t size, void* self) {
    if (type != CURLINFO_HEADER_OUT) return 0;
    auto& r = *static_cast<RequestHandle*>(self);
    // libcurl ignores this answer; Drive sees the recorded failure.
    return r.Guarded(0, [&] {
        DWORD sent = static_cast<DWORD>(size);
        r.Notify(INTERNET_STATUS_REQUEST_SENT, &sent, sizeof sent);
        r.Notify(INTERNET_STATUS_RECEIVING_RESPONSE);
        return 0;
    });
}

bool RequestHandle::Send(const std::string& extra_headers, const void* optional, DWORD optional_length) {
    if (sent_) ResetTransfer();  // sending again (a proxy login retry)
    if (IsOffline()) return Fail(ERROR_INTERNET_DISCONNECTED);
    if (cancelled_) return Fail(ERROR_INTERNET_OPERATION_CANCELLED);
    if (!multi_) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    if (!extra_headers.empty() && !AddRequestHeaders(*this, extra_headers, HTTP_ADDREQ_FLAG_ADD)) return false;

    easy_ = curl_easy_init();
    if (!easy_) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    const LayerSettings settings = CurrentSettings();
    receive_timeout_ms_ = settings.receive_timeout_ms;
    CURL* e = easy_;
    curl_easy_setopt(e, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(e, CURLOPT_SHARE, Share());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    error_text_[0] = '\0';
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, error_text_);
    curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, version_ == "HTTP/1.1" ? CURL_HTTP_VERSION_1_1 : CURL_HTTP_VERSION_1_0);
    if (!(flags_ & INTERNET_FLAG_NO_AUTO_REDIRECT)) {
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    }
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings.connect_timeout_ms));
    if (!settings.test_ca_file.empty()) curl_easy_setopt(e, CURLOPT_CAINFO, settings.test_ca_file.c_str());
    if (!agent_.empty()) curl_easy_setopt(e, CURLOPT_USERAGENT, agent_.c_str());
    if (!referrer_.empty()) curl_easy_setopt(e, CURLOPT_REFERER, referrer_.c_str());
    if (!user_.empty() || !password_.empty()) {
        curl_easy_setopt(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        curl_easy_setopt(e, CURLOPT_USERNAME, user_.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, password_.c_str());
    }
    if (access_type_ == INTERNET_OPEN_TYPE_DIRECT) {
        curl_easy_setopt(e, CURLOPT_PROXY, "");
    } else if (access_type_ == INTERNET_OPEN_TYPE_PRECONFIG) {
        // The environment's proxy settings, but loopback addresses are always reached directly.
        const char* env = std::getenv("no_proxy");
        if (!env) env = std::getenv("NO_PROXY");
        no_proxy_ = std::string(env && *env ? env : "") + (env && *env ? "," : "") + "127.0.0.1,localhost,::1";
        curl_easy_setopt(e, CURLOPT_NOPROXY, no_proxy_.c_str());
    } else if (access_type_ == INTERNET_OPEN_TYPE_PROXY) {
        curl_easy_setopt(e, CURLOPT_PROXY, proxy_.c_str());
        if (!proxy_bypass_.empty()) curl_easy_setopt(e, CURLOPT_NOPROXY, proxy_bypass_.c_str());
    }
    if (!proxy_user_.empty()) curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, proxy_user_.c_str());
    if (!proxy_password_.empty()) curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, proxy_password_.c_str());

    if (!(flags_ & INTERNET_FLAG_NO_COOKIES)) {
        curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
        loaded_cookies_ = ProcessCookieJar().LinesFor(host_);
        for (const auto& line : loaded_cookies_) curl_easy_setopt(e, CURLOPT_COOKIELIST, line.c_str());
    }

    // Request headers: keep-alive on HTTP/1.0; no Accept unless one was given; no Expect.
    header_list_ = curl_slist_append(header_list_, "Connection: Keep-Alive");
    header_list_ = curl_slist_append(header_list_, accept_.empty() ? "Accept:" : ("Accept: " + accept_).c_str());
    header_list_ = curl_slist_append(header_list_, "Expect:");
    if (flags_ & INTERNET_FLAG_RELOAD) {
        header_list_ = curl_slist_append(header_list_, "Cache-Control: no-cache");
        bool has_pragma = false;
        for (const auto& h : headers_) has_pragma = has_pragma || SameName(HeaderName(h), "Pragma");
        if (!has_pragma) header_list_ = curl_slist_append(header_list_, "Pragma: no-cache");
    }
    for (const auto& h : headers_) header_list_ = curl_slist_append(header_list_, h.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, header_list_);

    post_body_.assign(static_cast<const char*>(optional ? optional : ""), optional ? optional_length : 0);
    if (verb_ == "GET") {
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    } else if (verb_ == "HEAD") {
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    } else {
        if (verb_ != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, verb_.c_str());
        if (verb_ == "POST" || !post_body_.empty()) {
            curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(post_body_.size()));
            curl_easy_setopt(e, CURLOPT_POSTFIELDS, post_body_.data());
        }
    }

    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &RequestHandle::HeaderCallback);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &RequestHandle::WriteCallback);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &RequestHandle::OpenSocketCallback);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &RequestHandle::PrereqCallback);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(e, CURLOPT_DEBUGFUNCTION, &RequestHandle::DebugCallback);
    curl_easy_setopt(e, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(e, CURLOPT_VERBOSE, 1L);

    if (curl_multi_add_handle(multi_, e) != CURLM_OK) return Fail(ERROR_INTERNET_INTERNAL_ERROR);
    in_multi_ = true;
    sent_ = true;
    window_start_ = Clock::now();
    window_bytes_ = 0;

    if (!Drive([this] { return headers_final_; })) return false;
    if (!headers_final_) {
        if (result_ == CURLE_OK) return Fail(ERROR_HTTP_INVALID_SERVER_RESPONSE);
        return FailTransfer();
    }
    return true;
}

bool RequestHandle::QueryAvailable(DWORD* available) {
    if (!sent_) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    if (!Drive([this] { return Buffered() > 0; })) return false;
    if (Buffered() == 0 && result_ != CURLE_OK) return FailTransfer();
    *available = static_cast<DWORD>(std::min<std::size_t>(Buffered(), kMaxAvailable));
    return true;
}

bool RequestHandle::Read(void* buffer, DWORD to_read, DWORD* read) {
    *read = 0;
    if (!sent_) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    if (to_read == 0) return true;
    if (!Drive([this] { return Buffered() > 0; })) return false;
    if (Buffered() == 0) return result_ == CURLE_OK ? true : FailTransfer();
    const std::size_t n = std::min<std::size_t>(Buffered(), to_read);
    std::memcpy(buffer, buffer_.data() + buffer_pos_, n);
    *read = static_cast<DWORD>(n);
    Consume(n);
    return true;
}

bool RequestHandle::Info(DWORD level, void* buffer, DWORD* length, DWORD* index) {
    if (!length) return Fail(ERROR_INVALID_PARAMETER);
    if (!headers_final_) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    const bool as_number = (level & HTTP_QUERY_FLAG_NUMBER) != 0;
    const DWORD what = level & 0xFFFF;
    const int occurrence = index ? static_cast<int>(*index) : 0;

    auto find_header = [&](const std::string& name, std::string& value) {
        int seen = 0;
        for (const auto& h : header_lines_) {
            if (SameName(HeaderName(h), name) && seen++ == occurrence) {
                value = HeaderValue(h);
                return true;
            }
        }
        return false;
    };

    std::string value;
    bool found = true;
    switch (what) {
        case HTTP_QUERY_RAW_HEADERS_CRLF:
            value = status_line_ + "\r\n";
            for (const auto& h : header_lines_) value += h + "\r\n";
            value += "\r\n";
            break;
        case HTTP_QUERY_STATUS_CODE: value = std::to_string(ParseStatusCode(status_line_)); break;
        case HTTP_QUERY_VERSION: value = status_line_.substr(0, status_line_.find(' ')); break;
        case HTTP_QUERY_STATUS_TEXT: {
            const auto first = status_line_.find(' ');
            const auto second = first == std::string::npos ? first : status_line_.find(' ', first + 1);
            value = second == std::string::npos ? std::string() : status_line_.substr(second + 1);
            break;
        }
        case HTTP_QUERY_CONTENT_LENGTH: found = find_header("Content-Length", value); break;
        case HTTP_QUERY_LAST_MODIFIED: found = find_header("Last-Modified", value); break;
        case HTTP_QUERY_CUSTOM:
            if (!buffer) return Fail(ERROR_INVALID_PARAMETER);
            found = find_header(std::string(static_cast<const char*>(buffer), strnlen(static_cast<const char*>(buffer), *length)), value);
            break;
        default: return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!found) return Fail(ERROR_HTTP_HEADER_NOT_FOUND);
    if (as_number) {
        if (!buffer || *length < sizeof(DWORD)) {
            *length = sizeof(DWORD);
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        }
        const DWORD number = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
        std::memcpy(buffer, &number, sizeof number);
        *length = sizeof number;
    } else {
        if (!buffer || *length < value.size() + 1) {
            *length = static_cast<DWORD>(value.size() + 1);
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        }
        std::memcpy(buffer, value.c_str(), value.size() + 1);
        *length = static_cast<DWORD>(value.size());
    }
    if (index) ++*index;
    return true;
}

}  // namespace

std::shared_ptr<Handle> MakeRequest(const ConnectionHandle& connection, const std::string& verb,
                                    const std::string& object_name, const std::string& version,
                                    const std::string& referrer, const std::string& accept, DWORD flags) {
    auto r = std::make_shared<RequestHandle>();
    const bool secure = (flags & INTERNET_FLAG_SECURE) != 0;
    const std::string host =
        connection.host.find(':') != std::string::npos ? "[" + connection.host + "]" : connection.host;
    r->origin_ = std::string(secure ? "https://" : "http://") + host + ":" + std::to_string(connection.port);
    std::string target = object_name;
    if (target.empty() || (target[0] != '/' && target[0] != '*')) target = "/" + target;
    r->url_ = r->origin_ + target;
    r->host_ = connection.host;
    r->user_ = connection.user;
    r->password_ = connection.password;
    r->agent_ = connection.agent;
    r->access_type_ = connection.access_type;
    r->proxy_ = connection.proxy;
    r->proxy_bypass_ = connection.proxy_bypass;
    r->verb_ = verb;
    r->version_ = version;
    r->referrer_ = referrer;
    r->accept_ = accept;
    r->flags_ = flags;
    r->multi_ = CheckOutMulti(r->origin_);
    if (!r->multi_) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return r;
}

bool AddRequestHeaders(Handle& request, const std::string& headers, DWORD modifiers) {
    auto& r = static_cast<RequestHandle&>(request);
    std::size_t start = 0;
    while (start < headers.size()) {
        std::size_t end = headers.find_first_of("\r\n", start);
        if (end == std::string::npos) end = headers.size();
        const std::string line = StripControlChars(headers.substr(start, end - start));
        start = end + 1;
        if (line.empty()) continue;
        const auto colon = line.find(':');
        if (colon == std::string::npos || colon == 0) return Fail(ERROR_HTTP_INVALID_HEADER);
        const std::string name = HeaderName(line);
        if (modifiers & HTTP_ADDREQ_FLAG_REPLACE) {
            std::erase_if(r.headers_, [&](const std::string& h) { return SameName(HeaderName(h), name); });
        }
        r.headers_.push_back(line);
    }
    return true;
}

bool SendRequest(Handle& request, const std::string& headers, const void* optional, DWORD optional_length) {
    return static_cast<RequestHandle&>(request).Send(headers, optional, optional_length);
}

bool QueryInfo(Handle& request, DWORD info_level, void* buffer, DWORD* length, DWORD* index) {
    return static_cast<RequestHandle&>(request).Info(info_level, buffer, length, index);
}

bool QueryDataAvailable(Handle& request, DWORD* available) {
    return static_cast<RequestHandle&>(request).QueryAvailable(available);
}

bool ReadBody(Handle& request, void* buffer, DWORD to_read, DWORD* read) {
    return static_cast<RequestHandle&>(request).Read(buffer, to_read, read);
}

bool SetRequestOption(Handle& request, DWORD option, const void* buffer, DWORD length) {
    auto& r = static_cast<RequestHandle&>(request);
    const std::string value = buffer ? StripControlChars(std::string(static_cast<const char*>(buffer), length)) : "";
    switch (option) {
        case INTERNET_OPTION_PROXY_USERNAME: r.proxy_user_ = value; return true;
        case INTERNET_OPTION_PROXY_PASSWORD: r.proxy_password_ = value; return true;
        case INTERNET_OPTION_REDIRECT_CHECK:
            if (!buffer || length != sizeof(INTERNET_REDIRECT_CHECK)) return Fail(ERROR_INTERNET_BAD_OPTION_LENGTH);
            std::memcpy(&r.redirect_check_, buffer, sizeof r.redirect_check_);
            return true;
        default: return Fail(ERROR_INTERNET_INVALID_OPTION);
    }
}

}  // namespace corvane::wininet
