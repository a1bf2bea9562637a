// The browser view with the real WebEngine control, offscreen: a captured page shows its own image
// while its scripts cannot read local files, and a page that carries its data shows it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDevice>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <fstream>

#include "app/form_browser.h"
#include "app/form_status.h"
#include "app/webengine_browser.h"
#include "platform/launch/launcher.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

void Write(const QString& path, const std::string& bytes) { std::ofstream(path.toStdString(), std::ios::binary) << bytes; }

class WebEngineSmoke : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(capture_.isValid());
        SetCaptureFolder("smoke", capture_.path().toStdString());
        url_box_.setEditable(true);
        form_.SetControls({nullptr, nullptr, nullptr, nullptr, nullptr, &url_box_, &status_view_});
        form_.resize(640, 420);
        form_.show();
    }
    void TearDown() override { SetCaptureFolder("smoke", ""); }

    // Loads the page and waits for its script to write its verdict into the title.
    QString Load(const QString& path) {
        auto* browser = dynamic_cast<TWebEngineBrowser*>(form_.Control());
        EXPECT_NE(browser, nullptr);
        if (browser == nullptr) return {};
        EXPECT_TRUE(form_.Navigate(path.toStdString()));
        QWebEngineView* view = browser->View();
        EXPECT_TRUE(QTest::qWaitFor([&] { return view->title().startsWith(QLatin1String("done")); }, 30000))
            << view->title().toStdString();
        return view->title();
    }

    QString Eval(const QString& script) {
        auto* browser = dynamic_cast<TWebEngineBrowser*>(form_.Control());
        QVariant result;
        bool done = false;
        browser->View()->page()->runJavaScript(script, [&](const QVariant& value) {
            result = value;
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
        return result.toString();
    }

    QTemporaryDir capture_;
    QTemporaryDir outside_;
    QComboBox url_box_;
    TFormStatus status_view_;
    QLabel& status_ = *status_view_.lblStatus;
    TFormBrowser form_;
};

TEST_F(WebEngineSmoke, CapturedPageShowsItsImageWhileItsScriptReadsNoFile) {
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(capture_.filePath("red.png")));
    Write(capture_.filePath("secret.txt"), "secret");
    Write(outside_.filePath("outside.htm"), "<html><body>outside</body></html>");
    Write(capture_.filePath("index.htm"),
          "<html><head><title>loading</title></head><body><h1>Captured page</h1>"
          "<img id='pic' src='red.png' width='64' height='64'>"
          "<iframe id='frame' src='" + QUrl::fromLocalFile(outside_.filePath("outside.htm")).toString().toStdString() +
          "'></iframe><script>\n"
          "function verdict(xhr, fetched) { document.title = 'done xhr=' + xhr + ' fetch=' + fetched; }\n"
          "var xhr = 'none';\n"
          "try { var r = new XMLHttpRequest(); r.open('GET', 'secret.txt', false); r.send();"
          "      xhr = r.responseText === 'secret' ? 'read' : 'empty'; } catch (e) { xhr = 'refused'; }\n"
          "window.onload = function() {\n"
          "  fetch('secret.txt').then(function(r) { return r.text(); })\n"
          "    .then(function(t) { verdict(xhr, t === 'secret' ? 'read' : 'empty'); },\n"
          "          function() { verdict(xhr, 'refused'); });\n"
          "};\n"
          "</script></body></html>");
    const QString title = Load(capture_.filePath("index.htm"));
    EXPECT_FALSE(title.contains(QLatin1String("read"))) << title.toStdString();
    EXPECT_EQ(Eval(QStringLiteral("String(document.getElementById('pic').naturalWidth)")), QStringLiteral("4"));
    // The frame from outside the capture folders never loaded.
    EXPECT_NE(Eval(QStringLiteral("(function() { try { return document.getElementById('frame')"
                                  ".contentDocument.body.textContent; } catch (e) { return 'blocked'; } })()")),
              QStringLiteral("outside"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return status_.text() == QStringLiteral("Done."); }, 10000));
    EXPECT_EQ(url_box_.itemText(0), QUrl::fromLocalFile(capture_.filePath("index.htm")).toString());
    SaveScreenshot(form_);
}

TEST_F(WebEngineSmoke, TaskPageWithItsDataEmbeddedShowsItsRows) {
    Write(capture_.filePath("task.csv"), "secret");
    Write(capture_.filePath("task.htm"),
          "<html><head><title>loading</title></head><body><table id='rows'></table><script>\n"
          "var data = [['index.htm','Parsed'],['a.gif','Saved'],['b.htm','Error']];\n"
          "var table = document.getElementById('rows');\n"
          "data.forEach(function(d) { var tr = table.insertRow(); d.forEach(function(c) {"
          "  tr.insertCell().textContent = c; }); });\n"
          "var read = 'refused';\n"
          "try { var r = new XMLHttpRequest(); r.open('GET', 'task.csv', false); r.send();"
          "      if (r.responseText === 'secret') read = 'read'; } catch (e) {}\n"
          "document.title = 'done ' + table.rows.length + ' ' + read;\n"
          "</script></body></html>");
    EXPECT_EQ(Load(capture_.filePath("task.htm")), QStringLiteral("done 3 refused"));
    SaveScreenshot(form_, QStringLiteral("-task"));
}

TEST_F(WebEngineSmoke, NewWindowsOpenInTheViewAndDownloadsAreCancelled) {
    Write(capture_.filePath("second.htm"), "<html><head><title>done second</title></head><body>2</body></html>");
    Write(capture_.filePath("first.htm"),
          "<html><head><title>first</title></head><body>"
          "<script>window.onload = function() { window.open('second.htm', '_blank'); };</script></body></html>");
    EXPECT_EQ(Load(capture_.filePath("first.htm")), QStringLiteral("done second"));
    auto* browser = dynamic_cast<TWebEngineBrowser*>(form_.Control());
    EXPECT_TRUE(browser->LocationURL().endsWith(QLatin1String("second.htm"))) << browser->LocationURL().toStdString();

    Write(capture_.filePath("data.bin"), std::string(4096, 'x'));
    Write(capture_.filePath("download.htm"),
          "<html><head><title>download</title></head><body><a id='a' href='data.bin' download='data.bin'>x</a>"
          "<script>window.onload = function() { document.getElementById('a').click();"
          " document.title = 'done download'; };</script></body></html>");
    std::vector<QWebEngineDownloadRequest::DownloadState> states;
    QObject::connect(browser->View()->page()->profile(), &QWebEngineProfile::downloadRequested,
                     [&](QWebEngineDownloadRequest* download) { states.push_back(download->state()); });
    Load(capture_.filePath("download.htm"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !states.empty(); }, 10000));
    EXPECT_EQ(states[0], QWebEngineDownloadRequest::DownloadCancelled);
}

}  // namespace
}  // namespace corvane::testing

// WebEngine leaves an OpenGL share context that must be destroyed while the main thread still has its
// thread data: the application lives in main here, not in a static that goes at exit.
int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QInputDevice::devices();  // the device registry outlives the application (see GuiApp)
    QApplication app(argc, argv);
    corvane::UseWebEngineBrowser();
    int result = 0;
    {
        // An unexpected box or dialog fails the test.
        corvane::testing::ScriptedMessageBoxes boxes;
        corvane::testing::ScriptedFileDialogs dialogs;
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    corvane::SetBrowserControlFactory({});
    return result;
}
