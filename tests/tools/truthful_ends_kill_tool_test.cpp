// The capture tool after kills and beside another process: a task file a kill left without its URL,
// kept originals of pages the queue already holds as parsed, and a data root another process runs in.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/engine/task_fixture.h"
#include "tests/support/data_root_holder.h"
#include "tests/support/loopback_server.h"
#include "tests/tools/spawn_process.h"
#include "tools/capture/capture_driver.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::ScriptedResponse;
using testing::ReadBytes;
using testing::WriteBytes;

class TruthfulEndsTool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-ends-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = std::string(pattern) + "/";
        home_ = root_ + "home/";
        if (const char* old = std::getenv("CORVANE_HOME")) old_home_ = old;
        server_.Serve("/start.htm", ScriptedResponse::Text("<a href=\"b.htm\">b</a><img src=\"a.gif\">", "text/html"));
        server_.Serve("/b.htm", ScriptedResponse::Text("<a href=\"start.htm\">s</a>", "text/html"));
        server_.Serve("/a.gif", ScriptedResponse::Text("GIF89a", "image/gif"));
    }
    void TearDown() override {
        if (old_home_.empty()) ::unsetenv("CORVANE_HOME");
        else ::setenv("CORVANE_HOME", old_home_.c_str(), 1);
        fs::remove_all(root_);
    }
    int Run(bool intranet, bool resume = false) {
        CaptureOptions o;
        o.URL = resume ? std::string() : server_.Url("/start.htm");
        o.Destination = resume ? std::string() : root_ + "capture/";
        o.Intranet = intranet;
        o.Resume = resume;
        o.Home = home_;
        o.Fast = o.Quiet = true;
        out_.str("");
        return RunCapture(o, out_);
    }

    test::LoopbackServer server_;
    std::ostringstream out_;
    std::string root_, home_, old_home_;
};

class TruthfulEndsTaskFile : public TruthfulEndsTool {};
class TruthfulEndsOriginals : public TruthfulEndsTool {};
class TruthfulEndsDataRoot : public TruthfulEndsTool {};

TEST_F(TruthfulEndsTaskFile, AResumeRefusesATaskFileWithoutAURLAndLeavesItAsItIs) {
    // What a kill right after the name was taken left: an empty task file.
    const std::string task = home_ + "Tasks/127_0.cvt";
    WriteBytes(task, "");
    EXPECT_EQ(Run(true, true), kExitBadArguments) << out_.str();
    EXPECT_NE(out_.str().find("has no start URL"), std::string::npos) << out_.str();
    EXPECT_EQ(ReadBytes(task), "");
    EXPECT_TRUE(server_.Requests().empty());

    // A new task's file has its URL from the moment it has its name; the file it was written as is gone.
    fs::remove(task);
    ASSERT_EQ(Run(true), kExitDone) << out_.str();
    EXPECT_NE(ReadBytes(task).find("URL=" + server_.Url("/start.htm")), std::string::npos);
    for (const auto& entry : fs::directory_iterator(home_ + "Tasks"))
        EXPECT_NE(entry.path().filename().string().rfind(".corvane:", 0), 0u) << entry.path();
}

TEST_F(TruthfulEndsOriginals, AStartRemovesTheOriginalsOfPagesTheQueueHoldsAsParsed) {
    for (const bool intranet : {true, false}) {
        SCOPED_TRACE(intranet ? "intranet" : "zip");
        fs::remove_all(root_);
        ASSERT_EQ(Run(intranet), kExitDone) << out_.str();
        // What a kill between the queue's write and the originals' removal leaves.
        const std::string site = (intranet ? root_ + "capture/" : home_ + "temp/Corvane/") + "127.0.0.1/";
        const std::string rewritten = ReadBytes(site + "start.htm");
        WriteBytes(site + "start.htm:original", "<a href=\"gone.htm\">g</a>");
        WriteBytes(site + "b.htm:original", "");
        ASSERT_EQ(Run(intranet, true), kExitDone) << out_.str();
        EXPECT_FALSE(fs::exists(site + "start.htm:original"));
        EXPECT_FALSE(fs::exists(site + "b.htm:original"));
        EXPECT_EQ(ReadBytes(site + "start.htm"), rewritten);  // not parsed again from the original
    }
}

TEST_F(TruthfulEndsDataRoot, ARunInADataRootAnotherProcessRunsInExits4UntilThatOneDies) {
    fs::create_directories(home_ + "Tasks");
    testing::DataRootHolder other(home_ + "Tasks/");
    ASSERT_TRUE(other.Held());
    const std::vector<std::string> args = {CORVANE_CAPTURE_TOOL, "--fast", "--home", home_,
                                           server_.Url("/start.htm"), root_ + "capture/", "zip"};
    const std::string log = root_ + "run.log";
    EXPECT_EQ(testing::WaitExit(testing::SpawnProcess(args, log)), kExitLocked) << ReadBytes(log);
    EXPECT_NE(ReadBytes(log).find("another process is running a task"), std::string::npos) << ReadBytes(log);
    EXPECT_TRUE(server_.Requests().empty());
    EXPECT_FALSE(fs::exists(home_ + "Tasks/127_0.cvt"));  // refused before it made a task

    other.Kill();  // its lock died with it
    EXPECT_EQ(testing::WaitExit(testing::SpawnProcess(args, log)), kExitDone) << ReadBytes(log);
}

}  // namespace
}  // namespace corvane
