#pragma once
// An in-process HTTP and HTTPS server on 127.0.0.1 for network tests. It serves files and scripted
// responses, and can misbehave on purpose: omit Content-Length, answer any status, redirect, ask for
// Basic auth, trickle a body, cut a body short, stall. Every request is recorded byte for byte.
//
//     test::LoopbackServer server;                       // or LoopbackServer(Protocol::Https)
//     server.Serve("/page.htm", test::ScriptedResponse::Text("<html>", "text/html"));
//     fetch(server.Url("/page.htm"));
//     EXPECT_EQ(server.LastRequest().target, "/page.htm");
//
// Each connection is served on a thread of its own; keep-alive is honoured when the client asks for
// it and the response has a known length. The destructor closes every connection and joins every
// thread, so a stalled response never outlives its test.

#include "tests/support/test_certificates.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace corvane::test {

// One request as the server received it.
struct ReceivedRequest {
    std::string raw;  // every byte: request line, header lines, blank line, body
    std::string method;
    std::string target;   // as sent: path and query
    std::string version;  // "HTTP/1.0"
    std::vector<std::pair<std::string, std::string>> headers;  // in order; values without leading blanks
    std::string body;
    int connection = 0;  // serial number of the connection (equal numbers: the connection was reused)
    bool tls = false;

    bool HasHeader(const std::string& name) const;  // names compare without regard to case
    std::string Header(const std::string& name) const;  // empty when absent
    std::string Path() const;  // target without the query
};

// What the server sends back. The defaults give "200 OK" with Content-Length and no body.
struct ScriptedResponse {
    int status = 200;
    std::string reason;  // empty: the usual reason for the status
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    bool content_length = true;  // false: no Content-Length, the body ends when the connection closes
    long long declared_length = -1;  // >= 0: the Content-Length to announce instead of body.size()
    std::size_t cut_after = static_cast<std::size_t>(-1);  // close after this many body bytes
    std::size_t trickle_bytes = 0;  // > 0: send the body in pieces of this size...
    std::chrono::milliseconds trickle_pause{0};  // ...each piece after this pause
    bool stall = false;                // send nothing; hold the connection until the client goes
    bool stall_after_headers = false;  // send the status line and headers, then hold
    bool close = false;                // close the connection after this response
    std::string raw;  // not empty: these bytes are sent instead of everything above, then close

    static ScriptedResponse Text(std::string body, std::string content_type = "text/plain", int status = 200);
    static ScriptedResponse Status(int status, std::string body = {});
    static ScriptedResponse Redirect(const std::string& location, int status = 302);
    ScriptedResponse& Header(std::string name, std::string value);
};

using Handler = std::function<ScriptedResponse(const ReceivedRequest&)>;

class LoopbackServer {
public:
    enum class Protocol { Http, Https };

    // Listens on 127.0.0.1 at a free port. HTTPS uses TestCertificates::Instance().Server().
    explicit LoopbackServer(Protocol protocol = Protocol::Http);
    // HTTPS with the given certificate (expired, wrong name, untrusted, ...).
    explicit LoopbackServer(const ServerCertificate& certificate);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t Port() const { return port_; }
    std::string Origin() const;                                // "http://127.0.0.1:PORT"
    std::string Url(const std::string& path_and_query) const;  // Origin() + path_and_query

    // Routes match the request's path (without the query) exactly; a later route for the same path
    // replaces the earlier one. Requests that match no route get the fallback (404 "Not Found").
    void Serve(const std::string& path, ScriptedResponse response);
    void Handle(const std::string& path, Handler handler);
    // Serves the files below folder under the path prefix ("/site" + "/a/b.htm" -> folder/a/b.htm).
    void ServeFiles(const std::string& prefix, const std::string& folder);
    void Redirect(const std::string& path, const std::string& location, int status = 302);
    // 401 with a Basic challenge unless the request carries exactly this login.
    void RequireBasicAuth(const std::string& path, const std::string& user, const std::string& password,
                          ScriptedResponse response);
    void SetFallback(Handler handler);
    // Holds every request for path (recorded as usual) until Release(path) or the end of the server;
    // then its route answers it as before. Held(path) counts the requests waiting now.
    void Hold(const std::string& path);
    void Release(const std::string& path);
    std::size_t Held(const std::string& path) const;

    // From now on every 200 with a body carries an ETag (of its body) and a fixed Last-Modified, and a
    // request whose If-None-Match (or, without one, If-Modified-Since) matches gets "304" instead.
    void AnswerValidators();
    // Response body bytes written so far.
    std::size_t BodyBytesSent() const { return body_bytes_.load(); }

    std::vector<ReceivedRequest> Requests() const;
    std::size_t RequestCount() const;
    ReceivedRequest LastRequest() const;  // an empty record when there was none
    void ClearRequests();
    int ConnectionCount() const { return connections_.load(); }

    // Waits (up to the timeout) until at least count requests have arrived.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    class Connection;
    void Start(bool tls, const ServerCertificate* certificate);
    void AcceptLoop();
    void ServeConnection(int fd, int serial);
    ScriptedResponse Respond(const ReceivedRequest& request);
    // Sleeps, waking early when the server stops; false when it stopped.
    bool Pause(std::chrono::milliseconds duration);

    bool tls_ = false;
    void* ssl_ctx_ = nullptr;
    int listen_fd_ = -1;
    int wake_pipe_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::atomic<bool> validators_{false};
    std::atomic<std::size_t> body_bytes_{0};

    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    std::map<std::string, Handler> routes_;
    std::vector<std::pair<std::string, Handler>> prefixes_;
    Handler fallback_;
    std::vector<ReceivedRequest> requests_;
    std::map<std::string, std::size_t> held_;
    std::map<std::string, bool> released_;
    std::vector<int> open_fds_;

    std::thread accept_thread_;
    std::mutex threads_mutex_;
    std::vector<std::thread> threads_;
};

}  // namespace corvane::test
