#pragma once
// The browser view over the real WebEngine control, shown offscreen with the URL box and status label
// it drives, for tests that load one of the program's pages and look into it with scripts.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <string>

#include "app/form_browser.h"
#include "app/form_status.h"
#include "app/webengine_browser.h"

namespace corvane::testing {

class WebEngineViewUnderTest {
public:
    explicit WebEngineViewUnderTest(QSize size) {
        url_box.setEditable(true);
        form.SetControls({nullptr, nullptr, nullptr, nullptr, nullptr, &url_box, &status_view});
        form.resize(size);
        form.show();
    }

    // The control's view; null (and the test failed) when the control is not the WebEngine one.
    QWebEngineView* View() {
        auto* browser = dynamic_cast<TWebEngineBrowser*>(form.Control());
        EXPECT_NE(browser, nullptr);
        return browser != nullptr ? browser->View() : nullptr;
    }

    // Navigates to the local page and waits until it has loaded.
    bool Load(const std::string& path) {
        QWebEngineView* view = View();
        if (view == nullptr) return false;
        bool loaded = false;
        const auto connection =
            QObject::connect(view, &QWebEngineView::loadFinished, [&loaded](bool ok) { loaded = ok; });
        const bool done = form.Navigate(path) && QTest::qWaitFor([&loaded] { return loaded; }, 30000);
        QObject::disconnect(connection);
        return done;
    }

    // The value of a script run in the page.
    QVariant Eval(const QString& script) {
        QVariant result;
        bool done = false;
        View()->page()->runJavaScript(script, [&](const QVariant& value) {
            result = value;
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&done] { return done; }, 10000)) << script.toStdString();
        return result;
    }

    QComboBox url_box;
    TFormStatus status_view;
    TFormBrowser form;
};

}  // namespace corvane::testing
