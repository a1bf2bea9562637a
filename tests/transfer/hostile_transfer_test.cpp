// Hostile servers against the transfer kit: lengths that cannot be trusted and redirects the caller
// refuses.

#include "platform/wininet/cookie_jar.h"
#include "transfer/tick_http.h"
#include "tests/support/loopback_server.h"
#include "tests/transfer/kit_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
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


// The Cookie header's pairs, in order.
std::vector<std::string> SentCookies(const test::ReceivedRequest& request) {
    std::vector<std::string> pairs;
    const std::string header = request.Header("Cookie");
    std::size_t start = 0;
    while (start < header.size()) {
        auto end = header.find("; ", start);
        if (end == std::string::npos) end = header.size();
        pairs.push_back(header.substr(start, end - start));
        start = end + 2;
    }
    return pairs;
}

std::string JarLine(const std::string& domain, const std::string& name) {
    return domain + "\tTRUE\t/\tFALSE\t0\t" + name + "\tv";
}

class HostileTransferCookies : public HostileTransferKit {
protected:
    void SetUp() override {
        HostileTransferKit::SetUp();
        wininet::ProcessCookieJar().Clear();
    }
    void TearDown() override {
        wininet::ProcessCookieJar().Clear();
        HostileTransferKit::TearDown();
    }
    int Get(const std::string& url) {
        TickHTTPS http;
        http.SetURL(url);
        return Perform(http);
    }
};

TEST_F(HostileTransferCookies, ARequestCarriesOnlyItsHostsCookiesAndAFloodIsCapped) {
    LoopbackServer server;
    server.Serve("/a", ScriptedResponse::Text("a").Header("Set-Cookie", "site=a; Path=/"));
    server.Serve("/b", ScriptedResponse::Text("b").Header("Set-Cookie", "site=b; Path=/"));
    for (int page = 0; page < 5; ++page) {
        ScriptedResponse flood = ScriptedResponse::Text("flood");
        for (int i = 0; i < 50; ++i) flood.Header("Set-Cookie", "c" + std::to_string(page * 50 + i) + "=1; Path=/");
        server.Serve("/flood" + std::to_string(page), flood);
    }
    server.Serve("/plain", ScriptedResponse::Text("plain"));
    const std::string other_host = "http://localhost:" + std::to_string(server.Port());

    ASSERT_EQ(Get(server.Url("/a")), 0);
    ASSERT_EQ(Get(other_host + "/b"), 0);
    ASSERT_EQ(Get(server.Url("/plain")), 0);
    EXPECT_EQ(SentCookies(server.LastRequest()), std::vector<std::string>{"site=a"});
    ASSERT_EQ(Get(other_host + "/plain"), 0);
    EXPECT_EQ(SentCookies(server.LastRequest()), std::vector<std::string>{"site=b"});

    for (int page = 0; page < 5; ++page) ASSERT_EQ(Get(server.Url("/flood" + std::to_string(page))), 0);
    EXPECT_EQ(wininet::ProcessCookieJar().CountFor("127.0.0.1"), wininet::CookieJar::kMaxPerHost);
    ASSERT_EQ(Get(server.Url("/plain")), 0);
    // libcurl sends at most 150 of them itself; none is the other host's.
    const auto sent = SentCookies(server.LastRequest());
    EXPECT_FALSE(sent.empty());
    EXPECT_LE(sent.size(), wininet::CookieJar::kMaxPerHost);
    EXPECT_EQ(std::find(sent.begin(), sent.end(), "site=b"), sent.end());
    // The newest stay: the last page's cookies, not "site=a" or the first page's.
    std::string kept;
    for (const auto& line : wininet::ProcessCookieJar().LinesFor("127.0.0.1")) kept += line.substr(line.rfind('\t', line.rfind('\t') - 1)) + "|";
    EXPECT_NE(kept.find("\tc249\t1|"), std::string::npos) << kept;
    EXPECT_EQ(kept.find("\tc0\t"), std::string::npos);
    EXPECT_EQ(kept.find("\tsite\t"), std::string::npos);
    // The other host kept its own.
    EXPECT_EQ(wininet::ProcessCookieJar().CountFor("localhost"), 1u);
}

TEST_F(HostileTransferCookies, TheJarKeepsTheNewestWithinItsTotalAndFindsParentDomains) {
    wininet::CookieJar jar;
    // 20 hosts of 170 cookies: 3,400 set, the 400 set first (h0, h1 and 60 of h2) are dropped.
    for (int host = 0; host < 20; ++host) {
        std::vector<std::string> lines;
        for (int i = 0; i < 170; ++i) lines.push_back(JarLine("h" + std::to_string(host) + ".test", "n" + std::to_string(i)));
        jar.Merge({}, lines);
    }
    EXPECT_EQ(jar.Count(), wininet::CookieJar::kMaxTotal);
    EXPECT_EQ(jar.CountFor("h1.test"), 0u);
    EXPECT_EQ(jar.CountFor("h2.test"), 110u);
    EXPECT_EQ(jar.CountFor("h19.test"), 170u);

    // Carried back unchanged, a cookie does not count as set again.
    const auto h2 = jar.LinesFor("h2.test");
    jar.Merge(h2, h2);
    jar.Merge({}, {JarLine("h20.test", "x")});
    EXPECT_EQ(jar.CountFor("h2.test"), 109u);

    // A request picks its host's and its parent domains' cookies; deleted ones leave the jar.
    jar.Clear();
    jar.Merge({}, {JarLine(".example.test", "parent"), JarLine("www.example.test", "own"), JarLine("other.test", "no")});
    const auto lines = jar.LinesFor("WWW.example.test");
    EXPECT_EQ(lines.size(), 2u);
    jar.Merge(lines, {lines[0]});
    EXPECT_EQ(jar.Count(), 2u);
}

}  // namespace
}  // namespace corvane
