// The status view: the status line and its gauge, the counters of the bound task, progress events
// from worker threads, the chart, and Stop on a capture from the loopback server.

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QLineSeries>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

#include "app/chart_decimation.h"
#include "app/form_status.h"
#include "app/gauge.h"
#include "app/status_chart.h"
#include "engine/run/engine_host.h"
#include "engine/support/system_info.h"
#include "engine/model/task.h"
#include "engine/run/task_runner.h"
#include "localisation/app_language.h"
#include "platform/qt/qt_main_loop.h"
#include "tasks/run_task_dialog.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"
#include "tests/support/loopback_server.h"
#include "tests/support/recording_app_host.h"
#include "tests/support/screenshot.h"
#include "widgets/transparent_button.h"

namespace corvane::testing {
namespace {

QString Message(int id) { return QString::fromStdString(AppLanguage().GetLangStr(static_cast<std::uint16_t>(id))); }

constexpr double kSecond = 1.0 / 86400.0;

TEST(Gauge, MaximumZeroDrawsAnEmptyBar) {
    GuiApp();
    TGauge gauge;
    gauge.resize(100, 10);
    gauge.SetShowText(false);
    gauge.SetForeColor(Qt::cyan);
    gauge.SetBackColor(Qt::black);
    int signalled = -1;
    QObject::connect(&gauge, &TGauge::progressChanged, [&](int value) { signalled = value; });
    gauge.SetMaxValue(0);
    gauge.SetProgress(3);
    EXPECT_EQ(signalled, 3);
    EXPECT_EQ(gauge.PercentDone(), 0);
    const QImage empty = gauge.grab().toImage();
    EXPECT_EQ(QColor(empty.pixel(2, 5)), QColor(Qt::black));
    gauge.SetMaxValue(4);
    const QImage filled = gauge.grab().toImage();
    EXPECT_EQ(QColor(filled.pixel(70, 5)), QColor(Qt::cyan));
    EXPECT_EQ(QColor(filled.pixel(80, 5)), QColor(Qt::black));
    gauge.SetProgress(9);  // beyond the maximum: full, not past the edge
    EXPECT_EQ(gauge.PercentDone(), 100);
}

TEST(StatusView, FiguresAreADuration) {
    const auto at = [](long long seconds, std::int64_t bytes) { return StatusFigures(seconds * kSecond, bytes); };
    EXPECT_EQ(at(3723, 0).time, QStringLiteral("1: 2: 3"));
    EXPECT_EQ(at(4, 2048).kbytes, QStringLiteral("2.0"));
    EXPECT_EQ(at(4, 2048).kbytes_sec, QStringLiteral("0.5"));
    EXPECT_EQ(at(0, 2048).kbytes_sec, QStringLiteral("0.0"));
    // A run of more than a day keeps its hours and its rate.
    const TStatusFigures long_run = at(25 * 3600 + 3, std::int64_t{90003} * 2048);
    EXPECT_EQ(long_run.time, QStringLiteral("25: 0: 3"));
    EXPECT_EQ(long_run.kbytes_sec, QStringLiteral("2.0"));
    EXPECT_EQ(at(1, std::int64_t{5} << 30).kbytes, QStringLiteral("5242880.0"));
}

TEST(StatusView, ChartKeepsAtMostTwoThousandPointsTakenEvenly) {
    TChartDecimator series;
    for (int i = 0; i < 100000; ++i) series.Add(QPointF(i, i));
    const auto& kept = series.Points();
    ASSERT_LE(kept.size(), 2000);
    ASSERT_GT(kept.size(), 1000);
    EXPECT_EQ(kept.front().x(), 0);
    const double step = kept[1].x() - kept[0].x();
    for (qsizetype i = 1; i < kept.size(); ++i) ASSERT_EQ(kept[i].x() - kept[i - 1].x(), step) << i;
    EXPECT_GT(kept.back().x(), 100000 - 2 * step);
}

// Forwards the engine's calls to the view, as the main window does, and notes the threads they came on.
class ForwardingHost : public EngineHost {
public:
    explicit ForwardingHost(TFormStatus& view) : view_(view) { SetEngineHost(this); }
    ~ForwardingHost() override { SetEngineHost(nullptr); }
    void UpdateStats() override { view_.UpdateStats(); }
    void ShowStatus(const std::string& text, int position, int maximum) override {
        view_.ShowStatus(QString::fromStdString(text), position, maximum);
    }
    void TaskProgress(const std::string& message, int position, int maximum) override {
        if (std::this_thread::get_id() != main_) ++off_main;
        ++progress_calls;
        view_.TaskProgress(QString::fromStdString(message), position, maximum);
    }
    void ChartPoint(double seconds, double kilobytes, double rate, int connections) override {
        view_.ChartPoint(seconds, kilobytes, rate, connections);
    }
    void CurrentTaskChanged(const std::shared_ptr<TCVTask>&) override { view_.SetCurrentTask(); }

    std::atomic<int> off_main{0};
    int progress_calls = 0;

private:
    TFormStatus& view_;
    std::thread::id main_ = std::this_thread::get_id();
};

class StatusViewFixture : public FreshHome {
protected:
    void SetUp() override {
        GuiApp();
        FreshHome::SetUp();
        loop_ = std::make_unique<QtMainLoop>();
        // The screen's depth, as the program installs it.
        SetScreenDepthHook([] { return QGuiApplication::primaryScreen()->depth(); });
        view_ = std::make_unique<TFormStatus>();
        host_ = std::make_unique<ForwardingHost>(*view_);
        QObject::connect(view_.get(), &TFormStatus::StatsUpdated, [this] { ++stats_updates_; });
    }
    void TearDown() override {
        host_.reset();
        view_.reset();
        loop_.reset();
        SetScreenDepthHook({});
        FreshHome::TearDown();
    }
    // A Personal Intranet task with its file, capturing from url.
    std::shared_ptr<TCVTask> TaskFile(const std::string& name, const std::string& url, TCVTaskStatus status) {
        auto task = std::make_shared<TCVTask>();
        task->Name = name;
        task->FileName = home_ + "Tasks/" + name + ".cvt";
        task->URL = url;
        task->IntranetMode = true;
        task->Destination = home_ + "site/";
        task->Status = status;
        return task;
    }
    std::shared_ptr<TCVTask> CurrentTask(const std::string& name, const TCVTaskCounters& counters) {
        auto task = std::make_shared<TCVTask>();
        task->Name = name;
        task->SetCounters(counters);
        App->SetCurrentTask(task);
        return task;
    }
    std::unique_ptr<QtMainLoop> loop_;
    std::unique_ptr<TFormStatus> view_;
    std::unique_ptr<ForwardingHost> host_;
    int stats_updates_ = 0;
};

using StatusViewLine = StatusViewFixture;

TEST_F(StatusViewLine, GaugeShowsOnlyWhilePositionDiffersFromMaximum) {
    view_->resize(700, 120);
    view_->show();
    view_->ShowStatus(QStringLiteral("Opening task...."), 3, 10);
    ASSERT_TRUE(view_->ProgressBar->isVisible());
    EXPECT_EQ(view_->ProgressBar->x(), view_->lblStatus->width() + 20);
    EXPECT_EQ(view_->ProgressBar->width(), view_->pnlStatusBar->width() - view_->ProgressBar->x() - 30);
    EXPECT_EQ(view_->ProgressBar->Progress(), 3);
    EXPECT_EQ(view_->ProgressBar->MaxValue(), 10);
    SaveScreenshot(*view_, QStringLiteral("-progress"));
    view_->ShowStatus(QStringLiteral("Five"), 5, 5);
    EXPECT_FALSE(view_->ProgressBar->isVisible());
    EXPECT_EQ(view_->lblStatus->text(), QStringLiteral("Five"));
    view_->ShowStatus(QStringLiteral("x"), 3, 10);
    view_->ShowStatus(QStringLiteral("Plain"), 0, 0);
    EXPECT_FALSE(view_->ProgressBar->isVisible());
    // The task's progress event: a message at its end clears the line.
    view_->TaskProgress(QStringLiteral("Opening task...."), 9, 9);
    EXPECT_TRUE(view_->lblStatus->text().isEmpty());
}

using StatusViewCounters = StatusViewFixture;

TEST_F(StatusViewCounters, BoundTaskFillsTheCountersAndNoTaskDisablesTheButtons) {
    EXPECT_EQ(view_->lblTaskName->text(), QStringLiteral("Corvane 3.0"));
    EXPECT_FALSE(view_->btnRun->isEnabled());
    auto task = CurrentTask("site", {5, 3, 2, 1, 10, 7, 2048});
    task->Elapsed = 4 * kSecond;
    view_->UpdateStats();
    EXPECT_EQ(view_->lblTaskName->text(), QStringLiteral("site"));
    EXPECT_TRUE(view_->btnRun->isEnabled());
    EXPECT_TRUE(view_->btnStop->isEnabled());
    EXPECT_EQ(view_->GaugePages->Progress(), 7);
    EXPECT_EQ(view_->GaugePages->MaxValue(), 10);
    EXPECT_EQ(view_->GaugePages->toolTip(), QStringLiteral("5/10 Pages"));
    EXPECT_EQ(view_->GaugeRes->Progress(), 4);
    EXPECT_EQ(view_->GaugeRes->toolTip(), QStringLiteral("3/7 Media Files"));
    EXPECT_EQ(view_->GaugeErrors->Progress(), 3);
    EXPECT_EQ(view_->GaugeErrors->MaxValue(), 17);
    EXPECT_EQ(view_->lblTime->text(), QStringLiteral("0: 0: 4"));
    EXPECT_EQ(view_->lblKbytes->text(), QStringLiteral("2.0"));
    EXPECT_EQ(view_->lblKbytessec->text(), QStringLiteral("0.5"));
    view_->resize(700, 120);
    view_->show();
    SaveScreenshot(*view_);

    CurrentTask("empty", {});
    EXPECT_EQ(view_->GaugePages->MaxValue(), 0) << "nothing queued: an empty gauge, not a busy one";
    EXPECT_EQ(view_->GaugePages->PercentDone(), 0);

    App->SetCurrentTask(nullptr);
    EXPECT_TRUE(view_->lblTaskName->text().isEmpty());
    EXPECT_FALSE(view_->btnRun->isEnabled());
    EXPECT_FALSE(view_->btnStop->isEnabled());
    EXPECT_EQ(view_->GaugeResources, nullptr);
}

TEST_F(StatusViewCounters, CounterChangesAreMergedIntoOneUpdatePerTurn) {
    auto task = CurrentTask("merged", {1, 0, 0, 0, 2, 0, 0});
    stats_updates_ = 0;
    for (int i = 0; i < 100; ++i) view_->TaskProgress({}, 0, 0);
    EXPECT_EQ(stats_updates_, 0) << "nothing redrawn inside the caller's turn";
    QCoreApplication::processEvents();
    EXPECT_EQ(stats_updates_, 1);
}

TEST_F(StatusViewCounters, ProgressFromWorkerThreadsReachesTheViewOnTheMainThreadOnly) {
    // Made current the way Explore does it: never started, so only the view binds its event.
    auto task = CurrentTask("threads", {});
    constexpr int kThreads = 8;
    constexpr int kEach = 250;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < kEach; ++i) {
                task->AddToCounter(TCVCounter::TotalPages, 1);
                task->FireProgress("", 0, 0);
            }
        });
    for (auto& worker : workers) worker.join();
    stats_updates_ = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return host_->progress_calls == kThreads * kEach; }, 10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(host_->off_main.load(), 0);
    EXPECT_GE(stats_updates_, 1);
    EXPECT_LT(stats_updates_, 20) << "merged, not one redraw per event";
    EXPECT_EQ(view_->GaugePages->MaxValue(), kThreads * kEach);

    // Unbound when another task becomes current: the old one's events no longer reach the view.
    CurrentTask("next", {});
    const int before = host_->progress_calls;
    task->FireProgress("late", 1, 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(host_->progress_calls, before);
}

TEST_F(StatusViewCounters, ChartTakesTheTaskSeriesAndTheGradientFollowsTheScreen) {
    auto task = std::make_shared<TCVTask>();
    task->URL = "http://example.test/";
    task->Restart();  // a run's chart
    {
        auto chart = task->Chart();
        std::lock_guard guard(chart->Lock);
        for (int s = 1; s <= 5000; ++s) {
            chart->Series[0].push_back({double(s), 2.0});
            chart->Series[1].push_back({double(s), 2.0 * s});
            chart->Series[2].push_back({double(s), 5});
        }
    }
    App->SetCurrentTask(task);
    QLineSeries* rate = view_->chartStats->TransferRate();
    EXPECT_LE(rate->count(), 2000);
    EXPECT_GT(rate->count(), 1000);
    EXPECT_TRUE(rate->isVisible());
    EXPECT_FALSE(view_->chartStats->TotalKBytes()->isVisible());
    EXPECT_FALSE(view_->chartStats->Connections()->isVisible());
    view_->ChartPoint(5001, 10002, 2.0, 5);
    QCoreApplication::processEvents();
    EXPECT_LE(rate->count(), 2000);

    SetScreenDepthHook([] { return 8; });
    view_->ApplySkin();
    EXPECT_FALSE(view_->chartStats->Gradient());
    SetScreenDepthHook([] { return 24; });
    view_->ApplySkin();
    EXPECT_TRUE(view_->chartStats->Gradient());

    // Closing hides the view; it keeps its task and its chart.
    view_->show();
    view_->close();
    EXPECT_FALSE(view_->isVisible());
    EXPECT_EQ(view_->Task(), task);
    EXPECT_GT(rate->count(), 0);
}

// Run control hooks that write the status line through the view, as the main window does.
class StatusLineHooks : public TRunControlHooks {
public:
    void StatusMessage(int number, const std::string& tail) override {
        if (view) view->ShowStatus(Message(number) + QString::fromStdString(tail), 0, 0);
    }
    TFormStatus* view = nullptr;
};

class StoppingHost : public RecordingAppHost {
public:
    void StopTask(const std::shared_ptr<TCVTask>& task) override {
        RecordingAppHost::StopTask(task);
        runner->StopTask(task);
    }
    TaskRunner* runner = nullptr;
};

using StatusViewStop = StatusViewFixture;

TEST_F(StatusViewStop, StopButtonStopsARunningCapture) {
    test::LoopbackServer server;
    server.Handle("/index.htm", [](const test::ReceivedRequest&) {
        test::ScriptedResponse r = test::ScriptedResponse::Text("<html></html>", "text/html");
        r.stall_after_headers = true;
        return r;
    });
    StatusLineHooks hooks;
    hooks.view = view_.get();
    TaskRunner runner(*loop_, EngineTiming::Shortened(), hooks);
    runner.Start(false);
    StoppingHost app_host;
    app_host.runner = &runner;

    auto task = TaskFile("stalled", server.Url("/index.htm"), tsScheduled);
    task->Save();
    ASSERT_TRUE(runner.StartTask(task));
    EXPECT_EQ(view_->Task(), task);
    view_->resize(700, 120);
    view_->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.RequestCount() >= 1; }, 10000));

    QTest::mouseClick(view_->btnStop, Qt::LeftButton);
    EXPECT_EQ(task->Status, tsDownloadStopped);
    EXPECT_EQ(LoadTask(task->FileName)->Status, tsDownloadStopped);
    EXPECT_EQ(view_->lblStatus->text(), Message(695));
    ASSERT_EQ(app_host.calls.size(), 1u);
    runner.Shutdown();
}

using StatusViewRun = StatusViewFixture;

TEST_F(StatusViewRun, RunButtonAsksHowToRunAndSchedulesTheTaskNow) {
    auto task = TaskFile("again", "http://127.0.0.1:9/index.htm", tsDownloadStopped);
    task->Schedule = "Daily at 10:00:00";
    task->NextRun = 50000;
    task->Restart();  // it has a queue, so the run dialog asks
    task->Save();
    App->SetCurrentTask(task);
    view_->show();

    bool asked = false;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<TdlgRunTask*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        answer.stop();
        asked = true;
        QTest::mouseClick(dialog->rbSmartUpdate, Qt::LeftButton, {}, QPoint(8, dialog->rbSmartUpdate->height() / 2));
        QTest::mouseClick(dialog->btnRun, Qt::LeftButton);
    });
    answer.start();
    QTest::mouseClick(view_->btnRun, Qt::LeftButton);
    EXPECT_TRUE(asked);
    const auto saved = LoadTask(task->FileName);
    EXPECT_EQ(saved->Status, tsScheduled);
    EXPECT_EQ(saved->Schedule, "Now");
    EXPECT_EQ(saved->NextRun, 0);
    EXPECT_EQ(saved->RunMethod, rmSmartUpdate);
}

}  // namespace
}  // namespace corvane::testing
