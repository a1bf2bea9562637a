// The task tree's two pages in the real WebEngine view offscreen: a hostile task title and address
// come out as text, with no element or script of their own and no link but web addresses.

#include <gtest/gtest.h>

#include "engine/model/profile.h"
#include "engine/model/task.h"
#include "platform/launch/launcher.h"
#include "tasks/task_tree_page.h"
#include "tests/engine/task_fixture.h"
#include "tests/app/webengine_view.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

class TaskTreeWebEngine : public FreshHome {
protected:
    void SetUp() override {
        FreshHome::SetUp();
        SetCaptureFolder("temp", App->GetTempFolder());
    }
    void TearDown() override {
        SetCaptureFolder("temp", "");
        FreshHome::TearDown();
    }
};

TEST_F(TaskTreeWebEngine, AHostileTitleIsTextInBothPages) {
    const std::string title = "</td><script>document.title='ran'</script><b id=\"injected\">\"'&%41\xC3\xA9\xB6";
    TCVTask task;
    task.Name = "hostile";
    task.StartPageTitle = title;
    task.URL = "javascript:alert(1)";
    task.Schedule = "Now";
    const std::string list = TaskCSVHeader() + "\r\n" + task.GetCSVLine() + "\r\n";
    const std::string details = TaskCSVHeader() + "," + ProfileCSVHeader() + "\r\n" + task.GetCSVLine() + "," +
                                task.Profile.GetCSVLine() + "\r\n";
    const std::string temp = App->GetTempFolder();

    WebEngineViewUnderTest browser(QSize(720, 400));
    QWebEngineView* view = browser.View();
    ASSERT_NE(view, nullptr);
    int loads = 0;
    QObject::connect(view, &QWebEngineView::loadFinished, [&](bool ok) { loads += ok ? 1 : 100; });

    const struct {
        const char* data_name;
        const char* template_name;
        const std::string& data;
    } pages[] = {{"tasks.txt", "tasks.htm", list}, {"task_details.txt", "task_details.htm", details}};
    for (const auto& page : pages) {
        SCOPED_TRACE(page.template_name);
        const int before = loads;
        ASSERT_TRUE(browser.Load(WriteTaskTreePage(temp, page.data_name, page.template_name, page.data)));
        ASSERT_EQ(loads, before + 1);
        EXPECT_EQ(browser.Eval(QStringLiteral("document.scripts.length")).toInt(), 2);
        EXPECT_EQ(browser.Eval(QStringLiteral("document.querySelectorAll('#injected').length")).toInt(), 0);
        EXPECT_NE(view->title(), QStringLiteral("ran"));
        // The javascript: address is no link.
        EXPECT_EQ(browser.Eval(QStringLiteral("document.links.length")).toInt(), 0);
        const QString all = browser.Eval(QStringLiteral("document.querySelector('table').textContent")).toString();
        EXPECT_TRUE(all.contains(QString::fromUtf8("</td><script>document.title='ran'</script><b id=\"injected\">\"'&%41\xC3\xA9")))
            << all.toStdString();
        EXPECT_TRUE(all.contains(QStringLiteral("javascript:alert(1)")));
        SaveScreenshot(browser.form, QString::fromLatin1("-") + QString::fromLatin1(page.template_name));
    }
}

}  // namespace
}  // namespace corvane::testing
