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

#include <QAbstractEventDispatcher>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStatusTipEvent>
#include <QTest>
#include <QThread>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <future>
#include <memory>
#include <mutex>

#include "tests/support/screenshot.h"

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

    // setUp gives further settings before Loaded.
    explicit FirstInstance(const std::function<void(TApplicata&)>& setUp = {}) {
        applicata->ProgramID = kProgramId;
        applicata->RuntimeFolder = runtime.path();
        applicata->OnParam = [this](TApplicata&, const QString& parameter) { params.push_back(parameter); };
        applicata->OnParams = [this](TApplicata&, const QStringList& list) { oneTurns.push_back(list); };
        if (setUp) setUp(*applicata);
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

// Each assigned event of the component reaches the application through its Qt counterpart, and the
// hint and help settings are the application's; once the component is gone, none of them is called.
TEST(SingleInstanceComponent, LastPartsSettingsAndEventsAreCopiedOntoTheApplication) {
    EnsureApplication<QApplication>();
    std::vector<QString> seen;
    const auto note = [&](const char* what) {
        return [&seen, what](TApplicationObject&) { seen.push_back(QString::fromLatin1(what)); };
    };
    QLineEdit* first_edit = nullptr;  // made in the component's window
    QLineEdit* second_edit = nullptr;
    QLineEdit outside;
    std::vector<QString> hints;
    QWidget* helped = nullptr;
    QString caught;
    void* hooked = nullptr;
    auto instance = std::make_unique<FirstInstance>([&](TApplicata& a) {
        a.Hint = QStringLiteral("Stay tuned");
        a.ShowHint = false;
        a.HelpFile = QStringLiteral("/help/corvane.html");
        a.OnHint = [&](TApplicationObject& application) { hints.push_back(application.Hint()); };
        a.OnActivate = note("activate");
        a.OnDeactivate = note("deactivate");
        a.OnMinimize = note("minimize");
        a.OnRestore = note("restore");
        a.OnActiveControlChange = note("control");
        a.OnShowHint = [](QString& text, bool& can_show, THintInfo& info) {
            text = info.HintControl->objectName() + QStringLiteral(": ") + text;
            can_show = info.HintControl->objectName() != QStringLiteral("quiet");
        };
        a.OnHelp = [&](TApplicationObject&, QWidget* control) { return (helped = control) != nullptr; };
        a.OnMessage = [&](QObject* receiver, QEvent* event, bool& handled) {
            handled = receiver == first_edit && event->type() == QEvent::KeyPress &&
                      static_cast<QKeyEvent*>(event)->key() == Qt::Key_B;
        };
        a.OnException = [&](TApplicationObject&, const std::exception* error) { caught = error->what(); };
        a.OnWndProc = [&](const QByteArray&, void* message, qintptr* result) {
            hooked = message;
            *result = 7;
            return true;
        };
    });
    TApplicationObject& application = TApplicationObject::Instance();
    EXPECT_EQ(application.Hint(), QStringLiteral("Stay tuned"));
    EXPECT_EQ(hints, std::vector<QString>{QStringLiteral("Stay tuned")}) << "events are copied before the hint";
    EXPECT_EQ(application.HelpFile, QStringLiteral("/help/corvane.html"));

    QWidget& window = instance->window;
    window.setObjectName(QStringLiteral("LastPartsWindow"));
    auto* layout = new QVBoxLayout(&window);
    first_edit = new QLineEdit(&window);
    second_edit = new QLineEdit(&window);
    first_edit->setObjectName(QStringLiteral("first"));
    second_edit->setObjectName(QStringLiteral("quiet"));
    for (QLineEdit* edit : {first_edit, second_edit}) {
        edit->setToolTip(QStringLiteral("Type here"));
        layout->addWidget(edit);
    }
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // Offscreen, the program never loses the active window: the state change comes as the platform gives it.
    const auto activations = std::count(seen.begin(), seen.end(), "activate");
    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "deactivate"), 1);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "activate"), activations + 1);
    first_edit->setFocus();
    second_edit->setFocus();
    EXPECT_GE(std::count(seen.begin(), seen.end(), "control"), 2);

    // The status tip of the control under the pointer is the application's hint.
    QStatusTipEvent tip(QStringLiteral("Address of the site"));
    QApplication::sendEvent(first_edit, &tip);
    EXPECT_EQ(hints.back(), QStringLiteral("Address of the site"));

    const auto hover = [](QWidget& control) {
        QHelpEvent event(QEvent::ToolTip, QPoint(2, 2), control.mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(&control, &event);
    };
    hover(*first_edit);
    EXPECT_FALSE(QToolTip::isVisible()) << "ShowHint off shows no hint";
    application.ShowHint = true;
    hover(*first_edit);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("first: Type here"));
    QToolTip::hideText();
    ASSERT_TRUE(PumpUntil([] { return !QToolTip::isVisible(); }));
    hover(*second_edit);
    EXPECT_FALSE(QToolTip::isVisible()) << "OnShowHint refused it";

    QHelpEvent help(QEvent::WhatsThis, QPoint(2, 2), second_edit->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(second_edit, &help);
    EXPECT_EQ(helped, second_edit);

    QTest::keyClicks(first_edit, QStringLiteral("abc"));
    EXPECT_EQ(first_edit->text(), QStringLiteral("ac")) << "OnMessage swallowed the B";

    SaveScreenshot(window, QStringLiteral("-LastParts"));
    window.showMinimized();
    window.showNormal();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "minimize"), 1);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "restore"), 1);

    window.hide();

    const std::runtime_error error("disk full");
    EXPECT_TRUE(application.HandleException(&error));
    EXPECT_EQ(caught, QStringLiteral("disk full"));
    int message = 0;
    qintptr result = 0;
    EXPECT_TRUE(QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &message, &result));
    EXPECT_EQ(hooked, &message);
    EXPECT_EQ(result, 7);

    instance.reset();
    hooked = nullptr;
    EXPECT_FALSE(application.HandleException(&error));
    EXPECT_FALSE(QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &message, &result))
        << "the window hook went with the component";
    EXPECT_EQ(hooked, nullptr);
    const std::size_t before = seen.size();
    outside.show();
    outside.activateWindow();
    outside.setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(seen.size(), before);
    outside.hide();
}

// OnIdle runs once each time the event loop is about to wait, not over and over while it waits, and
// only while it is assigned.
TEST(SingleInstanceComponent, LastPartsOnIdleRunsWhenTheLoopIsAboutToWait) {
    int idles = 0;
    int ticks = 0;
    const auto runLoop = [&] {
        QEventLoop loop;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            if (++ticks % 5 == 0) loop.quit();
        });
        tick.start(40);
        loop.exec();
    };
    {
        FirstInstance first([&](TApplicata& a) { a.OnIdle = [&](TApplicationObject&) { ++idles; }; });
        EXPECT_TRUE(TApplicationObject::Instance().HasOnIdle());
        runLoop();
        // Each tick wakes the loop once, and it waits again after it.
        EXPECT_GE(idles, 4);
        EXPECT_LE(idles, 3 * ticks) << "called while nothing happened";
    }
    EXPECT_FALSE(TApplicationObject::Instance().HasOnIdle());
    const int after = idles;
    runLoop();
    EXPECT_EQ(idles, after);
}

// A first instance served from a thread of its own: the component's hand-over waits without an
// event loop.
class ServedElsewhere {
public:
    explicit ServedElsewhere(const QString& folder) {
        thread_.start();
        context_.moveToThread(&thread_);
        QMetaObject::invokeMethod(&context_, [this, folder] {
            link_ = new TInstanceLink(folder, kProgramId);
            link_->OnMessage = [this](const QStringList& lines) {
                std::lock_guard<std::mutex> hold(mutex_);
                received_.push_back(lines);
            };
            link_->Elect();
        }, Qt::BlockingQueuedConnection);
    }
    ~ServedElsewhere() {
        QMetaObject::invokeMethod(&context_, [this] { delete link_; }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    bool Serving() const { return link_->Serving(); }
    std::vector<QStringList> Received() {
        std::lock_guard<std::mutex> hold(mutex_);
        return received_;
    }
    void Forget() {
        std::lock_guard<std::mutex> hold(mutex_);
        received_.clear();
    }

private:
    QThread thread_;
    QObject context_;
    TInstanceLink* link_ = nullptr;
    std::mutex mutex_;
    std::vector<QStringList> received_;
};

// AllowedInstances starts that many beside each other; a start beyond them hands its parameters over
// and, as FoundAction says, asks the first to come to the front (an empty message) and ends.
TEST(SingleInstanceComponent, LastPartsAllowedInstancesAndEachFoundAction) {
    EnsureApplication<QApplication>();
    QTemporaryDir runtime;
    ServedElsewhere first(runtime.path());
    ASSERT_TRUE(first.Serving());
    int found = 0;
    const auto start = [&](int allowed, TFoundAction action) {
        auto later = std::make_unique<TApplicata>();
        later->ProgramID = kProgramId;
        later->RuntimeFolder = runtime.path();
        later->AllowedInstances = allowed;
        later->FoundAction = action;
        later->OnSecondInstance = [&](TApplicata&) { ++found; };
        later->Loaded({QStringLiteral("/x.zip")});
        return later;
    };

    auto second = start(2, TFoundAction::faRestoreAndQuit);
    EXPECT_EQ(second->InstanceCount(), 2);
    EXPECT_FALSE(second->Terminating());
    EXPECT_EQ(found, 0);
    second.reset();
    // With both slots held, a third start is one too many.
    QLockFile secondSlot(TInstanceLink::LockPath(runtime.path(), kProgramId, 1));
    ASSERT_TRUE(secondSlot.tryLock(0));
    auto third = start(2, TFoundAction::faQuit);
    EXPECT_EQ(third->InstanceCount(), 3);
    EXPECT_TRUE(third->Terminating());
    third.reset();
    secondSlot.unlock();
    EXPECT_TRUE(PumpUntil([&] { return first.Received().size() == 1; }));
    first.Forget();

    const QStringList parameters{QStringLiteral("PARAMS"), QStringLiteral("/x.zip")};
    struct Case {
        TFoundAction action;
        bool restores, quits;
    };
    for (const Case& c : {Case{TFoundAction::faRestoreAndQuit, true, true}, Case{TFoundAction::faRestore, true, false},
                          Case{TFoundAction::faQuit, false, true}, Case{TFoundAction::faNone, false, false}}) {
        SCOPED_TRACE(static_cast<int>(c.action));
        found = 0;
        auto later = start(0, c.action);  // below 1 counts as 1
        EXPECT_EQ(found, 1);
        EXPECT_EQ(later->InstanceCount(), 2);
        EXPECT_EQ(later->Terminating(), c.quits);
        EXPECT_EQ(later->ExitCode(), 0);
        std::vector<QStringList> expected;
        if (c.restores) expected.push_back({});
        expected.push_back(parameters);
        EXPECT_TRUE(PumpUntil([&] { return first.Received().size() == expected.size(); }));
        EXPECT_EQ(first.Received(), expected);
        first.Forget();
    }
}

}  // namespace
}  // namespace corvane::testing
