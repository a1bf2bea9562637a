#pragma once
// The browser control over Qt WebEngine. Each control has a profile of its own that keeps nothing on
// disk, refuses what the request policy refuses (browser_request_policy.h), opens new-window
// requests in its own view and cancels every download a page asks for.
//
// WebEngine reports no completion of a frame's navigation, so OnFrameNavigateComplete never fires.

#include <QObject>
#include <QPointer>
#include <QWebEngineView>
#include <memory>

#include "app/browser_control.h"

class QWebEngineProfile;

namespace corvane {

class TBrowserRequestFilter;
class TBrowserPage;

class TWebEngineBrowser : public QObject, public IBrowserControl {
    Q_OBJECT
public:
    // The view becomes a child of parent; the control itself is owned by its creator.
    explicit TWebEngineBrowser(QWidget* parent);
    ~TWebEngineBrowser() override;

    QWidget* Widget() override;
    void Navigate(const QString& url) override;
    void GoBack() override;
    void GoForward() override;
    void Stop() override;
    void Refresh() override;
    bool Busy() const override { return busy_; }
    QString LocationURL() const override;

    QWebEngineView* View() const { return view_.data(); }

private:
    void CommandStates();

    std::unique_ptr<TBrowserRequestFilter> filter_;
    QWebEngineProfile* profile_;
    QPointer<QWebEngineView> view_;
    TBrowserPage* page_;
    bool busy_ = false;
};

// Makes the browser view use this control.
void UseWebEngineBrowser();

}  // namespace corvane
