#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QTest>

#include "platform/registry/current_user.h"
#include "platform/registry/registry_store.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "widgets/enh_list_view.h"

namespace corvane {
namespace {

const QColor kHighlight(255, 0, 255);

struct AppFirst {
    AppFirst() { testing::GuiApp(); }
};

class EnhListView : public ::testing::Test {
protected:
    void SetUp() override {
        testing::GuiApp();
        previous_ = SetCurrentUserRegistry(std::make_shared<RegistryStore>());
        view.setObjectName("EnhListView");
        view.resize(420, 200);
        QPalette pal = view.palette();
        pal.setColor(QPalette::Highlight, kHighlight);
        pal.setColor(QPalette::Base, Qt::white);
        view.setPalette(pal);
        view.OnSortFinished = [this](TCustomEnhListView*, int, bool) { ++sorts; };
    }
    void TearDown() override { SetCurrentUserRegistry(previous_); }

    QStringList Texts(int column = 0) const {
        QStringList texts;
        const QAbstractItemModel* m = view.model();
        for (int r = 0; r < m->rowCount(); ++r) texts << m->index(r, column).data().toString();
        return texts;
    }
    void ClickHeader(int logical) {
        QHeaderView* h = view.header();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(logical) + 5, h->height() / 2));
    }
    void Show() {
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    }

    AppFirst app_;
    TCustomEnhListView view;
    int sorts = 0;
    std::shared_ptr<RegistryStore> previous_;
};

TEST_F(EnhListView, HeaderClicksSortToggleAndSwitchColumns) {
    view.AddColumn("Name", 150);
    view.AddColumn("Size", 70, Qt::AlignRight);
    const QStringList names = {"b", "c", "a"}, sizes = {"10", "9", "100"};
    for (int i = 0; i < 3; ++i) view.Items().AddRow({names[i], sizes[i]});
    view.SetAutoColumnSort(TAutoColumnSort::acsSortToggle);
    EXPECT_EQ(sorts, 0) << "nothing sorts before the list is ready";
    Show();
    EXPECT_EQ(view.CurrentSortColumn(), 0);
    EXPECT_EQ(Texts(), QStringList({"a", "b", "c"})) << "the first sort is on the first column";

    ClickHeader(0);
    EXPECT_EQ(Texts(), QStringList({"c", "b", "a"}));
    ClickHeader(0);
    EXPECT_EQ(Texts(), QStringList({"a", "b", "c"}));
    view.SetAutoSortAscending(false);
    ClickHeader(1);
    EXPECT_EQ(Texts(1), QStringList({"100", "10", "9"}));
    EXPECT_EQ(view.CurrentSortColumn(), 1);
    view.SetAutoSortAscending(true);
    ClickHeader(0);
    EXPECT_EQ(Texts(), QStringList({"a", "b", "c"}));

    // acsSort keeps the direction; acsNoSort only reports the click.
    view.SetAutoColumnSort(TAutoColumnSort::acsSort);
    ClickHeader(0);
    EXPECT_EQ(Texts(), QStringList({"a", "b", "c"}));
    view.SetAutoColumnSort(TAutoColumnSort::acsNoSort);
    int clicked = -1;
    view.OnColumnClick = [&](TCustomEnhListView*, int c) { clicked = c; };
    const int before = sorts;
    ClickHeader(1);
    EXPECT_EQ(clicked, 1);
    EXPECT_EQ(sorts, before);
}

TEST_F(EnhListView, BracketsSortOnceAndAutoResortOffKeepsRowsInPlace) {
    view.AddColumn("Size", 80);
    view.SetAutoColumnSort(TAutoColumnSort::acsSort);
    Show();
    sorts = 0;
    view.BeginUpdate();
    view.BeginUpdate();
    for (const char* s : {"30", "4", "200"}) view.Items().AddRow({s});
    view.EndUpdate();
    EXPECT_EQ(sorts, 0);
    EXPECT_EQ(view.model()->rowCount(), 0) << "held back until the last bracket closes";
    view.EndUpdate();
    view.EndUpdate();  // one too many: the count stays at 0
    EXPECT_EQ(view.UpdateCount(), 0);
    EXPECT_EQ(sorts, 1);
    EXPECT_EQ(Texts(), QStringList({"4", "30", "200"}));

    view.Items().AddRow({"1"});  // AutoResort on: sorted in
    EXPECT_EQ(Texts(), QStringList({"1", "4", "30", "200"}));
    view.SetAutoResort(false);
    view.Items().AddRow({"2"});
    EXPECT_EQ(Texts(), QStringList({"1", "4", "30", "200", "2"}));
}

TEST_F(EnhListView, SettingsApplySizesByIndexAndClampTheSortColumn) {
    for (const char* c : {"A", "B", "C", "D", "E"}) view.AddColumn(c, 40);
    for (const char* s : {"x", "y"}) view.Items().AddRow({s, s, s, s, s});
    view.SaveSettingsOptions().RegistryKey = "Software\\Test\\List";
    view.SaveSettingsOptions().AutoSave = true;
    auto store = CurrentUserRegistry();
    store->SetString("Software\\Test\\List\\Columns", "Sizes", "150,70,70");
    store->SetDWord("Software\\Test\\List\\Sort", "SortCol", 9);
    store->SetDWord("Software\\Test\\List\\Sort", "Ascending", 0);
    view.SetAutoColumnSort(TAutoColumnSort::acsSortToggle);
    Show();
    EXPECT_EQ(view.columnWidth(0), 150);
    EXPECT_EQ(view.columnWidth(2), 70);
    EXPECT_EQ(view.columnWidth(3), 40);
    EXPECT_EQ(view.CurrentSortColumn(), 4);
    EXPECT_FALSE(view.CurrentSortAscending());
    EXPECT_EQ(Texts(), QStringList({"y", "x"}));

    store->SetString("Software\\Test\\List\\Columns", "Sizes", "90,wide,-,95");
    store->SetDWord("Software\\Test\\List\\Sort", "SortCol", 0xFFFFFFFF);
    view.LoadSettings();
    EXPECT_EQ(view.columnWidth(0), 90);
    EXPECT_EQ(view.columnWidth(1), 70) << "a piece that is no integer is skipped";
    EXPECT_EQ(view.columnWidth(3), 95);
    EXPECT_EQ(view.CurrentSortColumn(), 0);

    view.setColumnWidth(4, 33);
    view.SaveSettings();
    EXPECT_EQ(store->GetValue("Software\\Test\\List\\Columns", "Sizes")->Data, "90,70,70,95,33");
    EXPECT_EQ(store->GetValue("Software\\Test\\List\\Sort", "SortCol")->AsDWord(), 0u);
}

TEST_F(EnhListView, OwnerDrawingEventsAndTheSelectionRectangle) {
    view.AddColumn("Name", 150);
    view.AddColumn("Size", 70, Qt::AlignRight);
    view.Items().AddRow({"Selected row", "12"});
    view.Items().AddRow({"Other", "3"});
    view.SetStyle(TLVStyle::lvOwnerDrawFixed);
    view.SetHideSelection(false);
    int after = 0, cells = 0;
    view.OnAfterDefaultDrawItem = [&](TCustomEnhListView*, QPainter&, int, QRect, TOwnerDrawState) { ++after; };
    view.OnDrawSubItem = [&](TCustomEnhListView*, QPainter&, int, int, QRect, TOwnerDrawState, bool& d) {
        ++cells;
        EXPECT_FALSE(d) << "a handler starts without default drawing";
        d = true;
    };
    view.OnDrawItem = [&](TCustomEnhListView*, QPainter&, int, QRect, TOwnerDrawState, bool& d, bool&) { d = false; };
    Show();
    view.grab();
    EXPECT_EQ(after, 0);
    EXPECT_EQ(cells, 0);

    view.OnDrawItem = nullptr;
    view.activateWindow();
    view.setFocus();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(view.model()->index(0, 0)).center());
    ASSERT_TRUE(view.selectionModel()->rowIntersectsSelection(0, {}));
    const QImage shot = view.viewport()->grab().toImage();
    EXPECT_GT(after, 0);
    EXPECT_GT(cells, 0);

    // The highlight of row 0: 2 pixels in, as wide as the caption plus 8.
    const int y = view.visualRect(view.model()->index(0, 0)).center().y();
    int first = -1, last = -1;
    for (int x = 0; x < shot.width(); ++x)
        if (shot.pixelColor(x, y) == kHighlight) {
            if (first < 0) first = x;
            last = x;
        }
    ASSERT_TRUE(view.hasFocus());
    {
        EXPECT_EQ(first, 2);
        EXPECT_EQ(last - first + 1, view.fontMetrics().horizontalAdvance("Selected row") + 8);
        testing::SaveScreenshot(view);
    }
    const QRect row = view.visualRect(view.model()->index(0, 0));
    const QRect narrow = view.SelectionRect(0, QRect(0, row.top(), 220, row.height()), false);
    view.setColumnWidth(0, 40);
    const QRect clipped = view.SelectionRect(0, QRect(0, row.top(), 110, row.height()), false);
    const QRect full = view.SelectionRect(0, QRect(0, row.top(), 110, row.height()), true);
    EXPECT_EQ(narrow.left(), 2);
    EXPECT_EQ(clipped.right(), 39) << "never past the caption column";
    EXPECT_EQ(full.right(), 109);

    // HideSelection without the focus: no highlight at all.
    view.SetHideSelection(true);
    view.clearFocus();
    const QImage hidden = view.viewport()->grab().toImage();
    for (int x = 0; x < hidden.width(); ++x) ASSERT_NE(hidden.pixelColor(x, y), kHighlight) << x;
}

}  // namespace
}  // namespace corvane
