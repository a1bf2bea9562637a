// Long lists sorted a slice at a time give the order a sort at once gives.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <numeric>
#include <random>

#include "platform/registry/current_user.h"
#include "platform/registry/registry_store.h"
#include "tests/support/archive_list_setup.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "widgets/ext_list_view.h"
#include "widgets/sliced_resort.h"
#include "widgets/sliced_sort.h"

namespace corvane {
namespace {

TEST(ResponsiveSlicedSort, StepsPastTheirDeadlineStillEndInTheStableOrder) {
    // Few distinct keys, so that stability decides most of the order.
    std::mt19937 random(11);
    std::vector<int> keys(20000);
    for (int& k : keys) k = static_cast<int>(random() % 37);
    const auto less = [&](int a, int b) { return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)]; };
    std::vector<int> expected(keys.size());
    std::iota(expected.begin(), expected.end(), 0);
    std::stable_sort(expected.begin(), expected.end(), less);

    TSlicedSort sort(static_cast<int>(keys.size()), less);
    int steps = 1;
    while (!sort.Step(TSlicedSort::Clock::now())) ++steps;  // every step is already late
    EXPECT_GT(steps, 10);
    EXPECT_EQ(sort.Order(), expected);
    EXPECT_TRUE(TSlicedSort(0, less).Step(TSlicedSort::Clock::now()));
}

struct AppFirst {
    AppFirst() { testing::GuiApp(); }
};

class ResponsiveResort : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetCurrentUserRegistry(std::make_shared<RegistryStore>());
        lv.setObjectName("ResponsiveResort");
        lv.resize(640, 220);
        testing::SetUpArchiveList(lv);
        std::mt19937 random(5);
        lv.BeginUpdate();
        for (int i = 0; i < 9000; ++i)
            lv.Items().AddRow({QString("page%1.htm").arg(random() % 100000), "1", "1", "0%", "", "www/"});
        lv.EndUpdate();
        lv.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&lv));
    }
    void TearDown() override { SetCurrentUserRegistry(previous_); }

    QStringList Names() const {
        QStringList names;
        for (int r = 0; r < lv.Items().Count(); ++r) names << lv.Items().Text(r, 0);
        return names;
    }
    // The same rows sorted at once, by row data.
    QStringList SortedAtOnce(bool ascending) {
        TExtListView other;
        testing::SetUpArchiveList(other);
        for (int r = 0; r < lv.Items().Count(); ++r) other.Items().AddRow({lv.Items().Text(r, 0)});
        other.SortColumn(0, ascending);
        QStringList names;
        for (int r = 0; r < other.Items().Count(); ++r) names << other.Items().Text(r, 0);
        return names;
    }

    AppFirst app_;
    TExtListView lv;
    std::shared_ptr<RegistryStore> previous_;
};

TEST_F(ResponsiveResort, TheListIsSortedOverSeveralTurnsThenDoneRuns) {
    lv.SetCurrentSortColumn(0);
    lv.SetCurrentSortAscending(false);
    const QStringList expected = SortedAtOnce(false);
    bool done = false;
    ResortInSlices(lv, [&] { done = true; });
    EXPECT_FALSE(done);  // nothing is sorted before the event loop turns
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 20000));
    EXPECT_EQ(Names(), expected);
    testing::SaveScreenshot(lv);
}

TEST_F(ResponsiveResort, ARowAddedWhileSortingIsSortedWithTheRest) {
    lv.SetCurrentSortColumn(0);
    lv.SetCurrentSortAscending(true);
    bool done = false;
    ResortInSlices(lv, [&] { done = true; });
    lv.Items().AddRow({"aaa-first.htm", "1", "1", "0%", "", "www/"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 20000));
    EXPECT_EQ(Names(), SortedAtOnce(true));
    EXPECT_EQ(Names().front(), "aaa-first.htm");
    testing::SaveScreenshot(lv, "added");
}

// A click on a column header of a long list sorted it at once, holding the window for the whole
// sort; it now sorts over several turns of the loop, toggling to the order a sort at once gives.
TEST_F(ResponsiveResort, AHeaderClickSortsWhileTheLoopTurns) {
    lv.SetCurrentSortColumn(0);
    lv.SetCurrentSortAscending(true);
    const QStringList expected = SortedAtOnce(false);
    bool sorted = false, turned = false;
    lv.OnSortFinished = [&](TCustomEnhListView*, int, bool) { sorted = true; };
    QTimer::singleShot(0, &lv, [&] { turned = !sorted; });
    QHeaderView* header = lv.header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sorted; }, 20000));
    EXPECT_TRUE(turned) << "the loop turned before the sort ended";
    EXPECT_FALSE(lv.CurrentSortAscending());
    EXPECT_EQ(Names(), expected);
}

}  // namespace
}  // namespace corvane
