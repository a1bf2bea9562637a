#pragma once
// Scrolls a view by one step while something is dragged over its edge.

#include <QPoint>

class QAbstractScrollArea;

namespace corvane::shell {

inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;
inline constexpr int SB_LINEUP = 0;
inline constexpr int SB_LINEDOWN = 1;

// bar: SB_HORZ or SB_VERT; direction: SB_LINEUP or SB_LINEDOWN. Nothing happens when the bar has
// no range to scroll.
void DragScroll(QAbstractScrollArea* view, int bar, int direction);

// One step towards the edge whose band (26 pixels left and right, 20 top and bottom) holds point
// (viewport co-ordinates), on each axis; true when anything scrolled.
bool EdgeScroll(QAbstractScrollArea* view, QPoint point);

}  // namespace corvane::shell
