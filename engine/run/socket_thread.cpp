#include "engine/run/socket_thread.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "engine/run/dispatch_rules.h"
#include "engine/queue/queue_item.h"
#include "engine/model/task.h"
#include "platform/rtl/folders_below.h"
#include "platform/rtl/log.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/wait_while_serving.h"
#include "transfer/tick_http.h"

namespace corvane {

namespace {

// A stored header value as a request header's value: the leading blank dropped; a value with a
// control character (an edited queue file) is not sent at all.
std::string ValidatorValue(const std::string& stored) {
    const auto start = stored.find_first_not_of(" \t");
    if (start == std::string::npos) return {};
    for (const char c : stored)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return {};
    return stored.substr(start);
}

bool IsNotModified(const std::string& status_line) {
    const auto blank = status_line.find(' ');
    return blank != std::string::npos && status_line.compare(blank + 1, 3, "304") == 0;
}

}  // namespace

TThreadSocket::TThreadSocket(const EngineTiming& timing) : TThread("connection"), timing_(timing) {}

TThreadSocket::~TThreadSocket() { Release(); }

bool TThreadSocket::StartJob(TSocketJob& job) {
    std::lock_guard guard(lock_);
    if (busy_.load(std::memory_order_relaxed)) return false;
    local_file_ = std::move(job.LocalFile);
    folder_ = std::move(job.Folder);
    use_cache_ = job.UseCache;
    if_modified_since_ = std::move(job.IfModifiedSince);
    if_none_match_ = std::move(job.IfNoneMatch);
    kept_in_archive_ = job.KeptInArchive;
    user_agent_ = std::move(job.UserAgent);
    user_ = std::move(job.User);
    password_ = std::move(job.Password);
    ClearResultsLocked();
    item_ = std::move(job.Item);
    task_ = std::move(job.Task);
    on_done_ = std::move(job.OnDone);
    on_progress_ = std::move(job.OnProgress);
    on_status_ = std::move(job.OnStatus);
    redirect_check_ = std::move(job.RedirectCheck);
    stopped_ = false;
    url_ = std::move(job.URL);
    busy_.store(true, std::memory_order_release);
    return true;
}

void TThreadSocket::Stop() {
    TickHTTPS* http;
    {
        std::lock_guard guard(lock_);
        if (!busy_.load(std::memory_order_relaxed)) return;
        stopped_ = true;
        status_text_ = kSocketStopped;
        http = http_.get();
    }
    if (http != nullptr) {
        // A cancel reaches only a transfer that has begun, so wait for the GET to begin or to be
        // skipped (the connection thread tests the mark just before it starts).
        for (;;) {
            {
                std::lock_guard guard(lock_);
                if (!in_get_) break;
            }
            if (http->Busy()) {
                http->SetAction(TickHTTPActions::Idle);
                break;
            }
            std::this_thread::yield();
        }
    }
    std::lock_guard guard(lock_);
    if (busy_.load(std::memory_order_relaxed)) status_text_ = kSocketStopped;
}

void TThreadSocket::Reset() {
    std::lock_guard guard(lock_);
    user_agent_.clear();
    user_.clear();
    password_.clear();
    use_cache_ = false;
    if_modified_since_.clear();
    if_none_match_.clear();
    ClearResultsLocked();
    item_.reset();
    task_.reset();
    on_done_ = nullptr;
    on_progress_ = nullptr;
    on_status_ = nullptr;
    redirect_check_ = nullptr;
    url_.clear();
    busy_.store(false, std::memory_order_release);
}

void TThreadSocket::ClearResultsLocked() {
    content_length_ = 0;
    bytes_transferred_ = 0;
    status_code_.clear();
    final_url_.clear();
    last_modified_.clear();
    etag_.clear();
    status_text_.clear();
    unchanged_ = false;
    local_error_ = 0;
}

TSocketSnapshot TThreadSocket::SnapshotLocked() const {
    TSocketSnapshot s;
    s.Busy = busy_.load(std::memory_order_relaxed);
    s.Stopped = stopped_;
    s.URL = url_;
    s.LocalFile = local_file_;
    s.Folder = folder_;
    s.UseCache = use_cache_;
    s.IfModifiedSince = if_modified_since_;
    s.IfNoneMatch = if_none_match_;
    s.KeptInArchive = kept_in_archive_;
    s.UserAgent = user_agent_;
    s.ContentLength = content_length_;
    s.BytesTransferred = bytes_transferred_;
    s.StatusCode = status_code_;
    s.FinalURL = final_url_;
    s.LastModified = last_modified_;
    s.ETag = etag_;
    s.StatusText = status_text_;
    s.Unchanged = unchanged_;
    s.LocalError = local_error_;
    return s;
}

TSocketSnapshot TThreadSocket::Snapshot() const {
    std::lock_guard guard(lock_);
    return SnapshotLocked();
}

std::unique_ptr<TCVQItem> TThreadSocket::TakeItem() {
    std::lock_guard guard(lock_);
    return std::move(item_);
}

std::shared_ptr<TCVTask> TThreadSocket::JobTask() const {
    std::lock_guard guard(lock_);
    return task_;
}

void TThreadSocket::WithItem(const std::function<void(TCVQItem&, const TSocketSnapshot&)>& fn) {
    std::lock_guard guard(lock_);
    if (item_) fn(*item_, SnapshotLocked());
}

void TThreadSocket::Release() {
    Stop();
    Terminate();
    WaitFor();
}

void TThreadSocket::Execute() {
    while (!Terminated()) {
        if (busy_.load(std::memory_order_acquire)) RunGuarded("transfer", [this] { RunJob(); });
        for (int i = 0; i < timing_.SocketPollSteps; ++i)
            if (!Sleep(timing_.SocketPollStep)) break;
    }
}

void TThreadSocket::SetStatusText(const std::string& text) {
    std::lock_guard guard(lock_);
    if (!stopped_) status_text_ = text;
}

TickHTTPS& TThreadSocket::Http() {
    {
        std::lock_guard guard(lock_);
        if (http_) return *http_;
    }
    auto http = std::make_unique<TickHTTPS>();
    http->SetWaitStep(timing_.HttpWaitStep);
    http->OnHeader = [this](TickHTTP&, const std::string& field, const std::string& value) {
        std::lock_guard guard(lock_);
        if (SameText(field, "CONTENT-LENGTH")) content_length_ = ParseContentLength(value);
        if (SameText(field, "Last-Modified")) last_modified_ = value;
        if (SameText(field, "ETag")) etag_ = value;
    };
    http->RedirectCheck = [this](const std::string& target) {
        std::function<bool(const std::string&)> check;
        {
            std::lock_guard guard(lock_);
            check = redirect_check_;
        }
        return !check || check(target);
    };
    http->OnStartTransfer = [this](TickWinInet&) { SetStatusText(kSocketConnecting); };
    http->OnEndTransfer = [this](TickWinInet&) { SetStatusText(kSocketComplete); };
    http->OnStatus = [this](TickWinInet&, int, const std::string& description) {
        TSocketEvent on_status;
        {
            std::lock_guard guard(lock_);
            if (!stopped_) status_text_ = description;
            on_status = on_status_;
        }
        if (on_status) on_status(*this);
    };
    http->OnTransfer = [this](TickWinInet&, std::int64_t bytes, const std::string&) {
        TSocketEvent on_progress;
        {
            std::lock_guard guard(lock_);
            if (!stopped_) status_text_ = kSocketDownloading;
            bytes_transferred_ = bytes;
            on_progress = on_progress_;
        }
        if (on_progress) on_progress(*this);
    };
    std::lock_guard guard(lock_);
    http_ = std::move(http);
    return *http_;
}

void TThreadSocket::RunJob() {
    TSocketSnapshot job;
    {
        std::lock_guard guard(lock_);
        job = SnapshotLocked();
    }
    if (!IsWebURL(job.URL) || job.LocalFile.empty()) {
        // Nothing to fetch (not a web URL, or no safe place for the file): an error at once, so the
        // connection does not stay busy with it; a web URL's item says why.
        std::lock_guard guard(lock_);
        if (!stopped_) status_text_ = kSocketError;
        status_code_ = IsWebURL(job.URL) ? kNoSafeLocalName : "";
    } else {
        DoDownload(job);
    }
    TSocketEvent on_done;
    {
        std::lock_guard guard(lock_);
        on_done = on_done_;
    }
    if (on_done) on_done(*this);
}

void TThreadSocket::PrepareTransfer(TickHTTPS& http, const TSocketSnapshot& job, int& local_error) {
    http.SetURL(job.URL);  // takes any login in the URL; the task's own comes after it
    http.LocalFile = job.LocalFile;
    http.UseCache = job.UseCache;
    // No cache here to resynchronise: the copy on disk is the cache, and its validators ask the
    // server whether it still stands.
    http.IfModifiedSince = ValidatorValue(job.IfModifiedSince);
    const std::string etag = ValidatorValue(job.IfNoneMatch);
    http.ExtraHeaders = etag.empty() ? std::string() : "If-None-Match: " + etag + "\r\n";
    http.UserAgent = job.UserAgent;
    {
        std::lock_guard guard(lock_);
        http.User = user_;
        http.Password = password_;
    }
    http.AllowCookies = true;
    const auto slash = job.LocalFile.rfind('/');
    if (slash == std::string::npos || slash == 0) return;
    const std::string dir = job.LocalFile.substr(0, slash);
    std::string why;
    if (job.Folder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
    } else if (!ForceFoldersBelow(job.Folder, dir, &why)) {
        const int error = errno;  // of the folder that could not be made
        if (IsLocalWriteFailure(error)) local_error = error;
        LogWarning("Not saving " + job.URL + ": " + why);
        throw std::runtime_error(why);
    }
}

void TThreadSocket::RunGet(TickHTTPS& http, bool& requested, std::string& refusal) {
    bool run;
    {
        std::lock_guard guard(lock_);
        run = !stopped_;
        in_get_ = run;
    }
    if (!run) return;
    requested = true;
    try {
        http.SetAction(TickHTTPActions::Get);
    } catch (const EInetKitError& e) {
        if (e.Code() == static_cast<int>(ERROR_HTTP_REDIRECT_FAILED)) refusal = http.LastErrorText();
        std::lock_guard guard(lock_);
        in_get_ = false;
        throw;
    } catch (...) {
        std::lock_guard guard(lock_);
        in_get_ = false;
        throw;
    }
    std::lock_guard guard(lock_);
    in_get_ = false;
}

namespace {

// The transfer's own error text without its number: "[12029] Internet Cannot Connect.." gives
// "Internet Cannot Connect".
std::string TransferErrorText(const TickHTTPS& http) {
    std::string text = http.LastErrorText();
    if (!text.empty() && text[0] == '[') {
        const auto close = text.find("] ");
        if (close != std::string::npos) text.erase(0, close + 2);
    }
    while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
    return text;
}

// The job's status: a refused redirect's reason, else the server's status line; a job that never
// got an answer says why (the transfer's error, "Error" when it has none), and one that never
// reached the transfer has none. A failure after a success status is the failure, never "200 OK":
// a body cut short or reset is incomplete, and a body that could not be written says why.
std::string TransferStatus(TickHTTPS& http, bool requested, bool failed, const std::string& refusal) {
    std::string status = !refusal.empty() ? refusal
                         : requested      ? StatusFromCode(http.StatusLine())
                                          : std::string();
    if (failed && requested && status.empty()) {
        status = TransferErrorText(http);
        if (status.empty()) status = kSocketError;
    }
    if (failed && refusal.empty() && !status.empty() && status[0] == '2') {
        if (http.LocalFileError() != 0) {
            std::string what = http.LastErrorText();
            while (!what.empty() && what.back() == '.') what.pop_back();
            status = what + ": " + std::strerror(http.LocalFileError());
        } else {
            status = kTransferIncomplete;
        }
    }
    return status;
}

}  // namespace

void TThreadSocket::DoDownload(const TSocketSnapshot& job) {
    TickHTTPS& http = Http();
    {
        std::lock_guard guard(lock_);
        content_length_ = 0;
        bytes_transferred_ = 0;
        if (!stopped_) status_text_.clear();
    }
    bool requested = false;
    bool failed = false;
    int local_error = 0;
    std::string refusal;
    std::string unprepared;  // why the file has no place, when that ends the job before the request
    bool unchanged = false;
    try {
        try {
            PrepareTransfer(http, job, local_error);
        } catch (const std::exception& e) {
            unprepared = e.what();
            throw;
        }
        RunGet(http, requested, refusal);
    } catch (...) {
        const bool validated = !job.IfModifiedSince.empty() || !job.IfNoneMatch.empty();
        unchanged = requested && validated && IsNotModified(http.StatusLine());
        failed = !unchanged;
        std::lock_guard guard(lock_);
        if (unchanged) {
            if (!stopped_) status_text_ = kSocketComplete;
        } else if (!stopped_) {
            status_text_ = kSocketError;
            content_length_ = 0;
            bytes_transferred_ = 0;
        }
    }
    if (failed && requested && IsLocalWriteFailure(http.LocalFileError())) local_error = http.LocalFileError();
    std::string status = TransferStatus(http, requested, failed, refusal);
    if (failed && !requested && status.empty()) status = unprepared.empty() ? kSocketError : unprepared;
    const std::string final_url = requested && http.FinalURL() != job.URL ? http.FinalURL() : std::string();
    std::lock_guard guard(lock_);
    status_code_ = status;
    final_url_ = final_url;
    unchanged_ = unchanged && !stopped_;
    local_error_ = stopped_ ? 0 : local_error;
}

}  // namespace corvane
