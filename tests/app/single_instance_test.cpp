// The single-instance component as the program uses it: the first instance is a component in this
// process, later starts are the real program started with a private runtime folder.

#include "app/instance_link.h"
#include "app/single_instance.h"

#include "raw_socket.h"

#include <QApplication>
#include <QDialog>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <future>

namespace corvane::testing {
namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "single_instance_test";
    static char* argv[] = {name, nullptr};
    // Left to the end of the process: a QApplication destroyed among the statics at exit crashes.
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

// The program's own id, so that the program started below finds the component of this process.
const QString kProgramId = QStringLiteral("BTXEVTWFCT");

struct Start {
    int exitCode = -1;
    QString errors;
};

// Starts the program from workingFolder with the runtime folder given, serving this process meanwhile.
Start StartProgram(const QString& runtimeFolder, const QString& workingFolder, const QStringList& arguments) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(workingFolder);
    program.start(QStringLiteral(CORVANE_PROGRAM), arguments);
    EXPECT_TRUE(program.waitForStarted());
    EXPECT_TRUE(PumpUntil([&] { return program.state() == QProcess::NotRunning; }));
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromLocal8Bit(program.readAllStandardError())};
}

struct FirstInstance {
    bool ready = (EnsureApplication(), true);  // the application exists before the window
    QTemporaryDir runtime;
    QWidget window;  // stands for the main window that owns the component; never shown by the test
    TApplicata* applicata = new TApplicata(&window);
    std::vector<QString> params;
    std::vector<QStringList> oneTurns;

    FirstInstance() {
        applicata->ProgramID = kProgramId;
        applicata->RuntimeFolder = runtime.path();
        applicata->OnParam = [this](TApplicata&, const QString& parameter) { params.push_back(parameter); };
        applicata->OnParams = [this](TApplicata&, const QStringList& list) { oneTurns.push_back(list); };
        applicata->Loaded({});
    }
    QString SocketPath() const { return TInstanceLink::SocketPath(runtime.path(), kProgramId); }
    void Send(const QStringList& lines) {
        auto sent = std::async(std::launch::async,
                               [&] { return TInstanceLink::HandOver(SocketPath(), lines, 5000); });
        PumpUntil([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        EXPECT_FALSE(sent.get());
    }
};

TEST(SingleInstanceComponent, ASecondComponentInTheProgramIsRefused) {
    EnsureApplication();
    auto first = std::make_unique<TApplicata>();
    try {
        TApplicata second;
        FAIL() << "a second component was made";
    } catch (const TDuplicateError& error) {
        EXPECT_STREQ(error.what(), "You can have only one TApplicata component in a project");
    }
    first.reset();
    EXPECT_NO_THROW(TApplicata again);
}

TEST(SingleInstanceComponent, ALaterStartHandsOverItsParametersAbsoluteAndInOrderThenEnds) {
    FirstInstance first;
    ASSERT_EQ(first.applicata->InstanceCount(), 1);
    ASSERT_FALSE(first.applicata->Terminating());

    QTemporaryDir work;
    const Start start = StartProgram(first.runtime.path(), work.path(), {"site.zip", "sub/news.cvt", "/abs/b.zip"});
    EXPECT_EQ(start.exitCode, 0) << start.errors.toStdString();
    ASSERT_TRUE(PumpUntil([&] { return first.params.size() == 3; }));
    EXPECT_EQ(first.params, (std::vector<QString>{work.path() + "/site.zip", work.path() + "/sub/news.cvt",
                                                  "/abs/b.zip"}));
    EXPECT_TRUE(first.oneTurns.empty());
}

TEST(SingleInstanceComponent, AStartWithoutParametersOnlyRestoresTheFirstWindow) {
    FirstInstance first;
    first.window.setWindowState(Qt::WindowMinimized);
    QTemporaryDir work;
    const Start start = StartProgram(first.runtime.path(), work.path(), {});
    EXPECT_EQ(start.exitCode, 0) << start.errors.toStdString();
    EXPECT_TRUE(PumpUntil([&] { return first.window.isVisible() && !first.window.isMinimized(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(first.params.empty());
    first.window.hide();
}

TEST(SingleInstanceComponent, OneTurnHandsOverAllParametersAtOnceAndUnknownWordsAreIgnored) {
    FirstInstance first;
    first.Send({"HELLO", "/x.zip"});
    first.Send({"PARAMS", "/a.zip", "/b.cvt"});
    ASSERT_TRUE(PumpUntil([&] { return !first.oneTurns.empty(); }));
    EXPECT_EQ(first.oneTurns, (std::vector<QStringList>{{"/a.zip", "/b.cvt"}}));
    EXPECT_TRUE(first.params.empty());
    first.window.hide();
}

TEST(SingleInstanceComponent, ParametersWaitWhileADialogIsModalSoDialogsNeverNest) {
    FirstInstance first;
    std::vector<QString> seenInsideDialog;
    first.applicata->OnParam = [&](TApplicata&, const QString& parameter) {
        first.params.push_back(parameter);
        if (first.params.size() != 1) return;
        QDialog dialog;
        // Long enough for the second parameter to be handled if the queue did not wait.
        QTimer::singleShot(400, &dialog, [&] {
            seenInsideDialog = first.params;
            dialog.accept();
        });
        dialog.exec();
    };
    first.Send({"PARAM", "/first.zip", "/second.zip"});
    ASSERT_TRUE(PumpUntil([&] { return first.params.size() == 2; }));
    EXPECT_EQ(seenInsideDialog, std::vector<QString>{"/first.zip"});
    EXPECT_EQ(first.params, (std::vector<QString>{"/first.zip", "/second.zip"}));

    // A modal dialog the program opened elsewhere holds the queue just the same.
    QDialog modal;
    modal.setModal(true);
    modal.show();
    first.Send({"PARAM", "/third.zip"});
    bool waited = false;
    QTimer::singleShot(300, [&] { waited = true; });
    PumpUntil([&] { return waited; });
    EXPECT_EQ(first.params.size(), 2u);
    modal.hide();
    EXPECT_TRUE(PumpUntil([&] { return first.params.size() == 3; }));
    first.window.hide();
}

TEST(SingleInstanceComponent, ALaterStartThatGetsNoAnswerSaysWhyAndExitsOne) {
    EnsureApplication();
    QTemporaryDir runtime;
    // A first instance that holds the lock and accepts connections but never reads them.
    QLockFile held(TInstanceLink::LockPath(runtime.path(), kProgramId));
    ASSERT_TRUE(held.tryLock(0));
    const QString socketPath = TInstanceLink::SocketPath(runtime.path(), kProgramId);
    RawUnixSocket hung;
    ASSERT_TRUE(hung.Bind(socketPath) && hung.Listen());
    ASSERT_EQ(::chmod(QFile::encodeName(socketPath).constData(), 0700), 0);

    QTemporaryDir work;
    const Start start = StartProgram(runtime.path(), work.path(), {"site.zip"});
    EXPECT_EQ(start.exitCode, 1);
    EXPECT_TRUE(start.errors.contains(QStringLiteral("did not answer"))) << start.errors.toStdString();
}

}  // namespace
}  // namespace corvane::testing
