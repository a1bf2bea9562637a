// The hand-over channel between two starts, both ends in this process: the sending start runs on a
// thread of its own, as it blocks while the first instance answers from its event loop.

#include "app/handover_message.h"
#include "app/instance_link.h"

#include "raw_socket.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <future>
#include <sys/stat.h>
#include <sys/time.h>

namespace corvane::testing {
namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "instance_link_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

const QString kId = QStringLiteral("TESTLINKID");

// Sends from another thread while this one serves.
std::optional<QString> SendAndServe(const QString& socketPath, const QStringList& lines, int timeoutMs = 5000) {
    auto sent = std::async(std::launch::async, [&] { return TInstanceLink::HandOver(socketPath, lines, timeoutMs); });
    PumpUntil([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    return sent.get();
}

// What a first instance killed without cleaning up leaves behind: its lock file naming a process that
// no longer exists, and a socket file nobody listens on.
void LeaveCrashedInstance(const QString& folder) {
    const QString lockPath = TInstanceLink::LockPath(folder, kId);
    QByteArray content;
    {
        QLockFile live(lockPath);
        ASSERT_TRUE(live.tryLock(0));
        QFile file(lockPath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        content = file.readAll();
        live.unlock();
    }
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());
    content = QByteArray::number(deadPid) + content.mid(content.indexOf('\n'));
    QFile file(lockPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    RawUnixSocket stale;
    ASSERT_TRUE(stale.Bind(TInstanceLink::SocketPath(folder, kId)));
    stale.Close();
}

TEST(SingleInstanceLink, OneInstanceIsElectedAndGetsEveryMessageWholeAndInOrder) {
    EnsureApplication();
    QTemporaryDir folder;
    TInstanceLink first(folder.path(), kId);
    ASSERT_EQ(first.Elect(), TInstanceLink::Election::First);
    ASSERT_TRUE(first.Serving()) << first.ErrorText().toStdString();
    std::vector<QStringList> received;
    first.OnMessage = [&](const QStringList& lines) { received.push_back(lines); };

    // However long the first instance has been running, its lock is not taken from it.
    const QByteArray lockPath = QFile::encodeName(TInstanceLink::LockPath(folder.path(), kId));
    const timeval dayAgo[2] = {{::time(nullptr) - 86400, 0}, {::time(nullptr) - 86400, 0}};
    ASSERT_EQ(::utimes(lockPath.constData(), dayAgo), 0);
    TInstanceLink later(folder.path(), kId);
    EXPECT_EQ(later.Elect(), TInstanceLink::Election::Taken);
    EXPECT_FALSE(later.Serving());

    const QString socketPath = TInstanceLink::SocketPath(folder.path(), kId);
    const std::vector<QStringList> sent{
        {"PARAM", "/home/u/site.zip", "/home/u/two\nlines.cvt"},
        {},  // a restore request
        {"PARAMS", QString::fromUtf8("/home/u/Übersicht ☃.zip"), ""},
    };
    for (const QStringList& lines : sent) {
        const auto failure = SendAndServe(socketPath, lines);
        EXPECT_FALSE(failure) << failure.value_or(QString()).toStdString();
    }
    ASSERT_TRUE(PumpUntil([&] { return received.size() == sent.size(); }));
    EXPECT_EQ(received, sent);
}

TEST(SingleInstanceLink, TheLockAndSocketOfACrashedInstanceAreTakenOver) {
    EnsureApplication();
    QTemporaryDir folder;
    LeaveCrashedInstance(folder.path());

    TInstanceLink next(folder.path(), kId);
    ASSERT_EQ(next.Elect(), TInstanceLink::Election::First);
    ASSERT_TRUE(next.Serving()) << next.ErrorText().toStdString();
    int received = 0;
    next.OnMessage = [&](const QStringList&) { ++received; };
    EXPECT_FALSE(SendAndServe(TInstanceLink::SocketPath(folder.path(), kId), {"PARAM", "/a.zip"}));
    EXPECT_TRUE(PumpUntil([&] { return received == 1; }));
}

TEST(SingleInstanceLink, OnlyASocketOfThisUserThatOthersCannotOpenIsUsed) {
    EnsureApplication();
    QTemporaryDir folder;
    TInstanceLink first(folder.path(), kId);
    ASSERT_EQ(first.Elect(), TInstanceLink::Election::First);
    const QByteArray served = QFile::encodeName(TInstanceLink::SocketPath(folder.path(), kId));
    struct stat info {};
    ASSERT_EQ(::lstat(served.constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_uid, ::geteuid());
    EXPECT_EQ(info.st_mode & 077, 0u);

    // A listening socket that others may open, then one that another user owns: neither is connected to.
    const QString planted = folder.path() + QStringLiteral("/planted.socket");
    RawUnixSocket listener;
    ASSERT_TRUE(listener.Bind(planted) && listener.Listen());
    ASSERT_EQ(::chmod(QFile::encodeName(planted).constData(), 0777), 0);
    EXPECT_TRUE(TInstanceLink::HandOver(planted, {"PARAM", "/a.zip"}, 2000));
    EXPECT_FALSE(listener.HasPendingClient());

    if (::geteuid() != 0) GTEST_SKIP() << "giving the socket to another user needs root";
    ASSERT_EQ(::chmod(QFile::encodeName(planted).constData(), 0700), 0);
    ASSERT_EQ(::chown(QFile::encodeName(planted).constData(), 65534, 65534), 0);
    const auto refused = TInstanceLink::HandOver(planted, {"PARAM", "/a.zip"}, 2000);
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->contains(QStringLiteral("another user"))) << refused->toStdString();
    EXPECT_FALSE(listener.HasPendingClient());
}

TEST(SingleInstanceLink, NeitherSideHangsOnAPeerThatMisbehaves) {
    EnsureApplication();
    QTemporaryDir folder;

    // A first instance that takes the connection but never answers: the later start gives up.
    const QString silentPath = folder.path() + QStringLiteral("/silent.socket");
    RawUnixSocket silent;
    ASSERT_TRUE(silent.Bind(silentPath) && silent.Listen());
    ASSERT_EQ(::chmod(QFile::encodeName(silentPath).constData(), 0700), 0);
    EXPECT_TRUE(TInstanceLink::HandOver(silentPath, {"PARAM", "/a.zip"}, 300));

    // A client that sends garbage is dropped; the next proper message still gets through, alone.
    TInstanceLink first(folder.path(), kId);
    ASSERT_EQ(first.Elect(), TInstanceLink::Election::First);
    std::vector<QStringList> received;
    first.OnMessage = [&](const QStringList& lines) { received.push_back(lines); };
    RawUnixSocket garbage;
    ASSERT_TRUE(garbage.Connect(TInstanceLink::SocketPath(folder.path(), kId)));
    ASSERT_TRUE(garbage.Send(QByteArray("\xFF\xFF\xFF\xFF" "PARAM", 9)));
    EXPECT_FALSE(SendAndServe(TInstanceLink::SocketPath(folder.path(), kId), {"PARAM", "/b.zip"}));
    ASSERT_TRUE(PumpUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received, (std::vector<QStringList>{{"PARAM", "/b.zip"}}));
}

TEST(SingleInstanceMessage, ReadsInAnySlicesAndRefusesWhatIsNotOneMessage) {
    const QStringList lines{"PARAM", "/a\nb.zip", "", QString::fromUtf8("/ü.cvt")};
    const QByteArray bytes = EncodeHandover(lines);
    THandoverReader bytewise;
    for (qsizetype i = 0; i + 1 < bytes.size(); ++i)
        ASSERT_EQ(bytewise.Feed(bytes.mid(i, 1)), THandoverReader::State::Incomplete) << i;
    ASSERT_EQ(bytewise.Feed(bytes.right(1)), THandoverReader::State::Complete);
    EXPECT_EQ(bytewise.Lines(), lines);

    THandoverReader trailing;
    EXPECT_EQ(trailing.Feed(bytes + "x"), THandoverReader::State::Invalid);
    THandoverReader tooMany;
    EXPECT_EQ(tooMany.Feed(QByteArray("\x00\x01\x00\x00", 4)), THandoverReader::State::Invalid);
    THandoverReader tooLong;
    EXPECT_EQ(tooLong.Feed(QByteArray("\x00\x00\x00\x01\x7F\x00\x00\x00", 8)), THandoverReader::State::Invalid);
    THandoverReader restore;
    EXPECT_EQ(restore.Feed(EncodeHandover({})), THandoverReader::State::Complete);
    EXPECT_TRUE(restore.Lines().isEmpty());
}

TEST(SingleInstanceMessage, RelativeFileNamesAreMadeAbsoluteFromTheSendersFolder) {
    EXPECT_EQ(MakeParametersAbsolute({"site.zip", "../tasks/a.cvt", "/abs/b.zip", "http://x.org/", "HTTPS://Y/", ""},
                                     "/home/u/work/"),
              (QStringList{"/home/u/work/site.zip", "/home/u/work/../tasks/a.cvt", "/abs/b.zip", "http://x.org/",
                           "HTTPS://Y/", ""}));
    EXPECT_EQ(MakeParametersAbsolute({"a.zip"}, "/"), QStringList{"/a.zip"});
}

}  // namespace
}  // namespace corvane::testing
