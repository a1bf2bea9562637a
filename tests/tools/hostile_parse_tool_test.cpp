// The capture tool against hostile start pages, and the profile it captures with.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>

#include "engine/profile.h"
#include "platform/inifile/ini_file.h"
#include "tests/support/loopback_server.h"
#include "tools/capture/capture_driver.h"

namespace corvane {
namespace {

using test::LoopbackServer;
using test::ScriptedResponse;

class HostileParseTool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-hostile-parse-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = std::string(pattern) + "/";
        if (const char* old = std::getenv("CORVANE_HOME")) old_home_ = old;
    }
    void TearDown() override {
        if (old_home_.empty())
            ::unsetenv("CORVANE_HOME");
        else
            ::setenv("CORVANE_HOME", old_home_.c_str(), 1);
        std::filesystem::remove_all(root_);
    }

    CaptureOptions Options(const std::string& url) {
        CaptureOptions o;
        o.URL = url;
        o.Destination = root_ + "capture/";
        o.Home = root_ + "home/";
        o.Fast = true;
        o.TimeoutSeconds = 120;
        o.Quiet = true;
        return o;
    }

    // The task file the run left in its home.
    std::string TaskFile() const {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root_ + "home/"))
            if (entry.path().extension() == ".cvt") return entry.path().string();
        return {};
    }

    std::string root_, old_home_;
};

TEST_F(HostileParseTool, CapturesWithTheProfileANewProfileFileReadsAs) {
    LoopbackServer server;
    server.Serve("/start.htm", ScriptedResponse::Text("<html>start</html>", "text/html"));
    std::ostringstream out;
    ASSERT_EQ(RunCapture(Options(server.Origin() + "/start.htm"), out), 0) << out.str();

    const std::string file = TaskFile();
    ASSERT_FALSE(file.empty());
    const TIniFile ini(file);
    TCVProfile used;
    used.LoadFrom(ini);
    TCVProfile defaults;
    defaults.LoadDefaults();
    EXPECT_EQ(defaults.ConvertUnfollowedLinks, 1);  // a profile without the key reads as 1
    EXPECT_EQ(used.ConvertUnfollowedLinks, defaults.ConvertUnfollowedLinks);
    EXPECT_EQ(used.ConvertFollowedLinks, defaults.ConvertFollowedLinks);
    EXPECT_EQ(used.AggressiveParser, defaults.AggressiveParser);
    EXPECT_EQ(used.UseStartPageTitle, defaults.UseStartPageTitle);
    EXPECT_EQ(used.FileTypes.CommaText(), defaults.FileTypes.CommaText());
}

TEST_F(HostileParseTool, AStartPageThatFailsEndsWithItsStatusAndExitCode3InBothModes) {
    LoopbackServer server;
    server.Serve("/missing.htm", ScriptedResponse::Status(404));
    server.Serve("/busy.htm", ScriptedResponse::Status(503));
    ScriptedResponse cut = ScriptedResponse::Text(std::string(4000, 'x'), "text/html");
    cut.cut_after = 100;
    server.Serve("/cut.htm", cut);
    for (const bool intranet : {true, false}) {
        for (const auto& [path, text] : {std::pair{"/missing.htm", "404 Not Found"},
                                         std::pair{"/busy.htm", "503 Service Unavailable"},
                                         std::pair{"/cut.htm", "Transfer Incomplete"}}) {
            CaptureOptions o = Options(server.Url(path));
            o.TimeoutSeconds = 30;
            o.Intranet = intranet;
            o.Quiet = false;
            o.Home = root_ + "home-" + std::to_string(intranet) + path + "/";
            std::ostringstream out;
            EXPECT_EQ(RunCapture(o, out), 3) << out.str();
            const std::string last = out.str().substr(out.str().rfind('\n', out.str().size() - 2) + 1);
            EXPECT_NE(last.find(intranet ? "Task Complete" : "Zipped!"), std::string::npos) << last;
            EXPECT_NE(last.find(text), std::string::npos) << last;
        }
    }
}

}  // namespace
}  // namespace corvane
