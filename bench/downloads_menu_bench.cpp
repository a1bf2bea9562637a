// Builds the main window's Downloads menu over a downloads folder of 10,000 archives, offscreen, and
// prints the time of each build and their median: the menu is rebuilt on every press of the
// Downloads button and every opening of the View menu, so it must stay quick however full the
// folder gets.
//   build/bench/downloads_menu_bench [archives, 10000] [builds, 9]

#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/form_corvane.h"
#include "app/main_commands.h"
#include "app/main_menus.h"
#include "bench/bench_data_root.h"
#include "engine/model/settings.h"

int main(int argc, char** argv) {
    using namespace corvane;
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int builds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 9);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const TBenchDataRoot root = MakeBenchDataRoot("downloads-menu");
    if (root.Folder.empty()) {
        std::fprintf(stderr, "no data root\n");
        return 1;
    }
    QApplication app(argc, argv);
    CreateApp();
    const std::string folder = App->GetDownloadsFolder();
    for (int i = 0; i < count; ++i) std::ofstream(folder + "site" + std::to_string(i) + ".zip") << "PK";

    std::vector<double> times;
    int items = 0;
    {
        TFormCorvane form;
        QMenu& menu = *form.Menus.popDownloads;
        for (int i = 0; i < builds; ++i) {
            QElapsedTimer clock;
            clock.start();
            form.Commands->BuildDownloadsMenu(menu, nullptr);
            times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            // The items of the build before go with the next turn of the loop, as in the program.
            QApplication::processEvents();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        items = static_cast<int>(menu.actions().size());
    }
    for (int i = 0; i < builds; ++i) std::printf("build %d: %.2f ms\n", i + 1, times[static_cast<std::size_t>(i)]);
    std::sort(times.begin(), times.end());
    std::printf("Downloads menu over %d archives: median %.2f ms, %d items\n", count,
                times[times.size() / 2], items);
    ReleaseApp();
    std::error_code ec;
    std::filesystem::remove_all(root.Folder, ec);
    return 0;
}
