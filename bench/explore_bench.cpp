// The task explorer over a queue of 100,000 items, shown offscreen: RefreshList with the queue in
// memory, scrolling top to bottom in 100 steps (the longest repaint), and "Mark for download" > "All"
// with its save. Prints the figures.
// build/bench/explore_bench [items]

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/form_explore.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "platform/qt/qt_main_loop.h"
#include "platform/registry/current_user.h"
#include "bench/bench_data_root.h"
#include "widgets/ext_list_view.h"

int main(int argc, char** argv) {
    using namespace corvane;
    const int items = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string home = MakeBenchDataRoot("explore-bench").Folder;
    if (home.empty()) return 1;
    CreateApp();
    {
        QApplication app(argc, argv);
        QtMainLoop loop;
        auto task = std::make_shared<TCVTask>();
        task->Name = "bench";
        task->FileName = home + "Tasks/bench.cvt";
        task->IntranetMode = true;
        task->Destination = home + "site/";
        for (int i = 0; i < items; ++i) {
            TCVQItem item(task.get());
            item.URL = "http://site.test/page" + std::to_string(i) + (i % 3 ? ".gif" : ".html");
            item.Type = i % 3 ? "Images" : "HTML";
            item.Title = "Page " + std::to_string(i);
            item.Referrer = "http://site.test/";
            item.Level = i % 7;
            item.State = static_cast<TCVItemState>(i % 4 == 0 ? isSaved : i % 4 == 1 ? isError : isNone);
            item.Mark = static_cast<TCVItemMark>(i % 2);
            task->AddQItem(item);
        }
        TFormExplore view;
        view.resize(900, 400);
        view.show();
        QApplication::processEvents();

        App->SetCurrentTask(task);  // no host: the refresh is timed on its own
        QElapsedTimer timer;
        timer.start();
        view.RefreshList();
        const double refresh_ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        // The list lays its rows out when it next paints.
        view.lvExplore->viewport()->repaint();
        const double shown_ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        QApplication::processEvents();

        QScrollBar* bar = view.lvExplore->verticalScrollBar();
        double longest_ms = 0;
        for (int step = 0; step <= 100; ++step) {
            bar->setValue(bar->maximum() * step / 100);
            timer.restart();
            view.lvExplore->viewport()->repaint();
            longest_ms = std::max(longest_ms, static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }

        timer.restart();
        view.miDownloadAll->trigger();
        const double mark_ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;

        std::printf("items %d, rows %d\n", items, view.lvExplore->model()->rowCount());
        std::printf("RefreshList (queue in memory): %.1f ms, %.1f ms with the first paint (goal under 50 ms)\n",
                    refresh_ms, shown_ms);
        std::printf("scrolling top to bottom in 100 steps, longest repaint: %.1f ms (goal under 50 ms)\n", longest_ms);
        std::printf("\"Mark for download\" > \"All\" with the save: %.0f ms (goal under 2000 ms)\n", mark_ms);
    }
    ReleaseApp();
    std::filesystem::remove_all(home);
    return 0;
}
