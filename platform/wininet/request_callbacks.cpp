// The request's libcurl callbacks: response headers, body bytes, the socket, the moment before the
// request goes out and the request's own header bytes.

#include <sys/socket.h>

#include "platform/wininet/request_handle.h"
#include "platform/wininet/request_text.h"

namespace corvane::wininet {

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

}  // namespace corvane::wininet
