#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/launch/launcher.h"
#include "platform/rtl/log.h"
#include "tests/support/launch_recorder.h"

namespace corvane {
namespace {

using Kind = LaunchTarget::Kind;

class Launcher : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-launch-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        // A capture folder, a folder beside it whose name starts the same, and one outside.
        Write(root_ + "/site/page.htm");
        Write(root_ + "/site/sub/deep.htm");
        Write(root_ + "/site/run.sh");
        ::chmod((root_ + "/site/run.sh").c_str(), 0755);
        Write(root_ + "/site/app.DESKTOP");
        Write(root_ + "/site2/page.htm");
        Write(root_ + "/outside/doc.txt");
        std::filesystem::create_symlink(root_ + "/outside/doc.txt", root_ + "/site/escape.htm");
        std::filesystem::create_symlink(root_ + "/site/page.htm", root_ + "/site/alias.htm");
        std::filesystem::create_symlink(root_ + "/site/app.DESKTOP", root_ + "/site/innocent.htm");
        ClearCaptureFolders();
        SetCaptureFolder("intranet", root_ + "/site/");
        previous_log_ = SetLogSink([this](const std::string& message) { log_.push_back(message); });
    }
    void TearDown() override {
        SetLogSink(previous_log_);
        ClearCaptureFolders();
        std::filesystem::remove_all(root_);
    }
    static void Write(const std::string& path) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << "x";
    }

    std::string root_;
    std::vector<std::string> log_;
    LogSink previous_log_;
};

TEST_F(Launcher, PolicyOnATableOfAddressesAndPaths) {
    struct Case {
        std::string what;
        bool allowed;
        Kind kind;
        std::string location;  // expected target; empty: the input itself
    };
    const std::string site = root_ + "/site";
    const std::vector<Case> cases = {
        {"http://example.com/a?b=1", true, Kind::WebAddress, ""},
        {"HTTPS://example.com", true, Kind::WebAddress, ""},
        {"http://", false, Kind::WebAddress, ""},
        {"http:///etc/passwd", false, Kind::WebAddress, ""},
        {"http://example.com/\nrm", false, Kind::WebAddress, ""},
        {"ftp://example.com/file", false, Kind::WebAddress, ""},
        {"javascript:alert(1)", false, Kind::WebAddress, ""},
        {"mailto:a@example.com", false, Kind::WebAddress, ""},
        {"file://" + site + "/page.htm", true, Kind::File, site + "/page.htm"},
        {"file://localhost" + site + "/sub/deep.htm", true, Kind::File, site + "/sub/deep.htm"},
        {"file://" + root_ + "/outside/doc.txt", false, Kind::File, ""},
        {"file://elsewhere" + site + "/page.htm", false, Kind::File, ""},
        {"file://" + site + "/%2e%2e/outside/doc.txt", false, Kind::File, ""},
        {"file://" + site + "/bad%zz.htm", false, Kind::File, ""},
        {site + "/page.htm", true, Kind::File, site + "/page.htm"},
        {site + "/sub/../page.htm", true, Kind::File, site + "/page.htm"},
        {site + "/alias.htm", true, Kind::File, site + "/page.htm"},
        {site + "/../outside/doc.txt", false, Kind::File, ""},
        {site + "/escape.htm", false, Kind::File, ""},      // a link out of the folder
        {site + "/run.sh", false, Kind::File, ""},          // executable
        {site + "/app.DESKTOP", false, Kind::File, ""},     // a launcher, whatever the case
        {site + "/innocent.htm", false, Kind::File, ""},    // a link to a launcher
        {root_ + "/site2/page.htm", false, Kind::File, ""}, // beside the folder, same name start
        {site + "/missing.htm", false, Kind::File, ""},
        {"site/page.htm", false, Kind::File, ""},
        {root_ + "/outside", true, Kind::Folder, root_ + "/outside"},
        {"file://" + site + "/sub/", true, Kind::Folder, site + "/sub"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LaunchDecision decision = CheckLaunch(c.what);
        EXPECT_EQ(decision.allowed, c.allowed) << decision.reason;
        if (!c.allowed) {
            EXPECT_FALSE(decision.reason.empty());
            continue;
        }
        EXPECT_EQ(decision.target.kind, c.kind);
        EXPECT_EQ(decision.target.location, c.location.empty() ? c.what : c.location);
    }
}

TEST_F(Launcher, OpensOnlyWhatThePolicyAllowsAndLogsTheRest) {
    EXPECT_FALSE(LaunchItem("http://example.com/"));  // no backend yet
    ASSERT_EQ(log_.size(), 1u);

    testing::LaunchRecorder recorder;
    EXPECT_TRUE(LaunchItem("http://example.com/"));
    EXPECT_TRUE(LaunchItem(root_ + "/site/page.htm"));
    EXPECT_FALSE(LaunchItem(root_ + "/site/run.sh"));
    EXPECT_FALSE(LaunchItem("javascript:alert(1)"));
    const auto opened = recorder.Opened();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].kind, Kind::WebAddress);
    EXPECT_EQ(opened[1].location, root_ + "/site/page.htm");
    ASSERT_EQ(log_.size(), 3u);
    EXPECT_NE(log_[1].find("run.sh"), std::string::npos);
    EXPECT_NE(log_[2].find("javascript:"), std::string::npos);
}

TEST_F(Launcher, CaptureFoldersAreRegisteredByKeyAndFollowChanges) {
    const std::string outside = root_ + "/outside/doc.txt";
    EXPECT_FALSE(CheckLaunch(outside).allowed);
    SetCaptureFolder("task:a.cvt", root_ + "/outside");
    EXPECT_TRUE(CheckLaunch(outside).allowed);
    // The task's destination moved: the old folder no longer counts.
    SetCaptureFolder("task:a.cvt", root_ + "/site2");
    EXPECT_FALSE(CheckLaunch(outside).allowed);
    EXPECT_TRUE(CheckLaunch(root_ + "/site2/page.htm").allowed);
    SetCaptureFolder("task:a.cvt", "");
    EXPECT_FALSE(CheckLaunch(root_ + "/site2/page.htm").allowed);
    EXPECT_EQ(CaptureFolders().size(), 1u);
    // The same rule without the file checks: folders and launchers inside count, the folder itself not.
    EXPECT_TRUE(InCaptureFolder(root_ + "/site/sub"));
    EXPECT_TRUE(InCaptureFolder(root_ + "/site/app.DESKTOP"));
    EXPECT_FALSE(InCaptureFolder(root_ + "/site"));
    EXPECT_FALSE(InCaptureFolder(root_ + "/site/escape.htm"));
    // A capture folder reached through a link still holds its files.
    std::filesystem::create_symlink(root_ + "/site", root_ + "/link-to-site");
    ClearCaptureFolders();
    SetCaptureFolder("temp", root_ + "/link-to-site");
    EXPECT_TRUE(CheckLaunch(root_ + "/site/page.htm").allowed);
}

}  // namespace
}  // namespace corvane
