// The queue's pending counts and selector hints against a full scan of the records.

#include <gtest/gtest.h>

#include <random>

#include "engine/pending_counts.h"
#include "engine/settings.h"
#include "engine/task.h"
#include "task_fixture.h"

namespace corvane {
namespace {

class EngineCostQueue : public testing::FreshHome {};

// The URL of the first record a selector of that kind should pick; '' when none.
std::string FirstByScan(const std::vector<std::string>& lines, PendingKind kind) {
    for (std::size_t i = 1; i < lines.size(); i += 2)
        if (PendingQualifies(InspectRecord(lines[i]), kind)) return lines[i - 1];
    return {};
}

std::string Picked(std::unique_ptr<TCVQItem> item) { return item ? item->URL : std::string(); }

// Random adds, write-backs, hand-overs, resets and reloads: after each, the kept counts equal a full
// scan, IsComplete agrees with it and every selector returns the first qualifying record.
TEST_F(EngineCostQueue, CountsAndSelectorsMatchAFullScanAfterRandomChanges) {
    auto task = std::make_shared<TCVTask>();
    task->Name = "Random";
    task->FileName = App->TasksDir + "General/Random.cvt";
    std::mt19937 random(21);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    int next_url = 0;

    for (int step = 0; step < 4000; ++step) {
        const int op = pick(100);
        const int pairs = task->QueueLineCount() / 2;
        if (op < 25 || pairs == 0) {
            TCVQItem item(task.get());
            item.URL = "http://e.com/" + std::to_string(next_url++);
            item.Type = pick(2) ? kPageType : "Images";
            item.State = static_cast<TCVItemState>(pick(12));
            item.Mark = static_cast<TCVItemMark>(pick(4));
            task->AddQItem(item);
        } else if (op < 75) {
            auto item = task->GetQItem(2 * pick(pairs));
            item->State = static_cast<TCVItemState>(pick(12));
            if (pick(4) == 0) item->Mark = static_cast<TCVItemMark>(pick(4));
            if (pick(8) == 0) item->Type = item->IsPage() ? "Images" : kPageType;
            item->Put();
        } else if (op < 90) {
            // What the dispatcher and the parse worker do with what the selectors hand out.
            std::unique_ptr<TCVQItem> item;
            switch (pick(3)) {
                case 0: item = task->NextPageToDownload(); break;
                case 1: item = task->NextResourceToDownload(); break;
                default: item = task->NextPageToParse(); break;
            }
            if (item) {
                item->State = item->State == isSaved ? isParsed : isDownloading;
                item->Put();
            }
        } else if (op < 96) {
            task->ResetRunningItems();
        } else if (op < 98) {
            ASSERT_TRUE(task->SaveQueue());
            task->Reset();
            task->OpenQueue();
        } else {
            task->Reset();
        }

        const auto lines = task->QueueLines();
        const TCVPendingCounts scanned = TCVPendingCounts::Scan(lines);
        ASSERT_EQ(task->PendingCounts(), scanned) << "step " << step;
        ASSERT_EQ(task->IsComplete(), scanned.Empty()) << "step " << step;
        const auto kind = static_cast<PendingKind>(pick(kPendingKinds));
        std::unique_ptr<TCVQItem> got;
        switch (kind) {
            case PendingKind::PageToDownload: got = task->NextPageToDownload(); break;
            case PendingKind::ResourceToDownload: got = task->NextResourceToDownload(); break;
            case PendingKind::PageToParse: got = task->NextPageToParse(); break;
        }
        ASSERT_EQ(Picked(std::move(got)), FirstByScan(lines, kind)) << "step " << step;
    }
}

// A damaged record reads as Error: it is not pending, and replacing it counts the new record only.
TEST_F(EngineCostQueue, DamagedRecordsAreCountedAsErrors) {
    auto task = std::make_shared<TCVTask>();
    task->Name = "Damaged";
    task->FileName = App->TasksDir + "General/Damaged.cvt";
    const std::string B = "\xB6";
    testing::WriteBytes(task->GetQueueFileName(), "http://e.com/a\r\nx" + B + B + "HTML" + B + B + "0" + B + B + B +
                                                      "1" + B + B + "0" + B + B + "\r\n");
    task->OpenQueue();
    EXPECT_TRUE(task->IsComplete());
    auto item = task->GetQItem(0);
    item->State = isNone;
    item->Put();
    EXPECT_EQ(task->PendingCounts(), TCVPendingCounts::Scan(task->QueueLines()));
    EXPECT_EQ(Picked(task->NextPageToDownload()), "http://e.com/a");
}

}  // namespace
}  // namespace corvane
