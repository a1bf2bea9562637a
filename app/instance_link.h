#pragma once
// What elects the first instance and carries a second start's message to it: a lock file in the
// user's runtime folder, held for the first instance's whole life, and a local socket beside it that only
// the user can open. A crashed first instance leaves both behind: the lock is taken over once its owner
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
    static QString LockPath(const QString& runtimeFolder, const QString& programId);
    static QString SocketPath(const QString& runtimeFolder, const QString& programId);

    TInstanceLink(const QString& runtimeFolder, const QString& programId, QObject* parent = nullptr);
    ~TInstanceLink() override;

    enum class Election { First, Taken, Unavailable };
    // First: this process holds the lock and serves. Taken: another live process holds it.
    // Unavailable: the lock file cannot be made at all (ErrorText says why).
    Election Elect();
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

    QString lockPath_;
    QString socketPath_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    QString error_;
};

}  // namespace corvane
