#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/support/gui_app.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/screenshot.h"
#include "widgets/file_dialogs.h"

namespace corvane {
namespace {

using testing::ScriptedFileDialogs;

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override { testing::GuiApp(); }
};

TEST_F(FileDialogs, ScriptAnswersEachKind) {
    ScriptedFileDialogs dialogs;
    dialogs.Expect(FileDialogKind::Open, {"/data/a.zip", "/data/b.zip"});
    dialogs.ExpectCancel(FileDialogKind::Save);
    dialogs.Expect(FileDialogKind::ChooseFolder, {"/data/out"});
    dialogs.Expect(FileDialogKind::OpenMany, {"/data/1.htm", "/data/2.htm"});

    // A single-path dialog never hands back more than one path.
    EXPECT_EQ(OpenFileDialog(nullptr, "Open Zip", "Zip files (*.zip)", "/data"), "/data/a.zip");
    EXPECT_EQ(SaveFileDialog(nullptr, "Save", "", "/data", "new.zip", "zip"), "");
    EXPECT_EQ(ChooseFolderDialog(nullptr, "Extract to"), "/data/out");
    EXPECT_EQ(RunFileDialog(nullptr, {FileDialogKind::OpenMany, "Add", {}, {}, {}, {}}).size(), 2u);

    ASSERT_EQ(dialogs.shown.size(), 4u);
    EXPECT_EQ(dialogs.shown[0].title, "Open Zip");
    EXPECT_EQ(dialogs.shown[0].folder, "/data");
    EXPECT_EQ(dialogs.shown[1].file_name, "new.zip");
    EXPECT_EQ(dialogs.shown[1].default_suffix, "zip");
}

TEST_F(FileDialogs, UnexpectedDialogsFailAndWorkersAreCancelled) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedFileDialogs dialogs;
            EXPECT_EQ(OpenFileDialog(nullptr, "Open", ""), "");
        },
        "Unexpected file dialog");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedFileDialogs dialogs;
            dialogs.Expect(FileDialogKind::Save, {"/x"});
            OpenFileDialog(nullptr, "Open", "");
        },
        "expected");

    ScriptedFileDialogs dialogs;
    std::string chosen = "unset";
    std::thread worker([&chosen] { chosen = ChooseFolderDialog(nullptr, "From a worker"); });
    worker.join();
    EXPECT_EQ(chosen, "");
    EXPECT_TRUE(dialogs.shown.empty());
}

// The program's own backend: a real QFileDialog, accepted with a file chosen in it.
TEST_F(FileDialogs, QtBackendReturnsTheChosenFile) {
    char pattern[] = "/tmp/corvane-dialog-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    std::ofstream(folder + "/site.zip") << "PK";

    FileDialogBackend* previous = SetFileDialogBackend(nullptr);
    // Types the name into the open dialog and presses Open, as a user would.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (name == nullptr) {
            dialog->reject();
            FAIL() << "no file name box";
        }
        dialog->setObjectName("FileDialogOpen");
        dialog->resize(640, 400);
        name->setText("site.zip");
        testing::SaveScreenshot(*dialog);
        QMetaObject::invokeMethod(dialog, "accept");
        // Still open: the dialog refused the name.
        if (dialog->isVisible()) dialog->reject();
    });
    EXPECT_EQ(OpenFileDialog(nullptr, "Open Zip", "Zip files (*.zip)", folder), folder + "/site.zip");
    QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
    });
    EXPECT_EQ(ChooseFolderDialog(nullptr, "Choose", folder), "");
    SetFileDialogBackend(previous);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace corvane
