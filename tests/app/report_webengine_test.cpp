// A task report written from hostile task files, shown in the real WebEngine view offscreen: what the
// browser builds from it has no element that came from a title, and its skin pictures load.

#include <gtest/gtest.h>

#include "platform/launch/launcher.h"
#include "tests/app/webengine_view.h"
#include "tests/support/screenshot.h"
#include "tests/tasks/report/report_fixture.h"

namespace corvane::testing {
namespace {

class TaskReportWebEngine : public ReportTest {
protected:
    void TearDown() override {
        SetCaptureFolder("report", "");
        ReportTest::TearDown();
    }
};

TEST_F(TaskReportWebEngine, HostileSummaryBuildsNoElementFromItsTextsAndShowsItsPictures) {
    const std::string title = "</a><script>document.title='ran'</script>\"'&<b id=\"injected\">\r\n\xB6";
    task_->Name = "../x";
    task_->StartPageTitle = title;
    Add("http://www.site.test/index.html", "HTML", isSaved, "</a><script>\"'&");
    Add("javascript:alert(1)", "HTML", isSaved, "js", "javascript:alert(2)");
    Add("http://www.site.test/b.gif", "Images", isSaved, "img", "http://www.site.test/index.html");
    const TTaskReport report = Generate();
    SetCaptureFolder("report", folder_);

    WebEngineViewUnderTest browser(QSize(720, 520));
    ASSERT_TRUE(browser.Load(report.SummaryFile()));
    QWebEngineView* view = browser.View();

    // The title is text in the start page's link: no script, no element of its own, no extra anchor.
    EXPECT_EQ(browser.Eval(QStringLiteral("document.scripts.length")).toInt(), 0);
    EXPECT_EQ(browser.Eval(QStringLiteral("document.querySelectorAll('#injected').length")).toInt(), 0);
    EXPECT_NE(view->title(), QStringLiteral("ran"));
    // The start page, the task's address and the two counters that have index pages.
    EXPECT_EQ(browser.Eval(QStringLiteral("document.querySelectorAll('a').length")).toInt(), 4);
    EXPECT_EQ(browser.Eval(QStringLiteral("document.querySelector('a b').childElementCount")).toInt(), 0);
    EXPECT_TRUE(browser.Eval(QStringLiteral("document.querySelector('a b').textContent"))
                    .toString()
                    .startsWith(QStringLiteral("</a><script>document.title='ran'</script>\"'&<b id=\"injected\">")));
    const QStringList hrefs = browser.Eval(QStringLiteral("Array.from(document.links, a => a.protocol).join(' ')"))
                                  .toString()
                                  .split(QLatin1Char(' '));
    for (const QString& protocol : hrefs)
        EXPECT_TRUE(protocol == QLatin1String("file:") || protocol == QLatin1String("http:")) << protocol.toStdString();

    // Every picture is one of the report's own and has been decoded.
    const QString images = browser
                               .Eval(QStringLiteral("Array.from(document.images, i => i.getAttribute('src') + '=' +"
                                                    " i.naturalWidth).join(' ')"))
                               .toString();
    const QStringList pictures = images.split(QLatin1Char(' '));
    EXPECT_EQ(pictures.size(), 6) << images.toStdString();
    for (const QString& picture : pictures) {
        EXPECT_TRUE(picture.startsWith(QLatin1String("!images/"))) << picture.toStdString();
        EXPECT_FALSE(picture.endsWith(QLatin1String("=0"))) << picture.toStdString();
    }
    SaveScreenshot(browser.form, QStringLiteral("-report"));
}

}  // namespace
}  // namespace corvane::testing
