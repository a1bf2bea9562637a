// Hostile sites against a whole capture: redirects off the site, and pages whose links only make
// sense from where a redirect took them.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/support/file_routines.h"
#include "engine/parse/mirror_naming.h"
#include "engine/parse/url_model.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

using test::LoopbackServer;
using test::ScriptedResponse;

class HostileTransferCapture : public RunnerFixture<TRunControlHooks> {
protected:
    std::shared_ptr<TCVTask> SiteTask(const std::string& url, TCVLocation pages, TCVLocation resources,
                                      const std::string& name = "t") {
        auto task = RunnerFixture::SiteTask(url);
        task->Name = name;
        task->FileName = home_ + "Tasks/" + name + ".cvt";
        task->Profile.PageLocation = pages;
        task->Profile.ResourceLocation = resources;
        return task;
    }
    bool Run(const std::shared_ptr<TCVTask>& task) {
        return runner_->StartTask(task) && RunUntil([&] { return task->Status == tsTaskComplete; });
    }
    std::unique_ptr<TCVQItem> Item(TCVTask& task, const std::string& url) {
        for (int line = 0; line < task.QueueLineCount(); line += 2)
            if (auto item = task.GetQItem(line); item && item->URL == url) return item;
        return nullptr;
    }
    std::string Local(const std::string& url) const { return GetLocalFileName(home_ + "site/", URLBaseDir(url), url); }
};

TEST_F(HostileTransferCapture, ARedirectToAnotherPortIsRefusedUnlessTheRulesAllowAnywhere) {
    LoopbackServer site;
    LoopbackServer other;
    other.Serve("/private.htm", ScriptedResponse::Text("<p>private</p>", "text/html"));
    other.Serve("/private.gif", ScriptedResponse::Text("GIF89a", "image/gif"));
    site.Serve("/index.htm", ScriptedResponse::Text("<a href=\"page.htm\">p</a><img src=\"logo.gif\">", "text/html"));
    site.Redirect("/page.htm", "//127.0.0.1:" + std::to_string(other.Port()) + "/private.htm");
    site.Redirect("/logo.gif", other.Url("/private.gif"));

    auto task = SiteTask(site.Url("/index.htm"), lcSite, lcSite);
    ASSERT_TRUE(Run(task));
    EXPECT_EQ(other.RequestCount(), 0u);
    for (const char* path : {"/page.htm", "/logo.gif"}) {
        SCOPED_TRACE(path);
        auto item = Item(*task, site.Url(path));
        ASSERT_TRUE(item);
        EXPECT_EQ(item->State, isError);
        EXPECT_NE(item->StatusText.find("Redirect refused"), std::string::npos);
        EXPECT_NE(item->StatusText.find(other.Origin()), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(Local(site.Url(path))));
    }
    EXPECT_EQ(task->Counters().PageErrors, 1);
    EXPECT_EQ(task->Counters().ResourceErrors, 1);

    // Pages anywhere: the page is followed and kept under its queued name; the image still is not.
    auto anywhere = SiteTask(site.Url("/index.htm"), lcAnywhere, lcSite, "anywhere");
    ASSERT_TRUE(Run(anywhere));
    EXPECT_NE(LoadTextFile(Local(site.Url("/page.htm"))).find("<p>private</p>"), std::string::npos);
    EXPECT_EQ(Item(*anywhere, site.Url("/logo.gif"))->State, isError);
    EXPECT_EQ(other.RequestCount(), 1u);
}

TEST_F(HostileTransferCapture, ARedirectedPageResolvesItsLinksFromTheFinalURLAlsoAfterAResume) {
    LoopbackServer site;
    site.Redirect("/start.htm", "/deep/page.htm");
    site.Serve("/deep/page.htm", ScriptedResponse::Text("<a href=\"child.htm\">c</a>", "text/html"));
    site.Serve("/deep/child.htm", ScriptedResponse::Text("<p>child</p>", "text/html"));

    auto task = SiteTask(site.Url("/start.htm"), lcSite, lcSite);
    ASSERT_TRUE(Run(task));
    auto start = Item(*task, site.Url("/start.htm"));
    ASSERT_TRUE(start);
    EXPECT_EQ(start->FinalURL, site.Url("/deep/page.htm"));
    EXPECT_TRUE(Item(*task, site.Url("/deep/child.htm")));
    EXPECT_FALSE(Item(*task, site.Url("/child.htm")));
    // Stored under its queued name, its link rewritten from there.
    const std::string saved = LoadTextFile(Local(site.Url("/start.htm")));
    EXPECT_NE(saved.find(RelativeURL(site.Url("/deep/child.htm"), URLBaseDir(site.Url("/start.htm")))),
              std::string::npos)
        << saved;

    // A run stopped after the page was saved but before it was parsed: the resumed parse reads the
    // final URL back from the queue record.
    auto resumed = SiteTask(site.Url("/start.htm"), lcSite, lcSite, "resumed");
    {
        auto page = Queue(*resumed, site.Url("/start.htm"));
        page->FinalURL = site.Url("/deep/page.htm");
        page->State = isSaved;
        page->Put();
        SaveTextFile(page->GetLocalFileName(), "<a href=\"child.htm\">c</a>");
    }
    resumed->SaveQueue();
    resumed->RunMethod = rmResume;
    site.ClearRequests();
    ASSERT_TRUE(Run(resumed));
    ASSERT_EQ(site.RequestCount(), 1u);
    EXPECT_EQ(site.LastRequest().target, "/deep/child.htm");
}

}  // namespace
}  // namespace corvane::testing
