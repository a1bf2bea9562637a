// The task's queue on its own: selectors and their hints, counters, case-blind Put, the URL set,
// and the operations of several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/queue/task_queue.h"

namespace corvane {
namespace {

std::string Record(const std::string& type, TCVItemState state, TCVItemMark mark, std::int64_t size = 0,
                   const std::string& title = "") {
    TCVQItem item;
    item.Type = type;
    item.State = state;
    item.Mark = mark;
    item.Size = size;
    item.Title = title;
    return item.EncodeRecord();
}

TCVItemState StateOf(const std::string& record) {
    TCVQItem item;
    item.DecodeRecord(record);
    return item.State;
}

std::string Selected(TTaskQueue& queue, PendingKind kind) {
    TTaskQueue::Pair pair;
    return queue.Select(kind, pair) ? pair.URL : "<none>";
}

TEST(TaskQueue, SelectorsFollowMarksAndStatesAndLookBackAfterAChange) {
    TTaskQueue queue;
    queue.Add("http://e.com/skip.htm", Record("HTML", isNone, mkSkip), true);
    queue.Add("http://e.com/busy.htm", Record("HTML", isDownloading, mkFetch), true);
    queue.Add("http://e.com/map.gif", Record("Images", isNone, mkMap), false);  // map fetches pages only
    queue.Add("http://e.com/lower.htm", Record("html", isNone, mkFetch), false);  // the type compare is exact
    queue.Add("http://e.com/update.htm", Record("HTML", isDownloading, mkUpdate), true);  // taken in transfer
    queue.Add("http://e.com/page.htm", Record("HTML", isNone, mkMap), true);
    queue.Add("http://e.com/saved.htm", Record("HTML", isSaved, mkFetch), true);
    queue.Add("http://e.com/res.gif", Record("Images", isNone, mkUpdate), false);

    EXPECT_EQ(Selected(queue, PendingKind::PageToDownload), "http://e.com/update.htm");
    EXPECT_EQ(Selected(queue, PendingKind::ResourceToDownload), "http://e.com/lower.htm");
    EXPECT_EQ(Selected(queue, PendingKind::PageToParse), "http://e.com/saved.htm");

    queue.Put("http://e.com/update.htm", Record("HTML", isUpdating, mkUpdate));
    EXPECT_EQ(Selected(queue, PendingKind::PageToDownload), "http://e.com/page.htm");
    queue.Put("http://e.com/lower.htm", Record("html", isSaved, mkFetch));
    EXPECT_EQ(Selected(queue, PendingKind::ResourceToDownload), "http://e.com/res.gif");

    // A record before the last find that changes is seen again.
    queue.Put("http://e.com/busy.htm", Record("HTML", isNone, mkFetch));
    EXPECT_EQ(Selected(queue, PendingKind::PageToDownload), "http://e.com/busy.htm");

    queue.ResetRunningRecords();  // update.htm was Updating
    TTaskQueue::Pair pair;
    ASSERT_TRUE(queue.Get(8, pair));
    EXPECT_EQ(pair.URL, "http://e.com/update.htm");
    EXPECT_EQ(StateOf(pair.Record), isNone);
    EXPECT_FALSE(queue.Get(9, pair));
    EXPECT_FALSE(queue.Get(16, pair));
}

TEST(TaskQueue, StateChangesMoveTheCounters) {
    TTaskQueue queue;
    TCVTaskCounters c;
    c.PageErrors = 1;
    c.ResourcesSaved = 2;
    c.TotalBytes = 1000;
    queue.SetCounters(c);

    queue.ApplyStateChange(true, 0, isError, isNone);  // off the error count only
    EXPECT_EQ(queue.Counters().PageErrors, 0);
    EXPECT_EQ(queue.Counters().TotalBytes, 1000);
    queue.ApplyStateChange(false, 700, isSaved, isNone);  // off the saved count, its bytes off the total
    EXPECT_EQ(queue.Counters().ResourcesSaved, 1);
    EXPECT_EQ(queue.Counters().TotalBytes, 300);
    queue.ApplyStateChange(false, 50, isParsed, isError);
    EXPECT_EQ(queue.Counters().ResourcesSaved, 0);
    EXPECT_EQ(queue.Counters().ResourceErrors, 1);
    queue.ApplyStateChange(false, 50, isError, isParsed);  // entering a saved state is counted by the caller
    EXPECT_EQ(queue.Counters().ResourceErrors, 1);
    EXPECT_EQ(queue.Counters().ResourcesSaved, 0);
}

TEST(TaskQueue, PutMatchesURLsWithoutRegardToCaseAndTouchesNoCounter) {
    TTaskQueue queue;
    queue.Add("http://e.com/Page.htm", Record("HTML", isNone, mkFetch), true);
    const TCVTaskCounters before = queue.Counters();
    queue.Put("HTTP://E.COM/page.HTM", Record("HTML", isSaved, mkFetch));
    EXPECT_EQ(queue.LineCount(), 2);
    EXPECT_EQ(StateOf(queue.Lines()[1]), isSaved);
    EXPECT_EQ(queue.Counters(), before);

    // A record that happens to read like a URL is never taken for one.
    queue.Add("http://e.com/t.htm", Record("HTML", isNone, mkFetch, 0, "http://e.com/x.htm"), true);
    queue.Put("http://e.com/x.htm", Record("HTML", isNone, mkFetch));
    EXPECT_EQ(queue.LineCount(), 6);

    bool added = true;
    EXPECT_EQ(queue.AddIfNew("HTTP://e.com/T.HTM", Record("HTML", isNone, mkFetch), true, added),
              "http://e.com/t.htm");
    EXPECT_FALSE(added);
    EXPECT_EQ(queue.LineCount(), 6);
}

TEST(TaskQueue, ResetEmptiesEverythingAndHandsBackTheZipList) {
    TTaskQueue queue;
    queue.Add("http://e.com/a.gif", Record("Images", isSaved, mkFetch), false);
    queue.ZipAdd(TCVZipEntry{"/tmp/a.gif", std::make_unique<TCVQItem>()});
    queue.ZipAdd(TCVZipEntry{"/tmp/b.gif", std::make_unique<TCVQItem>()});
    TCVZipEntry first;
    ASSERT_TRUE(queue.ZipTakeFirst(first));
    queue.ZipPutBack(std::move(first));
    EXPECT_EQ(queue.ZipFiles(), (std::vector<std::string>{"/tmp/a.gif", "/tmp/b.gif"}));

    const std::uint64_t changes = queue.Changes();
    std::vector<TCVZipEntry> released;
    queue.Reset(released);
    EXPECT_EQ(released.size(), 2u);
    EXPECT_EQ(queue.ZipCount(), 0);
    EXPECT_TRUE(queue.Empty());
    EXPECT_FALSE(queue.InURLSet("http://e.com/a.gif"));
    EXPECT_EQ(queue.Counters(), TCVTaskCounters{});
    EXPECT_GT(queue.Changes(), changes);
    EXPECT_TRUE(queue.Dirty());
}

TEST(TaskQueue, ParallelOperationsStayConsistent) {
    constexpr int kThreads = 4;
    constexpr int kItems = 200;
    TTaskQueue queue;
    std::atomic<bool> stop{false};
    std::thread selector([&] {
        TTaskQueue::Pair pair;
        while (!stop) {
            queue.Select(PendingKind::PageToDownload, pair);
            queue.Select(PendingKind::ResourceToDownload, pair);
            queue.IsComplete();
            queue.Counters();
            queue.TakeSnapshot();
        }
    });
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kItems; ++i) {
                const std::string url = "http://e.com/" + std::to_string(t) + "/" + std::to_string(i) + ".gif";
                queue.Add(url, Record("Images", isNone, mkFetch), false);
                queue.Put(url, Record("Images", isDownloading, mkFetch));
                queue.Put(url, Record("Images", isSaved, mkFetch, 10));
                queue.AddToCounter(TCVCounter::ResourcesSaved, 1);
                queue.AddToCounter(TCVCounter::TotalBytes, 10);
                if (i % 2 == 0) {  // back out again: saved count and bytes down
                    queue.ApplyStateChange(false, 10, isSaved, isNone);
                    queue.Put(url, Record("Images", isNone, mkFetch));
                }
                EXPECT_TRUE(queue.InURLSet(url));
            }
        });
    }
    for (auto& worker : workers) worker.join();
    stop = true;
    selector.join();

    const TCVTaskCounters c = queue.Counters();
    EXPECT_EQ(c.TotalResources, kThreads * kItems);
    EXPECT_EQ(c.ResourcesSaved, kThreads * kItems / 2);
    EXPECT_EQ(c.TotalBytes, 10 * kThreads * kItems / 2);
    EXPECT_EQ(queue.LineCount(), 2 * kThreads * kItems);
    EXPECT_EQ(queue.URLSetCount(), kThreads * kItems);
    queue.FinishOpen();  // the recount agrees with the running counts
    EXPECT_EQ(queue.Counters(), c);
    EXPECT_EQ(queue.PendingCounts().Waiting[static_cast<int>(PendingKind::ResourceToDownload)], kThreads * kItems / 2);
}

}  // namespace
}  // namespace corvane
