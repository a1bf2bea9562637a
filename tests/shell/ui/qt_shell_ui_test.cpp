// The shell's dialogs in the program: real message boxes whose buttons decide the operation, and
// the progress window whose Cancel stops it.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include "shell/ns/file_operator.h"
#include "shell/ui/qt_shell_ui.h"
#include "tests/shell/ns/fs_helpers.h"
#include "tests/shell/ns/scratch_home.h"
#include "tests/support/gui_app.h"
#include "tests/support/patient_boxes.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

using shell::TFileOperation;
using shell::TFileOperationFlag;
using shell::TFileOperator;

class ShellUiQt : public ScratchHome {
protected:
    void SetUp() override {
        GuiApp();
        ScratchHome::SetUp();
        previousUi_ = shell::SetShellUi(&ui_);
    }
    void TearDown() override {
        shell::SetShellUi(previousUi_);
        ScratchHome::TearDown();
    }
    shell::TQtShellUi ui_{shell::ShellTiming{std::chrono::milliseconds(0)}};
    shell::TShellUi* previousUi_ = nullptr;
};

// Clicks the button with this caption on the next message box, after a picture when named. The
// buttons are clicked, not sent mouse events: a pointing device made by QTest outlives the static
// application object and crashes the exit.
void ClickOnNextBox(const QString& caption, QString* text, const QString& screenshotName = {}) {
    QTimer::singleShot(0, [caption, text, screenshotName] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
            FAIL() << "no message box is up";
        }
        *text = box->text();
        if (!screenshotName.isEmpty()) {
            box->setObjectName(screenshotName);
            SaveScreenshot(*box);
        }
        for (QAbstractButton* button : box->buttons())
            if (button->text().remove('&') == caption) button->click();
    });
}

TEST_F(ShellUiQt, TheBoxButtonsDecide) {
    MessageBoxBackend* previous = SetMessageBoxBackend(nullptr);  // the program's real boxes
    const std::string doomed = MakeFile("report 1.htm");
    QWidget form;
    TFileOperator op(&form);
    op.SetParentForm(&form);
    op.SetOperation(TFileOperation::foDelete);
    op.SetSourceFiles(doomed);
    QString text;
    ClickOnNextBox("No", &text, "ShellConfirmDlg");
    EXPECT_FALSE(op.Execute());
    EXPECT_TRUE(op.AnyOperationsAborted());
    EXPECT_EQ(text, "Are you sure you want to move 'report 1.htm' to the Trash?");
    EXPECT_TRUE(Exists(doomed));
    ClickOnNextBox("Yes", &text);
    EXPECT_TRUE(op.Execute());
    EXPECT_FALSE(Exists(doomed));

    // Yes to All answers every later collision of the same operation.
    WriteText(home_ + "/src/a", "new");
    WriteText(home_ + "/src/b", "new");
    WriteText(home_ + "/dst/a", "old");
    WriteText(home_ + "/dst/b", "old");
    op.SetOperation(TFileOperation::foCopy);
    op.SetSourceFiles(home_ + "/src/*");
    op.SetDestination(home_ + "/dst");
    ClickOnNextBox("Yes to All", &text);
    EXPECT_TRUE(op.Execute());
    EXPECT_EQ(text, "'a' already exists. Replace it?");
    EXPECT_EQ(ReadText(home_ + "/dst/b"), "new");
    SetMessageBoxBackend(previous);

    // Scripted like every other box.
    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::Cancel, "already exists");
    EXPECT_FALSE(op.Execute());
    EXPECT_TRUE(op.AnyOperationsAborted());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "File Operation");
    EXPECT_TRUE(HasButton(boxes.shown[0].buttons, MsgButton::All));
}

TEST_F(ShellUiQt, CancelInTheProgressWindowStopsTheOperation) {
    for (int i = 0; i < 2000; ++i) WriteText(home_ + "/src/f" + std::to_string(10000 + i), "x");
    TFileOperator op;
    op.SetSourceFiles(home_ + "/src/*");
    op.SetDestination(home_ + "/dst");
    op.SetProgressTitle("Copying pages");
    bool pressed = false;
    ui_.OnProgressStep = [this, &pressed](std::size_t done) {
        if (done != 1000) return;
        QProgressDialog* dialog = ui_.ProgressDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(dialog->isModal());
        EXPECT_EQ(dialog->windowTitle(), "Copying pages");
        EXPECT_EQ(dialog->maximum(), 2000);
        SaveScreenshot(*dialog);
        auto* cancel = dialog->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        cancel->click();
        pressed = true;
    };
    EXPECT_FALSE(op.Execute());
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(op.AnyOperationsAborted());
    EXPECT_EQ(CountEntries(home_ + "/dst"), 1000u);  // what was copied stays
    EXPECT_EQ(ui_.ProgressDialog(), nullptr);
}

// Deleting for good asks about each item in turn: the first question comes before any progress
// window (or its show timer) exists, and a progress window that began before a later question
// waits until that one is answered.
using DeleteSafetyQuestions = ShellUiQt;

TEST_F(DeleteSafetyQuestions, NoProgressWindowComesOverAQuestion) {
    shell::TQtShellUi slow{shell::ShellTiming{std::chrono::milliseconds(150)}};
    shell::SetShellUi(&slow);
    const std::string a = MakeFile("a.htm"), b = MakeFile("b.htm");
    TFileOperator op;
    op.SetOperation(TFileOperation::foDelete);
    op.SetFlags({});
    op.SetSourcePaths({a, b});
    {
        PatientBoxes boxes(std::chrono::milliseconds(400));
        boxes.Expect("Yes");
        boxes.Expect("Yes");
        EXPECT_TRUE(op.Execute());
        EXPECT_EQ(boxes.texts, (std::vector<QString>{"Are you sure you want to permanently delete 'a.htm'?",
                                                     "Are you sure you want to permanently delete 'b.htm'?"}));
        EXPECT_EQ(boxes.progress_over_a_box, 0);
    }
    EXPECT_FALSE(Exists(a) || Exists(b));
    shell::SetShellUi(&ui_);
}

}  // namespace
}  // namespace corvane::testing
