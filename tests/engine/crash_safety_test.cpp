// What a crash, a full disk or a failing archive leaves: a page parsed again after a kill is parsed
// from its original, a failure of the disk, the archive or the queue file stops the run instead of
// ending it as a success, a failed transfer says why, and the byte count holds only kept bytes.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "engine/parse/mirror_naming.h"
#include "engine/run/run_failures.h"
#include "engine/parse/url_model.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/link_checker.h"
#include "tests/support/loopback_server.h"
#include "tests/support/query_folder_site.h"

namespace corvane::testing {
namespace {

using test::LoopbackServer;
using test::ScriptedResponse;

class FailingHooks : public TRunControlHooks {
public:
    void StatusMessage(int number, const std::string& tail) override { messages.emplace_back(number, tail); }
    bool AddToArchive(TCVTask&, const std::string& file, const std::string&) override {
        if (failures > 0) {
            --failures;
            failure = "Disk full while adding.";
            return false;
        }
        failure.clear();
        added.insert(file);
        return true;
    }
    std::string ArchiveAddFailure() override { return failure; }
    std::string Tail(int number) const {
        for (const auto& [n, tail] : messages)
            if (n == number) return tail;
        return "<none>";
    }

    int failures = 0;
    std::string failure;
    std::set<std::string> added;
    std::vector<std::pair<int, std::string>> messages;
};

class CrashSafety : public RunnerFixture<FailingHooks> {
protected:
    std::string LocalFile(const std::string& url) { return GetLocalFileName(home_ + "site/", URLBaseDir(url), url); }
    std::vector<std::unique_ptr<TCVQItem>> Items(TCVTask& task) {
        std::vector<std::unique_ptr<TCVQItem>> items;
        for (int i = 0; i + 1 < task.QueueLineCount(); i += 2) items.push_back(task.GetQItem(i));
        return items;
    }
    std::set<std::string> Targets(const LoopbackServer& server) {
        std::set<std::string> targets;
        for (const auto& request : server.Requests()) EXPECT_TRUE(targets.insert(request.target).second) << request.target;
        return targets;
    }
};

// A kill after a page was rewritten and before the queue was saved left its record Saved: the resume
// parsed the rewrite, whose query and folder links led to URLs the site does not have.
TEST_F(CrashSafety, AKilledPagesRewriteIsNeverParsedAgainItsOriginalIs) {
    LoopbackServer server;
    const test::QueryFolderSite site = test::ServeQueryFolderSite(server, 3);
    auto task = SiteTask(site.StartURL);
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsTaskComplete; }));
    ASSERT_EQ(Targets(server), site.Targets);
    EXPECT_EQ(task->KeptOriginalCount(), 0);

    // The state a kill leaves: the start page rewritten on disk, its original beside it, and a queue
    // file written before its links were found.
    const std::string index = LocalFile(site.StartURL);
    std::ifstream rewritten(index);
    std::stringstream text;
    text << rewritten.rdbuf();
    ASSERT_EQ(text.str().find("list.htm?p=1"), std::string::npos) << text.str();  // it was rewritten
    const std::string original = KeptOriginalName(index);
    WriteBytes(original, "<html><a href=\"list.htm?p=1\">lists</a> <a href=\"sub1/\">one</a></html>");
    for (const auto& file : ListCapturedFiles(home_ + "site/"))
        if (home_ + "site/" + file != index && home_ + "site/" + file != original)
            std::filesystem::remove(home_ + "site/" + file);
    auto killed = std::make_shared<TCVTask>();
    killed->FileName = task->FileName;
    killed->Load();
    killed->Name = task->Name;
    TCVQItem start(killed.get());
    start.URL = site.StartURL;
    start.Type = kPageType;
    start.State = isSaved;
    killed->AddQItem(start);
    ASSERT_TRUE(killed->SaveQueue());

    server.ClearRequests();
    killed->RunMethod = rmResume;
    killed->Status = tsScheduled;
    ASSERT_TRUE(runner_->StartTask(killed));
    ASSERT_TRUE(RunUntil([&] { return killed->Status == tsTaskComplete; }));
    std::set<std::string> expected = site.Targets;
    expected.erase("/qs/index.htm");
    EXPECT_EQ(Targets(server), expected);  // every link, each once, and nothing the site lacks
    const LinkCheckReport report = CheckCapturedLinks(home_ + "site/");
    for (const auto& broken : report.Broken) ADD_FAILURE() << broken.Page << ": " << broken.Link;
    EXPECT_FALSE(std::filesystem::exists(original));  // gone with the queue write that holds the page
}

// Zip mode onto a full disk ended "Zipped!" with most entries missing.
TEST_F(CrashSafety, AFailedArchiveAddStopsTheRunAndAResumeZipsEverything) {
    LoopbackServer server;
    server.Serve("/index.htm", ScriptedResponse::Text("<title>I</title><img src=\"a.gif\"><a href=\"b.htm\">b</a>", "text/html"));
    server.Serve("/a.gif", ScriptedResponse::Text("GIF89a", "image/gif"));
    server.Serve("/b.htm", ScriptedResponse::Text("<p>b</p>", "text/html"));
    auto task = SiteTask(server.Url("/index.htm"));
    task->IntranetMode = false;
    task->Destination = home_ + "out/t.zip";
    hooks_.failures = 1;
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsDownloadStopped || task->Status == tsZipped; }));
    EXPECT_EQ(task->Status, tsDownloadStopped);
    EXPECT_EQ(hooks_.Tail(kMsgArchiveAddFailed), home_ + "out/t.zip (Disk full while adding.)");
    for (const auto& item : Items(*task)) EXPECT_NE(item->State, isZipped) << item->URL;

    task->RunMethod = rmResume;
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsZipped || task->Status == tsDownloadStopped; }));
    EXPECT_EQ(task->Status, tsZipped);
    for (const auto& item : Items(*task)) EXPECT_EQ(item->State, isZipped) << item->URL;
    EXPECT_EQ(hooks_.added.size(), 3u);
}

// A queue file that cannot be written never ends in "Task Complete"; once it can, a resume does.
TEST_F(CrashSafety, AFailedQueueSaveStopsTheRunInsteadOfCompletingIt) {
    LoopbackServer server;
    server.Serve("/index.htm", ScriptedResponse::Text("<a href=\"b.htm\">b</a>", "text/html"));
    server.Serve("/b.htm", ScriptedResponse::Text("<p>b</p>", "text/html"));
    auto task = SiteTask(server.Url("/index.htm"));
    std::filesystem::create_directories(task->GetQueueFileName());  // a folder where the file belongs
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsDownloadStopped || task->Status == tsTaskComplete; }));
    EXPECT_EQ(task->Status, tsDownloadStopped);
    EXPECT_NE(hooks_.Tail(kMsgQueueSaveFailed).find(task->GetQueueFileName()), std::string::npos)
        << hooks_.Tail(kMsgQueueSaveFailed);

    std::filesystem::remove(task->GetQueueFileName());
    task->RunMethod = rmResume;
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsTaskComplete || task->Status == tsDownloadStopped; }));
    EXPECT_EQ(task->Status, tsTaskComplete);
}

// A body cut short was recorded as "200 OK", and its bytes stayed in the total; a reloaded task kept
// whatever total the kills had left.
TEST_F(CrashSafety, AFailedTransferSaysWhyAndItsBytesLeaveTheTotal) {
    LoopbackServer server;
    server.Serve("/index.htm", ScriptedResponse::Text("<img src=\"cut.gif\"><img src=\"ok.gif\">", "text/html"));
    ScriptedResponse cut = ScriptedResponse::Text(std::string(4000, 'x'), "image/gif");
    cut.cut_after = 1500;
    server.Serve("/cut.gif", cut);
    server.Serve("/ok.gif", ScriptedResponse::Text("GIF89a-ok", "image/gif"));
    auto task = SiteTask(server.Url("/index.htm"));
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsTaskComplete; }));

    std::int64_t kept = 0;
    for (const auto& item : Items(*task)) {
        if (item->URL.find("cut.gif") != std::string::npos) {
            EXPECT_EQ(item->State, isError);
            EXPECT_EQ(item->StatusText, kTransferIncomplete);
        } else {
            EXPECT_EQ(item->StatusText, "200 OK") << item->URL;
            kept += item->Size;
        }
    }
    EXPECT_EQ(task->Counters().TotalBytes, kept);

    // A total left wrong by a kill is recounted from the saved items when the task loads.
    TCVTaskCounters drifted = task->Counters();
    drifted.TotalBytes += 123456;
    task->SetCounters(drifted);
    task->Save();
    auto loaded = LoadTask(task->FileName);
    loaded->OpenQueue();
    EXPECT_EQ(loaded->Counters().TotalBytes, kept);
}

}  // namespace
}  // namespace corvane::testing
