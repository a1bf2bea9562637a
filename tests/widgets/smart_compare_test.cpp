#include <gtest/gtest.h>

#include <QSignalSpy>
#include <algorithm>
#include <random>

#include "tests/support/gui_app.h"
#include "widgets/list_items.h"

namespace corvane {
namespace {

QStringList Column(const TListItems& items, int column) {
    QStringList texts;
    for (int r = 0; r < items.Count(); ++r) texts << items.Text(r, column);
    return texts;
}

TListItems& Fill(TListItems& items, const QStringList& texts) {
    if (items.ColumnCount() == 0) items.AddColumn("A");
    for (int i = 0; i < texts.size(); ++i) items.AddRow({texts[i]}, i);
    return items;
}

TEST(SmartCompare, ColumnsSortAsDatesNumbersOrText) {
    testing::GuiApp();
    {
        TListItems items;
        Fill(items, {"10", "9", "100", "-2.5"}).Sort(0, true);
        EXPECT_EQ(Column(items, 0), QStringList({"-2.5", "9", "10", "100"}));
        items.Sort(0, false);
        EXPECT_EQ(Column(items, 0), QStringList({"100", "10", "9", "-2.5"}));
    }
    {
        TListItems items;
        Fill(items, {"9 KB", "10 KB"}).Sort(0, true);
        EXPECT_EQ(Column(items, 0), QStringList({"10 KB", "9 KB"}));
    }
    {
        TListItems items;  // as text "1/2/00" would come first
        Fill(items, {"1/2/00", "12/31/99", "", "12/31/99 10:00"}).Sort(0, true);
        EXPECT_EQ(Column(items, 0), QStringList({"", "12/31/99", "12/31/99 10:00", "1/2/00"}));
    }
    {
        TListItems items;  // "nan" and "inf" are words here, not numbers
        Fill(items, {"nan", "5", "inf"}).Sort(0, true, TAutoSortStyle::assSmart);
        EXPECT_EQ(Column(items, 0), QStringList({"5", "inf", "nan"}));
        items.Sort(0, true, TAutoSortStyle::assDefault);
        EXPECT_EQ(Column(items, 0), QStringList({"5", "inf", "nan"}));
    }
    {
        TListItems items;  // equal keys keep their order both ways
        Fill(items, {"b", "a", "b", "a"}).Sort(0, false);
        EXPECT_EQ(Column(items, 0), QStringList({"b", "b", "a", "a"}));
        EXPECT_EQ(items.Data(0).toInt(), 0);
        EXPECT_EQ(items.Data(1).toInt(), 2);
    }
}

TEST(SmartCompare, MixedColumnsGiveATotalOrder) {
    testing::GuiApp();
    const QStringList pool = {"12/31/99", "1/2/00", "10", "9", "100", "10 KB", "abc", "Abc", "", "3:15",
                              "2/29/2000", "2/30/2000", "1e3", "x/y", "0.5", "-7"};
    std::mt19937 random(2024);
    for (int round = 0; round < 200; ++round) {
        QStringList texts;
        const int n = 2 + static_cast<int>(random() % 40);
        for (int i = 0; i < n; ++i) texts << pool[static_cast<int>(random() % pool.size())];
        TListItems first;
        Fill(first, texts).Sort(0, true);
        std::shuffle(texts.begin(), texts.end(), random);
        TListItems second;
        Fill(second, texts).Sort(0, true);
        // A total order gives the same sequence whatever the rows' starting order.
        ASSERT_EQ(Column(first, 0), Column(second, 0)) << round;
        second.Sort(0, false);
        QStringList reversed = Column(second, 0);
        std::reverse(reversed.begin(), reversed.end());
        ASSERT_EQ(Column(first, 0), reversed) << round;
    }
}

TEST(SmartCompare, CallerKeysAndRowsHeldBackByABracket) {
    testing::GuiApp();
    TListItems items;
    items.AddColumn("Size", Qt::AlignRight);
    QSignalSpy inserted(&items, &QAbstractItemModel::rowsInserted);
    items.BeginUpdate();
    items.BeginUpdate();
    const QStringList sizes = {"1,234", "45", "987"};
    const double keys[] = {1234, 45, 987};
    for (int i = 0; i < 3; ++i) items.SetSortKey(items.AddRow({sizes[i]}), 0, keys[i]);
    items.EndUpdate();
    EXPECT_EQ(items.Count(), 3);
    EXPECT_EQ(items.rowCount(), 0);
    EXPECT_EQ(inserted.count(), 0);
    items.EndUpdate();
    ASSERT_EQ(inserted.count(), 1);  // one insertion of all three
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 2);
    items.Sort(0, true);
    EXPECT_EQ(Column(items, 0), QStringList({"45", "987", "1,234"}));

    // A row inserted at an index flushes the held rows first, so none is lost or misplaced.
    items.BeginUpdate();
    items.AddRow({"7"});
    items.InsertRow(0, {"first"});
    items.EndUpdate();
    EXPECT_EQ(Column(items, 0), QStringList({"first", "45", "987", "1,234", "7"}));
    EXPECT_EQ(items.rowCount(), 5);
}

}  // namespace
}  // namespace corvane
