#include "engine/run/parse_worker.h"

#include <gtest/gtest.h>

#include <chrono>

#include "engine/model/task.h"
#include "platform/rtl/headless_main_loop.h"
#include "tests/engine/task_fixture.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;

class ParseWorker : public testing::FreshHome {
protected:
    void SetUp() override {
        FreshHome::SetUp();
        ASSERT_TRUE(store_->ImportFile(std::string(CORVANE_SOURCE_RESOURCES) + "/FTypes.reg").Ok);
        task_ = std::make_shared<TCVTask>();
        task_->Name = "site";
        task_->FileName = TaskFileName("General", "site");
        task_->URL = "http://site.com/";
        task_->IntranetMode = true;
        task_->Destination = home_ + "capture";
        task_->Profile.Depth = -1;
        task_->Profile.PageLocation = lcSite;
        task_->Profile.ResourceLocation = lcAnywhere;
        task_->Profile.AggressiveParser = 0;
        task_->Profile.ConvertFollowedLinks = 1;
        task_->Profile.ConvertUnfollowedLinks = 1;
        task_->Restart();
    }

    // The start page as if its transfer had just completed.
    std::string SaveStartPage(const std::string& html) {
        auto item = task_->GetQItem(0);
        const std::string file = item->GetLocalFileName();
        testing::WriteBytes(file, html);
        item->SetState(isSaved);
        task_->AddToCounter(TCVCounter::PagesSaved, 1);
        item->Put();
        return file;
    }

    HeadlessMainLoop loop_;
    std::shared_ptr<TCVTask> task_;
};

TEST_F(ParseWorker, ParsesTheSavedPageQueuesItsLinksAndMarksItParsed) {
    const std::string file = SaveStartPage(
        "<html><title>Home</title><a href=\"a.htm#s\">A</a><img src=\"img/p.gif\">"
        "<a href=\"http://other.com/\">o</a></html>");
    std::vector<std::string> statuses;
    TThreadParse parser(1ms);
    parser.SetStatusHandler([&](const std::string& s) { statuses.push_back(s); });
    parser.ParsePage(*task_, task_->NextPageToParse());

    EXPECT_EQ(task_->GetQItem(0)->State, isParsed);
    EXPECT_EQ(task_->GetQItem(0)->Title, "Home");
    EXPECT_EQ(task_->StartPageTitle, "Home");
    EXPECT_EQ(task_->GetQItem(2)->URL, "http://site.com/a.htm");
    EXPECT_EQ(task_->GetQItem(2)->Title, "A");
    EXPECT_EQ(task_->GetQItem(4)->URL, "http://site.com/img/p.gif");
    EXPECT_EQ(task_->QueueLineCount(), 6);
    EXPECT_EQ(task_->Counters().TotalPages, 2);
    EXPECT_EQ(task_->Counters().TotalResources, 1);
    const std::string saved = testing::ReadBytes(file);
    EXPECT_NE(saved.find("href=\"a.htm#s\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("href=\"http://other.com/\""), std::string::npos) << saved;
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(statuses.front(), "Loading Page: " + file);
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Parsing... Links: 2  New Links: 2"), statuses.end());
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Saving Changes: " + file), statuses.end());
    EXPECT_EQ(statuses.back(), "");
    EXPECT_EQ(task_->ZipQueueCount(), 0);  // Personal Intranet mode keeps nothing for the archive
}

TEST_F(ParseWorker, MissingFileTurnsThePageToErrorAndEmptyPagesEndParsed) {
    TThreadParse parser(1ms);
    SaveStartPage("");
    parser.ParsePage(*task_, task_->NextPageToParse());
    EXPECT_EQ(task_->GetQItem(0)->State, isParsed);
    EXPECT_EQ(task_->NextPageToParse(), nullptr);

    auto item = task_->GetQItem(0);
    item->SetState(isSaved);
    item->Put();
    std::filesystem::remove(item->GetLocalFileName());
    parser.ParsePage(*task_, task_->NextPageToParse());
    EXPECT_EQ(task_->GetQItem(0)->State, isError);
    EXPECT_EQ(task_->Counters().PageErrors, 1);
    EXPECT_EQ(task_->Counters().PagesSaved, 0);
}

TEST_F(ParseWorker, ZipModeHandsTheParsedPageToTheArchiveList) {
    task_->IntranetMode = false;
    const std::string file = SaveStartPage("<a href=\"b.htm\">b</a>");
    TThreadParse parser(1ms);
    parser.ParsePage(*task_, task_->NextPageToParse());
    EXPECT_EQ(task_->ZipQueueFiles(), std::vector<std::string>{file});
}

TEST_F(ParseWorker, TheThreadParsesEveryWaitingPageAndParksWhenStopped) {
    SaveStartPage("<a href=\"one.htm\">1</a><a href=\"two.htm\">2</a>");
    auto parser = std::make_unique<TThreadParse>(1ms);
    parser->SetTask(task_);
    parser->Resume();
    ASSERT_TRUE(loop_.RunUntil([&] { return task_->GetQItem(0)->State == isParsed; }, 10s));
    // Saved pages found later are parsed too.
    for (int index : {2, 4}) {
        auto item = task_->GetQItem(index);
        testing::WriteBytes(item->GetLocalFileName(), "<p>leaf</p>");
        item->SetState(isSaved);
        item->Put();
    }
    ASSERT_TRUE(loop_.RunUntil([&] { return task_->NextPageToParse() == nullptr; }, 10s));
    parser->SetStop(true);
    ASSERT_TRUE(loop_.RunUntil([&] { return parser->Suspended(); }, 10s));
    parser->Terminate();
    parser->WaitFor();
    EXPECT_TRUE(parser->FatalError().empty());
}

}  // namespace
}  // namespace corvane
