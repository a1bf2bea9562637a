// What the tree and the list bases share.

#include "shell/ui/custom_tree_list.h"

#include <QApplication>
#include <QKeyEvent>

namespace corvane::shell {

bool IsContextMenuKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return (event.key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
           (event.key() == Qt::Key_F10 && mods == Qt::ShiftModifier);
}

void TPTViewColors::Apply(QWidget& view, QPalette::ColorRole role, const QColor& color) {
    QPalette palette = view.palette();
    palette.setColor(role, color.isValid() ? color : QApplication::palette(&view).color(role));
    view.setPalette(palette);
}

}  // namespace corvane::shell
