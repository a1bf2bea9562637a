#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include "localisation/lang_adapters.h"
#include "platform/registry/current_user.h"
#include "platform/registry/registry_store.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "tests/support/archive_list_setup.h"
#include "widgets/ext_list_view.h"
#include "widgets/lang_adapters/widget_lang_adapters.h"

namespace corvane {
namespace {

struct AppFirst {
    AppFirst() { testing::GuiApp(); }
};

QPixmap Swatch(const QColor& colour) {
    QPixmap p(16, 16);
    p.fill(colour);
    QPainter(&p).drawRect(0, 0, 15, 15);
    return p;
}

// The archive window's list, as it is set up there.
class ExtListView : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetCurrentUserRegistry(std::make_shared<RegistryStore>());
        lv.setObjectName("ExtListView");
        lv.resize(640, 220);
        testing::SetUpArchiveList(lv);
    }
    void TearDown() override { SetCurrentUserRegistry(previous_); }
    void AddEntries() {
        struct E { const char* name; double size; const char* modified; } entries[] = {
            {"index.html", 1234, "12/31/99 10:00"}, {"logo.gif", 45, "1/2/00 09:30"}, {"style.css", 987, "6/5/03 18:00"}};
        for (const E& e : entries) {
            // Sizes show with thousands separators, which no number conversion reads: they sort by key.
            const QString size = QLocale(QLocale::English).toString(e.size, 'f', 0);
            const int row = lv.Items().AddRow({e.name, size, "10", "50%", e.modified, "www/"});
            lv.Items().SetSortKey(row, 1, e.size);
        }
    }
    void Show() {
        lv.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&lv));
    }
    QStringList Names() const {
        QStringList names;
        for (int r = 0; r < lv.model()->rowCount(); ++r) names << lv.model()->index(r, 0).data().toString();
        return names;
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QWidget* target = lv.header()->viewport();
        QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    AppFirst app_;
    TExtListView lv;
    std::shared_ptr<RegistryStore> previous_;
};

TEST_F(ExtListView, ExtendedStylesAreNormalisedAndActivateItems) {
    lv.SetExtendedStyles(lvxUnderlineHot);
    EXPECT_EQ(lv.ExtendedStyles(), lvxUnderlineHot | lvxOneClickActivate);
    lv.SetExtendedStyles(lvxUnderlineCold | lvxTwoClickActivate);
    EXPECT_EQ(lv.ExtendedStyles(), lvxUnderlineCold | lvxTwoClickActivate | lvxOneClickActivate);
    lv.SetExtendedStyles(lvxUnderlineHot | lvxTwoClickActivate);
    EXPECT_EQ(lv.ExtendedStyles(), lvxUnderlineHot | lvxTwoClickActivate);
    EXPECT_FALSE(lv.header()->sectionsMovable());
    EXPECT_EQ(lv.selectionBehavior(), QAbstractItemView::SelectItems);
    lv.SetExtendedStyles(lvxHeaderDragDrop | lvxFullRowSelect);
    EXPECT_TRUE(lv.header()->sectionsMovable());
    EXPECT_EQ(lv.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_NO_THROW(lv.SetRequireComCtlUpdate(true));

    AddEntries();
    Show();
    int activated = 0;
    lv.OnItemActivate = [&](TExtListView*) { ++activated; };
    const QPoint row0 = lv.visualRect(lv.model()->index(0, 0)).center();
    QTest::mouseClick(lv.viewport(), Qt::LeftButton, {}, row0);
    EXPECT_EQ(activated, 0);
    QTest::mouseDClick(lv.viewport(), Qt::LeftButton, {}, row0);
    EXPECT_EQ(activated, 1);
    QTest::keyClick(&lv, Qt::Key_Return);
    EXPECT_EQ(activated, 2);
    lv.SetExtendedStyles(lvxOneClickActivate);
    QTest::mouseClick(lv.viewport(), Qt::LeftButton, {}, row0);
    EXPECT_EQ(activated, 3);
}

// Track select waits until the pointer has rested on a row for the hover time (the system's at -1),
// and a row passed over sooner is never selected. A Shift click or Shift arrow selects from the
// selection mark, which a plain click or arrow moves and the program may set.
TEST_F(ExtListView, LastPartsHoverTimeDelaysTrackSelectAndShiftRangesRunFromTheSelectionMark) {
    for (int i = 0; i < 4; ++i) AddEntries();
    lv.setSelectionMode(QAbstractItemView::ExtendedSelection);
    lv.SetExtendedStyles(lvxFullRowSelect | lvxTrackSelect);
    Show();
    const auto at = [&](int row) { return lv.visualRect(lv.model()->index(row, 0)).center(); };
    const auto move = [&](int row) {
        QMouseEvent event(QEvent::MouseMove, at(row), lv.viewport()->mapToGlobal(at(row)), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(lv.viewport(), &event);
    };
    std::vector<int> current;
    QObject::connect(lv.selectionModel(), &QItemSelectionModel::currentChanged,
                     [&](const QModelIndex& now) { current.push_back(now.row()); });

    EXPECT_EQ(lv.HoverTime(), -1);
    lv.SetHoverTime(60000);
    move(2);
    QCoreApplication::processEvents();
    EXPECT_TRUE(current.empty()) << "selected before the hover time";
    lv.SetHoverTime(-1);
    move(3);
    move(5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lv.currentIndex().row() == 5; }, 5000));
    EXPECT_EQ(current, std::vector<int>{5}) << "only the row the pointer rested on";

    const auto selected = [&] {
        std::vector<int> rows;
        for (const QModelIndex& index : lv.selectionModel()->selectedRows()) rows.push_back(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    lv.SetExtendedStyles(lvxFullRowSelect);
    EXPECT_EQ(lv.SelectionMark(), -1);
    QTest::mouseClick(lv.viewport(), Qt::LeftButton, {}, at(3));
    EXPECT_EQ(lv.SelectionMark(), 3);
    lv.SetSelectionMark(9);
    QTest::mouseClick(lv.viewport(), Qt::LeftButton, Qt::ShiftModifier, at(7));
    EXPECT_EQ(selected(), (std::vector<int>{7, 8, 9}));
    EXPECT_EQ(lv.currentIndex().row(), 7);
    EXPECT_EQ(lv.SelectionMark(), 9) << "a Shift click keeps the mark";
    QTest::keyClick(&lv, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{6, 7, 8, 9}));
    lv.SetSelectionMark(1);
    QTest::keyClick(&lv, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selected(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    testing::SaveScreenshot(lv, "-LastParts");
    QTest::keyClick(&lv, Qt::Key_Down);
    EXPECT_EQ(lv.SelectionMark(), 8) << "a plain move takes the mark along";
    EXPECT_EQ(selected(), std::vector<int>{8});
    lv.Items().Clear();
    EXPECT_EQ(lv.SelectionMark(), -1);
}

TEST_F(ExtListView, ColumnOrderIsSavedAndDraggedColumnsSortByTheirKeys) {
    AddEntries();
    lv.SaveSettingsOptions().RegistryKey = "Software\\Test\\Zip";
    lv.SaveSettingsOptions().AutoSave = true;
    auto store = CurrentUserRegistry();
    store->SetString("Software\\Test\\Zip\\Columns", "Order", "2,0,1,3,4,5");
    store->SetString("Software\\Test\\Zip\\Columns", "Sizes", "150,71,72");
    Show();
    EXPECT_EQ(lv.ColumnOrder(), (std::vector<int>{2, 0, 1, 3, 4, 5}));
    EXPECT_EQ(lv.header()->logicalIndexAt(5), 2) << "the third column shows first";
    EXPECT_EQ(lv.columnWidth(1), 71) << "sizes apply by index";
    EXPECT_EQ(lv.columnWidth(2), 72);

    for (const char* bad : {"2,2,1,0,3,4", "0,1", "0,1,2,3,4,x", "0,1,2,3,4,9"}) {
        store->SetString("Software\\Test\\Zip\\Columns", "Order", bad);
        lv.LoadSettings();
        EXPECT_EQ(lv.ColumnOrder(), (std::vector<int>{2, 0, 1, 3, 4, 5})) << bad;
    }
    EXPECT_FALSE(lv.SetColumnOrder({0, 0, 1, 2, 3, 4}));

    // Drag "Size" to the front, then click it: rows sort by size, not by the text "1,234".
    lv.SetColumnOrder({0, 1, 2, 3, 4, 5});
    QHeaderView* h = lv.header();
    const int y = h->height() / 2;
    const QPoint from(h->sectionViewportPosition(1) + 20, y);
    QTest::mousePress(h->viewport(), Qt::LeftButton, {}, from);
    for (int x = from.x(); x >= 2; x -= 10) QTest::mouseMove(h->viewport(), QPoint(x, y));
    QTest::mouseMove(h->viewport(), QPoint(2, y));
    QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, QPoint(2, y));
    ASSERT_EQ(h->logicalIndexAt(5), 1) << "Size was dragged to the front";
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(10, y));
    EXPECT_EQ(lv.CurrentSortColumn(), 1);
    EXPECT_EQ(Names(), QStringList({"logo.gif", "style.css", "index.html"}));

    lv.SaveSettings();
    EXPECT_EQ(store->GetValue("Software\\Test\\Zip\\Columns", "Order")->Data, "1,0,2,3,4,5");
}

TEST_F(ExtListView, VirtualRowsComeFromEventsAndCellsFollowTheColumns) {
    lv.SetVirtualMode(true);
    lv.SetItemCount(1000);
    lv.SetStyle(TLVStyle::lvStandard);
    Show();
    EXPECT_EQ(lv.model()->rowCount(), 1000);
    EXPECT_EQ(lv.model()->index(999, 2).data().toString(), "");
    // Without OnVMGetItemInfo the rows show no text: no dark pixel anywhere.
    auto dark_pixels = [&] {
        const QImage shot = lv.viewport()->grab().toImage();
        int dark = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) dark += shot.pixelColor(x, y).lightness() < 128;
        return dark;
    };
    EXPECT_EQ(dark_pixels(), 0);

    std::vector<std::pair<int, int>> hints;
    lv.OnVMCacheHint = [&](TExtListView*, int from, int to) { hints.emplace_back(from, to); };
    lv.OnVMGetItemInfo = [](TExtListView*, int item, int sub_item, unsigned asked, int&, int&, QString& text) {
        if (asked & vmText) text = QString("%1:%2").arg(item).arg(sub_item);
    };
    lv.viewport()->repaint();
    EXPECT_EQ(lv.model()->index(7, 2).data().toString(), "7:1");
    EXPECT_GT(dark_pixels(), 0);
    ASSERT_FALSE(hints.empty());
    EXPECT_EQ(hints.back().first, 0);
    EXPECT_EQ(hints.back().second, lv.indexAt(QPoint(0, lv.viewport()->height() - 1)).row());
    lv.scrollTo(lv.model()->index(500, 0), QAbstractItemView::PositionAtTop);
    lv.viewport()->repaint();
    EXPECT_EQ(hints.back().first, 500);

    // Owner-drawn virtual rows: cells 4 pixels apart, each 2 pixels inside its column.
    lv.SetStyle(TLVStyle::lvOwnerDrawFixed);
    std::vector<QRect> cells;
    lv.OnDrawSubItem = [&](TCustomEnhListView*, QPainter&, int index, int, QRect rect, TOwnerDrawState, bool& d) {
        if (index == 500) cells.push_back(rect);
        d = true;  // asks for default text, which virtual rows never draw
    };
    lv.viewport()->repaint();
    ASSERT_EQ(cells.size(), 6u);
    const int left = lv.header()->sectionViewportPosition(0);
    EXPECT_EQ(cells[0].left(), left);
    for (size_t c = 0; c < cells.size(); ++c) {
        const int border = lv.header()->sectionViewportPosition(static_cast<int>(c)) + lv.columnWidth(static_cast<int>(c));
        EXPECT_EQ(cells[c].right() + 1, border - 2) << c;
        if (c > 0) {
            EXPECT_EQ(cells[c].left(), cells[c - 1].right() + 1 + 4) << c;
        }
    }
}

TEST_F(ExtListView, TranslatedCaptionsHeaderImagesArrowsAndSelection) {
    RegisterWidgetLangAdapters();
    const LangCollectionProperty* columns = nullptr;
    for (const LangClassAdapter* a : LangAdaptersFor(&lv))
        for (const LangCollectionProperty& c : a->Collections)
            if (c.Name == "Columns") columns = &c;
    ASSERT_NE(columns, nullptr);
    ASSERT_EQ(columns->Count(&lv), 6);
    columns->Set(&lv, 1, QString::fromUtf8("Größe"));  // lvZip.Columns.Item1.Caption
    EXPECT_EQ(lv.model()->headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("Größe"));
    EXPECT_EQ(columns->Get(&lv, 1), QString::fromUtf8("Größe"));

    lv.SetSmallImages({Swatch(Qt::darkGreen), Swatch(QColor(200, 60, 0))});
    lv.SetColumnsFormat({{0, TColumnImageAlign::ciaLeftOfText}, {}, {}, {}, {1, TColumnImageAlign::ciaRightOfText}});
    AddEntries();
    for (int r = 0; r < 3; ++r) lv.Items().SetImageIndex(r, 0, r % 2);
    Show();
    lv.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&lv));
    lv.setFocus();
    QTest::mouseClick(lv.header()->viewport(), Qt::LeftButton, {},
                      QPoint(lv.header()->sectionViewportPosition(1) + 10, lv.header()->height() / 2));
    EXPECT_EQ(lv.CurrentSortColumn(), 1);
    QTest::mouseClick(lv.viewport(), Qt::LeftButton, {}, lv.visualRect(lv.model()->index(1, 0)).center());
    EXPECT_TRUE(lv.selectionModel()->rowIntersectsSelection(1, {}));
    EXPECT_GT(lv.ArrowSide(), 0);
    EXPECT_EQ(lv.ArrowSide() % 2, 0);
    testing::SaveScreenshot(lv);
}

}  // namespace
}  // namespace corvane
