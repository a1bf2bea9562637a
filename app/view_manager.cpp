#include "app/view_manager.h"

#include <QAction>

#include <QCoreApplication>
#include <QLayout>

#include "app/browser_control.h"
#include "app/dock_panel.h"
#include "app/form_browser.h"
#include "app/form_corvane.h"
#include "app/form_downloader.h"
#include "app/form_explore.h"
#include "app/form_personal_intranet.h"
#include "app/form_status.h"
#include "archive/form_zip.h"
#include "tasks/task_tree_window.h"
#include "engine/support/file_routines.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "engine/support/start_page.h"
#include "engine/model/task.h"
#include "platform/rtl/log.h"
#include "widgets/hyper_label.h"
#include "widgets/transparent_button.h"

namespace corvane {
namespace {

// Turns for a freshly written home page to come up before the view is repainted.
constexpr int kHomePageTurns = 101;

}  // namespace

TViewManager::TViewManager(TFormCorvane& form) : QObject(&form), form_(form) {
    form.DockSite->OnCloseView = [this](QWidget* view) { CloseView(view); };
}

TViewManager::~TViewManager() = default;

void TViewManager::MarkLabel(THyperLabel& label, bool open) {
    QFont font = label.font();
    font.setBold(open);
    label.setFont(font);
    label.SetColorLeave(open ? QColor(Qt::yellow) : QColor(Qt::black));
}

bool TViewManager::ZipModeTaskCurrent() const {
    const auto task = App ? App->GetCurrentTask() : nullptr;
    return task && !task->IntranetMode;
}

void TViewManager::HideDocked(QWidget* view) {
    TDockFrame* frame = form_.DockSite->FindFrame(view);
    if (!frame) {
        view->hide();
        return;
    }
    frame->hide();
    if (TDockPanel* panel = form_.DockSite->PanelOf(*frame); panel && panel->CountVisibleDockClients() == 0)
        panel->ShowDockPanel(false);
}

void TViewManager::ReleaseView(QWidget*& view) {
    if (!view) return;
    QWidget* gone = view;
    view = nullptr;
    form_.DockSite->Release(gone);
    // Posted: the view may be the sender of what closes it.
    gone->deleteLater();
}

// Status ---------------------------------------------------------------------------------------

void TViewManager::ShowStatusView() {
    if (!FormStatus) {
        FormStatus = new TFormStatus();
        FormStatus->SetCurrentTask();
    }
    form_.DockSite->Dock(FormStatus, *form_.pnlStatus);
    form_.DockSite->FindFrame(FormStatus)->show();
    FormStatus->show();
    FormStatus->repaint();
}

void TViewManager::FloatStatusView() {
    if (!FormStatus) return;
    form_.DockSite->Float(FormStatus);
    form_.DockSite->FindFrame(FormStatus)->hide();
}

// Browser --------------------------------------------------------------------------------------

void TViewManager::ShowBrowserView(const std::string& url) {
    if (!FormBrowser) {
        FormBrowser = new TFormBrowser(form_.pnlBrowser);
        // Placed in the browser area, without a border of its own.
        FormBrowser->setWindowFlags(Qt::Widget);
        TBrowserControls controls;
        controls.back = form_.btnBrowserBack;
        controls.forward = form_.btnBrowserForward;
        controls.stop = form_.btnBrowserStop;
        controls.refresh = form_.btnBrowserRefresh;
        controls.home = form_.btnBrowserHome;
        controls.url_box = form_.cmbURL;
        controls.status = FormStatus;
        FormBrowser->SetControls(controls);
        form_.pnlBrowser->layout()->addWidget(FormBrowser);
        FormBrowser->show();
        MarkLabel(*form_.lblBrowse, true);
    }
    if (url.empty()) {
        const std::string home = RegRead<std::string>(kSettingsKey, "HOME URL", "");
        try {
            const std::string page = App->GetTempFolder() + "corvane.htm";
            SaveTextFile(page, StartPageHTML(home));
            FormBrowser->Navigate(page);
        } catch (const std::exception& e) {
            LogWarning(std::string("home page: ") + e.what());
            return;
        }
        for (int i = 0; i < kHomePageTurns && FormBrowser; ++i) QCoreApplication::processEvents();
        if (FormBrowser) FormBrowser->repaint();
        return;
    }
    const IBrowserControl* control = FormBrowser->Control();
    if (control && control->LocationURL().toStdString() == url) return;
    FormBrowser->Navigate(url);
}

void TViewManager::CloseBrowserView() {
    if (FormBrowser) {
        if (FormBrowser->Control() && FormBrowser->Control()->Busy()) FormBrowser->Control()->Stop();
        FormBrowser->hide();
        FormBrowser->deleteLater();
        FormBrowser = nullptr;
    }
    MarkLabel(*form_.lblBrowse, false);
}

// Archive --------------------------------------------------------------------------------------

void TViewManager::ShowZipView() {
    if (!FormZip) {
        FormZip = new TFormZip();
        // The archive's keys work where the archive view has the focus.
        for (QAction* action : {form_.Menus.miZipAdd, form_.Menus.miZipDelete, form_.Menus.miZipUnzip,
                                form_.Menus.miZipRename})
            FormZip->addAction(action);
        form_.DockSite->Dock(FormZip, *form_.pnlBottomDock);
    } else if (TDockFrame* frame = form_.DockSite->FindFrame(FormZip); frame && frame->isHidden()) {
        if (TDockPanel* panel = form_.DockSite->PanelOf(*frame)) {
            frame->show();
            panel->ShowDockPanel(true);
        } else {
            frame->show();
        }
    }
    FormZip->show();
    MarkLabel(*form_.lblZipProperties, true);
    FormZip->BrowseSelected();
}

void TViewManager::CloseZipView() {
    if (FormZip) {
        if (ZipModeTaskCurrent()) {
            // The run adds its files through this window.
            HideDocked(FormZip);
        } else {
            TFormZip* view = FormZip;
            FormZip = nullptr;
            form_.DockSite->Release(view);
            view->Release();
        }
    }
    MarkLabel(*form_.lblZipProperties, false);
}

// Connections ----------------------------------------------------------------------------------

void TViewManager::ShowDownloaderView() {
    if (!FormDownloader) {
        TSocketList* sockets = Sockets ? Sockets() : nullptr;
        if (!sockets) return;
        FormDownloader = new TFormDownloader(*sockets);
        form_.DockSite->Dock(FormDownloader, *form_.pnlBottomDock, TDockAlign::Top);
        FormDownloader->UpdateSockets();
    }
    MarkLabel(*form_.lblConnections, true);
}

void TViewManager::CloseDownloaderView() {
    ReleaseView(FormDownloader);
    MarkLabel(*form_.lblConnections, false);
}

// Explorer -------------------------------------------------------------------------------------

void TViewManager::ShowExploreView() {
    if (!FormExplore) {
        FormExplore = new TFormExplore();
        form_.DockSite->Dock(FormExplore, *form_.pnlBottomDock, TDockAlign::Top);
        MarkLabel(*form_.lblExplore, true);
    }
    FormExplore->RefreshList();
}

void TViewManager::CloseExploreView() {
    ReleaseView(FormExplore);
    MarkLabel(*form_.lblExplore, false);
}

// Personal intranet ----------------------------------------------------------------------------

void TViewManager::ShowIntranetView() {
    if (!FormPersonalIntranet) {
        FormPersonalIntranet = new TFormPersonalIntranet();
        form_.DockSite->Dock(FormPersonalIntranet, *form_.pnlRightDock, TDockAlign::Bottom);
    }
    MarkLabel(*form_.lblPersonalIntranet, true);
}

void TViewManager::CloseIntranetView() {
    ReleaseView(FormPersonalIntranet);
    MarkLabel(*form_.lblPersonalIntranet, false);
}

// Task tree ------------------------------------------------------------------------------------

void TViewManager::ShowSchedulerView() {
    if (!FormScheduler) FormScheduler = new TFormScheduler();
    form_.DockSite->Dock(FormScheduler, *form_.pnlLeftDock);
    if (TDockFrame* frame = form_.DockSite->FindFrame(FormScheduler); frame && frame->isHidden()) {
        frame->show();
        if (TDockPanel* panel = form_.DockSite->PanelOf(*frame)) panel->ShowDockPanel(true);
    }
    FormScheduler->show();
    MarkLabel(*form_.lblTasks, true);
}

void TViewManager::FloatSchedulerView() {
    if (FormScheduler) {
        form_.DockSite->Float(FormScheduler);
        form_.DockSite->FindFrame(FormScheduler)->hide();
    }
    MarkLabel(*form_.lblTasks, false);
}

// Skins ----------------------------------------------------------------------------------------

std::string TViewManager::SkinFile(const std::string& name) { return corvane::SkinFile(name); }

bool TViewManager::LoadSkinGlyph(QWidget* control, const std::string& name) {
    auto* button = qobject_cast<TTransparentButton*>(control);
    return button && corvane::LoadSkinGlyph(*button, name);
}

// Labels and closing ---------------------------------------------------------------------------

void TViewManager::lblBrowseClick() {
    if (!FormBrowser)
        ShowBrowserView({});
    else
        CloseBrowserView();
}

void TViewManager::lblZipPropertiesClick() {
    const TDockFrame* frame = FormZip ? form_.DockSite->FindFrame(FormZip) : nullptr;
    if (!FormZip || (frame && frame->isHidden()))
        ShowZipView();
    else
        CloseZipView();
}

void TViewManager::lblConnectionsClick() {
    if (!FormDownloader)
        ShowDownloaderView();
    else
        CloseDownloaderView();
}

void TViewManager::lblExploreClick() {
    if (!FormExplore)
        ShowExploreView();
    else
        CloseExploreView();
}

void TViewManager::lblPersonalIntranetClick() {
    if (!FormPersonalIntranet)
        ShowIntranetView();
    else
        CloseIntranetView();
}

void TViewManager::lblTasksClick() {
    const TDockFrame* frame = FormScheduler ? form_.DockSite->FindFrame(FormScheduler) : nullptr;
    if (!FormScheduler || !frame || frame->isHidden())
        ShowSchedulerView();
    else
        FloatSchedulerView();
}

void TViewManager::CloseView(QWidget* view) {
    if (view == nullptr) return;
    if (view == FormStatus)
        FloatStatusView();
    else if (view == FormZip)
        CloseZipView();
    else if (view == FormDownloader)
        CloseDownloaderView();
    else if (view == FormExplore)
        CloseExploreView();
    else if (view == FormScheduler)
        FloatSchedulerView();
    else if (view == FormPersonalIntranet)
        CloseIntranetView();
}

void TViewManager::ReleaseViews() {
    if (FormBrowser) {
        if (FormBrowser->Control() && FormBrowser->Control()->Busy()) FormBrowser->Control()->Stop();
        delete FormBrowser;
        FormBrowser = nullptr;
    }
    // Each view leaves its frame before it goes, so no frame destroys a view twice.
    auto drop = [this](auto*& view) {
        if (!view) return;
        auto* gone = view;
        view = nullptr;
        form_.DockSite->Release(gone);
        delete gone;
    };
    drop(FormExplore);
    drop(FormScheduler);
    drop(FormPersonalIntranet);
    drop(FormDownloader);
    drop(FormStatus);
    if (FormZip) {
        TFormZip* view = FormZip;
        FormZip = nullptr;
        form_.DockSite->Release(view);
        view->Release();
    }
}

}  // namespace corvane
