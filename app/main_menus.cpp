// The main window's menu items: captions, shortcuts and handler names.

#include "app/main_menus.h"

#include <QAction>
#include <QMenu>

#include "app/form_corvane.h"
#include "tasks/task_tree_window.h"
#include "widgets/outside_pages.h"

namespace corvane {
namespace {

QAction* Item(QMenu& menu, const char* name, const QString& caption, const char* handler,
              const QKeySequence& shortcut = {}) {
    auto* action = new QAction(caption, &menu);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    if (handler) action->setProperty(kHandlerProperty, QString::fromLatin1(handler));
    menu.addAction(action);
    return action;
}

QMenu* Submenu(QMenu& menu, const char* name, const QString& caption) {
    auto* sub = new QMenu(caption, &menu);
    sub->setObjectName(QString::fromLatin1(name));
    menu.addMenu(sub);
    return sub;
}

QMenu* Popup(QWidget& owner, const char* name) {
    auto* popup = new QMenu(&owner);
    popup->setObjectName(QString::fromLatin1(name));
    return popup;
}

void HideWithoutAddress(QAction* action, std::string_view address) {
    action->setVisible(outside_pages::Available(address));
}

void BuildFile(TFormCorvane& form, TMainMenus& m) {
    QMenu& file = *form.miFile;
    // miClose is there already: the items before it are made apart and put in front of it.
    QMenu front;
    m.miNew = Submenu(front, "miNew", QStringLiteral("New"));
    m.miNewFileZip = Item(*m.miNew, "miNewFileZip", QStringLiteral("&File Zip..."), "miNewFileZipClick", Qt::Key_F6);
    m.miNewCorvane = Item(*m.miNew, "miNewCorvane", QStringLiteral("&Download Task..."), "miNewCorvaneClick", Qt::Key_F7);
    m.miSpecial = Submenu(*m.miNew, "miSpecial", QStringLiteral("&Special"));
    m.miCorvanesFor = Item(*m.miSpecial, "miCorvanesFor", QStringLiteral("New Corvane's for"), "miCorvanesForClick");
    m.miOpen = Item(front, "miOpen", QStringLiteral("&Open..."), "miOpenClick");
    m.miNew->setParent(&file, m.miNew->windowFlags());
    for (QAction* action : front.actions()) {
        front.removeAction(action);
        if (action == m.miOpen) action->setParent(&file);
        file.insertAction(form.miClose, action);
    }
    form.miClose->setProperty(kHandlerProperty, QStringLiteral("miCloseClick"));
    file.addSeparator();
    m.miExit = Item(file, "miExit", QStringLiteral("E&xit"), "miExitClick", QKeySequence(Qt::ALT | Qt::Key_F4));
}

void BuildEdit(TFormCorvane& form, TMainMenus& m) {
    QMenu& edit = *form.mnuEdit;
    m.miUndo = Item(edit, "miUndo", QStringLiteral("&Undo        Ctrl+Z"), "miUndoClick");
    edit.addSeparator();
    m.miCut = Item(edit, "miCut", QStringLiteral("Cu&t            Ctrl+X"), "miCutClick");
    m.miCopy = Item(edit, "miCopy", QStringLiteral("&Copy         Ctrl+C"), "miCopyClick");
    m.miPaste = Item(edit, "miPaste", QStringLiteral("&Paste        Ctrl+V"), "miPasteClick");
    edit.addSeparator();
    m.miPasteAndZip = Item(edit, "miPasteAndZip", QStringLiteral("Paste URL..."), "miPasteAndZipClick",
                           QKeySequence(Qt::CTRL | Qt::Key_B));
}

void BuildView(TFormCorvane& form, TMainMenus& m) {
    QMenu& view = *form.mnuView;
    // The window put "&Language" in already: the others go in front of it.
    QMenu front;
    m.miViewStatusBar = Item(front, "miViewStatusBar", QStringLiteral("Status &Bar"), "miViewStatusBarClick");
    m.miViewStatusBar->setCheckable(true);
    m.miDownloadsFolder = Submenu(front, "miDownloadsFolder", QStringLiteral("&Downloads Folder"));
    m.ProfilesEditor1 = Item(front, "ProfilesEditor1", QStringLiteral("&Profiles Editor..."), "ProfilesEditor1Click");
    m.miOptions = Submenu(front, "miOptions", QStringLiteral("&Options"));
    m.miPreferences = Item(*m.miOptions, "miPreferences", QStringLiteral("&Preferences..."), "miPreferencesClick");
    m.miSelectSkin = Item(*m.miOptions, "miSelectSkin", QStringLiteral("&Select Skin..."), "miSelectSkinClick",
                          QKeySequence(Qt::CTRL | Qt::Key_K));
    m.miDownloadsFolder->setParent(&view, m.miDownloadsFolder->windowFlags());
    m.miOptions->setParent(&view, m.miOptions->windowFlags());
    QAction* language = form.miLanguage->menuAction();
    for (QAction* action : front.actions()) {
        front.removeAction(action);
        if (action->parent() == &front) action->setParent(&view);
        view.insertAction(language, action);
    }
}

void BuildZip(TFormCorvane& form, TMainMenus& m) {
    QMenu& zip = *form.miZip;
    m.miZipNew = Submenu(zip, "miZipNew", QStringLiteral("&New"));
    m.miZipNewFileZip = Item(*m.miZipNew, "miZipNewFileZip", QStringLiteral("&File Zip..."), "miNewFileZipClick",
                             QKeySequence(Qt::CTRL | Qt::Key_F));
    m.miZipWebZip = Item(*m.miZipNew, "miZipWebZip", QStringLiteral("&Web Zip..."), "miNewCorvaneClick",
                         QKeySequence(Qt::CTRL | Qt::Key_N));
    m.miZipOpen = Item(zip, "miZipOpen", QStringLiteral("&Open..."), "miOpenClick", QKeySequence(Qt::CTRL | Qt::Key_O));
    m.miZipClose = Item(zip, "miZipClose", QStringLiteral("&Close"), "miCloseClick");
    zip.addSeparator();
    m.miZipAdd = Item(zip, "miZipAdd", QStringLiteral("&Add..."), "miZipAddClick", QKeySequence(Qt::CTRL | Qt::Key_A));
    m.miZipDelete = Item(zip, "miZipDelete", QStringLiteral("&Delete"), "miZipDeleteClick", Qt::Key_Delete);
    m.miZipUnzip = Item(zip, "miZipUnzip", QStringLiteral("&Unzip..."), "miZipUnzipClick",
                        QKeySequence(Qt::CTRL | Qt::Key_U));
    m.miZipRename = Item(zip, "miZipRename", QStringLiteral("Rena&me"), "miZipRenameClick",
                         QKeySequence(Qt::CTRL | Qt::Key_R));
    // The archive's keys act where the archive view has the focus only: Ctrl+R and Del mean other
    // things in the task tree.
    for (QAction* action : {m.miZipAdd, m.miZipDelete, m.miZipUnzip, m.miZipRename})
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);

    m.popZip = Popup(form, "popZip");
    m.popZip->addMenu(m.miZipNew);
    for (QAction* action : zip.actions())
        if (action != m.miZipNew->menuAction()) m.popZip->addAction(action);
    m.popZip->addSeparator();
    m.miBrowse = Item(*m.popZip, "miBrowse", QStringLiteral("&Browse"), "miBrowseClick");
}

void BuildHelp(TFormCorvane& form, TMainMenus& m) {
    QMenu& help = *form.miHelp;
    m.miContents = Item(help, "miContents", QStringLiteral("&Contents..."), nullptr, Qt::Key_F1);
    m.miContents->setVisible(false);  // there is no help file
    m.miOnlineHelp = Item(help, "miOnlineHelp", QStringLiteral("Online Help"), "miOnlineHelpClick");
    m.miReleaseNotes = Item(help, "miReleaseNotes", QStringLiteral("Release &Notes"), nullptr);
    m.miReleaseNotes->setVisible(false);
    help.addSeparator();
    m.miNews = Item(help, "miNews", QStringLiteral("&Corvane News..."), "miNewsClick");
    m.miTour = Item(help, "miTour", QStringLiteral("Corvane &Tour..."), "miTourClick");
    m.miHomePage = Item(help, "miHomePage", QStringLiteral("Brellium Home &Page..."), "miHomePageClick");
    help.addSeparator();
    m.miAbout = Item(help, "miAbout", QStringLiteral("&About..."), "miAboutClick");
    HideWithoutAddress(m.miOnlineHelp, outside_pages::kOnlineHelp);
    HideWithoutAddress(m.miNews, outside_pages::kNews);
    HideWithoutAddress(m.miTour, outside_pages::kTour);
    HideWithoutAddress(m.miHomePage, outside_pages::kHomePage);
}

void BuildPopups(TFormCorvane& form, TMainMenus& m) {
    QMenu& tray = *form.popMain;
    m.pmiAddToCurrentZip = Item(tray, "pmiAddToCurrentZip", QStringLiteral("Add To Current Zip"),
                                "pmiAddToCurrentZipClick");
    m.pmiAddToCurrentZip->setCheckable(true);
    m.pmiPasteURL = Item(tray, "pmiPasteURL", QStringLiteral("Paste URL and download..."), "miPasteAndZipClick",
                         QKeySequence(Qt::CTRL | Qt::Key_B));
    // The Edit menu's item owns Ctrl+B in the window; this one shows the key only.
    m.pmiPasteURL->setShortcutContext(Qt::WidgetShortcut);
    tray.addSeparator();
    m.pmiOptions = Item(tray, "pmiOptions", QStringLiteral("&Options..."), "miPreferencesClick");
    m.pmiRestore = Item(tray, "pmiRestore", QStringLiteral("&Restore"), "pmiRestoreClick");
    tray.addSeparator();
    m.pmiExit = Item(tray, "pmiExit", QStringLiteral("&Exit"), "miExitClick");

    m.popGO = Popup(form, "popGO");
    m.pmiGO = Item(*m.popGO, "pmiGO", QStringLiteral("GO"), "btnGoClick");
    m.pmiNewTask = Item(*m.popGO, "pmiNewTask", QStringLiteral("New Download Task..."), "pmiNewTaskClick");
    m.pmiMap = Item(*m.popGO, "pmiMap", QStringLiteral("Map"), "pmiMapClick");

    m.popNew = Popup(form, "popNew");
    m.pmiNewFileZip = Item(*m.popNew, "pmiNewFileZip", QStringLiteral("New &File Zip..."), "miNewFileZipClick");
    m.pmiNewDownloadTask = Item(*m.popNew, "pmiNewDownloadTask", QStringLiteral("New &Download Task..."),
                                "miNewCorvaneClick");
    m.pmiNewIntranetSite = Item(*m.popNew, "pmiNewIntranetSite", QStringLiteral("New Personal Intranet Website"),
                                "pmiNewIntranetSiteClick");
    m.pmiSpecial = Submenu(*m.popNew, "pmiSpecial", QStringLiteral("&Special"));
    m.pmiCorvanesFor = Item(*m.pmiSpecial, "pmiCorvanesFor", QStringLiteral("New Corvanes for "), "miCorvanesForClick");

    m.popDownloads = Popup(form, "popDownloads");
}

}  // namespace

void BuildMainMenus(TFormCorvane& form, TMainMenus& menus) {
    BuildFile(form, menus);
    BuildEdit(form, menus);
    BuildView(form, menus);
    BuildZip(form, menus);
    BuildHelp(form, menus);
    BuildPopups(form, menus);
}

void FillTaskMenu(QMenu& menu, TFormScheduler& tasks) {
    menu.clear();
    // clear() drops the submenus' items but not the submenus themselves, which the menu owns.
    for (QMenu* old : menu.findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly)) old->deleteLater();
    auto sub = [&menu](QAction* owner, std::initializer_list<QAction*> items) {
        auto* submenu = menu.addMenu(owner->text());
        submenu->setObjectName(owner->objectName());
        for (QAction* item : items) submenu->addAction(item);
    };
    sub(tasks.actTasksDownload, {tasks.actTasksRun, tasks.actTasksStop, tasks.actTasksSchedule});
    sub(tasks.actTasksNew, {tasks.actTasksNewTask, tasks.actTasksNewCategory});
    menu.addAction(tasks.actTasksDelete);
    menu.addSeparator();
    sub(tasks.actTasksBrowse, {tasks.actTasksBrowseOffline, tasks.actTasksBrowseOnline});
    sub(tasks.actTasksReports,
        {tasks.actTasksSummary, tasks.actTasksPageIndex, tasks.actTasksImageIndex, tasks.actTasksCreateReports});
    menu.addAction(tasks.actTasksExplore);
    menu.addSeparator();
    menu.addAction(tasks.actTasksProperties);
}

}  // namespace corvane
