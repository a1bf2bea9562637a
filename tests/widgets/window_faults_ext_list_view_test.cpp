// The list's notifications fired where Qt gives the cue: a press on no item (marquee), the pointer
// onto a row (hot track, track select), typing in virtual mode (find item), and the runs of rows a
// selection change covers in virtual mode.

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>
#include <tuple>
#include <vector>

#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "widgets/ext_list_view.h"

namespace corvane {
namespace {

class WindowFaultsExtListView : public ::testing::Test {
protected:
    void SetUp() override {
        lv.setObjectName("WindowFaultsExtListView");
        lv.resize(300, 400);
        lv.AddColumn("Name", 120);
        lv.AddColumn("Size", 80);
        lv.setSelectionMode(QAbstractItemView::ExtendedSelection);
        lv.SetExtendedStyles(lvxFullRowSelect);
        lv.SetVirtualMode(true);
        lv.OnVMGetItemInfo = [](TExtListView*, int item, int, unsigned, int&, int&, QString& text) {
            text = QString("row %1").arg(item);
        };
    }
    QPoint RowPoint(int row) { return lv.visualRect(lv.model()->index(row, 0)).center(); }
    void Move(QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, lv.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(lv.viewport(), &move);
    }

    struct AppFirst {
        AppFirst() { testing::GuiApp(); }
    } app_first;  // the list needs it
    TExtListView lv;
};

TEST_F(WindowFaultsExtListView, VirtualFindAndStateRunsAreReported) {
    lv.SetItemCount(100);
    lv.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lv));
    std::vector<QString> searches;
    lv.OnVMFindItem = [&](TExtListView*, const QString& search, int& found) {
        searches.push_back(search);
        found = 42;
    };
    lv.setFocus();
    QTest::keyClicks(&lv, "r");
    ASSERT_EQ(searches.size(), 1u);
    EXPECT_EQ(searches[0], "r");
    EXPECT_EQ(lv.currentIndex().row(), 42);

    std::vector<std::tuple<int, int, unsigned, unsigned>> changes;
    lv.OnVMStateChanged = [&](TExtListView*, int from, int to, unsigned old_state, unsigned new_state) {
        changes.emplace_back(from, to, old_state, new_state);
    };
    lv.scrollToTop();
    QTest::mouseClick(lv.viewport(), Qt::LeftButton, {}, RowPoint(2));
    QTest::mouseClick(lv.viewport(), Qt::LeftButton, Qt::ShiftModifier, RowPoint(5));
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), std::make_tuple(3, 5, 0u, TExtListView::kItemSelected)) << "one call for rows 3 to 5";
    changes.clear();
    QTest::mouseClick(lv.viewport(), Qt::LeftButton, {}, RowPoint(8));
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0], std::make_tuple(2, 5, TExtListView::kItemSelected, 0u));
    EXPECT_EQ(changes[1], std::make_tuple(8, 8, 0u, TExtListView::kItemSelected));
    testing::SaveScreenshot(lv);
}

TEST_F(WindowFaultsExtListView, HotTrackSelectsAndMarqueeMayBeRefused) {
    lv.SetItemCount(5);  // room below the rows
    lv.SetExtendedStyles(lvxFullRowSelect | lvxTrackSelect);
    lv.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lv));
    std::vector<int> tracked;
    bool allow = true;
    lv.OnHotTrack = [&](TExtListView*, int& item, int&, QPoint, bool& can_select) {
        tracked.push_back(item);
        can_select = allow;
    };
    Move(RowPoint(1));
    ASSERT_EQ(tracked, std::vector<int>{1});
    EXPECT_EQ(lv.currentIndex().row(), 1) << "track select";
    allow = false;
    Move(RowPoint(3));
    EXPECT_EQ(tracked.back(), 3);
    EXPECT_EQ(lv.currentIndex().row(), 1) << "refused";

    int marquees = 0;
    lv.OnMarqueeBegin = [&](TExtListView*, bool& can_begin) {
        ++marquees;
        can_begin = false;
    };
    lv.selectionModel()->select(lv.model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QPoint empty(20, lv.viewport()->height() - 5);
    ASSERT_FALSE(lv.indexAt(empty).isValid());
    QTest::mousePress(lv.viewport(), Qt::LeftButton, {}, empty);
    QTest::mouseRelease(lv.viewport(), Qt::LeftButton, {}, empty);
    EXPECT_EQ(marquees, 1);
    EXPECT_FALSE(lv.selectionModel()->selectedRows().isEmpty()) << "the refused press clears nothing";
}

}  // namespace
}  // namespace corvane
