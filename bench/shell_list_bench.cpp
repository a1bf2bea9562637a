// The shell list over a folder of 10,000 files, each step timed five times (the median printed):
// the fill up to a shown, sorted list, header sorts by size and by date, scrolling from top to bottom
// (the slowest paint), and the merge after 100 new files. A zero-timer beats whenever the event
// loop turns; the longest time between two beats (or a step's start or end) is the longest the main
// thread was kept from its events: per step, and over all of them last.
// One run: build/bench/shell_list_bench

#include <QApplication>
#include <QScrollBar>
#include <QTimer>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "shell/ns/shell_locator.h"
#include "shell/ui/shell_list.h"

namespace {

using namespace corvane::shell;
using Steady = std::chrono::steady_clock;

double Ms(Steady::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double longest = 0;
// Of the step under way: when the loop last turned, and the longest wait.
Steady::time_point lastTurn;
double stepGap = 0;

void LoopTurned() {
    const auto now = Steady::now();
    stepGap = std::max(stepGap, Ms(now - lastTurn));
    lastTurn = now;
}

// The step's time; gap gets the longest the loop waited during it.
double Time(const std::function<void()>& step, double* gap = nullptr) {
    const auto start = Steady::now();
    lastTurn = start;
    stepGap = 0;
    step();
    LoopTurned();
    longest = std::max(longest, stepGap);
    if (gap != nullptr) *gap = stepGap;
    return Ms(Steady::now() - start);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const std::string folder = scratch.path().toStdString() + "/files";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 10000; ++i) {
        const std::string path = folder + "/page" + std::to_string((i * 7919) % 10000) + ".htm";
        std::ofstream(path) << std::string(static_cast<std::size_t>(i % 97) * 13, 'x');
        const timeval times[2] = {{1600000000 + i * 61, 0}, {1600000000 + ((i * 31) % 10000) * 60, 0}};
        ::utimes(path.c_str(), times);
    }

    TPTShellList list(nullptr);
    list.SetOptions(kDefaultShellListOptions & ~ptsloAutoFill & ~ptsloDynamicRefresh);
    list.resize(700, 500);
    list.show();
    QCoreApplication::processEvents();
    TPTShellLocator locator;
    locator.SetPath(folder);
    list.SetFolder(&locator);

    QTimer beat;
    beat.setInterval(0);
    QObject::connect(&beat, &QTimer::timeout, &LoopTurned);
    beat.start();
    std::vector<double> fill, fillGap, bySize, byDate, sortGap, paint, merge, mergeGap;
    for (int run = 0; run < 5; ++run) {
        double gap = 0;
        fill.push_back(Time(
            [&] {
                list.SetSortColumn(1);
                list.Reload();
                list.viewport()->repaint();
            },
            &gap));
        fillGap.push_back(gap);
        double sizeGap = 0, dateGap = 0;
        bySize.push_back(Time(
            [&] {
                list.SetSortColumn(2);
                list.viewport()->repaint();
            },
            &sizeGap));
        byDate.push_back(Time(
            [&] {
                list.SetSortColumn(4);
                list.viewport()->repaint();
            },
            &dateGap));
        sortGap.push_back(std::max(sizeGap, dateGap));
        QScrollBar* bar = list.verticalScrollBar();
        double slowest = 0;
        for (int value = 0; value <= bar->maximum(); value += std::max(1, bar->pageStep())) {
            bar->setValue(value);
            slowest = std::max(slowest, Time([&] { list.viewport()->repaint(); }));
        }
        paint.push_back(slowest);
        for (int i = 0; i < 100; ++i)
            std::ofstream(folder + "/new" + std::to_string(run) + "_" + std::to_string(i) + ".htm") << "n";
        merge.push_back(Time(
            [&] {
                list.Refresh();
                list.viewport()->repaint();
            },
            &gap));
        mergeGap.push_back(gap);
    }
    std::printf("rows: %d\n", list.Items().Count());
    std::printf("fill to a shown, sorted list: %.1f ms, longest gap in it %.1f ms\n", Median(fill), Median(fillGap));
    std::printf("header sort by size: %.1f ms, by date: %.1f ms, longest gap in them %.1f ms\n", Median(bySize),
                Median(byDate), Median(sortGap));
    std::printf("scrolling top to bottom, slowest paint: %.1f ms\n", Median(paint));
    std::printf("merge after 100 new files: %.1f ms, longest gap in it %.1f ms\n", Median(merge), Median(mergeGap));
    std::printf("longest main-thread gap: %.1f ms\n", longest);
    return 0;
}
