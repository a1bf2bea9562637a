// The single-instance component as the program uses it: the first instance is a component in this
// process, later starts are the real program, pointed at a private runtime folder.

#include "app/single_instance.h"

#include "single_instance_support.h"

#include <QApplication>
#include <QStyle>
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

// The program's own id, so that the program started below finds the component of this process.
const QString kProgramId = QStringLiteral("BTXEVTWFCT");

struct Start {
    int exitCode = -1;
    QString errors;
};

// Starts the program from a folder of its own and serves this process until it has ended.
Start StartProgram(const QString& runtimeFolder, const QStringList& arguments, const QString& workFolder = "/") {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder);
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(workFolder);
    program.start(QStringLiteral(CORVANE_PROGRAM), arguments);
    EXPECT_TRUE(program.waitForStarted());
    EXPECT_TRUE(PumpUntil([&] { return program.state() == QProcess::NotRunning; }));
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromLocal8Bit(program.readAllStandardError())};
}

struct FirstInstance {
    bool ready = (EnsureApplication<QApplication>(), true);
    QTemporaryDir runtime;
    QWidget window;  // stands for the main window that owns the component
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
    ~FirstInstance() { window.hide(); }
    void Send(const QStringList& lines) {
        const QString socket = TInstanceLink::SocketPath(runtime.path(), kProgramId);
        auto sent = std::async(std::launch::async, [&] { return TInstanceLink::HandOver(socket, lines, 5000); });
        PumpUntil([&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        EXPECT_FALSE(sent.get());
    }
};

// HintPause is how long the pointer rests before a hint shows.
TEST(WindowFaultsHints, HintPauseIsTheTooltipWakeUpDelay) {
    FirstInstance first;
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 800);
}

TEST(SingleInstanceComponent, ASecondComponentInTheProgramIsRefused) {
    EnsureApplication<QApplication>();
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

TEST(SingleInstanceComponent, ALaterStartHandsOverItsParametersAbsoluteWholeAndInOrderThenEnds) {
    FirstInstance first;
    ASSERT_EQ(first.applicata->InstanceCount(), 1);
    ASSERT_FALSE(first.applicata->Terminating());
    QTemporaryDir work;
    const QStringList arguments{"site.zip", "sub/two\nlines.cvt", "/abs/b.zip", "http://example.org/"};
    const Start start = StartProgram(first.runtime.path(), arguments, work.path());
    EXPECT_EQ(start.exitCode, 0) << start.errors.toStdString();
    ASSERT_TRUE(PumpUntil([&] { return first.params.size() == 4; }));
    EXPECT_EQ(first.params, (std::vector<QString>{work.path() + "/site.zip", work.path() + "/sub/two\nlines.cvt",
                                                  "/abs/b.zip", "http://example.org/"}));
    EXPECT_TRUE(first.oneTurns.empty());
}

TEST(SingleInstanceComponent, AStartWithoutParametersOnlyRestoresTheFirstWindow) {
    FirstInstance first;
    first.window.setWindowState(Qt::WindowMinimized);
    const Start start = StartProgram(first.runtime.path(), {});
    EXPECT_EQ(start.exitCode, 0) << start.errors.toStdString();
    EXPECT_TRUE(PumpUntil([&] { return first.window.isVisible() && !first.window.isMinimized(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(first.params.empty());
}

TEST(SingleInstanceComponent, OneTurnHandsOverAllParametersAtOnceAndUnknownWordsAreIgnored) {
    FirstInstance first;
    first.Send({"HELLO", "/x.zip"});
    first.Send({"PARAMS", "/a.zip", "/b.cvt"});
    ASSERT_TRUE(PumpUntil([&] { return !first.oneTurns.empty(); }));
    EXPECT_EQ(first.oneTurns, (std::vector<QStringList>{{"/a.zip", "/b.cvt"}}));
    EXPECT_TRUE(first.params.empty());
}

TEST(SingleInstanceComponent, ParametersWaitWhileADialogIsModalSoDialogsNeverNest) {
    FirstInstance first;
    std::vector<QString> seenInsideDialog;
    first.applicata->OnParam = [&](TApplicata&, const QString& parameter) {
        first.params.push_back(parameter);
        if (first.params.size() != 1) return;
        QDialog dialog;
        // Long enough for the second parameter to be handled if the queue did not wait.
        QTimer::singleShot(300, &dialog, [&] {
            seenInsideDialog = first.params;
            dialog.accept();
        });
        dialog.exec();
    };
    first.Send({"PARAM", "/first.zip", "/second.zip"});
    ASSERT_TRUE(PumpUntil([&] { return first.params.size() == 2; }));
    EXPECT_EQ(seenInsideDialog, std::vector<QString>{"/first.zip"});

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
}

TEST(SingleInstanceComponent, ALaterStartThatGetsNoAnswerSaysWhyAndExitsOne) {
    EnsureApplication<QApplication>();
    QTemporaryDir runtime;
    // A first instance that holds the lock and takes connections but never reads them.
    QLockFile held(TInstanceLink::LockPath(runtime.path(), kProgramId));
    ASSERT_TRUE(held.tryLock(0));
    RawUnixSocket hung;
    ASSERT_TRUE(hung.BindAndListen(TInstanceLink::SocketPath(runtime.path(), kProgramId)));
    const Start start = StartProgram(runtime.path(), {"site.zip"});
    EXPECT_EQ(start.exitCode, 1);
    EXPECT_TRUE(start.errors.contains(QStringLiteral("did not answer"))) << start.errors.toStdString();
}

}  // namespace
}  // namespace corvane::testing
