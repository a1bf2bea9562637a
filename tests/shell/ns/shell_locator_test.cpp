// The shell locator: change events, its own list, the stored block, and the special folders.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/rtl/paths.h"
#include "shell/ns/shell_locator.h"
#include "shell/ns/shell_utils.h"
#include "shell/ns/special_folders.h"
#include "tests/shell/ns/scratch_home.h"

using namespace corvane::shell;

namespace {

class ShellLocator : public corvane::testing::ScratchHome {
protected:
    void SetUp() override {
        ScratchHome::SetUp();
        locator.OnChange = [this](TPTShellLocator&) { ++changes; };
    }
    UniquePidl Parse(const std::string& path) {
        PItemIDList list = nullptr;
        EXPECT_EQ(PathToPidl(path, &list), S_OK) << path;
        return UniquePidl(list);
    }
    TPTShellLocator locator;
    int changes = 0;
};

}  // namespace

TEST_F(ShellLocator, ChangesFireOnlyWhenThePlaceChanges) {
    MakeDir("docs");
    locator.SetPath(home_ + "/docs");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(locator.Path(), home_ + "/docs");
    // Its own list again: copied before the old one is freed, and no change.
    locator.SetPidl(locator.Pidl());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(locator.Path(), home_ + "/docs");
    const UniquePidl same = Parse(home_ + "/docs/.");
    locator.SetPidl(same.get());
    EXPECT_EQ(changes, 1);
    locator.SetPath(home_);
    EXPECT_EQ(changes, 2);

    // An empty list is the desktop, held as nil.
    const UniquePidl desktop(CopyPidl(nullptr, nullptr));
    locator.SetPidl(desktop.get());
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(locator.Pidl(), nullptr);
    EXPECT_EQ(locator.Path(), "");
    locator.Clear();
    EXPECT_EQ(changes, 3);

    // From a special folder to any list, nil too, is a change.
    locator.SetSpecialFolder(CSIDL_DRIVES);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(ItemTagOf(locator.Pidl()), static_cast<int>(ItemTag::Computer));
    locator.SetPidl(nullptr);
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(locator.SpecialFolder(), CSIDL_NONE);

    // A path that does not parse clears it.
    locator.SetPath(home_);
    locator.SetPath("relative");
    EXPECT_EQ(locator.Pidl(), nullptr);
    EXPECT_EQ(changes, 7);
}

TEST_F(ShellLocator, AssignAndEquality) {
    TPTShellLocator other;
    other.SetPath(home_);
    locator.Assign(&other);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(locator.IsEqual(other));
    EXPECT_NE(locator.Pidl(), other.Pidl());  // a copy
    locator.Assign(&other);
    EXPECT_EQ(changes, 1);
    other.SetSpecialFolder(CSIDL_BITBUCKET);
    EXPECT_FALSE(locator.IsEqual(other));
    locator.Assign(&other);
    EXPECT_EQ(locator.GetKind(), TPTShellLocator::BySpecialFolder);
    EXPECT_EQ(locator.SpecialFolder(), CSIDL_BITBUCKET);
    locator.Assign(nullptr);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(locator.GetKind(), TPTShellLocator::ByList);
}

TEST_F(ShellLocator, StoredBlockRoundTripAndRefusal) {
    EXPECT_FALSE(locator.HasStoredPidl());
    MakeDir("kept");
    locator.SetPath(home_ + "/kept");
    const std::string block = locator.WritePidlBlock();
    TPTShellLocator read;
    read.ReadPidlBlock(block);
    EXPECT_EQ(read.Path(), home_ + "/kept");
    EXPECT_TRUE(read.IsEqual(locator));

    locator.SetSpecialFolder(CSIDL_PROFILE);
    EXPECT_TRUE(locator.HasStoredPidl());
    read.ReadPidlBlock(locator.WritePidlBlock());
    EXPECT_EQ(read.GetKind(), TPTShellLocator::BySpecialFolder);
    EXPECT_EQ(read.Path(), home_);

    // Refused blocks leave the locator as it was.
    std::string bad = block;
    bad[bad.size() - 3] = '/';  // a name with "/" in it
    EXPECT_THROW(read.ReadPidlBlock(bad), EShellError);
    EXPECT_THROW(read.ReadPidlBlock(block.substr(0, 7)), EShellError);
    EXPECT_EQ(read.GetKind(), TPTShellLocator::BySpecialFolder);
    read.ReadPidlBlock(std::string("\0\0\0\0\0", 5));
    EXPECT_EQ(read.Pidl(), nullptr);
}

TEST_F(ShellLocator, SpecialFolders) {
    PItemIDList list = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list), S_OK);
    EXPECT_EQ(GetPidlSize(list), 2);
    FreePidl(list);
    EXPECT_EQ(GetSpecialFolderPath(nullptr, CSIDL_PERSONAL), home_);
    EXPECT_EQ(GetSpecialFolderPath(nullptr, CSIDL_PROFILE | 0x8000), home_);
    EXPECT_EQ(GetSpecialFolderPath(nullptr, CSIDL_BITBUCKET), "");
    EXPECT_EQ(GetSpecialFolderPath(nullptr, CSIDL_DRIVES), "");
    EXPECT_FALSE(GetSpecialFolderPath(nullptr, CSIDL_DESKTOPDIRECTORY).empty());
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, 0x2A, &list), E_INVALIDARG);
    EXPECT_EQ(list, nullptr);

    corvane::testing::SavedEnv savedCorvaneHome("CORVANE_HOME");
    ::setenv("CORVANE_HOME", (root_ + "/corvane").c_str(), 1);
    const std::string sendTo = GetSpecialFolderPath(nullptr, CSIDL_SENDTO);
    EXPECT_EQ(sendTo, root_ + "/corvane/SendTo");
    struct stat st;
    ASSERT_EQ(::stat(sendTo.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(IsPlatformNT());
    std::uint32_t hi = 1, lo = 1;
    EXPECT_FALSE(GetFileVersion("comctl32.dll", hi, lo));
    EXPECT_EQ(AppendDelimiter("a", '/'), "a/");
    EXPECT_EQ(AppendDelimiter("a/", '/'), "a/");
    EXPECT_EQ(AppendDelimiter("", '/'), "");
}
