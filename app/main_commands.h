#pragma once
// The main window's commands: the handlers its menus, popups, buttons, boxes and the tray run. Each
// menu item names its handler; Bind connects the items to the handlers of those names. The decisions
// that need no window come from main_command_rules.h.
//
// Main thread only.

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <string>

#include "app/main_command_rules.h"

class QAction;
class QMenu;

namespace corvane {

class TFormCorvane;
struct TMainMenus;

class TMainCommands : public QObject {
    Q_OBJECT
public:
    TMainCommands(TFormCorvane& form, TMainMenus& menus);
    ~TMainCommands() override;

    // Connects every menu item, button, box and menu opening to its handler.
    void Bind();
    // The handler of that name (null when there is none).
    std::function<void(QObject*)> Handler(const QString& name) const;

    // New tasks.
    void RunNewTask(TNewTaskCommand command);
    void btnGoClick() { RunNewTask(TNewTaskCommand::Go); }
    void pmiMapClick() { RunNewTask(TNewTaskCommand::Map); }
    void pmiNewTaskClick() { RunNewTask(TNewTaskCommand::NewTaskForURL); }
    void miNewCorvaneClick() { RunNewTask(TNewTaskCommand::NewDownloadTask); }
    void pmiNewIntranetSiteClick() { RunNewTask(TNewTaskCommand::NewIntranetSite); }
    void miPasteAndZipClick();
    // Save mode and the selected archive.
    void btnCorvaneModeClick();
    void btnIntranetModeClick();
    void pmiAddToCurrentZipClick();
    void popMainPopup();
    // URL and profile boxes.
    void cmbURLDropDown();
    void cmbURLKeyDown(int key);
    void cmbProfileDropDown();
    void cbWorkOfflineClick();
    // Browser and browse bar.
    void btnBrowserClick();
    void ClearBrowseBar();
    void BrowseHome();
    void btnBrowseDailyNewsClick();
    void btnBrowseWebLinksClick();
    void btnBrandingClick();
    void miOnlineHelpClick();
    // Views and options.
    void mnuViewClick();
    void miViewStatusBarClick();
    void ProfilesEditor1Click();
    void miPreferencesClick();
    void miSelectSkinClick();
    void miTaskClick();
    void miAboutClick();
    // Edit menu on the focused line edit or editable combo box.
    void mnuEditClick();
    void miUndoClick();
    void miCutClick();
    void miCopyClick();
    void miPasteClick();
    // Downloads menus: popup's items, or the parent item's children when one is given.
    void BuildDownloadsMenu(QMenu& popup, QMenu* parent);
    void DownloadsMenuClick(QAction* item);
    // Archives (main_commands_zip.cpp).
    void MenuEnableClick();
    // Enables the archive commands (File Close and the Zip menu's) as the archive window's focus and
    // selection allow now: their keys are matched against this state.
    void UpdateArchiveCommands();
    void popNewPopup();
    void miCorvanesForClick();
    void miOpenClick();
    void miCloseClick();
    void miNewFileZipClick();
    void miZipAddClick();
    void miZipDeleteClick();
    void miZipUnzipClick();
    void miZipRenameClick();
    void miBrowseClick(QObject* sender);
    void mruFilesMRUItemClick(const QString& file);
    // Life.
    void miExitClick();
    void pmiRestoreClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OpenArchive(const std::string& zip_file);
    TFormCorvane& form_;
    TMainMenus& menus_;
    std::map<QString, std::function<void(QObject*)>> handlers_;
};

}  // namespace corvane
