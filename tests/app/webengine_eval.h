#pragma once
// Runs a script in a WebEngine view's page and waits (up to 10 s) for its value.

#include <gtest/gtest.h>

#include <QTest>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace corvane::testing {

inline QVariant EvalInView(QWebEngineView* view, const QString& script) {
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 10000)) << script.toStdString();
    return result;
}

}  // namespace corvane::testing
