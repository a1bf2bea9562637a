// The list's notifications that Qt gives no event of its own for: marquee, hot track (and the hover
// selection), find item in virtual mode, and the runs of rows whose selection changed in virtual mode;
// and the Shift range from the selection mark.

#include <QMouseEvent>
#include <algorithm>
#include <map>

#include "widgets/ext_list_view.h"

namespace corvane {

void TExtListView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool marquee = event->button() == Qt::LeftButton && !index.isValid() &&
                         (selectionMode() == ExtendedSelection || selectionMode() == MultiSelection);
    if (marquee && OnMarqueeBegin) {
        bool can_begin = true;
        OnMarqueeBegin(this, can_begin);
        if (!can_begin) {
            event->accept();
            return;
        }
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (event->button() == Qt::LeftButton && index.isValid() && shift && selectionMode() == ExtendedSelection &&
        MarkValid()) {
        SelectFromMark(index.row(), event->modifiers() & Qt::ControlModifier);
        mark_drag_ = true;
        event->accept();
        return;
    }
    TCustomEnhListView::mousePressEvent(event);
    if (index.isValid() && !shift) selection_mark_ = index.row();
}

void TExtListView::mouseReleaseEvent(QMouseEvent* event) {
    if (mark_drag_) {
        mark_drag_ = false;
        event->accept();
        return;
    }
    TCustomEnhListView::mouseReleaseEvent(event);
}

bool TExtListView::MarkValid() const { return selection_mark_ >= 0 && selection_mark_ < model()->rowCount(); }

void TExtListView::SelectFromMark(int row, bool add) {
    const int right = selectionBehavior() == SelectRows ? model()->columnCount() - 1 : 0;
    const QItemSelection range(model()->index(std::min(selection_mark_, row), 0),
                               model()->index(std::max(selection_mark_, row), right));
    selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::NoUpdate);
    selectionModel()->select(range, add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect);
}

void TExtListView::HotTrack(int row, const QPoint& position) {
    if (!(extended_styles_ & (lvxTrackSelect | lvxOneClickActivate | lvxTwoClickActivate | lvxUnderlineHot))) return;
    int item = row;
    int sub_item = std::max(columnAt(position.x()), 0);
    bool can_select = true;
    if (OnHotTrack) OnHotTrack(this, item, sub_item, position, can_select);
    // The row is selected once the pointer has rested on it for the hover time.
    if ((extended_styles_ & lvxTrackSelect) && can_select && item >= 0 && item < model()->rowCount()) {
        hover_row_ = item;
        hover_hot_ = row;
        hover_timer_->start(hover_time_ < 0 ? kSystemHoverTime : hover_time_);
    }
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
