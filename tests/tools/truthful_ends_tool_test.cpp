// The capture tool after kills and beside another process: a task file a kill left without its URL,
// kept originals of pages the queue already holds as parsed, and a data root another process runs in.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/model/data_root_lock.h"
#include "tests/support/loopback_server.h"
#include "tests/tools/spawn_process.h"
#include "tools/capture/capture_driver.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::LoopbackServer;
using test::ScriptedResponse;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class TruthfulEndsTool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-ends-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = std::string(pattern) + "/";
        home_ = root_ + "home/";
        capture_ = root_ + "capture/";
        if (const char* old = std::getenv("CORVANE_HOME")) old_home_ = old;
        server_.Serve("/start.htm", ScriptedResponse::Text("<html><title>Start</title><a href=\"b.htm\">b</a>"
                                                           "<img src=\"a.gif\"></html>",
                                                           "text/html"));
        server_.Serve("/b.htm", ScriptedResponse::Text("<html><a href=\"start.htm\">s</a></html>", "text/html"));
        server_.Serve("/a.gif", ScriptedResponse::Text("GIF89a", "image/gif"));
    }
    void TearDown() override {
        if (old_home_.empty()) ::unsetenv("CORVANE_HOME");
        else ::setenv("CORVANE_HOME", old_home_.c_str(), 1);
        fs::remove_all(root_);
    }
    CaptureOptions Options(bool intranet) {
        CaptureOptions o;
        o.URL = server_.Url("/start.htm");
        o.Destination = capture_;
        o.Intranet = intranet;
        o.Home = home_;
        o.Fast = true;
        o.Quiet = true;
        o.TimeoutSeconds = 60;
        return o;
    }
    CaptureOptions Resume() {
        CaptureOptions o = Options(true);
        o.URL.clear();
        o.Destination.clear();
        o.Resume = true;
        return o;
    }

    LoopbackServer server_;
    std::string root_, home_, capture_, old_home_;
};

class TruthfulEndsTaskFile : public TruthfulEndsTool {};
class TruthfulEndsOriginals : public TruthfulEndsTool {};
class TruthfulEndsDataRoot : public TruthfulEndsTool {};

TEST_F(TruthfulEndsTaskFile, AResumeRefusesATaskFileWithoutAURLAndLeavesItAsItIs) {
    // What a kill right after the name was taken left: an empty task file.
    const std::string blank = home_ + "Tasks/127_0.cvt";
    Write(blank, "");
    std::ostringstream out;
    EXPECT_EQ(RunCapture(Resume(), out), kExitBadArguments) << out.str();
    EXPECT_NE(out.str().find("has no start URL"), std::string::npos) << out.str();
    EXPECT_EQ(Read(blank), "");
    EXPECT_TRUE(server_.Requests().empty());

    // A new task's file holds its URL from the moment it has its name, and nothing else is left.
    fs::remove(blank);
    out.str("");
    ASSERT_EQ(RunCapture(Options(true), out), kExitDone) << out.str();
    std::vector<std::string> tasks;
    for (const auto& entry : fs::directory_iterator(home_ + "Tasks")) {
        const std::string name = entry.path().filename().string();
        EXPECT_NE(name.rfind(".corvane:", 0), 0u) << name;  // the file it was written as is gone
        if (entry.path().extension() == ".cvt") tasks.push_back(name);
    }
    EXPECT_EQ(tasks, std::vector<std::string>{"127_0.cvt"});
    EXPECT_NE(Read(home_ + "Tasks/127_0.cvt").find("URL=" + server_.Url("/start.htm")), std::string::npos);
}

TEST_F(TruthfulEndsOriginals, AStartRemovesTheOriginalsOfPagesTheQueueHoldsAsParsed) {
    for (const bool intranet : {true, false}) {
        SCOPED_TRACE(intranet ? "intranet" : "zip");
        fs::remove_all(root_);
        std::ostringstream out;
        ASSERT_EQ(RunCapture(Options(intranet), out), kExitDone) << out.str();
        // What a kill between the queue's write and the originals' removal leaves.
        const std::string site = (intranet ? capture_ : home_ + "temp/Corvane/") + "127.0.0.1/";
        const std::string rewritten = Read(site + "start.htm");
        Write(site + "start.htm:original", "<html><a href=\"gone.htm\">g</a></html>");
        Write(site + "b.htm:original", "<html></html>");
        CaptureOptions resume = Resume();
        out.str("");
        ASSERT_EQ(RunCapture(resume, out), kExitDone) << out.str();
        EXPECT_FALSE(fs::exists(site + "start.htm:original"));
        EXPECT_FALSE(fs::exists(site + "b.htm:original"));
        if (intranet) {
            EXPECT_EQ(Read(site + "start.htm"), rewritten);
        }
    }
    for (const auto& request : server_.Requests()) EXPECT_NE(request.Path(), "/gone.htm");
}

TEST_F(TruthfulEndsDataRoot, ARunInADataRootAnotherProcessRunsInExits4UntilThatOneDies) {
    fs::create_directories(home_ + "Tasks");
    const std::string lock_file = DataRootLockFile(home_ + "Tasks/");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t other = ::fork();
    if (other == 0) {  // only system calls: the test has threads
        const int fd = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 1 : 0;
        (void)!::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 1);
    const std::string log = root_ + "second.log";
    const pid_t second = testing::SpawnProcess(
        {CORVANE_CAPTURE_TOOL, "--fast", "--home", home_, server_.Url("/start.htm"), capture_, "zip"}, log);
    EXPECT_EQ(testing::WaitExit(second), kExitLocked) << Read(log);
    EXPECT_NE(Read(log).find("another process is running a task"), std::string::npos) << Read(log);
    EXPECT_TRUE(server_.Requests().empty());
    EXPECT_FALSE(fs::exists(home_ + "Tasks/127_0.cvt"));  // refused before it made a task

    // A holder that died (killed: its lock went with it) leaves the data root free.
    ::kill(other, SIGKILL);
    EXPECT_EQ(testing::WaitExit(other), 128 + SIGKILL);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_TRUE(fs::exists(lock_file));
    EXPECT_EQ(testing::WaitExit(testing::SpawnProcess(
                  {CORVANE_CAPTURE_TOOL, "--fast", "--home", home_, server_.Url("/start.htm"), capture_, "zip"}, log)),
              kExitDone)
        << Read(log);
}

}  // namespace
}  // namespace corvane
