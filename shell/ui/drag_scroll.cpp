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

}  // namespace corvane::shell
