// What killed runs, a second process on the same data root and very long paths must not turn into a
// lost capture or a false result: task files named with their contents, task files without a URL,
// the data root's run lock, default archive names and the offline link checker.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/model/archive_name.h"
#include "engine/model/data_root_lock.h"
#include "engine/run/run_admission.h"
#include "engine/support/file_routines.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/link_checker.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;
using test::LoopbackServer;
using test::ScriptedResponse;

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TruthfulEndsTaskFileNaming, ANameIsTakenOnlyWithItsWholeContents) {
    const std::string dir = fs::temp_directory_path().string() + "/corvane-naming-" + std::to_string(::getpid()) + "/";
    fs::remove_all(dir);
    fs::create_directories(dir + "site(0).cvt");            // a folder of the name
    fs::create_symlink(dir + "nowhere", dir + "site.cvt");  // a dangling link: never written through
    std::vector<std::string> asked;
    const std::string made = CreateUniqueFile(dir + "site.cvt", [&](const std::string& name, const std::string& aside) {
        asked.push_back(name);
        EXPECT_EQ(DirectoryOf(aside), dir);
        WriteBytes(aside, "[Task]\r\nTask Name=" + FileNameNoExt(name) + "\r\n");
    });
    EXPECT_EQ(made, dir + "site(1).cvt");
    EXPECT_EQ(asked, (std::vector<std::string>{dir + "site.cvt", dir + "site(0).cvt", dir + "site(1).cvt"}));
    EXPECT_EQ(ReadBytes(made), "[Task]\r\nTask Name=site(1)\r\n");
    EXPECT_FALSE(fs::exists(dir + "nowhere"));

    // A writer that fails (as a process killed while writing) leaves no file under the name, and no
    // temporary beside it.
    EXPECT_THROW(CreateUniqueFile(dir + "other.cvt",
                                  [](const std::string&, const std::string&) { throw std::runtime_error("disk"); }),
                 std::runtime_error);
    EXPECT_EQ(FolderNames(dir), (std::vector<std::string>{"site(0).cvt", "site(1).cvt", "site.cvt"}));
    fs::remove_all(dir);
}

// Takes the data root's lock in a child process (as a capture starting there) and holds it until
// killed; Held() is false when the lock was not free.
class DataRootHolder {
public:
    explicit DataRootHolder(const std::string& tasks_folder) {
        const std::string file = DataRootLockFile(tasks_folder);
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {  // only system calls here: the parent has threads
            const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 1 : 0;
            (void)!::write(ready[1], &ok, 1);
            if (ok) ::pause();
            ::_exit(0);
        }
        char ok = 0;
        held_ = pid_ > 0 && ::read(ready[0], &ok, 1) == 1 && ok == 1;
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~DataRootHolder() { Kill(); }
    bool Held() const { return held_; }
    void Kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool held_ = false;
};

class MessageHooks : public TRunControlHooks {
public:
    void StatusMessage(int number, const std::string& tail) override { messages.emplace_back(number, tail); }
    bool Saw(int number) const {
        return std::any_of(messages.begin(), messages.end(), [number](const auto& m) { return m.first == number; });
    }
    std::vector<std::pair<int, std::string>> messages;
};

class TruthfulEndsRunStart : public RunnerFixture<MessageHooks> {
protected:
    void SetUp() override {
        RunnerFixture::SetUp();
        server_.Serve("/index.htm", ScriptedResponse::Text("<html><title>Home</title></html>", "text/html"));
    }
    bool RunToEnd(const std::shared_ptr<TCVTask>& task) {
        return RunUntil([&] { return task->Status == tsTaskComplete && !runner_->Busy(); });
    }
    LoopbackServer server_;
};

TEST_F(TruthfulEndsRunStart, ATaskFileWithoutAURLIsNeverRunNorRewritten) {
    // What a kill right after naming a new task left: the file is there, empty.
    const std::string blank = home_ + "Tasks/127_0_0_1.cvt";
    WriteBytes(blank, "");
    EXPECT_FALSE(runner_->StartTask(LoadTask(blank)));
    EXPECT_TRUE(hooks_.Saw(kMsgTaskWithoutURL));
    EXPECT_EQ(ReadBytes(blank), "");
    EXPECT_EQ(App->GetCurrentTask(), nullptr);

    // Due on the schedule but without a URL, it does not hold up a due task behind it.
    WriteBytes(blank, "[Task]\r\nStatus=1\r\nSchedule=Now\r\n");
    App->UpdateActiveTasks({blank}, true);
    auto due = SiteTask(server_.Url("/index.htm"));
    auto next = App->NextDueTask();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->FileName, due->FileName);
    ASSERT_TRUE(runner_->StartTask(next));
    ASSERT_TRUE(RunToEnd(next));
    EXPECT_EQ(ReadBytes(blank), "[Task]\r\nStatus=1\r\nSchedule=Now\r\n");
}

TEST_F(TruthfulEndsRunStart, ARunIsRefusedWhileAnotherProcessRunsInTheDataRoot) {
    auto task = SiteTask(server_.Url("/index.htm"));
    DataRootHolder other(App->TasksDir);
    ASSERT_TRUE(other.Held());
    EXPECT_FALSE(runner_->StartTask(task));
    EXPECT_TRUE(hooks_.Saw(kMsgDataRootBusy));
    EXPECT_TRUE(server_.Requests().empty());
    EXPECT_NE(LoadTask(task->FileName)->Status, tsDownloading);

    // Killed, the other process holds nothing any more. This process's own hold (the tool takes one
    // before it makes its task) never refuses its own runs.
    other.Kill();
    auto mine = LockDataRoot(App->TasksDir);
    ASSERT_NE(mine, nullptr);
    ScriptedResponse stalled = ScriptedResponse::Text("<html></html>", "text/html");
    stalled.stall = true;
    server_.Serve("/index.htm", stalled);
    ASSERT_TRUE(runner_->StartTask(task));
    // Held while the run lasts, with or without the tool's hold, and free again once it stopped.
    EXPECT_FALSE(DataRootHolder(App->TasksDir).Held());
    mine.reset();
    EXPECT_FALSE(DataRootHolder(App->TasksDir).Held());
    runner_->StopTask(task);
    EXPECT_TRUE(DataRootHolder(App->TasksDir).Held());
}

class TruthfulEndsArchiveName : public FreshHome {};

TEST_F(TruthfulEndsArchiveName, ADefaultNameIsNeitherAFileNorPromisedToAnotherTask) {
    const std::string downloads = home_ + "Downloads/";
    fs::create_directories(downloads);
    // A task made earlier whose archive its first run has not written yet.
    TCVTask first;
    first.Name = "127_0";
    first.FileName = App->TasksDir + "General/127_0.cvt";
    first.URL = "http://127.0.0.1/";
    first.Destination = downloads + "127_0.zip";
    first.Save();
    WriteBytes(downloads + "127_0(0).zip", "PK");
    const std::set<std::string> destinations = TaskDestinations(App->TasksDir);
    EXPECT_EQ(UniqueArchiveName(downloads + "127_0.zip", destinations), downloads + "127_0(1).zip");
    EXPECT_EQ(UniqueArchiveName(downloads + "other.zip", destinations), downloads + "other.zip");
}

// Makes the folders one at a time below their parent: a path that long cannot be made in one call.
std::string MakeDeepFolder(const std::string& root, int levels) {
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::string segment(250, 'd');
    std::string path = root;
    for (int i = 0; i < levels && fd >= 0; ++i) {
        ::mkdirat(fd, segment.c_str(), 0700);
        const int next = ::openat(fd, segment.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        path += "/" + segment;
    }
    if (fd >= 0) {
        const int page = ::openat(fd, "deep.htm", O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        (void)!::write(page, "<a href=\"x.htm\">x</a>", 21);
        ::close(page);
        ::close(fd);
    }
    return path + "/deep.htm";
}

TEST(TruthfulEndsLinkcheck, APathTooLongToOpenIsReportedUncheckedAndTheCheckGoesOn) {
    const std::string root = fs::temp_directory_path().string() + "/corvane-longpath-" + std::to_string(::getpid());
    fs::remove_all(root);
    fs::create_directories(root + "/h.com");
    WriteBytes(root + "/h.com/index.htm", "<a href=\"missing.htm\">m</a><a href=\"" + std::string(300, 'a') + "/" +
                                              std::string(4000, 'b') + ".htm\">long</a>");
    const std::string deep = MakeDeepFolder(root + "/h.com", 20);
    ASSERT_GT(deep.size(), 4096u);

    const LinkCheckReport report = CheckCapturedLinks(root);
    EXPECT_EQ(report.PagesChecked, 1);
    ASSERT_EQ(report.Broken.size(), 1u);
    EXPECT_EQ(report.Broken[0].Link, "missing.htm");
    // The deep folder (not entered) and the long link's target.
    ASSERT_EQ(report.Unchecked.size(), 2u);
    EXPECT_EQ(report.Unchecked[0].rfind("h.com/ddd", 0), 0u);
    EXPECT_EQ(report.Unchecked[1].rfind("h.com/aaa", 0), 0u);
    // rm descends below the parent, where a whole long path cannot be named.
    EXPECT_EQ(std::system(("rm -rf '" + root + "'").c_str()), 0);
}

}  // namespace
}  // namespace corvane::testing
