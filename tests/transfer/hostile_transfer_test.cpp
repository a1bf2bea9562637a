// Hostile servers against the transfer kit: lengths that cannot be trusted and cookie floods.

#include "platform/wininet/cookie_jar.h"
#include "transfer/tick_http.h"
#include "tests/support/loopback_server.h"
#include "tests/transfer/kit_test_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace corvane {
namespace {

using test::LoopbackServer;
using test::Perform;
using test::ScriptedResponse;
using wininet::CookieJar;
using wininet::ProcessCookieJar;

int Get(const std::string& url, const std::string& local_file = {}) {
    TickHTTPS http;
    http.SetURL(url);
    http.LocalFile = local_file;
    return Perform(http);
}

TEST(HostileTransferKit, InvalidContentLengthIsAnInvalidResponseAndSavesNothing) {
    LoopbackServer server;
    const std::pair<const char*, int> cases[] = {
        {"Content-Length: 99999999999999999999\r\n", ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {"Content-Length: -5\r\n", ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {"Content-Length: 5\r\nContent-Length: 6\r\n", ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {"Content-Length: 5, 6\r\n", ERROR_HTTP_INVALID_SERVER_RESPONSE},
        {"Content-Length: 5\r\nContent-Length: 005\r\n", 0},  // one value repeated is no conflict
    };
    const std::string file = ::testing::TempDir() + "hostile-length.htm";
    for (const auto& [headers, expected] : cases) {
        SCOPED_TRACE(headers);
        ScriptedResponse response;
        response.raw = std::string("HTTP/1.1 200 OK\r\n") + headers + "Connection: close\r\n\r\nhello";
        server.Serve("/page", response);
        std::filesystem::remove(file);
        EXPECT_EQ(Get(server.Url("/page"), file), expected);
        EXPECT_EQ(std::filesystem::exists(file), expected == 0);
    }
}

std::string JarLine(const std::string& domain, const std::string& name) {
    return domain + "\tTRUE\t/\tFALSE\t0\t" + name + "\tv";
}

class HostileTransferCookies : public ::testing::Test {
protected:
    void SetUp() override { ProcessCookieJar().Clear(); }
    void TearDown() override { ProcessCookieJar().Clear(); }
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
    const std::string other_host = "http://localhost:" + std::to_string(server.Port());

    ASSERT_EQ(Get(server.Url("/a")), 0);
    ASSERT_EQ(Get(other_host + "/b"), 0);
    ASSERT_EQ(Get(server.Url("/plain")), 151);
    EXPECT_EQ(server.LastRequest().Header("Cookie"), "site=a");
    ASSERT_EQ(Get(other_host + "/plain"), 151);
    EXPECT_EQ(server.LastRequest().Header("Cookie"), "site=b");

    // 250 cookies set on one host: the 180 set last stay, the other host keeps its own.
    for (int page = 0; page < 5; ++page) ASSERT_EQ(Get(server.Url("/flood" + std::to_string(page))), 0);
    EXPECT_EQ(ProcessCookieJar().CountFor("127.0.0.1"), CookieJar::kMaxPerHost);
    EXPECT_EQ(ProcessCookieJar().CountFor("localhost"), 1u);
    std::string kept;
    for (const auto& line : ProcessCookieJar().LinesFor("127.0.0.1")) kept += line + "\n";
    EXPECT_NE(kept.find("\tc249\t"), std::string::npos);
    EXPECT_NE(kept.find("\tc70\t"), std::string::npos);
    EXPECT_EQ(kept.find("\tc69\t"), std::string::npos);
    EXPECT_EQ(kept.find("\tsite\t"), std::string::npos);
    ASSERT_EQ(Get(server.Url("/plain")), 151);
    const std::string sent = server.LastRequest().Header("Cookie");
    EXPECT_NE(sent.find("c249=1"), std::string::npos);
    EXPECT_EQ(sent.find("site="), std::string::npos);
}

TEST_F(HostileTransferCookies, TheJarKeepsTheNewestWithinItsTotalAndFindsParentDomains) {
    CookieJar jar;
    // 20 hosts of 170 cookies: 3,400 set, the 400 set first (h0, h1 and 60 of h2) are dropped.
    for (int host = 0; host < 20; ++host) {
        std::vector<std::string> lines;
        for (int i = 0; i < 170; ++i) lines.push_back(JarLine("h" + std::to_string(host) + ".test", "n" + std::to_string(i)));
        jar.Merge({}, lines);
    }
    EXPECT_EQ(jar.Count(), CookieJar::kMaxTotal);
    EXPECT_EQ(jar.CountFor("h1.test"), 0u);
    EXPECT_EQ(jar.CountFor("h2.test"), 110u);

    // A request picks its host's and its parent domains' cookies; one it no longer holds leaves.
    jar.Clear();
    jar.Merge({}, {JarLine(".example.test", "parent"), JarLine("www.example.test", "own"), JarLine("other.test", "no")});
    const auto lines = jar.LinesFor("WWW.example.test");
    EXPECT_EQ(lines.size(), 2u);
    jar.Merge(lines, {lines[0]});
    EXPECT_EQ(jar.Count(), 2u);
}

}  // namespace
}  // namespace corvane
