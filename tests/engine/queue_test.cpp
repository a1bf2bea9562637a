#include <gtest/gtest.h>

#include <vector>

#include "engine/parse/file_types.h"
#include "engine/queue/queue_item.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "platform/rtl/headless_main_loop.h"
#include "platform/rtl/log.h"
#include "task_fixture.h"

namespace corvane {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

const std::string B = "\xB6";  // the field separator

class Queue : public testing::FreshHome {
protected:
    void SetUp() override {
        FreshHome::SetUp();
        RegWriteValue(kFileTypesKey, "HTML", std::string(".htm;.html;"));
        RegWriteValue(kFileTypesKey, "Images", std::string(".gif;.jpg;"));
        task_ = NewTask("Site");
    }

    std::shared_ptr<TCVTask> NewTask(const std::string& name) {
        auto task = std::make_shared<TCVTask>();
        task->Name = name;
        task->FileName = App->TasksDir + "General/" + name + ".cvt";
        task->URL = "http://example.com/";
        return task;
    }

    // Adds an item the way the parse worker does, then writes its state back.
    void Add(const std::string& url, const std::string& type, TCVItemState state, TCVItemMark mark,
             std::int64_t size = 0) {
        TCVQItem item(task_.get());
        item.URL = url;
        item.Type = type;
        item.Mark = mark;
        task_->AddQItem(item);
        item.State = state;
        item.Size = size;
        item.Put();
    }

    static std::string URLOf(const std::unique_ptr<TCVQItem>& item) { return item ? item->URL : "<none>"; }

    std::shared_ptr<TCVTask> task_;
};

TEST_F(Queue, FileBytesAreExact) {
    task_->SaveQueue();
    EXPECT_EQ(ReadBytes(task_->GetQueueFileName()), "");  // an empty queue is an empty file

    task_->Restart();
    ASSERT_TRUE(task_->SaveQueue());
    EXPECT_EQ(ReadBytes(task_->GetQueueFileName()),
              "http://example.com/\r\n0" + B + B + "HTML" + B + B + "0" + B + B + B + "1" + B + B + "0" + B + B +
                  "\r\n");
    EXPECT_FALSE(task_->QueueDirty());
    // SaveQueue also wrote the task file beside it.
    EXPECT_TRUE(std::filesystem::exists(task_->FileName));
}

TEST_F(Queue, FileIsNamedAfterTheTaskFile) {
    EXPECT_EQ(task_->GetQueueFileName(), App->TasksDir + "General/Site.dwn");
    auto other = NewTask("Site");
    other->FileName = App->TasksDir + "Other/Site.cvt";  // same name, another task file
    EXPECT_NE(other->GetQueueFileName(), task_->GetQueueFileName());
    other->FileName = "/t/v1.2/plain";
    EXPECT_EQ(other->GetQueueFileName(), "/t/v1.2/plain.dwn");
}

TEST_F(Queue, HostileFieldsRoundTrip) {
    TCVQItem hostile(task_.get());
    hostile.URL = "http://example.com/evil.htm";
    hostile.Type = "HTML";
    hostile.Title = "Grüße aus Köln \xB6 fake" + B + "fields\r\nhttp://injected/\r\n";
    hostile.Referrer = "http://example.com/\x01start";
    hostile.LastModified = "\x01%41 Tue,\n 01 Jan";
    hostile.StatusText = "200 OK\r\n";
    hostile.Frame = "Y";
    hostile.Size = 6'000'000'000;  // 64-bit sizes
    hostile.Level = 3;
    task_->AddQItem(hostile);
    hostile.Put();
    Add("http://example.com/next.gif", "Images", isNone, mkFetch);
    ASSERT_TRUE(task_->SaveQueue());

    // Two pairs, so nothing shifted a line.
    const std::string bytes = ReadBytes(task_->GetQueueFileName());
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 4);

    auto loaded = NewTask("Site");
    loaded->OpenQueue();
    ASSERT_EQ(loaded->QueueLineCount(), 4);
    auto item = loaded->GetQItem(0);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Title, hostile.Title);
    EXPECT_EQ(item->Referrer, hostile.Referrer);
    EXPECT_EQ(item->LastModified, hostile.LastModified);
    EXPECT_EQ(item->StatusText, "200 OK");  // cleaned: the dispatcher compares it exactly
    EXPECT_EQ(item->Frame, "Y");
    EXPECT_EQ(item->Size, 6'000'000'000);
    EXPECT_EQ(item->Level, 3);
    EXPECT_EQ(URLOf(loaded->NextPageToDownload()), "http://example.com/evil.htm");
    EXPECT_EQ(URLOf(loaded->NextResourceToDownload()), "http://example.com/next.gif");

    // Ordinary text, UTF-8 without the separator byte included, is written as it stands.
    EXPECT_EQ(EncodeRecordField("Grüße"), "Grüße");
    EXPECT_EQ(DecodeRecordField(EncodeRecordField("100%\x01")), "100%\x01");
    EXPECT_EQ(DecodeRecordField(EncodeRecordField("\x01")), "\x01");
}

TEST(QueueRecord, AnyFieldSurvivesTheRecord) {
    // Fields drawn from the bytes that matter: separators, line breaks, the escape byte, "%",
    // UTF-8 lead and trail bytes.
    const std::string alphabet = std::string("\xB6\r\n\x01%AZ az\xC3\xB6\x00", 13);
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1103515245 + 12345, (seed >> 16) & 0x7FFF; };
    for (int round = 0; round < 3000; ++round) {
        TCVQItem item;
        std::string fields[5];
        for (auto& field : fields)
            for (std::uint32_t n = next() % 8; n > 0; --n) field += alphabet[next() % alphabet.size()];
        item.Type = fields[0];
        item.Referrer = fields[1];
        item.LastModified = fields[2];
        item.Title = fields[3];
        item.Frame = fields[4];
        const std::string record = item.EncodeRecord();
        ASSERT_EQ(record.find_first_of("\r\n"), std::string::npos);
        ASSERT_EQ(std::count(record.begin(), record.end(), '\xB6'), kRecordFields);
        TCVQItem back;
        ASSERT_TRUE(back.DecodeRecord(record));
        ASSERT_EQ(back.Type, item.Type);
        ASSERT_EQ(back.Referrer, item.Referrer);
        ASSERT_EQ(back.LastModified, item.LastModified);
        ASSERT_EQ(back.Title, item.Title);
        ASSERT_EQ(back.Frame, item.Frame);
    }
}

TEST_F(Queue, SetStateFiresProgressOutsideTheLock) {
    Add("http://e.com/a.htm", "HTML", isError, mkFetch);
    int fired = 0;
    task_->SetOnProgress([&](const std::string& message, int position, int maximum) {
        EXPECT_EQ(message, "");
        EXPECT_EQ(position, 0);
        EXPECT_EQ(maximum, 0);
        EXPECT_EQ(task_->QueueLineCount(), 2);  // would deadlock under the lock
        ++fired;
    });
    task_->GetQItem(0)->SetState(isNone);
    EXPECT_EQ(fired, 1);
}

TEST_F(Queue, EmptyFieldsAndDamagedRecords) {
    WriteBytes(task_->GetQueueFileName(),
               "http://e.com/a.htm\r\n0" + B + B + "HTML" + B + B + "0" + B + B + B + B + B + B + "\r\n" +
                   "http://e.com/c.htm\r\n0" + B + B + "HTML" + B + B + "x" + B + B + B + B + B + B + "\r\n" +
                   "http://e.com/b.htm\r\nzero" + B + B + "HTML" + B + B + "0" + B + B + B + "1" + B + B + "0" + B +
                   B + "\r\n");
    int warnings = 0;
    const LogSink previous = SetLogSink([&](const std::string&) { ++warnings; });
    task_->OpenQueue();
    auto a = task_->GetQItem(0);
    EXPECT_EQ(a->Mark, mkFetch);  // an empty mark reads as 1
    EXPECT_EQ(a->Size, 0);
    EXPECT_EQ(task_->GetQItem(2)->State, isError);  // a level that is no number
    EXPECT_EQ(task_->GetQItem(4)->State, isError);  // not thrown: read as an error
    EXPECT_EQ(URLOf(task_->NextPageToDownload()), "http://e.com/a.htm");
    EXPECT_EQ(task_->Counters().PageErrors, 2);
    EXPECT_EQ(warnings, 1);  // reported once, not once per look
    SetLogSink(previous);

    EXPECT_EQ(ItemStateText(11), "Zipped");
    EXPECT_EQ(ItemStateText(12), "Unknown");
    EXPECT_EQ(ItemStateText(5), "Saved");
}

TEST_F(Queue, OrphanURLLineIsDroppedButKnown) {
    WriteBytes(task_->GetQueueFileName(),
               "http://e.com/a.htm\r\n0" + B + B + "HTML" + B + B + "0" + B + B + B + "1" + B + B + "0" + B + B +
                   "\r\nhttp://e.com/orphan.htm\r\n");
    task_->OpenQueue();
    EXPECT_TRUE(task_->InURLSet("http://e.com/orphan.htm"));
    EXPECT_TRUE(task_->InURLSet("HTTP://E.COM/A.HTM"));
    EXPECT_EQ(task_->QueueLineCount(), 2);

    Add("http://e.com/b.gif", "Images", isNone, mkFetch);
    ASSERT_TRUE(task_->SaveQueue());
    auto reread = NewTask("Site");
    reread->OpenQueue();
    ASSERT_EQ(reread->QueueLineCount(), 4);
    EXPECT_EQ(reread->GetQItem(2)->URL, "http://e.com/b.gif");
    EXPECT_EQ(reread->GetQItem(2)->Type, "Images");
}

TEST_F(Queue, OpenQueueResetsTransfersOnlyWhenLoadingTheFile) {
    Add("http://e.com/a.htm", "HTML", isDownloading, mkFetch);
    Add("http://e.com/b.gif", "Images", isUpdating, mkUpdate);
    Add("http://e.com/c.gif", "Images", isSaved, mkFetch);
    ASSERT_TRUE(task_->SaveQueue());

    // The live queue of a running task is left as it is.
    task_->OpenQueue();
    EXPECT_EQ(task_->GetQItem(0)->State, isDownloading);

    auto loaded = NewTask("Site");
    loaded->OpenQueue();
    EXPECT_EQ(loaded->GetQItem(0)->State, isNone);
    EXPECT_EQ(loaded->GetQItem(2)->State, isNone);
    EXPECT_EQ(loaded->GetQItem(4)->State, isSaved);
    EXPECT_EQ(URLOf(loaded->NextPageToDownload()), "http://e.com/a.htm");
    EXPECT_TRUE(loaded->QueueDirty());
    // The item counters are recounted from the records.
    const TCVTaskCounters c = loaded->Counters();
    EXPECT_EQ(c.TotalPages, 1);
    EXPECT_EQ(c.TotalResources, 2);
    EXPECT_EQ(c.ResourcesSaved, 1);
}

TEST_F(Queue, OpenQueueReportsProgress) {
    for (int i = 0; i < 120; ++i) Add("http://e.com/" + std::to_string(i) + ".gif", "Images", isNone, mkFetch);
    std::vector<std::pair<int, int>> seen;
    task_->SetOnProgress([&](const std::string& message, int position, int maximum) {
        EXPECT_EQ(message, "Opening task....");
        EXPECT_GE(task_->URLSetCount(), 1);  // not fired under the lock
        seen.emplace_back(position, maximum);
    });
    // The main thread's calls keep running while a large queue opens.
    HeadlessMainLoop loop;
    bool served = false;
    loop.Post([&] { served = true; });
    task_->OpenQueue();
    EXPECT_TRUE(served);
    EXPECT_EQ(task_->URLSetCount(), 120);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 239}, {101, 239}, {201, 239}, {239, 239}}));
}

TEST_F(Queue, SavedOnTheEleventhDirtyCycle) {
    Add("http://e.com/a.htm", "HTML", isNone, mkFetch);
    for (int cycle = 1; cycle <= 10; ++cycle) {
        task_->QueueChanged();
        EXPECT_TRUE(task_->QueueDirty()) << cycle;
    }
    EXPECT_FALSE(std::filesystem::exists(task_->GetQueueFileName()));
    task_->QueueChanged();
    task_->FlushQueueWrites();  // the auto-save writes on the queue's writer thread
    EXPECT_FALSE(task_->QueueDirty());
    EXPECT_EQ(task_->ItemsSinceSave(), 0);
    EXPECT_TRUE(std::filesystem::exists(task_->GetQueueFileName()));
}

TEST_F(Queue, FailedSaveKeepsTheQueueDirty) {
    WriteBytes(home_ + "blocker", "a file where a folder should be");
    task_->FileName = home_ + "blocker/Site.cvt";
    Add("http://e.com/a.htm", "HTML", isNone, mkFetch);
    EXPECT_FALSE(task_->SaveQueue());  // reported, not thrown
    EXPECT_TRUE(task_->QueueDirty());
    EXPECT_FALSE(task_->LastQueueError().empty());
}

TEST_F(Queue, SaveReplacesTheFileWhole) {
    Add("http://e.com/a.htm", "HTML", isNone, mkFetch);
    ASSERT_TRUE(task_->SaveQueue());
    const std::string folder = App->TasksDir + "General";
    const auto before = std::distance(std::filesystem::directory_iterator(folder), {});
    Add("http://e.com/b.htm", "HTML", isNone, mkFetch);
    ASSERT_TRUE(task_->SaveQueue());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), before);  // no temporary left
}

TEST_F(Queue, CompleteWhenNothingIsLeftToDo) {
    EXPECT_TRUE(task_->IsComplete());
    // A map-only capture: the pages are parsed, the resources under them are never fetched.
    Add("http://e.com/", "HTML", isParsed, mkMap);
    Add("http://e.com/a.gif", "Images", isNone, mkMap);
    Add("http://e.com/b.gif", "Images", isNone, mkSkip);
    EXPECT_TRUE(task_->IsComplete());

    Add("http://e.com/p.htm", "HTML", isSaved, mkMap);  // waits for the parser
    EXPECT_FALSE(task_->IsComplete());
    auto p = task_->NextPageToParse();
    p->State = isParsed;
    p->Put();
    EXPECT_TRUE(task_->IsComplete());

    Add("http://e.com/c.gif", "Images", isDownloading, mkFetch);  // in transfer
    EXPECT_FALSE(task_->IsComplete());
}

}  // namespace
}  // namespace corvane
