#pragma once
// One HTTP transaction per action: the URL is split, the request sent, the response headers
// reported one by one, the body streamed into LocalFile with progress events, and a status that
// is not 2xx turned into error 151. TickHTTPS may also fetch https URLs.
//
// The body is written to a temporary file of its own beside LocalFile and renamed over LocalFile only
// when the status is 2xx and the body complete (an empty body gives an empty file); otherwise the
// temporary file is removed and an earlier copy stays. A failed request or a non-2xx status
// never creates LocalFile.

#include "platform/rtl/string_list.h"
#include "transfer/download_file.h"
#include "transfer/tick_wininet.h"

#include <atomic>
#include <functional>
#include <string>

namespace corvane {

enum class TickHTTPActions { Idle = 0, Get = 1, Post = 2, Head = 3, ResetHeaders = 4, Put = 5 };

class TickHTTP : public TickWinInet {
public:
    using TickHTTPHeaderEvent = std::function<void(TickHTTP& sender, const std::string& Field, const std::string& Value)>;

    static constexpr int kStatusError = 151;
    static constexpr int kNoServer = 152;
    static constexpr int kBadScheme = 153;
    static constexpr int kFileOpen = 302;
    static constexpr int kFileWrite = 144;

    TickHTTP();
    ~TickHTTP() override;

    // Runs the action synchronously (see TickWinInet::Execute); Idle cancels a running action.
    void SetAction(TickHTTPActions action);
    TickHTTPActions Action() const { return static_cast<TickHTTPActions>(action_.load()); }

    // Splits the URL into its parts; User and Password become the URL's own (empty when it has
    // none). The request target keeps the path and query as written (escapes are not decoded),
    // with bytes a request line cannot carry percent-encoded and the fragment dropped.
    void SetURL(const std::string& url);
    const std::string& URL() const { return url_; }

    virtual bool IsSecure() const { return false; }
    bool Initialize() override;
    void CloneFromComponent(const TickCore& source) override;

    std::string Accept;
    bool AllowCookies = true;
    std::string AttachedFile;
    std::string ContentType;
    std::string From;
    std::string HTTPVersion = "HTTP/1.0";
    std::string IfModifiedSince;
    std::string LocalFile;
    std::string ExtraHeaders;
    std::string PostData;
    std::string Pragma;
    std::string Referrer;
    std::string UserAgent;
    std::string ProxyUser;
    std::string ProxyPassword;
    DWORD RequestFlags = 0;
    TickHTTPHeaderEvent OnHeader;
    // Asked, on the worker thread, with the absolute target of each redirect before it is followed;
    // false ends the transaction with ERROR_HTTP_REDIRECT_FAILED and the target in LastErrorText.
    // Unset: every redirect the layer allows is followed.
    std::function<bool(const std::string& target)> RedirectCheck;

    // The URL's parts.
    int Scheme() const { return scheme_; }
    const std::string& SchemeText() const { return scheme_text_; }
    const std::string& Host() const { return host_; }
    INTERNET_PORT Port() const { return port_; }
    const std::string& Path() const { return path_; }
    const std::string& ExtraInfo() const { return extra_info_; }

    // The last response.
    const std::string& StatusLine() const { return status_line_; }
    // Where the last response came from after redirects; empty when it was not redirected.
    const std::string& FinalURL() const { return final_url_; }
    const TStringList& ResponseHeaders() const { return response_headers_; }
    // The system's error number of the last request's failure to make, write or keep LocalFile; 0
    // when it had none. Tells a full disk from a failure of the server.
    int LocalFileError() const { return local_file_error_; }

    static const char* const kDefaultUserAgent;

protected:
    int DoAction(int action) override;
    virtual void DoHeader(const std::string& field, const std::string& value);
    // Never throws: a failing event handler fails the transaction (ERROR_NOT_ENOUGH_MEMORY for an
    // allocation failure, else ERROR_INTERNET_INTERNAL_ERROR).
    int DoRequest(const char* verb, bool has_body, bool head_only);
    INTERNET_PORT port_ = INTERNET_DEFAULT_HTTP_PORT;

private:
    // The steps of a transaction, in order; each answers 0 or the transaction's failure.
    int RunRequest(const char* verb, bool has_body, bool head_only);
    int OpenConnection(HINTERNET& conn);
    int OpenRequest(HINTERNET conn, const char* verb, bool secure, HINTERNET& req);
    int ReadRequestBody(std::string& body);  // PostData, then the attached file
    int SendWithProxyLogin(HINTERNET req, const std::string& body);  // again with the login on a 407
    void ReadResponseHeaders(HINTERNET req);  // each one handed to DoHeader
    // The body into LocalFile; end_transfer false when the end is not to be reported.
    int ReceiveBody(HINTERNET req, bool& end_transfer, bool& complete);
    // The end event, the check of the status and the commit of LocalFile.
    int FinishTransfer(int code, bool end_transfer, bool complete, bool head_only);
    // A failure while a cancel is under way is the cancel.
    int Failed(DWORD error);
    bool CreateLocalFile(int& code);
    static bool CheckRedirect(void* self, const char* target);
    void CloseAll();
    void ClearRequestFields();

    std::atomic<int> action_{0};
    std::string url_;
    int scheme_ = INTERNET_SCHEME_HTTP;
    std::string scheme_text_;
    std::string host_;
    std::string path_;
    std::string extra_info_;
    std::string status_line_;
    std::string final_url_;
    std::string refused_redirect_;
    TStringList response_headers_;
    TDownloadFile download_;
    std::atomic<int> local_file_error_{0};
};

class TickHTTPS : public TickHTTP {
public:
    TickHTTPS();
    bool IsSecure() const override { return true; }
};

}  // namespace corvane
