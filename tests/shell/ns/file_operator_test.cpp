// TFileOperator: the flags word and the source list as the shell reads them, and Execute over
// the file operation engine.

#include <gtest/gtest.h>

#include "shell/ns/file_operator.h"
#include "tests/shell/ns/fs_helpers.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/shell/ns/scratch_home.h"

namespace corvane::testing {
namespace {

using shell::ShellAnswer;
using shell::TFileOperation;
using shell::TFileOperationFlag;
using shell::TFileOperator;

class FileOperator : public ScratchHome {};

TEST_F(FileOperator, FlagsWordAndSourceList) {
    TFileOperator op;
    EXPECT_EQ(op.FlagsWord(), 0x240);
    EXPECT_EQ(op.Flags(), (shell::TFileOperationFlags{TFileOperationFlag::foAllowUndo, TFileOperationFlag::foNoConfirmMkDir}));
    EXPECT_EQ(op.ProgressTitle(), "File Operation");
    EXPECT_EQ(op.Operation(), TFileOperation::foCopy);
    EXPECT_EQ(op.ParentForm(), nullptr);

    op.SetWantMappingHandle(true);
    op.SetFlags({TFileOperationFlag::foSilent});
    EXPECT_EQ(op.Flags(), shell::TFileOperationFlags{TFileOperationFlag::foSilent});
    EXPECT_EQ(op.FlagsWord(), 0x24);
    EXPECT_TRUE(op.WantMappingHandle());
    op.SetFlags({TFileOperationFlag::foSimpleProgress, TFileOperationFlag::foMultiDestFiles});
    EXPECT_EQ(op.FlagsWord(), 0x121);

    op.SetSourceFiles("a;b");
    EXPECT_EQ(op.SourceList(), std::string("a\0b\0\0", 5));
    op.SetSourceFiles("");
    EXPECT_EQ(op.SourceList(), std::string("\0\0", 2));
}

TEST_F(FileOperator, DeletesToTrashAsksTheParentFormAndReportsCancel) {
    RecordingShellUi ui;
    QObject form;
    TFileOperator op(&form);
    op.SetParentForm(&form);
    op.SetOperation(TFileOperation::foDelete);
    const std::string a = MakeFile("a.txt"), b = MakeFile("b.txt");
    op.SetSourceFiles(a + ";" + b);

    ui.answers = {ShellAnswer::No};
    EXPECT_FALSE(op.Execute());
    EXPECT_TRUE(op.AnyOperationsAborted());
    EXPECT_EQ(ui.questions.back(), "Are you sure you want to move these 2 items to the Trash?");
    EXPECT_EQ(ui.lastParent, &form);
    EXPECT_EQ(ui.lastTitle, "File Operation");
    EXPECT_TRUE(Exists(a) && Exists(b));

    ui.answers = {ShellAnswer::Yes};
    EXPECT_TRUE(op.Execute());
    EXPECT_FALSE(op.AnyOperationsAborted());
    EXPECT_FALSE(Exists(a) || Exists(b));
    EXPECT_EQ(CountEntries(root_ + "/data/Trash/files"), 2u);

    // Without confirmation nothing is asked; the deletion still goes to the trash.
    const std::string c = MakeFile("c.txt");
    op.SetSourceFiles(c);
    op.SetFlags({TFileOperationFlag::foAllowUndo, TFileOperationFlag::foNoConfirmation});
    const std::size_t asked = ui.questions.size();
    EXPECT_TRUE(op.Execute());
    EXPECT_EQ(ui.questions.size(), asked);
    EXPECT_EQ(CountEntries(root_ + "/data/Trash/files"), 3u);
}

}  // namespace
}  // namespace corvane::testing
