#pragma once
// A fresh home with App, a headless main loop on the test thread, and tasks that capture from the
// loopback server into a folder of that home.

#include <chrono>
#include <memory>
#include <string>

#include "engine/run/engine_timing.h"
#include "engine/queue/queue_item.h"
#include "engine/model/task.h"
#include "engine/run/task_runner.h"
#include "platform/rtl/headless_main_loop.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/test_certificates.h"

namespace corvane::testing {

class CaptureFixture : public FreshHome {
protected:
    void SetUp() override {
        FreshHome::SetUp();
        // The shipped file types, so ".htm" is a page.
        ASSERT_TRUE(store_->ImportFile(std::string(CORVANE_SOURCE_RESOURCES) + "/FTypes.reg").Ok);
        loop_ = std::make_unique<HeadlessMainLoop>();
        test::TrustTestAuthority();
        timing_ = EngineTiming::Shortened();
    }
    void TearDown() override {
        loop_.reset();
        FreshHome::TearDown();
    }

    // A Personal Intranet task (or a zip-mode one) whose files go to <home>/site/.
    std::shared_ptr<TCVTask> MakeTask(const std::string& url, bool intranet = true, const std::string& name = "t") {
        auto task = std::make_shared<TCVTask>();
        task->Name = name;
        task->FileName = home_ + "Tasks/" + name + ".cvt";
        task->URL = url;
        task->IntranetMode = intranet;
        task->Destination = home_ + "site/";
        return task;
    }

    // Queues a link and returns its item as the selectors would.
    std::unique_ptr<TCVQItem> Queue(TCVTask& task, const std::string& url, const std::string& type = "HTML",
                                   TCVItemMark mark = mkFetch) {
        TCVQItem item(&task);
        item.URL = url;
        item.Type = type;
        item.Mark = mark;
        task.AddQItem(item);
        return task.GetQItem(task.QueueLineCount() - 2);
    }

    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        return loop_->RunUntil(done, timeout);
    }

    std::unique_ptr<HeadlessMainLoop> loop_;
    EngineTiming timing_;
};

// A capture fixture with a task runner whose threads run (no schedule thread), on the given hooks.
template <class Hooks>
class RunnerFixture : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        App->SetConnections(3);
        runner_ = std::make_unique<TaskRunner>(*loop_, timing_, hooks_);
        runner_->Start(false);
    }
    void TearDown() override {
        runner_.reset();
        CaptureFixture::TearDown();
    }

    // A scheduled Personal Intranet task that follows every link of its site.
    std::shared_ptr<TCVTask> SiteTask(const std::string& url) {
        auto task = MakeTask(url);
        task->Profile.Depth = -1;
        task->Profile.PageLocation = lcSite;
        task->Profile.ConvertFollowedLinks = 1;
        task->Status = tsScheduled;
        task->Save();
        return task;
    }

    Hooks hooks_;
    std::unique_ptr<TaskRunner> runner_;
};

}  // namespace corvane::testing
