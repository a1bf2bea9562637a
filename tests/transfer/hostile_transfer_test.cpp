// Hostile servers against the transfer kit: lengths that cannot be trusted and redirects the caller
// refuses.

#include "transfer/tick_http.h"
#include "tests/support/loopback_server.h"
#include "tests/transfer/kit_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace corvane {
namespace {

using test::LoopbackServer;
using test::Perform;
using test::ScriptedResponse;
namespace fs = std::filesystem;

class HostileTransferKit : public ::testing::Test {
protected:
    void SetUp() override {
        const char* home = std::getenv("CORVANE_HOME");
        folder_ = std::string(home && *home ? home : ::testing::TempDir()) + "/hostile-kit-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string folder_;
};

TEST_F(HostileTransferKit, InvalidContentLengthIsAnInvalidResponseAndSavesNothing) {
    LoopbackServer server;
    const std::vector<std::string> raw_lengths = {
        "Content-Length: 99999999999999999999\r\n",
        "Content-Length: -5\r\n",
        "Content-Length: 5\r\nContent-Length: 6\r\n",
        "Content-Length: 5, 6\r\n",
        "Content-Length: 5x\r\n",
    };
    for (std::size_t i = 0; i < raw_lengths.size(); ++i) {
        ScriptedResponse response;
        response.raw = "HTTP/1.1 200 OK\r\n" + raw_lengths[i] + "Connection: close\r\n\r\nhello";
        server.Serve("/bad" + std::to_string(i), response);
    }
    ScriptedResponse same_twice;
    same_twice.raw = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 005\r\nConnection: close\r\n\r\nhello";
    server.Serve("/same", same_twice);

    for (std::size_t i = 0; i < raw_lengths.size(); ++i) {
        SCOPED_TRACE(raw_lengths[i]);
        TickHTTPS http;
        http.SetURL(server.Url("/bad" + std::to_string(i)));
        http.LocalFile = folder_ + "/bad.htm";
        EXPECT_EQ(Perform(http), static_cast<int>(ERROR_HTTP_INVALID_SERVER_RESPONSE));
        EXPECT_FALSE(fs::exists(http.LocalFile));
    }
    // Repeating one value is not a conflict.
    TickHTTPS http;
    http.SetURL(server.Url("/same"));
    http.LocalFile = folder_ + "/same.htm";
    EXPECT_EQ(Perform(http), 0);
    EXPECT_EQ(test::ReadAll(http.LocalFile), "hello");
}

TEST_F(HostileTransferKit, RedirectCheckSeesEachTargetAndARefusalEndsTheRequest) {
    LoopbackServer site;
    LoopbackServer elsewhere;
    elsewhere.Serve("/secret.htm", ScriptedResponse::Text("intranet", "text/html"));
    site.Serve("/page.htm", ScriptedResponse::Text("page", "text/html"));
    site.Redirect("/hop1", "/hop2");
    site.Redirect("/hop2", "page.htm");
    site.Redirect("/away", elsewhere.Url("/secret.htm"));

    std::vector<std::string> asked;
    TickHTTPS http;
    http.RedirectCheck = [&](const std::string& target) {
        asked.push_back(target);
        return target.rfind(site.Origin() + "/", 0) == 0;
    };
    http.SetURL(site.Url("/hop1"));
    http.LocalFile = folder_ + "/hop.htm";
    EXPECT_EQ(Perform(http), 0);
    EXPECT_EQ(asked, (std::vector<std::string>{site.Url("/hop2"), site.Url("/page.htm")}));
    EXPECT_EQ(http.FinalURL(), site.Url("/page.htm"));
    EXPECT_EQ(test::ReadAll(http.LocalFile), "page");

    http.SetURL(site.Url("/away"));
    http.LocalFile = folder_ + "/away.htm";
    EXPECT_EQ(Perform(http), static_cast<int>(ERROR_HTTP_REDIRECT_FAILED));
    EXPECT_EQ(http.LastErrorText(), "Redirect refused: " + elsewhere.Url("/secret.htm"));
    EXPECT_EQ(elsewhere.RequestCount(), 0u);
    EXPECT_FALSE(fs::exists(http.LocalFile));
    EXPECT_TRUE(http.FinalURL().empty());

    // Not redirected: no final URL of its own.
    http.SetURL(site.Url("/page.htm"));
    EXPECT_EQ(Perform(http), 0);
    EXPECT_TRUE(http.FinalURL().empty());
}

}  // namespace
}  // namespace corvane
