// The folder browse dialog driven like a user: real folders in a scratch home, its buttons and
// keys, what a run gives back, and the guards around a run.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <functional>
#include <memory>

#include "shell/ns/shell_utils.h"
#include "shell/ui/folder_browse_dlg.h"
#include "shell/ui/pt_frame.h"
#include "shell/ui/qt_shell_ui.h"
#include "tests/shell/ns/scratch_home.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "tests/support/scripted_dialogs.h"

namespace corvane::testing {
namespace {

using namespace shell;
namespace fs = std::filesystem;

class FolderBrowseDlg : public ScratchHome {
protected:
    void SetUp() override {
        ScratchHome::SetUp();
        GuiApp();
        boxes_ = std::make_unique<ScriptedMessageBoxes>();
        previousUi_ = SetShellUi(&shellUi_);
    }
    void TearDown() override {
        SetShellUi(previousUi_);
        boxes_.reset();
        ScratchHome::TearDown();
    }

    // Runs the dialog; the script acts on the open form and ends it (a form still open after the
    // script is cancelled, so a failed script never hangs the test).
    bool Run(TPTCustomFolderBrowseDlg& dialog, const std::function<void(TPTFrmFolderBrowseDlg&)>& script) {
        QTimer::singleShot(0, [&] {
            TPTFrmFolderBrowseDlg* form = dialog.Form();
            if (form == nullptr) {
                ADD_FAILURE() << "no form is running";
                return;
            }
            script(*form);
            if (dialog.Form() != nullptr && dialog.Form()->isVisible()) dialog.Form()->reject();
        });
        return dialog.Execute();
    }

    static TTreeNode* Child(TTreeNode* node, const QString& text) {
        for (int i = 0; node != nullptr && i < node->Count(); ++i)
            if (node->Item(i)->Text() == text) return node->Item(i);
        return nullptr;
    }
    static void Select(TPTFrmFolderBrowseDlg& form, TTreeNode* node) {
        ASSERT_NE(node, nullptr);
        QTest::mouseClick(form.PTShellTree1->viewport(), Qt::LeftButton, {},
                          form.PTShellTree1->visualItemRect(node).center());
        ASSERT_EQ(form.PTShellTree1->Selected(), node);
    }

    TQtShellUi shellUi_;
    TShellUi* previousUi_ = nullptr;
    std::unique_ptr<ScriptedMessageBoxes> boxes_;
};

TEST_F(FolderBrowseDlg, DefaultsStartAtTheFolderAndCancelKeepsTheOldChoice) {
    MakeDir("Projects/Corvane");
    MakeDir("Music");
    TPTFolderBrowseDlg dialog;
    EXPECT_EQ(dialog.Options(), kDefaultFolderBrowseDlgOptions);
    dialog.SetSelectedPath(home_ + "/Projects");
    bool cursorDuringSetUp = false;
    dialog.OnInitialized = [&](TPTCustomFolderBrowseDlg&) {
        cursorDuringSetUp = QGuiApplication::overrideCursor() != nullptr &&
                            QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
    };
    int shows = 0;
    int closes = 0;
    dialog.OnFormShow = [&](TPTCustomFolderBrowseDlg&) { ++shows; };
    dialog.OnFormClose = [&](TPTCustomFolderBrowseDlg&) { ++closes; };

    const bool ok = Run(dialog, [&](TPTFrmFolderBrowseDlg& form) {
        EXPECT_EQ(form.windowTitle(), "Browse for Folder");
        EXPECT_FALSE(form.CreateBtn->isVisible());
        EXPECT_FALSE(form.DeleteBtn->isVisible());
        EXPECT_TRUE(form.CreateNewFolderBtn->isVisible());
        EXPECT_TRUE(form.DeleteFolderBtn->isVisible());
        EXPECT_EQ(form.PTShellTree1->GetSelectedPath(), home_ + "/Projects");
        EXPECT_EQ(form.StatusTxt->Caption().toStdString(), home_ + "/Projects");
        // The user's own cursor while the form waits for them.
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        SaveScreenshot(form);

        form.resize(200, 150);
        EXPECT_GE(form.width(), 358);
        EXPECT_GE(form.height(), 313);
        form.resize(420, 380);

        form.PTShellTree1->Selected()->setExpanded(true);
        Select(form, Child(form.PTShellTree1->Selected(), "Corvane"));
        QTest::mouseClick(form.CancelBtn, Qt::LeftButton);
    });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(cursorDuringSetUp);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(dialog.GetSelectedPath(), home_ + "/Projects");
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(closes, 1);
    // The size the user left is the size of the next run.
    EXPECT_EQ(dialog.FormWidth, 420);
    EXPECT_EQ(dialog.FormHeight, 380);
    EXPECT_EQ(dialog.FormWindowState, wsNormal);
    Run(dialog, [](TPTFrmFolderBrowseDlg& form) { EXPECT_EQ(form.size(), QSize(420, 380)); });
}

TEST_F(FolderBrowseDlg, VirtualFoldersDisableEveryCreateAndDeleteButton) {
    TPTFolderBrowseDlg dialog;
    dialog.SetOptions(kDefaultFolderBrowseDlgOptions | ptfbCreateDeleteButtons | ptfbVirtualFolders);
    std::vector<std::string> changes;
    dialog.OnSelChange = [&](TPTCustomFolderBrowseDlg&, PCItemIDList list) { changes.push_back(PidlToPath(list)); };
    const auto enabled = [](TPTFrmFolderBrowseDlg& form) {
        return std::vector<bool>{form.CreateBtn->isEnabled(), form.CreateNewFolderBtn->isEnabled(),
                                 form.DeleteBtn->isEnabled(), form.DeleteFolderBtn->isEnabled()};
    };
    Run(dialog, [&](TPTFrmFolderBrowseDlg& form) {
        TTreeNode* desktop = form.PTShellTree1->TopItem(0);
        ASSERT_NE(desktop, nullptr);
        EXPECT_EQ(form.PTShellTree1->Selected(), desktop);
        EXPECT_EQ(enabled(form), (std::vector<bool>{false, false, false, false}));
        EXPECT_EQ(form.StatusTxt->Caption(), "");
        SaveScreenshot(form, "_buttons");

        // Trash (or Computer), then Home, found by their paths.
        const auto byPath = [desktop](const std::string& path) -> TTreeNode* {
            for (int i = 0; i < desktop->Count(); ++i)
                if (PidlToPath(TPTCustomShellTree::GetNodeData(desktop->Item(i))->AbsIdList()) == path)
                    return desktop->Item(i);
            return nullptr;
        };
        Select(form, byPath(""));
        EXPECT_EQ(enabled(form), (std::vector<bool>{false, false, false, false}));
        Select(form, byPath(home_));
        EXPECT_EQ(enabled(form), (std::vector<bool>{true, true, true, true}));
        EXPECT_EQ(form.StatusTxt->Caption().toStdString(), home_);
    });
    ASSERT_GE(changes.size(), 3u);
    EXPECT_EQ(changes.front(), "");
    EXPECT_EQ(changes.back(), home_);
}

TEST_F(FolderBrowseDlg, NewFolderIsNamedByTypingAndOkReturnsThePath) {
    TPTFolderBrowseDlg dialog;
    TPTShellLocator base;
    base.SetPath(home_);
    dialog.SetBaseFolder(&base);
    const bool ok = Run(dialog, [&](TPTFrmFolderBrowseDlg& form) {
        TPTShellTree& tree = *form.PTShellTree1;
        ASSERT_EQ(tree.GetSelectedPath(), home_);
        QTest::mouseClick(form.CreateNewFolderBtn, Qt::LeftButton);
        EXPECT_TRUE(fs::is_directory(home_ + "/New Folder"));
        ASSERT_TRUE(tree.Editing());
        auto* editor = tree.findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->text(), "New Folder");
        editor->selectAll();
        QTest::keyClicks(editor, "Sites");
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();  // the editor commits through a queued call
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(fs::is_directory(home_ + "/Sites"));
        EXPECT_FALSE(fs::exists(home_ + "/New Folder"));
        Select(form, Child(tree.TopItem(0), "Sites"));
        QTest::mouseClick(form.OkBtn, Qt::LeftButton);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(dialog.GetSelectedPath(), home_ + "/Sites");
    EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(FolderBrowseDlg, DeleteButtonTrashesTheFolderOnlyAfterYes) {
    MakeDir("Old/inner");
    TPTFolderBrowseDlg dialog;
    dialog.SetOptions(kDefaultFolderBrowseDlgOptions | ptfbCreateDeleteButtons);
    dialog.SetSelectedPath(home_ + "/Old");
    Run(dialog, [&](TPTFrmFolderBrowseDlg& form) {
        boxes_->Expect(MsgButton::No);
        QTest::mouseClick(form.DeleteBtn, Qt::LeftButton);
        EXPECT_TRUE(fs::is_directory(home_ + "/Old/inner"));
        boxes_->Expect(MsgButton::Yes);
        QTest::mouseClick(form.DeleteFolderBtn, Qt::LeftButton);
        EXPECT_FALSE(fs::exists(home_ + "/Old"));
        EXPECT_TRUE(fs::is_directory(root_ + "/data/Trash/files/Old/inner"));
        // The tree no longer holds it: its parent is selected.
        EXPECT_EQ(form.PTShellTree1->GetSelectedPath(), home_);
        EXPECT_EQ(form.StatusTxt->Caption().toStdString(), home_);
    });
    EXPECT_EQ(boxes_->shown.size(), 2u);
}

TEST_F(FolderBrowseDlg, ReadOnlyChangesNothingOnDisk) {
    MakeDir("Keep");
    TPTFolderBrowseDlg dialog;
    dialog.SetOptions(kDefaultFolderBrowseDlgOptions | ptfbCreateDeleteButtons | ptfbReadOnly);
    dialog.SetSelectedPath(home_ + "/Keep");
    QStringList menuTexts;
    const bool ok = Run(dialog, [&](TPTFrmFolderBrowseDlg& form) {
        TPTShellTree& tree = *form.PTShellTree1;
        EXPECT_FALSE(form.CreateBtn->isEnabled());
        EXPECT_FALSE(form.CreateNewFolderBtn->isEnabled());
        EXPECT_FALSE(form.DeleteBtn->isEnabled());
        EXPECT_FALSE(form.DeleteFolderBtn->isEnabled());
        // With the tree's own keys on, F2, Del and Ctrl+X still do nothing (Del would ask first, and
        // an unexpected box fails the test).
        tree.SetOptions(tree.Options() | ptstoDefaultKeyHandling);
        QTest::keyClick(&tree, Qt::Key_F2);
        EXPECT_FALSE(tree.Editing());
        QTest::keyClick(&tree, Qt::Key_Delete);
        QTest::keyClick(&tree, Qt::Key_X, Qt::ControlModifier);

        QTimer::singleShot(0, [&] {
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(popup, nullptr);
            for (QAction* action : popup->actions())
                if (!action->isSeparator()) menuTexts << action->text();
            popup->close();
        });
        const QPoint at = tree.visualItemRect(tree.Selected()).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, tree.viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree.viewport(), &click);
        QTest::mouseClick(form.OkBtn, Qt::LeftButton);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(menuTexts, (QStringList{"&Open", "Send &To", "&Copy"}));
    EXPECT_TRUE(fs::is_directory(home_ + "/Keep"));
    EXPECT_EQ(dialog.GetSelectedPath(), home_ + "/Keep");
}

class ExposedDialog : public TPTFolderBrowseDlg {
public:
    using TPTFolderBrowseDlg::DoExecute;
};

TEST_F(FolderBrowseDlg, ASecondRunRaisesAndAFailedRunLeavesNothingBehind) {
    ExposedDialog dialog;
    std::string nested;
    std::string formActive;
    dialog.OnInitialized = [&](TPTCustomFolderBrowseDlg& self) {
        try {
            self.Execute();
        } catch (const EShellError& error) {
            nested = error.what();
        }
    };
    Run(dialog, [&](TPTFrmFolderBrowseDlg&) {
        try {
            dialog.DoExecute();
        } catch (const EShellError& error) {
            formActive = error.what();
        }
    });
    EXPECT_EQ(nested, "TPTFolderBrowseDlg already executing");
    EXPECT_EQ(formActive, "TPTFolderBrowseDlg form already active");

    // A handler that raises: the run raises, and the guard, the cursor and the form are gone.
    dialog.OnInitialized = [](TPTCustomFolderBrowseDlg&) { throw EShellError("handler failed"); };
    EXPECT_THROW(dialog.Execute(), EShellError);
    EXPECT_FALSE(dialog.Executing());
    EXPECT_EQ(dialog.Form(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    dialog.OnInitialized = nullptr;
    EXPECT_TRUE(Run(dialog, [](TPTFrmFolderBrowseDlg& form) { form.OkBtn->click(); }));
}

TEST_F(FolderBrowseDlg, StoredBlockRoundTripsAndRefusesForeignBytes) {
    TPTFolderBrowseDlg dialog;
    dialog.FormWidth = 500;
    dialog.FormHeight = -1;
    dialog.FormWindowState = wsMaximized;
    const std::string block = dialog.WriteDataBlock();
    EXPECT_EQ(block, std::string("\xF4\x01\x00\x00\xFF\xFF\xFF\xFF\x02", 9));

    TPTFolderBrowseDlg other;
    other.ReadDataBlock(block);
    EXPECT_EQ(other.FormWidth, 500);
    EXPECT_EQ(other.FormHeight, -1);
    EXPECT_EQ(other.FormWindowState, wsMaximized);

    TPTFolderBrowseDlg untouched;
    EXPECT_THROW(untouched.ReadDataBlock(block.substr(0, 8)), EShellError);
    EXPECT_THROW(untouched.ReadDataBlock(block + '\0'), EShellError);
    EXPECT_THROW(untouched.ReadDataBlock(std::string("\x01\x00\x00\x00\x01\x00\x00\x00\x07", 9)), EShellError);
    EXPECT_EQ(untouched.FormWidth, -1);
    EXPECT_EQ(untouched.FormHeight, -1);
    EXPECT_EQ(untouched.FormWindowState, wsNormal);
}

}  // namespace
}  // namespace corvane::testing
