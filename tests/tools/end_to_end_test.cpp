// Whole captures from the loopback server, with the pauses shortened: in-process through the
// driver, and through the tool when the process has to die half-way.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <utility>

#include "tests/support/link_checker.h"
#include "tests/support/loopback_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_site.h"
#include "tests/tools/spawn_process.h"
#include "engine/parse/mirror_naming.h"
#include "engine/model/profile.h"
#include "platform/inifile/ini_file.h"
#include "tools/capture/capture_driver.h"

namespace corvane {
namespace {

using test::LoopbackServer;
using test::ScriptedResponse;

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-e2e-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = std::string(pattern) + "/";
        home_ = root_ + "home/";
        capture_ = root_ + "capture/";
        if (const char* old = std::getenv("CORVANE_HOME")) old_home_ = old;
        test::TrustTestAuthority();
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
        o.Destination = capture_;
        o.Home = home_;
        o.Fast = true;
        o.TimeoutSeconds = 120;
        return o;
    }

    // Every file of the capture lies under the folder and the folder is browsable offline.
    void ExpectBrowsable() {
        const testing::LinkCheckReport report = testing::CheckCapturedLinks(capture_);
        EXPECT_GT(report.PagesChecked, 0);
        for (const auto& broken : report.Broken)
            ADD_FAILURE() << broken.Page << ": " << broken.Link << " -> " << broken.Target;
        // Nothing was written beside the home and the capture folder.
        std::set<std::string> top;
        for (const auto& entry : std::filesystem::directory_iterator(root_)) top.insert(entry.path().filename().string());
        EXPECT_EQ(top, (std::set<std::string>{"capture", "home"}));
    }

    std::string root_, home_, capture_, old_home_;
};

TEST_F(EndToEnd, PersonalIntranetCaptureIsCompleteBrowsableAndWithinTheRules) {
    LoopbackServer server;
    LoopbackServer secure(LoopbackServer::Protocol::Https);
    LoopbackServer other;
    secure.Serve("/secure.htm", ScriptedResponse::Text("<html>secure</html>", "text/html"));
    other.Serve("/elsewhere.htm", ScriptedResponse::Text("<html>away</html>", "text/html"));
    test::TestSiteOptions site_options;
    site_options.HttpsOrigin = secure.Origin();
    site_options.OtherOrigin = other.Origin();
    const test::TestSite site = test::ServeTestSite(server, site_options);

    std::ostringstream out;
    ASSERT_EQ(RunCapture(Options(site.StartURL), out), 0) << out.str();
    EXPECT_NE(out.str().find("Task Complete"), std::string::npos);
    EXPECT_NE(out.str().find("task 127"), std::string::npos) << out.str();  // named after the site
    ExpectBrowsable();

    // Every page and resource of the site came, each once, and nothing else was asked for.
    std::set<std::string> requested;
    for (const auto& request : server.Requests()) {
        EXPECT_TRUE(site.Allowed.count(request.Path())) << request.target;
        EXPECT_TRUE(requested.insert(request.target).second) << "twice: " << request.target;
    }
    EXPECT_EQ(secure.RequestCount(), 0u);  // another port: another site
    EXPECT_EQ(other.RequestCount(), 0u);
    std::set<std::string> paths;
    for (const auto& request : server.Requests()) paths.insert(request.Path());
    for (const auto& path : site.Allowed) EXPECT_TRUE(paths.count(path)) << "never asked for " << path;
    const auto files = testing::ListCapturedFiles(capture_);
    EXPECT_EQ(files.size(), requested.size());
    EXPECT_GE(files.size(), static_cast<std::size_t>(site.Pages + site.Resources));
}

TEST_F(EndToEnd, MapOnlyCaptureFetchesPagesAndFinishes) {
    LoopbackServer server;
    const test::TestSite site = test::ServeTestSite(server, {});
    CaptureOptions o = Options(site.StartURL);
    o.MapOnly = true;
    std::ostringstream out;
    ASSERT_EQ(RunCapture(o, out), 0) << out.str();
    for (const auto& request : server.Requests())
        EXPECT_EQ(request.Path().substr(request.Path().size() - 4), request.Path().find(".php") != std::string::npos ? ".php" : ".htm")
            << request.target;
    EXPECT_GT(server.RequestCount(), 30u);
}

TEST_F(EndToEnd, HttpsStartPageIsCaptured) {
    LoopbackServer secure(LoopbackServer::Protocol::Https);
    secure.Serve("/start.htm", ScriptedResponse::Text("<html><img src=\"a.gif\"></html>", "text/html"));
    secure.Serve("/a.gif", ScriptedResponse::Text("GIF89a", "image/gif"));
    std::ostringstream out;
    ASSERT_EQ(RunCapture(Options(secure.Url("/start.htm")), out), 0) << out.str();
    // The page's own links resolve to https and are followed like http ones.
    EXPECT_EQ(secure.RequestCount(), 2u);
    EXPECT_EQ(testing::ListCapturedFiles(capture_).size(), 2u);
    ExpectBrowsable();
}

// Runs a shell command and returns what it printed.
std::string CommandOutput(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
        ::pclose(pipe);
    }
    return text;
}

TEST_F(EndToEnd, ZipModeCaptureEndsZippedWithEveryFileAndItsTitle) {
    LoopbackServer server;
    const test::TestSite site = test::ServeTestSite(server, {});
    CaptureOptions o = Options(site.StartURL);
    o.Intranet = false;
    std::ostringstream out;
    ASSERT_EQ(RunCapture(o, out), 0) << out.str();
    EXPECT_NE(out.str().find("Zipped!"), std::string::npos) << out.str();

    std::vector<std::string> archives;
    for (const auto& entry : std::filesystem::directory_iterator(capture_))
        if (entry.path().extension() == ".zip") archives.push_back(entry.path().string());
    ASSERT_EQ(archives.size(), 1u);
    const std::string zip = archives[0];
    EXPECT_EQ(::system(("unzip -tqq '" + zip + "' >/dev/null").c_str()), 0);

    // Every file fetched is in the archive, named below the capture folder.
    std::set<std::string> requested;
    for (const auto& request : server.Requests()) requested.insert(request.target);
    std::istringstream names(CommandOutput("zipinfo -1 '" + zip + "'"));
    std::set<std::string> entries;
    for (std::string line; std::getline(names, line);) {
        EXPECT_NE(line.rfind("127.0.0.1/", 0), std::string::npos) << line;
        entries.insert(line);
    }
    EXPECT_EQ(entries.size(), requested.size());
    EXPECT_GE(entries.size(), static_cast<std::size_t>(site.Pages + site.Resources));
    // Pages carry their titles as entry comments.
    EXPECT_NE(CommandOutput("zipnote '" + zip + "'").find("@ (comment above this line)"), std::string::npos);
    const std::string notes = CommandOutput("zipnote '" + zip + "' | grep -v '^@'");
    EXPECT_NE(notes.find("Frames\n"), std::string::npos) << notes;
    EXPECT_NE(notes.find("Base\n"), std::string::npos) << notes;
}

pid_t SpawnTool(const std::vector<std::string>& args, const std::string& log) {
    std::vector<std::string> all = {CORVANE_CAPTURE_TOOL};
    all.insert(all.end(), args.begin(), args.end());
    return testing::SpawnProcess(all, log);
}

using testing::WaitExit;

TEST_F(EndToEnd, KilledCaptureResumesToEveryItem) {
    LoopbackServer server;
    test::TestSiteOptions site_options;
    site_options.GeneratedPages = 40;
    test::TestSite site = test::ServeTestSite(server, site_options);
    // Slow images, so the process is still at work when it dies.
    for (int k = 0; k < site_options.GeneratedPages; ++k) {
        ScriptedResponse slow = ScriptedResponse::Text("GIF89a-slow" + std::to_string(k), "image/gif");
        slow.trickle_bytes = 4;
        slow.trickle_pause = std::chrono::milliseconds(10);
        server.Serve("/site/img/p" + std::to_string(k) + "_0.gif", slow);
    }
    const std::vector<std::string> first = {"--fast", "--home", home_, site.StartURL, capture_, "intranet"};
    const pid_t pid = SpawnTool(first, root_ + "first.log");
    ASSERT_GT(pid, 0);
    const bool halfway = server.WaitForRequests(40, std::chrono::seconds(60));
    ::kill(pid, SIGKILL);
    EXPECT_EQ(WaitExit(pid), 128 + SIGKILL);
    ASSERT_TRUE(halfway);
    std::filesystem::remove(root_ + "first.log");

    const pid_t again = SpawnTool({"--fast", "--resume", "--home", home_, "--timeout", "120"}, root_ + "again.log");
    ASSERT_GT(again, 0);
    const int code = WaitExit(again);
    std::ifstream log(root_ + "again.log");
    std::stringstream text;
    text << log.rdbuf();
    ASSERT_EQ(code, 0) << text.str();
    std::filesystem::remove(root_ + "again.log");
    ExpectBrowsable();
    std::set<std::string> paths;
    for (const auto& request : server.Requests()) paths.insert(request.target);
    // The killed process may leave the temporary file of a write or download it never finished, or a
    // page's kept original (names holding ':'); no page links to them.
    std::vector<std::string> files;
    for (const auto& f : testing::ListCapturedFiles(capture_))
        if (f.find("/.corvane-") == std::string::npos && f.find(':') == std::string::npos) files.push_back(f);
    std::string listing;
    for (const auto& f : files) listing += f + "\n";
    EXPECT_EQ(files.size(), paths.size()) << listing;
    EXPECT_GE(paths.size(), static_cast<std::size_t>(site.Pages + site.Resources));
}

class EngineFaultsEndToEnd : public EndToEnd {};

// Empty files came as Saved items without a file, so every link to them was broken.
TEST_F(EngineFaultsEndToEnd, ASiteHoldingEmptyFilesLeavesNoBrokenLink) {
    LoopbackServer server;
    server.Serve("/start.htm", ScriptedResponse::Text("<html><a href=\"empty.htm\">e</a><img src=\"blank.gif\">"
                                                      "<a href=\"dir/none.txt\">n</a></html>",
                                                      "text/html"));
    server.Serve("/empty.htm", ScriptedResponse::Text("", "text/html"));
    server.Serve("/blank.gif", ScriptedResponse::Text("", "image/gif"));
    server.Serve("/dir/none.txt", ScriptedResponse::Status(204));
    std::ostringstream out;
    ASSERT_EQ(RunCapture(Options(server.Url("/start.htm")), out), 0) << out.str();
    EXPECT_EQ(server.RequestCount(), 4u);
    ExpectBrowsable();
    const auto files = testing::ListCapturedFiles(capture_);
    EXPECT_EQ(files.size(), 4u);
    for (const auto& f : files) EXPECT_EQ(f.find(':'), std::string::npos) << f;  // no temporary file left
}

// A link planted inside the capture folder must not carry the capture's writes out of it; the capture
// folder itself may be reached through a link.
TEST_F(EngineFaultsEndToEnd, ALinkBelowTheCaptureFolderIsNeverWrittenThrough) {
    LoopbackServer server;
    server.Serve("/start.htm", ScriptedResponse::Text("<html><a href=\"sub/page.htm\">p</a>"
                                                      "<img src=\"sub/pic.gif\"><img src=\"top.gif\"></html>",
                                                      "text/html"));
    server.Serve("/sub/page.htm", ScriptedResponse::Text("<html>away</html>", "text/html"));
    server.Serve("/sub/pic.gif", ScriptedResponse::Text("GIF89a", "image/gif"));
    server.Serve("/top.gif", ScriptedResponse::Text("GIF89a", "image/gif"));
    const std::string real = root_ + "real/";
    const std::string outside = root_ + "outside/";
    std::filesystem::create_directories(outside);
    std::filesystem::create_directories(real);
    std::filesystem::create_directory_symlink(real, root_ + "linked");
    const std::string sub = GetLocalFileName(real, "", server.Url("/sub/page.htm"));
    const std::string sub_folder = sub.substr(0, sub.rfind('/'));
    std::filesystem::create_directories(sub_folder.substr(0, sub_folder.rfind('/')));
    std::filesystem::create_directory_symlink(outside, sub_folder);

    CaptureOptions o = Options(server.Url("/start.htm"));
    o.Destination = root_ + "linked/";
    std::ostringstream out;
    RunCapture(o, out);
    EXPECT_TRUE(std::filesystem::is_empty(outside)) << out.str();
    EXPECT_TRUE(std::filesystem::is_symlink(sub_folder));
    EXPECT_TRUE(std::filesystem::exists(GetLocalFileName(real, "", server.Url("/top.gif")))) << out.str();
}

// A capture tool that captures as the program does, and says so when the start page failed.
using HostileParseTool = EndToEnd;

TEST_F(HostileParseTool, CapturesWithTheProfileANewProfileFileReadsAs) {
    LoopbackServer server;
    server.Serve("/start.htm", ScriptedResponse::Text("<html>start</html>", "text/html"));
    std::ostringstream out;
    ASSERT_EQ(RunCapture(Options(server.Origin() + "/start.htm"), out), 0) << out.str();

    std::string file;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home_))
        if (entry.path().extension() == ".cvt") file = entry.path().string();
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
            o.Home = home_ + "run-" + std::to_string(intranet) + path + "/";
            std::ostringstream out;
            EXPECT_EQ(RunCapture(o, out), 3) << out.str();
            const std::string last = out.str().substr(out.str().rfind('\n', out.str().size() - 2) + 1);
            EXPECT_EQ(last.find("Download Stopped  " + std::string(text)), 0u) << last;  // never a success
        }
    }
}

}  // namespace
}  // namespace corvane
