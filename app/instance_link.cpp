#include "app/instance_link.h"

#include "app/handover_message.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {
namespace {

// A message that has not arrived whole by then is dropped, so a stuck client cannot hold a socket open.
constexpr int kServerReadLimitMs = 5000;

int Remaining(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
}

// The socket file's permissions are checked before connecting; the peer's credentials afterwards catch
// a file replaced in between.
std::optional<QString> CheckPeer(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    if (::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return QStringLiteral("cannot read who serves the socket: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    if (peer.uid != ::geteuid()) return QStringLiteral("the socket is served by another user");
    return std::nullopt;
}

bool HeldByLiveProcess(const QLockFile& lock) {
    qint64 pid = 0;
    QString host, application;
    if (!lock.getLockInfo(&pid, &host, &application) || pid <= 0) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

QString TInstanceLink::RuntimeFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString TInstanceLink::LockPath(const QString& runtimeFolder, const QString& programId, int slot) {
    const QString number = slot == 0 ? QString() : QLatin1Char('.') + QString::number(slot + 1);
    return runtimeFolder + QStringLiteral("/corvane-") + programId + number + QStringLiteral(".lock");
}

QString TInstanceLink::SocketPath(const QString& runtimeFolder, const QString& programId) {
    return runtimeFolder + QStringLiteral("/corvane-") + programId + QLatin1Char('-') +
           QString::number(::geteuid()) + QStringLiteral(".socket");
}

TInstanceLink::TInstanceLink(const QString& runtimeFolder, const QString& programId, QObject* parent)
    : QObject(parent),
      runtimeFolder_(runtimeFolder),
      programId_(programId),
      socketPath_(SocketPath(runtimeFolder, programId)) {}

TInstanceLink::~TInstanceLink() {
    // The socket goes before the lock, so the next owner of the lock never finds our live socket.
    if (server_) server_->close();
    server_.reset();
    if (lock_) lock_->unlock();
}

TInstanceLink::Election TInstanceLink::Elect(int slotCount) {
    if (lock_) return slot_ == 0 ? Election::First : Election::Admitted;
    othersFound_ = 0;
    for (int slot = 0; slot < slotCount; ++slot) {
        auto lock = std::make_unique<QLockFile>(LockPath(runtimeFolder_, programId_, slot));
        // Age never makes a lock stale: an instance holds it for as long as it runs. A dead owner does.
        lock->setStaleLockTime(0);
        if (!lock_) {
            if (lock->tryLock(0)) {
                lock_ = std::move(lock);
                slot_ = slot;
                continue;
            }
            if (lock->error() == QLockFile::LockFailedError) {
                ++othersFound_;
                continue;
            }
            error_ = QStringLiteral("cannot create the lock file %1").arg(LockPath(runtimeFolder_, programId_, slot));
            return Election::Unavailable;
        }
        // Slots past ours are only counted: taking one, even for a moment, could turn a start away.
        if (HeldByLiveProcess(*lock)) ++othersFound_;
    }
    if (!lock_) return Election::Taken;
    if (slot_ != 0) return Election::Admitted;
    Listen();
    return Election::First;
}

bool TInstanceLink::Listen() {
    // Holding the lock makes any socket file at our path a leftover of a crashed instance.
    QLocalServer::removeServer(socketPath_);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socketPath_)) {
        error_ = QStringLiteral("cannot listen on %1: %2").arg(socketPath_, server->errorString());
        return false;
    }
    connect(server.get(), &QLocalServer::newConnection, this, &TInstanceLink::Accept);
    server_ = std::move(server);
    return true;
}

void TInstanceLink::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(this);
        auto reader = std::make_shared<THandoverReader>();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kServerReadLimitMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, reader] {
            if (reader->CurrentState() != THandoverReader::State::Incomplete) {
                socket->readAll();
                return;
            }
            switch (reader->Feed(socket->readAll())) {
            case THandoverReader::State::Incomplete:
                return;
            case THandoverReader::State::Invalid:
                socket->abort();
                return;
            case THandoverReader::State::Complete:
                socket->write(QByteArray(1, kHandoverAck));
                socket->disconnectFromServer();
                if (OnMessage) OnMessage(reader->Lines());
                return;
            }
        });
    }
}

std::optional<QString> TInstanceLink::CheckSocketFile(const QString& socketPath) {
    struct stat info {};
    if (::lstat(QFile::encodeName(socketPath).constData(), &info) != 0)
        return QStringLiteral("no socket at %1").arg(socketPath);
    if (!S_ISSOCK(info.st_mode)) return QStringLiteral("%1 is not a socket").arg(socketPath);
    if (info.st_uid != ::geteuid()) return QStringLiteral("%1 belongs to another user").arg(socketPath);
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return QStringLiteral("%1 can be opened by other users").arg(socketPath);
    return std::nullopt;
}

std::optional<QString> TInstanceLink::HandOver(const QString& socketPath, const QStringList& lines, int timeoutMs) {
    if (auto refused = CheckSocketFile(socketPath)) return refused;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(Remaining(deadline))) return socket.errorString();
    if (auto refused = CheckPeer(socket)) return refused;

    socket.write(EncodeHandover(lines));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(Remaining(deadline))) return socket.errorString();
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(Remaining(deadline)))
            return socket.state() == QLocalSocket::ConnectedState ? QStringLiteral("no answer")
                                                                  : socket.errorString();
    }
    char answer = 0;
    socket.getChar(&answer);
    if (answer != kHandoverAck) return QStringLiteral("an unexpected answer");
    return std::nullopt;
}

}  // namespace corvane
