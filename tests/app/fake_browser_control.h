#pragma once
// A browser control for the browser view's tests: records the commands it is given and replays the
// events a test asks for.

#include <QWidget>
#include <string>
#include <vector>

#include "app/browser_control.h"

namespace corvane::testing {

class FakeBrowserControl : public IBrowserControl {
public:
    explicit FakeBrowserControl(QWidget* parent);
    ~FakeBrowserControl() override;

    QWidget* Widget() override { return widget_; }
    void Navigate(const QString& url) override;
    void GoBack() override { calls.push_back("GoBack"); }
    void GoForward() override { calls.push_back("GoForward"); }
    void Stop() override;
    void Refresh() override { calls.push_back("Refresh"); }
    bool Busy() const override { return busy; }
    QString LocationURL() const override { return location; }

    std::vector<std::string> calls;
    // Each navigation then starts and completes from the event loop, with the events a real page sends.
    bool completes = false;
    bool busy = false;
    QString location;

private:
    QWidget* widget_;
};

// Installs a factory that makes fakes, and keeps the last one made.
class FakeBrowserFactory {
public:
    FakeBrowserFactory();
    ~FakeBrowserFactory();
    FakeBrowserControl* last = nullptr;
    // Given to every control made from now on.
    bool completes = false;

private:
    BrowserControlFactory previous_;
};

}  // namespace corvane::testing
