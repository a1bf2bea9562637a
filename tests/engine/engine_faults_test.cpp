// Faults of the workers: unreadable and oversized saved pages, a closed main loop, and the scanner's
// positions on a page beyond 2 GiB.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/run/download_thread.h"
#include "engine/parse/parser.h"
#include "engine/run/parse_worker.h"
#include "engine/run/schedule_thread.h"
#include "engine/run/socket_list.h"
#include "engine/model/task.h"
#include "platform/rtl/log.h"
#include "platform/rtl/wait_while_serving.h"
#include "tests/engine/capture_fixture.h"
#include "tests/platform/captured_reports.h"

namespace corvane::testing {
namespace {

using namespace std::chrono_literals;

class EngineFaultsPages : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        task_ = MakeTask("http://site.com/index.htm");
        task_->Profile.Depth = -1;
        task_->Profile.PageLocation = lcSite;
        task_->Profile.ConvertFollowedLinks = 1;
    }

    // A page as if its transfer had just completed; its file is left to the caller.
    std::string SavedPage(const std::string& url) {
        auto item = Queue(*task_, url);
        const std::string file = item->GetLocalFileName();
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        item->SetState(isSaved);
        task_->AddToCounter(TCVCounter::PagesSaved, 1);
        item->Put();
        return file;
    }

    std::unique_ptr<TCVQItem> ItemOf(const std::string& url) {
        for (int i = 0; i + 1 < task_->QueueLineCount(); i += 2)
            if (auto item = task_->GetQItem(i); item->URL == url) return item;
        return nullptr;
    }

    std::shared_ptr<TCVTask> task_;
};

TEST_F(EngineFaultsPages, APageThatCannotBeReadEndsInErrorAndTheParseGoesOn) {
    // Passes the regular-file test but fails every read, also for root.
    const std::string unreadable = SavedPage("http://site.com/mem.htm");
    ASSERT_EQ(::symlink("/proc/self/mem", unreadable.c_str()), 0);
    SavedPage("http://site.com/gone.htm");
    WriteBytes(SavedPage("http://site.com/fine.htm"), "<a href=\"next.htm\">next</a>");

    CapturedReports reports;
    TThreadParse parser(1ms);
    parser.SetMainLoop(loop_.get());
    parser.SetTask(task_);
    parser.Resume();
    ASSERT_TRUE(RunUntil([&] { return task_->NextPageToParse() == nullptr; }, 20s));
    parser.SetStop(true);
    ASSERT_TRUE(RunUntil([&] { return parser.Suspended(); }));

    const auto mem = ItemOf("http://site.com/mem.htm");
    EXPECT_EQ(mem->State, isError);
    EXPECT_NE(mem->StatusText.find("Cannot read"), std::string::npos) << mem->StatusText;
    const auto gone = ItemOf("http://site.com/gone.htm");
    EXPECT_EQ(gone->State, isError);
    EXPECT_EQ(gone->StatusText, "Saved file not found");
    EXPECT_EQ(ItemOf("http://site.com/fine.htm")->State, isParsed);
    EXPECT_TRUE(ItemOf("http://site.com/next.htm"));
    EXPECT_EQ(task_->Counters().PageErrors, 2);
    EXPECT_EQ(task_->Counters().PagesSaved, 1);
    EXPECT_EQ(reports.Take(), std::vector<std::string>{});
}

TEST_F(EngineFaultsPages, APageOver256MBIsKeptAndMarkedParsedWithoutAScan) {
    const std::string file = SavedPage("http://site.com/huge.htm");
    const std::string head = "<a href=\"linked.htm\">x</a>";
    WriteBytes(file, head);
    // Sparse: the size without the disk space.
    std::filesystem::resize_file(file, (std::uintmax_t{256} << 20) + 1);

    std::vector<std::string> logs;  // ParsePage runs on this thread here
    const LogSink previous = SetLogSink([&](const std::string& line) { logs.push_back(line); });
    TThreadParse parser(1ms);
    parser.ParsePage(*task_, task_->NextPageToParse());
    SetLogSink(previous);

    const auto item = ItemOf("http://site.com/huge.htm");
    EXPECT_EQ(item->State, isParsed);
    EXPECT_EQ(item->StatusText, "Not scanned: larger than 256 MB");
    EXPECT_EQ(task_->QueueLineCount(), 2);  // nothing queued from it
    EXPECT_EQ(std::filesystem::file_size(file), (std::uintmax_t{256} << 20) + 1);
    std::string start(head.size(), '\0');
    std::ifstream(file, std::ios::binary).read(start.data(), static_cast<std::streamsize>(start.size()));
    EXPECT_EQ(start, head);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_NE(logs[0].find("huge.htm"), std::string::npos) << logs[0];
    EXPECT_NE(logs[0].find("256 MB"), std::string::npos) << logs[0];
    std::filesystem::remove(file);
}

TEST(EngineFaultsScanner, PositionsBeyond2GiBFindAndRewriteTheLink) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a single-threaded scan whose 2 GiB take some 10 GB under this sanitizer";
#else
    constexpr std::size_t kFar = (std::size_t{1} << 31) + 64;
    TCVParser parser;
    parser.Text.reserve(kFar + 64);
    parser.Text.assign(kFar, ' ');
    parser.Text += "<a href=\"far.htm\">far</a>";
    parser.BeginTagPass("A", "HREF");
    ASSERT_TRUE(parser.More());
    EXPECT_EQ(parser.Next(), "far.htm");
    EXPECT_EQ(parser.TagStart, kFar + 1);
    EXPECT_EQ(parser.ValueStart, kFar + 10);
    parser.ReplaceLink("f.htm");
    EXPECT_EQ(parser.Text.substr(kFar), "<a href=\"f.htm\">far</a>");
    EXPECT_EQ(parser.EndPos, kFar + 16);
    EXPECT_EQ(parser.GetTagText(), "far");
    while (parser.More()) EXPECT_EQ(parser.Next(), "");
#endif
}

// After the main loop has closed, no wait spins and every worker that calls onto it ends.
class EngineFaultsClosedLoop : public CaptureFixture {};

TEST_F(EngineFaultsClosedLoop, AWaitServingAClosedLoopStillWaitsItsSlices) {
    loop_->Close();
    int checks = 0;
    EXPECT_FALSE(WaitWhileServingFor([&] { return ++checks < 0; }, 100ms, 10ms));
    // Each check but the first comes after a slice of at least 10 ms: a spinning wait checks millions
    // of times.
    EXPECT_LE(checks, 12);
}

TEST_F(EngineFaultsClosedLoop, EveryWorkerLoopEndsWithoutReportingItOverAndOver) {
    auto task = MakeTask("http://127.0.0.1:1/index.htm");
    auto page = Queue(*task, task->URL);
    WriteBytes(page->GetLocalFileName(), "<html></html>");
    page->SetState(isSaved);
    page->Put();
    task->Status = tsDownloading;

    CapturedReports reports;
    TSocketList sockets(timing_);
    TThreadDownload dispatcher(sockets, timing_);
    TThreadParse parser(timing_.ParsePauseStep);
    TThreadSchedule schedule(timing_, [] {});
    for (TThread* thread : std::initializer_list<TThread*>{&dispatcher, &parser, &schedule})
        thread->SetMainLoop(loop_.get());
    dispatcher.SetTask(task);
    parser.SetTask(task);
    loop_->Close();
    dispatcher.Resume();
    parser.Resume();
    schedule.Resume();

    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (!(dispatcher.Finished() && parser.Finished() && schedule.Finished()) &&
           std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(dispatcher.Finished());
    EXPECT_TRUE(parser.Finished());
    EXPECT_TRUE(schedule.Finished());
    EXPECT_EQ(reports.Take(), std::vector<std::string>{});
    EXPECT_EQ(task->GetQItem(0)->State, isSaved);  // left for the next run, not failed
}

}  // namespace
}  // namespace corvane::testing
