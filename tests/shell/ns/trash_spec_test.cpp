// Moving into the home trash: the info record's exact bytes, numbered names, and failures that
// leave nothing behind.

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <regex>

#include "shell/ns/file_op_engine.h"
#include "shell/ns/trash.h"
#include "tests/shell/ns/fs_helpers.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/shell/ns/scratch_home.h"

namespace corvane::testing {
namespace {

using shell::FileOpKind;
using shell::ShellAnswer;

class TrashSpec : public ScratchHome {
protected:
    shell::FileOpResult Delete(const std::string& path, std::uint16_t flags) {
        shell::FileOpRequest request;
        request.kind = FileOpKind::Delete;
        request.sources = {path};
        request.flags = flags;
        request.progressTitle = "File Operation";
        return shell::RunFileOperation(request);
    }
    std::string Trash() const { return root_ + "/data/Trash"; }
};

TEST_F(TrashSpec, ConfirmedDeleteWritesExactInfoAndNumbersTakenNames) {
    const std::string name = "a b%\xE9.txt";  // a blank, a percent sign and a byte that is not UTF-8
    RecordingShellUi ui;
    for (int round = 0; round < 2; ++round) {
        const std::string path = MakeFile(name, "round" + std::to_string(round));
        ui.answers = {ShellAnswer::Yes};
        const std::time_t before = std::time(nullptr);
        const shell::FileOpResult result = Delete(path, shell::fof::AllowUndo);
        ASSERT_TRUE(result.ok) << (result.errors.empty() ? "" : result.errors.front());
        EXPECT_FALSE(Exists(path));

        const std::string entry = round == 0 ? name : "a b%\xE9.2.txt";
        EXPECT_EQ(ReadText(Trash() + "/files/" + entry), "round" + std::to_string(round));
        const std::string info = ReadText(Trash() + "/info/" + entry + ".trashinfo");
        const std::string head = "[Trash Info]\nPath=" + shell::EncodeTrashPath(home_) + "/a%20b%25%E9.txt\nDeletionDate=";
        ASSERT_EQ(info.substr(0, head.size()), head);
        EXPECT_TRUE(std::regex_match(info.substr(head.size()), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\n)")));
        EXPECT_TRUE(info == shell::FormatTrashInfo(shell::EncodeTrashPath(path), before) ||
                    info == shell::FormatTrashInfo(shell::EncodeTrashPath(path), before + 1));
    }
    EXPECT_EQ(ui.questions.front(), "Are you sure you want to move '" + name + "' to the Trash?");
    // The trash lists what it now holds, under the original names.
    const auto entries = shell::ListHomeTrash();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].originalName, name);
    EXPECT_EQ(entries[1].originalPath, home_ + "/" + name);

    struct stat st;
    ASSERT_EQ(::stat((Trash() + "/files").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(TrashSpec, AnsweringNoOrAFailedMoveKeepsTheItemAndLeavesNoInfo) {
    const std::string path = MakeFile("keep.txt", "body");
    {
        RecordingShellUi ui;
        ui.answers = {ShellAnswer::No};
        const shell::FileOpResult result = Delete(path, shell::fof::AllowUndo);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.aborted);
        EXPECT_EQ(ReadText(path), "body");
    }
    {
        RecordingShellUi ui;
        shell::InjectTrashMoveFailure(EIO);
        const shell::FileOpResult result = Delete(path, shell::fof::AllowUndo | shell::fof::NoConfirmation);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.aborted);
        EXPECT_EQ(ReadText(path), "body");
        EXPECT_EQ(CountEntries(Trash() + "/info"), 0u);
        EXPECT_EQ(ui.warnings.size(), 1u);
    }
    {
        // With someone to ask, a failed move to the trash is never a silent permanent delete.
        RecordingShellUi ui;
        ui.answers = {ShellAnswer::Yes, ShellAnswer::No};
        shell::InjectTrashMoveFailure(EIO);
        EXPECT_FALSE(Delete(path, shell::fof::AllowUndo).ok);
        ASSERT_EQ(ui.questions.size(), 2u);
        EXPECT_EQ(ui.questions[1], "'keep.txt' cannot be moved to the Trash. Delete it permanently?");
        EXPECT_EQ(ReadText(path), "body");
    }
}

TEST_F(TrashSpec, NoInstalledUiAnswersCancel) {
    const std::string path = MakeFile("keep.txt");
    const shell::FileOpResult result = Delete(path, shell::fof::AllowUndo);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.aborted);
    EXPECT_TRUE(Exists(path));
}

}  // namespace
}  // namespace corvane::testing
