#include "shell/ui/drag_scroll.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

namespace corvane::shell {

void DragScroll(QAbstractScrollArea* view, int bar, int direction) {
    if (view == nullptr) return;
    QScrollBar* scrollBar = bar == SB_HORZ ? view->horizontalScrollBar() : view->verticalScrollBar();
    // Qt's range already leaves out the page.
    if (scrollBar == nullptr || scrollBar->maximum() - scrollBar->minimum() <= 0) return;
    scrollBar->triggerAction(direction == SB_LINEUP ? QAbstractSlider::SliderSingleStepSub
                                                     : QAbstractSlider::SliderSingleStepAdd);
}

namespace {

constexpr int kScrollBandSides = 26;
constexpr int kScrollBandEnds = 20;

bool CanScroll(const QScrollBar* bar) { return bar != nullptr && bar->maximum() > bar->minimum(); }

}  // namespace

bool EdgeScroll(QAbstractScrollArea* view, QPoint point) {
    if (view == nullptr) return false;
    const QRect area = view->viewport()->rect();
    bool scrolled = false;
    const auto step = [&](int bar, int direction) {
        if (!CanScroll(bar == SB_HORZ ? view->horizontalScrollBar() : view->verticalScrollBar())) return;
        DragScroll(view, bar, direction);
        scrolled = true;
    };
    if (point.x() - area.left() < kScrollBandSides) step(SB_HORZ, SB_LINEUP);
    else if (area.left() + area.width() - point.x() < kScrollBandSides) step(SB_HORZ, SB_LINEDOWN);
    if (point.y() - area.top() < kScrollBandEnds) step(SB_VERT, SB_LINEUP);
    else if (area.top() + area.height() - point.y() < kScrollBandEnds) step(SB_VERT, SB_LINEDOWN);
    return scrolled;
}

}  // namespace corvane::shell
