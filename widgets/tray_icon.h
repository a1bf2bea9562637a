#pragma once
// The notification-area icon: shows an icon and tip, reports clicks and double-clicks, opens a
// popup menu, animates through a list of icons, and hides and shows the whole program.
//
// Not on Linux, each a no-op: mouse move, enter and exit over the icon (no tray reports them), the
// hidden application window that takes the program off the taskbar, hiding the taskbar button,
// locking window updates, switching the minimise animation off, and palette messages.

#include "widgets/tray_backend.h"
#include "widgets/tray_timer_manager.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <stdexcept>

class QWidget;

namespace corvane {

// The class library's invalid-operation error.
class EInvalidOperation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TPGTrayIconState { tsEnabled, tsDisabled, tsAnimated };

enum TPGTrayIconOption { toMinimizeToTray = 1, toCloseFormsOnHideApp = 2, toHideTaskBarIconOnShowApp = 4 };
using TPGTrayIconOptions = int;

enum class TPGTrayIconAnimationOptions { aoIconsInExe, aoIconsAreFiles };

class TPGTrayIcon95;

class TPGTrayIconAnimation {
public:
    TPGTrayIconAnimation(TPGTrayIcon95& tray, TPGTimerManager& timers);

    int Interval() const { return timer_.Interval(); }
    void SetInterval(int value);
    const QStringList& Icons() const { return icons_; }
    void SetIcons(const QStringList& icons);
    TPGTrayIconAnimationOptions Options() const { return options_; }
    void SetOptions(TPGTrayIconAnimationOptions value) { options_ = value; }
    int Index() const { return index_; }

    void Start();
    void Stop() { timer_.SetEnabled(false); }
    // Shows the icon at the current index and moves on, back to 0 after the last.
    void Step();
    // The icon at the current index; null past the list.
    QIcon CurrentIcon() const;

private:
    TPGTrayIcon95& tray_;
    TPGTimerItem timer_;
    QStringList icons_;
    TPGTrayIconAnimationOptions options_ = TPGTrayIconAnimationOptions::aoIconsAreFiles;
    int index_ = 0;
};

class TPGTrayIcon95 : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TPGTrayIcon95*)>;
    using TStateChangingEvent = std::function<void(TPGTrayIcon95*, TPGTrayIconState&)>;

    // The owner must be a top-level window (a form); the backend defaults to the system tray.
    explicit TPGTrayIcon95(QObject* owner, std::unique_ptr<TrayBackend> backend = nullptr);
    ~TPGTrayIcon95() override;

    bool Active() const { return active_; }
    void SetActive(bool value);
    const QIcon& Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);
    const QIcon& DisabledIcon() const { return disabledIcon_; }
    void SetDisabledIcon(const QIcon& icon);
    TPGTrayIconAnimation& Animation() { return *animation_; }
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool value);
    const QString& Hint() const { return hint_; }
    void SetHint(const QString& value);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    // What the tip shows: the hint's first 63 characters, or nothing without ShowHint.
    QString Tip() const;
    TPGTrayIconOptions Options() const { return options_; }
    void SetOptions(TPGTrayIconOptions value) { options_ = value; }
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu);
    TPGTrayIconState State() const { return state_; }
    void SetState(TPGTrayIconState value);

    TNotifyEvent OnClick, OnDblClick, OnAnimation, OnAppMinimize, OnAppRestore;
    TStateChangingEvent OnStateChanging;
    // Kept for forms that set them; no Linux tray reports the cursor over the icon.
    TNotifyEvent OnMouseMove, OnMouseEnter, OnMouseExit;

    void ShowApp();
    void HideApp();
    // The owner window was minimised or restored.
    void AppMinimized();
    void AppRestored();
    // The session ends: the icon goes.
    void EndSession();

    // Runs fn once the main loop handles it; a later call replaces one not yet run.
    void DeferredCall(std::function<void()> fn);

    TPGTimerManager& Timers() { return timers_; }
    TrayBackend& Backend() { return *backend_; }
    QWidget* Owner() const { return owner_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TPGTrayIconAnimation;

    void AddIcon();
    void RemoveIcon();
    void ModifyIcon();
    void RefreshShownIcon();
    void ShowIconNow(const QIcon& icon);
    void Press(TrayButton button);
    void DoubleClick(TrayButton button);
    void DeliverClick();
    void RunDeferred();
    void UpdateMenu();
    void FinishHide();

    QWidget* owner_;
    std::unique_ptr<TrayBackend> backend_;
    TPGTimerManager timers_;
    std::unique_ptr<TPGTrayIconAnimation> animation_;
    TPGTimerItem clickTimer_;
    QIcon icon_, disabledIcon_, shown_;
    bool active_ = false;
    bool autoPopup_ = false;
    QString hint_;
    bool showHint_ = true;
    TPGTrayIconOptions options_ = toMinimizeToTray | toCloseFormsOnHideApp;
    QPointer<QMenu> popupMenu_;
    TPGTrayIconState state_ = TPGTrayIconState::tsEnabled;
    bool inStateChanging_ = false;
    bool doubleClicked_ = false;
    std::function<void()> deferred_;
    bool deferredPosted_ = false;
};

}  // namespace corvane
