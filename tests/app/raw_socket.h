#pragma once
// Plain Unix sockets for the single-instance tests: peers that misbehave in ways a QLocalServer or
// QLocalSocket would not, and a socket file left behind as a crashed process leaves it.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QString>
#include <QThread>

#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvane::testing {

// A bound socket file; listening keeps it answering connects (the kernel queues them) without ever
// reading, closing it early leaves the file with nobody behind it.
class RawUnixSocket {
public:
    RawUnixSocket() : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0)) {}
    ~RawUnixSocket() { Close(); }
    RawUnixSocket(const RawUnixSocket&) = delete;
    RawUnixSocket& operator=(const RawUnixSocket&) = delete;

    bool Bind(const QString& path) {
        const sockaddr_un address = Address(path);
        return ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    }
    bool Listen() { return ::listen(fd_, 8) == 0; }
    bool Connect(const QString& path) {
        const sockaddr_un address = Address(path);
        return ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    }
    bool Send(const QByteArray& bytes) {
        return ::send(fd_, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }
    // Whether a client is waiting to be accepted.
    bool HasPendingClient() {
        const int client = ::accept(fd_, nullptr, nullptr);
        if (client < 0) return false;
        ::close(client);
        return true;
    }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    static sockaddr_un Address(const QString& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::strncpy(address.sun_path, name.constData(), sizeof(address.sun_path) - 1);
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

}  // namespace corvane::testing
