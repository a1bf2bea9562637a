// The capture tool's exit code tells the truth: an unreachable start page is a failure, a relative
// home still captures, and a data root that fills up stops the run instead of leaving it hanging.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>
#include <vector>

#include "tests/support/loopback_server.h"
#include "tests/support/test_site.h"
#include "tests/tools/spawn_process.h"

namespace corvane {
namespace {

using test::LoopbackServer;
using test::ScriptedResponse;

using testing::ReadAll;

class TruthfulEndsTool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-truthful-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = std::string(pattern) + "/";
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    static std::vector<std::string> Tool(std::vector<std::string> args) {
        args.insert(args.begin(), {CORVANE_CAPTURE_TOOL, "--fast", "--timeout", "60"});
        return args;
    }
    // The exit code; the output goes to log.
    int Run(const std::vector<std::string>& args, const std::string& log) {
        return testing::WaitExit(testing::SpawnProcess(Tool(args), log));
    }

    std::string root_;
};

using TruthfulEndsStartPage = TruthfulEndsTool;
using TruthfulEndsFailedSave = TruthfulEndsTool;

// Both ended "Zipped!" or "Task Complete" with exit 0; a relative --home made no request at all and
// ended "Zipped!" with exit 0 too.
TEST_F(TruthfulEndsStartPage, AnUnreachableStartPageExitsThreeAndARelativeHomeCaptures) {
    std::string refused;
    {
        LoopbackServer gone;
        refused = gone.Url("/index.htm");
    }
    for (const auto& [url, mode, why] : {std::tuple{refused, "zip", "Internet Cannot Connect"},
                                         std::tuple{std::string("http://nothing-here.invalid/"), "intranet",
                                                    "Internet Name Not Resolved"}}) {
        const int code = Run({url, root_ + "out/", mode}, root_ + "run.log");
        const std::string log = ReadAll(root_ + "run.log");
        EXPECT_EQ(code, 3) << log;
        EXPECT_NE(log.find(std::string("Download Stopped  ") + why + "  1 item in error"), std::string::npos) << log;
        EXPECT_EQ(log.find(mode == std::string("zip") ? "Zipped!" : "Task Complete"), std::string::npos) << log;
    }

    LoopbackServer server;
    server.Serve("/index.htm", ScriptedResponse::Text("<html><title>t</title>hi</html>", "text/html"));
    // The home is relative to the tool's working folder, the test's temporary one.
    const std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(root_);
    const int code = Run({"--home", "rel-home", server.Url("/index.htm"), root_ + "zips/", "zip"}, root_ + "rel.log");
    std::filesystem::current_path(cwd);
    const std::string log = ReadAll(root_ + "rel.log");
    EXPECT_EQ(code, 0) << log;
    EXPECT_EQ(server.RequestCount(), 1u) << log;
    EXPECT_TRUE(std::filesystem::is_regular_file(root_ + "zips/t.zip")) << log;  // named by its title
    EXPECT_TRUE(std::filesystem::is_directory(root_ + "rel-home/Tasks")) << log;
}

// With the data root on the full disk as well, the stop's own saves failed: the run printed that it
// was stopping and never ended (exit 1 only through --timeout). It exits 3 naming the file, and a
// resume once there is space completes the capture. The disk is a tmpfs in a mount namespace of the
// test's own, so no mount outlives the test; it runs out of files (inodes) rather than bytes, so
// nothing a stop removes makes room for the stop's own saves.
TEST_F(TruthfulEndsFailedSave, AFullDataRootStopsTheRunWithExitThreeAndAResumeWithSpaceCompletesIt) {
    LoopbackServer server;
    test::TestSiteOptions options;
    options.GeneratedPages = 24;
    const test::TestSite site = test::ServeTestSite(server, options);

    const std::string disk = root_ + "disk/", home = disk + "home/", out = disk + "out/";
    std::filesystem::create_directories(disk);
    const auto quote = [](const std::vector<std::string>& args) {
        std::string line;
        for (const auto& a : args) line += "'" + a + "' ";
        return line;
    };
    const std::string script =
        quote(Tool({"--connections", "1", "--home", home, site.StartURL, out, "intranet"})) + "> '" + root_ +
        "full.log' 2>&1\n" + "echo $? > '" + root_ + "full.rc'\n" + "mount -o remount,nr_inodes=100000 '" + disk +
        "' || exit 78\n" + quote(Tool({"--resume", "--home", home})) + "> '" + root_ + "resume.log' 2>&1\n" +
        "echo $? > '" + root_ + "resume.rc'\n" + "ls -R '" + out + "' > '" + root_ + "files.txt'\n";
    if (!testing::RunOnPrivateTmpfs(disk, "size=64m,nr_inodes=40", script, root_ + "ns.log"))
        GTEST_SKIP() << "no private mount namespace with a tmpfs here: " << ReadAll(root_ + "ns.log");

    const std::string full = ReadAll(root_ + "full.log");
    EXPECT_EQ(ReadAll(root_ + "full.rc"), "3\n") << full;
    EXPECT_NE(full.find("The capture stopped: Cannot "), std::string::npos) << full;
    EXPECT_NE(full.find(home + "Tasks/127_0."), std::string::npos) << full;
    EXPECT_NE(full.find("No space left on device"), std::string::npos) << full;
    EXPECT_EQ(full.find("Task Complete"), std::string::npos) << full;
    const std::string resumed = ReadAll(root_ + "resume.log");
    ASSERT_EQ(ReadAll(root_ + "resume.rc"), "0\n") << resumed;
    EXPECT_NE(resumed.find("Task Complete  0 items in error"), std::string::npos) << resumed;
    const std::string files = ReadAll(root_ + "files.txt");
    for (int k = 0; k < options.GeneratedPages; ++k)
        EXPECT_NE(files.find("p" + std::to_string(k) + ".htm"), std::string::npos) << k << "\n" << files;
}

// A data root with no room left: the tool took its run lock that could not be made for another
// process's run (exit 4), and a task file it could not write for a wrong argument (exit 2). Both are
// failed writes: exit 3, naming the cause.
TEST_F(TruthfulEndsFailedSave, ANewTaskThatCannotBeWrittenExitsThree) {
    const std::string disk = root_ + "disk/";
    std::filesystem::create_directories(disk);
    const std::string script = "'" + std::string(CORVANE_CAPTURE_TOOL) + "' --fast --home '" + disk +
                               "home' http://127.0.0.1:9/ '" + root_ + "out' zip > '" + root_ + "full.log' 2>&1\n" +
                               "echo $? > '" + root_ + "full.rc'\n";
    if (!testing::RunOnPrivateTmpfs(disk, "size=1m,nr_inodes=3", script, root_ + "ns.log"))
        GTEST_SKIP() << "no private mount namespace with a tmpfs here: " << ReadAll(root_ + "ns.log");
    const std::string log = ReadAll(root_ + "full.log");
    EXPECT_EQ(ReadAll(root_ + "full.rc"), "3\n") << log;
    EXPECT_NE(log.find("No space left on device"), std::string::npos) << log;
}

}  // namespace
}  // namespace corvane
