#include "widgets/tree_rename_trigger.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace corvane {
namespace {

// The view's protected edit() opens an editor or refuses quietly (the public slot warns on a refusal);
// its state tells whether an editor is open. Reached through pointers to members, which a class
// derived from the view may form.
struct ViewAccess : QAbstractItemView {
    static bool Edit(QAbstractItemView& view, const QModelIndex& index) {
        const auto edit = static_cast<bool (QAbstractItemView::*)(const QModelIndex&, EditTrigger, QEvent*)>(
            &ViewAccess::edit);
        return (view.*edit)(index, AllEditTriggers, nullptr);
    }
    static bool Editing(const QAbstractItemView& view) { return (view.*&ViewAccess::state)() == EditingState; }
};

bool SelectedItem(const QAbstractItemView& view, const QModelIndex& index) {
    return index.isValid() && index == view.currentIndex() && view.selectionModel() != nullptr &&
           view.selectionModel()->isSelected(index);
}

}  // namespace

TTreeRenameTrigger::TTreeRenameTrigger(QAbstractItemView& view)
    : QObject(&view), view_(view), viewport_(view.viewport()) {
    setObjectName(QStringLiteral("TreeRenameTrigger"));
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    pause_.setSingleShot(true);
    connect(&pause_, &QTimer::timeout, this, &TTreeRenameTrigger::PauseEnded);
    // Ahead of the view's own filters, which may change the selection on the press.
    QCoreApplication::instance()->installEventFilter(this);
}

bool TTreeRenameTrigger::Rename() {
    pause_.stop();
    return Open(view_.currentIndex());
}

bool TTreeRenameTrigger::Open(const QModelIndex& index) {
    if (!index.isValid() || ViewAccess::Editing(view_)) return false;
    view_.scrollTo(index);
    return ViewAccess::Edit(view_, index);
}

bool TTreeRenameTrigger::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport_.data()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: Press(static_cast<QMouseEvent&>(*event)); break;
        case QEvent::MouseButtonRelease: Release(static_cast<QMouseEvent&>(*event)); break;
        case QEvent::MouseButtonDblClick: pause_.stop(); pressed_selected_ = false; break;
        default: break;
        }
    } else if (watched == &view_) {
        if (event->type() == QEvent::KeyPress) {
            pause_.stop();
            const auto& key = static_cast<const QKeyEvent&>(*event);
            if (key.key() == Qt::Key_F2 && key.modifiers() == Qt::NoModifier) {
                Rename();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut || event->type() == QEvent::Hide) {
            pause_.stop();
        }
    }
    return QObject::eventFilter(watched, event);
}

void TTreeRenameTrigger::Press(const QMouseEvent& event) {
    pause_.stop();
    const QPoint at = event.position().toPoint();
    pressed_ = view_.indexAt(at);
    pressed_at_ = at;
    // Only a click on the item itself: one on its expand arrow or the indentation left of it opens
    // or shuts the branch and nothing more.
    pressed_selected_ = event.button() == Qt::LeftButton && event.modifiers() == Qt::NoModifier &&
                        !ViewAccess::Editing(view_) && SelectedItem(view_, pressed_) &&
                        view_.visualRect(pressed_).contains(at);
}

void TTreeRenameTrigger::Release(const QMouseEvent& event) {
    const bool armed = pressed_selected_;
    pressed_selected_ = false;
    if (!armed || event.button() != Qt::LeftButton) return;
    const QPoint at = event.position().toPoint();
    if ((at - pressed_at_).manhattanLength() >= QApplication::startDragDistance()) return;
    if (view_.indexAt(at) != QModelIndex(pressed_)) return;
    pause_.start(QApplication::doubleClickInterval());
}

void TTreeRenameTrigger::PauseEnded() {
    // The selection may have moved or the view gone away meanwhile.
    if (view_.isVisible() && SelectedItem(view_, pressed_)) Open(pressed_);
}

}  // namespace corvane
