// Queue files the fuzzer found to trap the dispatcher.

#include <gtest/gtest.h>

#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "platform/rtl/log.h"
#include "task_fixture.h"

namespace corvane {
namespace {

const std::string B = "\xB6";

class EngineFaultsQueue : public testing::FreshHome {};

// An item is written back to the pair whose URL line matches its URL: a second pair of the same URL,
// or a URL line with a stray CR (which no written-back URL has), was selected again and again.
TEST_F(EngineFaultsQueue, DamagedURLLinesNeverTrapTheSelectors) {
    auto task = std::make_shared<TCVTask>();
    task->Name = "Twice";
    task->FileName = App->TasksDir + "General/Twice.cvt";
    const std::string waiting = "0" + B + B + "Images" + B + B + "1" + B + B + B + "1" + B + B + "0" + B + B;
    testing::WriteBytes(task->GetQueueFileName(), "http://e.com/a.gif\r\n" + waiting + "\r\nhttp://e.com/b.gif\r\n" +
                                                      waiting + "\r\nHTTP://E.COM/A.GIF\r\n" + waiting + "\r\nhttp://e.com/c\r.gif\r\n" +
                                                      waiting + "\r\n");
    int warnings = 0;
    const LogSink previous = SetLogSink([&](const std::string&) { ++warnings; });
    task->OpenQueue();
    SetLogSink(previous);
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(task->QueueLineCount(), 6);
    EXPECT_TRUE(task->QueueDirty());
    EXPECT_EQ(task->Counters().TotalResources, 3);

    int taken = 0;
    while (auto item = task->NextResourceToDownload()) {
        ASSERT_LE(++taken, 3) << item->URL;
        item->SetState(isSaved);
        item->Put();
    }
    EXPECT_TRUE(task->IsComplete());
}

}  // namespace
}  // namespace corvane
