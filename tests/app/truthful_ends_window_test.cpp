// The main window tells the truth at the end of a run: a zip-mode task whose start page cannot be
// reached ends as a failure and leaves no archive node behind, and a task whose file could not be
// saved at its start can be run and stopped again from the window.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <cerrno>
#include <cstdlib>

#include "app/form_status.h"
#include "archive/form_zip.h"
#include "engine/model/profile.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/model/task_lock.h"
#include "engine/run/task_runner.h"
#include "localisation/app_language.h"
#include "platform/rtl/write_fault.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/loopback_server.h"
#include "tests/support/screenshot.h"
#include "widgets/mru_file_list.h"
#include "widgets/transparent_button.h"

namespace corvane::testing {
namespace {

constexpr int kWait = 60000;  // ms; generous, for loaded machines

std::string Message(int number, const std::string& tail) {
    return AppLanguage().GetLangStr(static_cast<std::uint16_t>(number)) + tail;
}

std::string StatusLine(const TFormStatus& status) { return status.lblStatus->text().toStdString(); }

bool LockFree(const std::string& task_file) {
    return std::system(("flock -n -x '" + TaskLockFile(task_file) + "' true").c_str()) == 0;
}

class TruthfulEndsWindow : public MainWindowFixture {
protected:
    void TearDown() override {
        SetWriteFault({}, 0);
        MainWindowFixture::TearDown();
    }
};

// The run ended "Zipped!" with the start page in error, and the archive node it opened stayed in
// the Zips tree and under File > Reopen although no archive was written.
TEST_F(TruthfulEndsWindow, ARefusedStartPageInZipModeEndsAsAFailureAndLeavesNoArchiveNode) {
    std::string url;
    {
        test::LoopbackServer gone;
        url = gone.Url("/index.htm");
    }
    TCVProfile profile;
    profile.LoadDefaults();
    profile.FileName = App->ProfilesDir + "Site" + kProfileFileExt;
    profile.Name = "Site";
    profile.Save();

    TFormCorvane& form = Start();
    TFormStatus* status = form.Views().FormStatus;
    ASSERT_NE(status, nullptr);
    QLineEdit* edit = form.cmbURL->lineEdit();
    ASSERT_NE(edit, nullptr);
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClicks(edit, QString::fromStdString(url));
    QTest::mouseClick(form.cmbProfile, Qt::LeftButton);
    QAbstractItemView* profiles = form.cmbProfile->view();
    ASSERT_TRUE(QTest::qWaitFor([&] { return profiles->isVisible(); }, kWait));
    QTest::keyClicks(profiles, QStringLiteral("Site"));
    QTest::keyClick(profiles, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !profiles->isVisible(); }, kWait));
    QTest::mouseClick(form.btnCorvaneMode, Qt::LeftButton);
    ASSERT_TRUE(form.btnCorvaneMode->Down());
    QTest::mouseClick(form.btnGO, Qt::LeftButton);
    // From here a page the browser is made to load reports "Done." on the status line.
    browsers_->completes = true;
    if (browsers_->last != nullptr) browsers_->last->completes = true;

    std::shared_ptr<TCVTask> task;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            task = App->GetCurrentTask();
            return task && task->URL == url && task->Status != tsScheduled && !task->IsRunning() &&
                   !form.Runner()->Busy();
        },
        kWait))
        << "the tick runs the new task to its end";
    EXPECT_EQ(TaskStatusText(task->Status), "Download Stopped");
    ASSERT_TRUE(QTest::qWaitFor([&] { return browsers_->last == nullptr || !browsers_->last->busy; }, kWait));
    EXPECT_EQ(StatusLine(*status), Message(kMsgStartPageFailed, "Internet Cannot Connect"));
    EXPECT_TRUE(status->btnRun->isEnabled());

    // Neither the Zips tree nor File > Reopen offers the archive that was never written.
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr) << "the run showed the archive window";
    EXPECT_EQ(zip->Tree().FindArchive(task->Destination), 0u);
    EXPECT_EQ(zip->tvZip->model()->rowCount(), 0);
    EXPECT_TRUE(form.mruFiles->Items().isEmpty());
    SaveScreenshot(form, QStringLiteral("-refused-zip"));
}

// A failed save at the start left the task "Downloading" with nothing running and its lock held:
// Run did nothing and the tick started nothing until the program was started again.
TEST_F(TruthfulEndsWindow, AfterAFailedSaveAtTheStartRunAndStopWorkAgain) {
    test::LoopbackServer server;
    server.Serve("/index.htm", test::ScriptedResponse::Text("<html><title>held</title>held</html>", "text/html"));
    server.Hold("/index.htm");
    auto made = std::make_shared<TCVTask>();
    made->Name = "held";
    made->FileName = TaskFileName(App->GetLastCategory(), "held");
    made->URL = server.Url("/index.htm");
    made->IntranetMode = true;
    made->Destination = App->GetIntranetFolder();
    made->Profile.LoadDefaults();
    made->Profile.Name = "Custom";
    made->Schedule = "Now";
    made->Status = tsScheduled;
    made->Save();
    const std::string file = made->FileName;
    SetWriteFault(file, ENOSPC);

    TFormCorvane& form = Start();
    TFormStatus* status = form.Views().FormStatus;
    ASSERT_NE(status, nullptr);
    const std::string failed = Message(kMsgStartFailed, "Cannot write \"" + file + "\": No space left on device");
    ASSERT_TRUE(QTest::qWaitFor([&] { return StatusLine(*status) == failed; }, kWait)) << StatusLine(*status);
    std::shared_ptr<TCVTask> task = App->GetCurrentTask();
    ASSERT_TRUE(task && task->FileName == file);
    EXPECT_FALSE(form.Runner()->Busy());
    EXPECT_TRUE(LockFree(file));
    EXPECT_TRUE(status->btnRun->isEnabled());
    SaveScreenshot(*status, QStringLiteral("-failed-start"));

    // Space again: Run (through its dialog) starts the task, Stop stops it.
    SetWriteFault({}, 0);
    OnModal([](QWidget& dialog) {
        if (auto* run = dialog.findChild<QPushButton*>(QStringLiteral("btnRun"))) QTest::mouseClick(run, Qt::LeftButton);
    });
    QTest::mouseClick(status->btnRun, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            task = App->GetCurrentTask();
            return task && task->FileName == file && task->Status == tsDownloading && server.Held("/index.htm") == 1;
        },
        kWait))
        << "the tick starts the task again";
    QTest::mouseClick(status->btnStop, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !task->IsRunning() && !form.Runner()->Busy(); }, kWait));
    server.Release("/index.htm");
    EXPECT_EQ(TaskStatusText(task->Status), "Download Stopped");
    EXPECT_EQ(LoadTask(file)->Status, tsDownloadStopped);
    EXPECT_TRUE(LockFree(file));
    EXPECT_TRUE(status->btnRun->isEnabled());
    EXPECT_EQ(StatusLine(*status), Message(kMsgStopped, ""));
    SaveScreenshot(form, QStringLiteral("-run-stop-again"));
}

}  // namespace
}  // namespace corvane::testing
