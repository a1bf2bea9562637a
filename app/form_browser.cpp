#include "app/form_browser.h"

#include <QAbstractButton>
#include <QVBoxLayout>

#include "app/browser_control.h"
#include "app/browser_request_policy.h"
#include "app/form_status.h"
#include "localisation/app_language.h"
#include "localisation/lang_text.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "localisation/message_ids.h"
#include "platform/rtl/log.h"
#include "widgets/app_host.h"

namespace corvane {
namespace {


const bool registered =
    RegisterCaptureForm("FormBrowser", [] { return std::unique_ptr<QObject>(new TFormBrowser); });

}  // namespace

TFormBrowser::TFormBrowser(QWidget* parent) : QWidget(parent) {
    (void)registered;
    setObjectName(QStringLiteral("FormBrowser"));
    setWindowTitle(QStringLiteral("Browse"));
    setWindowFlag(Qt::Tool);
    resize(640, 420);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    lang_ = new TKMLang(this);
    lang_->Loaded();
}

TFormBrowser::~TFormBrowser() {
    if (control_ && control_->Busy()) control_->Stop();
}

void TFormBrowser::SetControls(const TBrowserControls& controls) {
    back_ = controls.back;
    forward_ = controls.forward;
    stop_ = controls.stop;
    refresh_ = controls.refresh;
    home_ = controls.home;
    url_box_ = controls.url_box;
    status_ = controls.status;
    const std::pair<QAbstractButton*, void (TFormBrowser::*)()> commands[] = {
        {controls.back, &TFormBrowser::GoBack},   {controls.forward, &TFormBrowser::GoForward},
        {controls.stop, &TFormBrowser::Stop},     {controls.refresh, &TFormBrowser::Refresh},
        {controls.home, &TFormBrowser::GoHome}};
    for (const auto& [button, command] : commands)
        if (button != nullptr) connect(button, &QAbstractButton::clicked, this, command, Qt::UniqueConnection);
}

void TFormBrowser::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    EnsureControl();
    Enable(refresh_, true);
    Enable(home_, true);
}

IBrowserControl* TFormBrowser::EnsureControl() {
    if (!control_) {
        control_ = CreateBrowserControl(this);
        if (!control_) {
            LogWarning("browser: no browser control is installed");
            return nullptr;
        }
        layout()->addWidget(control_->Widget());
        control_->Widget()->show();
        BindEvents(*control_);
    }
    return control_.get();
}

void TFormBrowser::Enable(QAbstractButton* button, bool enabled) {
    if (button != nullptr) button->setEnabled(enabled);
}

void TFormBrowser::SetStatus(const QString& text) {
    if (status_) status_->ShowBrowserStatus(text);
}

void TFormBrowser::BindEvents(IBrowserControl& control) {
    control.OnBeforeNavigate = [this](const QString& url) {
        Enable(stop_, true);
        if (url_box_) url_box_->setEditText(url);
        SetStatus(LangText(msg::BrowserOpening));
    };
    control.OnCommandStateChange = [this](int command, bool enable) {
        if (command == IBrowserControl::kCommandForward) Enable(forward_, enable);
        if (command == IBrowserControl::kCommandBack) Enable(back_, enable);
    };
    control.OnDownloadBegin = [this] { Enable(stop_, true); };
    control.OnDownloadComplete = [this] { Enable(stop_, false); };
    control.OnFrameBeforeNavigate = [this](const QString&) {
        Enable(stop_, true);
        SetStatus(LangText(msg::BrowserFrameOpening));
    };
    control.OnFrameNavigateComplete = [this](const QString&) { SetStatus(LangText(msg::BrowserFrameDone)); };
    control.OnNavigateComplete = [this](const QString& url) {
        SetStatus(QStringLiteral("Done."));
        if (!url_box_) return;
        const QString upper = url.toUpper();
        for (int i = 0; i < url_box_->count(); ++i)
            if (url_box_->itemText(i).toUpper() == upper) return;
        // Inserting into an empty box would also change its edit text.
        const QString typed = url_box_->currentText();
        url_box_->insertItem(0, url);
        url_box_->setEditText(typed);
    };
    control.OnStatusTextChange = [this](const QString& text) { SetStatus(text); };
    control.OnProgressChange = [](int, int) {};
}

bool TFormBrowser::Navigate(const std::string& url) {
    const QUrl target = BrowserNavigateTarget(QString::fromStdString(url));
    if (target.isEmpty()) {
        LogWarning("browser: not a web address or a local path: " + url);
        return false;
    }
    IBrowserControl* control = EnsureControl();
    if (control == nullptr) return false;
    if (control->Busy()) control->Stop();
    control->Navigate(target.toString());
    return true;
}

void TFormBrowser::GoBack() {
    if (IBrowserControl* control = EnsureControl()) control->GoBack();
}
void TFormBrowser::GoForward() {
    if (IBrowserControl* control = EnsureControl()) control->GoForward();
}
void TFormBrowser::Stop() {
    if (IBrowserControl* control = EnsureControl()) control->Stop();
}
void TFormBrowser::Refresh() {
    if (IBrowserControl* control = EnsureControl()) control->Refresh();
}
void TFormBrowser::GoHome() { AppHostInstance().ShowBrowserView(""); }

}  // namespace corvane
