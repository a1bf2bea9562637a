// The main window's life cycle: bounds, once-only steps, the command line, drops, the upgrade step,
// the exit clean-up, the language menu, the tray, and a close asked by a signal.

#include <gtest/gtest.h>

#include <QActionGroup>
#include <QComboBox>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "app/dock_panel.h"
#include "app/exit_cleanup.h"
#include "app/folder_dialog_backend.h"
#include "app/form_explore.h"
#include "app/form_status.h"
#include "app/product_version.h"
#include "app/upgrade_settings.h"
#include "app/window_bounds.h"
#include "archive/form_zip.h"
#include "archive/wiz_file_zip.h"
#include "engine/model/task.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "localisation/app_language.h"
#include "localisation/lang_file_edit.h"
#include "localisation/lang_source.h"
#include "platform/registry/registry_store.h"
#include "platform/rtl/paths.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/screenshot.h"
#include "tests/support/wait_until.h"
#include "widgets/drop_target.h"
#include "widgets/hyper_label.h"
#include "widgets/mru_file_list.h"
#include "widgets/transparent_button.h"
#include "widgets/tray_icon.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

void Touch(const std::string& path, const std::string& text = "x") {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
}

std::string Stored(const char* name) { return RegRead<std::string>(kFormCorvaneKey, name, "?"); }

std::vector<std::string> TaskFiles() {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(App->TasksDir, ec))
        if (entry.path().extension() == ".cvt") files.push_back(entry.path().string());
    return files;
}

class MainWindow : public MainWindowFixture {
protected:
    // Drops local files on the window as a file manager would.
    void DropFiles(QWidget& target, const QStringList& files) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& file : files) urls.push_back(QUrl::fromLocalFile(file));
        data.setUrls(urls);
        const Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(QPoint(40, 200), all, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&target, &enter);
        QDropEvent drop(QPointF(40, 200), all, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&target, &drop);
    }
};

TEST_F(MainWindow, StoredBoundsTakeTheirFloorsAndAMinimisedCloseKeepsThem) {
    StoreWindowBounds(QRect(-20, 30, 500, 300));
    TFormCorvane& form = Start();
    ASSERT_TRUE(form.Activated());
    EXPECT_EQ(form.geometry().size(), QSize(640, 480));
    EXPECT_EQ(StoredWindowBounds({}), QRect(0, 30, 640, 480));

    // Off every screen: moved onto the primary one.
    EXPECT_EQ(StoredWindowBounds({QRect(0, 0, 800, 600)}).topLeft(), QPoint(0, 30));
    StoreWindowBounds(QRect(5000, 4000, 700, 500));
    EXPECT_EQ(StoredWindowBounds({QRect(0, 0, 800, 600), QRect(800, 0, 800, 600)}), QRect(0, 0, 700, 500));

    StoreWindowBounds(QRect(10, 20, 700, 500));
    form.showMinimized();
    WAIT_UNTIL(form.isMinimized());
    EXPECT_TRUE(form.close());
    EXPECT_EQ(Stored("Left"), "10");
    EXPECT_EQ(Stored("Width"), "700");
    EXPECT_EQ(Stored("Height"), "500");
}

TEST_F(MainWindow, OnceOnlyStepsRunOnce) {
    TFormCorvane& form = Start();
    TFormStatus* status = form.Views().FormStatus;
    const QRect bounds = form.geometry();
    StoreWindowBounds(QRect(50, 60, 800, 600));
    form.FormShow();
    form.FormActivate();
    form.FormPaint();
    form.repaint();
    QTest::qWait(30);
    EXPECT_EQ(form.geometry(), bounds) << "the stored bounds are read at the first activation only";
    EXPECT_EQ(form.Views().FormStatus, status);
    EXPECT_EQ(form.pnlStatus->Clients().size(), 1u);
    ASSERT_NE(form.Runner(), nullptr);
    EXPECT_EQ(form.windowTitle(), QString::fromStdString(ProductCaption()));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Corvane 3.0 Beta 3"));
    // Offscreen has no tray: its hint and menu stand for it.
    EXPECT_EQ(form.TrayIcon->Hint(), QStringLiteral("Corvane 3.0 Beta 3"));
    EXPECT_EQ(form.TrayIcon->PopupMenu(), form.popMain);
    EXPECT_TRUE(form.TrayIcon->Active());
}

TEST_F(MainWindow, WebAddressOnTheCommandLineOpensTheNewTaskDialog) {
    for (const QString& url : {QStringLiteral("HTTP://h.test"), QStringLiteral("https://h.test/")}) {
        QString title;
        OnModal([&](QWidget& dialog) {
            title = dialog.windowTitle();
            static_cast<QDialog&>(dialog).reject();
        });
        Start({url});
        WAIT_UNTIL(!title.isEmpty());
        EXPECT_EQ(title, QStringLiteral("Create New Task")) << url.toStdString();
        QTest::qWait(20);
        EXPECT_TRUE(TaskFiles().empty()) << "a cancelled dialog leaves no task file";
        EXPECT_TRUE(form_->mruURLs->Items().isEmpty());
        form_.reset();
    }
}

TEST_F(MainWindow, TaskFileOnTheCommandLineReachesTheTaskTreeAfterTheFirstPaint) {
    TCVTask task;
    task.FileName = home_ + "X.CVT";
    task.Name = "X";
    task.URL = "http://h.test/";
    task.Save();
    QString title;
    bool painted_first = false;
    OnModal([&](QWidget& dialog) {
        title = dialog.windowTitle();
        painted_first = form_->Tag == kTagPainted && form_->Views().FormScheduler != nullptr;
        static_cast<QDialog&>(dialog).reject();
    });
    Start({QString::fromStdString(task.FileName)});
    WAIT_UNTIL(!title.isEmpty());
    EXPECT_EQ(title, QStringLiteral("Add a Task"));
    EXPECT_TRUE(painted_first);
}

TEST_F(MainWindow, DroppedFilesAndHandedOverArchives) {
    TFormCorvane& form = Start();
    const std::string a = home_ + "a.zip", b = home_ + "b.zip";
    // Two archives: the wizard, even though both are archives.
    std::vector<std::string> wizard_files;
    OnModal([&](QWidget& dialog) {
        auto* wizard = qobject_cast<TwizFileZip*>(&dialog);
        if (wizard) {
            for (int i = 0; i < wizard->FileList.Count(); ++i) wizard_files.push_back(wizard->FileList[i]);
        }
        static_cast<QDialog&>(dialog).reject();
    });
    DropFiles(form, {QString::fromStdString(a), QString::fromStdString(b)});
    WAIT_EQ(wizard_files.size(), std::size_t{2});
    EXPECT_EQ(wizard_files[0], a);
    ASSERT_NE(form.Views().FormZip, nullptr);

    // A URL handed over is ignored.
    form.Applicata1Param(QStringLiteral("http://h.test/"));
    QTest::qWait(20);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(TaskFiles().empty());
}

TEST_F(MainWindow, UpgradeMovesTaskFilesWithoutReplacingAny) {
    Touch(App->TasksDir + "a.cvt", "new a");
    Touch(App->TasksDir + "b.dwn", "queue b");
    Touch(App->TasksDir + "General/a.cvt", "old a");
    App->UpdateActiveTasks({App->TasksDir + "b.cvt"}, true);
    Touch(App->TasksDir + "b.cvt", "task b");
    fs::remove(App->GetDownloadsFolder());

    const TUpgradeResult result = UpgradeSettings();
    EXPECT_TRUE(result.Ran);
    EXPECT_EQ(result.Moved, 2);
    EXPECT_EQ(result.Skipped, 1);
    EXPECT_EQ(RegRead<std::string>(kProductKey, "Version", ""), ProductVersionText());
    EXPECT_TRUE(fs::is_directory(App->DownloadsFolder.empty() ? home_ + "Downloads" : App->DownloadsFolder));
    std::ifstream kept(App->TasksDir + "General/a.cvt");
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ(text, "old a") << "a clash never replaces a file";
    EXPECT_TRUE(fs::exists(App->TasksDir + "a.cvt"));
    EXPECT_TRUE(fs::exists(App->TasksDir + "General/b.dwn"));
    EXPECT_GE(App->ActiveTasks.IndexOf(App->TasksDir + "General/b.cvt"), 0) << "an active task stays listed";
    // The file-type registrations were imported (and awaited).
    EXPECT_TRUE(store_->KeyExists("\\Software\\Brellium\\Corvane\\File Types"));

    EXPECT_FALSE(UpgradeSettings().Ran) << "nothing to do for the same version";
}

TEST_F(MainWindow, ExitDeletesOnlyTheProgramsOwnTemporaryFolder) {
    const std::string outside = home_ + "outside/";
    Touch(outside + "keep.htm");
    // The program's own folder, with a link inside to a folder of the user.
    const std::string own = App->GetTempFolder();
    ASSERT_TRUE(fs::exists(own + kTempFolderMarker));
    Touch(own + "page.htm");
    fs::create_directory_symlink(outside, own + "link");
    // A user's folder that merely carries the product's name.
    const std::string users = home_ + "my corvane pages/";
    Touch(users + "mine.htm");
    // A link to a marked folder is not followed either.
    const std::string marked_elsewhere = home_ + "elsewhere/";
    Touch(marked_elsewhere + kTempFolderMarker);
    fs::create_directory_symlink(marked_elsewhere, home_ + "linked");

    EXPECT_FALSE(DeleteTempCaptureFolder(users));
    EXPECT_TRUE(fs::exists(users + "mine.htm"));
    EXPECT_FALSE(DeleteTempCaptureFolder(home_ + "linked/"));
    EXPECT_TRUE(fs::exists(marked_elsewhere + kTempFolderMarker));

    TFormCorvane& form = Start();
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(fs::exists(own));
    EXPECT_TRUE(fs::exists(outside + "keep.htm")) << "the link inside was not followed";
}

TEST_F(MainWindow, LanguageSwitchIsStoredAndRebuildsHints) {
    const std::string dir = home_ + "lang/";
    fs::create_directories(dir);
    {
        TkLangFileEdit file(dir + "Test.lng");
        ParseLangSource("charset 0\nbidimode 0\nmsg 684 IntranetModeHint1 \"Intranetz\"\n"
                        "msg 730 ProfileHint1 \"Profil\"\n"
                        "prop 791 FormCorvane Caption \"Falsch\"\nprop 792 FormCorvane lblExplore.Caption \"Erkunden\"\n",
                        file);
        file.Save();
    }
    TkLangFileEdit native(dir + "Native.lng");
    ParseLangSource("charset 0\nbidimode 0\n", native);
    native.Save();
    const std::string old_dir = AppLanguage().LangDir();
    AppLanguage().SetLangDir(dir);
    TFormCorvane& form = Start();

    QList<QAction*> items = form.miLanguage->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), QStringLiteral("English")) << "Native is shown as English";
    EXPECT_TRUE(items[0]->isChecked());
    form.miLanguage->setActiveAction(items[1]);
    items[1]->trigger();
    EXPECT_EQ(App->Language, "Test");
    EXPECT_EQ(RegRead<std::string>(kSettingsKey, "Language", ""), "Test");
    EXPECT_TRUE(items[1]->isChecked());
    EXPECT_EQ(form.lblExplore->text(), QStringLiteral("Erkunden"));
    EXPECT_TRUE(form.btnIntranetMode->toolTip().startsWith(QStringLiteral("Intranetz\n")));
    EXPECT_TRUE(form.btnIntranetMode->toolTip().endsWith(QString::fromStdString(App->GetIntranetFolder())));
    EXPECT_TRUE(form.cmbProfile->toolTip().startsWith(QStringLiteral("Profil\n")));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Corvane 3.0 Beta 3")) << "the caption is not translated";
    items[0]->trigger();
    EXPECT_EQ(App->Language, "Native");
    AppLanguage().SetLangDir(old_dir);
}

TEST_F(MainWindow, QuietCloseRejectsDialogsAndAsksNothing) {
    QString title;
    OnModal([&](QWidget& dialog) {
        title = dialog.windowTitle();
        // As the signal does, while the dialog is up.
        form_->CloseQuietly();
    });
    // The window may go before its first paint.
    TFormCorvane& form = Make({QStringLiteral("http://h.test/")});
    form.show();
    WAIT_UNTIL(!form.isVisible() && !title.isEmpty());
    EXPECT_EQ(title, QStringLiteral("Create New Task"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(TaskFiles().empty());
}

TEST_F(MainWindow, FoldersAreChosenInTheShellsFolderDialog) {
    TProgramFileDialogs backend;
    FileDialogBackend* previous = SetFileDialogBackend(&backend);
    QString shown;
    OnModal([&](QWidget& dialog) {
        shown = QString::fromLatin1(dialog.metaObject()->className());
        static_cast<QDialog&>(dialog).reject();
    });
    EXPECT_EQ(ChooseFolderDialog(nullptr, QStringLiteral("Pick"), home_), "");
    EXPECT_EQ(shown, QStringLiteral("corvane::shell::TPTFrmFolderBrowseDlg"));
    shown.clear();
    OnModal([&](QWidget& dialog) {
        shown = QString::fromLatin1(dialog.metaObject()->className());
        static_cast<QDialog&>(dialog).reject();
    });
    EXPECT_EQ(OpenFileDialog(nullptr, QStringLiteral("Open"), QStringLiteral("*.zip"), home_), "");
    EXPECT_EQ(shown, QStringLiteral("QFileDialog"));
    EXPECT_EQ(SetFileDialogBackend(previous), &backend) << "the backend is back in place after the files";
}

TEST_F(MainWindow, Screenshot) {
    TFormCorvane& form = Start();
    form.resize(900, 600);
    form.mruURLs->AddItem(QStringLiteral("http://example.test/"));
    form.cmbURL->setEditText(QStringLiteral("http://example.test/"));
    form.Views().ShowExploreView();
    WAIT_UNTIL(form.Views().FormExplore->isVisible() && form.pnlBottomDock->Extent() > 0);
    SaveScreenshot(form);
}

}  // namespace
}  // namespace corvane::testing
