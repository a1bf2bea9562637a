#pragma once
// The main window's bounds kept in the registry between runs.

#include <QRect>
#include <vector>

namespace corvane {

inline constexpr const char* kFormCorvaneKey = "\\Software\\Brellium\\Corvane\\Settings\\FormCorvane";

// The stored bounds with their floors applied: left and top below 0 become 0, a width below 600
// becomes 640, a height below 400 becomes 480; missing or unreadable values take 0, 0, 640, 480.
// Bounds that meet none of the screens move onto the first one (the primary screen).
QRect StoredWindowBounds(const std::vector<QRect>& screens);
void StoreWindowBounds(const QRect& bounds);

}  // namespace corvane
