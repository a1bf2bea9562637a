#include "app/single_instance.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPalette>
#include <QProxyStyle>
#include <QRandomGenerator>
#include <QThread>
#include <QToolTip>
#include <QWidget>

#include "app/handover_message.h"

#include <cstdio>

namespace corvane {
namespace {

// Components are made on the main thread only.
int componentCount = 0;

// While a modal dialog is open, hand-overs wait and are looked at again this often.
constexpr int kModalRetryMs = 100;
// Between attempts of a later start, while the first instance is still starting or just went away.
constexpr int kElectRetryMs = 50;

void Warn(const QString& text) {
    std::fprintf(stderr, "Corvane: %s\n", text.toLocal8Bit().constData());
}

// Clears a flag however the scope is left.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
};

}  // namespace

TDuplicateError::TDuplicateError()
    : std::logic_error("You can have only one TApplicata component in a project") {}

TApplicata::TApplicata(QObject* owner) : QObject(owner) {
    if (componentCount > 0) throw TDuplicateError();
    ++componentCount;
    dispatchTimer_.setSingleShot(true);
    connect(&dispatchTimer_, &QTimer::timeout, this, &TApplicata::Dispatch);
}

TApplicata::~TApplicata() {
    // The application object outlives the component; handlers left there would call into freed code.
    for (auto it = takeBack_.rbegin(); it != takeBack_.rend(); ++it) (*it)();
    --componentCount;
}

void TApplicata::SetOwner(QWidget* owner) {
    setParent(owner);
    TApplicationObject::Instance().SetMainWindow(owner ? owner->window() : nullptr);
}

QString TApplicata::NewProgramID() {
    QString id;
    for (int i = 0; i < 10; ++i) id.append(QLatin1Char(static_cast<char>('A' + QRandomGenerator::global()->bounded(24))));
    return id;
}

namespace {

// The pause before a hint shows is a style hint here: the application's style, with that one changed.
class THintPauseStyle : public QProxyStyle {
public:
    THintPauseStyle(const QString& base, int pause) : QProxyStyle(base), pause_(pause) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_ToolTip_WakeUpDelay) return pause_;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }

private:
    int pause_;
};

}  // namespace

QStringList TApplicata::HandOverLines(TParamPassing passing, const QStringList& absoluteParameters) {
    if (absoluteParameters.isEmpty()) return {};
    QStringList lines{passing == TParamPassing::ppSeparate ? QStringLiteral("PARAM") : QStringLiteral("PARAMS")};
    lines.append(absoluteParameters);
    return lines;
}

void TApplicata::Apply() {
    TApplicationObject& application = TApplicationObject::Instance();
    const auto copy = [this](const auto& handler, auto& target) {
        if (!handler) return;
        target = handler;
        takeBack_.push_back([&target] { target = nullptr; });
    };
    copy(OnActivate, application.OnActivate);
    copy(OnDeactivate, application.OnDeactivate);
    copy(OnException, application.OnException);
    copy(OnHelp, application.OnHelp);
    copy(OnHint, application.OnHint);
    copy(OnMessage, application.OnMessage);
    copy(OnMinimize, application.OnMinimize);
    copy(OnRestore, application.OnRestore);
    copy(OnShowHint, application.OnShowHint);
    copy(OnActiveControlChange, application.OnActiveControlChange);
    copy(OnActiveFormChange, application.OnActiveFormChange);
    if (OnIdle) {
        application.SetOnIdle(OnIdle);
        takeBack_.push_back([&application] { application.SetOnIdle({}); });
    }
    if (!Hint.isEmpty()) application.SetHint(Hint);
    if (QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay) != HintPause)
        QApplication::setStyle(new THintPauseStyle(QApplication::style()->name(), HintPause));
    QPalette hints = QToolTip::palette();
    if (hints.color(QPalette::ToolTipBase) != HintColor) {
        hints.setColor(QPalette::ToolTipBase, HintColor);
        QToolTip::setPalette(hints);
    }
    application.ShowHint = ShowHint;
    if (HelpFile != application.HelpFile) application.HelpFile = HelpFile;
    if (!Title.isEmpty() && Title != QGuiApplication::applicationDisplayName())
        QGuiApplication::setApplicationDisplayName(Title);
    if (!Icon.isNull()) QGuiApplication::setWindowIcon(Icon);
    if (auto* owner = qobject_cast<QWidget*>(parent())) application.SetMainWindow(owner->window());
    if (OnWndProc) {
        application.SetOnWndProc(OnWndProc);
        takeBack_.push_back([&application] { application.SetOnWndProc({}); });
    }
}

void TApplicata::Loaded(const QStringList& parameters) {
    Apply();
    const QString folder = RuntimeFolder.isEmpty() ? TInstanceLink::RuntimeFolder() : RuntimeFolder;
    if (folder.isEmpty()) {
        // Better a second instance than none at all.
        Warn(QStringLiteral("no runtime folder; other starts of the program will not be handed over"));
        instanceCount_ = 1;
        return;
    }
    link_ = new TInstanceLink(folder, ProgramID, this);
    link_->OnMessage = [this](const QStringList& lines) { Receive(lines); };
    HandOver(folder, parameters);
}

void TApplicata::HandOver(const QString& folder, const QStringList& parameters) {
    const QDeadlineTimer deadline(HandOverTimeoutMs);
    const int allowed = std::max(1, AllowedInstances);
    const bool restore = FoundAction == TFoundAction::faRestoreAndQuit || FoundAction == TFoundAction::faRestore;
    const bool quit = FoundAction == TFoundAction::faRestoreAndQuit || FoundAction == TFoundAction::faQuit;
    // The window comes to the front before the parameters arrive, so that what they open shows over it.
    std::deque<QStringList> messages;
    if (restore) messages.push_back({});
    const QStringList lines = HandOverLines(ParamPassing, MakeParametersAbsolute(parameters, QDir::currentPath()));
    if (!lines.isEmpty()) messages.push_back(lines);
    const QString socketPath = TInstanceLink::SocketPath(folder, ProgramID);
    QString reason;
    for (;;) {
        switch (link_->Elect(allowed)) {
        case TInstanceLink::Election::First:
            instanceCount_ = 1 + link_->OthersFound();
            if (!link_->Serving()) Warn(link_->ErrorText() + QStringLiteral("; other starts will not be handed over"));
            return;
        case TInstanceLink::Election::Admitted:
            instanceCount_ = 1 + link_->OthersFound();
            return;
        case TInstanceLink::Election::Unavailable:
            instanceCount_ = 1;
            Warn(link_->ErrorText() + QStringLiteral("; other starts will not be handed over"));
            return;
        case TInstanceLink::Election::Taken:
            break;
        }
        if (instanceCount_ == 0) {
            instanceCount_ = allowed + 1;
            if (OnSecondInstance) OnSecondInstance(*this);
        }
        // Each message goes once, whatever the retries.
        while (!messages.empty()) {
            const auto failure = TInstanceLink::HandOver(
                socketPath, messages.front(), static_cast<int>(std::max<qint64>(0, deadline.remainingTime())));
            if (failure) {
                reason = *failure;
                break;
            }
            messages.pop_front();
        }
        if (messages.empty()) {
            terminating_ = quit;
            exitCode_ = 0;
            return;
        }
        if (deadline.hasExpired()) break;
        QThread::msleep(kElectRetryMs);
    }
    Warn(QStringLiteral("the running Corvane did not answer within %1 seconds (%2)")
             .arg(HandOverTimeoutMs / 1000.0)
             .arg(reason));
    // A start that was to go on running does so, unheard.
    terminating_ = quit;
    exitCode_ = quit ? 1 : 0;
}

void TApplicata::Receive(const QStringList& lines) {
    if (lines.isEmpty()) {
        RestoreWindow();
        return;
    }
    const QStringList parameters = lines.mid(1);
    if (lines.front() == QLatin1String("PARAMS")) {
        queue_.push_back({true, parameters});
    } else if (lines.front() == QLatin1String("PARAM")) {
        for (const QString& parameter : parameters) queue_.push_back({false, {parameter}});
    } else {
        return;
    }
    // Handlers run from the event loop, never inside the socket's read.
    if (!dispatching_) dispatchTimer_.start(0);
}

void TApplicata::RestoreWindow() {
    // The dialog that keeps the window busy is what the user has to see.
    QWidget* target = QApplication::activeModalWidget();
    if (!target) {
        auto* owner = qobject_cast<QWidget*>(parent());
        target = owner ? owner->window() : nullptr;
    }
    if (!target) return;
    if (target->isMinimized()) target->setWindowState(target->windowState() & ~Qt::WindowMinimized);
    if (!target->isVisible()) target->show();
    target->raise();
    target->activateWindow();
}

void TApplicata::Dispatch() {
    if (dispatching_ || queue_.empty()) return;  // a running handler goes on with the queue when it returns
    if (QApplication::activeModalWidget()) {
        dispatchTimer_.start(kModalRetryMs);
        return;
    }
    const Request request = queue_.front();
    queue_.pop_front();
    {
        FlagGuard busy(dispatching_);
        Fire(request);
    }
    if (!queue_.empty()) dispatchTimer_.start(0);
}

void TApplicata::Fire(const Request& request) {
    if (request.oneTurn) {
        if (OnParams) OnParams(*this, request.parameters);
    } else if (OnParam) {
        OnParam(*this, request.parameters.front());
    }
}

}  // namespace corvane
