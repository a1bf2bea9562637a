// The About page in the real WebEngine browser view, offscreen: the logo loads and the tabs switch.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "app/about_page.h"
#include "app/form_browser.h"
#include "app/webengine_browser.h"
#include "platform/launch/launcher.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

QString Eval(QWebEngineView* view, const QString& script) {
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 10000)) << script.toStdString();
    return result.toString();
}

TEST(AboutPageWebEngine, ShowsTheLogoAndSwitchesTabsByScript) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    SetCaptureFolder("temp", temp.path().toStdString());
    const std::string page = WriteAboutPage(temp.path().toStdString());

    QComboBox url_box;
    QLabel status;
    url_box.setEditable(true);
    TFormBrowser form;
    form.SetControls({nullptr, nullptr, nullptr, nullptr, nullptr, &url_box, &status});
    form.resize(640, 420);
    form.show();
    auto* browser = dynamic_cast<TWebEngineBrowser*>(form.Control());
    ASSERT_NE(browser, nullptr);
    QWebEngineView* view = browser->View();
    bool loaded = false;
    QObject::connect(view, &QWebEngineView::loadFinished, [&](bool ok) { loaded = ok; });
    ASSERT_TRUE(form.Navigate(page));
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded; }, 30000));

    EXPECT_EQ(view->title(), QStringLiteral("Corvane About"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Eval(view, QStringLiteral("String(document.getElementById('logo').naturalWidth > 0)")) == "true"; },
        10000));
    const QString shown = QStringLiteral("getComputedStyle(document.getElementById('page%1')).display");
    EXPECT_EQ(Eval(view, shown.arg(1)), QStringLiteral("block"));
    EXPECT_EQ(Eval(view, shown.arg(2)), QStringLiteral("none"));
    SaveScreenshot(form, QStringLiteral("-about"));

    Eval(view, QStringLiteral("document.getElementById('tab2').click(); ''"));
    EXPECT_EQ(Eval(view, shown.arg(1)), QStringLiteral("none"));
    EXPECT_EQ(Eval(view, shown.arg(2)), QStringLiteral("block"));
    EXPECT_EQ(Eval(view, QStringLiteral("document.getElementById('tab2').className")), QStringLiteral("tab current"));
    QTest::qWait(200);
    SaveScreenshot(form, QStringLiteral("-about-credits"));
    SetCaptureFolder("temp", "");
}

}  // namespace
}  // namespace corvane::testing

