#include "transfer/tick_http.h"
#include "transfer/file_stream.h"

#include <new>

namespace corvane {

namespace {

constexpr DWORD kCancelled = ERROR_INTERNET_OPERATION_CANCELLED;

std::string WithoutFragment(const std::string& extra) { return extra.substr(0, extra.find('#')); }

}  // namespace

const char* const TickHTTP::kDefaultUserAgent = "Tick Internet Kit/3.0";

TickHTTP::TickHTTP() { TickHTTP::Initialize(); }

TickHTTP::~TickHTTP() {
    StopWorker();
    if (HINTERNET inet = internet_.load()) InternetSetStatusCallback(inet, nullptr);
    CloseAll();
}

bool TickHTTP::Initialize() {
    TickWinInet::Initialize();
    Accept.clear();
    AllowCookies = true;
    AttachedFile.clear();
    ContentType.clear();
    From.clear();
    HTTPVersion = "HTTP/1.0";
    IfModifiedSince.clear();
    LocalFile.clear();
    ExtraHeaders.clear();
    PostData.clear();
    Pragma.clear();
    Referrer.clear();
    UserAgent = kDefaultUserAgent;
    ProxyUser.clear();
    ProxyPassword.clear();
    RequestFlags = 0;
    action_ = 0;
    url_.clear();
    scheme_ = INTERNET_SCHEME_HTTP;
    scheme_text_.clear();
    host_.clear();
    port_ = INTERNET_DEFAULT_HTTP_PORT;
    path_.clear();
    extra_info_.clear();
    status_line_.clear();
    final_url_.clear();
    response_headers_.Clear();
    return true;
}

void TickHTTP::CloneFromComponent(const TickCore& source) {
    TickWinInet::CloneFromComponent(source);
    if (const auto* other = dynamic_cast<const TickHTTP*>(&source)) {
        Accept = other->Accept;
        AllowCookies = other->AllowCookies;
        LocalFile = other->LocalFile;
        if (!other->url_.empty()) SetURL(other->url_);
        User = other->User;  // after the URL, which replaces the login
        Password = other->Password;
        UserAgent = other->UserAgent;
        OnHeader = other->OnHeader;
    }
}

void TickHTTP::SetURL(const std::string& url) {
    url_ = url;
    SetLastErrorText("");
    URL_COMPONENTSA parts;
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts)) {
        Error(static_cast<int>(GetLastError()), "");
        return;
    }
    scheme_text_ = parts.scheme;
    scheme_ = parts.nScheme;
    host_ = parts.hostName;
    port_ = parts.nPort;
    // Only the login is decoded: decoding the path would let %0D%0A inject header lines and
    // %2F or %3F change which resource is asked for.
    User = PercentDecode(parts.userName);
    Password = PercentDecode(parts.password);
    extra_info_ = parts.extraInfo;
    path_ = EncodeRequestTarget(parts.urlPath + WithoutFragment(parts.extraInfo));
}

void TickHTTP::SetAction(TickHTTPActions action) {
    action_ = static_cast<int>(action);
    try {
        Execute(static_cast<int>(action));
    } catch (...) {
        action_ = 0;
        throw;
    }
    action_ = 0;
}

int TickHTTP::DoAction(int action) {
    action_ = action;
    SetLastErrorText("");
    int code = 0;
    switch (static_cast<TickHTTPActions>(action)) {
        case TickHTTPActions::Idle: CloseAll(); break;
        case TickHTTPActions::Get: code = DoRequest("GET", false, false); break;
        case TickHTTPActions::Post: code = DoRequest("POST", true, false); break;
        case TickHTTPActions::Head: code = DoRequest("HEAD", false, true); break;
        case TickHTTPActions::Put: code = DoRequest("PUT", true, false); break;
        case TickHTTPActions::ResetHeaders: ClearRequestFields(); break;
        default: code = static_cast<int>(ERROR_INVALID_PARAMETER); break;
    }
    action_ = 0;
    return code;
}

void TickHTTP::DoHeader(const std::string& field, const std::string& value) {
    if (OnHeader) OnHeader(*this, field, value);
}

void TickHTTP::CloseAll() {
    CloseSlot(request_);
    CloseSlot(connection_);
    CloseSlot(internet_);
    download_.Discard();
}

void TickHTTP::ClearRequestFields() {
    url_.clear();
    scheme_ = INTERNET_SCHEME_HTTP;
    scheme_text_.clear();
    host_.clear();
    path_.clear();
    extra_info_.clear();
    port_ = INTERNET_DEFAULT_HTTP_PORT;
    PostData.clear();
    ContentType.clear();
    Accept.clear();
    From.clear();
    IfModifiedSince.clear();
    Referrer.clear();
    Pragma.clear();
    ExtraHeaders.clear();
    AttachedFile.clear();
    LocalFile.clear();
    status_line_.clear();
    response_headers_.Clear();
}

int TickHTTP::DoRequest(const char* verb, bool has_body, bool head_only) {
    int code = 0;
    local_file_error_ = 0;
    try {
        code = RunRequest(verb, has_body, head_only);
    } catch (const std::bad_alloc&) {
        code = static_cast<int>(ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        // An event handler failed: the transfer fails with it, and no file is left half written.
        code = static_cast<int>(ERROR_INTERNET_INTERNAL_ERROR);
    }
    if (code != 0 && CancelRequested()) code = static_cast<int>(kCancelled);
    CloseSlot(request_);
    CloseSlot(connection_);
    download_.Discard();  // after a commit there is nothing left to discard
    return code;
}

int TickHTTP::Failed(DWORD error) { return static_cast<int>(CancelRequested() ? kCancelled : error); }

int TickHTTP::OpenConnection(HINTERNET& conn) {
    CloseSlot(request_);
    CloseSlot(connection_);
    CloseSlot(internet_);

    DWORD access = INTERNET_OPEN_TYPE_PRECONFIG;
    std::string proxy, bypass;
    if (ProxyBypass == "*") {
        access = INTERNET_OPEN_TYPE_DIRECT;
    } else if (!ProxyServer.empty() || !ProxyBypass.empty()) {
        access = INTERNET_OPEN_TYPE_PROXY;
        proxy = ProxyServer;
        bypass = ProxyBypass;
    }
    HINTERNET inet = InternetOpenA(UserAgent.c_str(), access, proxy.c_str(), bypass.c_str(), 0);
    if (!inet) return Failed(GetLastError());
    InternetSetStatusCallback(inet, &TickWinInet::StatusCallback);
    if (!Keep(internet_, inet)) return kCancelled;

    const auto context = reinterpret_cast<DWORD_PTR>(static_cast<TickWinInet*>(this));
    conn = InternetConnectA(inet, host_.c_str(), port_, User.c_str(), Password.c_str(), INTERNET_SERVICE_HTTP, 0,
                            context);
    if (!conn) return Failed(GetLastError());
    if (!Keep(connection_, conn)) return kCancelled;
    return 0;
}

int TickHTTP::OpenRequest(HINTERNET conn, const char* verb, bool secure, HINTERNET& req) {
    DWORD flags = RequestFlags & ~INTERNET_FLAG_SECURE;
    if (secure) flags |= INTERNET_FLAG_SECURE;
    flags |= UseCache ? INTERNET_FLAG_RESYNCHRONIZE : INTERNET_FLAG_RELOAD;
    if (!AllowCookies) flags |= INTERNET_FLAG_NO_COOKIES;
    flags |= INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_UI;
    const auto context = reinterpret_cast<DWORD_PTR>(static_cast<TickWinInet*>(this));
    const char* accept_types[] = {Accept.c_str(), nullptr};
    const char* const* accept = Accept.empty() ? nullptr : accept_types;
    req = HttpOpenRequestA(conn, verb, path_.c_str(), HTTPVersion.c_str(), Referrer.c_str(), accept, flags, context);
    if (!req && GetLastError() == ERROR_INVALID_PARAMETER)
        req = HttpOpenRequestA(conn, verb, path_.c_str(), HTTPVersion.c_str(), Referrer.c_str(), accept,
                               flags & ~INTERNET_FLAG_NO_UI, context);
    if (!req) return Failed(GetLastError());
    if (!Keep(request_, req)) return kCancelled;
    INTERNET_REDIRECT_CHECK redirect_check{&TickHTTP::CheckRedirect, this};
    if (!InternetSetOptionA(req, INTERNET_OPTION_REDIRECT_CHECK, &redirect_check, sizeof redirect_check))
        return Failed(GetLastError());

    const std::pair<const char*, const std::string*> headers[] = {
        {"Content-Type: ", &ContentType}, {"From: ", &From}, {"If-Modified-Since: ", &IfModifiedSince}, {"Pragma: ", &Pragma}};
    for (const auto& [name, value] : headers) {
        if (value->empty()) continue;
        const std::string line = name + *value + "\r\n";
        if (!HttpAddRequestHeadersA(req, line.c_str(), static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD))
            return Failed(GetLastError());
    }
    if (!ExtraHeaders.empty() &&
        !HttpAddRequestHeadersA(req, ExtraHeaders.c_str(), static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD))
        return Failed(GetLastError());
    return 0;
}

int TickHTTP::ReadRequestBody(std::string& body) {
    body = PostData;
    if (AttachedFile.empty()) return 0;
    CFileStream attached;
    if (attached.OpenRead(AttachedFile) != 0) {
        SetLastErrorText("Can't open attached file for reading.");
        return kFileOpen;
    }
    std::string data(static_cast<std::size_t>(attached.Size()), '\0');
    if (!data.empty() && attached.Read(data.data(), data.size()) != 0) {
        SetLastErrorText("Can't read from attached file.");
        return kFileWrite;
    }
    body += data;
    return 0;
}

int TickHTTP::SendWithProxyLogin(HINTERNET req, const std::string& body) {
    auto send = [&] { return HttpSendRequestA(req, nullptr, 0, body.data(), static_cast<DWORD>(body.size())); };
    auto send_failed = [&] {
        const DWORD error = GetLastError();
        if (error == ERROR_HTTP_REDIRECT_FAILED && !refused_redirect_.empty())
            SetLastErrorText("Redirect refused: " + refused_redirect_);
        return Failed(error);
    };
    if (!send()) return send_failed();
    if (ProxyUser.empty() || ProxyPassword.empty()) return 0;
    DWORD status = 0;
    DWORD length = sizeof status;
    if (HttpQueryInfoA(req, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr) &&
        status == 407) {
        InternetSetOptionA(req, INTERNET_OPTION_PROXY_PASSWORD, ProxyPassword.data(), static_cast<DWORD>(ProxyPassword.size()));
        InternetSetOptionA(req, INTERNET_OPTION_PROXY_USERNAME, ProxyUser.data(), static_cast<DWORD>(ProxyUser.size()));
        if (!send()) return send_failed();
    }
    return 0;
}

void TickHTTP::ReadResponseHeaders(HINTERNET req) {
    DWORD length = 0;
    HttpQueryInfoA(req, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &length, nullptr);
    std::string raw(length, '\0');
    if (length == 0 || !HttpQueryInfoA(req, HTTP_QUERY_RAW_HEADERS_CRLF, raw.data(), &length, nullptr)) return;
    raw.resize(length);
    const auto first_end = raw.find("\r\n");
    status_line_ = raw.substr(0, first_end);
    response_headers_.SetText(first_end == std::string::npos ? std::string() : raw.substr(first_end + 2));
    for (const auto& line : response_headers_) {
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            DoHeader("", line);
        else
            DoHeader(line.substr(0, colon), line.substr(colon + 1));
    }
}

int TickHTTP::ReceiveBody(HINTERNET req, bool& end_transfer, bool& complete) {
    std::int64_t total = 0;
    std::string block;
    for (;;) {
        DWORD available = 0;
        if (!InternetQueryDataAvailable(req, &available, 0, 0)) {
            end_transfer = false;
            return Failed(GetLastError());
        }
        if (available == 0) {
            complete = true;
            return 0;
        }
        int code = 0;
        if (!download_.IsOpen() && !LocalFile.empty() && !CreateLocalFile(code)) {
            end_transfer = false;
            return code;
        }
        block.resize(available);
        DWORD read = 0;
        if (!InternetReadFile(req, block.data(), available, &read)) return Failed(GetLastError());
        if (read == 0) {
            complete = true;
            return 0;
        }
        block.resize(read);
        if (download_.IsOpen() && (local_file_error_ = download_.Write(block.data(), block.size())) != 0) {
            SetLastErrorText("Error writing to LocalFile");
            end_transfer = false;
            return kFileWrite;
        }
        total += read;
        DoTransfer(total, block);
    }
}

int TickHTTP::FinishTransfer(int code, bool end_transfer, bool complete, bool head_only) {
    // A stopped transfer is never reported as finished.
    if (CancelRequested()) {
        code = static_cast<int>(kCancelled);
        end_transfer = false;
        complete = false;
    }
    if (end_transfer) {
        DoEndTransfer();
        const auto blank = status_line_.find(' ');
        if (code == 0 && blank != std::string::npos && blank + 1 < status_line_.size() && status_line_[blank + 1] != '2') {
            SetLastErrorText(status_line_.substr(blank + 1));
            code = kStatusError;
        }
    }
    if (code == 0 && complete && CancelRequested()) code = static_cast<int>(kCancelled);
    // A complete 2xx without a body is an empty file: a saved item always has its file.
    if (code == 0 && complete && !head_only && !LocalFile.empty() && !download_.IsOpen()) CreateLocalFile(code);
    if (code == 0 && complete && download_.IsOpen() && (local_file_error_ = download_.Commit()) != 0) {
        SetLastErrorText("Error writing to LocalFile");
        code = kFileWrite;
    }
    return code;
}

int TickHTTP::RunRequest(const char* verb, bool has_body, bool head_only) {
    status_line_.clear();
    final_url_.clear();
    refused_redirect_.clear();
    response_headers_.Clear();
    const bool secure = scheme_ == INTERNET_SCHEME_HTTPS && IsSecure();
    if (scheme_ != INTERNET_SCHEME_HTTP && !secure) {
        SetLastErrorText("Specified URLScheme is invalid.");
        return kBadScheme;
    }
    if (host_.empty()) {
        SetLastErrorText("No server specified in URL.");
        return kNoServer;
    }
    HINTERNET conn = nullptr;
    HINTERNET req = nullptr;
    if (const int code = OpenConnection(conn)) return code;
    if (const int code = OpenRequest(conn, verb, secure, req)) return code;
    std::string body;
    if (has_body) {
        if (const int code = ReadRequestBody(body)) return code;
    }
    if (const int code = SendWithProxyLogin(req, body)) return code;
    ReadResponseHeaders(req);  // a failure here is not reported
    DoStartTransfer();

    int code = 0;
    bool end_transfer = true;
    bool complete = head_only;
    if (!head_only) code = ReceiveBody(req, end_transfer, complete);
    return FinishTransfer(code, end_transfer, complete, head_only);
}

bool TickHTTP::CheckRedirect(void* self, const char* target) {
    auto& http = *static_cast<TickHTTP*>(self);
    if (http.RedirectCheck && !http.RedirectCheck(target)) {
        http.refused_redirect_ = target;
        return false;
    }
    http.final_url_ = target;
    return true;
}

bool TickHTTP::CreateLocalFile(int& code) {
    local_file_error_ = download_.Create(LocalFile);
    if (local_file_error_ == 0) return true;
    SetLastErrorText("Can't open local file for writing.");
    code = kFileOpen;
    return false;
}

TickHTTPS::TickHTTPS() { port_ = INTERNET_DEFAULT_HTTPS_PORT; }

}  // namespace corvane
