// The tray icon with the system tray backend on a display that has a tray: the icon shows with
// its tip and menu, and Active false takes it away. Clicks are covered with the recording backend.

#include "widgets/tray_icon.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QDir>
#include <QImage>
#include <QScreen>

#include "platform/rtl/paths.h"
#include "tests/support/screenshot.h"

namespace corvane {
namespace {

// Serves events until done() holds or the guard passes; returns done().
bool ServeUntil(const std::function<bool()>& done) {
    QElapsedTimer guard;
    guard.start();
    while (!done() && guard.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

// Each test makes its application on the wrapper's display and starts once the tray is there.
class RealTray : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ServeUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); })) << "no tray on this display";
    }

private:
    int argc_ = 1;
    char name_[18] = "corvane-tray-test";
    char* argv_[2] = {name_, nullptr};
    QApplication app_{argc_, argv_};
};
using TrayIcon = RealTray;
using TrayIconLastParts = RealTray;

TEST_F(TrayIcon, ShowsInARealTray) {
    QWidget form;
    QMenu menu;
    menu.addAction("Restore");
    auto* tray = new TPGTrayIcon95(&form);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkCyan);
    tray->SetIcon(QIcon(pixmap));
    tray->SetHint("Corvane");
    tray->SetAutoPopup(true);
    tray->SetPopupMenu(&menu);
    tray->SetActive(true);

    auto& icon = dynamic_cast<QtTrayBackend&>(tray->Backend()).Icon();
    EXPECT_TRUE(icon.isVisible());
    EXPECT_TRUE(ServeUntil([&] { return !icon.geometry().isEmpty(); })) << "the tray never placed the icon";
    EXPECT_EQ(icon.toolTip(), "Corvane");
    EXPECT_EQ(icon.contextMenu(), &menu);

    tray->SetActive(false);
    EXPECT_FALSE(icon.isVisible());
}

// The program's own icon, drawn by the tray: the globe's blue shows where the tray placed the icon.
TEST_F(TrayIconLastParts, ShowsTheProgramIconInARealTray) {
    const QIcon program(QString::fromStdString(ResourcesDir()) + "corvane.png");
    ASSERT_FALSE(program.isNull());

    QWidget form;
    auto* tray = new TPGTrayIcon95(&form);
    tray->SetIcon(program);
    tray->SetHint("Corvane");
    tray->SetActive(true);
    auto& icon = dynamic_cast<QtTrayBackend&>(tray->Backend()).Icon();
    ASSERT_TRUE(ServeUntil([&] { return !icon.geometry().isEmpty(); })) << "the tray never placed the icon";

    // The icon's own geometry is the tray's embedding, not the screen's: look for the globe's blue on the
    // whole screen, within the tray's strip at the top.
    QImage screen;
    QRect globe;
    const auto globeShows = [&] {
        screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        globe = {};
        for (int y = 0; y < std::min(screen.height(), 40); ++y)
            for (int x = 0; x < screen.width(); ++x) {
                const QColor c = screen.pixelColor(x, y);
                if (c.blue() > 200 && c.green() > 150 && c.red() > 80 && c.red() < 170) globe |= QRect(x, y, 1, 1);
            }
        return globe.width() >= 8 && globe.height() >= 8;
    };
    EXPECT_TRUE(ServeUntil(globeShows)) << "the tray does not show the globe";

    // The tray's corner of the screen, enlarged for a reviewer.
    const QRect corner = QRect(screen.width() - 160, 0, 160, 40).intersected(screen.rect());
    const QImage picture = screen.copy(corner);
    QDir().mkpath(QString::fromStdString(testing::ScreenshotDir()));
    EXPECT_TRUE(picture.scaled(picture.size() * 3, Qt::KeepAspectRatio, Qt::FastTransformation)
                    .save(QString::fromStdString(testing::ScreenshotDir()) + "/last-parts-tray.png"));
    tray->SetActive(false);
}

}  // namespace
}  // namespace corvane
