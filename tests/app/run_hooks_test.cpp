// The run control's window side with real windows: new tasks named after their site, the archive
// chosen for zip-mode tasks, a quick-start task started by the schedule tick, and closing the
// window while a task runs or stops.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "app/form_status.h"
#include "app/gauge.h"
#include "app/run_hooks.h"
#include "archive/form_zip.h"
#include "tasks/task_tree_window.h"
#include "engine/support/file_routines.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/run/task_runner.h"
#include "engine/parse/url_model.h"
#include "tests/app/main_window_fixture.h"
#include "localisation/app_language.h"
#include "tests/support/loopback_server.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/screenshot.h"
#include "tests/support/wait_until.h"
#include "widgets/mru_file_list.h"
#include "widgets/transparent_button.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

class RunHooks : public MainWindowFixture {
protected:
    test::LoopbackServer server_;
    // A profile file that renames archives after the start page's title.
    void MakeProfile(const std::string& name) {
        TCVProfile profile;
        profile.FileName = App->ProfilesDir + name + kProfileFileExt;
        profile.Name = name;
        profile.UseStartPageTitle = true;
        fs::create_directories(App->ProfilesDir);
        profile.Save();
    }
    std::shared_ptr<TCVTask> Load(const std::string& file) {
        auto task = std::make_shared<TCVTask>();
        task->FileName = file;
        task->Load();
        return task;
    }
    // A quick-start Personal Intranet task the schedule tick starts, whose start page never comes.
    std::shared_ptr<TCVTask> StartStalledTask(TFormCorvane& form) {
        test::ScriptedResponse stall;
        stall.stall = true;
        server_.Serve("/", stall);
        MakeProfile("Quick");
        form.Hooks().NewTask(server_.Url("/"), "Quick", true, false);
        const bool started = QTest::qWaitFor(
            [] { return App->GetCurrentTask() && App->GetCurrentTask()->Status == tsDownloading; }, 10000);
        return started ? App->GetCurrentTask() : nullptr;
    }
    std::string Folder() { return DirectoryOf(TaskFileName(App->GetLastCategory(), "x")); }
};

TEST_F(RunHooks, NamedProfileTasksGetUniqueFilesAndArchives) {
    TFormCorvane& form = Start();
    MakeProfile("Quick");
    const std::string url = "http://site.test/";
    const std::string name = ReplaceInvalidFileChars(SiteShortName(url), '_');
    form.Hooks().NewTask(url, "Quick", false, false);
    form.Hooks().NewTask(url, "Quick", false, true);
    const std::string first = Folder() + name + ".cvt";
    const std::string second = Folder() + name + "(0).cvt";
    ASSERT_TRUE(fs::exists(first));
    ASSERT_TRUE(fs::exists(second));
    auto a = Load(first), b = Load(second);
    EXPECT_EQ(a->Destination, App->GetDownloadsFolder() + name + ".zip");
    EXPECT_EQ(b->Destination, App->GetDownloadsFolder() + name + "(0).zip");
    EXPECT_EQ(a->Status, tsScheduled);
    EXPECT_EQ(a->Schedule, "Now");
    EXPECT_EQ(b->RunMethod, rmMap);
    EXPECT_TRUE(a->Profile.UseStartPageTitle);
    EXPECT_EQ(App->ActiveTasks.IndexOf(first) >= 0, true);
    EXPECT_EQ(form.mruURLs->Items().value(0), QString::fromStdString(url));
    ASSERT_NE(form.Views().FormScheduler, nullptr);
    EXPECT_EQ(form.Views().FormScheduler->SelectedPath(), second) << "the tree selects the new task";

    // An address the check refuses makes nothing (its box says why).
    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::OK);
    form.Hooks().NewTask("ftp://site.test/", "Quick", false, false);
    EXPECT_FALSE(fs::exists(Folder() + name + "(1).cvt"));
}

TEST_F(RunHooks, AddToSelectedArchiveOnlyWithASelection) {
    TFormCorvane& form = Start();
    MakeProfile("Quick");
    form.btnAddToSelectedZip->SetDown(true);
    form.Hooks().NewTask("http://site.test/", "Quick", false, false);
    const std::string name = ReplaceInvalidFileChars(SiteShortName("http://site.test/"), '_');
    auto own = Load(Folder() + name + ".cvt");
    EXPECT_EQ(own->Destination, App->GetDownloadsFolder() + name + ".zip") << "nothing selected: an archive of its own";
    EXPECT_TRUE(own->Profile.UseStartPageTitle);

    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    const std::string chosen = home_ + "chosen.zip";
    zip->SelectNode(zip->NewZip(chosen));
    ASSERT_NE(zip->Selected(), 0u);
    form.Hooks().NewTask("http://site.test/", "Quick", false, false);
    auto into = Load(Folder() + name + "(0).cvt");
    EXPECT_EQ(into->Destination, chosen);
    EXPECT_FALSE(into->Profile.UseStartPageTitle) << "an archive the user chose keeps its name";
}

TEST_F(RunHooks, QuickStartRunsFromTheTickAndCloseAsksWhileItRuns) {
    TFormCorvane& form = Start();
    auto task = StartStalledTask(form);
    ASSERT_TRUE(task);
    EXPECT_FALSE(form.Views().FormStatus->btnRun->isEnabled());
    EXPECT_TRUE(form.Runner()->ZipTimerOn());

    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::No, QStringLiteral("A task is still downloading."));
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(task->Status, tsDownloading);

    // A close asked while the stop is under way waits for it, then goes through without a question.
    bool asked_while_busy = false;
    QTimer::singleShot(0, &form, [&] {
        asked_while_busy = form.Runner()->Busy();
        form.close();
    });
    form.Runner()->StopTask(task);
    EXPECT_TRUE(asked_while_busy);
    WAIT_UNTIL(!form.isVisible());
    EXPECT_EQ(task->Status, tsDownloadStopped);
}

TEST_F(RunHooks, YesStopsTheTaskAndCloses) {
    TFormCorvane& form = Start();
    auto task = StartStalledTask(form);
    ASSERT_TRUE(task);
    // Complete but still zipping counts as running.
    task->Status = tsDownloadComplete;
    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::Yes, QStringLiteral("Stop it and quit Corvane?"));
    EXPECT_TRUE(form.close());
    EXPECT_EQ(task->Status, tsDownloadStopped);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "no task report holds up the exit";
}

TEST_F(RunHooks, EngineHostReachesTheViews) {
    TFormCorvane& form = Start();
    TMainHooks& hooks = form.Hooks();
    hooks.ShowStatus("Working", 3, 10);
    EXPECT_EQ(form.Views().FormStatus->lblStatus->text(), QStringLiteral("Working"));
    EXPECT_TRUE(form.Views().FormStatus->ProgressBar->isVisibleTo(form.Views().FormStatus));
    hooks.SetOfflineIndicator(true);
    EXPECT_TRUE(form.cbWorkOffline->isChecked());
    hooks.SetOfflineIndicator(false);
    // Busy-cursor requests are counted: the cursor goes with the last one.
    hooks.SetBusyCursor(true);
    hooks.SetBusyCursor(true);
    hooks.SetBusyCursor(false);
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    hooks.SetBusyCursor(false);
    hooks.SetBusyCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(hooks.BusyCount(), 0);
    // The recent archives.
    hooks.AddRecentArchive("/a.zip");
    hooks.AddRecentArchive("/b.zip");
    hooks.RemoveRecentArchive("/a.zip");
    EXPECT_EQ(hooks.RecentArchives(), std::vector<std::string>{"/b.zip"});
}

// Stop stays enabled while a task is current, and a click after the end rewrote a finished task as
// "Download Stopped" (the tree, its details and the run dialog then called it stopped).
TEST_F(RunHooks, UserFaultsStopAfterTheEndLeavesTheTaskAsItEnded) {
    server_.Serve("/", test::ScriptedResponse::Text("<html><title>t</title>done</html>", "text/html"));
    App->SetShowSummary(false);  // no modal report at the end
    MakeProfile("Quick");
    TFormCorvane& form = Start();
    TFormStatus* status = form.Views().FormStatus;
    ASSERT_NE(status, nullptr);
    for (const bool intranet : {true, false}) {
        SCOPED_TRACE(intranet ? "Personal Intranet" : "zip");
        const int ended = intranet ? tsTaskComplete : tsZipped;
        const std::string before = App->GetCurrentTask() ? App->GetCurrentTask()->FileName : std::string();
        form.Hooks().NewTask(server_.Url("/"), "Quick", intranet, false);
        std::shared_ptr<TCVTask> task;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                task = App->GetCurrentTask();
                return task && task->FileName != before && task->Status == ended && !form.Runner()->Busy();
            },
            60000));
        const std::string line = status->lblStatus->text().toStdString();
        ASSERT_TRUE(status->btnStop->isEnabled());
        QTest::mouseClick(status->btnStop, Qt::LeftButton);
        EXPECT_EQ(task->Status, ended);
        EXPECT_EQ(Load(task->FileName)->Status, ended) << "the file keeps the end too";
        EXPECT_EQ(status->lblStatus->text().toStdString(), line) << "nothing was stopped";
    }
    SaveScreenshot(form, QStringLiteral("-stop-after-end"));
}

// A run that failed at its start page says why on the status line; the status line read "Done."
// once the browser view had loaded a page, so nothing named the cause any more.
TEST_F(RunHooks, UserFaultsAFailedStartPageSaysWhyOnTheStatusLine) {
    TFormCorvane& form = Start();
    TFormStatus* status = form.Views().FormStatus;
    ASSERT_NE(status, nullptr);
    browsers_->completes = true;
    if (browsers_->last != nullptr) browsers_->last->completes = true;
    form.Hooks().StatusMessage(kMsgStartPageFailed, "Internet Cannot Connect");
    const QString reason = QString::fromStdString(
        AppLanguage().GetLangStr(static_cast<std::uint16_t>(kMsgStartPageFailed)) + "Internet Cannot Connect");
    ASSERT_EQ(status->lblStatus->text(), reason);
    // A page the browser view loads later leaves the reason in view ...
    form.Views().ShowBrowserView(server_.Url("/later.htm"));
    ASSERT_NE(browsers_->last, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !browsers_->last->busy; }, 60000));
    QTest::qWait(50);
    EXPECT_EQ(status->lblStatus->text(), reason);
    // ... and so does the archive window's listing of the run's archive (zip mode).
    form.Hooks().ShowViewStatus("Total: 0 files  ", 0, 0);
    EXPECT_EQ(status->lblStatus->text(), reason);
    SaveScreenshot(form, QStringLiteral("-failed-start-page"));
    // ... until the program itself says something new.
    form.Hooks().ShowStatus("Ready", 0, 0);
    EXPECT_EQ(status->lblStatus->text(), QStringLiteral("Ready"));
}

}  // namespace
}  // namespace corvane::testing
