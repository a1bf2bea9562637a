#pragma once
// Helpers of the single-instance tests: plain Unix sockets for peers that misbehave as no Qt socket would
// (or that a crashed process left behind), a running event loop while waiting, and the one application.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvane::testing {

class RawUnixSocket {
public:
    RawUnixSocket() : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0)) {}
    ~RawUnixSocket() { Close(); }
    RawUnixSocket(const RawUnixSocket&) = delete;
    RawUnixSocket& operator=(const RawUnixSocket&) = delete;

    // A listening socket takes connects (the kernel queues them) without ever reading them.
    bool BindAndListen(const QString& path, mode_t mode = 0700) {
        sockaddr_un address = Address(path);
        return ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 && ::listen(fd_, 8) == 0 &&
               ::chmod(address.sun_path, mode) == 0;
    }
    bool ConnectAndSend(const QString& path, const QByteArray& bytes) {
        sockaddr_un address = Address(path);
        return ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
               ::send(fd_, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }
    bool HasPendingClient() {
        const int client = ::accept(fd_, nullptr, nullptr);
        if (client >= 0) ::close(client);
        return client >= 0;
    }
    // Closing leaves the socket file with nobody behind it, as a crash does.
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    static sockaddr_un Address(const QString& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof(address.sun_path) - 1);
        return address;
    }

    int fd_;
};

// Runs the event loop until done() holds or ten seconds pass; returns done().
inline bool PumpUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return done();
}

// One application for the whole run, left to the end of the process (destroyed among the statics at
// exit, a QApplication crashes).
template <class Application>
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "single_instance_test";
    static char* argv[] = {name, nullptr};
    static auto* app = new Application(argc, argv);
    (void)app;
}

}  // namespace corvane::testing
