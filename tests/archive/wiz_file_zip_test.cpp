#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <memory>

#include "archive/wiz_file_zip.h"
#include "archive/xceed_zip.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "localisation/form_capture.h"
#include "localisation/lang_source.h"
#include "platform/rtl/paths.h"
#include "shell/ns/shell_paths.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/screenshot.h"
#include "widgets/lang_adapters/widget_lang_adapters.h"
#include "widgets/track_bar95.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::WriteBytes;

const QString kNameFault = "The archive name needs a folder and a file name.\nFor example:";

class WizFileZip : public testing::FreshHome {
protected:
    void SetUp() override {
        RegisterWidgetLangAdapters();
        FreshHome::SetUp();
        files_ = home_ + "files/";
        for (const char* name : {"A.txt", "a.txt", "b.htm"}) WriteBytes(files_ + name, name);
        fs::create_directories(files_ + "sub");
    }

    // As the archive window shows it: its archive's name and the files dropped on it.
    std::unique_ptr<TwizFileZip> Show(const std::vector<std::string>& dropped = {}, const std::string& archive = {}) {
        auto wizard = std::make_unique<TwizFileZip>(*zip_);
        wizard->SetFileName(archive);
        for (const std::string& path : dropped) wizard->FileList.Add(path);
        wizard->show();
        return wizard;
    }
    // Near the left edge: radio buttons and check boxes take clicks on their mark and text only.
    static void Click(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(std::min(12, button->width() / 2), button->height() / 2));
    }
    static void ClickItem(TwizFileZip& wizard, int row, Qt::KeyboardModifiers keys = {}) {
        QTreeWidget* list = wizard.lvFiles;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, list->visualItemRect(list->topLevelItem(row)).center());
    }
    static void Type(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
    }
    // From page 1 to Finish.
    static void NextToFinish(TwizFileZip& wizard) {
        for (int page = wizard.PageIndex(); page <= 2; ++page) Click(wizard.btnNext);
    }

    TXceedZipPtr zip_ = TXceedZip::Create();
    // The application first: it installs the strict scripts these two go on top of.
    bool app_made_ = (testing::GuiApp(), true);
    testing::ScriptedMessageBoxes boxes_;
    testing::ScriptedFileDialogs dialogs_;
    std::string files_;
};

TEST_F(WizFileZip, PageOneWantsAnAbsoluteFolderAndAFileName) {
    auto wizard = Show();
    EXPECT_EQ(wizard->FileName(), home_ + "Downloads/");  // no "Zip Folder": the downloads folder
    EXPECT_FALSE(wizard->btnBack->isEnabled());
    testing::SaveScreenshot(*wizard, "-page1");
    for (const char* bad : {"x.zip", ".zip", "/tmp/.zip", "rel/dir/x.zip", "/tmp/..", "x"}) {
        boxes_.Expect(MsgButton::OK, kNameFault);
        Type(wizard->edFilename, bad);
        Click(wizard->btnNext);
        EXPECT_EQ(wizard->PageIndex(), 0) << bad;
    }
    EXPECT_EQ(wizard->FileName(), "x.zip");  // the extension is added even to a refused name
    EXPECT_EQ(boxes_.shown.at(0).kind, MsgKind::Error);

    Type(wizard->edFilename, "~/pages");
    Click(wizard->btnNext);
    EXPECT_EQ(wizard->FileName(), shell::HomeDir() + "/pages.zip");
    EXPECT_EQ(wizard->PageIndex(), 1);
    Click(wizard->btnBack);
    Type(wizard->edFilename, "/tmp/d/x");
    QTest::keyClick(wizard->edFilename, Qt::Key_Return);  // Return is Next
    EXPECT_EQ(wizard->FileName(), "/tmp/d/x.zip");
    EXPECT_EQ(wizard->PageIndex(), 1);
    EXPECT_TRUE(wizard->btnBack->isEnabled());
    EXPECT_EQ(wizard->btnNext->text(), "Next >");
    Click(wizard->btnNext);
    EXPECT_EQ(wizard->btnNext->text(), "Finish");
    testing::SaveScreenshot(*wizard, "-page3");
    Click(wizard->btnBack);
    EXPECT_EQ(wizard->btnNext->text(), "Next >");
    // Escape cancels, here from the file list.
    wizard->lvFiles->setFocus();
    QTest::keyClick(wizard->lvFiles, Qt::Key_Escape);
    EXPECT_EQ(wizard->result(), QDialog::Rejected);
    EXPECT_FALSE(wizard->isVisible());
}

TEST_F(WizFileZip, NewReplacesTheChosenFileOnlyAtFinish) {
    const std::string old = files_ + "old.zip";
    WriteBytes(old, "old archive");
    RegWriteValue(kSettingsKey, "Zip Folder", files_);
    {
        auto wizard = Show();
        EXPECT_EQ(wizard->FileName(), files_);
        dialogs_.Expect(FileDialogKind::Save, {old});
        Click(wizard->btnNewZip);
        EXPECT_EQ(dialogs_.shown.back().folder, files_);
        EXPECT_FALSE(wizard->OpenExisting);
        EXPECT_FALSE(wizard->rbFreshen->isEnabled());
        Click(wizard->btnCancel);
        EXPECT_EQ(wizard->result(), QDialog::Rejected);
    }
    EXPECT_EQ(ReadBytes(old), "old archive");

    auto wizard = Show();
    dialogs_.Expect(FileDialogKind::Save, {old});
    Click(wizard->btnNewZip);
    NextToFinish(*wizard);
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
    EXPECT_FALSE(fs::exists(old));
    EXPECT_FALSE(wizard->OpenExisting);

    // A folder chosen as the new archive is never removed: Finish refuses and stays.
    const std::string folder = files_ + "dir.zip";
    WriteBytes(folder + "/keep.txt", "kept");
    wizard = Show();
    dialogs_.Expect(FileDialogKind::Save, {folder});
    Click(wizard->btnNewZip);
    boxes_.Expect(MsgButton::OK, "The existing file could not be replaced:\n" + QString::fromStdString(folder));
    NextToFinish(*wizard);
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(ReadBytes(folder + "/keep.txt"), "kept");

    // Another name typed after New: an existing archive there is opened, never replaced; a missing
    // one is created, not opened.
    const std::string other = files_ + "other.zip";
    WriteBytes(other, "other archive");
    Click(wizard->btnBack);
    Click(wizard->btnBack);
    Type(wizard->edFilename, QString::fromStdString(other));
    NextToFinish(*wizard);
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
    EXPECT_TRUE(wizard->OpenExisting);
    EXPECT_EQ(ReadBytes(other), "other archive");
    wizard = Show({}, files_ + "missing.zip");
    NextToFinish(*wizard);
    EXPECT_FALSE(wizard->OpenExisting);
}

TEST_F(WizFileZip, DroppedFilesAndFolders) {
    auto three = Show({files_ + "A.txt", files_ + "a.txt", files_ + "b.htm"});
    EXPECT_EQ(three->windowTitle(), "File Zip Wizard - 3 files dropped.");
    auto one = Show({files_ + "b.htm"});
    EXPECT_EQ(one->windowTitle(), "File Zip Wizard - 1 file dropped.");

    auto folder = Show({files_ + "sub", files_ + "b.htm"}, files_ + "pages.zip");
    Click(folder->btnNext);
    EXPECT_TRUE(folder->cbRecurse->isVisible());
    EXPECT_TRUE(folder->cbRecurse->isChecked());
    EXPECT_EQ(folder->lvFiles->topLevelItem(1)->text(1).toStdString(), files_ + "sub/");
    // The folder's item removes the folder.
    ClickItem(*folder, 1);
    Click(folder->btnRemoveFiles);
    EXPECT_EQ(folder->FileList.Items(), std::vector<std::string>{files_ + "b.htm"});
    NextToFinish(*folder);
    EXPECT_TRUE(zip_->Recurse);
}

TEST_F(WizFileZip, AddAndRemoveKeepFilesDifferingInCase) {
    auto wizard = Show({files_ + "b.htm"}, files_ + "pages.zip");
    Click(wizard->btnNext);
    dialogs_.Expect(FileDialogKind::OpenMany, {files_ + "a.txt", files_ + "A.txt", files_ + "b.htm"});
    Click(wizard->btnAddFiles);
    EXPECT_EQ(wizard->FileList.Items(),
              (std::vector<std::string>{files_ + "A.txt", files_ + "a.txt", files_ + "b.htm"}));
    ASSERT_EQ(wizard->lvFiles->topLevelItemCount(), 3);
    EXPECT_EQ(wizard->lvFiles->topLevelItem(1)->text(0), "a.txt");
    testing::SaveScreenshot(*wizard);

    // Two items chosen with the mouse, the second with Ctrl.
    ClickItem(*wizard, 0);
    ClickItem(*wizard, 2, Qt::ControlModifier);
    Click(wizard->btnRemoveFiles);
    EXPECT_EQ(wizard->FileList.Items(), std::vector<std::string>{files_ + "a.txt"});
    EXPECT_EQ(wizard->lvFiles->topLevelItemCount(), 1);
}

TEST_F(WizFileZip, FinishStoresTheOptionsAndShowReadsThemBack) {
    auto wizard = Show();
    EXPECT_TRUE(wizard->rbAll->isChecked());  // a fresh hive: the form's own choices
    EXPECT_EQ(wizard->tbCompression->value(), 6);
    Click(wizard->rbUpdate);
    Type(wizard->edFilename, QString::fromStdString(files_ + "x.zip"));
    Click(wizard->btnNext);
    Click(wizard->cbUsePaths);
    Click(wizard->btnNext);
    wizard->tbCompression->setFocus();
    QTest::keyClick(wizard->tbCompression, Qt::Key_End);
    QTest::keyClick(wizard->tbCompression, Qt::Key_Left);
    Click(wizard->btnNext);
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
    EXPECT_EQ(wizard->Action, 2);
    EXPECT_EQ(zip_->Compression, 8);
    EXPECT_FALSE(zip_->UsePaths);
    EXPECT_EQ(RegRead<std::int32_t>(kSettingsKey, "Compression", -1), 8);
    EXPECT_EQ(RegRead<std::int32_t>(kSettingsKey, "Action", -1), 2);
    EXPECT_FALSE(RegRead<bool>(kSettingsKey, "Use Paths", true));

    wizard = Show();
    EXPECT_TRUE(wizard->rbUpdate->isChecked());
    EXPECT_FALSE(wizard->cbUsePaths->isChecked());
    EXPECT_EQ(wizard->tbCompression->value(), 8);
    // A stored action out of range falls back to adding.
    RegWriteValue(kSettingsKey, "Action", std::int32_t{7});
    wizard = Show();
    EXPECT_TRUE(wizard->rbAll->isChecked());
    EXPECT_EQ(wizard->Action, 0);
}

// The committed Native source holds the wizard's texts as they are now.
TEST_F(WizFileZip, NativeSourceHoldsTheCapturedTexts) {
    const std::string source = ReadBytes(ResourcesDir() + "lang/Native.txt");
    TkLangFileEdit file(home_ + "scratch.lng");
    ParseLangSource(source, file);
    CaptureRegisteredForms(file);
    EXPECT_EQ(RewriteFormStrings(source, file), source) << "run lngcapture";
    EXPECT_EQ(file.FindStrByName("wizFileZip", "btnNewZip.Hint")->Text(), "Create a new Zip file");
    EXPECT_EQ(file.FindStrByName("wizFileZip", "rbAll.Caption")->Text(), "Add && replace files");
}

}  // namespace
}  // namespace corvane
