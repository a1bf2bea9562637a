// The status view under a flood: 100,000 chart points and 10,000 progress events a second from worker
// threads for a few seconds, with the view shown offscreen. Prints the main thread's longest stall
// (the widest gap between ticks of a 1 ms timer) and what reached the view.
// build/bench/status_view_bench [seconds]

#include <QApplication>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/form_status.h"
#include "app/status_chart.h"
#include "engine/run/engine_host.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "platform/qt/qt_main_loop.h"
#include "platform/registry/current_user.h"
#include "bench/bench_data_root.h"

namespace {

using namespace corvane;

class ViewHost : public EngineHost {
public:
    explicit ViewHost(TFormStatus& view) : view_(view) {}
    void TaskProgress(const std::string& message, int position, int maximum) override {
        ++progress;
        view_.TaskProgress(QString::fromStdString(message), position, maximum);
    }
    void ChartPoint(double seconds, double kilobytes, double rate, int connections) override {
        ++points;
        view_.ChartPoint(seconds, kilobytes, rate, connections);
    }
    void CurrentTaskChanged(const std::shared_ptr<TCVTask>&) override { view_.SetCurrentTask(); }
    long points = 0;
    long progress = 0;

private:
    TFormStatus& view_;
};

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string home = MakeBenchDataRoot("status-bench").Folder;
    if (home.empty()) return 1;
    CreateApp();
    {
        QApplication app(argc, argv);
        QtMainLoop loop;
        TFormStatus view;
        ViewHost host(view);
        SetEngineHost(&host);
        view.resize(800, 120);
        view.show();
        auto task = std::make_shared<TCVTask>();
        task->Name = "bench";
        App->SetCurrentTask(task);

        std::atomic<bool> stop{false};
        std::vector<std::thread> feeders;
        const auto started = std::chrono::steady_clock::now();
        // How many of `per_second` are due by now; the feeders catch up after any oversleep.
        const auto due = [started](long per_second) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                                  started).count();
            return static_cast<long>(ms) * per_second / 1000;
        };
        // Chart points, posted in batches as they fall due.
        feeders.emplace_back([&] {
            long sent = 0;
            while (!stop) {
                const long batch = due(100000) - sent;
                if (batch > 0) {
                    const double first = static_cast<double>(sent);
                    sent += batch;
                    PostToHost([first, batch](EngineHost& h) {
                        for (long i = 0; i < batch; ++i) h.ChartPoint(first + i + 1, (first + i) * 2, 2.0, 5);
                    });
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        // Progress events on two threads, as item state changes fire them.
        for (int t = 0; t < 2; ++t)
            feeders.emplace_back([&] {
                long fired = 0;
                while (!stop) {
                    for (; fired < due(5000); ++fired) {
                        task->AddToCounter(TCVCounter::TotalPages, 1);
                        task->FireProgress("", 0, 0);
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            });

        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 longest = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            // The first show (fonts, the chart's first layout) is not the flood's.
            if (last >= 500) longest = std::max(longest, now - last);
            last = now;
            if (now >= seconds * 1000) app.quit();
        });
        tick.start(1);
        app.exec();
        stop = true;
        for (auto& feeder : feeders) feeder.join();
        QCoreApplication::processEvents();

        std::printf("status view: %d s, %ld chart points and %ld progress events reached the view\n", seconds,
                    host.points, host.progress);
        std::printf("chart series holds %lld points; pages gauge at %d\n",
                    static_cast<long long>(view.chartStats->TransferRate()->count()), task->Counters().TotalPages);
        std::printf("longest main-thread stall: %lld ms (aim: under 20 ms)\n", static_cast<long long>(longest));
        SetEngineHost(nullptr);
        App->SetCurrentTask(nullptr);
    }
    ReleaseApp();
    std::filesystem::remove_all(home);
    return 0;
}
