// The main window's commands on tasks, boxes, views, options and the Edit menu.

#include "app/main_commands.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include "app/about_page.h"
#include "app/form_status.h"
#include "app/form_corvane.h"
#include "app/main_menus.h"
#include "app/run_hooks.h"
#include "app/view_manager.h"
#include "engine/model/settings.h"
#include "tasks/options_dialog.h"
#include "tasks/profile_editor.h"
#include "tasks/select_skin_dialog.h"
#include "tasks/task_tree_window.h"
#include "platform/launch/launcher.h"
#include "platform/rtl/paths.h"
#include "transfer/global_offline.h"
#include "widgets/message_box.h"
#include "widgets/mru_file_list.h"
#include "widgets/outside_pages.h"
#include "widgets/transparent_button.h"
#include "widgets/tray_icon.h"

namespace corvane {
namespace {

std::string Std(const QString& text) { return text.toStdString(); }

QLineEdit* FocusedEdit() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) return edit;
    if (auto* box = qobject_cast<QComboBox*>(focus); box && box->isEditable()) return box->lineEdit();
    return nullptr;
}

void ShowOutside(TFormCorvane& form, std::string_view address) {
    if (outside_pages::Available(address)) form.Views().ShowBrowserView(std::string(address));
}

}  // namespace

TMainCommands::TMainCommands(TFormCorvane& form, TMainMenus& menus) : QObject(&form), form_(form), menus_(menus) {
    auto on = [this](const char* name, std::function<void(QObject*)> run) { handlers_[QString::fromLatin1(name)] = std::move(run); };
    auto plain = [this, &on](const char* name, void (TMainCommands::*handler)()) {
        on(name, [this, handler](QObject*) { (this->*handler)(); });
    };
    plain("btnGoClick", &TMainCommands::btnGoClick);
    plain("pmiMapClick", &TMainCommands::pmiMapClick);
    plain("pmiNewTaskClick", &TMainCommands::pmiNewTaskClick);
    plain("miNewCorvaneClick", &TMainCommands::miNewCorvaneClick);
    plain("pmiNewIntranetSiteClick", &TMainCommands::pmiNewIntranetSiteClick);
    plain("miPasteAndZipClick", &TMainCommands::miPasteAndZipClick);
    plain("pmiAddToCurrentZipClick", &TMainCommands::pmiAddToCurrentZipClick);
    plain("miViewStatusBarClick", &TMainCommands::miViewStatusBarClick);
    plain("ProfilesEditor1Click", &TMainCommands::ProfilesEditor1Click);
    plain("miPreferencesClick", &TMainCommands::miPreferencesClick);
    plain("miSelectSkinClick", &TMainCommands::miSelectSkinClick);
    plain("miAboutClick", &TMainCommands::miAboutClick);
    plain("miOnlineHelpClick", &TMainCommands::miOnlineHelpClick);
    auto shell = [&on](const char* name, std::string_view address) {
        on(name, [address](QObject*) {
            if (outside_pages::Available(address)) LaunchItem(std::string(address));
        });
    };
    shell("miNewsClick", outside_pages::kNews);
    shell("miTourClick", outside_pages::kTour);
    shell("miHomePageClick", outside_pages::kHomePage);
    plain("miUndoClick", &TMainCommands::miUndoClick);
    plain("miCutClick", &TMainCommands::miCutClick);
    plain("miCopyClick", &TMainCommands::miCopyClick);
    plain("miPasteClick", &TMainCommands::miPasteClick);
    plain("miCorvanesForClick", &TMainCommands::miCorvanesForClick);
    plain("miOpenClick", &TMainCommands::miOpenClick);
    plain("miCloseClick", &TMainCommands::miCloseClick);
    plain("miNewFileZipClick", &TMainCommands::miNewFileZipClick);
    plain("miZipAddClick", &TMainCommands::miZipAddClick);
    plain("miZipDeleteClick", &TMainCommands::miZipDeleteClick);
    plain("miZipUnzipClick", &TMainCommands::miZipUnzipClick);
    plain("miZipRenameClick", &TMainCommands::miZipRenameClick);
    plain("miExitClick", &TMainCommands::miExitClick);
    plain("pmiRestoreClick", &TMainCommands::pmiRestoreClick);
    on("miBrowseClick", [this](QObject* sender) { miBrowseClick(sender); });
}

TMainCommands::~TMainCommands() = default;

std::function<void(QObject*)> TMainCommands::Handler(const QString& name) const {
    auto it = handlers_.find(name);
    return it == handlers_.end() ? nullptr : it->second;
}

void TMainCommands::Bind() {
    for (QAction* action : form_.findChildren<QAction*>()) {
        const QString name = action->property(kHandlerProperty).toString();
        if (name.isEmpty()) continue;
        if (auto run = Handler(name))
            connect(action, &QAction::triggered, this, [run, action] { run(action); });
    }
    connect(form_.miFile, &QMenu::aboutToShow, this, &TMainCommands::MenuEnableClick);
    connect(form_.miZip, &QMenu::aboutToShow, this, &TMainCommands::MenuEnableClick);
    connect(form_.miHelp, &QMenu::aboutToShow, this, &TMainCommands::MenuEnableClick);
    connect(form_.popMain, &QMenu::aboutToShow, this, &TMainCommands::popMainPopup);
    connect(menus_.popZip, &QMenu::aboutToShow, this, &TMainCommands::MenuEnableClick);
    connect(form_.mnuEdit, &QMenu::aboutToShow, this, &TMainCommands::mnuEditClick);
    connect(form_.mnuView, &QMenu::aboutToShow, this, &TMainCommands::mnuViewClick);
    connect(form_.miTask, &QMenu::aboutToShow, this, &TMainCommands::miTaskClick);
    connect(menus_.popNew, &QMenu::aboutToShow, this, &TMainCommands::popNewPopup);
    form_.mruFiles->OnMRUItemClick = [this](TMRUFileList&, const QString& file) { mruFilesMRUItemClick(file); };

    auto click = [this](TTransparentButton* button, void (TMainCommands::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, handler);
    };
    click(form_.btnGO, &TMainCommands::btnGoClick);
    click(form_.btnCorvaneMode, &TMainCommands::btnCorvaneModeClick);
    click(form_.btnIntranetMode, &TMainCommands::btnIntranetModeClick);
    click(form_.btnAddToSelectedZip, &TMainCommands::pmiAddToCurrentZipClick);
    click(form_.btnOpen, &TMainCommands::miOpenClick);
    click(form_.btnHelp, &TMainCommands::miOnlineHelpClick);
    click(form_.btnBrowser, &TMainCommands::btnBrowserClick);
    click(form_.btnBrowseHome, &TMainCommands::BrowseHome);
    click(form_.btnBrowseDailyNews, &TMainCommands::btnBrowseDailyNewsClick);
    click(form_.btnBrowseWebLinks, &TMainCommands::btnBrowseWebLinksClick);
    click(form_.btnBranding, &TMainCommands::btnBrandingClick);
    // Back, Forward, Stop, Refresh and Home belong to the browser view, which connects them once it exists.
    // The drop-downs open on the press, and that press clicks nothing.
    connect(form_.btnNewZip, &TTransparentButton::MouseDown, this, [this](Qt::MouseButton button, QPoint) {
        if (button == Qt::LeftButton) menus_.popNew->popup(form_.btnNewZip->mapToGlobal(QPoint(0, form_.btnNewZip->height())));
    });
    // GO's other commands sit on its right button.
    connect(form_.btnGO, &TTransparentButton::MouseDown, this, [this](Qt::MouseButton button, QPoint) {
        if (button == Qt::RightButton) menus_.popGO->popup(form_.btnGO->mapToGlobal(QPoint(0, form_.btnGO->height())));
    });
    connect(form_.btnDownloads, &TTransparentButton::MouseDown, this, [this](Qt::MouseButton button, QPoint) {
        if (button != Qt::LeftButton) return;
        BuildDownloadsMenu(*menus_.popDownloads, nullptr);
        menus_.popDownloads->popup(form_.btnDownloads->mapToGlobal(QPoint(0, form_.btnDownloads->height())));
    });
    connect(form_.cbWorkOffline, &QCheckBox::clicked, this, &TMainCommands::cbWorkOfflineClick);
    form_.cmbURL->installEventFilter(this);
    form_.cmbProfile->installEventFilter(this);
    form_.btnBrowseDailyNews->setVisible(outside_pages::Available(outside_pages::kDailyNews));
    form_.btnBrowseWebLinks->setVisible(outside_pages::Available(outside_pages::kWebLinks));
    form_.btnHelp->setVisible(outside_pages::Available(outside_pages::kOnlineHelp));
}

// ---- New tasks

void TMainCommands::RunNewTask(TNewTaskCommand command) {
    TNewTaskSource source;
    source.URLText = Std(form_.cmbURL->currentText());
    source.ProfileText = Std(form_.cmbProfile->currentText());
    source.IntranetModeDown = form_.btnIntranetMode->Down();
    if (command == TNewTaskCommand::PasteURL) source.PastedURL = PastedURL(Std(QApplication::clipboard()->text()));
    const TNewTaskArgs args = NewTaskArgsFor(command, source);
    form_.Hooks().NewTask(args.URL, args.Profile, args.IntranetMode, args.MapOnly);
}

void TMainCommands::miPasteAndZipClick() {
    const std::string url = PastedURL(Std(QApplication::clipboard()->text()));
    if (url.empty()) return;
    form_.cmbURL->setEditText(QString::fromStdString(url));
    RunNewTask(TNewTaskCommand::PasteURL);
}

void TMainCommands::btnCorvaneModeClick() {
    form_.btnCorvaneMode->SetDown(true);
    form_.btnIntranetMode->SetDown(false);
    if (App) App->SetSaveMode(kZipSaveMode);
}

void TMainCommands::btnIntranetModeClick() {
    form_.btnIntranetMode->SetDown(true);
    form_.btnCorvaneMode->SetDown(false);
    if (App) App->SetSaveMode(kIntranetSaveMode);
}

void TMainCommands::pmiAddToCurrentZipClick() {
    menus_.pmiAddToCurrentZip->setChecked(!form_.btnAddToSelectedZip->Down());
    form_.btnAddToSelectedZip->SetDown(menus_.pmiAddToCurrentZip->isChecked());
}

void TMainCommands::popMainPopup() {
    menus_.pmiAddToCurrentZip->setEnabled(form_.btnAddToSelectedZip->isEnabled());
    menus_.pmiAddToCurrentZip->setChecked(form_.btnAddToSelectedZip->Down());
}

// ---- Boxes

bool TMainCommands::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == form_.cmbURL)
        cmbURLKeyDown(static_cast<QKeyEvent*>(event)->key());
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == form_.cmbURL) cmbURLDropDown();
        if (watched == form_.cmbProfile) cmbProfileDropDown();
    }
    return QObject::eventFilter(watched, event);
}

void TMainCommands::cmbURLDropDown() {
    const QString text = form_.cmbURL->currentText();
    form_.cmbURL->clear();
    form_.cmbURL->addItems(form_.mruURLs->Items());
    form_.cmbURL->setEditText(text);
}

void TMainCommands::cmbURLKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) btnBrowserClick();
}

void TMainCommands::cmbProfileDropDown() {
    if (!App) return;
    const QString text = form_.cmbProfile->currentText();
    form_.cmbProfile->clear();
    for (const std::string& item : ProfileBoxItems(App->ProfilesDir)) form_.cmbProfile->addItem(QString::fromStdString(item));
    const int at = form_.cmbProfile->findText(text);
    form_.cmbProfile->setCurrentIndex(at < 0 ? 0 : at);
}

void TMainCommands::cbWorkOfflineClick() { SetGlobalOffline(form_.cbWorkOffline->isChecked()); }

// ---- Browser and browse bar

void TMainCommands::btnBrowserClick() {
    const std::string target = URLBoxTarget(Std(form_.cmbURL->currentText()));
    if (!target.empty()) form_.Views().ShowBrowserView(target);
}

void TMainCommands::ClearBrowseBar() {
    for (TTransparentButton* button :
         {form_.btnBrowseHome, form_.btnBrowseDailyNews, form_.btnBrowseWebLinks, form_.btnBranding})
        button->SetDown(false);
}

void TMainCommands::BrowseHome() {
    ClearBrowseBar();
    form_.btnBrowseHome->SetDown(true);
    form_.Views().ShowBrowserView({});
}

void TMainCommands::btnBrowseDailyNewsClick() {
    ClearBrowseBar();
    form_.btnBrowseDailyNews->SetDown(true);
    ShowOutside(form_, outside_pages::kDailyNews);
}

void TMainCommands::btnBrowseWebLinksClick() {
    ClearBrowseBar();
    form_.btnBrowseWebLinks->SetDown(true);
    ShowOutside(form_, outside_pages::kWebLinks);
}

void TMainCommands::btnBrandingClick() {
    ClearBrowseBar();
    form_.btnBranding->SetDown(true);
    const std::string url = BrandingURL(ResourcesDir());
    if (!url.empty()) form_.Views().ShowBrowserView(url);
}

void TMainCommands::miOnlineHelpClick() { ShowOutside(form_, outside_pages::kOnlineHelp); }

// ---- Views and options

void TMainCommands::mnuViewClick() {
    menus_.miViewStatusBar->setChecked(form_.Views().FormStatus && form_.Views().FormStatus->isVisible());
    BuildDownloadsMenu(*form_.mnuView, menus_.miDownloadsFolder);
}

void TMainCommands::miViewStatusBarClick() {
    // The item flipped its own mark when triggered.
    if (menus_.miViewStatusBar->isChecked())
        form_.Views().ShowStatusView();
    else
        form_.Views().FloatStatusView();
}

void TMainCommands::ProfilesEditor1Click() {
    TdlgEditProfile dialog(&form_);
    dialog.exec();
}

void TMainCommands::miPreferencesClick() {
    TdlgOptions dialog(&form_);
    if (dialog.exec() != QDialog::Accepted || !App) return;
    form_.mruURLs->SetMaximum(App->MaxURLHistory);
    form_.mruURLs->SaveToRegistry();
    form_.UpdateModeHints();
}

void TMainCommands::miSelectSkinClick() {
    if (!App) return;
    const std::string kept = App->Skin;
    TdlgSelectSkin dialog(&form_);
    if (dialog.exec() == QDialog::Accepted) return;
    App->SetSkin(kept);
    form_.ApplySkin();
}

void TMainCommands::miTaskClick() {
    TFormScheduler* tasks = form_.Views().FormScheduler;
    if (!tasks) return;
    FillTaskMenu(*form_.miTask, *tasks);
    tasks->UpdateActions();
}

void TMainCommands::miAboutClick() {
    try {
        form_.Views().ShowBrowserView(WriteAboutPage());
    } catch (const std::exception& error) {
        ShowError(&form_, QString::fromStdString(error.what()));
    }
}

// ---- Edit menu

void TMainCommands::mnuEditClick() {
    TEditTarget target;
    if (QLineEdit* edit = FocusedEdit()) {
        target.Editable = true;
        target.ReadOnly = edit->isReadOnly();
        target.HasSelection = edit->hasSelectedText();
        target.CanUndo = edit->isUndoAvailable();
    }
    const TEditMenuState state = EditMenuStateFor(target, !QApplication::clipboard()->text().isEmpty());
    menus_.miUndo->setEnabled(state.Undo);
    menus_.miCut->setEnabled(state.Cut);
    menus_.miCopy->setEnabled(state.Copy);
    menus_.miPaste->setEnabled(state.Paste);
}

void TMainCommands::miUndoClick() {
    if (QLineEdit* edit = FocusedEdit()) edit->undo();
}
void TMainCommands::miCutClick() {
    if (QLineEdit* edit = FocusedEdit()) edit->cut();
}
void TMainCommands::miCopyClick() {
    if (QLineEdit* edit = FocusedEdit()) edit->copy();
}
void TMainCommands::miPasteClick() {
    if (QLineEdit* edit = FocusedEdit()) edit->paste();
}

// ---- Life

void TMainCommands::miExitClick() { form_.close(); }

void TMainCommands::pmiRestoreClick() { form_.TrayIcon->ShowApp(); }

}  // namespace corvane
