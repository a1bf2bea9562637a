#include "tests/app/fake_browser_control.h"

#include <QTimer>

namespace corvane::testing {

FakeBrowserControl::FakeBrowserControl(QWidget* parent) : widget_(new QWidget(parent)) {
    widget_->setObjectName(QStringLiteral("wbBrowser"));
}

FakeBrowserControl::~FakeBrowserControl() { delete widget_; }

void FakeBrowserControl::Navigate(const QString& url) {
    calls.push_back("Navigate " + url.toStdString());
    busy = true;
    if (!completes) return;
    QTimer::singleShot(0, widget_, [this, url] {
        if (OnBeforeNavigate) OnBeforeNavigate(url);
        busy = false;
        location = url;
        if (OnNavigateComplete) OnNavigateComplete(url);
    });
}

void FakeBrowserControl::Stop() {
    calls.push_back("Stop");
    busy = false;
}

FakeBrowserFactory::FakeBrowserFactory() {
    previous_ = SetBrowserControlFactory([this](QWidget* parent) {
        auto control = std::make_unique<FakeBrowserControl>(parent);
        control->completes = completes;
        last = control.get();
        return control;
    });
}

FakeBrowserFactory::~FakeBrowserFactory() { SetBrowserControlFactory(std::move(previous_)); }

}  // namespace corvane::testing
