// The task tree window offscreen: what the tree lists, the category and details pages and what they
// change on disk, the popup's enabling, and the Schedule and Unschedule commands.

#include <QAction>
#include <QTimer>
#include <algorithm>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "engine/model/task_schedule.h"
#include "localisation/message_ids.h"
#include "tasks/lang_text.h"
#include "tasks/edit_task_dialog.h"
#include "tasks/schedule_dialog.h"
#include "tasks/task_tree_page.h"
#include "tests/support/screenshot.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/tasks/profile_window_support.h"
#include "tests/tasks/task_tree_fixture.h"

namespace corvane::testing {
namespace {

using TaskTreeListing = TaskTreeHome;

TEST_F(TaskTreeListing, ListingTurnsStoppedAndCompleteIntoIncompleteButLeavesTheRunningTask) {
    MakeTask("General", "idle", tsUnscheduled);
    MakeTask("General", "stopped", tsDownloadStopped);
    MakeTask("General", "complete", tsDownloadComplete);
    MakeTask("General", "zipped", tsZipped);
    // The running task's file says "stopped"; App's object (zipping, status 5) is what counts.
    auto running = MakeTask("General", "running", tsDownloadStopped);
    running->Status = tsDownloadComplete;
    running->SetCounters({3, 4, 0, 0, 9, 9, 100});
    App->SetCurrentTask(running);
    const std::string running_bytes = ReadBytes(running->FileName);
    WriteBytes(tasks_ + "General/stopped.dwn", "");
    WriteBytes(tasks_ + "General/.hidden.cvt", "");

    Select(tasks_ + "General");
    // The page shows at once; the files follow, one a turn of the event loop.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Form().PendingStatusRewrites() == 0; }, 5000));
    EXPECT_EQ(StatusOnDisk(tasks_ + "General/idle.cvt"), tsUnscheduled);
    EXPECT_EQ(StatusOnDisk(tasks_ + "General/stopped.cvt"), tsIncomplete);
    EXPECT_EQ(StatusOnDisk(tasks_ + "General/complete.cvt"), tsIncomplete);
    EXPECT_EQ(StatusOnDisk(tasks_ + "General/zipped.cvt"), tsZipped);
    EXPECT_EQ(ReadBytes(running->FileName), running_bytes);
    EXPECT_EQ(running->Status, tsDownloadComplete);
    EXPECT_EQ(App->GetLastCategory(), "General");

    // The data file, CR LF lines, with the running task's live counters; the page beside it.
    const std::string data = ReadBytes(temp_ + "tasks.txt");
    EXPECT_EQ(data.rfind(TaskCSVHeader() + "\r\n", 0), 0u);
    EXPECT_EQ(std::count(data.begin(), data.end(), '\n'), 6);
    EXPECT_NE(data.find("\"running\",\"\",\"" + TaskStatusText(tsDownloadComplete) + "\""), std::string::npos);
    EXPECT_NE(data.find("\"3/9\""), std::string::npos);
    EXPECT_NE(data.find("\"stopped\",\"\",\"" + TaskStatusText(tsIncomplete) + "\""), std::string::npos);
    EXPECT_EQ(data.find("hidden"), std::string::npos);
    EXPECT_EQ(BrowserCalls(temp_ + "tasks.htm"), 1);
    EXPECT_NE(ReadBytes(temp_ + "tasks.htm").find("var corvaneData = "), std::string::npos);

    // Only folders and task files are nodes: no queue file, no dot file, no active-task list.
    shell::TTreeNode* general = Form().tvTasks->Selected();
    ASSERT_NE(general, nullptr);
    general->setExpanded(true);
    std::vector<std::string> names;
    for (int i = 0; i < general->Count(); ++i) names.push_back(general->Item(i)->Text().toStdString());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"complete.cvt", "idle.cvt", "running.cvt", "stopped.cvt", "zipped.cvt"}));
    SaveScreenshot(Form());
}

TEST_F(TaskTreeListing, TheRootClearsTheCategoryAndNestedCategoriesList) {
    MakeTask("Work/Deep", "inner", tsDownloadStopped);
    auto raced = MakeTask("Work/Deep", "raced", tsDownloadComplete);
    MakeTask("", "top", tsUnscheduled);
    WriteBytes(tasks_ + "General/.keep", "");
    Select(tasks_ + "Work/Deep");
    EXPECT_EQ(App->GetLastCategory(), "Work/Deep");
    // Scheduled before its status was rewritten: the later write does not undo the schedule.
    ApplySchedule(raced->FileName, "Now", 0);
    Form().FlushStatusRewrites();
    EXPECT_EQ(StatusOnDisk(tasks_ + "Work/Deep/inner.cvt"), tsIncomplete);
    EXPECT_EQ(StatusOnDisk(raced->FileName), tsScheduled);
    EXPECT_NE(ReadBytes(temp_ + "tasks.txt").find("\"inner\""), std::string::npos);

    host_.calls.clear();
    Select(WithoutTrailingSlash(tasks_));
    EXPECT_EQ(App->GetLastCategory(), "");
    EXPECT_TRUE(host_.calls.empty());  // no page for the tasks folder
    // Its node text is no longer what marks it.
    Form().tvTasks->TopItem(0)->SetText("Renamed");
    Select(tasks_ + "General");
    Select(WithoutTrailingSlash(tasks_));
    EXPECT_EQ(App->GetLastCategory(), "");

    // A new window starts in the category last chosen.
    Select(tasks_ + "Work/Deep");
    form_.reset();
    EXPECT_EQ(Form().SelectedPath(), tasks_ + "Work/Deep");
}

TEST_F(TaskTreeListing, ASelectionMadeWhileTheListingRunsIsShownAfterIt) {
    for (int i = 0; i < 4; ++i) MakeTask("General", "t" + std::to_string(i));
    auto other = MakeTask("Other", "o");
    bool selected = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!form_ || !form_->Listing() || selected) return;
        selected = true;
        form_->tvTasks->SetSelectedPath(other->FileName);
    });
    timer.start(0);
    Form().tvTasks->SetSelectedPath(tasks_ + "General");
    QApplication::processEvents();
    EXPECT_TRUE(selected);
    EXPECT_EQ(BrowserCalls(temp_ + "tasks.htm"), 1);
    EXPECT_EQ(BrowserCalls(temp_ + "task_details.htm"), 1);
    EXPECT_EQ(App->LastTask, other->FileName);
    EXPECT_NE(ReadBytes(temp_ + "task_details.txt").find("\"o\""), std::string::npos);
}

using TaskTreePages = TaskTreeHome;

TEST_F(TaskTreePages, DetailsChangeNoStatusAndAreRebuiltOnlyAfterBrowsingElsewhere) {
    auto task = MakeTask("General", "stopped", tsDownloadStopped);
    Select(task->FileName);
    const std::string page = temp_ + "task_details.htm";
    EXPECT_EQ(StatusOnDisk(task->FileName), tsDownloadStopped);
    const std::string data = ReadBytes(temp_ + "task_details.txt");
    EXPECT_EQ(data.rfind(TaskCSVHeader() + "," + ProfileCSVHeader() + "\r\n", 0), 0u);
    EXPECT_EQ(BrowserCalls(page), 1);

    // Clicked again while its page shows: nothing is written.
    host_.url_box_text = "file://" + page;
    const auto written = MTime(page);
    std::filesystem::last_write_time(page, written - std::chrono::seconds(10));
    ClickSelected();
    EXPECT_EQ(MTime(page), written - std::chrono::seconds(10));
    EXPECT_EQ(BrowserCalls(page), 1);

    // After browsing elsewhere the click builds it again.
    host_.url_box_text = "http://elsewhere.test/";
    ClickSelected();
    EXPECT_NE(MTime(page), written - std::chrono::seconds(10));
    EXPECT_EQ(BrowserCalls(page), 2);
}

TEST_F(TaskTreePages, AHostileTitleCannotEndTheDataScript) {
    const std::string data = "\"</script><script>alert(1)</script><!--\",\"%41\xE2\x80\xA8\"\r\n";
    const std::string page =
        MakeTaskTreePage("<html><head><!--corvane:data--></head><body></body></html>", "/skin/a\"b&c/", data);
    EXPECT_EQ(page.find("alert(1)</script>"), std::string::npos);
    EXPECT_EQ(page.find("<!--\""), std::string::npos);
    // One script element, ended once; the base names the folder and cannot leave its attribute.
    EXPECT_EQ(page.find("<script"), page.rfind("<script"));
    EXPECT_EQ(page.find("</script>"), page.rfind("</script>"));
    EXPECT_NE(page.find("<base href=\"file:///skin/a%22b%26c/\">"), std::string::npos);
    // "%" is written so that the page decodes it back exactly.
    EXPECT_NE(page.find("%2541%E2%80%A8"), std::string::npos);
}

using TaskTreeActions = TaskTreeHome;

TEST_F(TaskTreeActions, PopupEnablingFollowsTheStatusAndTheScheduleCaption) {
    auto idle = MakeTask("General", "idle", tsUnscheduled);
    auto scheduled = MakeTask("General", "scheduled", tsScheduled);
    auto downloading = MakeTask("General", "downloading", tsDownloading);
    TFormScheduler& form = Form();
    struct Expect {
        std::string path;
        bool run, stop, schedule, del, properties, browse, category;
        const char* caption;
    };
    const Expect cases[] = {
        {idle->FileName, true, false, true, true, true, true, false, "Schedu&le..."},
        {scheduled->FileName, false, false, true, false, false, true, false, "&Unschedule"},
        {downloading->FileName, false, true, false, false, false, true, false, "Schedu&le..."},
        {tasks_ + "General", false, false, false, true, false, false, true, nullptr},
    };
    for (const Expect& c : cases) {
        Select(c.path);
        form.popTaskPopup();
        SCOPED_TRACE(c.path);
        EXPECT_EQ(form.actTasksRun->isEnabled(), c.run);
        EXPECT_EQ(form.actTasksStop->isEnabled(), c.stop);
        EXPECT_EQ(form.actTasksSchedule->isEnabled(), c.schedule);
        EXPECT_EQ(form.actTasksDelete->isEnabled(), c.del);
        EXPECT_EQ(form.actTasksProperties->isEnabled(), c.properties);
        EXPECT_EQ(form.actTasksBrowse->isEnabled(), c.browse);
        EXPECT_EQ(form.actTasksReports->isEnabled(), c.browse);
        EXPECT_EQ(form.actTasksNewCategory->isEnabled(), c.category);
        EXPECT_TRUE(form.actTasksNewTask->isEnabled());
        if (c.caption != nullptr) {
            EXPECT_EQ(form.actTasksSchedule->text(), QString::fromUtf8(c.caption));
        }
    }
    EXPECT_EQ(form.actTasksRun->shortcut(), QKeySequence("Ctrl+R"));
    EXPECT_EQ(form.actTasksStop->shortcut(), QKeySequence("Ctrl+S"));

    // App's running task: its idle file does not decide, the live object does.
    idle->Status = tsDownloading;
    App->SetCurrentTask(idle);
    Select(idle->FileName);
    form.popTaskPopup();
    EXPECT_FALSE(form.actTasksRun->isEnabled());
    EXPECT_FALSE(form.actTasksSchedule->isEnabled());
    EXPECT_FALSE(form.actTasksDelete->isEnabled());
    EXPECT_FALSE(form.actTasksProperties->isEnabled());
    EXPECT_TRUE(form.actTasksStop->isEnabled());
    form.actTasksStop->trigger();
    EXPECT_EQ(host_.calls.back(), "StopTask(idle)");
}

TEST_F(TaskTreeActions, ScheduleAndUnscheduleOnDiskInTheActiveListAndForTheCurrentTask) {
    auto task = MakeTask("General", "plain", tsIncomplete);
    App->SetCurrentTask(task);
    TFormScheduler& form = Form();
    Select(task->FileName);
    const std::string list = tasks_ + "ActiveTasks.lst";

    form.popTaskPopup();
    {
        OnModal<TdlgSchedule> ok([](TdlgSchedule& dialog) {
            ClickBox(dialog.rbDaily);
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        form.actTasksSchedule->trigger();
    }
    auto stored = LoadTask(task->FileName);
    EXPECT_EQ(stored->Status, tsScheduled);
    EXPECT_EQ(stored->Schedule.rfind("Daily at ", 0), 0u);
    EXPECT_GT(stored->NextRun, 0);
    EXPECT_NE(ReadBytes(list).find(task->FileName), std::string::npos);
    // App's object is the file's, not an older copy whose next save would drop the schedule.
    ASSERT_TRUE(App->GetCurrentTask());
    EXPECT_EQ(App->GetCurrentTask()->Schedule, stored->Schedule);
    EXPECT_EQ(App->GetCurrentTask()->Status, tsScheduled);

    form.popTaskPopup();
    EXPECT_EQ(form.actTasksSchedule->text(), "&Unschedule");
    form.actTasksSchedule->trigger();
    stored = LoadTask(task->FileName);
    EXPECT_EQ(stored->Status, tsUnscheduled);
    EXPECT_EQ(stored->Schedule, "");
    EXPECT_EQ(stored->NextRun, 0);
    EXPECT_EQ(ReadBytes(list).find(task->FileName), std::string::npos);
    EXPECT_EQ(App->GetCurrentTask()->Status, tsUnscheduled);

    // Cancel changes nothing.
    const std::string before = ReadBytes(task->FileName);
    {
        OnModal<TdlgSchedule> cancel([](TdlgSchedule& dialog) { dialog.reject(); });
        form.actTasksSchedule->trigger();
    }
    EXPECT_EQ(ReadBytes(task->FileName), before);
}

TEST_F(TaskTreeActions, RunNewTaskExploreAndAddAFileGoWhereTheyShould) {
    auto task = MakeTask("General", "runme", tsIncomplete);
    TFormScheduler& form = Form();
    Select(task->FileName);
    form.actTasksRun->trigger();
    EXPECT_EQ(StatusOnDisk(task->FileName), tsScheduled);
    EXPECT_EQ(LoadTask(task->FileName)->Schedule, "Now");

    host_.intranet_mode_down = true;
    form.actTasksNewTask->trigger();
    form.actTasksExplore->trigger();
    EXPECT_EQ(host_.calls[host_.calls.size() - 2], "NewTask(,,1,0)");
    EXPECT_EQ(host_.calls.back(), "ExploreTask(" + task->FileName + ")");

    const std::string outside = home_ + "given.cvt";
    std::filesystem::copy_file(task->FileName, outside);
    QString caption;
    {
        OnModal<TdlgEditTask> look([&](TdlgEditTask& dialog) {
            caption = dialog.windowTitle();
            dialog.edTaskName->setText("added");
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        form.AddTaskFromFile(outside);
    }
    EXPECT_EQ(caption, "Add a Task");
    // A new file (nothing replaced) is in the tree and selected: the tree's refresh adds no files.
    const std::string added = TaskFileName(App->GetLastCategory(), "added");
    EXPECT_TRUE(std::filesystem::exists(added));
    EXPECT_EQ(form.SelectedPath(), added);
}

TEST_F(TaskTreeActions, TreeKeysCannotReachTaskFilesPastTheWindow) {
    auto task = MakeTask("General", "keys", tsUnscheduled);
    TFormScheduler& form = Form();
    Select(task->FileName);
    form.tvTasks->setFocus();
    // F2 renames in place, through the window's own check of the task.
    QTest::keyClick(form.tvTasks, Qt::Key_F2);
    ASSERT_TRUE(form.tvTasks->Editing());
    QTest::keyClick(form.tvTasks->findChild<QLineEdit*>(), Qt::Key_Escape);
    EXPECT_FALSE(form.tvTasks->Editing());
    QTest::keyClick(form.tvTasks, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(form.tvTasks, Qt::Key_V, Qt::ControlModifier);
    EXPECT_FALSE(form.tvTasks->Selected()->Cut());
    // Del is the window's Delete, with its question.
    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::No, "delete the selected Task");
    QTest::keyClick(form.tvTasks, Qt::Key_Delete);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(task->FileName));
}

TEST_F(TaskTreeActions, NewCategoryIsNamedInPlaceUnderTheSelectedOne) {
    MakeTask("General", "t");
    TFormScheduler& form = Form();
    Select(tasks_ + "General");
    form.popTaskPopup();
    ASSERT_TRUE(form.actTasksNewCategory->isEnabled());
    form.actTasksNewCategory->trigger();
    ASSERT_TRUE(form.tvTasks->Editing());
    auto* editor = form.tvTasks->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "Sub");
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(50);
    EXPECT_TRUE(std::filesystem::is_directory(tasks_ + "General/Sub"));
    EXPECT_FALSE(std::filesystem::exists(tasks_ + "General/New Folder"));
}

}  // namespace
}  // namespace corvane::testing
