// Moving an archive to the Trash from the archive view, as a user does it: the question stays
// answerable however long it is up, Yes sends exactly that file to the Trash and No keeps it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <fstream>

#include "app/main_commands.h"
#include "archive/form_zip.h"
#include "shell/ns/trash.h"
#include "shell/ui/qt_shell_ui.h"
#include "tests/app/main_window_fixture.h"
#include "tests/archive/hostile_archive.h"
#include "tests/support/patient_boxes.h"
#include "tests/support/scoped_env.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class DeleteSafetyArchive : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ::setenv("XDG_DATA_HOME", (home_ + "xdg").c_str(), 1);
        previous_ui_ = shell::SetShellUi(&shell_ui_);
    }
    void TearDown() override {
        shell::SetShellUi(previous_ui_);
        MainWindowFixture::TearDown();
    }

    // "Foo; Bar.zip" open in the archive view, beside a folder "Foo" that a list would name.
    TFormZip* OpenArchive(TFormCorvane& form) {
        const std::string downloads = App->GetDownloadsFolder();
        archive_ = downloads + "Foo; Bar.zip";
        MakeZip(archive_, {{"index.htm", "<p>x</p>"}});
        fs::create_directories(downloads + "Foo");
        std::ofstream(downloads + "Foo/page.htm") << "kept";
        form.Commands->mruFilesMRUItemClick(QString::fromStdString(archive_));
        TFormZip* zip = form.Views().FormZip;
        if (zip != nullptr) zip->WaitForListing();
        return zip;
    }
    bool Focus(QWidget& widget) {
        widget.window()->activateWindow();
        widget.setFocus();
        return QTest::qWaitFor([&] { return widget.hasFocus(); }, 5000);
    }
    std::vector<std::string> Trashed() const {
        std::vector<std::string> names;
        for (const shell::TrashEntry& entry : shell::ListHomeTrash()) names.push_back(entry.originalName);
        return names;
    }

    SavedEnv data_home_{"XDG_DATA_HOME"};
    shell::TQtShellUi shell_ui_{shell::ShellTiming{150ms}};
    shell::TShellUi* previous_ui_ = nullptr;
    std::string archive_;
};

TEST_F(DeleteSafetyArchive, YesFromThePopupMenuTrashesTheArchiveAlone) {
    TFormCorvane& form = Start();
    TFormZip* zip = OpenArchive(form);
    ASSERT_NE(zip, nullptr);
    ASSERT_EQ(zip->Tree().Archives().size(), 1u);
    ASSERT_TRUE(Focus(*zip->tvZip));

    PatientBoxes boxes(400ms);
    boxes.Expect("Yes", "ArchiveTrashQuestion");
    bool chosen = false;
    QTimer::singleShot(0, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        popup->setActiveAction(form.Menus.miZipDelete);
        chosen = true;
        QTest::keyClick(popup, Qt::Key_Return);
    });
    const QPoint at = zip->tvZip->visualRect(zip->tvZip->currentIndex()).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, zip->tvZip->viewport()->mapToGlobal(at));
    QApplication::sendEvent(zip->tvZip->viewport(), &click);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.texts.empty(); }, 10000));
    EXPECT_TRUE(chosen);

    EXPECT_EQ(boxes.texts, std::vector<QString>{"Are you sure you want to move 'Foo; Bar.zip' to the Trash?"});
    EXPECT_EQ(boxes.progress_over_a_box, 0);
    EXPECT_FALSE(fs::exists(archive_));
    EXPECT_EQ(Trashed(), std::vector<std::string>{"Foo; Bar.zip"});
    EXPECT_TRUE(fs::exists(App->GetDownloadsFolder() + "Foo/page.htm"));
    EXPECT_TRUE(zip->Tree().Archives().empty());
}

TEST_F(DeleteSafetyArchive, NoAfterTheDeleteKeyKeepsEverything) {
    TFormCorvane& form = Start();
    TFormZip* zip = OpenArchive(form);
    ASSERT_NE(zip, nullptr);
    ASSERT_TRUE(Focus(*zip->tvZip));
    {
        PatientBoxes boxes(400ms);
        boxes.Expect("No");
        QTest::keyClick(zip->tvZip, Qt::Key_Delete);
        EXPECT_EQ(boxes.texts.size(), 1u);
        EXPECT_EQ(boxes.progress_over_a_box, 0);
    }
    EXPECT_TRUE(fs::exists(archive_));
    EXPECT_TRUE(Trashed().empty());
    EXPECT_TRUE(fs::exists(App->GetDownloadsFolder() + "Foo/page.htm"));
    EXPECT_EQ(zip->Tree().Archives().size(), 1u);
    EXPECT_EQ(shell_ui_.ProgressDialog(), nullptr);
}

}  // namespace
}  // namespace corvane::testing
