// The capture tool killed again and again, and run onto a full disk: what it leaves must resume to
// the capture an uninterrupted run makes, and a failure must never end as a success.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/support/link_checker.h"
#include "tests/support/loopback_server.h"
#include "tests/support/query_folder_site.h"
#include "tests/support/test_site.h"
#include "tests/tools/spawn_process.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::LoopbackServer;
using test::ScriptedResponse;

using testing::ReadAll;

pid_t Spawn(const std::vector<std::string>& args, const std::string& log) {
    return testing::SpawnProcess(args, log, true);
}

using testing::WaitExit;

// Captured files with their contents; the program's temporaries (names holding ':') left by a kill
// are no part of the capture.
std::map<std::string, std::string> Capture(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& file : testing::ListCapturedFiles(folder))
        if (file.find(':') == std::string::npos && file.find("/.corvane-") == std::string::npos &&
            file.rfind(".corvane-", 0) != 0)
            files[file] = ReadAll(folder + file);
    return files;
}

class CrashSafetyTool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-crash-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = std::string(pattern) + "/";
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    std::vector<std::string> Tool(std::vector<std::string> args) {
        args.insert(args.begin(), {CORVANE_CAPTURE_TOOL, "--fast", "--timeout", "120"});
        return args;
    }

    std::string root_;
};

// Folder mode onto a full disk went on to "Task Complete" with every later item in error, and zip
// mode ended "Zipped!" with most entries missing. Each now stops with the failure named, and a resume
// once there is space completes the capture. The disk is a small tmpfs in a mount namespace of the
// test's own, so no mount outlives the test.
TEST_F(CrashSafetyTool, AFullDiskStopsTheCaptureAndAResumeWithSpaceCompletesIt) {
    LoopbackServer server;
    test::TestSiteOptions options;
    options.GeneratedPages = 24;
    const test::TestSite site = test::ServeTestSite(server, options);
    // Images that do not compress, so the archive cannot fit either.
    std::uint32_t seed = 12345;
    for (int k = 0; k < options.GeneratedPages; ++k) {
        std::string body = "GIF89a";
        for (int i = 0; i < 40000; ++i) body += static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
        server.Serve("/site/img/p" + std::to_string(k) + "_0.gif", ScriptedResponse::Text(body, "image/gif"));
    }

    for (const std::string mode : {"intranet", "zip"}) {
        SCOPED_TRACE(mode);
        const std::string home = root_ + mode + "-home/", disk = root_ + mode + "-disk/", out = root_ + mode + "-out/";
        std::filesystem::create_directories(disk);
        std::filesystem::create_directories(out);
        const auto quote = [](const std::vector<std::string>& args) {
            std::string line;
            for (const auto& a : args) line += "'" + a + "' ";
            return line;
        };
        const std::string script =
            "mount -t tmpfs -o size=300k corvane-test '" + disk + "' || exit 77\n" +
            quote(Tool({"--home", home, site.StartURL, disk, mode})) + "> '" + root_ + "full.log' 2>&1\n" +
            "echo $? > '" + root_ + "full.rc'\n" +
            "mount -o remount,size=64m '" + disk + "' || exit 78\n" +
            quote(Tool({"--resume", "--home", home})) + "> '" + root_ + "resume.log' 2>&1\n" +
            "echo $? > '" + root_ + "resume.rc'\n" + "cp -a '" + disk + ".' '" + out + "'\n";
        const pid_t pid = Spawn({"unshare", "-m", "--propagation", "private", "sh", "-c", script}, root_ + "ns.log");
        ASSERT_GT(pid, 0);
        const int code = WaitExit(pid);
        if (!std::filesystem::exists(root_ + "full.rc"))
            GTEST_SKIP() << "no private mount namespace with a tmpfs here (" << code << "): " << ReadAll(root_ + "ns.log");

        const std::string full = ReadAll(root_ + "full.log");
        EXPECT_EQ(ReadAll(root_ + "full.rc"), "3\n") << full;  // ended with a failure
        const std::string named = mode == "zip" ? "it cannot add to the archive " + disk
                                                : "it cannot write to the folder " + disk;
        EXPECT_NE(full.find("The capture stopped: " + named), std::string::npos) << full;
        EXPECT_EQ(full.find("Task Complete"), std::string::npos) << full;
        EXPECT_EQ(full.find("Zipped!"), std::string::npos) << full;
        ASSERT_EQ(ReadAll(root_ + "resume.rc"), "0\n") << ReadAll(root_ + "resume.log");

        if (mode == "intranet") {
            EXPECT_TRUE(testing::CheckCapturedLinks(out).Broken.empty());
            EXPECT_GE(Capture(out).size(), static_cast<std::size_t>(site.Pages + site.Resources));
        } else {
            std::string zip;
            for (const auto& entry : std::filesystem::directory_iterator(out))
                if (entry.path().extension() == ".zip") zip = entry.path().string();
            ASSERT_FALSE(zip.empty());
            EXPECT_EQ(std::system(("unzip -tqq '" + zip + "' >/dev/null").c_str()), 0);
            FILE* pipe = ::popen(("zipinfo -1 '" + zip + "' | wc -l").c_str(), "r");
            int entries = 0;
            if (pipe) {
                EXPECT_EQ(std::fscanf(pipe, "%d", &entries), 1);
                ::pclose(pipe);
            }
            EXPECT_GE(entries, site.Pages + site.Resources);
        }
        for (const char* f : {"full.rc", "full.log", "resume.rc", "resume.log", "ns.log"}) std::filesystem::remove(root_ + f);
    }
}

// Killed at twenty moments and resumed after each, a capture of a site linked by query and folder
// URLs ends as the capture of an uninterrupted run: the same files, the same contents, no broken link.
TEST_F(CrashSafetyTool, TwentyKillsAndResumesEndAsTheUninterruptedCapture) {
    LoopbackServer server;
    const test::QueryFolderSite site = test::ServeQueryFolderSite(server, 10, 4ms);

    const std::string whole = root_ + "whole/";
    ASSERT_EQ(WaitExit(Spawn(Tool({"--home", root_ + "whole-home/", site.StartURL, whole, "intranet"}), root_ + "w.log")), 0)
        << ReadAll(root_ + "w.log");
    const auto expected = Capture(whole);
    ASSERT_EQ(expected.size(), site.Targets.size());

    const std::string home = root_ + "home/", killed = root_ + "killed/";
    int kills = 0;
    for (int moment = 0; moment < 20; ++moment) {
        const std::vector<std::string> args = moment == 0 ? Tool({"--home", home, site.StartURL, killed, "intranet"})
                                                          : Tool({"--resume", "--home", home});
        const std::size_t before = server.RequestCount();
        const pid_t pid = Spawn(args, root_ + "k.log");
        ASSERT_GT(pid, 0);
        // Moments spread over the run: after a few more requests, then a little later still.
        server.WaitForRequests(before + 1 + moment % 4, 10s);
        std::this_thread::sleep_for(std::chrono::milliseconds(7 * (moment % 6)));
        ::kill(pid, SIGKILL);
        const int code = WaitExit(pid);
        if (code == 128 + SIGKILL) ++kills;
        else ASSERT_EQ(code, 0) << ReadAll(root_ + "k.log");  // it finished before the kill
    }
    EXPECT_GE(kills, 10) << "the capture ran too fast to be killed half-way";
    ASSERT_EQ(WaitExit(Spawn(Tool({"--resume", "--home", home}), root_ + "k.log")), 0) << ReadAll(root_ + "k.log");

    const auto captured = Capture(killed);
    for (const auto& [file, text] : expected) {
        const auto found = captured.find(file);
        if (found == captured.end()) ADD_FAILURE() << "missing " << file;
        else EXPECT_EQ(found->second, text) << file;
    }
    for (const auto& [file, text] : captured) EXPECT_TRUE(expected.count(file)) << "extra " << file;
    const testing::LinkCheckReport report = testing::CheckCapturedLinks(killed);
    for (const auto& broken : report.Broken) ADD_FAILURE() << broken.Page << ": " << broken.Link;
}

}  // namespace
}  // namespace corvane
