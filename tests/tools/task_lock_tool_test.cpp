// The capture tool as a user runs it: one process per task, the run methods of --resume, the exit
// codes, and what a run leaves in its folders.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/loopback_server.h"
#include "tests/tools/spawn_process.h"
#include "tools/capture/capture_driver.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::LoopbackServer;
using test::ScriptedResponse;
using testing::WaitExit;

pid_t SpawnTool(std::vector<std::string> args, const std::string& log) {
    args.insert(args.begin(), CORVANE_CAPTURE_TOOL);
    return testing::SpawnProcess(args, log);
}

class TaskLockTool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-lock-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = std::string(pattern) + "/";
        home_ = root_ + "home/";
        capture_ = root_ + "capture/";
        if (const char* old = std::getenv("CORVANE_HOME")) old_home_ = old;
        server_.Serve("/start.htm", ScriptedResponse::Text("<html><title>Start</title><img src=\"a.gif\">"
                                                           "<img src=\"missing.gif\"></html>",
                                                           "text/html"));
        server_.Serve("/a.gif", ScriptedResponse::Text("GIF89a", "image/gif"));
        server_.Serve("/missing.gif", ScriptedResponse::Status(404));
    }
    void TearDown() override {
        if (old_home_.empty()) ::unsetenv("CORVANE_HOME");
        else ::setenv("CORVANE_HOME", old_home_.c_str(), 1);
        fs::remove_all(root_);
    }
    CaptureOptions Options(bool intranet = true) {
        CaptureOptions o;
        o.URL = server_.Url("/start.htm");
        o.Destination = capture_;
        o.Intranet = intranet;
        o.Home = home_;
        o.Fast = true;
        o.TimeoutSeconds = 60;
        return o;
    }
    CaptureOptions Resume(TCVRunMethod method) {
        CaptureOptions o = Options();
        o.URL.clear();
        o.Destination.clear();
        o.Resume = true;
        o.Method = method;
        return o;
    }
    static std::string LastLine(const std::string& text) {
        return text.substr(text.rfind('\n', text.size() - 2) + 1);
    }
    int Requests(const std::string& path) const {
        int n = 0;
        for (const auto& request : server_.Requests()) n += request.Path() == path ? 1 : 0;
        return n;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    LoopbackServer server_;
    std::string root_, home_, capture_, old_home_;
};

TEST_F(TaskLockTool, ASecondRunOfARunningTaskExits4AndChangesNothing) {
    ScriptedResponse slow = ScriptedResponse::Text(std::string(400, 'x'), "image/gif");
    slow.trickle_bytes = 10;
    slow.trickle_pause = std::chrono::milliseconds(50);
    server_.Serve("/a.gif", slow);
    const pid_t first =
        SpawnTool({"--fast", "--home", home_, server_.Url("/start.htm"), capture_, "intranet"}, root_ + "1.log");
    ASSERT_GT(first, 0);
    ASSERT_TRUE(server_.WaitForRequests(2, std::chrono::seconds(30)));
    std::string task_file;
    for (const auto& entry : fs::recursive_directory_iterator(home_ + "Tasks"))
        if (entry.path().extension() == ".cvt") task_file = entry.path().string();
    const std::string before = Read(task_file);

    const pid_t second = SpawnTool({"--fast", "--resume", "--method", "restart", "--home", home_}, root_ + "2.log");
    EXPECT_EQ(WaitExit(second), 4) << Read(root_ + "2.log");
    EXPECT_NE(Read(root_ + "2.log").find("another process"), std::string::npos);
    EXPECT_EQ(Requests("/start.htm"), 1);  // the refused run fetched nothing
    EXPECT_EQ(WaitExit(first), 0) << Read(root_ + "1.log");
    EXPECT_NE(before.find("Status=2"), std::string::npos);  // it was running when the second came

    // Once the first has ended, the task is free.
    EXPECT_EQ(WaitExit(SpawnTool({"--fast", "--resume", "--home", home_}, root_ + "3.log")), 0)
        << Read(root_ + "3.log");
}

TEST_F(TaskLockTool, RunMethodsAndExitCodesSayHowARunEnded) {
    std::ostringstream out;
    EXPECT_EQ(RunCapture(Options(), out), kExitDone) << out.str();
    EXPECT_NE(LastLine(out.str()).find("Task Complete  1 item in error"), std::string::npos) << LastLine(out.str());

    // Strict: the same item in error fails the run; a retry fetches it again and it passes.
    CaptureOptions strict = Resume(rmResume);
    strict.Strict = true;
    out.str("");
    EXPECT_EQ(RunCapture(strict, out), kExitFailures) << out.str();
    EXPECT_EQ(Requests("/missing.gif"), 1);  // errors are final for a resume
    server_.Serve("/missing.gif", ScriptedResponse::Text("GIF89a", "image/gif"));
    strict.Method = rmSmartRecovery;
    out.str("");
    EXPECT_EQ(RunCapture(strict, out), kExitDone) << out.str();
    EXPECT_NE(LastLine(out.str()).find("0 items in error"), std::string::npos) << LastLine(out.str());
    EXPECT_EQ(Requests("/missing.gif"), 2);
    // An update fetches every saved item again.
    out.str("");
    EXPECT_EQ(RunCapture(Resume(rmSmartUpdate), out), kExitDone) << out.str();
    EXPECT_EQ(Requests("/a.gif"), 2);

    // Stopped by the timeout.
    ScriptedResponse stalled = ScriptedResponse::Text("<html></html>", "text/html");
    stalled.stall = true;
    server_.Serve("/start.htm", stalled);
    CaptureOptions timed = Options();
    timed.Home = root_ + "timed/";
    timed.TimeoutSeconds = 1;
    out.str("");
    EXPECT_EQ(RunCapture(timed, out), kExitStopped) << out.str();

    // Bad arguments, and nothing to resume.
    EXPECT_EQ(WaitExit(SpawnTool({"--resume", "--home", home_, "--method", "again"}, root_ + "bad.log")),
              kExitBadArguments);
    CaptureOptions nothing = Resume(rmResume);
    nothing.Home = root_ + "empty/";
    out.str("");
    EXPECT_EQ(RunCapture(nothing, out), kExitBadArguments) << out.str();
}

TEST_F(TaskLockTool, AZipRunLeavesNoCaptureBehindAndTheNextStartClearsWhatAKillLeft) {
    std::ostringstream out;
    ASSERT_EQ(RunCapture(Options(false), out), kExitDone) << out.str();
    // The capture is in the archive: nothing of it stays in the temporary capture folder.
    const std::string temp = home_ + "temp/Corvane/";
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(temp))
        if (entry.path().filename() != ".corvane-temp") left.push_back(entry.path().string());
    EXPECT_TRUE(left.empty()) << left.front();
    std::vector<std::string> beside;
    for (const auto& entry : fs::directory_iterator(capture_)) beside.push_back(entry.path().filename().string());
    ASSERT_EQ(beside.size(), 1u) << beside.back();  // the archive alone: no work folder, no temporary archive

    // What killed runs leave, among files of the user's and of the capture.
    const std::vector<std::string> ours = {home_ + ".corvane:Reg123", home_ + "Tasks/.corvane:Lst123",
                                           temp + "127.0.0.1/.corvane:00aa11bb22cc33dd.part",
                                           capture_ + ".corvane:add-Q1w2E3/site.zip.Xa12Bc"};
    const std::vector<std::string> kept = {temp + "127.0.0.1/.corvane-abc", capture_ + "site.zip.backup",
                                           capture_ + "other.zip:journal", temp + "127.0.0.1/a.gif:original"};
    for (const auto& path : ours) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << "left";
    }
    for (const auto& path : kept) std::ofstream(path) << "kept";
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    out.str("");
    ASSERT_EQ(RunCapture(Resume(rmRestart), out), kExitDone) << out.str();
    for (const auto& path : ours) EXPECT_FALSE(fs::exists(path)) << path;
    for (const auto& path : kept) EXPECT_TRUE(fs::exists(path)) << path;
    // The restart rewrote the archive (its entries were there): through a work folder that is gone.
    for (const auto& entry : fs::directory_iterator(capture_)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(entry.path().extension() == ".zip" || name == "site.zip.backup" || name == "other.zip:journal")
            << name;
    }
}

}  // namespace
}  // namespace corvane
