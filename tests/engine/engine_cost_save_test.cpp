// The queue auto-save off the main thread: the order writes land in, the synchronous save of a stop,
// and when the task file is rewritten.

#include <gtest/gtest.h>

#include <future>

#include "engine/queue/queue_writer.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "platform/rtl/log.h"
#include "task_fixture.h"

namespace corvane {
namespace {

class EngineCostSave : public testing::FreshHome {
protected:
    std::shared_ptr<TCVTask> NewTask() {
        auto task = std::make_shared<TCVTask>();
        task->Name = "Saves";
        task->FileName = App->TasksDir + "General/Saves.cvt";
        App->QueueSaveInterval = 0;  // every dirty cycle writes
        return task;
    }
    static void Add(TCVTask& task, int n) {
        TCVQItem item(&task);
        item.URL = "http://e.com/" + std::to_string(n);
        task.AddQItem(item);
    }
    static bool OnDisk(TCVTask& task) {
        std::string text;
        for (const auto& line : task.QueueLines()) text += line + "\r\n";
        return testing::ReadBytes(task.GetQueueFileName()) == text;
    }
};

// A write handed in while another runs waits, and a newer one replaces it.
TEST_F(EngineCostSave, WriterRunsInOrderAndDropsOutdatedWrites) {
    TQueueWriter writer;
    std::vector<char> ran;
    std::promise<void> gate;
    std::shared_future<void> open = gate.get_future().share();
    std::promise<void> started;
    writer.Post([&] {
        started.set_value();
        open.wait();
        ran.push_back('a');
    });
    started.get_future().wait();
    writer.Post([&] { ran.push_back('b'); });
    writer.Post([&] { ran.push_back('c'); });
    gate.set_value();
    writer.Flush();
    EXPECT_EQ(ran, (std::vector<char>{'a', 'c'}));
}

// Auto-saves mixed with stops' saves: the file always ends as the newest snapshot, and a stop's save
// is on disk when it returns.
TEST_F(EngineCostSave, TheNewestSnapshotLandsLastAndAStopWritesAtOnce) {
    auto task = NewTask();
    for (int n = 0; n < 60; ++n) {
        Add(*task, n);
        task->QueueChanged();
        if (n % 7 == 6) {
            Add(*task, 1000 + n);
            ASSERT_TRUE(task->SaveQueue());
            EXPECT_TRUE(OnDisk(*task)) << n;
        }
    }
    task->FlushQueueWrites();
    EXPECT_TRUE(OnDisk(*task));
    EXPECT_FALSE(task->QueueDirty());
}

// A failed write, in the background or at a stop, keeps the queue dirty and says why; the next
// dirty cycle tries again without waiting for the interval.
TEST_F(EngineCostSave, FailedWritesKeepTheQueueDirtyAndAreRetried) {
    auto task = NewTask();
    Add(*task, 1);
    std::filesystem::create_directories(task->GetQueueFileName());  // a folder where the file goes
    const LogSink previous = SetLogSink([](const std::string&) {});
    task->QueueChanged();
    task->FlushQueueWrites();
    EXPECT_NE(task->LastQueueError(), "");
    EXPECT_FALSE(task->SaveQueue());  // a stop's save says so too
    EXPECT_TRUE(task->QueueDirty());
    SetLogSink(previous);

    std::filesystem::remove(task->GetQueueFileName());
    App->QueueSaveInterval = 10;
    task->QueueChanged();  // retried at once after the failure
    task->FlushQueueWrites();
    EXPECT_FALSE(task->QueueDirty());
    EXPECT_TRUE(OnDisk(*task));
}

// The auto-save leaves the task file alone while only counters move, rewrites it when another field
// changed, and a stop's save always writes the counters.
TEST_F(EngineCostSave, TaskFileRewrittenOnlyForFieldsBeyondTheCounters) {
    auto task = NewTask();
    task->Comment = "first";
    Add(*task, 1);
    ASSERT_TRUE(task->SaveQueue());
    const std::string saved = testing::ReadBytes(task->FileName);
    ASSERT_NE(saved.find("Total Resources=1"), std::string::npos);

    Add(*task, 2);
    task->AddToCounter(TCVCounter::TotalBytes, 500);
    task->Elapsed = 0.5;
    task->QueueChanged();
    task->FlushQueueWrites();
    EXPECT_EQ(testing::ReadBytes(task->FileName), saved);

    task->Comment = "second";
    Add(*task, 3);
    task->QueueChanged();
    task->FlushQueueWrites();
    const std::string rewritten = testing::ReadBytes(task->FileName);
    EXPECT_NE(rewritten.find("Comment=second"), std::string::npos);
    EXPECT_NE(rewritten.find("Total Resources=3"), std::string::npos);

    Add(*task, 4);
    ASSERT_TRUE(task->SaveQueue());  // a stop's save writes the counters whatever changed
    EXPECT_NE(testing::ReadBytes(task->FileName).find("Total Resources=4"), std::string::npos);
}

}  // namespace
}  // namespace corvane
