// Faults found in the transfer kit by review and hostile testing: empty bodies, exceptions inside the
// handle layer's callbacks, and where and how a download writes its file.

#include "platform/rtl/folders_below.h"
#include "transfer/tick_http.h"
#include "tests/support/loopback_server.h"
#include "tests/transfer/kit_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <set>
#include <stdexcept>

namespace corvane {
namespace {

using test::LoopbackServer;
using test::Perform;
using test::ReadAll;
using test::ScriptedResponse;
namespace fs = std::filesystem;

class EngineFaultsTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        const char* home = std::getenv("CORVANE_HOME");
        folder_ = std::string(home && *home ? home : ::testing::TempDir()) + "/faults-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder_);
        fs::create_directories(folder_ + "/site");
        fs::create_directories(folder_ + "/outside");
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Site(const std::string& leaf) const { return folder_ + "/site/" + leaf; }
    std::string Outside(const std::string& leaf) const { return folder_ + "/outside/" + leaf; }
    std::set<std::string> SiteNames() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_ + "/site")) names.insert(entry.path().filename().string());
        return names;
    }

    LoopbackServer server_;
    std::string folder_;
};

TEST_F(EngineFaultsTransfer, ACompleteEmpty2xxMakesAnEmptyFileAndNothingElseDoes) {
    server_.Serve("/empty", ScriptedResponse::Status(200));
    server_.Serve("/nothing", ScriptedResponse::Status(204));
    server_.Serve("/missing", ScriptedResponse::Status(404));
    ScriptedResponse cut = ScriptedResponse::Status(200);
    cut.declared_length = 10;
    server_.Serve("/cut", cut);
    TickHTTP http;

    std::ofstream(Site("old.htm")) << "earlier copy";
    http.LocalFile = Site("old.htm");
    http.SetURL(server_.Url("/empty"));
    ASSERT_EQ(Perform(http), 0);
    EXPECT_EQ(fs::file_size(Site("old.htm")), 0u);
    http.LocalFile = Site("new.htm");
    http.SetURL(server_.Url("/nothing"));
    ASSERT_EQ(Perform(http), 0);
    EXPECT_TRUE(fs::is_regular_file(Site("new.htm")));

    for (const char* path : {"/missing", "/cut"}) {
        http.LocalFile = Site("failed.htm");
        http.SetURL(server_.Url(path));
        EXPECT_NE(Perform(http), 0) << path;
    }
    http.LocalFile = Site("head.htm");
    http.SetURL(server_.Url("/empty"));
    EXPECT_EQ(Perform(http, TickHTTPActions::Head), 0);
    EXPECT_EQ(SiteNames(), (std::set<std::string>{"old.htm", "new.htm"}));
}

// What used to be the fixed temporary name is another URL's saved file ("/x.html.part"), here
// once a plain file and once a link out of the capture folder.
TEST_F(EngineFaultsTransfer, ADownloadNeverTouchesAFileItDidNotMake) {
    server_.Serve("/x.html", ScriptedResponse::Text("fresh"));
    server_.Serve("/broken", ScriptedResponse::Status(500, "oops"));
    std::ofstream(Site("x.html.part")) << "another page";
    std::ofstream(Outside("victim")) << "outside";
    fs::create_symlink(Outside("victim"), Site("y.html.part"));
    TickHTTP http;
    for (const char* target : {"x.html", "y.html"}) {
        http.LocalFile = Site(target);
        http.SetURL(server_.Url("/broken"));
        EXPECT_EQ(Perform(http), 151);
        http.SetURL(server_.Url("/x.html"));
        EXPECT_EQ(Perform(http), 0);
        EXPECT_EQ(ReadAll(Site(target)), "fresh");
    }
    EXPECT_EQ(ReadAll(Site("x.html.part")), "another page");
    EXPECT_TRUE(fs::is_symlink(Site("y.html.part")));
    EXPECT_EQ(ReadAll(Outside("victim")), "outside");
    EXPECT_EQ(SiteNames(), (std::set<std::string>{"x.html", "x.html.part", "y.html", "y.html.part"}));
}

TEST_F(EngineFaultsTransfer, TheRenameMovesOnlyTheTransfersOwnTemporaryFile) {
    ScriptedResponse slow = ScriptedResponse::Text(std::string(4000, 'n'));
    slow.trickle_bytes = 1000;
    slow.trickle_pause = std::chrono::milliseconds(20);
    server_.Serve("/page.htm", slow);
    std::ofstream(Site("page.htm")) << "earlier copy";
    TickHTTP http;
    http.LocalFile = Site("page.htm");
    http.SetURL(server_.Url("/page.htm"));
    std::string temp;
    http.OnTransfer = [&](TickWinInet&, std::int64_t, const std::string&) {
        if (!temp.empty()) return;
        for (const std::string& name : SiteNames())
            if (name != "page.htm") temp = name;
        // Someone swaps the temporary file for one of their own.
        fs::rename(Site(temp), Outside("taken"));
        std::ofstream(Site(temp)) << "planted";
    };
    EXPECT_NE(Perform(http), 0);
    EXPECT_NE(temp.find(':'), std::string::npos) << temp;
    EXPECT_EQ(ReadAll(Site("page.htm")), "earlier copy");
    EXPECT_EQ(ReadAll(Site(temp)), "planted");
}

TEST_F(EngineFaultsTransfer, LinksBelowTheCaptureFolderAreRefusedButTheFolderItselfMayBeOne) {
    fs::create_directory_symlink(folder_ + "/site", folder_ + "/linked");
    const std::string root = folder_ + "/linked";
    std::string why;
    EXPECT_TRUE(ForceFoldersBelow(root, root + "/host/a/b", &why)) << why;
    EXPECT_TRUE(fs::is_directory(Site("host/a/b")));
    EXPECT_TRUE(ForceFoldersBelow(root + "/", root + "/", &why)) << why;

    fs::create_directory_symlink(folder_ + "/outside", Site("host/away"));
    std::ofstream(Site("host/file")) << "x";
    for (const std::string& refused : {root + "/host/away/c", root + "/host/away", root + "/host/file/c",
                                       root + "/host/../../outside/c", folder_ + "/outside/c"}) {
        EXPECT_FALSE(ForceFoldersBelow(root, refused, &why)) << refused;
        EXPECT_FALSE(why.empty());
    }
    EXPECT_TRUE(fs::is_empty(folder_ + "/outside"));
}

// Status events run inside libcurl's callbacks (the header and debug ones here), progress events
// inside the kit's own loop: an exception in either ends the request with its error, leaves no file
// and leaves the shared connections usable.
TEST_F(EngineFaultsTransfer, AnExceptionInAnEventFailsTheRequestWithTheMatchingError) {
    server_.Serve("/page", ScriptedResponse::Text("body"));
    TickHTTP http;
    http.LocalFile = Site("page.htm");
    http.SetURL(server_.Url("/page"));
    int throw_at = static_cast<int>(INTERNET_STATUS_RESPONSE_RECEIVED);
    http.OnStatus = [&](TickWinInet&, int code, const std::string&) {
        if (code != throw_at) return;
        if (code == static_cast<int>(INTERNET_STATUS_RESPONSE_RECEIVED)) throw std::bad_alloc();
        throw std::runtime_error("handler failed");
    };
    EXPECT_EQ(Perform(http), static_cast<int>(ERROR_NOT_ENOUGH_MEMORY));
    throw_at = static_cast<int>(INTERNET_STATUS_REQUEST_SENT);
    EXPECT_EQ(Perform(http), static_cast<int>(ERROR_INTERNET_INTERNAL_ERROR));
    throw_at = 0;
    http.OnTransfer = [](TickWinInet&, std::int64_t, const std::string&) { throw std::runtime_error("full"); };
    EXPECT_EQ(Perform(http), static_cast<int>(ERROR_INTERNET_INTERNAL_ERROR));
    EXPECT_TRUE(SiteNames().empty());
    http.OnTransfer = nullptr;
    EXPECT_EQ(Perform(http), 0);
    EXPECT_EQ(ReadAll(Site("page.htm")), "body");
}

}  // namespace
}  // namespace corvane
