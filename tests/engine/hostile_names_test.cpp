// Hostile names captured from the loopback server: names at and past the file system's limit, long
// names that share their beginning, a URL named like another's temporary file, and URLs that map
// to one local name. Every body is kept in a file of its own and every rewritten link leads to it,
// also when the capture is stopped and resumed by a fresh task object.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "tests/engine/capture_fixture.h"
#include "platform/rtl/hex_text.h"
#include "tests/support/link_checker.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

using namespace std::chrono_literals;
using test::LoopbackServer;
using test::ReceivedRequest;
using test::ScriptedResponse;

// The href values of a page, in order.
std::vector<std::string> Hrefs(const std::string& page) {
    std::vector<std::string> out;
    for (std::size_t at = page.find("href=\""); at != std::string::npos; at = page.find("href=\"", at)) {
        at += 6;
        out.push_back(page.substr(at, page.find('"', at) - at));
    }
    return out;
}

class HostileNames : public RunnerFixture<TRunControlHooks> {
protected:
    void TearDown() override {
        gate_ = true;
        RunnerFixture::TearDown();
    }

    std::atomic<bool> gate_{false};
};

TEST_F(HostileNames, CollidingURLsKeepEveryBodyAndEveryLinkLeadsToItsOwnFileAcrossAResume) {
    std::vector<std::string> links = {
        "/a/", "/a/a.html",                              // a folder's page and its generated name
        "/127.0.0.html",                                 // the root page's generated name
        "/c:d.html", "/c|d.html", "/c%3Ad.html",         // all stored as "c¦d.html"
        "/x.html?q=1", "/x.html\xC2\xBFq=1.html",        // a query and its stored name
        "/y.asp", "/y.html",                             // a dynamic page and its stored name
        "/t.html", "/t.html.part",                       // a URL named like the other's old temporary file
        "/q.php?" + std::string(5000, 'v'),              // a 5,000-byte query
    };
    for (std::size_t size = 248; size <= 256; ++size) links.push_back("/" + std::string(size - 4, 'n') + ".htm");
    for (const char* tail : {"1.htm", "2.htm"}) links.push_back("/" + std::string(300, 'p') + tail);
    std::string wide = "/";
    for (int i = 0; i < 200; ++i) wide += "\xC3\xA9";
    links.push_back(wide + ".htm");

    LoopbackServer server;
    std::string index = "<html><body>\n";
    for (const std::string& link : links) index += "<a href=\"" + link + "\">x</a>\n";
    index += "</body></html>";
    server.Serve("/", ScriptedResponse::Text(index, "text/html"));
    // Every other page answers with its own request target, once the gate opens.
    server.SetFallback([this](const ReceivedRequest& request) {
        for (int i = 0; i < 2000 && !gate_; ++i) std::this_thread::sleep_for(5ms);
        return ScriptedResponse::Text("BODY " + request.target, "text/html");
    });

    auto task = MakeTask(server.Url("/"));
    task->Profile.Depth = -1;
    task->Profile.PageLocation = lcSite;
    task->Profile.ConvertFollowedLinks = 1;
    task->Save();
    ASSERT_TRUE(runner_->StartTask(task));
    // Stop once the index is saved and parsed while the other transfers still wait.
    ASSERT_TRUE(RunUntil([&] { return task->QueueLineCount() > 2 && task->GetQItem(0)->State >= isSaved; }));
    ASSERT_TRUE(RunUntil([&] { return task->GetQItem(0)->State == isParsed; }));
    runner_->StopTask(task);
    gate_ = true;

    // A fresh object from the files, as after a restart of the program.
    auto resumed = LoadTask(task->FileName);
    resumed->RunMethod = rmResume;
    ASSERT_TRUE(runner_->StartTask(resumed));
    ASSERT_TRUE(RunUntil([&] { return resumed->Status == tsTaskComplete; }, 60s));

    // Each queued URL has a file of its own holding its own body.
    const std::string origin = server.Origin();
    std::map<std::string, std::string> file_of;  // URL -> local file
    std::set<std::string> files;
    for (int i = 0; i + 1 < resumed->QueueLineCount(); i += 2) {
        auto item = resumed->GetQItem(i);
        EXPECT_EQ(item->State, item->IsPage() ? isParsed : isSaved) << item->URL << " " << item->StatusText;
        const std::string file = item->GetLocalFileName();
        ASSERT_FALSE(file.empty()) << item->URL;
        EXPECT_TRUE(files.insert(file).second) << item->URL << " shares " << file;
        file_of[item->URL] = file;
        if (i > 0) {
            // The client may send bytes such as "|" or "é" percent-encoded.
            EXPECT_EQ(PercentDecode(ReadBytes(file)), "BODY " + PercentDecode(item->URL.substr(origin.size())))
                << item->URL;
        }
    }
    EXPECT_EQ(file_of.size(), links.size() + 1);

    // The saved index: its links, in the order written, lead to the bodies of the links they were.
    const std::string saved_index = ReadBytes(file_of.at(origin + "/"));
    const std::vector<std::string> hrefs = Hrefs(saved_index);
    ASSERT_EQ(hrefs.size(), links.size());
    const std::string index_dir = file_of.at(origin + "/").substr(0, file_of.at(origin + "/").rfind('/') + 1);
    for (std::size_t i = 0; i < links.size(); ++i) {
        const std::string target = index_dir + PercentDecode(hrefs[i]);
        const std::string body = ReadBytes(target);
        EXPECT_EQ(body.substr(0, 5), "BODY ") << links[i].substr(0, 40) << " -> " << hrefs[i].substr(0, 60);
        if (body.size() > 5) {
            EXPECT_EQ(PercentDecode(body.substr(5)), PercentDecode(links[i])) << hrefs[i].substr(0, 60);
        }
    }
    EXPECT_TRUE(CheckCapturedLinks(home_ + "site/").Broken.empty());
    // No temporary file is left behind.
    for (const std::string& file : ListCapturedFiles(home_ + "site/"))
        EXPECT_EQ(file.find(':'), std::string::npos) << file;
}

}  // namespace
}  // namespace corvane::testing
