// The browser view over a fake control: the event table on the handed-over controls, the commands of
// the handed-over buttons, and what Navigate takes. The request policy on paths of a test capture
// folder.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QFileInfo>
#include <filesystem>
#include <fstream>

#include "app/browser_request_policy.h"
#include "app/form_browser.h"
#include "localisation/app_language.h"
#include "platform/launch/launcher.h"
#include "platform/rtl/paths.h"
#include "engine/model/settings.h"
#include "tests/app/fake_browser_control.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"
#include "tests/support/recording_app_host.h"
#include "app/form_status.h"
#include "tests/support/screenshot.h"
#include "widgets/transparent_button.h"

namespace corvane::testing {
namespace {

QString Message(std::uint16_t id) { return QString::fromStdString(AppLanguage().GetLangStr(id)); }

// The main window's controls as the view manager hands them over.
class BrowserView : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto* button : {&back, &forward, &stop, &refresh, &home}) {
            button->resize(24, 24);
            button->setEnabled(false);
        }
        url_box.setEditable(true);
        form.SetControls({&back, &forward, &stop, &refresh, &home, &url_box, &status_view});
    }

    FakeBrowserControl& Shown() {
        form.show();
        EXPECT_NE(factory.last, nullptr);
        return *factory.last;
    }

    struct ApplicationFirst {
        ApplicationFirst() { GuiApp(); }
    } application_first;  // the widgets below need it
    FakeBrowserFactory factory;
    RecordingAppHost host;
    TTransparentButton back, forward, stop, refresh, home;
    QComboBox url_box;
    TFormStatus status_view;
    QLabel& status = *status_view.lblStatus;
    TFormBrowser form;
};

TEST_F(BrowserView, ShowMakesTheControlAndEnablesRefreshAndHome) {
    FakeBrowserControl& control = Shown();
    EXPECT_EQ(control.Widget()->parentWidget(), &form);
    EXPECT_TRUE(refresh.isEnabled());
    EXPECT_TRUE(home.isEnabled());
    EXPECT_FALSE(stop.isEnabled());
    form.hide();
    form.show();
    EXPECT_EQ(form.Control(), &control) << "one control for the life of the view";
    SaveScreenshot(form, QStringLiteral("-fake"));
}

TEST_F(BrowserView, EventTableDrivesTheHandedOverControls) {
    FakeBrowserControl& control = Shown();
    control.OnBeforeNavigate(QStringLiteral("http://example.test/a"));
    EXPECT_TRUE(stop.isEnabled());
    EXPECT_EQ(url_box.currentText(), QStringLiteral("http://example.test/a"));
    EXPECT_EQ(status.text(), Message(753));

    control.OnCommandStateChange(IBrowserControl::kCommandForward, true);
    EXPECT_TRUE(forward.isEnabled());
    EXPECT_FALSE(back.isEnabled());
    control.OnCommandStateChange(IBrowserControl::kCommandBack, true);
    control.OnCommandStateChange(IBrowserControl::kCommandForward, false);
    EXPECT_TRUE(back.isEnabled());
    EXPECT_FALSE(forward.isEnabled());
    control.OnCommandStateChange(-1, false);  // other commands change nothing
    EXPECT_TRUE(back.isEnabled());

    control.OnDownloadComplete();
    EXPECT_FALSE(stop.isEnabled());
    control.OnDownloadBegin();
    EXPECT_TRUE(stop.isEnabled());
    control.OnDownloadComplete();
    control.OnFrameBeforeNavigate(QStringLiteral("http://example.test/frame"));
    EXPECT_TRUE(stop.isEnabled());
    EXPECT_EQ(status.text(), Message(754));
    control.OnFrameNavigateComplete(QStringLiteral("http://example.test/frame"));
    EXPECT_EQ(status.text(), Message(755));
    control.OnStatusTextChange(QStringLiteral("http://example.test/hovered"));
    EXPECT_EQ(status.text(), QStringLiteral("http://example.test/hovered"));
    control.OnProgressChange(50, 100);
    EXPECT_EQ(status.text(), QStringLiteral("http://example.test/hovered"));

    control.OnNavigateComplete(QStringLiteral("http://example.test/a"));
    EXPECT_EQ(status.text(), QStringLiteral("Done."));
    ASSERT_EQ(url_box.count(), 1);
    control.OnNavigateComplete(QStringLiteral("HTTP://EXAMPLE.TEST/A"));
    EXPECT_EQ(url_box.count(), 1) << "a URL differing only in case is not added again";
    control.OnNavigateComplete(QStringLiteral("http://example.test/b"));
    ASSERT_EQ(url_box.count(), 2);
    EXPECT_EQ(url_box.itemText(0), QStringLiteral("http://example.test/b"));
}

TEST_F(BrowserView, HandedOverButtonsReachTheControl) {
    FakeBrowserControl& control = Shown();
    for (auto* button : {&back, &forward, &stop}) button->setEnabled(true);
    QTest::mouseClick(&back, Qt::LeftButton);
    QTest::mouseClick(&forward, Qt::LeftButton);
    QTest::mouseClick(&stop, Qt::LeftButton);
    QTest::mouseClick(&refresh, Qt::LeftButton);
    const std::vector<std::string> expected = {"GoBack", "GoForward", "Stop", "Refresh"};
    EXPECT_EQ(control.calls, expected);
    QTest::mouseClick(&home, Qt::LeftButton);
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0], "ShowBrowserView()");
}

TEST_F(BrowserView, NavigateStopsABusyControlAndTakesOnlyWebAddressesAndPaths) {
    FakeBrowserControl& control = Shown();
    EXPECT_TRUE(form.Navigate("http://example.test/"));
    EXPECT_TRUE(form.Navigate("/tmp/page.htm"));
    std::vector<std::string> expected = {"Navigate http://example.test/", "Stop", "Navigate file:///tmp/page.htm"};
    EXPECT_EQ(control.calls, expected);
    control.calls.clear();
    for (const char* refused : {"javascript:alert(1)", "ftp://example.test/", "page.htm", "data:text/html,x", ""})
        EXPECT_FALSE(form.Navigate(refused)) << refused;
    EXPECT_TRUE(control.calls.empty());
    EXPECT_TRUE(control.busy) << "a refused address leaves the page loading";
}

TEST(BrowserViewPolicy, ScriptsReadNoLocalFileAndPagesComeFromCaptureFolders) {
    QTemporaryDir capture, outside;
    const std::string page = capture.filePath("site/index.htm").toStdString();
    const std::string stranger = outside.filePath("index.htm").toStdString();
    std::filesystem::create_directories(capture.filePath("site").toStdString());
    std::ofstream(page) << "<html></html>";
    std::ofstream(stranger) << "<html></html>";
    SetCaptureFolder("test-capture", capture.path().toStdString());
    const QUrl inside = QUrl::fromLocalFile(QString::fromStdString(page));
    const QUrl other = QUrl::fromLocalFile(QString::fromStdString(stranger));
    EXPECT_TRUE(BrowserMayLoad(inside, BrowserLoad::Page));
    EXPECT_TRUE(BrowserMayLoad(inside, BrowserLoad::Frame));
    EXPECT_FALSE(BrowserMayLoad(inside, BrowserLoad::ScriptRead)) << "not even the page's own folder";
    EXPECT_FALSE(BrowserMayLoad(other, BrowserLoad::Page));
    EXPECT_FALSE(BrowserMayLoad(other, BrowserLoad::Frame));
    EXPECT_TRUE(BrowserMayLoad(other, BrowserLoad::Other)) << "a page's images come from where it says";
    const QString escape = capture.path() + QStringLiteral("/site/../../") + QFileInfo(outside.path()).fileName() +
                           QStringLiteral("/index.htm");
    EXPECT_FALSE(BrowserMayLoad(QUrl::fromLocalFile(escape), BrowserLoad::Page));
    EXPECT_TRUE(BrowserMayLoad(QUrl::fromLocalFile(QString::fromStdString(ResourcesDir() + "FTypes.reg")),
                               BrowserLoad::Page));
    EXPECT_TRUE(BrowserMayLoad(QUrl(QStringLiteral("https://example.test/x")), BrowserLoad::ScriptRead));
    SetCaptureFolder("test-capture", "");
    EXPECT_FALSE(BrowserMayLoad(inside, BrowserLoad::Page));
}

class BrowserViewDownloads : public FreshHome {};

TEST_F(BrowserViewDownloads, TheDownloadsFolderIsListedButNothingInItLoads) {
    const std::string downloads = App->GetDownloadsFolder();
    std::filesystem::create_directories(downloads + "site");
    std::ofstream(downloads + "site/index.htm") << "<html></html>";
    const auto local = [](const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); };
    EXPECT_TRUE(BrowserMayLoad(local(downloads), BrowserLoad::Page));
    EXPECT_FALSE(BrowserMayLoad(local(downloads), BrowserLoad::Frame)) << "a page may not frame the listing";
    EXPECT_FALSE(BrowserMayLoad(local(downloads + "site"), BrowserLoad::Page));
    EXPECT_FALSE(BrowserMayLoad(local(downloads + "site/index.htm"), BrowserLoad::Page));
    EXPECT_FALSE(BrowserMayLoad(local(downloads + "site/.."), BrowserLoad::ScriptRead));
}

}  // namespace
}  // namespace corvane::testing
