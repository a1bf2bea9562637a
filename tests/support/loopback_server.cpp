#include "tests/support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace corvane::test {

namespace {

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Reason(int status) {
    switch (status) {
        case 200: return "OK";
        case 201: return "Created";
        case 204: return "No Content";
        case 206: return "Partial Content";
        case 301: return "Moved Permanently";
        case 302: return "Found";
        case 303: return "See Other";
        case 304: return "Not Modified";
        case 307: return "Temporary Redirect";
        case 400: return "Bad Request";
        case 401: return "Unauthorized";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 407: return "Proxy Authentication Required";
        case 500: return "Internal Server Error";
        case 503: return "Service Unavailable";
        default: return "Status";
    }
}

std::string Base64(const std::string& in) {
    static const char* const k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(in[i]) << 16) | (static_cast<unsigned char>(in[i + 1]) << 8) |
                           static_cast<unsigned char>(in[i + 2]);
        out += {k[v >> 18], k[(v >> 12) & 63], k[(v >> 6) & 63], k[v & 63]};
    }
    if (i + 1 == in.size()) {
        const unsigned v = static_cast<unsigned char>(in[i]) << 16;
        out += {k[v >> 18], k[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == in.size()) {
        const unsigned v = (static_cast<unsigned char>(in[i]) << 16) | (static_cast<unsigned char>(in[i + 1]) << 8);
        out += {k[v >> 18], k[(v >> 12) & 63], k[(v >> 6) & 63], '='};
    }
    return out;
}

}  // namespace

// --- ReceivedRequest

bool ReceivedRequest::HasHeader(const std::string& name) const {
    return std::any_of(headers.begin(), headers.end(), [&](const auto& h) { return SameText(h.first, name); });
}

std::string ReceivedRequest::Header(const std::string& name) const {
    for (const auto& h : headers)
        if (SameText(h.first, name)) return h.second;
    return {};
}

std::string ReceivedRequest::Path() const { return target.substr(0, target.find('?')); }

// --- ScriptedResponse

ScriptedResponse ScriptedResponse::Text(std::string body, std::string content_type, int status) {
    ScriptedResponse r;
    r.status = status;
    r.body = std::move(body);
    r.headers.emplace_back("Content-Type", std::move(content_type));
    return r;
}

ScriptedResponse ScriptedResponse::Status(int status, std::string body) {
    ScriptedResponse r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

ScriptedResponse ScriptedResponse::Redirect(const std::string& location, int status) {
    ScriptedResponse r;
    r.status = status;
    r.headers.emplace_back("Location", location);
    r.body = "moved";
    return r;
}

ScriptedResponse& ScriptedResponse::Header(std::string name, std::string value) {
    headers.emplace_back(std::move(name), std::move(value));
    return *this;
}

// --- one connection's byte stream, plain or TLS

class LoopbackServer::Connection {
public:
    Connection(int fd, SSL* ssl, const std::atomic<bool>& stopping) : fd_(fd), ssl_(ssl), stopping_(stopping) {}
    ~Connection() {
        if (ssl_) SSL_free(ssl_);
    }

    // > 0 bytes read, 0 at the end of the stream or when the server stops.
    int Read(char* buffer, int size) {
        for (;;) {
            if (stopping_) return 0;
            if (!(ssl_ && SSL_pending(ssl_) > 0)) {
                pollfd p{fd_, POLLIN, 0};
                const int ready = ::poll(&p, 1, 50);
                if (ready == 0) continue;
                if (ready < 0) return errno == EINTR ? Read(buffer, size) : 0;
            }
            const int n = ssl_ ? SSL_read(ssl_, buffer, size) : static_cast<int>(::recv(fd_, buffer, static_cast<std::size_t>(size), 0));
            return n > 0 ? n : 0;
        }
    }

    bool Write(const std::string& data) {
        std::size_t done = 0;
        while (done < data.size()) {
            if (stopping_) return false;
            const int n = ssl_ ? SSL_write(ssl_, data.data() + done, static_cast<int>(data.size() - done))
                               : static_cast<int>(::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL));
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Holds the connection until the client closes it or the server stops.
    void Hold() {
        char sink[512];
        while (Read(sink, sizeof sink) > 0) {
        }
    }

private:
    int fd_;
    SSL* ssl_;
    const std::atomic<bool>& stopping_;
};

// --- LoopbackServer

LoopbackServer::LoopbackServer(Protocol protocol) {
    if (protocol == Protocol::Https)
        Start(true, &TestCertificates::Instance().Server());
    else
        Start(false, nullptr);
}

LoopbackServer::LoopbackServer(const ServerCertificate& certificate) { Start(true, &certificate); }

void LoopbackServer::Start(bool tls, const ServerCertificate* certificate) {
    std::signal(SIGPIPE, SIG_IGN);
    tls_ = tls;
    if (tls) {
        SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
        BIO* cert_bio = BIO_new_mem_buf(certificate->cert_pem.data(), static_cast<int>(certificate->cert_pem.size()));
        X509* cert = PEM_read_bio_X509(cert_bio, nullptr, nullptr, nullptr);
        BIO_free(cert_bio);
        BIO* key_bio = BIO_new_mem_buf(certificate->key_pem.data(), static_cast<int>(certificate->key_pem.size()));
        EVP_PKEY* key = PEM_read_bio_PrivateKey(key_bio, nullptr, nullptr, nullptr);
        BIO_free(key_bio);
        if (!ctx || !cert || !key || SSL_CTX_use_certificate(ctx, cert) != 1 || SSL_CTX_use_PrivateKey(ctx, key) != 1)
            throw std::runtime_error("loopback server: TLS set-up failed");
        X509_free(cert);
        EVP_PKEY_free(key);
        ssl_ctx_ = ctx;
    }
    fallback_ = [](const ReceivedRequest&) { return ScriptedResponse::Text("Not Found", "text/plain", 404); };

    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (listen_fd_ < 0 || ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listen_fd_, 64) != 0)
        throw std::runtime_error("loopback server: cannot listen");
    socklen_t length = sizeof address;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    if (::pipe(wake_pipe_) != 0) throw std::runtime_error("loopback server: pipe");
    accept_thread_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    {
        // Under the lock, so a handler that has just looked at the flag is waiting when told.
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    cv_.notify_all();
    [[maybe_unused]] const auto n = ::write(wake_pipe_[1], "x", 1);
    if (accept_thread_.joinable()) accept_thread_.join();
    {
        std::lock_guard lock(mutex_);
        for (const int fd : open_fds_) ::shutdown(fd, SHUT_RDWR);
    }
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(threads_mutex_);
        threads.swap(threads_);
    }
    for (auto& t : threads) t.join();
    ::close(listen_fd_);
    ::close(wake_pipe_[0]);
    ::close(wake_pipe_[1]);
    if (ssl_ctx_) SSL_CTX_free(static_cast<SSL_CTX*>(ssl_ctx_));
}

std::string LoopbackServer::Origin() const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

std::string LoopbackServer::Url(const std::string& path_and_query) const { return Origin() + path_and_query; }

void LoopbackServer::Serve(const std::string& path, ScriptedResponse response) {
    Handle(path, [response](const ReceivedRequest&) { return response; });
}

void LoopbackServer::Handle(const std::string& path, Handler handler) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(handler);
}

void LoopbackServer::ServeFiles(const std::string& prefix, const std::string& folder) {
    std::lock_guard lock(mutex_);
    prefixes_.emplace_back(prefix, [prefix, folder](const ReceivedRequest& request) {
        const std::string relative = request.Path().substr(prefix.size());
        if (relative.find("..") != std::string::npos) return ScriptedResponse::Status(403, "Forbidden");
        std::ifstream in(folder + relative, std::ios::binary);
        if (!in) return ScriptedResponse::Text("Not Found", "text/plain", 404);
        std::ostringstream data;
        data << in.rdbuf();
        ScriptedResponse r;
        r.body = data.str();
        return r;
    });
}

void LoopbackServer::Redirect(const std::string& path, const std::string& location, int status) {
    Serve(path, ScriptedResponse::Redirect(location, status));
}

void LoopbackServer::RequireBasicAuth(const std::string& path, const std::string& user, const std::string& password,
                                      ScriptedResponse response) {
    const std::string expected = "Basic " + Base64(user + ":" + password);
    Handle(path, [expected, response](const ReceivedRequest& request) {
        if (request.Header("Authorization") == expected) return response;
        ScriptedResponse challenge = ScriptedResponse::Status(401, "login required");
        challenge.Header("WWW-Authenticate", "Basic realm=\"loopback\"");
        return challenge;
    });
}

void LoopbackServer::SetFallback(Handler handler) {
    std::lock_guard lock(mutex_);
    fallback_ = std::move(handler);
}

void LoopbackServer::Hold(const std::string& path) {
    std::lock_guard lock(mutex_);
    released_[path] = false;
    const auto route = routes_.find(path);
    Handler answer = route != routes_.end() ? route->second : Handler();
    routes_[path] = [this, path, answer](const ReceivedRequest& request) {
        Handler then = answer;
        {
            std::unique_lock hold(mutex_);
            ++held_[path];
            cv_.wait(hold, [&] { return released_[path] || stopping_.load(); });
            --held_[path];
            if (!then) then = fallback_;
        }
        return then ? then(request) : ScriptedResponse::Status(404, "Not Found");
    };
}

void LoopbackServer::Release(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        released_[path] = true;
    }
    cv_.notify_all();
}

std::size_t LoopbackServer::Held(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto found = held_.find(path);
    return found == held_.end() ? 0 : found->second;
}

std::vector<ReceivedRequest> LoopbackServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t LoopbackServer::RequestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

ReceivedRequest LoopbackServer::LastRequest() const {
    std::lock_guard lock(mutex_);
    return requests_.empty() ? ReceivedRequest{} : requests_.back();
}

void LoopbackServer::ClearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

bool LoopbackServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

bool LoopbackServer::Pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    return !cv_.wait_for(lock, duration, [&] { return stopping_.load(); });
}

void LoopbackServer::AcceptLoop() {
    int serial = 0;
    for (;;) {
        pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {wake_pipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (stopping_ || (fds[1].revents & POLLIN)) return;
        if (!(fds[0].revents & POLLIN)) continue;
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++connections_;
        {
            std::lock_guard lock(mutex_);
            open_fds_.push_back(fd);
        }
        std::lock_guard lock(threads_mutex_);
        threads_.emplace_back([this, fd, s = ++serial] { ServeConnection(fd, s); });
    }
}

namespace {

constexpr const char* kFixedLastModified = "Sat, 01 Jan 2022 00:00:00 GMT";

ScriptedResponse WithValidators(const ReceivedRequest& request, ScriptedResponse response) {
    const std::string etag = "\"" + std::to_string(std::hash<std::string>{}(response.body)) + "\"";
    const bool matches = request.HasHeader("If-None-Match") ? request.Header("If-None-Match") == etag
                                                            : request.Header("If-Modified-Since") == kFixedLastModified;
    if (matches) {
        ScriptedResponse not_modified = ScriptedResponse::Status(304);
        not_modified.Header("ETag", etag);
        return not_modified;
    }
    response.Header("ETag", etag);
    response.Header("Last-Modified", kFixedLastModified);
    return response;
}

}  // namespace

ScriptedResponse LoopbackServer::Respond(const ReceivedRequest& request) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        const auto route = routes_.find(request.Path());
        if (route != routes_.end()) {
            handler = route->second;
        } else {
            for (const auto& [prefix, h] : prefixes_)
                if (request.Path().compare(0, prefix.size(), prefix) == 0) handler = h;
            if (!handler) handler = fallback_;
        }
    }
    ScriptedResponse response = handler(request);
    if (validators_ && response.status == 200 && response.raw.empty() && !response.body.empty())
        return WithValidators(request, std::move(response));
    return response;
}

void LoopbackServer::AnswerValidators() { validators_ = true; }

void LoopbackServer::ServeConnection(int fd, int serial) {
    SSL* ssl = nullptr;
    if (tls_) {
        ssl = SSL_new(static_cast<SSL_CTX*>(ssl_ctx_));
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) != 1) {
            ERR_clear_error();
            SSL_free(ssl);
            ssl = nullptr;
        }
    }
    if (!tls_ || ssl) {
        Connection conn(fd, ssl, stopping_);
        std::string pending;
        char chunk[16384];
        // Reads more of the request until it holds the wanted bytes; false when the peer is gone.
        auto read_until = [&](auto&& complete) {
            while (!complete()) {
                const int n = conn.Read(chunk, sizeof chunk);
                if (n <= 0) return false;
                pending.append(chunk, static_cast<std::size_t>(n));
            }
            return true;
        };
        bool open = true;
        while (open && !stopping_) {
            // Request line and headers.
            if (!read_until([&] { return pending.find("\r\n\r\n") != std::string::npos; })) break;
            const std::size_t end = pending.find("\r\n\r\n");
            ReceivedRequest request;
            request.connection = serial;
            request.tls = tls_;
            const std::string head = pending.substr(0, end);
            std::istringstream lines(head);
            std::string line;
            std::getline(lines, line);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            {
                std::istringstream parts(line);
                parts >> request.method >> request.target >> request.version;
            }
            while (std::getline(lines, line)) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                const auto colon = line.find(':');
                if (colon == std::string::npos) continue;
                std::string value = line.substr(colon + 1);
                value.erase(0, value.find_first_not_of(" \t"));
                request.headers.emplace_back(line.substr(0, colon), value);
            }
            const std::size_t body_length = request.HasHeader("Content-Length")
                                                ? static_cast<std::size_t>(std::stoull(request.Header("Content-Length")))
                                                : 0;
            if (!read_until([&] { return pending.size() >= end + 4 + body_length; })) break;
            request.raw = pending.substr(0, end + 4 + body_length);
            request.body = pending.substr(end + 4, body_length);
            pending.erase(0, end + 4 + body_length);
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            cv_.notify_all();

            const ScriptedResponse response = Respond(request);
            if (!response.raw.empty()) {
                conn.Write(response.raw);
                break;
            }
            if (response.stall) {
                conn.Hold();
                break;
            }
            const bool http10 = request.version == "HTTP/1.0";
            const std::string connection_header = request.Header("Connection");
            const bool client_keeps = http10 ? SameText(connection_header, "keep-alive")
                                             : !SameText(connection_header, "close");
            const bool cut = response.cut_after < response.body.size();
            const bool keep = client_keeps && response.content_length && !cut && !response.close &&
                              !response.stall_after_headers && response.declared_length < 0;

            std::string out = "HTTP/1.1 " + std::to_string(response.status) + " " +
                              (response.reason.empty() ? Reason(response.status) : response.reason) + "\r\n";
            for (const auto& [name, value] : response.headers) out += name + ": " + value + "\r\n";
            if (response.content_length) {
                const long long length = response.declared_length >= 0 ? response.declared_length
                                                                        : static_cast<long long>(response.body.size());
                out += "Content-Length: " + std::to_string(length) + "\r\n";
            }
            out += keep ? "Connection: Keep-Alive\r\n" : "Connection: close\r\n";
            out += "\r\n";
            const std::string body = request.method == "HEAD" || response.stall_after_headers
                                         ? std::string()
                                         : response.body.substr(0, std::min(response.cut_after, response.body.size()));
            if (response.trickle_bytes == 0) out += body;  // one write: no small-packet delays
            body_bytes_ += body.size();
            if (!conn.Write(out)) break;
            if (response.stall_after_headers) {
                conn.Hold();
                break;
            }
            {
                if (response.trickle_bytes > 0) {
                    bool ok = true;
                    for (std::size_t at = 0; ok && at < body.size(); at += response.trickle_bytes) {
                        ok = Pause(response.trickle_pause) && conn.Write(body.substr(at, response.trickle_bytes));
                    }
                    if (!ok) break;
                }
            }
            open = keep;
        }
        if (ssl && !stopping_) SSL_shutdown(ssl);
    }
    {
        std::lock_guard lock(mutex_);
        std::erase(open_fds_, fd);
    }
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

}  // namespace corvane::test
