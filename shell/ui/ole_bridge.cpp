#include "shell/ui/ole_bridge.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>

#include "shell/ns/data_object.h"
#include "shell/ns/mime_bridge.h"

namespace corvane::shell {

namespace {

constexpr const char* kFilterName = "ShellOleDropFilter";

QWidget* DropWidget(QWidget* widget) {
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) return area->viewport();
    return widget;
}

POINTL GlobalPoint(QWidget* widget, const QPointF& local) {
    const QPoint global = widget->mapToGlobal(local.toPoint());
    return {global.x(), global.y()};
}

// Hands the widget's drag events to the drop target.
class TOleDropFilter final : public QObject {
public:
    TOleDropFilter(QWidget* widget, IDropTarget* target) : QObject(widget), widget_(widget) {
        setObjectName(QString::fromLatin1(kFilterName));
        target->AddRef();
        target_ = ComPtr<IDropTarget>::Attach(target);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
                Pass(static_cast<QDropEvent*>(event));
                return true;
            case QEvent::DragLeave:
                data_.Reset();
                target_->DragLeave();
                return true;
            default:
                return false;
        }
    }

private:
    void Pass(QDropEvent* event) {
        const std::uint32_t keys = KeyStateOf(event->buttons(), event->modifiers());
        const POINTL point = GlobalPoint(widget_, event->position());
        std::uint32_t effect = EffectsOf(event->possibleActions());
        HRESULT hr;
        if (event->type() == QEvent::DragEnter) {
            data_ = ComPtr<IDataObject>::Attach(new MimeDataObject(*event->mimeData()));
            hr = target_->DragEnter(data_.Get(), keys, point, &effect);
        } else if (event->type() == QEvent::DragMove) {
            hr = target_->DragOver(keys, point, &effect);
        } else {
            // The drop's own data: what was dragged may have changed since it entered.
            data_ = ComPtr<IDataObject>::Attach(new MimeDataObject(*event->mimeData()));
            hr = target_->Drop(data_.Get(), keys, point, &effect);
            data_.Reset();
        }
        const Qt::DropAction action = Failed(hr) ? Qt::IgnoreAction : ActionOf(effect, event->proposedAction());
        if (action == Qt::IgnoreAction) {
            // An ignored enter would end the moves over this widget: a drag that starts over a place
            // that takes nothing (the dragged item itself) could never reach one that does.
            if (event->type() == QEvent::DragEnter) {
                event->setDropAction(Qt::IgnoreAction);
                event->accept();
                return;
            }
            event->ignore();
            return;
        }
        event->setDropAction(action);
        event->accept();
    }

    QWidget* widget_;
    ComPtr<IDropTarget> target_;
    ComPtr<IDataObject> data_;
};

// Asks the drop source about every key and button while a drag runs.
class TDragWatch final : public QObject {
public:
    explicit TDragWatch(IDropSource* source) : source_(source) {}
    bool cancelled = false;

    bool eventFilter(QObject*, QEvent* event) override {
        Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
        Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
        bool escape = false;
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease: {
                auto* key = static_cast<QKeyEvent*>(event);
                escape = event->type() == QEvent::KeyPress && key->key() == Qt::Key_Escape;
                modifiers = key->modifiers();
                break;
            }
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
                buttons = static_cast<QMouseEvent*>(event)->buttons();
                modifiers = static_cast<QMouseEvent*>(event)->modifiers();
                break;
            default:
                return false;
        }
        if (!cancelled && source_->QueryContinueDrag(escape, KeyStateOf(buttons, modifiers)) == DRAGDROP_S_CANCEL) {
            cancelled = true;
            QDrag::cancel();
        }
        return false;
    }

private:
    IDropSource* source_;
};

TDragExec& DragExec() {
    static TDragExec exec;
    return exec;
}

}  // namespace

std::uint32_t KeyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    std::uint32_t keys = 0;
    if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) keys |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier) keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) keys |= MK_CONTROL;
    if (modifiers & Qt::AltModifier) keys |= MK_ALT;
    return keys;
}

std::uint32_t EffectsOf(Qt::DropActions actions) {
    std::uint32_t effects = 0;
    if (actions & Qt::CopyAction) effects |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction) effects |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction) effects |= DROPEFFECT_LINK;
    return effects;
}

Qt::DropActions ActionsOf(std::uint32_t effects) {
    Qt::DropActions actions;
    if (effects & DROPEFFECT_COPY) actions |= Qt::CopyAction;
    if (effects & DROPEFFECT_MOVE) actions |= Qt::MoveAction;
    if (effects & DROPEFFECT_LINK) actions |= Qt::LinkAction;
    return actions;
}

Qt::DropAction ActionOf(std::uint32_t effect, Qt::DropAction proposed) {
    if ((EffectsOf(proposed) & effect) != 0) return proposed;
    if (effect & DROPEFFECT_MOVE) return Qt::MoveAction;
    if (effect & DROPEFFECT_COPY) return Qt::CopyAction;
    if (effect & DROPEFFECT_LINK) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

HRESULT RegisterDragDrop(QWidget* widget, IDropTarget* target) {
    if (widget == nullptr || target == nullptr) return E_INVALIDARG;
    RevokeDragDrop(widget);
    QWidget* host = DropWidget(widget);
    host->setAcceptDrops(true);
    host->installEventFilter(new TOleDropFilter(host, target));
    return S_OK;
}

HRESULT RevokeDragDrop(QWidget* widget) {
    if (widget == nullptr) return E_INVALIDARG;
    QWidget* host = DropWidget(widget);
    auto* filter = host->findChild<TOleDropFilter*>(QString::fromLatin1(kFilterName), Qt::FindDirectChildrenOnly);
    if (filter == nullptr) return S_FALSE;
    host->removeEventFilter(filter);
    delete filter;
    host->setAcceptDrops(false);
    return S_OK;
}

TDragExec SetDragExec(TDragExec exec) { return std::exchange(DragExec(), std::move(exec)); }

HRESULT DoDragDrop(IDataObject* data, IDropSource* source, std::uint32_t allowed, std::uint32_t* effect,
                   QWidget* dragSource) {
    if (effect != nullptr) *effect = DROPEFFECT_NONE;
    // A drag needs a widget to start from.
    if (data == nullptr || source == nullptr || effect == nullptr || dragSource == nullptr) return E_INVALIDARG;
    QPointer<QDrag> drag = new QDrag(dragSource);
    drag->setMimeData(DataObjectMime(data));
    TDragWatch watch(source);
    qApp->installEventFilter(&watch);
    const Qt::DropActions actions = ActionsOf(allowed);
    const Qt::DropAction done = DragExec() ? DragExec()(*drag, actions) : drag->exec(actions);
    qApp->removeEventFilter(&watch);
    if (drag != nullptr) drag->deleteLater();
    if (watch.cancelled || done == Qt::IgnoreAction) return DRAGDROP_S_CANCEL;
    *effect = EffectsOf(done) & allowed;
    return DRAGDROP_S_DROP;
}

}  // namespace corvane::shell
