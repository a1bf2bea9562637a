// The list's notifications fired where Qt gives the cue: typing in virtual mode (find item), the runs
// of rows a selection change covers, the pointer onto a row (hot track) and a press on no row (marquee).

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

TEST(WindowFaultsExtListView, FindStateHotTrackAndMarqueeEventsFire) {
    testing::GuiApp();
    TExtListView lv;
    lv.setObjectName("WindowFaultsExtListView");
    lv.resize(300, 400);
    lv.AddColumn("Name", 120);
    lv.setSelectionMode(QAbstractItemView::ExtendedSelection);
    lv.SetExtendedStyles(lvxFullRowSelect | lvxTrackSelect);
    lv.SetVirtualMode(true);
    lv.SetItemCount(12);  // room below the rows
    lv.OnVMGetItemInfo = [](TExtListView*, int item, int, unsigned, int&, int&, QString& text) {
        text = QString("row %1").arg(item);
    };
    lv.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lv));
    const auto at = [&](int row) { return lv.visualRect(lv.model()->index(row, 0)).center(); };

    QString searched;
    lv.OnVMFindItem = [&](TExtListView*, const QString& search, int& found) { searched = search, found = 9; };
    QTest::keyClicks(&lv, "r");
    EXPECT_EQ(searched, "r");
    EXPECT_EQ(lv.currentIndex().row(), 9);

    std::vector<std::tuple<int, int, unsigned, unsigned>> changes;
    lv.OnVMStateChanged = [&](TExtListView*, int from, int to, unsigned was, unsigned now) { changes.emplace_back(from, to, was, now); };
    QTest::mouseClick(lv.viewport(), Qt::LeftButton, {}, at(2));
    QTest::mouseClick(lv.viewport(), Qt::LeftButton, Qt::ShiftModifier, at(5));
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), std::make_tuple(3, 5, 0u, TExtListView::kItemSelected)) << "one call for rows 3 to 5";
    changes.clear();
    QTest::mouseClick(lv.viewport(), Qt::LeftButton, {}, at(8));
    EXPECT_EQ(changes, (decltype(changes){{2, 5, TExtListView::kItemSelected, 0u}, {8, 8, 0u, TExtListView::kItemSelected}}));
    testing::SaveScreenshot(lv);

    std::vector<int> tracked;
    bool allow = false;
    lv.OnHotTrack = [&](TExtListView*, int& item, int&, QPoint, bool& can_select) { tracked.push_back(item), can_select = allow; };
    const auto move = [&](QPoint to) {
        QMouseEvent event(QEvent::MouseMove, to, lv.viewport()->mapToGlobal(to), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(lv.viewport(), &event);
    };
    move(at(1));
    EXPECT_EQ(lv.currentIndex().row(), 8) << "refused";
    allow = true;
    move(at(3));
    EXPECT_EQ(tracked, (std::vector<int>{1, 3}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return lv.currentIndex().row() == 3; }, 5000)) << "track select";

    int marquees = 0;
    lv.OnMarqueeBegin = [&](TExtListView*, bool& can_begin) { ++marquees, can_begin = false; };
    const QPoint empty(20, lv.viewport()->height() - 5);
    ASSERT_FALSE(lv.indexAt(empty).isValid());
    QTest::mouseClick(lv.viewport(), Qt::LeftButton, {}, empty);
    EXPECT_EQ(marquees, 1);
    EXPECT_FALSE(lv.selectionModel()->selectedRows().isEmpty()) << "the refused press clears nothing";
}

}  // namespace
}  // namespace corvane
