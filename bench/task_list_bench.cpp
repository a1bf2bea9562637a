// Lists a category of 2,000 task files in the task tree window, offscreen, and prints the seconds the
// listing took and the longest gap between two pumps of the main loop (the listing lets events
// through after each file): the longest the window stopped answering. Half the tasks are "Download
// Stopped", so the listing also rewrites them.
//   build/bench/task_list_bench [tasks] [percent stopped, 50]

#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_data_root.h"
#include "engine/run/engine_host.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "shell/ui/shell_tree.h"
#include "tasks/task_tree_window.h"

namespace {

// Every status line shown during the listing comes right before a pump.
class GapHost : public corvane::EngineHost {
public:
    void ShowStatus(const std::string&, int position, int maximum) override {
        const qint64 now = clock.nsecsElapsed();
        if (position != maximum && last >= 0) longest = std::max(longest, now - last);
        last = now;
        ++calls;
    }
    QElapsedTimer clock;
    qint64 last = -1;
    qint64 longest = 0;
    int calls = 0;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace corvane;
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int stopped = argc > 2 ? std::atoi(argv[2]) : 50;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const TBenchDataRoot root = MakeBenchDataRoot("task-list");
    if (root.Folder.empty()) {
        std::fprintf(stderr, "no data root\n");
        return 1;
    }
    QApplication app(argc, argv);
    CreateApp();
    for (int i = 0; i < count; ++i) {
        TCVTask task;
        task.Name = "task " + std::to_string(i);
        task.FileName = TaskFileName("Bench", task.Name);
        task.URL = "http://site" + std::to_string(i) + ".test/index.html";
        task.IntranetMode = true;
        task.Destination = root.Folder + "sites/";
        task.Status = i % 100 < stopped ? tsDownloadStopped : tsTaskComplete;
        task.Save();
    }
    GapHost host;
    SetEngineHost(&host);
    int result = 0;
    {
        TFormScheduler form;
        form.show();
        QApplication::processEvents();
        host.clock.start();
        form.tvTasks->SetSelectedPath(App->TasksDir + "Bench");
        const double listed = static_cast<double>(host.clock.nsecsElapsed()) / 1e9;
        const double gap_ms = static_cast<double>(host.longest) / 1e6;
        const int pumps = host.calls - 1;
        // The statuses the page already shows as "Incomplete" reach the files afterwards, one a turn
        // of the event loop: the longest turn then.
        QElapsedTimer turn;
        qint64 longest_turn = 0;
        while (form.PendingStatusRewrites() > 0) {
            turn.start();
            QApplication::processEvents();
            longest_turn = std::max(longest_turn, turn.nsecsElapsed());
        }
        const double rewritten = static_cast<double>(host.clock.nsecsElapsed()) / 1e9;
        std::printf("task_list_bench: %d tasks listed in %.3f s, longest gap between pumps %.2f ms (%d pumps)\n",
                    count, listed, gap_ms, pumps);
        std::printf("task_list_bench: statuses rewritten by %.3f s, longest turn of the event loop %.2f ms\n",
                    rewritten, static_cast<double>(longest_turn) / 1e6);
        if (pumps != count) {
            std::fprintf(stderr, "the listing did not run\n");
            result = 1;
        }
    }
    SetEngineHost(nullptr);
    ReleaseApp();
    std::error_code ec;
    std::filesystem::remove_all(root.Folder, ec);
    return result;
}
