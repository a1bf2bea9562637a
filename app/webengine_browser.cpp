#include "app/webengine_browser.h"

#include <QPointer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include "app/browser_request_policy.h"
#include "platform/rtl/log.h"

namespace corvane {

class TBrowserRequestFilter : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        BrowserLoad kind = BrowserLoad::Other;
        switch (info.resourceType()) {
            case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
            case QWebEngineUrlRequestInfo::ResourceTypeNavigationPreloadMainFrame:
                kind = BrowserLoad::Page;
                break;
            case QWebEngineUrlRequestInfo::ResourceTypeSubFrame:
            case QWebEngineUrlRequestInfo::ResourceTypeNavigationPreloadSubFrame:
                kind = BrowserLoad::Frame;
                break;
            case QWebEngineUrlRequestInfo::ResourceTypeXhr:  // XMLHttpRequest and fetch
                kind = BrowserLoad::ScriptRead;
                break;
            default:
                break;
        }
        if (!BrowserMayLoad(info.requestUrl(), kind)) {
            LogWarning("browser: refused " + info.requestUrl().toString().toStdString());
            info.block(true);
        }
    }
};

class TBrowserPage : public QWebEnginePage {
public:
    TBrowserPage(QWebEngineProfile* profile, TWebEngineBrowser& owner, QObject* parent)
        : QWebEnginePage(profile, parent), owner_(owner) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        if (isMainFrame) {
            if (owner_.OnBeforeNavigate) owner_.OnBeforeNavigate(url.toString());
        } else if (owner_.OnFrameBeforeNavigate) {
            owner_.OnFrameBeforeNavigate(url.toString());
        }
        return true;
    }
    // A page that asks for a window of its own gets this one.
    QWebEnginePage* createWindow(WebWindowType) override { return this; }

private:
    TWebEngineBrowser& owner_;
};

TWebEngineBrowser::TWebEngineBrowser(QWidget* parent)
    : filter_(std::make_unique<TBrowserRequestFilter>()) {
    // Off the record: nothing a captured page sets is kept on disk.
    profile_ = new QWebEngineProfile(this);
    profile_->setUrlRequestInterceptor(filter_.get());
    // Turned off, a captured page loses even its own images; scripts' reads are refused by the filter.
    profile_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    profile_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    connect(profile_, &QWebEngineProfile::downloadRequested, this, [](QWebEngineDownloadRequest* download) {
        LogWarning("browser: a page asked to download " + download->url().toString().toStdString());
        download->cancel();
    });

    view_ = new QWebEngineView(parent);
    view_->setObjectName(QStringLiteral("wbBrowser"));
    page_ = new TBrowserPage(profile_, *this, view_);
    view_->setPage(page_);

    connect(page_, &QWebEnginePage::loadStarted, this, [this] {
        busy_ = true;
        if (OnDownloadBegin) OnDownloadBegin();
    });
    connect(page_, &QWebEnginePage::loadProgress, this, [this](int progress) {
        if (OnProgressChange) OnProgressChange(progress, 100);
    });
    connect(page_, &QWebEnginePage::loadFinished, this, [this](bool) {
        busy_ = false;
        if (OnDownloadComplete) OnDownloadComplete();
        CommandStates();
        if (OnNavigateComplete) OnNavigateComplete(LocationURL());
    });
    connect(page_, &QWebEnginePage::urlChanged, this, [this](const QUrl&) { CommandStates(); });
    connect(page_, &QWebEnginePage::linkHovered, this, [this](const QString& url) {
        if (OnStatusTextChange) OnStatusTextChange(url);
    });
}

TWebEngineBrowser::~TWebEngineBrowser() {
    // The page goes before its profile.
    if (view_) {
        if (busy_) view_->stop();
        delete view_.data();
    }
    delete profile_;
}

QWidget* TWebEngineBrowser::Widget() { return view_.data(); }

void TWebEngineBrowser::Navigate(const QString& url) { view_->setUrl(QUrl(url)); }
void TWebEngineBrowser::GoBack() { view_->back(); }
void TWebEngineBrowser::GoForward() { view_->forward(); }
void TWebEngineBrowser::Stop() { view_->stop(); }
void TWebEngineBrowser::Refresh() { view_->reload(); }
QString TWebEngineBrowser::LocationURL() const { return page_->url().toString(); }

void TWebEngineBrowser::CommandStates() {
    if (!OnCommandStateChange) return;
    OnCommandStateChange(kCommandForward, page_->history()->canGoForward());
    OnCommandStateChange(kCommandBack, page_->history()->canGoBack());
}

void UseWebEngineBrowser() {
    SetBrowserControlFactory([](QWidget* parent) { return std::make_unique<TWebEngineBrowser>(parent); });
}

}  // namespace corvane
