#pragma once
// The web-browser control the browser view holds: commands, state and the events the view binds.
// The program installs the Qt WebEngine control (UseWebEngineBrowser, webengine_browser.h) as the
// factory at start-up; tests install a fake.

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace corvane {

class IBrowserControl {
public:
    virtual ~IBrowserControl() = default;

    // The control's window, owned by the control.
    virtual QWidget* Widget() = 0;

    // A web address (http, https) or a file:// URL; the view checks what it hands over.
    virtual void Navigate(const QString& url) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void Stop() = 0;
    virtual void Refresh() = 0;
    virtual bool Busy() const = 0;
    virtual QString LocationURL() const = 0;

    // Command numbers of OnCommandStateChange.
    static constexpr int kCommandForward = 1;
    static constexpr int kCommandBack = 2;

    // Events, fired on the main thread.
    std::function<void(const QString& url)> OnBeforeNavigate;
    std::function<void(int command, bool enable)> OnCommandStateChange;
    std::function<void()> OnDownloadBegin;
    std::function<void()> OnDownloadComplete;
    std::function<void(const QString& url)> OnFrameBeforeNavigate;
    std::function<void(const QString& url)> OnFrameNavigateComplete;
    std::function<void(const QString& url)> OnNavigateComplete;
    std::function<void(const QString& text)> OnStatusTextChange;
    std::function<void(int progress, int maximum)> OnProgressChange;
};

using BrowserControlFactory = std::function<std::unique_ptr<IBrowserControl>(QWidget* parent)>;

// Installs the factory the browser view uses and returns the previous one.
BrowserControlFactory SetBrowserControlFactory(BrowserControlFactory factory);
// Null while no factory is installed.
std::unique_ptr<IBrowserControl> CreateBrowserControl(QWidget* parent);

}  // namespace corvane
