#pragma once
// Drags begun with the right mouse button in an item view. Where Qt asks for the context menu as the
// right button goes down (X11), a press on an item of a view that drags holds the menu back: a move
// past the start distance begins the view's drag instead, the release without one shows the menu
// where the button went down. Elsewhere, and from the keyboard, the menu comes as before.

#include <functional>

class QAbstractItemView;

namespace corvane::shell {

// Watches the view's viewport (the watch belongs to it). start begins the view's own drag of what
// the press chose, with the right button; it runs while the button is held.
void WatchRightDrag(QAbstractItemView& view, std::function<void()> start);

}  // namespace corvane::shell
