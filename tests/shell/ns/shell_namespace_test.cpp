// The namespace over a scratch home: parsing and paths, the desktop's items, Computer's volumes,
// enumeration and attributes of file-system folders, order, renaming and the trash.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include "shell/ns/desktop_folder.h"
#include "shell/ns/fs_folder.h"
#include "shell/ns/shell_utils.h"
#include "shell/ns/trash.h"
#include "tests/shell/ns/scratch_home.h"

using namespace corvane::shell;

namespace {

class ShellNamespace : public corvane::testing::ScratchHome {
protected:
    UniquePidl Parse(const std::string& path, HRESULT* result = nullptr) {
        PItemIDList list = nullptr;
        const HRESULT hr = PathToPidl(path, &list);
        if (result != nullptr) *result = hr;
        return UniquePidl(list);
    }
    ComPtr<IShellFolder> Folder(const std::string& path) {
        ComPtr<IShellFolder> folder;
        const UniquePidl list = Parse(path);
        EXPECT_EQ(GetShellFolder(list.get(), folder.ReleaseAndGetAddressOf()), S_OK) << path;
        return folder;
    }
    // The items of a folder, by in-folder name, in the folder's order.
    std::vector<UniquePidl> Items(IShellFolder* folder, std::uint32_t flags) {
        ComPtr<IEnumIDList> items;
        EXPECT_EQ(folder->EnumObjects(nullptr, flags, items.ReleaseAndGetAddressOf()), S_OK);
        std::vector<UniquePidl> out;
        PItemIDList item = nullptr;
        while (items && items->Next(1, &item, nullptr) == S_OK) out.emplace_back(item);
        std::sort(out.begin(), out.end(), [&](const UniquePidl& a, const UniquePidl& b) {
            return CompareOrder(folder->CompareIDs(0, a.get(), b.get())) < 0;
        });
        return out;
    }
    std::vector<std::string> Names(IShellFolder* folder, std::uint32_t flags) {
        std::vector<std::string> names;
        for (const UniquePidl& item : Items(folder, flags))
            names.push_back(GetDisplayName(folder, item.get(), NameKind::InFolder));
        return names;
    }
    std::uint32_t Attrs(IShellFolder* folder, PCItemIDList item, std::uint32_t asked, HRESULT* result = nullptr) {
        const HRESULT hr = folder->GetAttributesOf(1, &item, &asked);
        if (result != nullptr) *result = hr;
        return Failed(hr) ? 0 : asked;
    }
    UniquePidl Child(IShellFolder* folder, const std::string& name) {
        PItemIDList item = nullptr;
        EXPECT_EQ(folder->ParseDisplayName(nullptr, nullptr, name, nullptr, &item, nullptr), S_OK) << name;
        return UniquePidl(item);
    }
};

constexpr std::uint32_t kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

}  // namespace

TEST_F(ShellNamespace, ParsedPathsGiveTheirPathsBack) {
    const UniquePidl root = Parse("/");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(PidlItemCount(root.get()), 2);  // Computer, "/"
    EXPECT_EQ(ItemTagOf(root.get()), static_cast<int>(ItemTag::Computer));
    EXPECT_EQ(PidlToPath(root.get()), "/");

    MakeFile("docs/report.txt");
    const std::string odd = "bad\xff name";
    const std::string withNewline = "two\nlines";
    MakeFile(odd);
    MakeDir(withNewline);
    const UniquePidl report = Parse(home_ + "/docs/./x/../report.txt");
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(ItemTagOf(report.get()), static_cast<int>(ItemTag::Home));
    EXPECT_EQ(ItemTagOf(LastItem(report.get())), static_cast<int>(ItemTag::Other));
    EXPECT_EQ(PidlToPath(report.get()), home_ + "/docs/report.txt");
    for (const std::string& name : {odd, withNewline}) {
        const UniquePidl list = Parse(home_ + "//" + name);
        EXPECT_EQ(PidlToPath(list.get()), home_ + "/" + name);
        EXPECT_EQ(GetDisplayName(nullptr, list.get(), NameKind::ForParsing), home_ + "/" + name);
    }
    EXPECT_EQ(GetDisplayName(nullptr, Parse(home_ + "/" + odd).get(), NameKind::Normal), "bad\xef\xbf\xbd name");

    // A place yet to be made: the missing tail is taken as folders.
    const UniquePidl missing = Parse(home_ + "/docs/new/deeper");
    EXPECT_EQ(ItemTagOf(LastItem(missing.get())), static_cast<int>(ItemTag::Folder));
    EXPECT_EQ(PidlToPath(missing.get()), home_ + "/docs/new/deeper");
    EXPECT_EQ(PidlToPath(Parse(home_).get()), home_);

    HRESULT hr = S_OK;
    EXPECT_EQ(Parse("docs/report.txt", &hr), nullptr);
    EXPECT_EQ(hr, E_INVALIDARG);
    Parse("/" + std::string(300, 'a'), &hr);
    EXPECT_EQ(hr, HResultFromErrno(ENAMETOOLONG));
    std::string deep;
    for (int k = 0; k < 30; ++k) deep += "/" + std::string(200, 'd');
    Parse(deep, &hr);  // beyond PATH_MAX
    EXPECT_EQ(hr, HResultFromErrno(ENAMETOOLONG));
    const UniquePidl longButFine = Parse(home_ + "/" + std::string(250, 'l') + "/" + std::string(250, 'm'));
    EXPECT_EQ(PidlToPath(longButFine.get()).size(), home_.size() + 502);  // no cut at 260
}

TEST_F(ShellNamespace, DesktopItemsNamesAndOrder) {
    ComPtr<IShellFolder> desktop;
    ASSERT_EQ(SHGetDesktopFolder(desktop.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(Names(desktop.Get(), kAll), (std::vector<std::string>{"Home", "Computer", "Trash"}));
    EXPECT_TRUE(Names(desktop.Get(), SHCONTF_NONFOLDERS).empty());

    const UniquePidl empty(CopyPidl(nullptr, nullptr));
    EXPECT_EQ(GetDisplayName(nullptr, empty.get(), NameKind::Normal), "Desktop");
    EXPECT_EQ(PidlToPath(empty.get()), "");
    EXPECT_EQ(PidlToPath(nullptr), "");
    const UniquePidl computer = Parse("::Computer");
    const UniquePidl trash = Parse("::Trash");
    EXPECT_EQ(GetDisplayName(nullptr, computer.get(), NameKind::ForParsing), "::Computer");
    EXPECT_EQ(PidlToPath(computer.get()), "");
    EXPECT_EQ(PidlToPath(trash.get()), "");
    EXPECT_EQ(GetDisplayName(nullptr, Parse("/").get(), NameKind::Normal), "File System");
    EXPECT_EQ(GetDisplayName(nullptr, Parse(home_).get(), NameKind::ForParsing), home_);

    // Multi-level lists compare level by level.
    MakeDir("b");
    MakeDir("a/z");
    EXPECT_LT(ComparePidls(Parse(home_ + "/a/z").get(), Parse(home_ + "/b").get()), 0);
    EXPECT_EQ(ComparePidls(Parse(home_ + "/a/z").get(), Parse(home_ + "/a/../a/z").get()), 0);
    EXPECT_LT(ComparePidls(Parse(home_ + "/b").get(), computer.get()), 0);
    EXPECT_LT(ComparePidls(computer.get(), trash.get()), 0);
    EXPECT_EQ(ComparePidls(nullptr, nullptr), 0);
    EXPECT_EQ(ComparePidls(nullptr, empty.get()), -1);
    EXPECT_EQ(ComparePidls(empty.get(), computer.get()), -1);

    const std::uint32_t trashAttrs = Attrs(desktop.Get(), trash.get(), ~0u);
    EXPECT_TRUE(trashAttrs & SFGAO_FOLDER);
    EXPECT_FALSE(trashAttrs & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR));
    const std::uint32_t homeAttrs = Attrs(desktop.Get(), Parse(home_).get(), ~0u);
    EXPECT_TRUE(homeAttrs & SFGAO_FILESYSTEM);
    EXPECT_FALSE(homeAttrs & (SFGAO_CANMOVE | SFGAO_CANRENAME | SFGAO_CANDELETE));
}

TEST_F(ShellNamespace, ComputerListsInjectedVolumes) {
    SetMountInfoOverride(
        "22 1 0:21 / /proc rw - proc proc rw\n"
        "30 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "41 30 8:17 / /media/user/USB\\040Stick rw,nosuid - vfat /dev/sdb1 rw\n"
        "42 30 8:33 / /mnt/backup rw - ext4 /dev/sdc1 rw\n");
    ComPtr<IShellFolder> computer = Folder("::Computer");
    ASSERT_TRUE(computer);
    EXPECT_EQ(Names(computer.Get(), kAll), (std::vector<std::string>{"File System", "USB Stick", "backup"}));

    // Paths go to the longest volume holding them.
    const UniquePidl onStick = Parse("/media/user/USB Stick/photos");
    ASSERT_EQ(PidlItemCount(onStick.get()), 3);
    EXPECT_EQ(GetDisplayName(nullptr, onStick.get(), NameKind::ForParsing), "/media/user/USB Stick/photos");
    const UniquePidl volume(CopyFirstItems(onStick.get(), 2));
    EXPECT_EQ(ItemName(LastItem(volume.get())), "/media/user/USB Stick");
    const UniquePidl stickItem(CopyFirstItems(NextItem(volume.get()), 1));
    EXPECT_TRUE(Attrs(computer.Get(), stickItem.get(), SFGAO_REMOVABLE) & SFGAO_REMOVABLE);
    const UniquePidl rootItem(CopyFirstItems(NextItem(Parse("/").get()), 1));
    EXPECT_FALSE(Attrs(computer.Get(), rootItem.get(), SFGAO_REMOVABLE | SFGAO_CANRENAME));
    EXPECT_EQ(PidlItemCount(Parse("/proc/self").get()), 4);  // /proc is not listed: under "/"
}

TEST_F(ShellNamespace, EnumerationHiddenFoldersAndLinks) {
    MakeFile("visible.txt");
    MakeFile(".hidden");
    MakeDir("sub");
    MakeDir("target");
    ASSERT_EQ(::symlink((home_ + "/target").c_str(), (home_ + "/to-folder").c_str()), 0);
    ASSERT_EQ(::symlink((home_ + "/nowhere").c_str(), (home_ + "/dangling").c_str()), 0);
    ComPtr<IShellFolder> home = Folder(home_);

    EXPECT_EQ(Names(home.Get(), SHCONTF_FOLDERS), (std::vector<std::string>{"sub", "target", "to-folder"}));
    EXPECT_EQ(Names(home.Get(), SHCONTF_NONFOLDERS), (std::vector<std::string>{"dangling", "visible.txt"}));
    EXPECT_EQ(Names(home.Get(), kAll),
              (std::vector<std::string>{"sub", "target", "to-folder", ".hidden", "dangling", "visible.txt"}));

    const auto items = Items(home.Get(), kAll);
    const std::uint32_t asked = SFGAO_FOLDER | SFGAO_LINK | SFGAO_GHOSTED | SFGAO_FILESYSTEM | SFGAO_SHARE;
    EXPECT_EQ(Attrs(home.Get(), items[2].get(), asked), SFGAO_FOLDER | SFGAO_LINK | SFGAO_FILESYSTEM);
    EXPECT_EQ(Attrs(home.Get(), items[3].get(), asked), SFGAO_GHOSTED | SFGAO_FILESYSTEM);
    EXPECT_EQ(Attrs(home.Get(), items[4].get(), asked), SFGAO_LINK | SFGAO_FILESYSTEM);
    EXPECT_EQ(ItemTagOf(items[4].get()), static_cast<int>(ItemTag::Other));
    EXPECT_EQ(Attrs(home.Get(), items[5].get(), asked), SFGAO_FILESYSTEM);

    // Binding a list from outside that names ".." or "a/b" is refused before it becomes a path.
    for (const char* bad : {"..", "a/b"}) {
        UniquePidl list(AppendItem(Parse(home_).get(), ItemTag::Folder, bad));
        ComPtr<IShellFolder> folder;
        EXPECT_EQ(GetShellFolder(list.get(), folder.ReleaseAndGetAddressOf()), E_INVALIDARG) << bad;
        EXPECT_EQ(PidlToPath(list.get()), "") << bad;
    }
}

TEST_F(ShellNamespace, SubfoldersValidationAndOrder) {
    MakeDir("leaf");
    MakeDir("parent/child");
    ComPtr<IShellFolder> home = Folder(home_);
    const auto folders = Items(home.Get(), SHCONTF_FOLDERS);
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_FALSE(Attrs(home.Get(), folders[0].get(), SFGAO_HASSUBFOLDER));
    EXPECT_TRUE(Attrs(home.Get(), folders[1].get(), SFGAO_HASSUBFOLDER));
    // File systems that do not count subfolders in the link count are scanned.
    EXPECT_EQ(SubfolderHintFromLinks(1), SubfolderHint::Scan);
    EXPECT_TRUE(HasSubfolderByScan(home_ + "/parent"));
    EXPECT_FALSE(HasSubfolderByScan(home_ + "/leaf"));
    EXPECT_FALSE(HasSubfolderByScan(home_ + "/absent"));

    // VALIDATE reads again: gone, or a file that became a folder, fails.
    const std::string file = MakeFile("changing");
    const UniquePidl fileItem = Child(home.Get(), "changing");
    HRESULT hr = E_FAIL;
    Attrs(home.Get(), fileItem.get(), SFGAO_VALIDATE, &hr);
    EXPECT_EQ(hr, S_OK);
    ::unlink(file.c_str());
    Attrs(home.Get(), fileItem.get(), SFGAO_VALIDATE, &hr);
    EXPECT_EQ(hr, HResultFromErrno(ENOENT));
    ::mkdir(file.c_str(), 0700);
    Attrs(home.Get(), fileItem.get(), SFGAO_VALIDATE, &hr);
    EXPECT_TRUE(Failed(hr));
    const UniquePidl leafItem = Child(home.Get(), "leaf");
    ::rmdir((home_ + "/leaf").c_str());
    Attrs(home.Get(), leafItem.get(), SFGAO_VALIDATE | SFGAO_FOLDER, &hr);
    EXPECT_TRUE(Failed(hr));
}

TEST_F(ShellNamespace, CompareIdsByNameAndColumns) {
    ::mkdir((home_ + "/sort").c_str(), 0700);
    std::ofstream(home_ + "/sort/file10.txt") << "0123456789";
    std::ofstream(home_ + "/sort/file9.txt") << "01";
    std::ofstream(home_ + "/sort/a.zip") << "0123";
    std::ofstream(home_ + "/sort/A.zip") << "012345";
    ::mkdir((home_ + "/sort/zdir").c_str(), 0700);
    timespec times[2] = {{0, UTIME_OMIT}, {1000000, 0}};
    ::utimensat(AT_FDCWD, (home_ + "/sort/file10.txt").c_str(), times, 0);
    times[1].tv_sec = 2000000;
    ::utimensat(AT_FDCWD, (home_ + "/sort/a.zip").c_str(), times, 0);
    ComPtr<IShellFolder> folder = Folder(home_ + "/sort");
    auto items = Items(folder.Get(), kAll);
    auto order = [&](std::intptr_t column) {
        std::sort(items.begin(), items.end(), [&](const UniquePidl& a, const UniquePidl& b) {
            return CompareOrder(folder->CompareIDs(column, a.get(), b.get())) < 0;
        });
        std::vector<std::string> names;
        for (const UniquePidl& item : items) names.emplace_back(ItemName(item.get()));
        return names;
    };
    EXPECT_EQ(order(0), (std::vector<std::string>{"zdir", "A.zip", "a.zip", "file9.txt", "file10.txt"}));
    EXPECT_EQ(order(1), (std::vector<std::string>{"zdir", "file9.txt", "a.zip", "A.zip", "file10.txt"}));
    EXPECT_EQ(order(2), (std::vector<std::string>{"zdir", "file9.txt", "file10.txt", "A.zip", "a.zip"}));
    EXPECT_EQ(order(3).at(1), "file10.txt");
    EXPECT_EQ(order(3).at(2), "a.zip");
    EXPECT_NE(CompareOrder(folder->CompareIDs(0, items[1].get(), items[2].get())), 0);
}

TEST_F(ShellNamespace, SetNameOfRenamesWithoutReplacing) {
    MakeFile("rename/old.txt", "old");
    MakeFile("rename/other.txt", "other");
    ComPtr<IShellFolder> folder = Folder(home_ + "/rename");
    const UniquePidl old = Child(folder.Get(), "old.txt");
    PItemIDList renamed = nullptr;
    ASSERT_EQ(folder->SetNameOf(nullptr, old.get(), "new.txt", 0, &renamed), S_OK);
    const UniquePidl newItem(renamed);
    EXPECT_EQ(ItemName(newItem.get()), "new.txt");
    EXPECT_EQ(::access((home_ + "/rename/new.txt").c_str(), F_OK), 0);

    EXPECT_EQ(folder->SetNameOf(nullptr, newItem.get(), "other.txt", 0, nullptr), HResultFromErrno(EEXIST));
    std::string body;
    std::getline(std::ifstream(home_ + "/rename/other.txt"), body);
    EXPECT_EQ(body, "other");
    std::getline(std::ifstream(home_ + "/rename/new.txt"), body);
    EXPECT_EQ(body, "old");
    for (const std::string& bad : std::vector<std::string>{"", ".", "..", "a/b", std::string("nul\0", 4)})
        EXPECT_EQ(folder->SetNameOf(nullptr, newItem.get(), bad, 0, nullptr), HResultFromErrno(EINVAL));
}

TEST_F(ShellNamespace, TrashShowsEntriesByOriginalName) {
    const std::string trash = root_ + "/data/Trash";
    EXPECT_EQ(HomeTrashDir(), trash);
    std::filesystem::create_directories(trash + "/info");
    std::filesystem::create_directories(trash + "/files");
    std::ofstream(trash + "/files/report.txt.2") << "x";
    std::ofstream(trash + "/info/report.txt.2.trashinfo")
        << "[Trash Info]\nPath=" << home_ << "/my%20report%C3%A9.txt\nDeletionDate=2026-12-01T10:00:00\n";
    std::ofstream(trash + "/info/orphan.trashinfo") << "[Trash Info]\nPath=/x/orphan\n";
    std::ofstream(trash + "/files/broken") << "x";
    std::ofstream(trash + "/info/broken.trashinfo") << "no group\n";

    const auto entries = ListHomeTrash();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].originalPath, home_ + "/my report\xc3\xa9.txt");
    EXPECT_EQ(entries[0].deletionDate, "2026-12-01T10:00:00");

    ComPtr<IShellFolder> folder = Folder("::Trash");
    EXPECT_TRUE(Names(folder.Get(), SHCONTF_FOLDERS).empty());
    const auto items = Items(folder.Get(), kAll);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(GetDisplayName(folder.Get(), items[0].get(), NameKind::InFolder), "my report\xc3\xa9.txt");
    const std::uint32_t attrs = Attrs(folder.Get(), items[0].get(), ~0u);
    EXPECT_EQ(attrs, SFGAO_READONLY);
    ComPtr<IShellFolder> inner;
    EXPECT_TRUE(Failed(folder->BindToObject(items[0].get(), nullptr, Iid::ShellFolder, inner.ReleaseAndGetVoidAddress())));

    ::setenv("XDG_DATA_HOME", "relative/data", 1);  // ignored: not absolute
    EXPECT_EQ(HomeTrashDir(), home_ + "/.local/share/Trash");
}

TEST_F(ShellNamespace, RelativeParsingEnumeratorAndDesktopRenames) {
    MakeFile("p/a.txt");
    MakeFile("p/b.txt");
    MakeFile("p/c.txt");
    ComPtr<IShellFolder> folder = Folder(home_ + "/p");
    PItemIDList item = nullptr;
    for (const char* bad : {"../p/a.txt", "x/../../a.txt", "/abs", ""}) {
        EXPECT_EQ(folder->ParseDisplayName(nullptr, nullptr, bad, nullptr, &item, nullptr), E_INVALIDARG) << bad;
        EXPECT_EQ(item, nullptr);
    }
    const UniquePidl viaDots = Child(folder.Get(), "sub/../b.txt");
    EXPECT_EQ(ItemName(viaDots.get()), "b.txt");

    ComPtr<IEnumIDList> items;
    ASSERT_EQ(folder->EnumObjects(nullptr, SHCONTF_NONFOLDERS, items.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(items->Skip(1), S_OK);
    ComPtr<IEnumIDList> clone;
    ASSERT_EQ(items->Clone(clone.ReleaseAndGetAddressOf()), S_OK);
    PItemIDList got[3] = {};
    std::uint32_t fetched = 9;
    EXPECT_EQ(items->Next(3, got, &fetched), S_FALSE);  // only two were left
    EXPECT_EQ(fetched, 2u);
    for (std::uint32_t k = 0; k < fetched; ++k) FreePidl(got[k]);
    EXPECT_EQ(clone->Next(2, got, &fetched), S_OK);      // the clone kept its own place
    EXPECT_EQ(fetched, 2u);
    for (std::uint32_t k = 0; k < fetched; ++k) FreePidl(got[k]);
    EXPECT_EQ(items->Reset(), S_OK);
    EXPECT_EQ(items->Next(3, got, &fetched), S_OK);
    for (std::uint32_t k = 0; k < fetched; ++k) FreePidl(got[k]);

    // The desktop renames through the folder that holds the item; its own items keep their names.
    ComPtr<IShellFolder> desktop;
    ASSERT_EQ(SHGetDesktopFolder(desktop.ReleaseAndGetAddressOf()), S_OK);
    const UniquePidl a = Parse(home_ + "/p/a.txt");
    PItemIDList renamed = nullptr;
    ASSERT_EQ(desktop->SetNameOf(nullptr, a.get(), "d.txt", 0, &renamed), S_OK);
    FreePidl(renamed);
    EXPECT_EQ(::access((home_ + "/p/d.txt").c_str(), F_OK), 0);
    EXPECT_EQ(desktop->SetNameOf(nullptr, Parse(home_).get(), "x", 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(SystemMessage(desktop->SetNameOf(nullptr, Parse(home_ + "/p/b.txt").get(), "c.txt", 0, nullptr)),
              "File exists");
}
