// The queue's pending counts and selector hints against a full scan of the records.

#include <gtest/gtest.h>

#include <random>

#include "engine/queue/pending_counts.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
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
            task->OpenQueue();  // loaded: counted afresh
        } else {
            task->Reset();
        }

        const auto lines = task->QueueLines();
        const TCVPendingCounts scanned = TCVPendingCounts::Scan(lines);
        ASSERT_EQ(task->PendingCounts(), scanned) << "step " << step;
        ASSERT_EQ(task->IsComplete(), scanned.Empty()) << "step " << step;
        ASSERT_EQ(Picked(task->NextPageToDownload()), FirstByScan(lines, PendingKind::PageToDownload)) << step;
        ASSERT_EQ(Picked(task->NextResourceToDownload()), FirstByScan(lines, PendingKind::ResourceToDownload)) << step;
        ASSERT_EQ(Picked(task->NextPageToParse()), FirstByScan(lines, PendingKind::PageToParse)) << step;
    }
}

}  // namespace
}  // namespace corvane
