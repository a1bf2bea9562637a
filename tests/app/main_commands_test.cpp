// The main window's commands, driven through its menus, buttons and boxes.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <fstream>

#include "app/about_page.h"
#include "app/form_browser.h"
#include "app/form_status.h"
#include "app/main_commands.h"
#include "app/run_hooks.h"
#include "app/product_version.h"
#include "archive/form_extract.h"
#include "archive/form_zip.h"
#include "engine/model/settings.h"
#include "localisation/app_language.h"
#include "localisation/message_ids.h"
#include "platform/rtl/date_time.h"
#include "tests/app/main_window_fixture.h"
#include "tests/archive/hostile_archive.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/support/launch_recorder.h"
#include "tests/support/scoped_env.h"
#include "tests/support/screenshot.h"
#include "tests/support/scripted_dialogs.h"
#include "widgets/mru_file_list.h"
#include "widgets/transparent_button.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

class MainCommands : public MainWindowFixture {
protected:
    std::string Downloads() { return App->GetDownloadsFolder(); }
    void Touch(const std::string& path) { std::ofstream(path) << "x"; }
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
    // The Task menu holds the task tree's own actions once opened.
    form.Commands->miTaskClick();
    QStringList captions;
    for (QAction* action : form.miTask->actions()) captions << action->text();
    EXPECT_GE(captions.size(), 6) << captions.join(',').toStdString();
    SaveScreenshot(form, QStringLiteral("-commands"));
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

TEST_F(MainCommands, NewTaskCommandsOpenTheTaskDialogWithTheirURL) {
    TFormCorvane& form = Start();
    form.cmbURL->setEditText(QStringLiteral("http://h.test/start.htm"));
    for (QAction* command : {form.Menus.pmiGO, form.Menus.pmiNewTask, form.Menus.miNewCorvane}) {
        QStringList texts;
        bool opened = false;
        OnModal([&](QWidget& dialog) {
            for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) texts << edit->text();
            opened = true;
            static_cast<QDialog&>(dialog).reject();
        });
        command->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(opened, 5000);
        const bool has_url = texts.contains(QStringLiteral("http://h.test/start.htm"));
        EXPECT_EQ(has_url, command != form.Menus.miNewCorvane) << command->objectName().toStdString();
    }
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
    form.Commands->BuildDownloadsMenu(menu, nullptr);
    form.Commands->BuildDownloadsMenu(menu, nullptr);  // built again, not added to
    const QList<QAction*> items = menu.actions();
    ASSERT_EQ(items.size(), 27);
    EXPECT_TRUE(items[25]->isSeparator());
    EXPECT_EQ(items[26]->text(), QStringLiteral("More..."));
    EXPECT_EQ(items[0]->data().toString(), QStringLiteral("a & b.zip"));
    EXPECT_EQ(items[0]->text(), QStringLiteral("a && b.zip"));
    // An item opens its archive in the archive view.
    ScriptedMessageBoxes boxes;
    items[1]->trigger();
    ASSERT_NE(form.Views().FormZip, nullptr);
    form.Views().FormZip->WaitForListing();
    EXPECT_EQ(form.Views().FormZip->CurrentZipFileName(), folder + "site100.zip");
}

TEST_F(DownloadsMenu, TenThousandArchivesBuildQuickly) {
    TFormCorvane& form = Start();
    const std::string folder = Downloads();
    for (int i = 0; i < 10000; ++i) Touch(folder + "a" + std::to_string(i) + ".zip");
    QElapsedTimer timer;
    timer.start();
    form.Commands->BuildDownloadsMenu(*form.Menus.popDownloads, nullptr);
    const qint64 ms = timer.elapsed();
    std::printf("BuildDownloadsMenu, 10000 archives: %lld ms\n", static_cast<long long>(ms));
    EXPECT_EQ(form.Menus.popDownloads->actions().size(), 27);
    EXPECT_LT(ms, 1000);  // 100 ms on a quiet machine; shared builders are slower
}

TEST_F(DatedArchive, OpensTodaysArchiveAndPressesAddToSelected) {
    TFormCorvane& form = Start();
    form.Commands->popNewPopup();
    EXPECT_EQ(form.Menus.pmiCorvanesFor->text().toStdString(), NewCorvanesForCaption(Now()));
    form.Menus.miCorvanesFor->trigger();
    ASSERT_NE(form.Views().FormZip, nullptr);
    form.Views().FormZip->WaitForListing();
    EXPECT_EQ(form.Views().FormZip->CurrentZipFileName(), Downloads() + DatedArchiveName(Now()));
    EXPECT_TRUE(form.btnAddToSelectedZip->Down());
}

TEST_F(ArchiveCommands, RenameKeyActsInTheArchiveViewOnly) {
    TFormCorvane& form = Start();
    form.Menus.miCorvanesFor->trigger();
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    zip->WaitForListing();
    form.cmbURL->setFocus();
    QTRY_VERIFY(form.cmbURL->hasFocus());
    QTest::keyClick(form.cmbURL, Qt::Key_R, Qt::ControlModifier);
    auto editing = [zip] {
        auto* editor = zip->tvZip->viewport()->findChild<QLineEdit*>();
        return editor && editor->isVisible();
    };
    EXPECT_FALSE(editing());
    zip->tvZip->setFocus();
    QTRY_VERIFY(zip->tvZip->hasFocus());
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
    MakeZip(file, {{"index.htm", "<p>x</p>"}, {"pics/a.gif", "GIF89a"}});
    form.Commands->mruFilesMRUItemClick(QString::fromStdString(file));
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    zip->WaitForListing();
    ASSERT_NE(zip->Selected(), 0u);
    zip->tvZip->setFocus();
    QTRY_VERIFY(zip->tvZip->hasFocus());

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
}

TEST_F(ArchiveCommands, BrowseShowsAFileInTheBrowserAndHandsAPageToTheLauncher) {
    TFormCorvane& form = Start();
    const std::string file = Downloads() + "site.zip";
    MakeZip(file, {{"index.htm", "<p>x</p>"}, {"notes.txt", "n"}});
    SetCaptureFolder("temp", App->GetTempFolder());  // as the program does at start
    form.Commands->mruFilesMRUItemClick(QString::fromStdString(file));
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    zip->WaitForListing();
    const TZipNodeId archive = zip->Selected();
    auto entry = [&](const std::string& name) -> TZipNodeId {
        for (TZipNodeId id : zip->Tree().Node(archive)->Children)
            if (zip->Tree().Node(id)->Name == name) return id;
        return 0;
    };
    ASSERT_NE(entry("notes.txt"), 0u);
    LaunchRecorder launches;
    zip->SelectNode(entry("notes.txt"));
    form.Menus.miBrowse->trigger();
    ASSERT_NE(browsers_->last, nullptr);
    ASSERT_FALSE(browsers_->last->calls.empty());
    EXPECT_TRUE(browsers_->last->calls.back().ends_with("notes.txt")) << browsers_->last->calls.back();
    EXPECT_TRUE(launches.Opened().empty()) << "no extracted file goes to the shell but pages";
    zip->SelectNode(entry("index.htm"));
    form.Menus.miBrowse->trigger();
    const auto opened = launches.Opened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].location.ends_with("index.htm")) << opened[0].location;
    EXPECT_TRUE(fs::exists(opened[0].location));
    ClearCaptureFolders();
}

TEST_F(ArchiveCommands, UnzipPresetsTheSelectionAndDeleteAsksForAFolder) {
    TFormCorvane& form = Start();
    const std::string file = Downloads() + "site.zip";
    MakeZip(file, {{"index.htm", "<p>x</p>"}, {"pics/a.gif", "GIF89a"}, {"pics/b.gif", "GIF89a"}});
    form.Commands->mruFilesMRUItemClick(QString::fromStdString(file));
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    zip->WaitForListing();
    const TZipNodeId archive = zip->Selected();
    TZipNodeId pics = 0;
    for (TZipNodeId id : zip->Tree().Node(archive)->Children)
        if (zip->Tree().Node(id)->Name == "pics") pics = id;
    ASSERT_NE(pics, 0u);
    zip->SelectNode(pics);

    const std::string out = Downloads() + "out";
    bool selected = false;
    OnModal([&](QWidget& dialog) {
        auto& extract = static_cast<TFormExtract&>(dialog);
        selected = extract.rbSelectedFiles->isChecked();
        extract.edExtractTo->setText(QString::fromStdString(out));
        extract.cbOverwrite->setChecked(true);
        QTest::mouseClick(extract.btnExtract, Qt::LeftButton);
    });
    form.Menus.miZipUnzip->trigger();
    EXPECT_TRUE(selected);
    EXPECT_TRUE(fs::exists(out + "/pics/a.gif"));
    EXPECT_FALSE(fs::exists(out + "/index.htm"));

    form.activateWindow();
    zip->tvZip->setFocus();
    QTRY_VERIFY(zip->tvZip->hasFocus());
    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::No, QString::fromStdString(AppLanguage().GetLangStr(msg::ConfirmDeleteFolder1)));
    QTest::keyClick(zip->tvZip, Qt::Key_Delete);
    EXPECT_EQ(ReadZip(file).size(), 3u) << "No keeps the entries";
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
    // The commands on the archive are off without an archive window.
    form.Commands->MenuEnableClick();
    EXPECT_FALSE(form.Menus.miZipDelete->isEnabled());
    EXPECT_FALSE(form.miClose->isEnabled());
}

TEST_F(ArchiveCommands, OpenAsksForTheArchiveWithItsTitle) {
    TFormCorvane& form = Start();
    const std::string file = Downloads() + "picked.zip";
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
    form.cmbURL->setFocus();
    QTRY_VERIFY(form.cmbURL->hasFocus());
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
    form.cbWorkOffline->setFocus();
    QTRY_VERIFY(form.cbWorkOffline->hasFocus());
    form.Commands->mnuEditClick();
    EXPECT_FALSE(form.Menus.miCopy->isEnabled());
    EXPECT_FALSE(form.Menus.miPaste->isEnabled());
}

}  // namespace
}  // namespace corvane::testing
