// Archives as a user meets them in the main window: New File Zip, Browse on an archive, the
// archive keys docked and floated, and which node the Zips tree shows selected.

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <filesystem>
#include <fstream>

#include "app/dock_panel.h"
#include "app/main_commands.h"
#include "archive/form_extract.h"
#include "archive/form_zip.h"
#include "archive/wiz_file_zip.h"
#include "archive/zip_jobs.h"
#include "archive/zip_tree_model.h"
#include "localisation/lang_text.h"
#include "localisation/message_ids.h"
#include "platform/launch/launcher.h"
#include "tests/app/main_window_fixture.h"
#include "tests/archive/hostile_archive.h"
#include "tests/support/launch_recorder.h"
#include "tests/support/screenshot.h"
#include "tests/support/scripted_dialogs.h"
#include "widgets/ext_list_view.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

class ArchiveFaults : public MainWindowFixture {
protected:
    std::string Downloads() { return App->GetDownloadsFolder(); }
    std::string Chosen(const std::string& name, const std::string& content) {
        const std::string folder = home_ + "chosen/";
        fs::create_directories(folder);
        std::ofstream(folder + name) << content;
        return folder + name;
    }
    // The names `unzip -l` lists, one per line.
    static QString UnzipList(const std::string& zip_file) {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-l"), QString::fromStdString(zip_file)});
        if (!unzip.waitForFinished(10000)) return {};
        return QString::fromLocal8Bit(unzip.readAllStandardOutput());
    }
    TFormZip* OpenArchive(TFormCorvane& form, const std::string& name, const EntryContents& entries) {
        MakeZip(Downloads() + name, entries);
        form.Commands->mruFilesMRUItemClick(QString::fromStdString(Downloads() + name));
        TFormZip* zip = form.Views().FormZip;
        if (zip) zip->WaitForListing();
        return zip;
    }
    // The node the tree draws selected, 0 when none or more than one.
    static TZipNodeId Highlighted(TFormZip& zip) {
        const QModelIndexList rows = zip.tvZip->selectionModel()->selectedIndexes();
        return rows.size() == 1 ? zip.TreeModel().NodeOf(rows.front()) : 0;
    }
    // The archive whose entries the list shows (0: none, or entries of several).
    static TZipNodeId ListedArchive(TFormZip& zip) {
        TZipNodeId archive = 0;
        for (int row = 0; row < zip.lvZip->Items().Count(); ++row) {
            const TZipNode* node = zip.Tree().Node(zip.lvZip->Items().Data(row).toULongLong());
            if (node == nullptr || (archive != 0 && node->Archive != archive)) return 0;
            archive = node->Archive;
        }
        return archive;
    }
    bool Focus(QWidget& widget) {
        widget.window()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(widget.window()));
        widget.setFocus();
        return QTest::qWaitFor([&] { return widget.hasFocus(); }, 5000);
    }
    // Answers the file zip wizard: New or Open, Add when asked (their file dialogs scripted by the
    // caller), then Next until Finish.
    static void AnswerWizard(bool open_existing, bool add = true) {
        OnModal([open_existing, add](QWidget& dialog) {
            auto* wizard = qobject_cast<TwizFileZip*>(&dialog);
            ASSERT_NE(wizard, nullptr);
            (open_existing ? wizard->btnOpenZip : wizard->btnNewZip)->click();
            wizard->btnNext->click();
            if (add) wizard->btnAddFiles->click();
            wizard->btnNext->click();
            wizard->btnNext->click();
        });
    }
};
using ArchiveFaultsNewFileZip = ArchiveFaults;
using ArchiveFaultsBrowse = ArchiveFaults;
using ArchiveFaultsKeys = ArchiveFaults;
using ArchiveFaultsSelection = ArchiveFaults;

TEST_F(ArchiveFaultsNewFileZip, AddsTheChosenFilesToANewAndToAnExistingArchive) {
    TFormCorvane& form = Start();
    const std::string a = Chosen("a.txt", "alpha"), b = Chosen("b.htm", "<p>b</p>");
    const std::string made = Downloads() + "made.zip";
    {
        // F6 in a window where no capture ever added.
        ScriptedFileDialogs dialogs;
        dialogs.Expect(FileDialogKind::Save, {made});
        dialogs.Expect(FileDialogKind::OpenMany, {a, b});
        ScriptedMessageBoxes boxes;
        AnswerWizard(false);
        ASSERT_TRUE(Focus(*form.centralWidget()));
        QTest::keyClick(&form, Qt::Key_F6);
        EXPECT_TRUE(boxes.shown.empty()) << "nothing is skipped";
    }
    ASSERT_NE(form.Views().FormZip, nullptr);
    TFormZip& zip = *form.Views().FormZip;
    zip.WaitForListing();
    const QString made_listed = UnzipList(made);
    EXPECT_TRUE(made_listed.contains(QStringLiteral("a.txt"))) << made_listed.toStdString();
    EXPECT_TRUE(made_listed.contains(QStringLiteral("b.htm"))) << made_listed.toStdString();

    // Into an archive not open yet, which is listed in the background: one chosen file vanished
    // before the add, and that is said.
    const std::string kept = Downloads() + "kept.zip";
    MakeZip(kept, {{"old.txt", "old"}});
    const std::string c = Chosen("c.txt", "gamma"), gone = Chosen("gone.txt", "x");
    {
        ScriptedFileDialogs dialogs;
        dialogs.Expect(FileDialogKind::Open, {kept});
        dialogs.Expect(FileDialogKind::OpenMany, {c, gone});
        fs::remove(gone);
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::OK, QStringLiteral("Some files were skipped while adding."));
        AnswerWizard(true);
        form.Menus.miZipNewFileZip->trigger();
    }
    zip.WaitForListing();
    const QString kept_listed = UnzipList(kept);
    EXPECT_TRUE(kept_listed.contains(QStringLiteral("old.txt"))) << kept_listed.toStdString();
    EXPECT_TRUE(kept_listed.contains(QStringLiteral("c.txt"))) << kept_listed.toStdString();
    const TZipNodeId archive = zip.Tree().FindArchive(kept);
    ASSERT_NE(archive, 0u);
    EXPECT_EQ(zip.Tree().Children(archive).size(), 2u) << "each entry once";
    EXPECT_EQ(zip.Selected(), archive);
    SaveScreenshot(zip, QStringLiteral("-new-file-zip"));
}

TEST_F(ArchiveFaultsBrowse, BrowseOnTheTopNodeOpensTheFirstPage) {
    TFormCorvane& form = Start();
    SetCaptureFolder("temp", App->GetTempFolder());
    TFormZip* zip = OpenArchive(form, "site.zip",
                                {{"pics/a.gif", "GIF89a"}, {"site/index.htm", "<p>start</p>"}, {"site/more.htm", "m"}});
    ASSERT_NE(zip, nullptr);
    const TZipNodeId archive = zip->Tree().FindArchive(Downloads() + "site.zip");
    ASSERT_EQ(zip->Selected(), archive);
    LaunchRecorder launches;
    form.Menus.miBrowse->trigger();
    const auto opened = launches.Opened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].location.ends_with("/site/index.htm")) << opened[0].location;
    EXPECT_EQ(ReadBytes(opened[0].location), "<p>start</p>");
    EXPECT_EQ(zip->Selected(), archive) << "the selection stays";
    SaveScreenshot(*zip, QStringLiteral("-browse-top"));

    // With no program to open the page, the user is told so.
    launches.fail = true;
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::OK, LangText(msg::LaunchFailed));
        form.Menus.miBrowse->trigger();
    }
    ClearCaptureFolders();
}

TEST_F(ArchiveFaultsKeys, UnzipRenameAndDeleteKeysActDockedAndFloated) {
    TFormCorvane& form = Start();
    const std::string file = Downloads() + "site.zip";
    // The archive is reopened from the File menu, which opens while no archive window exists.
    form.miFile->popup(form.mapToGlobal(QPoint(10, 10)));
    form.miFile->close();
    TFormZip* zip = OpenArchive(form, "site.zip", {{"index.htm", "<p>x</p>"}, {"a.txt", "a"}, {"b.txt", "b"}});
    ASSERT_NE(zip, nullptr);
    const TZipNodeId archive = zip->Selected();
    auto editing = [zip] {
        auto* editor = zip->tvZip->viewport()->findChild<QLineEdit*>();
        return editor != nullptr && editor->isVisible();
    };
    for (const bool floated : {false, true}) {
        SCOPED_TRACE(floated ? "floated" : "docked");
        if (floated) {
            form.DockSite->Float(zip);
            ASSERT_TRUE(form.DockSite->FindFrame(zip)->Floating());
        }
        zip->SelectNode(archive);
        ASSERT_TRUE(Focus(*zip->tvZip));
        bool unzip = false;
        OnModal([&](QWidget& dialog) {
            unzip = qobject_cast<TFormExtract*>(&dialog) != nullptr;
            static_cast<QDialog&>(dialog).reject();
        });
        QTest::keyClick(zip->tvZip, Qt::Key_U, Qt::ControlModifier);
        EXPECT_TRUE(unzip);
        ASSERT_TRUE(Focus(*zip->tvZip));
        QTest::keyClick(zip->tvZip, Qt::Key_R, Qt::ControlModifier);
        EXPECT_TRUE(editing());
        if (editing()) QTest::keyClick(zip->tvZip->viewport()->findChild<QLineEdit*>(), Qt::Key_Escape);
        const std::string name = floated ? "b.txt" : "a.txt";
        zip->SelectNode(zip->Tree().Obj(archive)->Entries.find(name)->second);
        zip->WaitForListing();
        ASSERT_TRUE(Focus(*zip->tvZip));
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::Yes, QString::fromStdString(name));
        QTest::keyClick(zip->tvZip, Qt::Key_Delete);
        EXPECT_EQ(boxes.shown.size(), 1u);
        EXPECT_FALSE(UnzipList(file).contains(QString::fromStdString(name)));
        zip->WaitForListing();
        if (floated) SaveScreenshot(*zip, QStringLiteral("-keys-floated"));
    }

    // The window goes while another archive is still being listed: the worker ends with it.
    MakeZip(Downloads() + "late.zip", {{"c.txt", "c"}});
    form.Commands->mruFilesMRUItemClick(QString::fromStdString(Downloads() + "late.zip"));
    form_.reset();
    EXPECT_EQ(ZipJobCount(), 0u);
}

TEST_F(ArchiveFaultsSelection, TheShownArchiveIsTheSelectedNode) {
    TFormCorvane& form = Start();
    const std::string other = Downloads() + "other.zip";
    ASSERT_NE(OpenArchive(form, "other.zip", {{"o1.txt", "1"}, {"o2.txt", "2"}}), nullptr);
    TFormZip* zip = OpenArchive(form, "first.zip", {{"f1.txt", "1"}, {"f2.txt", "2"}, {"f3.txt", "3"}});
    ASSERT_NE(zip, nullptr);
    // The wizard of the archive window makes a new, empty archive.
    {
        ScriptedFileDialogs dialogs;
        dialogs.Expect(FileDialogKind::Save, {Downloads() + "second.zip"});
        AnswerWizard(false, false);
        ASSERT_TRUE(Focus(*zip->tvZip));
        QTest::keyClick(zip->tvZip, Qt::Key_A, Qt::ControlModifier);
    }
    zip->WaitForListing();
    const TZipNodeId second = zip->Tree().FindArchive(Downloads() + "second.zip");
    ASSERT_NE(second, 0u);
    EXPECT_EQ(zip->Selected(), second);
    EXPECT_EQ(Highlighted(*zip), second);
    EXPECT_EQ(zip->lvZip->Items().Count(), 0) << "the list shows the new archive";
    EXPECT_EQ(zip->PagesModel().Count(), 0);

    // A second start hands over an archive open already, while another one is still being listed.
    MakeZip(Downloads() + "third.zip", {{"t1.htm", "1"}, {"t2.htm", "2"}, {"t3.htm", "3"}});
    form.Commands->mruFilesMRUItemClick(QString::fromStdString(Downloads() + "third.zip"));
    form.Applicata1Param(QString::fromStdString(other));
    zip->WaitForListing();
    const TZipNodeId handed = zip->Tree().FindArchive(other);
    EXPECT_EQ(zip->Selected(), handed);
    EXPECT_EQ(Highlighted(*zip), handed);
    EXPECT_EQ(ListedArchive(*zip), handed);
    EXPECT_EQ(zip->lvZip->Items().Count(), 2);
    EXPECT_EQ(zip->CurrentZipFileName(), other);
    SaveScreenshot(*zip, QStringLiteral("-selection"));
}

}  // namespace
}  // namespace corvane::testing
