// A capture seen through the main window's views: stopped, then resumed by a task object loaded
// afresh from its file (as after a restart of the program), against the generated site on the
// loopback server. The chart plots the resumed run and the explorer's rows end with the final states.

#include <gtest/gtest.h>

#include <QLineSeries>
#include <QTest>
#include <algorithm>
#include <map>
#include <utility>

#include "app/explore_model.h"
#include "app/form_explore.h"
#include "app/form_status.h"
#include "app/status_chart.h"
#include "engine/model/profile.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/run/task_runner.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/loopback_server.h"
#include "tests/support/screenshot.h"
#include "tests/support/test_site.h"
#include "widgets/ext_list_view.h"
#include "widgets/hyper_label.h"

namespace corvane::testing {
namespace {

constexpr int kWait = 60000;  // ms; generous, for loaded machines

class WindowFaultsRun : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        site_ = test::ServeTestSite(server_, {});
        ASSERT_FALSE(site_.DeepestPage.empty());
    }
    void TearDown() override {
        server_.Release(site_.DeepestPage);
        MainWindowFixture::TearDown();
    }

    std::shared_ptr<TCVTask> MakeTask() {
        auto task = std::make_shared<TCVTask>();
        task->Name = "site";
        task->FileName = TaskFileName("", "site");
        task->URL = site_.StartURL;
        task->IntranetMode = true;
        task->Destination = home_ + "site/";
        task->Profile.LoadDefaults();
        task->Profile.Depth = -1;
        task->Profile.PageLocation = lcSite;
        task->Profile.ResourceLocation = lcSite;
        task->Save();
        return task;
    }

    // Runs the task with its deepest page held until held() holds, then lets it end.
    void RunHeld(TFormCorvane& form, const std::shared_ptr<TCVTask>& task, const std::function<void()>& held) {
        server_.Hold(site_.DeepestPage);
        ASSERT_TRUE(form.Runner()->StartTask(task));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server_.Held(site_.DeepestPage) == 1; }, kWait));
        held();
        server_.Release(site_.DeepestPage);
    }

    test::LoopbackServer server_;
    test::TestSite site_;
};

TEST_F(WindowFaultsRun, AResumedRunPlotsItsChartAndTheExplorerEndsWithTheFinalStates) {
    App->ShowSummary = false;  // no report window over the views
    TFormCorvane& form = Start();
    TFormStatus* status = form.Views().FormStatus;
    ASSERT_NE(status, nullptr);

    // The first run, stopped while the deepest page is held.
    auto first = MakeTask();
    ASSERT_NO_FATAL_FAILURE(RunHeld(form, first, [&] { form.Runner()->StopTask(first); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Runner()->Busy() && first->Status == tsDownloadStopped; }, kWait));

    // Resumed from the file, as after a restart, with the explorer open while the page is held.
    auto resumed = LoadTask(first->FileName);
    resumed->RunMethod = rmResume;
    std::map<std::pair<int, int>, QString> painted;  // (row, column): the text last drawn
    TFormExplore* explore = nullptr;
    TExtListView* list = nullptr;
    decltype(TExtListView::OnVMGetItemInfo) draw;
    ASSERT_NO_FATAL_FAILURE(RunHeld(form, resumed, [&] {
        QTest::mouseClick(form.lblExplore, Qt::LeftButton);
        explore = form.Views().FormExplore;
        ASSERT_NE(explore, nullptr);
        list = explore->lvExplore;
        draw = list->OnVMGetItemInfo;
        list->OnVMGetItemInfo = [&](TExtListView* view, int item, int sub_item, unsigned asked, int& image, int& indent,
                                    QString& text) {
            draw(view, item, sub_item, asked, image, indent, text);
            painted[{item, sub_item + 1}] = text;
        };
        // The held page's row in view, drawn as in transfer.
        int held_row = -1;
        QAbstractItemModel* rows = list->model();
        for (int row = 0; row < rows->rowCount() && held_row < 0; ++row)
            if (rows->index(row, ecURL).data().toString().toStdString() == server_.Url(site_.DeepestPage)) held_row = row;
        ASSERT_GE(held_row, 0);
        list->scrollTo(rows->index(held_row, ecStatus));
        EXPECT_TRUE(QTest::qWaitFor([&] { return painted[{held_row, ecStatus}] == QStringLiteral("Downloading"); }, kWait))
            << painted[{held_row, ecStatus}].toStdString();
        // The chart plots while the resumed run goes on.
        EXPECT_TRUE(QTest::qWaitFor([&] { return status->chartStats->TransferRate()->count() > 0; }, 15000))
            << "the chart stays empty after a resume";
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Runner()->Busy() && resumed->Status == tsTaskComplete; }, kWait))
        << resumed->Status;

    // Every cell drawn last shows what the queue holds now, once the window has drawn what it still had to.
    ASSERT_FALSE(painted.empty());
    const auto now = [&](std::pair<int, int> cell) {
        QString text;
        int image = 0, indent = 0;
        draw(list, cell.first, cell.second - 1, vmText, image, indent, text);
        return text;
    };
    const auto stale = [&] {
        return std::count_if(painted.begin(), painted.end(), [&](const auto& drawn) { return now(drawn.first) != drawn.second; });
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return stale() == 0; }, kWait));
    for (const auto& [cell, text] : painted)
        EXPECT_EQ(text, now(cell)) << "row " << cell.first << " column " << cell.second;
    EXPECT_GT(status->chartStats->TransferRate()->count(), 0);
    SaveScreenshot(*explore, QStringLiteral("-after-run"));
    SaveScreenshot(*status, QStringLiteral("-after-resume"));
    list->OnVMGetItemInfo = draw;
}

}  // namespace
}  // namespace corvane::testing
