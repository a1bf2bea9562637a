// New folders on disk and the shell command helpers' failures.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "shell/ns/com.h"
#include "shell/ui/shell_commands.h"
#include "tests/shell/ns/fs_helpers.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/shell/ns/scratch_home.h"

namespace corvane::testing {
namespace {

using namespace shell;

class NewFolder : public ScratchHome {
protected:
    RecordingShellUi ui_;
};

TEST_F(NewFolder, NumbersTheNameAfterTheFirst) {
    std::string name;
    ASSERT_TRUE(CreateNewFolderIn(home_, name));
    EXPECT_EQ(name, "New Folder");
    // A trailing slash on the parent is not doubled.
    ASSERT_TRUE(CreateNewFolderIn(home_ + "/", name));
    EXPECT_EQ(name, "New Folder (2)");
    EXPECT_TRUE(std::filesystem::is_directory(home_ + "/New Folder (2)"));
    EXPECT_TRUE(ui_.warnings.empty());
}

TEST_F(NewFolder, AllFiftyTakenFailsWithTheExistsText) {
    MakeDir("New Folder");
    for (int n = 2; n <= 50; ++n) MakeDir("New Folder (" + std::to_string(n) + ")");
    std::string name = "unchanged";
    EXPECT_FALSE(CreateNewFolderIn(home_, name));
    EXPECT_EQ(name, "unchanged");
    ASSERT_EQ(ui_.warnings.size(), 1u);
    EXPECT_EQ(ui_.warnings[0],
              "Unable to create the folder 'New Folder'\n\n" + SystemMessage(HResultFromErrno(EEXIST)));
    EXPECT_EQ(CountEntries(home_), 50u);
}

TEST_F(NewFolder, OtherErrorsStopAtOnce) {
    const std::string file = MakeFile("plain.txt");
    std::string name;
    EXPECT_FALSE(CreateNewFolderIn(file, name));
    ASSERT_EQ(ui_.warnings.size(), 1u);
    EXPECT_EQ(ui_.warnings[0],
              "Unable to create the folder 'New Folder'\n\n" + SystemMessage(HResultFromErrno(ENOTDIR)));

    // No parent never falls back to the working directory.
    const auto cwdBefore = CountEntries(std::filesystem::current_path().string());
    EXPECT_FALSE(CreateNewFolderIn("", name));
    ASSERT_EQ(ui_.warnings.size(), 2u);
    EXPECT_NE(ui_.warnings[1].find(SystemMessage(HResultFromErrno(ENOENT))), std::string::npos);
    EXPECT_EQ(CountEntries(std::filesystem::current_path().string()), cwdBefore);
    EXPECT_FALSE(Exists("New Folder"));
}

TEST_F(NewFolder, OleCheckAndDisplayNames) {
    EXPECT_NO_THROW(OleCheck(S_FALSE));
    try {
        OleCheck(HResultFromErrno(EACCES));
        FAIL() << "no exception";
    } catch (const EShellError& error) {
        EXPECT_EQ(std::string(error.what()), SystemMessage(HResultFromErrno(EACCES)));
    }
    // An item the desktop does not know: a warning and no name.
    const std::uint8_t bogus[] = {5, 0, 0xEE, 'x', 0, 0, 0};
    EXPECT_EQ(GetDisplayNameOrWarn(nullptr, bogus, SHGDN_NORMAL), "");
    EXPECT_EQ(ui_.warnings.size(), 1u);
}

}  // namespace
}  // namespace corvane::testing
