#include <gtest/gtest.h>

#include "engine/parse/file_types.h"
#include "engine/queue/queue_item.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "task_fixture.h"

namespace corvane {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

const std::string B = "\xB6";

std::string Record(int state, const std::string& type, int mark, std::int64_t size = 0) {
    return std::to_string(state) + B + B + type + B + B + "1" + B + B + B + std::to_string(mark) + B + B +
           std::to_string(size) + B + B;
}

class RunPrep : public testing::FreshHome {
protected:
    void SetUp() override {
        FreshHome::SetUp();
        RegWriteValue(kFileTypesKey, "HTML", std::string(".htm;.html;"));
        RegWriteValue(kFileTypesKey, "Images", std::string(".gif;.jpg;"));
        task_ = Fresh();
    }
    std::shared_ptr<TCVTask> Fresh() {
        auto task = std::make_shared<TCVTask>();
        task->Name = "Site";
        task->FileName = App->TasksDir + "General/Site.cvt";
        task->URL = "http://example.com/";
        return task;
    }
    void WriteQueue(const std::string& lines) { WriteBytes(task_->GetQueueFileName(), lines); }

    std::shared_ptr<TCVTask> task_;
};

TEST_F(RunPrep, RestartQueuesTheStartURL) {
    task_->RunMethod = rmRestart;
    task_->PrepareRun();
    ASSERT_EQ(task_->QueueLineCount(), 2);
    auto start = task_->GetQItem(0);
    EXPECT_EQ(start->URL, "http://example.com/");
    EXPECT_EQ(start->Type, "HTML");
    EXPECT_EQ(start->Mark, mkFetch);
    EXPECT_EQ(start->Level, 0);
    EXPECT_TRUE(task_->InURLSet("http://example.com/"));
    EXPECT_EQ(task_->Counters().TotalPages, 1);
    EXPECT_GT(task_->LastRun, 0);
    EXPECT_EQ(task_->StartTime, task_->LastRun);

    // The chart series are made once and kept by later restarts.
    auto chart = task_->Chart();
    ASSERT_TRUE(chart);
    task_->PrepareRun();
    EXPECT_EQ(task_->Chart(), chart);
    EXPECT_EQ(task_->QueueLineCount(), 2);  // the restart emptied the queue first
}

TEST_F(RunPrep, MapMarksTheStartItemOnce) {
    task_->RunMethod = rmMap;
    task_->PrepareRun();
    EXPECT_EQ(task_->GetQItem(0)->Mark, mkMap);
    EXPECT_EQ(task_->RunMethod, rmRestart);
    task_->PrepareRun();
    EXPECT_EQ(task_->GetQItem(0)->Mark, mkFetch);
}

TEST_F(RunPrep, ResumeFetchesItemsLeftInTransfer) {
    WriteQueue("http://example.com/\r\n" + Record(isParsed, "HTML", 1, 100) + "\r\n" +
               "http://example.com/a.htm\r\n" + Record(isDownloading, "HTML", 1) + "\r\n" +
               "http://example.com/b.gif\r\n" + Record(isUpdating, "Images", 3) + "\r\n");
    task_->Elapsed = 0.5;
    task_->IntranetMode = true;
    task_->Destination = home_ + "site";
    task_->RunMethod = rmResume;
    task_->PrepareRun();
    EXPECT_NEAR(task_->StartTime, task_->LastRun - 0.5, 1e-9);
    auto page = task_->NextPageToDownload();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->URL, "http://example.com/a.htm");
    auto resource = task_->NextResourceToDownload();
    ASSERT_TRUE(resource);
    EXPECT_EQ(resource->URL, "http://example.com/b.gif");
    EXPECT_EQ(task_->Counters().PagesSaved, 1);
}

TEST_F(RunPrep, ResumeWithoutAQueueRestarts) {
    for (TCVRunMethod method : {rmResume, rmSmartUpdate, rmSmartRecovery}) {
        auto task = Fresh();
        task->RunMethod = method;
        task->PrepareRun();
        ASSERT_EQ(task->QueueLineCount(), 2) << int(method);
        EXPECT_EQ(task->GetQItem(0)->URL, "http://example.com/");
        EXPECT_FALSE(task->IsComplete());
    }
}

TEST_F(RunPrep, SmartRecoveryRequeuesErrorsToTheLast) {
    WriteQueue("http://example.com/\r\n" + Record(isParsed, "HTML", 1, 10) + "\r\n" +
               "http://example.com/x.gif\r\n" + Record(isError, "Images", 1, 99) + "\r\n" +
               "http://example.com/y.htm\r\n" + Record(isError, "HTML", 1) + "\r\n");
    task_->IntranetMode = true;
    task_->Destination = home_ + "site";
    task_->RunMethod = rmSmartRecovery;
    task_->PrepareRun();
    auto x = task_->GetQItem(2);
    auto y = task_->GetQItem(4);
    EXPECT_EQ(x->State, isNone);
    EXPECT_EQ(x->Size, 0);
    EXPECT_EQ(y->State, isNone);
    EXPECT_EQ(task_->Counters().PageErrors, 0);
    EXPECT_EQ(task_->Counters().ResourceErrors, 0);
    EXPECT_FALSE(task_->QueueDirty());  // saved
    EXPECT_NE(ReadBytes(task_->GetQueueFileName()).find("http://example.com/y.htm\r\n0" + B), std::string::npos);
}

TEST_F(RunPrep, SmartUpdateRequeuesSavedItems) {
    WriteQueue("http://example.com/\r\n" + Record(isParsed, "HTML", 1, 10) + "\r\n" +
               "http://example.com/x.gif\r\n" + Record(isSaved, "Images", 1, 90) + "\r\n" +
               "http://example.com/e.gif\r\n" + Record(isError, "Images", 1) + "\r\n");
    task_->IntranetMode = true;
    task_->Destination = home_ + "site";
    task_->SetCounters({.TotalBytes = 100});
    task_->RunMethod = rmSmartUpdate;
    task_->PrepareRun();
    for (int index : {0, 2}) {
        auto item = task_->GetQItem(index);
        EXPECT_EQ(item->State, isNone);
        EXPECT_EQ(item->Mark, mkUpdate);
    }
    EXPECT_EQ(task_->GetQItem(4)->State, isError);
    EXPECT_EQ(task_->Counters().PagesSaved, 0);
    EXPECT_EQ(task_->Counters().ResourcesSaved, 0);
    EXPECT_EQ(task_->Counters().TotalBytes, 0);
}

TEST_F(RunPrep, SmartUpdateOfUntouchedItemsStillSaves) {
    const std::string lines = "http://example.com/\r\n" + Record(isNone, "HTML", 1) + "\r\n";
    WriteQueue(lines);
    task_->IntranetMode = true;
    task_->Destination = home_ + "site";
    task_->RunMethod = rmSmartUpdate;
    task_->PrepareRun();
    EXPECT_EQ(task_->GetQItem(0)->Mark, mkFetch);
    EXPECT_EQ(ReadBytes(task_->GetQueueFileName()), lines);
    EXPECT_TRUE(std::filesystem::exists(task_->FileName));  // the queue save wrote the task file too
}

TEST_F(RunPrep, ResetRunningItemsTouchesOnlyTheLines) {
    WriteQueue("http://example.com/\r\n" + Record(isSaved, "HTML", 1) + "\r\n");
    task_->IntranetMode = true;
    task_->Destination = home_ + "site";
    task_->RunMethod = rmResume;
    task_->PrepareRun();
    ASSERT_TRUE(task_->SaveQueue());
    TCVQItem a(task_.get());
    a.URL = "http://example.com/a.htm";
    a.Type = "HTML";
    task_->AddQItem(a);
    a.State = isDownloading;
    a.Put();
    TCVQItem b(task_.get());
    b.URL = "http://example.com/b.gif";
    b.Type = "Images";
    task_->AddQItem(b);
    b.State = isUpdating;
    b.Mark = mkUpdate;
    b.Put();
    ASSERT_TRUE(task_->SaveQueue());
    const std::string file = ReadBytes(task_->GetQueueFileName());
    const TCVTaskCounters counters = task_->Counters();

    task_->ResetRunningItems();
    EXPECT_EQ(task_->GetQItem(2)->State, isNone);
    EXPECT_EQ(task_->GetQItem(4)->State, isNone);
    EXPECT_EQ(task_->GetQItem(0)->State, isSaved);
    EXPECT_EQ(task_->Counters(), counters);
    EXPECT_EQ(ReadBytes(task_->GetQueueFileName()), file);
    EXPECT_TRUE(task_->QueueDirty());  // the stop saves it
    EXPECT_EQ(task_->NextPageToDownload()->URL, "http://example.com/a.htm");
}

TEST_F(RunPrep, ZipModeRecoversWhatWasNotZipped) {
    WriteQueue("http://example.com/\r\n" + Record(isParsed, "HTML", 1, 5) + "\r\n" +
               "http://example.com/kept.gif\r\n" + Record(isSaved, "Images", 1, 7) + "\r\n" +
               "http://example.com/lost.gif\r\n" + Record(isSaved, "Images", 1, 40) + "\r\n" +
               "http://example.com/zipped.gif\r\n" + Record(isZipped, "Images", 1, 3) + "\r\n" +
               "http://example.com/wait.htm\r\n" + Record(isSaved, "HTML", 1, 2) + "\r\n");
    task_->IntranetMode = false;
    task_->SetCounters({.TotalBytes = 57});
    task_->RunMethod = rmResume;
    // The files that survived in the capture folder.
    std::vector<std::string> survived;
    for (const char* url : {"http://example.com/", "http://example.com/kept.gif", "http://example.com/wait.htm"}) {
        TCVQItem probe(task_.get());
        probe.URL = url;
        survived.push_back(probe.GetLocalFileName());
        WriteBytes(survived.back(), "data");
    }
    task_->PrepareRun();

    const auto files = task_->ZipQueueFiles();
    EXPECT_EQ(files, (std::vector<std::string>{survived[0], survived[1]}));
    EXPECT_EQ(task_->GetQItem(4)->State, isNone);    // its file is gone: fetched again
    EXPECT_EQ(task_->GetQItem(6)->State, isZipped);  // already in the archive
    EXPECT_EQ(task_->GetQItem(8)->State, isSaved);   // waits for the parser
    EXPECT_EQ(task_->Counters().ResourcesSaved, 2);
    EXPECT_EQ(task_->Counters().TotalBytes, 17);
    EXPECT_EQ(task_->NextResourceToDownload()->URL, "http://example.com/lost.gif");

    // A second start does not queue the same file twice.
    task_->PrepareRun();
    EXPECT_EQ(task_->ZipQueueCount(), 2);
}

}  // namespace
}  // namespace corvane
