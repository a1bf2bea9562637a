// Sending a request: the easy handle is set up step by step (transfer, proxy, cookies, headers,
// verb and body, callbacks), handed to the request's multi handle and driven until the final
// response's headers are in.

#include <cstdlib>

#include "platform/wininet/cookie_jar.h"
#include "platform/wininet/curl_share.h"
#include "platform/wininet/request_handle.h"
#include "platform/wininet/request_text.h"

namespace corvane::wininet {

void RequestHandle::SetTransferOptions(const LayerSettings& settings) {
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
}

void RequestHandle::SetProxyOptions() {
    CURL* e = easy_;
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
}

void RequestHandle::LoadCookies() {
    if (flags_ & INTERNET_FLAG_NO_COOKIES) return;
    curl_easy_setopt(easy_, CURLOPT_COOKIEFILE, "");
    loaded_cookies_ = ProcessCookieJar().LinesFor(host_);
    for (const auto& line : loaded_cookies_) curl_easy_setopt(easy_, CURLOPT_COOKIELIST, line.c_str());
}

void RequestHandle::MergeCookies() {
    if (!easy_ || (flags_ & INTERNET_FLAG_NO_COOKIES)) return;
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(easy_, CURLINFO_COOKIELIST, &list) != CURLE_OK) return;
    std::vector<std::string> now;
    for (curl_slist* i = list; i; i = i->next) now.emplace_back(i->data);
    curl_slist_free_all(list);
    ProcessCookieJar().Merge(loaded_cookies_, now);
}

// Keep-alive on HTTP/1.0; no Accept unless one was given; no Expect.
void RequestHandle::SetRequestHeaders() {
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
    curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, header_list_);
}

void RequestHandle::SetVerbAndBody(const void* optional, DWORD optional_length) {
    CURL* e = easy_;
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
}

void RequestHandle::SetCallbacks() {
    CURL* e = easy_;
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
    SetTransferOptions(settings);
    SetProxyOptions();
    LoadCookies();
    SetRequestHeaders();
    SetVerbAndBody(optional, optional_length);
    SetCallbacks();

    if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) return Fail(ERROR_INTERNET_INTERNAL_ERROR);
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

}  // namespace corvane::wininet
