// The main window as a user meets it: one click on a browser button is one step, the tray icon has
// its picture and its menu, and a view dragged onto a shut dock panel opens it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QRubberBand>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <string>

#include "app/application_object.h"
#include "app/browser_control.h"
#include "app/single_instance.h"
#include "app/dock_panel.h"
#include "platform/wininet/wininet.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/qt_warnings.h"
#include "tests/support/real_display.h"
#include "tests/support/screenshot.h"
#include "tests/support/wait_until.h"
#include "transfer/global_offline.h"
#include "widgets/gif_image.h"
#include "widgets/transparent_button.h"
#include "widgets/tray_backend.h"
#include "widgets/tray_icon.h"

namespace corvane::testing {
namespace {

class WindowFaults : public MainWindowFixture {};

TEST_F(WindowFaults, EachBrowserButtonClickIsOneStep) {
    TFormCorvane& form = Start();
    FakeBrowserControl* control = browsers_->last;
    ASSERT_NE(control, nullptr) << "the first paint opens the browser view";
    control->OnCommandStateChange(IBrowserControl::kCommandBack, true);
    control->OnCommandStateChange(IBrowserControl::kCommandForward, true);
    control->calls.clear();

    QTest::mouseClick(form.btnBrowserBack, Qt::LeftButton);
    QTest::mouseClick(form.btnBrowserForward, Qt::LeftButton);
    QTest::mouseClick(form.btnBrowserRefresh, Qt::LeftButton);
    QTest::mouseClick(form.btnBrowserHome, Qt::LeftButton);
    QApplication::processEvents();
    const auto count = [&](const std::string& call) {
        return std::count_if(control->calls.begin(), control->calls.end(),
                             [&](const std::string& made) { return made.rfind(call, 0) == 0; });
    };
    EXPECT_EQ(count("GoBack"), 1);
    EXPECT_EQ(count("GoForward"), 1);
    EXPECT_EQ(count("Refresh"), 1);
    EXPECT_EQ(count("Navigate "), 1) << "Home opens the start page once";
}

TEST_F(WindowFaults, TrayIconHasItsPictureAndMenuFromTheStart) {
    QtWarnings warnings;
    TFormCorvane& form = Start();
    auto& icon = dynamic_cast<QtTrayBackend&>(form.TrayIcon->Backend()).Icon();
    EXPECT_TRUE(form.TrayIcon->AutoPopup());
    EXPECT_EQ(icon.contextMenu(), form.popMain) << "the right button opens popMain";
    EXPECT_FALSE(icon.icon().isNull());
    EXPECT_EQ(warnings.Containing("No Icon set"), 0);
}

// The program's own icon is the application's once the main window is made, and the tray shows it.
TEST_F(WindowFaults, LastPartsTheProgramIconIsTheApplicationsAndTheTrays) {
    QTemporaryDir runtime;
    auto* applicata = new TApplicata();  // the window takes it over
    TFormCorvane::SetUpApplicata(*applicata);
    applicata->RuntimeFolder = runtime.path();
    applicata->Loaded({});
    ASSERT_FALSE(applicata->Terminating());
    TFormCorvane& form = Start();
    form.AttachApplicata(*applicata);
    const QIcon program = QGuiApplication::windowIcon();
    ASSERT_FALSE(program.isNull());
    EXPECT_EQ(form.windowIcon().cacheKey(), program.cacheKey());
    auto& icon = dynamic_cast<QtTrayBackend&>(form.TrayIcon->Backend()).Icon();
    EXPECT_EQ(icon.icon().cacheKey(), program.cacheKey()) << "the tray shows the program's icon";
    EXPECT_EQ(TApplicationObject::Instance().Hint(), QStringLiteral("Stay tuned"));
}

// Under a display with a real tray (see the wrapper script): the right button on the icon opens popMain.
TEST_F(WindowFaults, TrayRightClickOpensPopMainInARealTray) {
    REQUIRE_REAL_DISPLAY(QSystemTrayIcon::isSystemTrayAvailable(), "no system tray on this display");
    TFormCorvane& form = Start();
    auto& icon = dynamic_cast<QtTrayBackend&>(form.TrayIcon->Backend()).Icon();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !icon.geometry().isEmpty(); }, 10000)) << "the tray never placed the icon";
    QWidget* shown = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (QByteArray(widget->metaObject()->className()) == "QSystemTrayIconSys") shown = widget;
    ASSERT_NE(shown, nullptr);
    QTest::mouseClick(shown, Qt::RightButton, {}, shown->rect().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.popMain->isVisible(); }, 5000));
    SaveScreenshot(*form.popMain, QStringLiteral("-tray"));
    form.popMain->close();
}

TEST_F(WindowFaults, AViewDraggedOntoAShutPanelOpensIt) {
    TFormCorvane& form = Start();
    form.resize(900, 600);
    TDockPanel& right = *form.pnlRightDock;
    ASSERT_FALSE(right.isVisible()) << "the right panel starts shut";
    QWidget moving;
    moving.setObjectName(QStringLiteral("Moving"));
    moving.setWindowTitle(QStringLiteral("Moving"));
    form.DockSite->Dock(&moving, *form.pnlBottomDock);
    WAIT_UNTIL(form.pnlBottomDock->Extent() > 0);
    QTest::qWait(20);
    TDockFrame* frame = form.DockSite->FindFrame(&moving);
    ASSERT_NE(frame, nullptr);
    QWidget* grabber = frame->Grabber();
    QTest::mousePress(grabber, Qt::LeftButton, {}, QPoint(10, 8));
    QTest::mouseMove(grabber, QPoint(60, 8));
    ASSERT_TRUE(frame->Floating());

    // Over the window's right edge, where the shut panel opens from: the area it will open to is shown.
    QWidget& main = *form.splMain;
    const QPoint edge = main.mapToGlobal(QPoint(main.width() - 4, main.height() / 2));
    QTest::mouseMove(grabber, grabber->mapFromGlobal(edge));
    QRubberBand* preview = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* band = qobject_cast<QRubberBand*>(widget); band && band->isVisible()) preview = band;
    ASSERT_NE(preview, nullptr) << "no preview over the shut panel";
    const QPoint main_right = main.mapToGlobal(QPoint(main.width(), 0));
    EXPECT_EQ(preview->geometry(), QRect(main_right - QPoint(200, 0), QSize(200, main.height())));

    QTest::mouseRelease(grabber, Qt::LeftButton, {}, grabber->mapFromGlobal(edge));
    EXPECT_FALSE(frame->Floating());
    ASSERT_EQ(right.Clients().size(), 1u);
    EXPECT_EQ(right.Clients().front()->View(), &moving);
    WAIT_EQ(right.Extent(), 200);
    SaveScreenshot(form, QStringLiteral("-drop-on-shut-panel"));
    form.DockSite->Release(&moving);
    EXPECT_FALSE(right.isVisible()) << "its last view gone, the panel shuts again";
}

TEST_F(WindowFaults, ScreensBarFillsTheToolbarsFreeRoomTiled) {
    TFormCorvane& form = Start();
    form.resize(1400, 600);
    QApplication::processEvents();
    EXPECT_TRUE(form.GIFScreensBar->isVisible());
    EXPECT_TRUE(form.GIFScreensBar->Tile());
    EXPECT_GT(form.GIFScreensBar->width(), 200) << "wider than its picture, so the picture repeats";
    EXPECT_EQ(form.GIFScreensBar->height(), 40);
}

TEST_F(WindowFaults, WorkOfflineOutlivesTheProgram) {
    TFormCorvane& first = Start();
    QTest::mouseClick(first.cbWorkOffline, Qt::LeftButton);
    ASSERT_TRUE(first.cbWorkOffline->isChecked());
    EXPECT_TRUE(IsGlobalOffline());
    form_.reset();

    // A new process starts online, whatever the last one did.
    INTERNET_CONNECTED_INFO online{INTERNET_STATE_CONNECTED, 0};
    InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &online, sizeof online);
    TFormCorvane& second = Start();
    EXPECT_TRUE(IsGlobalOffline()) << "the choice is taken up again at start";
    EXPECT_TRUE(second.cbWorkOffline->isChecked());
    QTest::mouseClick(second.cbWorkOffline, Qt::LeftButton);
    EXPECT_FALSE(IsGlobalOffline());
}

}  // namespace
}  // namespace corvane::testing
