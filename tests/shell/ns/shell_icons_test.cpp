// Icon keys of the system image list stand-in, and type names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "shell/ns/sh_consts.h"
#include "shell/ns/shell_utils.h"
#include "shell/ns/sys_icons.h"
#include "shell/ns/trash.h"
#include "tests/shell/ns/scratch_home.h"

using namespace corvane::shell;

namespace {

class ShellIcons : public corvane::testing::ScratchHome {
protected:
    std::string KeyOf(const std::string& path, std::uint32_t flags = 0) {
        PItemIDList list = nullptr;
        EXPECT_EQ(PathToPidl(path, &list), S_OK) << path;
        const UniquePidl owned(list);
        return SysIconKey(GetPidlIconIndex(list, flags | SHGFI_PIDL | SHGFI_SYSICONINDEX));
    }
};

}  // namespace

TEST_F(ShellIcons, KeysByKindOfItem) {
    EXPECT_EQ(SysIconKey(0), "application-octet-stream");
    MakeDir("dir");
    MakeFile("page.html");
    MakeFile("blob.qqqzz");
    SetMountInfoOverride("41 30 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n");
    EXPECT_EQ(KeyOf(home_), "user-home");
    EXPECT_EQ(KeyOf("::Desktop"), "user-desktop");
    EXPECT_EQ(KeyOf("::Computer"), "computer");
    EXPECT_EQ(KeyOf("/"), "drive-harddisk");
    EXPECT_EQ(KeyOf("/media/usb"), "drive-removable-media");
    EXPECT_EQ(KeyOf(home_ + "/dir"), "folder");
    EXPECT_EQ(KeyOf(home_ + "/dir", SHGFI_OPENICON), "folder-open");
    EXPECT_EQ(KeyOf(home_ + "/page.html"), "text-html");
    EXPECT_EQ(GetPidlIconIndex(nullptr, 0), SysIconIndex("user-desktop"));
    EXPECT_EQ(KeyOf(home_ + "/blob.qqqzz"), SysIconKey(0));
    EXPECT_EQ(SysIconIndex("folder"), SysIconIndex("folder"));
    EXPECT_GE(SysIconCount(), 8);

    EXPECT_EQ(KeyOf("::Trash"), "user-trash");
    const std::string trash = HomeTrashDir();
    std::filesystem::create_directories(trash + "/files");
    std::filesystem::create_directories(trash + "/info");
    std::ofstream(trash + "/files/gone.txt") << "x";
    std::ofstream(trash + "/info/gone.txt.trashinfo") << "[Trash Info]\nPath=/tmp/gone.txt\n";
    EXPECT_EQ(KeyOf("::Trash"), "user-trash-full");

    EXPECT_EQ(GetSysImageList(0).size, 16);
    EXPECT_EQ(GetSysImageList(1).size, 32);
    EXPECT_EQ(GetSysImageList(1).Key(SysIconIndex("computer")), "computer");
}

TEST_F(ShellIcons, TypeNamesAndTexts) {
    EXPECT_EQ(GetTypeName("index.HTML", false), "HTML document");
    EXPECT_EQ(GetTypeName("archive.qqqzz", false), "QQQZZ File");
    EXPECT_EQ(GetTypeName("zzqqxx", false), "File");
    EXPECT_FALSE(GetTypeName("any", true).empty());
    EXPECT_EQ(LoadShString(65217), "Unable to create the folder '%2'\n\n%1");
    EXPECT_EQ(LoadShString(65247), "%sKB");
    EXPECT_EQ(LoadShString(65232), "");
    EXPECT_EQ(FormatStrPos(LoadShString(65217), {"No space left on device", "New Folder"}),
              "Unable to create the folder 'New Folder'\n\nNo space left on device");
}
