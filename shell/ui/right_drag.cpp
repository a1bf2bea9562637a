#include "shell/ui/right_drag.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPointer>
#include <utility>

namespace corvane::shell {

namespace {

class TRightDragWatch final : public QObject {
public:
    TRightDragWatch(QAbstractItemView& view, std::function<void()> start)
        : QObject(view.viewport()), view_(view), viewport_(view.viewport()), start_(std::move(start)) {
        viewport_->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        // The view itself is not asked here: while it is destroyed its viewport still hides.
        if (watched != viewport_) return false;
        switch (event->type()) {
            case QEvent::MouseButtonPress:
                Press(*static_cast<QMouseEvent*>(event));
                return false;
            case QEvent::ContextMenu:
                return HoldMenu(*static_cast<QContextMenuEvent*>(event));
            case QEvent::MouseMove:
                return Move(*static_cast<QMouseEvent*>(event));
            case QEvent::MouseButtonRelease:
                return Release(*static_cast<QMouseEvent*>(event));
            default:
                return false;
        }
    }

private:
    void Press(const QMouseEvent& event) {
        // Any other button ends a right press: no drag and no menu come of it.
        pressed_ = event.button() == Qt::RightButton && view_.dragEnabled() &&
                   view_.indexAt(event.position().toPoint()).isValid();
        menuHeld_ = false;
        if (!pressed_) return;
        pressAt_ = event.position().toPoint();
        globalAt_ = event.globalPosition().toPoint();
        modifiers_ = event.modifiers();
    }

    // The menu asked for on the press waits for the release; one asked for later (systems that ask
    // on the release) passes.
    bool HoldMenu(QContextMenuEvent& event) {
        if (!pressed_ || event.reason() != QContextMenuEvent::Mouse) return false;
        menuHeld_ = true;
        event.accept();
        return true;
    }

    // The right button's moves are the watch's while the press lasts: the view starts no drag or
    // selection of its own from them.
    bool Move(const QMouseEvent& event) {
        if (!pressed_) return false;
        if ((event.buttons() & Qt::RightButton) == 0) {
            // The release went elsewhere.
            pressed_ = menuHeld_ = false;
            return false;
        }
        if ((event.position().toPoint() - pressAt_).manhattanLength() <= QApplication::startDragDistance()) return true;
        pressed_ = menuHeld_ = false;
        start_();
        return true;
    }

    bool Release(QMouseEvent& event) {
        if (!pressed_ || event.button() != Qt::RightButton) return false;
        pressed_ = false;
        if (!std::exchange(menuHeld_, false)) return false;
        // The view has its release first, then the menu shows where the button went down.
        QPointer<QWidget> viewport = viewport_;
        QCoreApplication::sendEvent(viewport, &event);
        if (viewport == nullptr) return true;
        QContextMenuEvent menu(QContextMenuEvent::Mouse, pressAt_, globalAt_, modifiers_);
        QCoreApplication::sendEvent(viewport, &menu);
        return true;
    }

    QAbstractItemView& view_;
    QWidget* const viewport_;  // owns this watch
    std::function<void()> start_;
    bool pressed_ = false;
    bool menuHeld_ = false;
    QPoint pressAt_;
    QPoint globalAt_;
    Qt::KeyboardModifiers modifiers_;
};

}  // namespace

void WatchRightDrag(QAbstractItemView& view, std::function<void()> start) {
    new TRightDragWatch(view, std::move(start));
}

}  // namespace corvane::shell
