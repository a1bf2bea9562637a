// What a kill or a second process on the same data root leaves must not become a lost capture or a
// false result: task files named with their contents, task files without a URL, the data root's run
// lock, and the offline link checker on paths too long to open.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "engine/run/run_admission.h"
#include "engine/support/file_routines.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/data_root_holder.h"
#include "tests/support/link_checker.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

TEST(TruthfulEndsTaskFileNaming, ANameIsTakenOnlyWithItsWholeContents) {
    const std::string dir = fs::temp_directory_path().string() + "/corvane-naming-" + std::to_string(::getpid()) + "/";
    fs::remove_all(dir);
    fs::create_directories(dir + "site(0).cvt");            // a folder of the name
    fs::create_symlink(dir + "nowhere", dir + "site.cvt");  // a dangling link: never written through
    const auto write = [](const std::string& name, const std::string& aside) {
        WriteBytes(aside, fs::path(name).filename().string());
    };
    const std::string made = CreateUniqueFile(dir + "site.cvt", write);
    EXPECT_EQ(made, dir + "site(1).cvt");
    EXPECT_EQ(ReadBytes(made), "site(1).cvt");  // written for the name it got
    // A writer that fails, as a process killed while writing, leaves nothing under the name or beside it.
    const auto fail = [](const std::string&, const std::string&) { throw std::runtime_error("killed"); };
    EXPECT_THROW(CreateUniqueFile(dir + "other.cvt", fail), std::runtime_error);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"site(0).cvt", "site(1).cvt", "site.cvt"}));
    fs::remove_all(dir);
}

class MessageHooks : public TRunControlHooks {
public:
    void StatusMessage(int number, const std::string&) override { numbers.push_back(number); }
    std::vector<int> numbers;
};

class TruthfulEndsRunStart : public RunnerFixture<MessageHooks> {
protected:
    void SetUp() override {
        RunnerFixture::SetUp();
        server_.Serve("/index.htm", test::ScriptedResponse::Text("<html><title>Home</title></html>", "text/html"));
    }
    bool Saw(int number) const { return std::count(hooks_.numbers.begin(), hooks_.numbers.end(), number) > 0; }
    test::LoopbackServer server_;
};

TEST_F(TruthfulEndsRunStart, ATaskFileWithoutAURLIsNeverRunNorRewrittenNorHoldsUpTheSchedule) {
    // What a kill right after a new task was named left: a due task file without its URL.
    const std::string blank = home_ + "Tasks/127_0_0_1.cvt";
    const std::string text = "[Task]\r\nStatus=1\r\nSchedule=Now\r\n";
    WriteBytes(blank, text);
    EXPECT_FALSE(runner_->StartTask(LoadTask(blank)));
    EXPECT_TRUE(Saw(kMsgTaskWithoutURL));
    App->UpdateActiveTasks({blank}, true);
    auto due = SiteTask(server_.Url("/index.htm"));
    auto next = App->NextDueTask();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->FileName, due->FileName);
    ASSERT_TRUE(runner_->StartTask(next));
    ASSERT_TRUE(RunUntil([&] { return next->Status == tsTaskComplete && !runner_->Busy(); }));
    EXPECT_EQ(ReadBytes(blank), text);
}

TEST_F(TruthfulEndsRunStart, ARunIsRefusedWhileAnotherProcessRunsInTheDataRoot) {
    auto task = SiteTask(server_.Url("/index.htm"));
    DataRootHolder other(App->TasksDir);
    ASSERT_TRUE(other.Held());
    EXPECT_FALSE(runner_->StartTask(task));
    EXPECT_TRUE(Saw(kMsgDataRootBusy));
    EXPECT_TRUE(server_.Requests().empty());

    // Killed, it holds nothing. This process's own hold (the tool takes one before it makes its
    // task) never refuses its runs; a run holds the data root until it stops.
    other.Kill();
    auto mine = LockDataRoot(App->TasksDir);
    ASSERT_NE(mine, nullptr);
    test::ScriptedResponse stalled = test::ScriptedResponse::Text("<html></html>", "text/html");
    stalled.stall = true;
    server_.Serve("/index.htm", stalled);
    ASSERT_TRUE(runner_->StartTask(task));
    mine.reset();
    EXPECT_FALSE(DataRootHolder(App->TasksDir).Held());
    runner_->StopTask(task);
    EXPECT_TRUE(DataRootHolder(App->TasksDir).Held());
}

TEST(TruthfulEndsLinkcheck, APathTooLongToOpenIsReportedUncheckedAndTheCheckGoesOn) {
    const std::string root = fs::temp_directory_path().string() + "/corvane-longpath-" + std::to_string(::getpid());
    const std::string segment(250, 'd');
    WriteBytes(root + "/h.com/index.htm", "<a href=\"missing.htm\">m</a><a href=\"" + std::string(4100, 'a') + ".htm\">");
    // Made one folder at a time below its parent: a path that long cannot be named in one call.
    int fd = ::open((root + "/h.com").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < 20 && fd >= 0; ++level) {
        ::mkdirat(fd, segment.c_str(), 0700);
        const int below = ::openat(fd, segment.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = below;
    }
    ASSERT_GE(fd, 0);
    ::close(::openat(fd, "deep.htm", O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    ::close(fd);

    const LinkCheckReport report = CheckCapturedLinks(root);
    EXPECT_EQ(report.PagesChecked, 1);
    ASSERT_EQ(report.Broken.size(), 1u);
    EXPECT_EQ(report.Broken[0].Link, "missing.htm");
    ASSERT_EQ(report.Unchecked.size(), 2u);  // the folder it could not enter, the link's target
    EXPECT_EQ(report.Unchecked[0].rfind("h.com/ddd", 0), 0u);
    EXPECT_EQ(report.Unchecked[1].rfind("h.com/aaa", 0), 0u);
    // rm works below each parent, where the whole path cannot be named.
    EXPECT_EQ(std::system(("rm -rf '" + root + "'").c_str()), 0);
}

}  // namespace
}  // namespace corvane::testing
