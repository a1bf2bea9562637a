// One process per task, processes sharing a data root, and the clean-up of what killed runs and
// zipped captures leave behind.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>
#include <vector>

#include "engine/support/file_routines.h"
#include "engine/queue/queue_item.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/model/task_lock.h"
#include "engine/support/temp_cleanup.h"
#include "engine/support/zipped_cleanup.h"
#include "platform/registry/registry_store.h"
#include "task_fixture.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::WriteBytes;

class TaskLock : public testing::FreshHome {
protected:
    std::shared_ptr<TCVTask> MakeTask(const std::string& name, TCVTaskStatus status) {
        auto task = std::make_shared<TCVTask>();
        task->Name = name;
        task->FileName = App->TasksDir + "General/" + name + ".cvt";
        task->URL = "http://example.com/";
        task->Status = status;
        task->Save();
        return task;
    }
    // Runs body in a child process, as a second program on the same data root would.
    static pid_t Child(const std::function<void()>& body) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            body();
            ::_exit(0);
        }
        return pid;
    }
    static int Wait(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
};

TEST_F(TaskLock, ASecondProcessCannotTakeAHeldTaskUntilTheHolderIsKilled) {
    auto task = MakeTask("Site", tsScheduled);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = Child([&] {
        TFileLock lock;
        const char byte = lock.Lock(TaskLockFile(task->FileName), false) ? 1 : 0;
        (void)!::write(ready[1], &byte, 1);
        ::pause();
    });
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 1);
    EXPECT_TRUE(TaskLockedElsewhere(task->FileName));
    EXPECT_EQ(LockTask(task->FileName), nullptr);
    // The schedule passes over a task that another process runs.
    EXPECT_EQ(App->NextDueTask(), nullptr);

    ::kill(holder, SIGKILL);
    EXPECT_EQ(Wait(holder), 128 + SIGKILL);
    ::close(ready[0]);
    ::close(ready[1]);
    const auto lock = LockTask(task->FileName);
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(LockTask(task->FileName), lock);  // this process's own hold, shared
    EXPECT_FALSE(TaskLockedElsewhere(task->FileName));
    ASSERT_NE(App->NextDueTask(), nullptr);
    // The lock file is never the task file, which every save replaces.
    EXPECT_TRUE(fs::exists(App->TasksDir + "General/.Site.cvt.lock"));
}

TEST_F(TaskLock, NewTasksMadeAtOnceGetFilesOfTheirOwn) {
    fs::create_directories(App->TasksDir);
    std::vector<std::string> names(8);
    std::vector<std::thread> makers;
    for (std::string& name : names)
        makers.emplace_back([&name, this] { name = CreateUniqueFile(App->TasksDir + "site.cvt"); });
    for (std::thread& maker : makers) maker.join();
    const std::set<std::string> distinct(names.begin(), names.end());
    EXPECT_EQ(distinct.size(), names.size());
    for (const std::string& name : names) EXPECT_TRUE(fs::is_regular_file(name)) << name;
    EXPECT_TRUE(distinct.count(App->TasksDir + "site.cvt"));
    EXPECT_TRUE(distinct.count(App->TasksDir + "site(6).cvt"));
}

TEST_F(TaskLock, TheActiveTaskListKeepsTheEntriesOfEveryProcess) {
    const std::string list = App->TasksDir + kActiveTasksFile;
    auto mine = MakeTask("Mine", tsScheduled);
    // Another program adds its task; this one's list in memory knows nothing of it.
    const std::string theirs = App->TasksDir + "General/Theirs.cvt";
    ASSERT_EQ(Wait(Child([&] { App->UpdateActiveTasks({theirs}, true); })), 0);
    auto more = MakeTask("More", tsDownloading);
    EXPECT_EQ(ReadBytes(list), mine->FileName + "\r\n" + theirs + "\r\n" + more->FileName + "\r\n");
    mine->Status = tsDownloadStopped;
    mine->Save();
    EXPECT_EQ(ReadBytes(list), theirs + "\r\n" + more->FileName + "\r\n");
    EXPECT_EQ(App->ActiveTasks.Count(), 2);
}

TEST_F(TaskLock, TheRegistryFileKeepsTheValuesOfEveryProcess) {
    const std::string file = home_ + "registry.reg";
    RegistryStore first(file);
    RegistryStore second(file);  // read before the first one wrote anything
    ASSERT_TRUE(first.SetString("\\Software\\Test", "First", "1"));
    ASSERT_TRUE(second.SetString("\\Software\\Test", "Second", "2"));
    ASSERT_TRUE(first.DeleteValue("\\Software\\Test", "First"));
    ASSERT_TRUE(first.SetString("\\Software\\Test", "Third", "3"));
    RegistryStore later(file);
    EXPECT_FALSE(later.GetValue("\\Software\\Test", "First"));
    ASSERT_TRUE(later.GetValue("\\Software\\Test", "Second"));
    ASSERT_TRUE(later.GetValue("\\Software\\Test", "Third"));
    EXPECT_EQ(later.GetValue("\\Software\\Test", "Second")->Data, "2");
    EXPECT_TRUE(first.GetValue("\\Software\\Test", "Second"));  // read back while writing
}

TEST_F(TaskLock, TheCleanUpRemovesExactlyTheProgramsOwnTemporaries) {
    const std::string root = home_ + "capture/";
    const std::vector<std::string> ours = {
        root + ".corvane:0123456789abcdef.part",       // a download
        root + "site/deep/.corvane:fedcba9876543210.part",
        root + "site/.corvane:Ab12Cd",                 // an atomic rewrite
        root + ".corvane:add-Xy12Zz/site.zip",         // the add library's work folder
        root + ".corvane:add-Xy12Zz/site.zip.k3J9aQ",
    };
    const std::vector<std::string> kept = {
        root + "site/.corvane-abc",            // a captured file named like ours
        root + "site/page.htm",
        root + "site/page.htm:original",       // still needed by a resume
        root + "site.zip",
        root + "site.zip.backup",
        root + "site.zip:journal",             // the archive's journal
        root + "site.zip:journal.bad",
        root + "notes 10:30.txt",              // a user's file with a colon
    };
    for (const auto& path : ours) WriteBytes(path, "x");
    for (const auto& path : kept) WriteBytes(path, "keep");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    timespec since{};
    clock_gettime(CLOCK_REALTIME_COARSE, &since);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const std::string fresh = root + "site/.corvane:1111111111111111.part";  // a run's own, made since
    WriteBytes(fresh, "new");

    EXPECT_EQ(RemoveOwnTemporaries(root, false, since), 2);  // only the folder's own entries
    EXPECT_EQ(RemoveOwnTemporaries(root, true, since), 2);
    for (const auto& path : ours) EXPECT_FALSE(fs::exists(path)) << path;
    for (const auto& path : kept) EXPECT_TRUE(fs::exists(path)) << path;
    EXPECT_TRUE(fs::exists(fresh));
}

class TaskLockZipped : public TaskLock {
protected:
    std::shared_ptr<TCVTask> ZipTask(const std::string& name) {
        auto task = MakeTask(name, tsScheduled);
        task->IntranetMode = false;
        task->Save();
        return task;
    }
    // Queues the URL in the state given and makes its file in the capture folder.
    std::string Add(TCVTask& task, const std::string& url, TCVItemState state) {
        TCVQItem item(&task);
        item.URL = url;
        item.Type = "HTML";
        task.AddQItem(item);
        item.State = state;
        item.Put();
        const std::string file = item.GetLocalFileName();
        if (!fs::exists(file)) WriteBytes(file, "captured");
        return file;
    }
    static timespec Stamp() {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));  // past the files' coarse time stamps
        timespec now{};
        clock_gettime(CLOCK_REALTIME_COARSE, &now);
        return now;
    }
};

TEST_F(TaskLockZipped, OnlyFilesNoOtherTaskStillNeedsGo) {
    auto task = ZipTask("Site");
    const std::string only_ours = Add(*task, "http://example.com/d/one.htm", isZipped);
    const std::string shared = Add(*task, "http://example.com/a/two.htm", isZipped);
    const std::string updated = Add(*task, "http://example.com/b/three.htm", isZipped);
    auto other = ZipTask("Other");
    Add(*other, "http://example.com/a/two.htm", isSaved);  // not in its archive yet
    TCVQItem update(other.get());
    update.URL = "http://example.com/b/three.htm";
    update.Mark = mkUpdate;  // an update may find it unchanged and zip it as it is
    other->AddQItem(update);
    Add(*other, "http://example.com/c/done.htm", isZipped);
    ASSERT_TRUE(other->SaveQueue());

    const auto others = OtherTaskFiles(App->TasksDir, task->FileName);
    ASSERT_EQ(others, std::vector<std::string>{other->FileName});
    EXPECT_EQ(RemoveZippedCaptureFiles(*task, others, Stamp()), 1);
    EXPECT_FALSE(fs::exists(only_ours));
    EXPECT_FALSE(fs::exists(only_ours.substr(0, only_ours.rfind('/'))));  // the folder it left empty went too
    EXPECT_TRUE(fs::exists(shared));
    EXPECT_TRUE(fs::exists(updated));

    // Nothing goes while an item is not in the archive.
    const std::string another = Add(*task, "http://example.com/d/four.htm", isZipped);
    Add(*task, "http://example.com/d/five.htm", isParsed);
    EXPECT_EQ(RemoveZippedCaptureFiles(*task, {}, Stamp()), 0);
    EXPECT_TRUE(fs::exists(another));
}

}  // namespace
}  // namespace corvane
