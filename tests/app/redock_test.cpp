// A view dragged out by its grabber and dropped back on a panel takes the mouse at once: a click on
// its tree selects, a click on its list's header sorts, with its archive still listed.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>
#include <QTreeView>

#include "app/dock_panel.h"
#include "app/main_commands.h"
#include "archive/form_zip.h"
#include "archive/zip_tree_model.h"
#include "tests/app/main_window_fixture.h"
#include "tests/archive/hostile_archive.h"
#include "tests/support/screenshot.h"
#include "widgets/ext_list_view.h"

namespace corvane::testing {
namespace {

class RedockRefresh : public MainWindowFixture {
protected:
    // A grabber drag as a user makes it: press, a few moves, release at the global point.
    static void DragGrabber(TDockFrame& frame, const QPoint& to) {
        QWidget* grabber = frame.Grabber();
        const QPoint from(grabber->width() / 3, grabber->height() / 2);
        QTest::mousePress(grabber, Qt::LeftButton, {}, from);
        const QPoint start = grabber->mapToGlobal(from);
        for (int step = 1; step <= 4; ++step) {
            const QPoint at = start + (to - start) * step / 4;
            QTest::mouseMove(grabber, grabber->mapFromGlobal(at));
            QApplication::processEvents();
        }
        QTest::mouseRelease(grabber, Qt::LeftButton, {}, grabber->mapFromGlobal(to));
        QApplication::processEvents();
    }
    // A click where the widget shows on screen, given to the main window as the window system gives
    // it: what lies over the widget there takes it.
    static void ClickInWindow(QWidget& window, QWidget& widget, const QPoint& at) {
        const QPoint in_window = window.mapFromGlobal(widget.mapToGlobal(at));
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, in_window);
        QApplication::processEvents();
    }
};

TEST_F(RedockRefresh, ViewDockedBackOnEveryPanelTakesClicks) {
    TFormCorvane& form = Start();
    form.resize(900, 640);
    const std::string file = App->GetDownloadsFolder() + "site.zip";
    MakeZip(file, {{"big.txt", std::string(3000, 'b')}, {"small.txt", "s"}, {"mid.txt", std::string(200, 'm')}});
    form.Commands->mruFilesMRUItemClick(QString::fromStdString(file));
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    zip->WaitForListing();
    const TZipNodeId archive = zip->Tree().FindArchive(file);
    ASSERT_NE(archive, 0u);

    struct Target {
        TDockPanel* panel;
        const char* name;
    };
    for (const Target& target : {Target{form.pnlBottomDock, "bottom"}, Target{form.pnlRightDock, "right"},
                                 Target{form.pnlLeftDock, "left"}, Target{form.pnlStatus, "status"},
                                 Target{form.pnlBottomDock, "bottom again"}}) {
        SCOPED_TRACE(target.name);
        TDockFrame* frame = form.DockSite->FindFrame(zip);
        ASSERT_NE(frame, nullptr);
        // Out into the browser area: it floats.
        const QRect browser(form.pnlBrowser->mapToGlobal(QPoint(0, 0)), form.pnlBrowser->size());
        DragGrabber(*frame, browser.center());
        ASSERT_TRUE(frame->Floating());
        QTest::qWait(20);

        // Back onto the panel, at its lower end (an empty one takes the drop at its edge).
        const QRect area = target.panel->DropArea();
        ASSERT_FALSE(area.isEmpty());
        DragGrabber(*frame, QPoint(area.center().x(), area.bottom() - 1));
        ASSERT_FALSE(frame->Floating());
        ASSERT_EQ(form.DockSite->PanelOf(*frame), target.panel);
        EXPECT_EQ(frame->windowHandle(), nullptr) << "no window of the floating frame stays behind";
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr) << "no grab outlives the drag";
        EXPECT_EQ(QApplication::mouseButtons(), Qt::NoButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return zip->isVisible() && zip->tvZip->isVisible(); }, 5000));
        QTest::qWait(20);

        // The archive is still listed; a click on it selects it (once the list has followed the
        // cleared selection: a listing holds the selection).
        zip->tvZip->selectionModel()->clearCurrentIndex();
        zip->tvZip->clearSelection();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !zip->ArchiveBusy(); }, 5000));
        const QModelIndex node = zip->TreeModel().IndexOf(archive);
        ASSERT_TRUE(node.isValid()) << "the archive stays in the tree";
        zip->tvZip->scrollTo(node);
        const QRect rect = zip->tvZip->visualRect(node);
        ASSERT_FALSE(rect.isEmpty());
        ClickInWindow(form, *zip->tvZip->viewport(), rect.center());
        EXPECT_TRUE(QTest::qWaitFor([&] { return zip->tvZip->currentIndex() == node; }, 5000))
            << "the click selected the archive";

        // A click on the Size header sorts by it (toggling the order when it sorted by it already).
        QHeaderView* header = zip->lvZip->header();
        const int was_column = zip->lvZip->CurrentSortColumn();
        const bool was_ascending = zip->lvZip->CurrentSortAscending();
        const int x = header->sectionViewportPosition(1) + header->sectionSize(1) / 2;
        ClickInWindow(form, *header->viewport(), QPoint(x, header->height() / 2));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return zip->lvZip->CurrentSortColumn() == 1 &&
                       (was_column != 1 || zip->lvZip->CurrentSortAscending() != was_ascending);
            },
            5000))
            << "the header click sorted";
    }
    SaveScreenshot(form, QStringLiteral("-redock"));
}

}  // namespace
}  // namespace corvane::testing
