// The capture tool as a user runs it: one process per task, the run methods of --resume, the exit
// codes, and what a run leaves in its folders.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
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

    // The Destination the task file of a home names.
    static std::string Destination(const std::string& home) {
        for (const auto& entry : fs::recursive_directory_iterator(home + "Tasks")) {
            if (entry.path().extension() != ".cvt") continue;
            std::istringstream lines(Read(entry.path().string()));
            for (std::string line; std::getline(lines, line);)
                if (line.rfind("Destination=", 0) == 0) return line.substr(12, line.find_last_not_of('\r') - 11);
        }
        return {};
    }
    static std::set<std::string> Entries(const std::string& zip) {
        std::set<std::string> names;
        FILE* pipe = ::popen(("zipinfo -1 '" + zip + "' 2>/dev/null").c_str(), "r");
        if (pipe == nullptr) return names;
        std::string text;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
        ::pclose(pipe);
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) names.insert(line);
        return names;
    }
    static bool WaitFor(const std::function<bool()>& condition) {
        for (int i = 0; i < 3000; ++i) {
            if (condition()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return condition();
    }
    // A site below prefix without a title, so its archive keeps the name the task gave it.
    void ServeSite(const std::string& prefix) {
        server_.Serve(prefix + "/start.htm",
                      ScriptedResponse::Text("<html><img src=\"a.gif\"><img src=\"b.gif\"><a href=\"p.htm\">p</a></html>",
                                             "text/html"));
        server_.Serve(prefix + "/a.gif", ScriptedResponse::Text("GIF89a " + prefix, "image/gif"));
        server_.Serve(prefix + "/b.gif", ScriptedResponse::Text("GIF89a b" + prefix, "image/gif"));
        server_.Serve(prefix + "/p.htm", ScriptedResponse::Text("<html>" + prefix + "</html>", "text/html"));
    }
    static std::set<std::string> SiteEntries(const std::string& prefix) {
        std::set<std::string> names;
        for (const char* file : {"/start.htm", "/a.gif", "/b.gif", "/p.htm"}) names.insert("127.0.0.1" + prefix + file);
        return names;
    }

    LoopbackServer server_;
    std::string root_, home_, capture_, old_home_;
};

TEST_F(TaskLockTool, ArchiveIdentityZipTasksOfTwoDataRootsNeverShareAnArchive) {
    ServeSite("/s1");
    ServeSite("/s2");
    // Two processes at once: the first holds its name while its pages wait for the second's pick.
    server_.Hold("/s1/p.htm");
    const pid_t first = SpawnTool({"--fast", "--home", root_ + "h1/", server_.Url("/s1/start.htm"), capture_, "zip"},
                                  root_ + "1.log");
    ASSERT_GT(first, 0);
    ASSERT_TRUE(WaitFor([&] { return server_.Held("/s1/p.htm") == 1; })) << Read(root_ + "1.log");
    const pid_t second = SpawnTool({"--fast", "--home", root_ + "h2/", server_.Url("/s2/start.htm"), capture_, "zip"},
                                   root_ + "2.log");
    ASSERT_GT(second, 0);
    ASSERT_TRUE(WaitFor([&] { return Requests("/s2/start.htm") == 1; }));
    server_.Release("/s1/p.htm");
    EXPECT_EQ(WaitExit(first), 0) << Read(root_ + "1.log");
    EXPECT_EQ(WaitExit(second), 0) << Read(root_ + "2.log");
    EXPECT_EQ(Destination(root_ + "h1/"), capture_ + "127_0.zip");
    EXPECT_EQ(Destination(root_ + "h2/"), capture_ + "127_0(0).zip");
    EXPECT_EQ(Entries(capture_ + "127_0.zip"), SiteEntries("/s1"));
    EXPECT_EQ(Entries(capture_ + "127_0(0).zip"), SiteEntries("/s2"));

    // A stopped task, a new one of the same host into its folder, then the first resumed.
    const std::string folder = root_ + "other/";
    server_.Hold("/s1/p.htm");
    EXPECT_EQ(WaitExit(SpawnTool({"--fast", "--timeout", "3", "--home", root_ + "h3/", server_.Url("/s1/start.htm"),
                                  folder, "zip"},
                                 root_ + "3.log")),
              kExitStopped)
        << Read(root_ + "3.log");
    server_.Release("/s1/p.htm");
    ASSERT_FALSE(Entries(folder + "127_0.zip").empty()) << "the stopped run added its first files";
    EXPECT_EQ(WaitExit(SpawnTool({"--fast", "--home", root_ + "h4/", server_.Url("/s2/start.htm"), folder, "zip"},
                                 root_ + "4.log")),
              0)
        << Read(root_ + "4.log");
    EXPECT_EQ(WaitExit(SpawnTool({"--fast", "--resume", "--home", root_ + "h3/"}, root_ + "5.log")), 0)
        << Read(root_ + "5.log");
    EXPECT_EQ(Destination(root_ + "h3/"), folder + "127_0.zip");
    EXPECT_EQ(Destination(root_ + "h4/"), folder + "127_0(0).zip");
    EXPECT_EQ(Entries(folder + "127_0.zip"), SiteEntries("/s1"));
    EXPECT_EQ(Entries(folder + "127_0(0).zip"), SiteEntries("/s2"));

    // A start refused (the data root is busy) leaves no claimed archive behind.
    server_.Hold("/s1/p.htm");
    const pid_t holder = SpawnTool({"--fast", "--home", root_ + "h5/", server_.Url("/s1/start.htm"), root_ + "held/", "zip"},
                                   root_ + "6.log");
    ASSERT_TRUE(WaitFor([&] { return server_.Held("/s1/p.htm") == 1; })) << Read(root_ + "6.log");
    EXPECT_EQ(WaitExit(SpawnTool({"--fast", "--home", root_ + "h5/", server_.Url("/s2/start.htm"), root_ + "refused/", "zip"},
                                 root_ + "7.log")),
              4);
    EXPECT_FALSE(fs::exists(root_ + "refused/127_0.zip"));
    server_.Release("/s1/p.htm");
    EXPECT_EQ(WaitExit(holder), 0) << Read(root_ + "6.log");
}

TEST_F(TaskLockTool, ArchiveIdentityEveryRunOfAFinishedZipTaskKeepsItsArchiveName) {
    std::ostringstream out;
    ASSERT_EQ(RunCapture(Options(false), out), kExitDone) << out.str();
    const std::string archive = capture_ + "Start.zip";  // renamed to the start page's title
    ASSERT_EQ(Destination(home_), archive);
    for (TCVRunMethod method : {rmResume, rmSmartUpdate, rmRestart, rmSmartRecovery}) {
        out.str("");
        EXPECT_EQ(RunCapture(Resume(method), out), kExitDone) << out.str();
        EXPECT_EQ(Destination(home_), archive) << method;
        EXPECT_FALSE(fs::exists(capture_ + "Start(0).zip")) << method;
        EXPECT_EQ(Entries(archive).count("127.0.0.1/start.htm"), 1u) << method;
    }

    // The title's name is another file's: the task keeps its "(0)" name run after run.
    const std::string folder = root_ + "taken/";
    fs::create_directories(folder);
    std::ofstream(folder + "Start.zip") << "another task's";
    CaptureOptions o = Options(false);
    o.Home = root_ + "taken-home/";
    o.Destination = folder;
    out.str("");
    ASSERT_EQ(RunCapture(o, out), kExitDone) << out.str();
    EXPECT_EQ(Destination(o.Home), folder + "Start(0).zip");
    CaptureOptions again = Resume(rmSmartUpdate);
    again.Home = o.Home;
    for (int run = 0; run < 2; ++run) {
        out.str("");
        EXPECT_EQ(RunCapture(again, out), kExitDone) << out.str();
        EXPECT_EQ(Destination(o.Home), folder + "Start(0).zip");
        EXPECT_FALSE(fs::exists(folder + "Start(1).zip"));
    }
    EXPECT_EQ(Read(folder + "Start.zip"), "another task's");
}

TEST_F(TaskLockTool, ArchiveIdentityZipUpdateAsksWithValidatorsAndKeepsWhatTheArchiveHolds) {
    server_.AnswerValidators();
    std::ostringstream out;
    ASSERT_EQ(RunCapture(Options(false), out), kExitDone) << out.str();
    const std::string archive = capture_ + "Start.zip";
    ASSERT_EQ(Entries(archive), (std::set<std::string>{"127.0.0.1/start.htm", "127.0.0.1/a.gif"}));
    const std::string before = Read(archive);
    const auto mtime = fs::last_write_time(archive);

    // Unchanged: every archived item is asked with its validators, and the archive is not touched.
    server_.ClearRequests();
    const std::size_t bytes = server_.BodyBytesSent();
    out.str("");
    ASSERT_EQ(RunCapture(Resume(rmSmartUpdate), out), kExitDone) << out.str();
    int asked = 0;
    for (const auto& request : server_.Requests()) {
        if (request.Path() != "/start.htm" && request.Path() != "/a.gif") continue;
        ++asked;
        EXPECT_FALSE(request.Header("If-None-Match").empty()) << request.raw;
        EXPECT_FALSE(request.Header("If-Modified-Since").empty()) << request.raw;
    }
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(server_.BodyBytesSent() - bytes, 0u);
    EXPECT_EQ(Read(archive), before);
    EXPECT_EQ(fs::last_write_time(archive), mtime);
    EXPECT_NE(out.str().find("Zipped!"), std::string::npos) << out.str();

    // An entry the user deleted: its item is fetched whole and is back in the archive.
    ASSERT_EQ(std::system(("zip -qd '" + archive + "' 127.0.0.1/a.gif").c_str()), 0);
    server_.ClearRequests();
    out.str("");
    ASSERT_EQ(RunCapture(Resume(rmSmartUpdate), out), kExitDone) << out.str();
    for (const auto& request : server_.Requests()) {
        if (request.Path() == "/a.gif") {
            EXPECT_FALSE(request.HasHeader("If-None-Match")) << request.raw;
        } else if (request.Path() == "/start.htm") {
            EXPECT_TRUE(request.HasHeader("If-None-Match")) << request.raw;
        }
    }
    EXPECT_EQ(Requests("/a.gif"), 1);
    EXPECT_EQ(Entries(archive), (std::set<std::string>{"127.0.0.1/start.htm", "127.0.0.1/a.gif"}));
    EXPECT_EQ(Destination(home_), archive);
}

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
