// The program as a process: a second start hands its archive to the running first one, and SIGTERM
// closes the window as Exit does, storing what the window keeps and removing the temporary folder.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

namespace {

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QThread::msleep(50);
    }
    return true;
}

QString Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

TEST(ProgramStart, SecondStartHandsOverAndSigtermEndsCleanly) {
    QTemporaryDir home, runtime;
    ASSERT_TRUE(home.isValid() && runtime.isValid());
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CORVANE_HOME"), home.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));

    QProcess first;
    first.setProcessEnvironment(environment);
    first.setProcessChannelMode(QProcess::ForwardedChannels);
    first.start(QStringLiteral(CORVANE_PROGRAM), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    // Serving once its socket exists.
    ASSERT_TRUE(WaitFor([&] { return !QDir(runtime.path()).entryList({QStringLiteral("*.socket")}, QDir::System | QDir::Files).isEmpty(); }, 30000));
    const QString temp = home.path() + QStringLiteral("/temp/Corvane");
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(temp + QStringLiteral("/corvane.htm")); }, 30000))
        << "the first paint wrote the home page";

    // An empty archive, handed over by a second start.
    const QString archive = home.path() + QStringLiteral("/handed.zip");
    {
        QFile zip(archive);
        ASSERT_TRUE(zip.open(QIODevice::WriteOnly));
        zip.write(QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    }
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(CORVANE_PROGRAM), {archive});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    const QString registry = home.path() + QStringLiteral("/registry.reg");
    EXPECT_TRUE(WaitFor([&] { return Read(registry).contains(QStringLiteral("handed.zip")); }, 20000))
        << Read(registry).toStdString();
    EXPECT_TRUE(Read(registry).contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Brellium\\Corvane\\Recent ZIP files]")));

    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(40000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    const QString stored = Read(registry);
    EXPECT_TRUE(stored.contains(QStringLiteral("\"Version\"="))) << stored.toStdString();
    EXPECT_TRUE(stored.contains(QStringLiteral("\"Width\"="))) << stored.toStdString();
    EXPECT_FALSE(QFile::exists(temp)) << "the program's own temporary folder went at exit: "
                                      << QDir(temp).entryList(QDir::AllEntries | QDir::Hidden).join(' ').toStdString();
}

}  // namespace
