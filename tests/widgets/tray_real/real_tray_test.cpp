// The tray icon with the system tray backend on a display that has a tray: the icon shows with
// its tip and menu, and Active false takes it away. Clicks are covered with the recording backend.

#include "widgets/tray_icon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace corvane {
namespace {

// Serves events until done() holds or the guard passes; returns done().
bool ServeUntil(const std::function<bool()>& done) {
    QElapsedTimer guard;
    guard.start();
    while (!done() && guard.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

TEST(TrayIcon, ShowsInARealTray) {
    int argc = 1;
    char name[] = "corvane-tray-test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    ASSERT_TRUE(ServeUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); })) << "no tray on this display";

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

}  // namespace
}  // namespace corvane
