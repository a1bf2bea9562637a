#pragma once
// What elects the first instance and carries a second start's message to it: a lock file in the
// user's runtime folder, held for the first instance's whole life, and a local socket beside it that only
// the user can open. Where more instances are allowed, each holds a lock of its own (its slot); the
// holder of the first slot serves the socket. A crashed first instance leaves both behind: the lock is taken over once its owner
// is dead, and the socket file is removed by the new owner of the lock before it listens.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace corvane {

class TInstanceLink : public QObject {
    Q_OBJECT
public:
    // The user's runtime folder ($XDG_RUNTIME_DIR, or Qt's private fallback); empty when there is none.
    static QString RuntimeFolder();
    // The lock of a slot (0: the first instance's).
    static QString LockPath(const QString& runtimeFolder, const QString& programId, int slot = 0);
    static QString SocketPath(const QString& runtimeFolder, const QString& programId);

    TInstanceLink(const QString& runtimeFolder, const QString& programId, QObject* parent = nullptr);
    ~TInstanceLink() override;

    enum class Election { First, Admitted, Taken, Unavailable };
    // First: this process holds the first slot's lock and serves. Admitted: it holds another of the
    // slots. Taken: live processes hold them all. Unavailable: a lock file cannot be made at all
    // (ErrorText says why).
    Election Elect(int slotCount = 1);
    // Slots the last election found held by other live processes.
    int OthersFound() const { return othersFound_; }
    bool Serving() const { return server_ != nullptr; }
    QString ErrorText() const { return error_; }

    // Called on the main thread with the lines of each whole message that arrives.
    std::function<void(const QStringList& lines)> OnMessage;

    // Sends one message to the first instance and waits for its answer, at most timeoutMs in all.
    // Blocking, without an event loop: any thread may call it. Returns the reason on failure.
    static std::optional<QString> HandOver(const QString& socketPath, const QStringList& lines, int timeoutMs);
    // Whether the socket file is a socket of this user that nobody else may open.
    static std::optional<QString> CheckSocketFile(const QString& socketPath);

private:
    bool Listen();
    void Accept();

    QString runtimeFolder_;
    QString programId_;
    QString socketPath_;
    std::unique_ptr<QLockFile> lock_;
    int slot_ = -1;
    int othersFound_ = 0;
    std::unique_ptr<QLocalServer> server_;
    QString error_;
};

}  // namespace corvane
