#pragma once
// In-place renaming in a tree view, started the way the desktop's own tree views start it: F2, a menu
// command (Rename), or a click on the item that was already selected before that click, once the
// double-click time has passed without a second click. A click on any other item only selects it, and
// one on the selected item's expand arrow only opens or shuts its branch.
//
// The trigger takes over the view's edit triggers (Qt's own are turned off) and sees the view's input
// before any event filter of the view, so a filter that selects on the press cannot make a first click
// look like a click on the selection. Whether an item may be renamed stays the view's own decision
// (its edit() and the model's flags); a refusal is quiet, with no warning on stderr.

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QPointer>
#include <QTimer>

class QAbstractItemView;
class QMouseEvent;

namespace corvane {

class TTreeRenameTrigger : public QObject {
public:
    // Made a child of the view: it goes with it.
    explicit TTreeRenameTrigger(QAbstractItemView& view);

    // Renames the current item now (F2, a menu's Rename). False when there is none or the view refuses.
    bool Rename();
    // A click on the selected item is waiting out the double-click time.
    bool Pending() const { return pause_.isActive(); }
    void Cancel() { pause_.stop(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Press(const QMouseEvent& event);
    void Release(const QMouseEvent& event);
    void PauseEnded();
    bool Open(const QModelIndex& index);

    QAbstractItemView& view_;
    QPointer<QWidget> viewport_;
    QPersistentModelIndex pressed_;
    QPoint pressed_at_;
    bool pressed_selected_ = false;
    QTimer pause_;
};

}  // namespace corvane
