#pragma once
// The main window's menus and popups: the main menu's File, Edit, View, Zip, Task and Help items, the
// archive popup, the tray popup, the GO and New popups and the Downloads drop-down. Each item carries
// its caption and shortcut, and the name of the handler it runs in its "handler" property; the
// commands object binds the handlers by those names.
//
// Main thread only.

#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace corvane {

class TFormCorvane;
class TFormScheduler;

// The property naming an item's handler.
inline constexpr const char* kHandlerProperty = "handler";

struct TMainMenus {
    // File (miFile, miClose and the recent archives' "&Reopen" belong to the window).
    QMenu* miNew = nullptr;
    QAction* miNewFileZip = nullptr;
    QAction* miNewCorvane = nullptr;
    QMenu* miSpecial = nullptr;
    QAction* miCorvanesFor = nullptr;
    QAction* miOpen = nullptr;
    QAction* miExit = nullptr;
    // Edit: the shortcuts are part of the captions, so the focused box keeps its own keys.
    QAction* miUndo = nullptr;
    QAction* miCut = nullptr;
    QAction* miCopy = nullptr;
    QAction* miPaste = nullptr;
    QAction* miPasteAndZip = nullptr;
    // View.
    QAction* miViewStatusBar = nullptr;
    QMenu* miDownloadsFolder = nullptr;
    QAction* ProfilesEditor1 = nullptr;
    QMenu* miOptions = nullptr;
    QAction* miPreferences = nullptr;
    QAction* miSelectSkin = nullptr;
    // Zip; popZip holds the same items and "&Browse".
    QMenu* miZipNew = nullptr;
    QAction* miZipNewFileZip = nullptr;
    QAction* miZipWebZip = nullptr;
    QAction* miZipOpen = nullptr;
    QAction* miZipClose = nullptr;
    QAction* miZipAdd = nullptr;
    QAction* miZipDelete = nullptr;
    QAction* miZipUnzip = nullptr;
    QAction* miZipRename = nullptr;
    QMenu* popZip = nullptr;
    QAction* miBrowse = nullptr;
    // Help.
    QAction* miContents = nullptr;
    QAction* miOnlineHelp = nullptr;
    QAction* miReleaseNotes = nullptr;
    QAction* miNews = nullptr;
    QAction* miTour = nullptr;
    QAction* miHomePage = nullptr;
    QAction* miAbout = nullptr;
    // Tray popup (the window's popMain).
    QAction* pmiAddToCurrentZip = nullptr;
    QAction* pmiPasteURL = nullptr;
    QAction* pmiOptions = nullptr;
    QAction* pmiRestore = nullptr;
    QAction* pmiExit = nullptr;
    // GO popup.
    QMenu* popGO = nullptr;
    QAction* pmiGO = nullptr;
    QAction* pmiNewTask = nullptr;
    QAction* pmiMap = nullptr;
    // New popup, dropped below btnNewZip.
    QMenu* popNew = nullptr;
    QAction* pmiNewFileZip = nullptr;
    QAction* pmiNewDownloadTask = nullptr;
    QAction* pmiNewIntranetSite = nullptr;
    QMenu* pmiSpecial = nullptr;
    QAction* pmiCorvanesFor = nullptr;
    // btnDownloads' drop-down.
    QMenu* popDownloads = nullptr;
};

// Fills the window's menus (miFile, mnuEdit, mnuView, miZip, miHelp, popMain) and makes the popups.
// File's items go around the window's miClose. Items leading to an outside page with no address are
// hidden, and so is "&Contents..." (there is no help file).
void BuildMainMenus(TFormCorvane& form, TMainMenus& menus);

// Puts the task tree's own actions into the Task menu, in its order, replacing what it held.
void FillTaskMenu(QMenu& menu, TFormScheduler& tasks);

}  // namespace corvane
