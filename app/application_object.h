#pragma once
// What the program's application object holds beyond Qt's own: the hint and its events, the help file,
// the exception handler, and the application-wide events, each fed by its Qt counterpart. The
// single-instance component copies its settings and handlers here. One per program, main thread only.

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace corvane {

// What a hint about to show is shown for.
struct THintInfo {
    QWidget* HintControl = nullptr;
    QPoint CursorPos;  // global
};

class TApplicationObject : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    // The one object, made on first use (an application must exist).
    static TApplicationObject& Instance();

    // The current hint: set by a program or by the status tip of the control under the pointer;
    // OnHint fires on every change.
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    // Off: no tooltip shows anywhere in the program.
    bool ShowHint = true;
    QString HelpFile;

    using TNotifyHandler = std::function<void(TApplicationObject& sender)>;
    // The program gained or lost the active window.
    TNotifyHandler OnActivate, OnDeactivate;
    // The main window was minimised, or came back from it.
    TNotifyHandler OnMinimize, OnRestore;
    TNotifyHandler OnHint;
    // The focus moved to another control, or to another window.
    TNotifyHandler OnActiveControlChange, OnActiveFormChange;
    // Before a tooltip shows: may change its text, or refuse it.
    std::function<void(QString& hint_text, bool& can_show, THintInfo& info)> OnShowHint;
    // Help asked for a control (What's This); true: the handler gave it, the control's own text is not shown.
    std::function<bool(TApplicationObject& sender, QWidget* control)> OnHelp;
    // Every event of the program before its receiver; handled = true swallows it.
    std::function<void(QObject* receiver, QEvent* event, bool& handled)> OnMessage;
    // An exception that escaped an event handler (null: not a std::exception). Unset: the program logs it.
    std::function<void(TApplicationObject& sender, const std::exception* error)> OnException;

    // Hooked into the event loop only while set: once each time the loop is about to wait.
    void SetOnIdle(TNotifyHandler handler);
    bool HasOnIdle() const { return static_cast<bool>(onIdle_); }
    // Hooked as a native event filter only while set; true: the message was handled (result answers it).
    using TWindowHook = std::function<bool(const QByteArray& event_type, void* message, qintptr* result)>;
    void SetOnWndProc(TWindowHook hook);
    bool HasOnWndProc() const { return static_cast<bool>(onWndProc_); }

    // The window OnMinimize and OnRestore watch (the main window); none while unset.
    void SetMainWindow(QWidget* window);

    // Called by the program's notify; false when no handler is set (the caller reports it then).
    bool HandleException(const std::exception* error);

    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEventFilter(const QByteArray& event_type, void* message, qintptr* result) override;

private:
    TApplicationObject();

    QString hint_;
    TNotifyHandler onIdle_;
    TWindowHook onWndProc_;
    QMetaObject::Connection idleConnection_;
    QPointer<QWidget> mainWindow_;
    bool active_ = false;
};

}  // namespace corvane
