// The hand-over channel between two starts, both ends in this process: the sending start runs on a
// thread of its own, as it blocks while the first instance answers from its event loop.

#include "app/instance_link.h"

#include "single_instance_support.h"

#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <future>
#include <sys/stat.h>
#include <sys/time.h>

namespace corvane::testing {
namespace {

const QString kId = QStringLiteral("TESTLINKID");

struct Folder {
    bool ready = (EnsureApplication<QCoreApplication>(), true);
    QTemporaryDir dir;
    QString Lock() const { return TInstanceLink::LockPath(dir.path(), kId); }
    QString Socket() const { return TInstanceLink::SocketPath(dir.path(), kId); }
};

std::optional<QString> SendAndServe(const QString& socketPath, const QStringList& lines) {
    auto sent = std::async(std::launch::async, [&] { return TInstanceLink::HandOver(socketPath, lines, 5000); });
    PumpUntil([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    return sent.get();
}

TEST(SingleInstanceLink, TheFirstInstanceKeepsTheLockAndGetsEveryMessageWhole) {
    Folder folder;
    TInstanceLink first(folder.dir.path(), kId);
    ASSERT_EQ(first.Elect(), TInstanceLink::Election::First);
    ASSERT_TRUE(first.Serving()) << first.ErrorText().toStdString();
    std::vector<QStringList> received;
    first.OnMessage = [&](const QStringList& lines) { received.push_back(lines); };

    // However long the first instance has been running, its lock is not taken from it.
    const timeval dayAgo[2] = {{::time(nullptr) - 86400, 0}, {::time(nullptr) - 86400, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(folder.Lock()).constData(), dayAgo), 0);
    TInstanceLink later(folder.dir.path(), kId);
    EXPECT_EQ(later.Elect(), TInstanceLink::Election::Taken);
    EXPECT_FALSE(later.Serving());

    const std::vector<QStringList> sent{{"PARAMS", QString::fromUtf8("/u/Ü ☃\n2.zip"), ""}, {}};
    for (const QStringList& lines : sent) EXPECT_FALSE(SendAndServe(folder.Socket(), lines));
    ASSERT_TRUE(PumpUntil([&] { return received.size() == sent.size(); }));
    EXPECT_EQ(received, sent);
}

TEST(SingleInstanceLink, TheLockAndSocketOfACrashedInstanceAreTakenOver) {
    Folder folder;
    // The lock file as its owner wrote it, naming a process that has ended.
    QByteArray content;
    {
        QLockFile live(folder.Lock());
        ASSERT_TRUE(live.tryLock(0));
        QFile file(folder.Lock());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        content = file.readAll();
    }
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
    ASSERT_TRUE(ended.waitForStarted());
    content = QByteArray::number(ended.processId()) + content.mid(content.indexOf('\n'));
    ASSERT_TRUE(ended.waitForFinished());
    QFile file(folder.Lock());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    RawUnixSocket stale;
    ASSERT_TRUE(stale.BindAndListen(folder.Socket()));
    stale.Close();

    TInstanceLink next(folder.dir.path(), kId);
    ASSERT_EQ(next.Elect(), TInstanceLink::Election::First);
    ASSERT_TRUE(next.Serving()) << next.ErrorText().toStdString();
    int received = 0;
    next.OnMessage = [&](const QStringList&) { ++received; };
    EXPECT_FALSE(SendAndServe(folder.Socket(), {"PARAM", "/a.zip"}));
    EXPECT_TRUE(PumpUntil([&] { return received == 1; }));
}

TEST(SingleInstanceLink, OnlyASocketOfThisUserThatOthersCannotOpenIsUsed) {
    Folder folder;
    TInstanceLink first(folder.dir.path(), kId);
    ASSERT_EQ(first.Elect(), TInstanceLink::Election::First);
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(folder.Socket()).constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_uid, ::geteuid());
    EXPECT_EQ(info.st_mode & 077, 0u);

    // A socket others may open, then one another user owns: neither is connected to.
    const QString planted = folder.dir.path() + QStringLiteral("/planted.socket");
    RawUnixSocket listener;
    ASSERT_TRUE(listener.BindAndListen(planted, 0777));
    EXPECT_TRUE(TInstanceLink::HandOver(planted, {"PARAM", "/a.zip"}, 2000));
    EXPECT_FALSE(listener.HasPendingClient());
    if (::geteuid() != 0) GTEST_SKIP() << "giving the socket to another user needs root";
    const QByteArray path = QFile::encodeName(planted);
    ASSERT_EQ(::chmod(path.constData(), 0700) | ::chown(path.constData(), 65534, 65534), 0);
    const auto refused = TInstanceLink::HandOver(planted, {"PARAM", "/a.zip"}, 2000);
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->contains(QStringLiteral("another user"))) << refused->toStdString();
    EXPECT_FALSE(listener.HasPendingClient());
}

TEST(SingleInstanceLink, NeitherSideHangsOnAPeerThatMisbehaves) {
    Folder folder;
    // A first instance that takes the connection but never answers: the later start gives up.
    RawUnixSocket silent;
    ASSERT_TRUE(silent.BindAndListen(folder.dir.path() + QStringLiteral("/silent.socket")));
    EXPECT_TRUE(TInstanceLink::HandOver(folder.dir.path() + QStringLiteral("/silent.socket"), {}, 300));

    // A client that sends garbage is dropped; the next proper message still gets through, alone.
    TInstanceLink first(folder.dir.path(), kId);
    ASSERT_EQ(first.Elect(), TInstanceLink::Election::First);
    std::vector<QStringList> received;
    first.OnMessage = [&](const QStringList& lines) { received.push_back(lines); };
    RawUnixSocket garbage;
    ASSERT_TRUE(garbage.ConnectAndSend(folder.Socket(), QByteArray("\xFF\xFF\xFF\xFF" "PARAM", 9)));
    EXPECT_FALSE(SendAndServe(folder.Socket(), {"PARAM", "/b.zip"}));
    ASSERT_TRUE(PumpUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received, (std::vector<QStringList>{{"PARAM", "/b.zip"}}));
}

}  // namespace
}  // namespace corvane::testing
