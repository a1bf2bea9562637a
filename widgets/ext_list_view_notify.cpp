// The list's notifications that Qt gives no event of its own for: marquee, hot track, find item in
// virtual mode, and the runs of rows whose selection changed in virtual mode.

#include <QMouseEvent>
#include <algorithm>
#include <map>

#include "widgets/ext_list_view.h"

namespace corvane {

void TExtListView::mousePressEvent(QMouseEvent* event) {
    const bool marquee = event->button() == Qt::LeftButton && !indexAt(event->position().toPoint()).isValid() &&
                         (selectionMode() == ExtendedSelection || selectionMode() == MultiSelection);
    if (marquee && OnMarqueeBegin) {
        bool can_begin = true;
        OnMarqueeBegin(this, can_begin);
        if (!can_begin) {
            event->accept();
            return;
        }
    }
    TCustomEnhListView::mousePressEvent(event);
}

void TExtListView::HotTrack(int row, const QPoint& position) {
    if (!(extended_styles_ & (lvxTrackSelect | lvxOneClickActivate | lvxTwoClickActivate | lvxUnderlineHot))) return;
    int item = row;
    int sub_item = std::max(columnAt(position.x()), 0);
    bool can_select = true;
    if (OnHotTrack) OnHotTrack(this, item, sub_item, position, can_select);
    if ((extended_styles_ & lvxTrackSelect) && can_select && item >= 0 && item < model()->rowCount())
        setCurrentIndex(model()->index(item, 0));
}

void TExtListView::keyboardSearch(const QString& search) {
    if (!VirtualMode() || !OnVMFindItem) {
        TCustomEnhListView::keyboardSearch(search);
        return;
    }
    int found = -1;
    OnVMFindItem(this, search, found);
    if (found >= 0 && found < model()->rowCount()) setCurrentIndex(model()->index(found, 0));
}

void TExtListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    TCustomEnhListView::selectionChanged(selected, deselected);
    if (!VirtualMode() || !OnVMStateChanged) return;
    // One call per run of rows, whatever columns the ranges cover.
    const auto report = [this](const QItemSelection& ranges, unsigned old_state, unsigned new_state) {
        std::map<int, int> runs;  // first row -> last row
        for (const QItemSelectionRange& range : ranges) {
            auto [it, added] = runs.emplace(range.top(), range.bottom());
            if (!added) it->second = std::max(it->second, range.bottom());
        }
        int from = -1, to = -2;
        for (const auto& [top, bottom] : runs) {
            if (top > to + 1) {
                if (from >= 0) OnVMStateChanged(this, from, to, old_state, new_state);
                from = top;
            }
            to = std::max(to, bottom);
        }
        if (from >= 0) OnVMStateChanged(this, from, to, old_state, new_state);
    };
    report(deselected, kItemSelected, 0);
    report(selected, 0, kItemSelected);
}

}  // namespace corvane
