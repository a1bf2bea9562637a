#include "app/application_object.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QHelpEvent>
#include <QStatusTipEvent>
#include <QToolTip>
#include <QWidget>
#include <QWindow>
#include <QWindowStateChangeEvent>

namespace corvane {
namespace {

QPointer<TApplicationObject> instance;

}  // namespace

TApplicationObject& TApplicationObject::Instance() {
    if (!instance) instance = new TApplicationObject();
    return *instance;
}

TApplicationObject::TApplicationObject() : QObject(QCoreApplication::instance()) {
    QCoreApplication::instance()->installEventFilter(this);
    active_ = QGuiApplication::applicationState() == Qt::ApplicationActive;
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        const bool active = state == Qt::ApplicationActive;
        if (active == active_) return;
        active_ = active;
        const TNotifyHandler& handler = active ? OnActivate : OnDeactivate;
        if (handler) handler(*this);
    });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget*) {
        if (OnActiveControlChange) OnActiveControlChange(*this);
    });
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow*) {
        if (OnActiveFormChange) OnActiveFormChange(*this);
    });
}

void TApplicationObject::SetHint(const QString& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    if (OnHint) OnHint(*this);
}

void TApplicationObject::SetOnIdle(TNotifyHandler handler) {
    onIdle_ = std::move(handler);
    if (onIdle_ && !idleConnection_) {
        idleConnection_ = connect(QAbstractEventDispatcher::instance(thread()), &QAbstractEventDispatcher::aboutToBlock,
                                  this, [this] {
                                      // A handler may unset itself.
                                      const TNotifyHandler idle = onIdle_;
                                      if (idle) idle(*this);
                                  });
    } else if (!onIdle_ && idleConnection_) {
        disconnect(idleConnection_);
        idleConnection_ = {};
    }
}

void TApplicationObject::SetOnWndProc(TWindowHook hook) {
    const bool hooked = static_cast<bool>(onWndProc_);
    onWndProc_ = std::move(hook);
    if (onWndProc_ && !hooked) QCoreApplication::instance()->installNativeEventFilter(this);
    if (!onWndProc_ && hooked) QCoreApplication::instance()->removeNativeEventFilter(this);
}

void TApplicationObject::SetMainWindow(QWidget* window) { mainWindow_ = window; }

bool TApplicationObject::HandleException(const std::exception* error) {
    if (!OnException) return false;
    // The handler runs where the exception was caught: one of its own must not end the program.
    try {
        OnException(*this, error);
    } catch (...) {
        return false;
    }
    return true;
}

bool TApplicationObject::nativeEventFilter(const QByteArray& event_type, void* message, qintptr* result) {
    const TWindowHook hook = onWndProc_;
    return hook && hook(event_type, message, result);
}

bool TApplicationObject::eventFilter(QObject* watched, QEvent* event) {
    if (OnMessage) {
        bool handled = false;
        OnMessage(watched, event, handled);
        if (handled) return true;
    }
    switch (event->type()) {
    case QEvent::ToolTip: {
        if (!ShowHint) {
            QToolTip::hideText();
            return true;
        }
        // Asked for the control that has a hint of its own; the others pass the event to their parent.
        auto* control = qobject_cast<QWidget*>(watched);
        if (!OnShowHint || !control || control->toolTip().isEmpty()) break;
        const auto* help = static_cast<QHelpEvent*>(event);
        QString text = control->toolTip();
        bool can_show = true;
        THintInfo info{control, help->globalPos()};
        OnShowHint(text, can_show, info);
        if (!can_show) {
            QToolTip::hideText();
            return true;
        }
        if (text != control->toolTip()) {
            QToolTip::showText(info.CursorPos, text, control);
            return true;
        }
        break;
    }
    case QEvent::StatusTip:
        SetHint(static_cast<QStatusTipEvent*>(event)->tip());
        break;
    case QEvent::WhatsThis:
        if (auto* control = qobject_cast<QWidget*>(watched); control && OnHelp && OnHelp(*this, control)) return true;
        break;
    case QEvent::WindowStateChange:
        if (mainWindow_ && watched == mainWindow_.data()) {
            const bool was = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
            const bool is = static_cast<QWidget*>(watched)->isMinimized();
            if (is && !was && OnMinimize) OnMinimize(*this);
            if (!is && was && OnRestore) OnRestore(*this);
        }
        break;
    default:
        break;
    }
    return false;
}

}  // namespace corvane
