#pragma once
// The request handle: one HTTP transaction over libcurl's multi interface, driven by the calls of the
// thread that owns the request.
//
// Sharing between requests of the process: libcurl does not support one connection cache or cookie
// store in use by several threads at once (a shared connection cache can hand one connection to two
// threads), so each request checks out a multi handle from an idle pool (its connection cache goes
// with it and is used by one thread at a time) and cookies live in a process-wide jar
// (cookie_jar.h): a request loads only its host's cookies before it starts and merges what it
// holds back when it ends. DNS answers and TLS sessions are shared through a libcurl share handle,
// which supports that across threads (curl_share.h, multi_pool.h).


#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "platform/wininet/handle_table.h"

namespace corvane::wininet {

using Clock = std::chrono::steady_clock;

inline constexpr std::size_t kBufferLimit = 256 * 1024;  // body bytes held before the transfer pauses
inline constexpr DWORD kMaxAvailable = 64 * 1024;
inline constexpr long kMaxRedirects = 20;

inline bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}

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
    // The steps of Send, in order.
    void SetTransferOptions(const LayerSettings& settings);
    void SetProxyOptions();
    void LoadCookies();
    void SetRequestHeaders();
    void SetVerbAndBody(const void* optional, DWORD optional_length);
    void SetCallbacks();

    void MergeCookies();  // the cookies the transfer holds back into the process's jar
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

}  // namespace corvane::wininet
