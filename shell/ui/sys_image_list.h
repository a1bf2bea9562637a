#pragma once
// The system image lists in the windows: the icon table of the namespace (sys_icons.h) drawn at 16
// or 32 pixels. An index names a theme icon; without a theme (or without that icon) the icon of its
// kind from QFileIconProvider stands in, so every index draws something. Overlay 0 marks shared
// items, overlay 1 links; cut or ghosted items are drawn in the disabled mode. Main thread only.

#include <QIcon>
#include <QPixmap>
#include <QPoint>

class QPainter;

namespace corvane::shell {

inline constexpr int kOverlayNone = -1;
inline constexpr int kOverlayShared = 0;
inline constexpr int kOverlayLink = 1;

class TSysImageList {
public:
    // kind 0 small (16 pixels), 1 large (32).
    explicit TSysImageList(int kind = 0);

    int Size() const { return size_; }
    int Count() const;
    // The icon of a table index; the generic file for an index beyond the table.
    QIcon Icon(int index) const;
    // The image as drawn in a view: the icon, dimmed when cut, with the overlay in its lower left.
    QPixmap Pixmap(int index, int overlayIndex = kOverlayNone, bool cut = false) const;
    void Draw(QPainter& painter, QPoint at, int index, int overlayIndex = kOverlayNone, bool cut = false) const;

    // The overlay's own picture at a size.
    static QPixmap OverlayPixmap(int overlayIndex, int size);

private:
    int size_;
};

}  // namespace corvane::shell
