// The view manager: each view made on first use, docked in its panel and its label marked; closing
// releases it, except the status view (floated and hidden) and the archive view of a zip-mode task.

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QSpontaneKeyEvent>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "app/dock_panel.h"
#include "app/form_browser.h"
#include "app/form_downloader.h"
#include "app/form_explore.h"
#include "tasks/task_tree_window.h"
#include "app/form_personal_intranet.h"
#include "app/form_status.h"
#include "archive/form_zip.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/wait_until.h"
#include "widgets/hyper_label.h"
#include "widgets/transparent_button.h"
#include <QToolButton>

namespace corvane::testing {
namespace {

class ViewManager : public MainWindowFixture {
protected:
    static bool Marked(const THyperLabel& label) {
        return label.font().bold() && label.ColorLeave() == QColor(Qt::yellow);
    }
    static bool Unmarked(const THyperLabel& label) {
        return !label.font().bold() && label.ColorLeave() == QColor(Qt::black);
    }
    static bool FrameVisible(TFormCorvane& form, QWidget* view) {
        TDockFrame* frame = form.DockSite->FindFrame(view);
        return frame && frame->isVisible();
    }
};

TEST_F(ViewManager, FirstPaintDocksStatusAndHomePage) {
    TFormCorvane& form = Start();
    TViewManager& views = form.Views();
    ASSERT_NE(views.FormStatus, nullptr);
    EXPECT_EQ(form.DockSite->PanelOf(*form.DockSite->FindFrame(views.FormStatus)), form.pnlStatus);
    // It opens at 120, or at what the status view needs when that is more.
    WAIT_EQ(form.pnlStatus->Extent(), std::max(120, form.pnlStatus->minimumSizeHint().height()));
    ASSERT_NE(views.FormBrowser, nullptr);
    EXPECT_EQ(views.FormBrowser->parentWidget(), form.pnlBrowser);
    EXPECT_FALSE(views.FormBrowser->isWindow()) << "placed in the browser area";
    EXPECT_TRUE(Marked(*form.lblBrowse));
    ASSERT_NE(browsers_->last, nullptr);
    ASSERT_FALSE(browsers_->last->calls.empty());
    const std::string home = App->GetTempFolder() + "corvane.htm";
    EXPECT_NE(browsers_->last->calls.back().find(home), std::string::npos) << browsers_->last->calls.back();
    EXPECT_TRUE(std::filesystem::is_regular_file(home));
    EXPECT_TRUE(form.btnBrowseHome->Down());

    // The task tree fills the left panel; its label floats and hides it, and brings the same view back.
    TFormScheduler* tree = views.FormScheduler;
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(form.DockSite->PanelOf(*form.DockSite->FindFrame(tree)), form.pnlLeftDock);
    WAIT_EQ(form.pnlLeftDock->Extent(), 200);
    EXPECT_TRUE(Marked(*form.lblTasks));
    QTest::mouseClick(form.lblTasks, Qt::LeftButton);
    EXPECT_EQ(views.FormScheduler, tree);
    EXPECT_FALSE(FrameVisible(form, tree));
    EXPECT_TRUE(Unmarked(*form.lblTasks));
    QTest::mouseClick(form.lblTasks, Qt::LeftButton);
    EXPECT_EQ(views.FormScheduler, tree);
    EXPECT_TRUE(FrameVisible(form, tree));
    EXPECT_EQ(form.DockSite->PanelOf(*form.DockSite->FindFrame(tree)), form.pnlLeftDock);
    EXPECT_TRUE(Marked(*form.lblTasks));

    // The status view floats and hides, and comes back to its panel.
    TFormStatus* status = views.FormStatus;
    views.FloatStatusView();
    EXPECT_EQ(views.FormStatus, status);
    EXPECT_FALSE(FrameVisible(form, status));
    EXPECT_FALSE(form.pnlStatus->isVisible());
    views.ShowStatusView();
    EXPECT_TRUE(FrameVisible(form, status));
    WAIT_EQ(form.pnlStatus->Extent(), std::max(120, form.pnlStatus->minimumSizeHint().height()));
}

TEST_F(ViewManager, RoutinesAndLabels) {
    TFormCorvane& form = Start();
    TViewManager& views = form.Views();

    // Browser: an address is shown unless the control is there already; the label closes it.
    views.ShowBrowserView("http://site.test/a.htm");
    FakeBrowserControl* control = browsers_->last;
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->calls.back(), "Navigate http://site.test/a.htm");
    control->location = QStringLiteral("http://site.test/a.htm");
    const std::size_t calls = control->calls.size();
    views.ShowBrowserView("http://site.test/a.htm");
    EXPECT_EQ(control->calls.size(), calls);
    QTest::mouseClick(form.lblBrowse, Qt::LeftButton);
    EXPECT_EQ(views.FormBrowser, nullptr);
    EXPECT_TRUE(Unmarked(*form.lblBrowse));
    QTest::mouseClick(form.lblBrowse, Qt::LeftButton);
    EXPECT_NE(views.FormBrowser, nullptr);
    EXPECT_TRUE(Marked(*form.lblBrowse));

    // Explorer and connections share the bottom panel; each label toggles its view.
    QTest::mouseClick(form.lblExplore, Qt::LeftButton);
    ASSERT_NE(views.FormExplore, nullptr);
    EXPECT_TRUE(Marked(*form.lblExplore));
    QTest::mouseClick(form.lblConnections, Qt::LeftButton);
    ASSERT_NE(views.FormDownloader, nullptr);
    EXPECT_TRUE(Marked(*form.lblConnections));
    EXPECT_EQ(form.pnlBottomDock->Clients().size(), 2u);
    WAIT_EQ(form.pnlBottomDock->Extent(), 160);
    QTest::mouseClick(form.lblExplore, Qt::LeftButton);
    EXPECT_EQ(views.FormExplore, nullptr);
    EXPECT_TRUE(Unmarked(*form.lblExplore));
    EXPECT_TRUE(form.pnlBottomDock->isVisible()) << "the connections view is still in it";
    // Closed from its grabber.
    QTest::mouseClick(form.DockSite->FindFrame(views.FormDownloader)->CloseButton(), Qt::LeftButton);
    EXPECT_EQ(views.FormDownloader, nullptr);
    EXPECT_TRUE(Unmarked(*form.lblConnections));
    EXPECT_FALSE(form.pnlBottomDock->isVisible());

    // Personal intranet: docked at the bottom of the right panel, released by its label.
    QTest::mouseClick(form.lblPersonalIntranet, Qt::LeftButton);
    ASSERT_NE(views.FormPersonalIntranet, nullptr);
    EXPECT_EQ(form.DockSite->PanelOf(*form.DockSite->FindFrame(views.FormPersonalIntranet)), form.pnlRightDock);
    EXPECT_TRUE(Marked(*form.lblPersonalIntranet));
    WAIT_EQ(form.pnlRightDock->Extent(), 200);
    QTest::mouseClick(form.lblPersonalIntranet, Qt::LeftButton);
    EXPECT_EQ(views.FormPersonalIntranet, nullptr);
    EXPECT_TRUE(Unmarked(*form.lblPersonalIntranet));
    EXPECT_FALSE(form.pnlRightDock->isVisible());

    // Archive view: released when no zip-mode task is current.
    QTest::mouseClick(form.lblZipProperties, Qt::LeftButton);
    ASSERT_NE(views.FormZip, nullptr);
    EXPECT_TRUE(Marked(*form.lblZipProperties));
    QTest::mouseClick(form.lblZipProperties, Qt::LeftButton);
    EXPECT_EQ(views.FormZip, nullptr);
    EXPECT_TRUE(Unmarked(*form.lblZipProperties));
}

TEST_F(ViewManager, ArchiveViewOfZipModeTaskStays) {
    TFormCorvane& form = Start();
    TViewManager& views = form.Views();
    auto task = std::make_shared<TCVTask>();
    task->IntranetMode = false;
    App->SetCurrentTask(task);
    views.ShowZipView();
    TFormZip* zip = views.FormZip;
    ASSERT_NE(zip, nullptr);
    QTest::mouseClick(form.DockSite->FindFrame(zip)->CloseButton(), Qt::LeftButton);
    EXPECT_EQ(views.FormZip, zip) << "the run adds its files through it";
    EXPECT_TRUE(Unmarked(*form.lblZipProperties));
    EXPECT_FALSE(FrameVisible(form, zip));
    // The label brings the same view back.
    QTest::mouseClick(form.lblZipProperties, Qt::LeftButton);
    EXPECT_EQ(views.FormZip, zip);
    EXPECT_TRUE(FrameVisible(form, zip));
    EXPECT_TRUE(Marked(*form.lblZipProperties));
    App->SetCurrentTask(nullptr);
}

TEST_F(ViewManager, MinimisingAndFloatingCloseKeepViews) {
    TFormCorvane& form = Start();
    TViewManager& views = form.Views();
    views.ShowExploreView();
    TFormExplore* explore = views.FormExplore;
    form.DockSite->Float(explore);
    TDockFrame* frame = form.DockSite->FindFrame(explore);
    ASSERT_TRUE(frame->Floating());
    form.showMinimized();
    QTest::qWait(50);
    // The tray hiding the program closes its other windows: a floating view only hides.
    frame->close();
    EXPECT_EQ(views.FormExplore, explore);
    EXPECT_NE(views.FormStatus, nullptr);
    EXPECT_NE(views.FormBrowser, nullptr);
    form.DockSite->RestoreHidden();
    EXPECT_TRUE(frame->isVisible());
    // The floating window's own close box closes the view.
    QCloseEvent user_close;
    QSpontaneKeyEvent::setSpontaneous(&user_close);
    static_cast<QObject*>(frame)->event(&user_close);  // sendEvent would clear the flag
    QCoreApplication::processEvents();
    EXPECT_EQ(views.FormExplore, nullptr);
    EXPECT_TRUE(Unmarked(*form.lblExplore));
}

}  // namespace
}  // namespace corvane::testing
