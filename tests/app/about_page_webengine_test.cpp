// The About page in the real WebEngine browser view, offscreen: the logo loads and the tabs switch.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/about_page.h"
#include "platform/launch/launcher.h"
#include "tests/app/webengine_view.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

TEST(AboutPageWebEngine, ShowsTheLogoAndSwitchesTabsByScript) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    SetCaptureFolder("temp", temp.path().toStdString());
    WebEngineViewUnderTest browser(QSize(640, 420));
    ASSERT_TRUE(browser.Load(WriteAboutPage(temp.path().toStdString())));

    EXPECT_EQ(browser.View()->title(), QStringLiteral("Corvane About"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return browser.Eval(QStringLiteral("document.getElementById('logo').naturalWidth")).toInt() > 0; },
        10000));
    const QString display = QStringLiteral("getComputedStyle(document.getElementById('page%1')).display");
    EXPECT_EQ(browser.Eval(display.arg(1)).toString(), QStringLiteral("block"));
    EXPECT_EQ(browser.Eval(display.arg(2)).toString(), QStringLiteral("none"));
    SaveScreenshot(browser.form, QStringLiteral("-about"));

    browser.Eval(QStringLiteral("document.getElementById('tab2').click(); ''"));
    EXPECT_EQ(browser.Eval(display.arg(1)).toString(), QStringLiteral("none"));
    EXPECT_EQ(browser.Eval(display.arg(2)).toString(), QStringLiteral("block"));
    EXPECT_EQ(browser.Eval(QStringLiteral("document.getElementById('tab2').className")).toString(),
              QStringLiteral("tab current"));
    QTest::qWait(200);
    SaveScreenshot(browser.form, QStringLiteral("-about-credits"));
    SetCaptureFolder("temp", "");
}

}  // namespace
}  // namespace corvane::testing
