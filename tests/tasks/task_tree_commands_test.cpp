// The task tree's commands on files and pages: delete into the Trash, rename in place, browse, and
// the report pages.

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "localisation/message_ids.h"
#include "platform/launch/launcher.h"
#include "shell/ns/trash.h"
#include "tasks/lang_text.h"
#include "tasks/report/task_report.h"
#include "tests/support/launch_recorder.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/tasks/task_tree_fixture.h"

namespace corvane::testing {
namespace {

std::vector<std::string> TrashedNames() {
    std::vector<std::string> names;
    for (const shell::TrashEntry& entry : shell::ListHomeTrash()) names.push_back(entry.originalName);
    std::sort(names.begin(), names.end());
    return names;
}

using TaskTreeDelete = TaskTreeHome;

TEST_F(TaskTreeDelete, ATaskGoesToTheTrashWithItsQueueAndReleasesTheCurrentTask) {
    auto task = MakeTask("General", "gone", tsIncomplete);
    WriteBytes(tasks_ + "General/gone.dwn", "queue");
    App->SetCurrentTask(task);
    Select(task->FileName);

    // Aborted in the file operation: everything stays.
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::Yes, "Are you sure you want to delete the selected Task? ");
        shell_ui_.cancelAt = 1;
        Form().actTasksDelete->trigger();
    }
    EXPECT_TRUE(std::filesystem::exists(task->FileName));
    EXPECT_TRUE(std::filesystem::exists(tasks_ + "General/gone.dwn"));
    EXPECT_EQ(App->GetCurrentTask(), task);
    EXPECT_TRUE(host_.calls.empty() || host_.calls.back() != "ClearExplorer()");

    shell_ui_.cancelAt = std::numeric_limits<std::size_t>::max();
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::Yes, "delete the selected Task");
        Form().actTasksDelete->trigger();
    }
    EXPECT_FALSE(std::filesystem::exists(task->FileName));
    EXPECT_FALSE(std::filesystem::exists(tasks_ + "General/gone.dwn"));
    EXPECT_EQ(TrashedNames(), (std::vector<std::string>{"gone.cvt", "gone.dwn"}));
    EXPECT_EQ(shell_ui_.lastTitle, "");  // no question from the shell: the window asked
    EXPECT_EQ(App->GetCurrentTask(), nullptr);
    EXPECT_EQ(host_.calls.back(), "ClearExplorer()");
}

TEST_F(TaskTreeDelete, ACategoryLeavesTheActiveListAndARunningOneIsRefused) {
    auto scheduled = MakeTask("Old", "listed", tsScheduled);
    auto current = MakeTask("Old", "current", tsIncomplete);
    App->SetCurrentTask(current);
    Select(tasks_ + "Old");

    // While the current task runs, its category stays.
    current->Status = tsDownloading;
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::OK, LangText(msg::CategoryDeleteRefused));
        Form().actTasksDelete->trigger();
    }
    EXPECT_TRUE(std::filesystem::exists(scheduled->FileName));

    current->Status = tsIncomplete;
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::Yes, "Are you sure you want to remove the category 'Old' and delete all the Tasks it contains.?");
        Form().actTasksDelete->trigger();
    }
    EXPECT_FALSE(std::filesystem::exists(tasks_ + "Old"));
    EXPECT_EQ(TrashedNames(), std::vector<std::string>{"Old"});
    EXPECT_EQ(ReadBytes(tasks_ + "ActiveTasks.lst").find(scheduled->FileName), std::string::npos);
    EXPECT_FALSE(App->ActiveTasks.IndexOf(scheduled->FileName) >= 0);
    // The current task's file was inside: released.
    EXPECT_EQ(App->GetCurrentTask(), nullptr);
}

// A category or task whose name holds ";" or "*" goes alone: the sibling categories and tasks that a
// list or a pattern would reach stay, with their queues.
using DeleteSafetyTaskTree = TaskTreeHome;

TEST_F(DeleteSafetyTaskTree, OnlyTheChosenCategoryOrTaskGoesToTheTrash) {
    MakeTask("News;Old", "chosen");
    auto news = MakeTask("News", "kept");
    auto old = MakeTask("Old", "kept");
    Select(tasks_ + "News;Old");
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::Yes, "the category 'News;Old'");
        Form().actTasksDelete->trigger();
    }
    EXPECT_FALSE(std::filesystem::exists(tasks_ + "News;Old"));
    EXPECT_TRUE(std::filesystem::exists(news->FileName));
    EXPECT_TRUE(std::filesystem::exists(old->FileName));

    auto star = MakeTask("General", "site*");
    std::vector<std::shared_ptr<TCVTask>> siblings = {MakeTask("General", "site"), MakeTask("General", "site2")};
    for (const auto& task : {star, siblings[0], siblings[1]}) WriteBytes(QueueFileOf(task->FileName), "queue");
    Select(star->FileName);
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::Yes, "delete the selected Task");
        Form().actTasksDelete->trigger();
    }
    EXPECT_FALSE(std::filesystem::exists(star->FileName));
    for (const auto& task : siblings) {
        EXPECT_TRUE(std::filesystem::exists(task->FileName)) << task->FileName;
        EXPECT_TRUE(std::filesystem::exists(QueueFileOf(task->FileName))) << task->FileName;
    }
    EXPECT_EQ(TrashedNames(), (std::vector<std::string>{"News;Old", "site*.cvt", "site*.dwn"}));
    EXPECT_TRUE(shell_ui_.warnings.empty());
}

using TaskTreeRename = TaskTreeHome;

TEST_F(TaskTreeRename, ATaskFileKeepsItsExtensionItsQueueAndItsNameFollow) {
    auto task = MakeTask("General", "before", tsIncomplete);
    WriteBytes(tasks_ + "General/before.dwn", "queue");
    App->SetCurrentTask(task);
    Select(task->FileName);
    RenameSelected("after");

    const std::string renamed = tasks_ + "General/after.cvt";
    ASSERT_TRUE(std::filesystem::exists(renamed));
    EXPECT_FALSE(std::filesystem::exists(tasks_ + "General/after"));
    EXPECT_EQ(ReadBytes(tasks_ + "General/after.dwn"), "queue");
    EXPECT_FALSE(std::filesystem::exists(tasks_ + "General/before.dwn"));
    EXPECT_EQ(LoadTask(renamed)->Name, "after");
    // App's object follows; its next save writes the new file.
    EXPECT_EQ(App->GetCurrentTask(), task);
    EXPECT_EQ(task->FileName, renamed);
    EXPECT_EQ(Form().SelectedPath(), renamed);

    // "taken.cvt" exists: the file goes back to its name rather than drop out of the tree.
    MakeTask("General", "taken");
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::OK, LangText(msg::TaskRenameFailed));
        RenameSelected("taken");
    }
    EXPECT_TRUE(std::filesystem::exists(renamed));
    EXPECT_FALSE(std::filesystem::exists(tasks_ + "General/taken"));
    EXPECT_EQ(LoadTask(tasks_ + "General/taken.cvt")->Name, "taken");
}

TEST_F(TaskTreeRename, ScheduledTasksAndTheRunningCategoryAreRefusedAndListedPathsFollowACategory) {
    auto scheduled = MakeTask("Cat", "sched", tsScheduled);
    Select(scheduled->FileName);
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::OK, LangText(msg::TaskRenameRefused));
        Form().tvTasks->editItem(Form().tvTasks->Selected());
    }
    EXPECT_FALSE(Form().tvTasks->Editing());

    auto running = MakeTask("Cat", "run", tsDownloading);
    App->SetCurrentTask(running);
    Select(tasks_ + "Cat");
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::OK, LangText(msg::CategoryRenameRefused));
        Form().tvTasks->editItem(Form().tvTasks->Selected());
    }
    EXPECT_FALSE(Form().tvTasks->Editing());

    running->Status = tsIncomplete;
    running->Save();
    RenameSelected("Moved");
    ASSERT_TRUE(std::filesystem::exists(tasks_ + "Moved/sched.cvt"));
    const std::string list = ReadBytes(tasks_ + "ActiveTasks.lst");
    EXPECT_NE(list.find(tasks_ + "Moved/sched.cvt"), std::string::npos);
    EXPECT_EQ(list.find(tasks_ + "Cat/"), std::string::npos);
    EXPECT_EQ(running->FileName, tasks_ + "Moved/run.cvt");
    EXPECT_EQ(App->GetLastCategory(), "Moved");
}

using TaskTreeBrowse = TaskTreeHome;

TEST_F(TaskTreeBrowse, OnlineOpensOnlyWebAddressesAndOfflineOnlyTheCapturedStartPage) {
    LaunchRecorder launcher;
    auto hostile = MakeTask("General", "hostile", tsIncomplete, "javascript:alert(1)");
    Select(hostile->FileName);
    Form().actTasksBrowseOnline->trigger();
    Form().actTasksBrowseOffline->trigger();
    EXPECT_TRUE(launcher.Opened().empty());

    auto task = MakeTask("General", "site", tsTaskComplete, "http://site.test/dir/index.html");
    const std::string page = task->GetLocalStartPage();
    WriteBytes(page, "<html></html>");
    SetCaptureFolder("tree-test", home_ + "site/");
    Select(task->FileName);
    Form().actTasksBrowseOnline->trigger();
    Form().actTasksBrowseOffline->trigger();
    SetCaptureFolder("tree-test", "");
    const auto opened = launcher.Opened();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].location, "http://site.test/dir/index.html");
    EXPECT_EQ(opened[1].location, page);

    // A double click shows it in the browser view.
    const QRect rect = Form().tvTasks->DisplayRect(Form().tvTasks->Selected(), true);
    QTest::mouseDClick(Form().tvTasks->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(BrowserCalls(page), 1);
}

TEST_F(TaskTreeBrowse, ZipModeBrowsesTheExtractedArchiveOrSaysItIsMissing) {
    auto task = MakeTask("General", "zipped", tsZipped, "http://site.test/index.html");
    task->IntranetMode = false;
    task->Destination = home_ + "out/zipped.zip";
    task->Save();
    Select(task->FileName);
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::OK, "This task has not been run, or its resulting zip file no longer exists.");
        QTest::mouseDClick(Form().tvTasks->viewport(), Qt::LeftButton, {},
                           Form().tvTasks->DisplayRect(Form().tvTasks->Selected(), true).center());
    }
    WriteBytes(task->Destination, "PK");
    host_.browse_root = home_ + "browse/";
    WriteBytes(home_ + "browse/site.test/index.html", "<html></html>");
    host_.calls.clear();
    QTest::mouseDClick(Form().tvTasks->viewport(), Qt::LeftButton, {},
                       Form().tvTasks->DisplayRect(Form().tvTasks->Selected(), true).center());
    EXPECT_EQ(host_.calls, (std::vector<std::string>{"ShowZipView()", "OpenArchiveForBrowsing(" + task->Destination + ")",
                                                     "ShowBrowserView(" + home_ + "browse/site.test/index.html)"}));
}

using TaskTreeReports = TaskTreeHome;

TEST_F(TaskTreeReports, AMissingZipOffersToRunAnExistingPageOpensAMissingOneIsMade) {
    auto zip = MakeTask("General", "nozip", tsIncomplete);
    zip->IntranetMode = false;
    zip->Destination = home_ + "out/nozip.zip";
    zip->Save();
    Select(zip->FileName);
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::Yes, LangText(msg::AskRunForReport));
        Form().actTasksSummary->trigger();
    }
    EXPECT_EQ(StatusOnDisk(zip->FileName), tsScheduled);
    EXPECT_EQ(LoadTask(zip->FileName)->Schedule, "Now");

    auto task = MakeTask("General", "site", tsTaskComplete, "http://site.test/index.html");
    Select(task->FileName);
    const TTaskReport report(*task, task->GetFolder());
    const std::string pages = report.IndexFile(ReportIndex::Pages, 1);
    WriteBytes(pages, "<html></html>");
    host_.calls.clear();
    Form().actTasksPageIndex->trigger();
    EXPECT_EQ(host_.calls, std::vector<std::string>{"ShowBrowserView(" + pages + ")"});

    // No summary yet: the report window writes every page and opens the summary.
    host_.calls.clear();
    Form().actTasksSummary->trigger();
    EXPECT_TRUE(std::filesystem::exists(report.SummaryFile()));
    EXPECT_EQ(host_.calls, std::vector<std::string>{"ShowBrowserView(" + report.SummaryFile() + ")"});
}

}  // namespace
}  // namespace corvane::testing
