// Request handles: their life, the driving of the transfer, reading the response, and the calls of
// the handle layer that reach them.

#include "platform/wininet/request_handle.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/wininet/multi_pool.h"
#include "platform/wininet/request_text.h"

namespace corvane::wininet {

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
    MergeCookies();
    if (result != CURLE_OK || !keep_alive_) {
        Guarded(0, [this] {
            Notify(INTERNET_STATUS_CLOSING_CONNECTION);
            Notify(INTERNET_STATUS_CONNECTION_CLOSED);
            return 0;
        });
    }
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
