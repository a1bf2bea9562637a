// The archive list under load: 100,000 rows of its six column kinds added in 10 ms slices into a
// shown list, then sorted by each column and scrolled page by page. A 5 ms heartbeat timer records
// how long the main thread went without serving its events. One run; prints every figure.

#include <QApplication>
#include <QHeaderView>
#include <QElapsedTimer>
#include <QLocale>
#include <QScrollBar>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "tests/support/archive_list_setup.h"
#include "widgets/ext_list_view.h"

using namespace corvane;

namespace {

struct Heartbeat {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worst = 0;
    void Reset() {
        last = clock.elapsed();
        worst = 0;
    }
    void Tick() {
        const qint64 now = clock.elapsed();
        worst = std::max(worst, now - last);
        last = now;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int total = argc > 1 ? std::atoi(argv[1]) : 100000;

    TExtListView lv;
    lv.setObjectName("lvZip");
    lv.resize(900, 600);
    testing::SetUpArchiveList(lv);
    lv.show();
    app.processEvents();

    Heartbeat beat;
    beat.clock.start();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { beat.Tick(); });
    timer.start(5);

    std::mt19937 random(7);
    const QLocale english(QLocale::English);
    int added = 0;
    QElapsedTimer phase;
    phase.start();
    beat.Reset();
    qint64 worst_slice = 0, worst_events = 0;
    while (added < total) {
        QElapsedTimer slice;
        slice.start();
        lv.BeginUpdate();
        while (added < total && slice.elapsed() < 10) {
            for (int k = 0; k < 50 && added < total; ++k, ++added) {
                const double size = static_cast<double>(random() % 5'000'000);
                const double packed = size * static_cast<double>(random() % 100) / 100.0;
                const double ratio = size > 0 ? 100.0 - packed * 100.0 / size : 0;
                const int row = lv.Items().AddRow(
                    {QString("folder%1/page%2.html").arg(added % 97).arg(added),
                     english.toString(size, 'f', 0), english.toString(packed, 'f', 0),
                     QString("%1%").arg(static_cast<int>(ratio)),
                     QString("%1/%2/%3 %4:%5").arg(1 + random() % 12).arg(1 + random() % 28).arg(random() % 100, 2, 10, QChar('0'))
                         .arg(random() % 24).arg(random() % 60, 2, 10, QChar('0')),
                     QString("www/sub%1/").arg(added % 13)});
                lv.Items().SetSortKey(row, 1, size);
                lv.Items().SetSortKey(row, 2, packed);
                lv.Items().SetSortKey(row, 3, ratio);
            }
        }
        lv.EndUpdate();
        worst_slice = std::max(worst_slice, slice.elapsed());
        QElapsedTimer events;
        events.start();
        app.processEvents();
        worst_events = std::max(worst_events, events.elapsed());
    }
    std::printf("add %d rows: %lld ms, longest slice %lld ms, longest event pass %lld ms, longest heartbeat gap %lld ms\n",
                total, static_cast<long long>(phase.elapsed()), static_cast<long long>(worst_slice),
                static_cast<long long>(worst_events),
                static_cast<long long>(beat.worst));

    // Each column's header clicked twice (ascending, then descending), as a user sorts: the time until
    // the rows stand in order, and the longest the main thread went without serving its events.
    const char* names[] = {"Name", "Size", "Packed", "Ratio", "Modified", "Path"};
    bool sorted = false;
    lv.OnSortFinished = [&sorted](TCustomEnhListView*, int, bool) { sorted = true; };
    qint64 worst_sort_gap = 0;
    for (int column = 0; column < 6; ++column) {
        for (int click = 0; click < 2; ++click) {
            QElapsedTimer t;
            t.start();
            sorted = false;
            beat.Reset();
            Q_EMIT lv.header()->sectionClicked(column);
            while (!sorted) app.processEvents(QEventLoop::WaitForMoreEvents);
            const qint64 sort_ms = t.elapsed();
            beat.Tick();
            lv.viewport()->repaint();
            worst_sort_gap = std::max(worst_sort_gap, beat.worst);
            std::printf("sort %-8s %-10s %4lld ms (with repaint %lld ms), longest heartbeat gap %lld ms\n",
                        names[column], lv.CurrentSortAscending() ? "ascending" : "descending",
                        static_cast<long long>(sort_ms), static_cast<long long>(t.elapsed()),
                        static_cast<long long>(beat.worst));
            app.processEvents();
        }
    }
    std::printf("longest heartbeat gap while sorting: %lld ms\n", static_cast<long long>(worst_sort_gap));

    beat.Reset();
    phase.restart();
    QScrollBar* bar = lv.verticalScrollBar();
    bar->setValue(0);
    int pages = 0;
    qint64 worst_page = 0;
    while (bar->value() < bar->maximum() && pages < 2000) {
        QElapsedTimer t;
        t.start();
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        lv.viewport()->repaint();
        worst_page = std::max(worst_page, t.elapsed());
        app.processEvents();
        ++pages;
    }
    std::printf("scroll %d pages: %lld ms, slowest page %lld ms, longest heartbeat gap %lld ms\n", pages,
                static_cast<long long>(phase.elapsed()), static_cast<long long>(worst_page),
                static_cast<long long>(beat.worst));
    return 0;
}
