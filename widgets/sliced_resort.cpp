#include "widgets/sliced_resort.h"

#include <QTimer>
#include <chrono>
#include <memory>

#include "widgets/enh_list_view.h"
#include "widgets/sliced_sort.h"

namespace corvane {
namespace {

// Below this many rows a sort is quick enough to make at once.
constexpr int kSlicedRows = 4096;
constexpr std::chrono::milliseconds kSlice{8};

}  // namespace

void ResortInSlices(TCustomEnhListView& list, std::function<void()> done) {
    TListItems& items = list.Items();
    const int column = list.CurrentSortColumn();
    if (list.UpdateCount() > 0 || list.OnSortItems || items.IsVirtual() || items.Count() < kSlicedRows ||
        !list.SortsAtAll() || column < 0 || column >= list.ColumnCount()) {
        list.Resort();
        if (done) done();
        return;
    }
    const bool ascending = list.CurrentSortAscending();
    if (list.OnSortBegin) list.OnSortBegin(&list, column, ascending);
    auto sort = std::make_shared<TSlicedSort>(items.Count(), items.SortOrder(column, ascending, list.AutoSortStyle()));
    const auto changes = items.Changes();
    auto* timer = new QTimer(&list);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, &list, [&list, timer, sort, changes, column, ascending, done] {
        TListItems& rows = list.Items();
        // The order holds row numbers and keys of the rows it began with.
        const bool unchanged = rows.Changes() == changes;
        if (unchanged && !sort->Step(std::chrono::steady_clock::now() + kSlice)) return;
        timer->stop();
        timer->deleteLater();
        if (unchanged && list.CurrentSortColumn() == column && list.CurrentSortAscending() == ascending) {
            rows.ApplyOrder(sort->Order());
            if (list.OnSortFinished) list.OnSortFinished(&list, column, ascending);
        } else {
            list.Resort();
        }
        if (done) done();
    });
    timer->start();
}

}  // namespace corvane
