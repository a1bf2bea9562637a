// The main window's commands, driven through its menus, buttons and boxes.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMimeData>
#include <QComboBox>
#include <QListWidget>
#include <QTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>

#include "app/about_page.h"
#include "app/form_browser.h"
#include "app/form_personal_intranet.h"
#include "app/form_status.h"
#include "app/main_commands.h"
#include "app/run_hooks.h"
#include "app/product_version.h"
#include "archive/form_extract.h"
#include "archive/form_zip.h"
#include "engine/model/registry_routines.h"
#include "engine/parse/url_model.h"
#include "engine/support/file_routines.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "shell/ui/qt_shell_clipboard.h"
#include "shell/ui/shell_tree.h"
#include "tasks/edit_task_dialog.h"
#include "tasks/run_task_dialog.h"
#include "tasks/select_skin_dialog.h"
#include "tasks/task_tree_window.h"
#include "transfer/global_offline.h"
#include "localisation/app_language.h"
#include "localisation/lang_text.h"
#include "localisation/message_ids.h"
#include "platform/rtl/date_time.h"
#include "tests/app/main_window_fixture.h"
#include "tests/archive/hostile_archive.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/support/launch_recorder.h"
#include "tests/support/scoped_env.h"
#include "tests/support/screenshot.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/wait_until.h"
#include "widgets/ext_list_view.h"
#include "widgets/mru_file_list.h"
#include "widgets/transparent_button.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

class MainCommands : public MainWindowFixture {
protected:
    std::string Downloads() { return App->GetDownloadsFolder(); }
    void Touch(const std::string& path) { std::ofstream(path) << "x"; }
    void MakeProfile(const std::string& name) {
        TCVProfile profile;
        profile.FileName = App->ProfilesDir + name + kProfileFileExt;
        profile.Name = name;
        fs::create_directories(App->ProfilesDir);
        profile.Save();
    }
    // "site.zip" in the downloads folder with these entries, opened as a recent archive is.
    TFormZip* OpenSiteZip(TFormCorvane& form, const EntryContents& entries) {
        MakeZip(Downloads() + "site.zip", entries);
        form.Commands->mruFilesMRUItemClick(QString::fromStdString(Downloads() + "site.zip"));
        TFormZip* zip = form.Views().FormZip;
        if (zip) zip->WaitForListing();
        return zip;
    }
    // A task file in the General category, with one queued page when asked.
    std::shared_ptr<TCVTask> SavedTask(const std::string& name, bool with_queue) {
        auto task = std::make_shared<TCVTask>();
        task->Name = name;
        task->Category = "General";
        task->FileName = TaskFileName("General", name);
        task->URL = "http://127.0.0.1:9/index.htm";
        task->IntranetMode = true;
        task->Destination = home_ + "site/";
        task->Status = tsDownloadStopped;
        task->Save();
        if (with_queue) {
            TCVQItem item(task.get());
            item.URL = task->URL;
            item.Type = "HTML";
            task->AddQItem(item);
            EXPECT_TRUE(task->SaveQueue());
        }
        return task;
    }

    // What the task editor was given by a New command; the editor is cancelled.
    struct EditorTask {
        bool opened = false;
        std::string url;
        std::string profile;
        bool intranet = false;
        bool map = false;
    };
    // The watch ends with the command, so that it never answers a later dialog.
    EditorTask RunAndCancel(const std::function<void()>& command) {
        EditorTask seen;
        QTimer watch;
        watch.setInterval(10);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            if (auto* editor = qobject_cast<TdlgEditTask*>(dialog); editor && editor->Task) {
                const TCVTask& task = *editor->Task;
                seen = {true, task.URL, task.Profile.Name, task.IntranetMode, task.RunMethod == rmMap};
            }
            dialog->reject();
        });
        watch.start();
        command();
        return seen;
    }
    // Keys reach the window's shortcuts, and focus a widget, only while its window is active; a
    // closed dialog or menu may leave none active.
    void Activate(QWidget& window) {
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    bool Focus(QWidget& widget) {
        Activate(*widget.window());
        widget.setFocus();
        return QTest::qWaitFor([&] { return widget.hasFocus(); }, 5000);
    }
};
using DownloadsMenu = MainCommands;
using DatedArchive = MainCommands;
using ArchiveCommands = MainCommands;
using EditMenu = MainCommands;

TEST_F(MainCommands, EveryItemRunsAHandlerAndThePopupsHoldTheirItems) {
    TFormCorvane& form = Start();
    int handled = 0;
    for (QAction* action : form.findChildren<QAction*>()) {
        const QString name = action->property(kHandlerProperty).toString();
        if (name.isEmpty()) continue;
        ++handled;
        EXPECT_TRUE(form.Commands->Handler(name)) << name.toStdString();
    }
    EXPECT_GE(handled, 40);
    EXPECT_EQ(form.Menus.miNewFileZip->shortcut(), QKeySequence(Qt::Key_F6));
    EXPECT_EQ(form.Menus.miZipRename->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    EXPECT_EQ(form.Menus.miZipRename->shortcutContext(), Qt::WidgetWithChildrenShortcut);
    EXPECT_TRUE(form.Menus.miUndo->shortcut().isEmpty()) << "the edit box keeps Ctrl+Z";
    EXPECT_FALSE(form.Menus.miContents->isVisible());
    EXPECT_TRUE(form.Menus.popZip->actions().contains(form.Menus.miBrowse));
    EXPECT_TRUE(form.Menus.popZip->actions().contains(form.Menus.miZipDelete));
    EXPECT_EQ(form.popMain->actions().size(), 7);
    // The File menu: New, Open and Close in front, Exit last.
    const QList<QAction*> file = form.miFile->actions();
    ASSERT_FALSE(file.isEmpty());
    EXPECT_EQ(file.front(), form.Menus.miNew->menuAction());
    EXPECT_EQ(file.back(), form.Menus.miExit);
    // The Task menu holds the task tree's own actions once opened, however often it opens.
    for (int opened = 0; opened < 3; ++opened) {
        form.miTask->popup(form.mapToGlobal(QPoint(8, 8)));
        form.miTask->hide();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QStringList captions;
    for (QAction* action : form.miTask->actions()) captions << action->text();
    EXPECT_GE(captions.size(), 6) << captions.join(',').toStdString();
    ASSERT_NE(form.Views().FormScheduler, nullptr);
    EXPECT_TRUE(form.miTask->actions().contains(form.Views().FormScheduler->actTasksDelete));
    EXPECT_EQ(form.miTask->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly).size(), 4)
        << "Download, New, Browse and Reports, each once";
    SaveScreenshot(form, QStringLiteral("-commands"));
    // The menus as they drop down.
    for (QMenu* menu : {form.miFile, form.mnuView, form.miZip, form.Menus.popZip}) {
        menu->popup(form.mapToGlobal(QPoint(8, 8)));
        WAIT_UNTIL(menu->isVisible());
        SaveScreenshot(*menu);
        menu->hide();
    }
}

TEST_F(MainCommands, SaveModeAddToZipPasteAndEnter) {
    TFormCorvane& form = Start();
    QTest::mouseClick(form.btnIntranetMode, Qt::LeftButton);
    EXPECT_TRUE(form.btnIntranetMode->Down());
    EXPECT_FALSE(form.btnCorvaneMode->Down());
    EXPECT_EQ(App->SaveMode, kIntranetSaveMode);
    QTest::mouseClick(form.btnCorvaneMode, Qt::LeftButton);
    EXPECT_TRUE(form.btnCorvaneMode->Down());
    EXPECT_EQ(App->SaveMode, kZipSaveMode);

    // Tray item and button stay together.
    form.Menus.pmiAddToCurrentZip->trigger();
    EXPECT_TRUE(form.btnAddToSelectedZip->Down());
    EXPECT_TRUE(form.Menus.pmiAddToCurrentZip->isChecked());
    QTest::mouseClick(form.btnAddToSelectedZip, Qt::LeftButton);
    EXPECT_FALSE(form.btnAddToSelectedZip->Down());
    EXPECT_FALSE(form.Menus.pmiAddToCurrentZip->isChecked());

    // A sentence on the clipboard and Enter in an empty URL box do nothing: no dialog, no view.
    QApplication::clipboard()->setText(QStringLiteral("not an address at all"));
    form.Menus.miPasteAndZip->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(form.cmbURL->currentText().isEmpty());
    const bool browser = form.Views().FormBrowser != nullptr;
    form.cmbURL->setEditText({});
    form.cmbURL->setFocus();
    QTest::keyClick(form.cmbURL, Qt::Key_Return);
    EXPECT_EQ(form.Views().FormBrowser != nullptr, browser);
    // A typed address and Enter show it in the browser view.
    QTest::keyClicks(form.cmbURL, QStringLiteral("http://h.test/a.htm"));
    QTest::keyClick(form.cmbURL, Qt::Key_Return);
    ASSERT_NE(form.Views().FormBrowser, nullptr);
}

TEST_F(MainCommands, EachNewTaskCommandReachesTheTaskEditorWithItsArguments) {
    TFormCorvane& form = Start();
    const std::string box = "http://h.test/start.htm";
    form.cmbURL->setEditText(QString::fromStdString(box));
    struct Row {
        const char* name;
        std::function<void()> run;
        std::string url;
        bool intranet;
        bool map;
    };
    auto check = [&](const Row& row) {
        const EditorTask seen = RunAndCancel(row.run);
        ASSERT_TRUE(seen.opened) << row.name;
        EXPECT_EQ(seen.url, row.url) << row.name;
        EXPECT_EQ(seen.profile, kCustomProfile) << row.name;
        EXPECT_EQ(seen.intranet, row.intranet) << row.name;
        EXPECT_EQ(seen.map, row.map) << row.name;
    };
    auto key = [&](Qt::Key pressed, Qt::KeyboardModifiers modifiers) {
        Activate(form);
        form.cmbURL->setFocus();
        QTest::keyClick(form.cmbURL, pressed, modifiers);
    };
    QTest::mouseClick(form.btnIntranetMode, Qt::LeftButton);
    for (const Row& row : std::initializer_list<Row>{
             {"btnGO", [&] { QTest::mouseClick(form.btnGO, Qt::LeftButton); }, box, true, false},
             {"GO", [&] { form.Menus.pmiGO->trigger(); }, box, true, false},
             {"Map", [&] { form.Menus.pmiMap->trigger(); }, box, true, true},
             {"New Download Task...", [&] { form.Menus.pmiNewTask->trigger(); }, box, true, false},
             {"F7", [&] { key(Qt::Key_F7, {}); }, "", true, false},
             {"Ctrl+N", [&] { key(Qt::Key_N, Qt::ControlModifier); }, "", true, false},
             {"New Download Task", [&] { form.Menus.pmiNewDownloadTask->trigger(); }, "", true, false},
         })
        check(row);
    QTest::mouseClick(form.btnCorvaneMode, Qt::LeftButton);
    QApplication::clipboard()->setText(QStringLiteral("http://pasted.test/a.htm\nmore text"));
    for (const Row& row : std::initializer_list<Row>{
             {"btnGO in zip mode", [&] { QTest::mouseClick(form.btnGO, Qt::LeftButton); }, box, false, false},
             {"New Personal Intranet Website", [&] { form.Menus.pmiNewIntranetSite->trigger(); }, "", true, false},
             {"Ctrl+B", [&] { key(Qt::Key_B, Qt::ControlModifier); },
              "http://pasted.test/a.htm", false, false},
         })
        check(row);
    EXPECT_EQ(form.cmbURL->currentText(), QStringLiteral("http://pasted.test/a.htm"));

    // GO hands a named profile over: the task is made at once, after the address check (here a
    // refusal and its box), with no editor. "New Download Task..." leaves the profile to the editor.
    MakeProfile("Site");
    QTest::mouseClick(form.cmbProfile, Qt::LeftButton);  // the drop-down lists the profiles again
    form.cmbProfile->hidePopup();
    form.cmbProfile->setCurrentIndex(form.cmbProfile->findText(QStringLiteral("Site")));
    ASSERT_EQ(form.cmbProfile->currentText(), QStringLiteral("Site"));
    form.cmbURL->setEditText(QStringLiteral("ftp://h.test/"));
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::OK);
        QTest::mouseClick(form.btnGO, Qt::LeftButton);
        EXPECT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    const EditorTask seen = RunAndCancel([&] { form.Menus.pmiNewTask->trigger(); });
    EXPECT_TRUE(seen.opened);
    EXPECT_EQ(seen.profile, kCustomProfile);
    EXPECT_EQ(seen.url, "ftp://h.test/");
}

using UserPathsNewTask = MainCommands;

TEST_F(UserPathsNewTask, F7OpensTheEditorWithTheFocusInTheUrlAndTabVisitsTheFieldsFirst) {
    TFormCorvane& form = Start();
    QString typed;
    std::vector<std::string> order;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* editor = qobject_cast<TdlgEditTask*>(QApplication::activeModalWidget());
        if (!editor || !editor->isVisible()) return;
        watch.stop();
        // Where the dialog's keys go: its own focus widget.
        QTest::keyClicks(editor->focusWidget(), QStringLiteral("http://typed.test/"));
        typed = editor->cmbURL->currentText();
        for (int i = 0; i < 12 && editor->focusWidget(); ++i) {
            QWidget* focus = editor->focusWidget();
            QTest::keyClick(focus, Qt::Key_Tab);
            // A combo box's line edit stands for its box.
            if (qobject_cast<QComboBox*>(focus->parentWidget())) focus = focus->parentWidget();
            order.push_back(focus->objectName().toStdString());
        }
        SaveScreenshot(*editor, QStringLiteral("-f7"));
        editor->reject();
    });
    watch.start();
    Activate(form);
    form.cmbURL->setFocus();
    QTest::keyClick(form.cmbURL, Qt::Key_F7);
    EXPECT_EQ(typed, QStringLiteral("http://typed.test/"));
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(order.front(), "cmbURL");
    const auto at = [&](const char* name) { return std::find(order.begin(), order.end(), name) - order.begin(); };
    EXPECT_LT(at("cbUserNamePassword"), at("btnOK"));
    EXPECT_LT(at("edTaskName"), at("btnOK"));
    EXPECT_LT(at("btnOK"), static_cast<std::ptrdiff_t>(order.size()));
    EXPECT_GT(at("ListView1"), at("btnOK"));
}

TEST_F(MainCommands, CancelledSkinChoiceRestoresTheSkin) {
    App->SkinsDir = home_ + "Skins/";
    fs::create_directories(App->SkinsDir + "Default");
    fs::create_directories(App->SkinsDir + "Ocean");
    // Ocean's GO button shows another picture.
    fs::copy_file(App->DefaultSkinDir + "help.bmp", App->SkinsDir + "Ocean/download.bmp");
    App->SetSkin("Default");
    TFormCorvane& form = Start();
    const QImage own = form.btnGO->Glyph();
    QImage during;
    bool opened = false;
    OnModal([&](QWidget& dialog) {
        auto* chooser = qobject_cast<TdlgSelectSkin*>(&dialog);
        if (!chooser) return static_cast<QDialog&>(dialog).reject();
        opened = true;
        const QList<QListWidgetItem*> ocean = chooser->lbSkins->findItems(QStringLiteral("Ocean"), Qt::MatchExactly);
        if (!ocean.isEmpty())
            QTest::mouseClick(chooser->lbSkins->viewport(), Qt::LeftButton, {},
                              chooser->lbSkins->visualItemRect(ocean.front()).center());
        during = form.btnGO->Glyph();
        QTest::mouseClick(chooser->btnCancel, Qt::LeftButton);
    });
    Activate(form);
    form.cmbURL->setFocus();
    QTest::keyClick(form.cmbURL, Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(opened);
    EXPECT_NE(during, own) << "a click applies the skin at once";
    EXPECT_EQ(App->Skin, "Default");
    EXPECT_EQ(RegRead<std::string>(kSettingsKey, "Skin", ""), "Default");
    EXPECT_EQ(form.btnGO->Glyph(), own);
}

TEST_F(MainCommands, WorkOfflineBoxSetsTheOfflineState) {
    TFormCorvane& form = Start();
    QTest::mouseClick(form.cbWorkOffline, Qt::LeftButton);
    EXPECT_TRUE(form.cbWorkOffline->isChecked());
    EXPECT_TRUE(IsGlobalOffline());
    QTest::mouseClick(form.cbWorkOffline, Qt::LeftButton);
    EXPECT_FALSE(IsGlobalOffline());
}

TEST_F(MainCommands, TaskKeysActInTheTaskTreeAndArchiveKeysInTheArchiveView) {
    SavedEnv data_home("XDG_DATA_HOME");
    ::setenv("XDG_DATA_HOME", (home_ + "xdg").c_str(), 1);
    const std::shared_ptr<TCVTask> queued = SavedTask("queued", true);
    const std::shared_ptr<TCVTask> plain = SavedTask("plain", false);
    TFormCorvane& form = Start();
    const std::string file = Downloads() + "site.zip";
    TFormZip* zip = OpenSiteZip(form, {{"index.htm", "<p>x</p>"}});
    ASSERT_NE(zip, nullptr);
    TFormScheduler* tasks = form.Views().FormScheduler;
    ASSERT_NE(tasks, nullptr);
    auto select = [tasks](const std::string& path) {
        tasks->tvTasks->Reload();
        tasks->tvTasks->SetSelectedPath(path);
        QApplication::processEvents();
        return tasks->SelectedPath() == path;
    };
    ASSERT_TRUE(select(queued->FileName));
    ASSERT_TRUE(Focus(*tasks->tvTasks));

    // Ctrl+R runs the task: a task with a queue asks how, first.
    bool asked = false;
    OnModal([&](QWidget& dialog) {
        asked = qobject_cast<TdlgRunTask*>(&dialog) != nullptr;
        static_cast<QDialog&>(dialog).reject();
    });
    QTest::keyClick(tasks->tvTasks, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(asked);
    EXPECT_FALSE(zip->tvZip->viewport()->findChild<QLineEdit*>()) << "no rename in the archive view";

    // Del deletes the task, and leaves the archive alone.
    ASSERT_TRUE(select(plain->FileName));
    ASSERT_TRUE(Focus(*tasks->tvTasks));
    {
        RecordingShellUi ui;
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::Yes, QStringLiteral("delete the selected Task"));
        QTest::keyClick(tasks->tvTasks, Qt::Key_Delete);
        EXPECT_EQ(boxes.shown.size(), 1u);
        EXPECT_TRUE(ui.questions.empty()) << "nothing asks about the archive";
    }
    EXPECT_FALSE(fs::exists(plain->FileName));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_NE(zip->Selected(), 0u);
}

using UserPathsIntranetKeys = MainCommands;

TEST_F(UserPathsIntranetKeys, TreeKeysRunTheKeyTableEvenWhileAnArchiveCommandHasTheSameKey) {
    const std::string sites = home_ + "sites/";
    App->SetIntranetFolder(sites);
    fs::create_directories(sites + "a");
    fs::create_directories(sites + "b");
    std::ofstream(sites + "a/page.htm") << "<p>a</p>";
    TFormCorvane& form = Start();
    // An archive selected and its tree focused, as the Zip menu found them: its Delete is enabled.
    TFormZip* zip = OpenSiteZip(form, {{"index.htm", "<p>x</p>"}});
    ASSERT_NE(zip, nullptr);
    ASSERT_TRUE(Focus(*zip->tvZip));
    form.Commands->MenuEnableClick();
    ASSERT_TRUE(form.Menus.miZipDelete->isEnabled());

    form.Views().ShowIntranetView();
    ASSERT_NE(form.Views().FormPersonalIntranet, nullptr);
    shell::TPTShellTree& tree = *form.Views().FormPersonalIntranet->tvIntranet;
    auto select = [&](const std::string& path) {
        tree.SetSelectedPath(path);
        return tree.GetSelectedPath() == path;
    };
    ASSERT_TRUE(select(sites + "a"));
    ASSERT_TRUE(Focus(tree));
    {
        RecordingShellUi ui;
        ui.answers = {shell::ShellAnswer::No};
        QTest::keyClick(&tree, Qt::Key_Delete);
        ASSERT_EQ(ui.questions.size(), 1u);
        EXPECT_NE(ui.lastTitle, AppLanguage().GetLangStr(msg::MoveArchiveToTrashTitle)) << "not the archive's Delete";
    }
    EXPECT_TRUE(fs::exists(sites + "a/page.htm"));
    EXPECT_TRUE(fs::exists(Downloads() + "site.zip"));

    // Ctrl+C on a puts it on the desktop's clipboard, Ctrl+V on b copies it in there.
    shell::TQtShellClipboard clipboard;
    struct Restore {
        shell::TShellClipboard* previous;
        ~Restore() { shell::SetShellClipboard(previous); }
    } restore{shell::SetShellClipboard(&clipboard)};
    QApplication::clipboard()->clear();
    QTest::keyClick(&tree, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->hasUrls());
    ASSERT_TRUE(select(sites + "b"));
    {
        RecordingShellUi ui;
        QTest::keyClick(&tree, Qt::Key_V, Qt::ControlModifier);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(sites + "b/a/page.htm"); }, 5000));
    EXPECT_TRUE(fs::exists(sites + "a/page.htm"));

    // F5 shows a folder made meanwhile at once; F2 names the selection in place.
    fs::create_directories(sites + "c");
    QTest::keyClick(&tree, Qt::Key_F5);
    EXPECT_TRUE(select(sites + "c"));
    QTest::keyClick(&tree, Qt::Key_F2);
    EXPECT_TRUE(tree.Editing());
    SaveScreenshot(form, QStringLiteral("-intranet-keys"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
}

TEST_F(MainCommands, StatusBarItemShowsAndFloatsTheStatusView) {
    TFormCorvane& form = Start();
    form.Commands->MenuEnableClick();
    const bool shown = form.Menus.miViewStatusBar->isChecked();
    form.Menus.miViewStatusBar->trigger();
    EXPECT_EQ(form.Views().FormStatus && form.Views().FormStatus->isVisible(), !shown);
    form.Menus.miViewStatusBar->trigger();
    EXPECT_EQ(form.Views().FormStatus && form.Views().FormStatus->isVisible(), shown);
}

TEST_F(MainCommands, AboutShowsTheReleaseTheCaptionShows) {
    TFormCorvane& form = Start();
    form.Menus.miAbout->trigger();
    const std::string path = App->GetTempFolder() + kAboutPageFile;
    ASSERT_TRUE(fs::exists(path));
    std::ifstream in(path);
    const std::string page((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(page.find(ProductReleaseText()), std::string::npos);
    EXPECT_TRUE(form.windowTitle().contains(QString::fromStdString(ProductReleaseText())));
    EXPECT_NE(page.find(AppLanguage().GetLangStr(msg::AboutTabCredits)), std::string::npos);
    ASSERT_NE(form.Views().FormBrowser, nullptr);
}

TEST_F(DownloadsMenu, ThirtyArchivesGiveTwentyFiveItemsThenMoreAndKeepTheirNames) {
    TFormCorvane& form = Start();
    const std::string folder = Downloads();
    for (int i = 0; i < 30; ++i) Touch(folder + "site" + std::to_string(100 + i) + ".zip");
    Touch(folder + "a & b.zip");
    Touch(folder + "notes.txt");
    QMenu& menu = *form.Menus.popDownloads;
    for (int press = 0; press < 2; ++press) {  // built again on each press, not added to
        QTest::mousePress(form.btnDownloads, Qt::LeftButton);
        WAIT_UNTIL(menu.isVisible());
        menu.hide();
        QTest::mouseRelease(form.btnDownloads, Qt::LeftButton);
    }
    const QList<QAction*> items = menu.actions();
    ASSERT_EQ(items.size(), 27);
    EXPECT_TRUE(items[25]->isSeparator());
    EXPECT_EQ(items[26]->text(), QStringLiteral("More..."));
    EXPECT_EQ(items[0]->data().toString(), QStringLiteral("a & b.zip"));
    EXPECT_EQ(items[0]->text(), QStringLiteral("a && b.zip"));
    {
        LaunchRecorder launches;
        items[26]->trigger();
        const auto opened = launches.Opened();
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(fs::path(opened[0].location).lexically_normal() / "", fs::path(folder).lexically_normal() / "");
    }
    // Opening View lists them in its Downloads submenu.
    form.mnuView->popup(form.mapToGlobal(QPoint(0, 0)));
    form.mnuView->hide();
    EXPECT_EQ(form.Menus.miDownloadsFolder->actions().size(), 27);
    // An item opens its archive in the archive view.
    ScriptedMessageBoxes boxes;
    items[1]->trigger();
    ASSERT_NE(form.Views().FormZip, nullptr);
    form.Views().FormZip->WaitForListing();
    EXPECT_EQ(form.Views().FormZip->CurrentZipFileName(), folder + "site100.zip");
}

TEST_F(DatedArchive, OpensTodaysArchiveAndPressesAddToSelected) {
    TFormCorvane& form = Start();
    const std::string date = DateToStr(Now());
    // The press on the New button drops its popup, whose item shows today's date.
    QTest::mousePress(form.btnNewZip, Qt::LeftButton);
    WAIT_UNTIL(form.Menus.popNew->isVisible());
    form.Menus.popNew->hide();
    QTest::mouseRelease(form.btnNewZip, Qt::LeftButton);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the press clicks nothing";
    EXPECT_EQ(form.Menus.pmiCorvanesFor->text().toStdString(), AppLanguage().GetLangStr(msg::NewCorvanesFor) + date);
    form.Menus.pmiCorvanesFor->trigger();
    ASSERT_NE(form.Views().FormZip, nullptr);
    form.Views().FormZip->WaitForListing();
    std::string day = date;
    std::replace(day.begin(), day.end(), '/', '-');
    const std::string expected = Downloads() + AppLanguage().GetLangStr(msg::DatedArchivePrefix) + day + ".zip";
    EXPECT_EQ(form.Views().FormZip->CurrentZipFileName(), expected);
    EXPECT_TRUE(form.btnAddToSelectedZip->Down());
}

using UserPathsDatedArchive = MainCommands;

TEST_F(UserPathsDatedArchive, ANewTaskGoesIntoTheDatedArchiveWhileTheEarlierOneStillLists) {
    TFormCorvane& form = Start();
    MakeProfile("Quick");
    const std::string earlier = Downloads() + "127_0.zip";
    MakeZip(earlier, {{"127.0.0.1/index.htm", "<html></html>"}});
    form.Commands->mruFilesMRUItemClick(QString::fromStdString(earlier));  // its listing starts
    form.Menus.pmiCorvanesFor->trigger();
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    std::string day = DateToStr(Now());
    std::replace(day.begin(), day.end(), '/', '-');
    const std::string dated = Downloads() + AppLanguage().GetLangStr(msg::DatedArchivePrefix) + day + ".zip";
    ASSERT_NE(zip->Tree().Obj(zip->Selected()), nullptr);
    EXPECT_EQ(zip->Tree().Obj(zip->Selected())->ZipFileName, dated);

    // A map task made now, before the earlier archive's listing ends, goes into the dated one.
    form.Hooks().NewTask("http://127.0.0.1:9/", "Quick", false, true);
    zip->WaitForListing();
    const std::string name = ReplaceInvalidFileChars(SiteShortName("http://127.0.0.1:9/"), '_');
    auto task = std::make_shared<TCVTask>();
    task->FileName = DirectoryOf(TaskFileName(App->GetLastCategory(), "x")) + name + ".cvt";
    ASSERT_TRUE(fs::exists(task->FileName));
    task->Load();
    EXPECT_EQ(task->Destination, dated);
    SaveScreenshot(form, QStringLiteral("-dated-archive"));
}

TEST_F(ArchiveCommands, RenameKeyActsInTheArchiveViewOnly) {
    TFormCorvane& form = Start();
    form.Menus.miCorvanesFor->trigger();
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    zip->WaitForListing();
    ASSERT_TRUE(Focus(*form.cmbURL));
    QTest::keyClick(form.cmbURL, Qt::Key_R, Qt::ControlModifier);
    auto editing = [zip] {
        auto* editor = zip->tvZip->viewport()->findChild<QLineEdit*>();
        return editor && editor->isVisible();
    };
    EXPECT_FALSE(editing());
    ASSERT_TRUE(Focus(*zip->tvZip));
    QTest::keyClick(zip->tvZip, Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(editing());
    SaveScreenshot(form, QStringLiteral("-rename"));
    QTest::keyClick(zip->tvZip->viewport()->findChild<QLineEdit*>(), Qt::Key_Escape);
    EXPECT_FALSE(editing());
}

TEST_F(ArchiveCommands, DeletingTheTopNodeTrashesTheArchiveUnlessCancelled) {
    SavedEnv data_home("XDG_DATA_HOME");
    TFormCorvane& form = Start();
    ::setenv("XDG_DATA_HOME", (Downloads() + "../data").c_str(), 1);
    const std::string file = Downloads() + "site.zip";
    TFormZip* zip = OpenSiteZip(form, {{"index.htm", "<p>x</p>"}, {"pics/a.gif", "GIF89a"}});
    ASSERT_NE(zip, nullptr);
    ASSERT_NE(zip->Selected(), 0u);
    ASSERT_TRUE(Focus(*zip->tvZip));

    RecordingShellUi ui;
    ui.answers = {shell::ShellAnswer::No};
    QTest::keyClick(zip->tvZip, Qt::Key_Delete);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_NE(zip->Selected(), 0u) << "a cancel keeps the archive open";
    ui.answers = {shell::ShellAnswer::Yes};
    QTest::keyClick(zip->tvZip, Qt::Key_Delete);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::is_empty(Downloads() + "../data/Trash/files"));
    EXPECT_EQ(zip->Selected(), 0u);
    ASSERT_FALSE(ui.questions.empty());
    EXPECT_EQ(ui.lastTitle, AppLanguage().GetLangStr(msg::MoveArchiveToTrashTitle));
}

TEST_F(ArchiveCommands, BrowseExtractsAPageWithTheWholeArchiveOnceAndShowsOtherFilesInTheBrowser) {
    TFormCorvane& form = Start();
    SetCaptureFolder("temp", App->GetTempFolder());  // as the program does at start
    TFormZip* zip = OpenSiteZip(form, {{"index.htm", "<p>x</p>"}, {"pics/a.gif", "GIF89a"}, {"notes.txt", "n"}});
    ASSERT_NE(zip, nullptr);
    const TZipNodeId archive = zip->Selected();
    auto entry = [&](const std::string& name) -> TZipNodeId {
        for (TZipNodeId id : zip->Tree().Node(archive)->Children)
            if (zip->Tree().Node(id)->Name == name) return id;
        return 0;
    };
    ASSERT_NE(entry("notes.txt"), 0u);
    LaunchRecorder launches;
    zip->SelectNode(entry("index.htm"));
    form.Menus.miBrowse->trigger();
    auto opened = launches.Opened();
    ASSERT_EQ(opened.size(), 1u);
    const std::string page = opened[0].location;
    ASSERT_TRUE(page.ends_with("/index.htm")) << page;
    const std::string root = page.substr(0, page.size() - std::string("index.htm").size());
    EXPECT_TRUE(fs::exists(root + "pics/a.gif")) << "the page's pictures come with it";
    EXPECT_TRUE(fs::exists(root + "notes.txt"));
    // Browsed again, the page is not extracted again.
    std::ofstream(page) << "kept";
    form.Menus.miBrowse->trigger();
    opened = launches.Opened();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].location, page);
    EXPECT_EQ(ReadBytes(page), "kept");

    // Any other file goes to the browser view, never to the shell.
    zip->SelectNode(entry("notes.txt"));
    form.Menus.miBrowse->trigger();
    ASSERT_NE(browsers_->last, nullptr);
    ASSERT_FALSE(browsers_->last->calls.empty());
    EXPECT_TRUE(browsers_->last->calls.back().ends_with("notes.txt")) << browsers_->last->calls.back();
    EXPECT_EQ(launches.Opened().size(), 2u);
    ClearCaptureFolders();
}

TEST_F(ArchiveCommands, UnzipPresetsTheSelectionAndDeleteAsksOnlyForTreeNodes) {
    TFormCorvane& form = Start();
    const std::string file = Downloads() + "site.zip";
    TFormZip* zip = OpenSiteZip(form, {{"index.htm", "<p>x</p>"}, {"pics/a.gif", "GIF89a"}, {"pics/b.gif", "GIF89a"}});
    ASSERT_NE(zip, nullptr);
    const TZipNodeId archive = zip->Selected();
    TZipNodeId pics = 0;
    for (TZipNodeId id : zip->Tree().Node(archive)->Children)
        if (zip->Tree().Node(id)->Name == "pics") pics = id;
    ASSERT_NE(pics, 0u);
    zip->SelectNode(pics);

    const std::string out = Downloads() + "out/";
    fs::create_directories(out + "pics");
    WriteBytes(out + "pics/a.gif", "old");
    WriteBytes(out + "index.htm", "old");
    // Answers the unzip dialog; what it was preset to.
    auto unzip = [&](bool overwrite, bool use_paths) {
        bool selected = false;
        OnModal([&](QWidget& dialog) {
            auto& extract = static_cast<TFormExtract&>(dialog);
            selected = extract.rbSelectedFiles->isChecked();
            extract.edExtractTo->setText(QString::fromStdString(out));
            extract.cbOverwrite->setChecked(overwrite);
            extract.cbUsePaths->setChecked(use_paths);
            QTest::mouseClick(extract.btnExtract, Qt::LeftButton);
        });
        form.Menus.miZipUnzip->trigger();
        return selected;
    };
    // A folder node: "selected", and overwriting replaces the old file unasked.
    EXPECT_TRUE(unzip(true, true));
    EXPECT_EQ(ReadBytes(out + "pics/a.gif"), "GIF89a");
    EXPECT_TRUE(fs::exists(out + "pics/b.gif"));
    EXPECT_EQ(ReadBytes(out + "index.htm"), "old");
    // The top node: "all", and without overwriting each old file is asked about.
    WriteBytes(out + "pics/a.gif", "old");
    zip->SelectNode(archive);
    {
        ScriptedMessageBoxes boxes;
        for (const char* name : {"index.htm", "pics/a.gif", "pics/b.gif"})
            boxes.Expect(MsgButton::No, QStringLiteral("Replace File : ") + QLatin1String(name));
        EXPECT_FALSE(unzip(false, true));
        EXPECT_EQ(boxes.shown.size(), 3u);
    }
    EXPECT_EQ(ReadBytes(out + "pics/a.gif"), "old");
    EXPECT_EQ(ReadBytes(out + "index.htm"), "old");
    // Without paths the files land in the folder itself.
    zip->SelectNode(pics);
    EXPECT_TRUE(unzip(true, false));
    EXPECT_EQ(ReadBytes(out + "a.gif"), "GIF89a");
    EXPECT_TRUE(fs::exists(out + "b.gif"));

    form.activateWindow();
    ScriptedMessageBoxes boxes;
    // Del in the list deletes the selected entry unasked.
    TExtListView* list = zip->lvZip;
    ASSERT_EQ(list->Items().Count(), 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 0)).center());
    WAIT_UNTIL(list->hasFocus());
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(ReadZip(file).size(), 2u);
    zip->WaitForListing();
    EXPECT_EQ(list->Items().Count(), 1) << "the folder is listed again";
    // On a folder node it asks first.
    ASSERT_TRUE(Focus(*zip->tvZip));
    boxes.Expect(MsgButton::No, QString::fromStdString(AppLanguage().GetLangStr(msg::ConfirmDeleteFolder1)));
    QTest::keyClick(zip->tvZip, Qt::Key_Delete);
    EXPECT_EQ(ReadZip(file).size(), 2u) << "No keeps the entries";
    boxes.Expect(MsgButton::Yes, QStringLiteral("pics"));
    QTest::keyClick(zip->tvZip, Qt::Key_Delete);
    EXPECT_EQ(ReadZip(file).size(), 1u);
}

TEST_F(ArchiveCommands, MissingRecentArchiveIsReportedAndDropped) {
    TFormCorvane& form = Start();
    const std::string gone = Downloads() + "gone.zip";
    form.Hooks().AddRecentArchive(gone);
    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::OK, QString::fromStdString(AppLanguage().GetLangStr(msg::ArchiveMissing2)));
    form.Commands->mruFilesMRUItemClick(QString::fromStdString(gone));
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(form.mruFiles->Items().contains(QString::fromStdString(gone)));
}

TEST_F(ArchiveCommands, ArchiveItemsNeedTheWindowASelectionAndTheFocus) {
    TFormCorvane& form = Start();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const QList<QAction*> items = {form.miClose,          form.Menus.miZipClose,  form.Menus.miZipAdd,
                                   form.Menus.miZipDelete, form.Menus.miZipUnzip, form.Menus.miZipRename};
    // What the items say once the menu opens.
    auto enabled = [&](QMenu* menu) {
        menu->popup(form.mapToGlobal(QPoint(0, 0)));
        menu->hide();
        int on = 0;
        for (QAction* item : items) on += item->isEnabled() ? 1 : 0;
        EXPECT_TRUE(on == 0 || on == items.size()) << on;
        return on == items.size();
    };
    EXPECT_FALSE(enabled(form.miZip)) << "no archive window";
    TFormZip* zip = OpenSiteZip(form, {{"index.htm", "<p>x</p>"}});
    ASSERT_NE(zip, nullptr);
    ASSERT_NE(zip->Selected(), 0u);
    ASSERT_TRUE(Focus(*zip->tvZip));
    EXPECT_TRUE(enabled(form.miZip));
    EXPECT_TRUE(enabled(form.miFile));
    ASSERT_TRUE(Focus(*zip->lvZip));
    EXPECT_TRUE(enabled(form.Menus.popZip));
    ASSERT_TRUE(Focus(*form.cmbURL));
    EXPECT_FALSE(enabled(form.miZip)) << "the focus elsewhere";
    zip->CloseZip();
    ASSERT_TRUE(Focus(*zip->tvZip));
    EXPECT_FALSE(enabled(form.miHelp)) << "nothing selected";
}

// Browse on an archive's top node stands for its start page, also while the archive is still being
// listed; an archive without pages says so.
TEST_F(ArchiveCommands, ArchiveIdentityBrowseOnTheTopNodeWaitsForTheListingOrSaysThereIsNoPage) {
    TFormCorvane& form = Start();
    SetCaptureFolder("temp", App->GetTempFolder());
    EntryContents entries{{"index.htm", "<p>start</p>"}};
    for (int i = 0; i < 3000; ++i) entries.push_back({"pics/p" + std::to_string(i) + ".gif", "GIF89a"});
    const std::string site = Downloads() + "site.zip";
    MakeZip(site, entries);
    LaunchRecorder launches;
    form.Commands->mruFilesMRUItemClick(QString::fromStdString(site));
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    ASSERT_NE(zip->ListingMode, kListNone) << "the listing still runs";
    form.Menus.miBrowse->trigger();
    auto opened = launches.Opened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].location.ends_with("/index.htm")) << opened[0].location;
    EXPECT_EQ(ReadBytes(opened[0].location), "<p>start</p>");
    SaveScreenshot(form, QStringLiteral("-browse-top-node"));

    const std::string pictures = Downloads() + "pictures.zip";
    MakeZip(pictures, {{"a.gif", "GIF89a"}, {"notes.txt", "n"}});
    form.Commands->mruFilesMRUItemClick(QString::fromStdString(pictures));
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::OK, LangText(msg::ArchiveWithoutPages));
        form.Menus.miBrowse->trigger();
        EXPECT_EQ(boxes.shown.size(), 1u);
    }
    EXPECT_EQ(launches.Opened().size(), 1u);
    EXPECT_EQ(zip->Tree().Obj(zip->Selected())->ZipFileName, pictures);
    ClearCaptureFolders();
}

// With the add-to-selected button down, F7's task editor keeps the selected archive as its Save-to
// once an address is typed, as GO's does.
TEST_F(ArchiveCommands, ArchiveIdentityF7ProposesTheSelectedArchiveAsGoDoes) {
    TFormCorvane& form = Start();
    form.Menus.pmiCorvanesFor->trigger();
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    zip->WaitForListing();
    const std::string dated = zip->CurrentZipFileName();
    ASSERT_TRUE(form.btnAddToSelectedZip->Down());
    const QString address = QStringLiteral("http://127.0.0.1:9/");
    // The Save-to the editor shows once it holds the address; the editor is cancelled.
    auto proposed = [&](const std::function<void()>& command) {
        std::string file;
        QTimer watch;
        watch.setInterval(10);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* editor = qobject_cast<TdlgEditTask*>(QApplication::activeModalWidget());
            if (!editor || !editor->isVisible()) return;
            watch.stop();
            if (editor->cmbURL->currentText().isEmpty()) QTest::keyClicks(editor->focusWidget(), address);
            EXPECT_EQ(editor->cmbURL->currentText(), address);
            file = editor->edFileName->text().toStdString();
            editor->ListView1->setCurrentRow(1);  // the Save to page
            SaveScreenshot(*editor, QStringLiteral("-save-to"));
            editor->reject();
        });
        watch.start();
        command();
        return file;
    };
    form.cmbURL->setEditText(address);
    EXPECT_EQ(proposed([&] { QTest::mouseClick(form.btnGO, Qt::LeftButton); }), dated);
    EXPECT_EQ(proposed([&] {
                  Activate(form);
                  form.cmbURL->setFocus();
                  QTest::keyClick(form.cmbURL, Qt::Key_F7);
              }),
              dated);
}

// The Zips tree's keys and the archive popup follow a selection made with the keys, and still work
// once a dialog has closed.
TEST_F(ArchiveCommands, ArchiveIdentityTreeKeysAndPopupWorkAfterAKeySelectionAndADialog) {
    TFormCorvane& form = Start();
    for (const char* name : {"a.zip", "b.zip"}) {
        MakeZip(Downloads() + name, {{"index.htm", "<p>x</p>"}, {"pics/a.gif", "GIF89a"}});
        form.Commands->mruFilesMRUItemClick(QString::fromStdString(Downloads() + name));
    }
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    zip->WaitForListing();
    QTreeView* tree = zip->tvZip;
    auto archive_of = [&](TZipNodeId node) {
        const TZipObj* obj = zip->Tree().Obj(node);
        return obj ? fs::path(obj->ZipFileName).filename().string() : std::string();
    };
    Activate(form);
    const QModelIndex first = tree->model()->index(0, 0);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(first).center());
    zip->WaitForListing();
    ASSERT_EQ(archive_of(zip->Selected()), "a.zip");
    ASSERT_TRUE(tree->hasFocus());
    QTest::keyClick(tree, Qt::Key_Down);
    zip->WaitForListing();
    EXPECT_EQ(archive_of(zip->Selected()), "b.zip");
    EXPECT_EQ(zip->lvZip->Items().Count(), 2) << "the next archive is listed";
    EXPECT_EQ(QApplication::focusWidget(), tree);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    zip->WaitForListing();
    EXPECT_EQ(archive_of(zip->Selected()), "a.zip");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::ControlModifier);
    auto* editor = tree->viewport()->findChild<QLineEdit*>();
    ASSERT_TRUE(editor && editor->isVisible()) << "Ctrl+R renames the selected archive";
    EXPECT_EQ(editor->text(), QStringLiteral("a.zip"));
    SaveScreenshot(form, QStringLiteral("-keys-rename"));
    QTest::keyClick(editor, Qt::Key_Escape);

    // Ctrl+U opens the unzip dialog; once it is cancelled the popup's items are on.
    bool unzip = false;
    OnModal([&](QWidget& dialog) {
        unzip = qobject_cast<TFormExtract*>(&dialog) != nullptr;
        static_cast<QDialog&>(dialog).reject();
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_U, Qt::ControlModifier);
    EXPECT_TRUE(unzip);
    QMenu* popup = form.Menus.popZip;
    popup->popup(tree->viewport()->mapToGlobal(tree->visualRect(first).center()));
    WAIT_UNTIL(popup->isVisible());
    SaveScreenshot(*popup, QStringLiteral("-after-dialog"));
    for (QAction* item : {form.Menus.miZipClose, form.Menus.miZipAdd, form.Menus.miZipDelete, form.Menus.miZipUnzip,
                          form.Menus.miZipRename})
        EXPECT_TRUE(item->isEnabled()) << item->objectName().toStdString();
    popup->hide();
}

TEST_F(ArchiveCommands, OpenAsksForTheArchiveWithItsTitle) {
    TFormCorvane& form = Start();
    ScriptedFileDialogs dialogs;
    dialogs.ExpectCancel(FileDialogKind::Open);
    form.Menus.miZipOpen->trigger();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title.toStdString(), AppLanguage().GetLangStr(msg::OpenArchiveTitle));
    EXPECT_EQ(form.Views().FormZip, nullptr) << "a cancel opens nothing";
}

TEST_F(EditMenu, ItemsFollowTheFocusedBoxAndActOnIt) {
    TFormCorvane& form = Start();
    QApplication::clipboard()->clear();
    ASSERT_TRUE(Focus(*form.cmbURL));
    QTest::keyClicks(form.cmbURL, QStringLiteral("http://h.test/"));
    form.Commands->mnuEditClick();
    EXPECT_FALSE(form.Menus.miCut->isEnabled()) << "nothing selected";
    EXPECT_FALSE(form.Menus.miPaste->isEnabled()) << "empty clipboard";
    EXPECT_TRUE(form.Menus.miUndo->isEnabled());
    form.cmbURL->lineEdit()->selectAll();
    form.Commands->mnuEditClick();
    ASSERT_TRUE(form.Menus.miCut->isEnabled());
    form.Menus.miCut->trigger();
    EXPECT_TRUE(form.cmbURL->currentText().isEmpty());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("http://h.test/"));
    form.Commands->mnuEditClick();
    EXPECT_TRUE(form.Menus.miPaste->isEnabled());
    form.Menus.miPaste->trigger();
    EXPECT_EQ(form.cmbURL->currentText(), QStringLiteral("http://h.test/"));
    form.Menus.miUndo->trigger();
    EXPECT_TRUE(form.cmbURL->currentText().isEmpty());
    // Another control: all four off.
    ASSERT_TRUE(Focus(*form.cbWorkOffline));
    form.Commands->mnuEditClick();
    EXPECT_FALSE(form.Menus.miCopy->isEnabled());
    EXPECT_FALSE(form.Menus.miPaste->isEnabled());
}

}  // namespace
}  // namespace corvane::testing
