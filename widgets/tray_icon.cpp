#include "widgets/tray_icon.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QMetaObject>
#include <QSessionManager>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace corvane {

namespace {

constexpr int kClickDelay = 400;  // how long a press waits for a second one
constexpr int kTipLength = 63;    // the tip's room, less its terminating zero

QWidget* CheckOwner(QObject* owner) {
    auto* form = qobject_cast<QWidget*>(owner);
    if (form == nullptr || !form->isWindow()) throw EInvalidOperation("TrayIcons must be owned by a Form !");
    return form;
}

}  // namespace

// ---- animation ----

TPGTrayIconAnimation::TPGTrayIconAnimation(TPGTrayIcon95& tray, TPGTimerManager& timers)
    : tray_(tray), timer_(timers, 1000, [this] { Step(); }) {}

void TPGTrayIconAnimation::SetInterval(int value) {
    timer_.SetInterval(value);
    if (tray_.Active() && tray_.State() == TPGTrayIconState::tsAnimated) Start();
}

void TPGTrayIconAnimation::SetIcons(const QStringList& icons) {
    icons_ = icons;
    if (tray_.Active() && tray_.State() == TPGTrayIconState::tsAnimated) index_ = 0;
}

void TPGTrayIconAnimation::Start() {
    timer_.SetEnabled(false);
    index_ = 0;
    Step();
    if (tray_.State() == TPGTrayIconState::tsAnimated) timer_.SetEnabled(true);
}

QIcon TPGTrayIconAnimation::CurrentIcon() const {
    if (index_ < 0 || index_ >= icons_.size()) return {};
    const QString& entry = icons_[index_];
    if (options_ == TPGTrayIconAnimationOptions::aoIconsAreFiles) return QIcon(entry);
    // Icons built into the program are Qt resources, named in capitals.
    return QIcon(QStringLiteral(":/") + entry.toUpper());
}

void TPGTrayIconAnimation::Step() {
    if (tray_.OnAnimation) tray_.OnAnimation(&tray_);
    if (index_ < icons_.size()) {
        // An icon that will not load leaves the one on show.
        const QIcon icon = CurrentIcon();
        if (!icon.isNull()) tray_.ShowIconNow(icon);
    }
    if (!icons_.isEmpty()) index_ = (index_ + 1) % static_cast<int>(icons_.size());
}

// ---- the tray icon ----

TPGTrayIcon95::TPGTrayIcon95(QObject* owner, std::unique_ptr<TrayBackend> backend)
    : QObject(CheckOwner(owner)),
      owner_(static_cast<QWidget*>(owner)),
      backend_(backend ? std::move(backend) : std::make_unique<QtTrayBackend>()),
      timers_(this),
      animation_(std::make_unique<TPGTrayIconAnimation>(*this, timers_)),
      clickTimer_(timers_, kClickDelay, [this] { DeliverClick(); }) {
    backend_->OnPress = [this](TrayButton button) { Press(button); };
    backend_->OnDoubleClick = [this](TrayButton button) { DoubleClick(button); };
    owner_->installEventFilter(this);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { EndSession(); });
}

TPGTrayIcon95::~TPGTrayIcon95() {
    RemoveIcon();
    if (owner_ != nullptr) owner_->removeEventFilter(this);
    // The animation's and the click's soft timers go before their manager.
    animation_.reset();
}

void TPGTrayIcon95::SetActive(bool value) {
    if (value)
        AddIcon();
    else
        RemoveIcon();
}

void TPGTrayIcon95::AddIcon() {
    RefreshShownIcon();
    active_ = true;
    UpdateMenu();
    backend_->SetIcon(shown_);
    backend_->SetToolTip(Tip());
    backend_->SetVisible(true);
    if (state_ == TPGTrayIconState::tsAnimated) animation_->Start();
}

void TPGTrayIcon95::RemoveIcon() {
    if (!active_) return;
    active_ = false;
    if (state_ == TPGTrayIconState::tsAnimated) animation_->Stop();
    backend_->SetVisible(false);
}

void TPGTrayIcon95::ModifyIcon() {
    if (!active_) return;
    backend_->SetIcon(shown_);
    backend_->SetToolTip(Tip());
}

void TPGTrayIcon95::ShowIconNow(const QIcon& icon) {
    shown_ = icon;
    ModifyIcon();
}

void TPGTrayIcon95::RefreshShownIcon() {
    switch (state_) {
    case TPGTrayIconState::tsEnabled:
        shown_ = icon_;
        break;
    case TPGTrayIconState::tsDisabled:
        shown_ = disabledIcon_;
        break;
    case TPGTrayIconState::tsAnimated: {
        const QIcon current = animation_->CurrentIcon();
        if (!current.isNull()) shown_ = current;
        break;
    }
    }
    ModifyIcon();
}

void TPGTrayIcon95::SetIcon(const QIcon& icon) {
    icon_ = icon;
    RefreshShownIcon();
}

void TPGTrayIcon95::SetDisabledIcon(const QIcon& icon) {
    disabledIcon_ = icon;
    RefreshShownIcon();
}

void TPGTrayIcon95::SetAutoPopup(bool value) {
    autoPopup_ = value;
    UpdateMenu();
}

void TPGTrayIcon95::SetPopupMenu(QMenu* menu) {
    popupMenu_ = menu;
    UpdateMenu();
}

void TPGTrayIcon95::UpdateMenu() { backend_->SetMenu(autoPopup_ ? popupMenu_.data() : nullptr); }

QString TPGTrayIcon95::Tip() const { return showHint_ ? hint_.left(kTipLength) : QString(); }

void TPGTrayIcon95::SetHint(const QString& value) {
    if (hint_ == value) return;
    hint_ = value;
    if (showHint_) ModifyIcon();
}

void TPGTrayIcon95::SetShowHint(bool value) {
    showHint_ = value;
    ModifyIcon();
}

void TPGTrayIcon95::SetState(TPGTrayIconState value) {
    if (inStateChanging_)
        throw EInvalidOperation("You cannot modify the state property in the OnStateChanging event !!!");
    if (!active_) {
        state_ = value;
        return;
    }
    if (value == state_) return;
    if (OnStateChanging) {
        inStateChanging_ = true;
        try {
            OnStateChanging(this, value);
        } catch (...) {
            inStateChanging_ = false;
            throw;
        }
        inStateChanging_ = false;
    }
    if (value == state_) return;
    if (state_ == TPGTrayIconState::tsAnimated) animation_->Stop();
    state_ = value;
    RefreshShownIcon();
    if (state_ == TPGTrayIconState::tsAnimated) animation_->Start();
}

// ---- clicks ----

void TPGTrayIcon95::Press(TrayButton button) {
    if (button == TrayButton::Right && autoPopup_ && popupMenu_) {
        backend_->PopupMenu(*popupMenu_, backend_->CursorPos());
        return;
    }
    doubleClicked_ = false;
    if (OnDblClick)
        clickTimer_.SetEnabled(true);  // a second press within the delay makes it a double-click
    else
        DeferredCall([this] { DeliverClick(); });
}

void TPGTrayIcon95::DoubleClick(TrayButton) {
    doubleClicked_ = true;
    DeliverClick();
}

void TPGTrayIcon95::DeliverClick() {
    clickTimer_.SetEnabled(false);
    if (doubleClicked_) {
        if (OnDblClick) OnDblClick(this);
    } else if (OnClick) {
        OnClick(this);
    }
}

void TPGTrayIcon95::DeferredCall(std::function<void()> fn) {
    deferred_ = std::move(fn);
    if (deferredPosted_) return;  // the one on its way runs the latest
    deferredPosted_ = true;
    QMetaObject::invokeMethod(this, [this] { RunDeferred(); }, Qt::QueuedConnection);
}

void TPGTrayIcon95::RunDeferred() {
    deferredPosted_ = false;
    std::function<void()> fn = std::move(deferred_);
    deferred_ = nullptr;
    if (fn) fn();
}

// ---- showing and hiding the program ----

void TPGTrayIcon95::ShowApp() {
    DeferredCall([this] {
        if (owner_ == nullptr) return;
        if (owner_->isMinimized()) owner_->showNormal();
        if (owner_->isHidden()) owner_->show();
        owner_->raise();
        owner_->activateWindow();
    });
}

void TPGTrayIcon95::FinishHide() {
    if (owner_ != nullptr) owner_->hide();
}

void TPGTrayIcon95::HideApp() {
    if ((options_ & toCloseFormsOnHideApp) == 0) {
        DeferredCall([this] {
            if (OnAppMinimize) OnAppMinimize(this);
            FinishHide();
        });
        return;
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        QWidget* window = *it;
        if (!window->isVisible()) continue;
        if (window == owner_)
            window->hide();
        else
            window->close();
    }
    FinishHide();
}

void TPGTrayIcon95::AppMinimized() {
    if (active_ && (options_ & toMinimizeToTray) != 0) HideApp();
    if (OnAppMinimize) OnAppMinimize(this);
}

void TPGTrayIcon95::AppRestored() {
    if (active_) ShowApp();
    if (OnAppRestore) OnAppRestore(this);
}

void TPGTrayIcon95::EndSession() { RemoveIcon(); }

bool TPGTrayIcon95::eventFilter(QObject* watched, QEvent* event) {
    if (watched == owner_ && event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        if (owner_->isMinimized())
            AppMinimized();
        else if (change->oldState() & Qt::WindowMinimized)
            AppRestored();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace corvane
