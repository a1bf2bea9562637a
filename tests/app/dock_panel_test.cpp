// Docking: the five-zone rule, panels opening and shutting as clients come and go, and a view
// dragged by its grabber onto another panel.

#include <gtest/gtest.h>

#include <QSplitterHandle>
#include <QTest>
#include <QToolButton>

#include "app/dock_panel.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/screenshot.h"
#include "tests/support/wait_until.h"

namespace corvane::testing {
namespace {

TEST(DockPanelZones, FifthsWithCornersToLeftAndTop) {
    const QRect panel(10, 20, 99, 100);
    const TDockZone left = DockZoneAt(panel, QPoint(10, 70));
    EXPECT_EQ(left.align, TDockAlign::Left);
    EXPECT_EQ(left.rect, QRect(10, 20, 19, 100)) << "99 / 5 = 19 pixels";
    EXPECT_EQ(DockZoneAt(panel, QPoint(28, 70)).align, TDockAlign::Left);
    EXPECT_EQ(DockZoneAt(panel, QPoint(29, 70)).align, TDockAlign::Client);
    // Corners: top-left is left, top-right is top, bottom-left is left.
    EXPECT_EQ(DockZoneAt(panel, QPoint(10, 20)).align, TDockAlign::Left);
    EXPECT_EQ(DockZoneAt(panel, QPoint(108, 20)).align, TDockAlign::Top);
    EXPECT_EQ(DockZoneAt(panel, QPoint(10, 119)).align, TDockAlign::Left);
    EXPECT_EQ(DockZoneAt(panel, QPoint(108, 119)).align, TDockAlign::Right);
    const TDockZone bottom = DockZoneAt(panel, QPoint(60, 119));
    EXPECT_EQ(bottom.align, TDockAlign::Bottom);
    EXPECT_EQ(bottom.rect, QRect(10, 100, 99, 20));
    EXPECT_EQ(DockZoneAt(panel, QPoint(60, 70)).align, TDockAlign::Client);
    const TDockZone outside = DockZoneAt(panel, QPoint(200, 70));
    EXPECT_EQ(outside.align, TDockAlign::None);
    EXPECT_TRUE(outside.rect.isEmpty());
}

class DockPanel : public MainWindowFixture {};

TEST_F(DockPanel, SidePanelOpensWithFirstClientAndShutsWithLast) {
    TFormCorvane& form = Start();
    form.resize(900, 600);
    TDockPanel& left = *form.pnlLeftDock;
    // The first paint docked the task tree there.
    ASSERT_EQ(left.Clients().size(), 1u);
    WAIT_EQ(left.Extent(), 200);
    EXPECT_EQ(left.Handle()->objectName(), QStringLiteral("SplitterLeft"));
    EXPECT_TRUE(left.Handle()->isVisible());
    EXPECT_EQ(left.Handle()->palette().color(QPalette::Window), QColor(0xFF, 0xC0, 0x00));
    EXPECT_EQ(form.splMain->handleWidth(), 3);

    QWidget two;
    two.setWindowTitle(QStringLiteral("Two"));
    form.DockSite->Dock(&two, left, TDockAlign::Top);
    QTest::qWait(20);
    EXPECT_EQ(left.Extent(), 200) << "a second client keeps the panel as wide";
    ASSERT_EQ(left.Clients().size(), 2u);
    EXPECT_EQ(left.Clients().front()->View(), &two) << "docked in the top zone";

    form.DockSite->Release(&two);
    EXPECT_TRUE(left.isVisible()) << "undocking one of two keeps it open";
    EXPECT_EQ(left.CountVisibleDockClients(), 1);
    form.Views().FloatSchedulerView();
    EXPECT_FALSE(left.isVisible()) << "the last one leaving shuts it";
    EXPECT_EQ(left.Extent(), 0);
    EXPECT_FALSE(left.Handle()->isVisible()) << "SplitterLeft is hidden while the panel is empty";
}

TEST_F(DockPanel, GrabberDragDocksViewOnTheRight) {
    TFormCorvane& form = Start();
    form.resize(900, 600);
    QWidget resident, moving;
    resident.setWindowTitle(QStringLiteral("Resident"));
    moving.setWindowTitle(QStringLiteral("Moving"));
    form.DockSite->Dock(&resident, *form.pnlRightDock);
    form.DockSite->Dock(&moving, *form.pnlBottomDock);
    WAIT_UNTIL(form.pnlRightDock->Extent() == 200 && form.pnlBottomDock->Extent() > 0);
    QTest::qWait(20);

    TDockFrame* frame = form.DockSite->FindFrame(&moving);
    ASSERT_NE(frame, nullptr);
    QWidget* grabber = frame->Grabber();
    QTest::mousePress(grabber, Qt::LeftButton, {}, QPoint(10, 8));
    QTest::mouseMove(grabber, QPoint(60, 8));
    ASSERT_TRUE(frame->Floating()) << "dragged, the view floats";
    EXPECT_TRUE(frame->windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(form.pnlBottomDock->isVisible()) << "its panel shut behind it";

    // Released over the lower part of the right panel: docked there, below the resident view.
    const QRect right(form.pnlRightDock->mapToGlobal(QPoint(0, 0)), form.pnlRightDock->size());
    const QPoint target(right.center().x(), right.bottom() - 2);
    QTest::mouseMove(grabber, grabber->mapFromGlobal(target));
    QTest::mouseRelease(grabber, Qt::LeftButton, {}, grabber->mapFromGlobal(target));
    EXPECT_FALSE(frame->Floating());
    ASSERT_EQ(form.pnlRightDock->Clients().size(), 2u);
    EXPECT_EQ(form.pnlRightDock->Clients().back()->View(), &moving);

    // The grabber's close button asks the owner to close the view.
    QWidget* closed = nullptr;
    form.DockSite->OnCloseView = [&](QWidget* view) { closed = view; };
    QTest::mouseClick(frame->CloseButton(), Qt::LeftButton);
    EXPECT_EQ(closed, &moving);
    form.DockSite->Release(&moving);
    form.DockSite->Release(&resident);
}

// With the status and bottom panels both shut their drop strips lay on the same rows at the foot of
// the window, and every drop there went to the status panel: an empty bottom panel took none.
TEST_F(DockPanel, UserFaultsADragOntoEachShutPanelIsTakenByThatPanel) {
    TFormCorvane& form = Start();
    form.resize(900, 600);
    form.Views().FloatStatusView();
    form.Views().FloatSchedulerView();
    QWidget moving;
    moving.setWindowTitle(QStringLiteral("Moving"));
    form.DockSite->Dock(&moving, *form.pnlRightDock);
    TDockFrame* frame = form.DockSite->FindFrame(&moving);
    ASSERT_NE(frame, nullptr);
    QWidget* grabber = frame->Grabber();
    const auto all_shut = [&] {
        for (TDockPanel* panel : form.DockSite->Panels())
            if (panel->isVisible()) return false;
        return true;
    };

    // Where a user aims at a shut panel: the edge it opens from; the bottom panel's strip lies just
    // above the status panel's, which keeps the window's edge.
    const auto aim = [&](TDockPanel* panel) {
        const QRect outer(form.splOuter->mapToGlobal(QPoint(0, 0)), form.splOuter->size());
        const int middle_y = outer.top() + outer.height() / 2;
        if (panel == form.pnlLeftDock) return QPoint(outer.left() + 3, middle_y);
        if (panel == form.pnlRightDock) return QPoint(outer.right() - 3, middle_y);
        if (panel == form.pnlStatus) return QPoint(outer.center().x(), outer.bottom() - 3);
        return QPoint(outer.center().x(), form.pnlStatus->DropArea().top() - 3);
    };
    for (TDockPanel* target : {form.pnlBottomDock, form.pnlStatus, form.pnlLeftDock, form.pnlRightDock}) {
        SCOPED_TRACE(target->objectName().toStdString());
        QTest::mousePress(grabber, Qt::LeftButton, {}, QPoint(10, 8));
        QTest::mouseMove(grabber, QPoint(60, 8));
        ASSERT_TRUE(frame->Floating());
        WAIT_UNTIL(all_shut());
        QTest::qWait(20);  // the splitters lay out without the panel
        const QPoint at = aim(target);
        QTest::mouseMove(grabber, grabber->mapFromGlobal(at));
        QTest::mouseRelease(grabber, Qt::LeftButton, {}, grabber->mapFromGlobal(at));
        EXPECT_FALSE(frame->Floating());
        EXPECT_EQ(form.DockSite->PanelOf(*frame), target);
        WAIT_UNTIL(target->isVisible());
    }
    SaveScreenshot(form, QStringLiteral("-right-taken"));
    form.DockSite->Release(&moving);
}

}  // namespace
}  // namespace corvane::testing
