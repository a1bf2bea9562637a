// The shell list's item lists: sizes and types of the detail columns, the sorted item-id list with
// its duplicates policies, shortcuts (symlinks), file-name lists and the column-width record.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QLocale>

#include <filesystem>
#include <fstream>

#include "shell/ns/list_items.h"
#include "shell/ns/shell_utils.h"
#include "tests/shell/ns/scratch_home.h"

namespace corvane::testing {
namespace {

using namespace shell;

class ShellListItems : public ScratchHome {
protected:
    void SetUp() override {
        ScratchHome::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override {
        QLocale::setDefault(QLocale::system());
        ScratchHome::TearDown();
    }
    UniquePidl ListOf(const std::string& path) {
        PItemIDList list = nullptr;
        EXPECT_TRUE(Succeeded(PathToPidl(path, &list))) << path;
        return UniquePidl(list);
    }
};

TEST_F(ShellListItems, SizesRoundUpToKilobytesWithSeparatorsBeyondFourGigabytes) {
    EXPECT_EQ(FormatSizeKB(0), "0KB");
    EXPECT_EQ(FormatSizeKB(1), "1KB");
    EXPECT_EQ(FormatSizeKB(1024), "1KB");
    EXPECT_EQ(FormatSizeKB(1025), "2KB");
    EXPECT_EQ(FormatSizeKB(5'000'000'000ull), "4,882,813KB");

    const std::string file = MakeFile("page.htm", std::string(1025, 'x'));
    const TFileDetails details = GetFileDetails(ListOf(file).get(), SFGAO_FILESYSTEM);
    EXPECT_EQ(details.Size, "2KB");
    EXPECT_FALSE(details.Type.empty());
    EXPECT_NE(details.Modified.find(' '), std::string::npos);
    // Folders have no size; a path that is gone gives no texts at all.
    EXPECT_EQ(GetFileDetails(ListOf(MakeDir("sub")).get(), SFGAO_FILESYSTEM | SFGAO_FOLDER).Size, "");
    UniquePidl gone = ListOf(file);
    std::filesystem::remove(file);
    const TFileDetails none = GetFileDetails(gone.get(), SFGAO_FILESYSTEM);
    EXPECT_EQ(none.Size + none.Type + none.Modified, "");
    // Outside the file system.
    EXPECT_EQ(GetFileDetails(ListOf("::Computer").get(), SFGAO_FOLDER).Type, "System Folder");
}

TEST_F(ShellListItems, DuplicatesAreIgnoredRefusedOrAcceptedByPolicy) {
    UniquePidl a(MakeItem(ItemTag::Other, "a"));
    UniquePidl b(MakeItem(ItemTag::Other, "b"));
    UniquePidl c(MakeItem(ItemTag::Other, "c"));
    int tag = 0;
    const auto fill = [&](TPTPidlList& list) {
        list.SetSorted(true);
        list.Add(c.get(), &tag);
        list.Add(a.get(), &tag);
        list.Add(b.get(), &tag);
    };
    TPTPidlList ignore;
    EXPECT_EQ(ignore.DuplicatesPolicy(), TPTPidlList::dupError);
    ignore.SetDuplicates(TPTPidlList::dupIgnore);
    fill(ignore);
    EXPECT_EQ(ignore.Add(b.get(), nullptr), 1);
    EXPECT_EQ(ignore.Count(), 3);
    EXPECT_EQ(ignore.Pidls(0), a.get());
    EXPECT_EQ(ignore.IndexOf(c.get()), 2);

    TPTPidlList refuse;
    fill(refuse);
    try {
        refuse.Add(a.get(), nullptr);
        ADD_FAILURE() << "no error";
    } catch (const EShellError& error) {
        EXPECT_STREQ(error.what(), "TPTPidlList: Duplicate PIDL");
    }
    EXPECT_EQ(refuse.Count(), 3);

    TPTPidlList accept;
    accept.SetDuplicates(TPTPidlList::dupAccept);
    fill(accept);
    accept.Add(b.get(), nullptr);
    EXPECT_EQ(accept.Count(), 4);
    EXPECT_EQ(accept.Compare(accept.Pidls(1), accept.Pidls(2)), 0);

    // Without a folder: the first differing byte, the size bytes included.
    UniquePidl ab(MakeItem(ItemTag::Other, "ab"));
    UniquePidl bb(MakeItem(ItemTag::Other, "bb"));
    EXPECT_LT(accept.Compare(b.get(), ab.get()), 0);
    EXPECT_GT(accept.Compare(bb.get(), ab.get()), 0);
    // An unsorted list appends and searches from the start.
    TPTPidlList plain;
    plain.Add(c.get(), nullptr);
    plain.Add(a.get(), nullptr);
    EXPECT_EQ(plain.IndexOf(a.get()), 1);
    EXPECT_EQ(plain.IndexOf(b.get()), -1);
}

TEST_F(ShellListItems, FolderOrderAndTheAllocatorFreeingTheLists) {
    ComPtr<IShellFolder> folder;
    ASSERT_TRUE(Succeeded(GetShellFolder(ListOf(home_).get(), folder.ReleaseAndGetAddressOf())));
    TPTPidlList list;
    list.SetShellFolder(folder.Get());
    list.SetAllocator(&ShellAllocator());
    list.Add(MakeItem(ItemTag::Other, "b10"), nullptr);
    list.Add(MakeItem(ItemTag::Other, "b9"), nullptr);
    list.Add(MakeItem(ItemTag::Folder, "z"), nullptr);
    list.SetSorted(true);
    // Folders first, numbers by value; every list is freed (ASan checks).
    EXPECT_EQ(ItemName(list.Pidls(0)), "z");
    EXPECT_EQ(ItemName(list.Pidls(1)), "b9");
    list.Delete(0);
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(ShellListItems, LinksReadTheirTargetAndADanglingOneFails) {
    const std::string folder = MakeDir("target");
    const std::string file = MakeFile("doc.txt", "hello");
    ASSERT_EQ(::symlink(folder.c_str(), (home_ + "/to-folder").c_str()), 0);
    ASSERT_EQ(::symlink("doc.txt", (home_ + "/to-file").c_str()), 0);
    ASSERT_EQ(::symlink((home_ + "/nothing").c_str(), (home_ + "/to-nothing").c_str()), 0);

    TLinkData data;
    ASSERT_EQ(ReadLinkData(home_ + "/to-folder", data, true), S_OK);
    EXPECT_EQ(data.Path, folder);
    EXPECT_EQ(data.FindData.Attributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(PidlToPath(data.IdList.get()), folder);
    EXPECT_EQ(data.ShowCmd, 1);
    EXPECT_EQ(data.HotKey, 0);

    ASSERT_EQ(ReadLinkData(home_ + "/to-file", data, false), S_OK);
    EXPECT_EQ(data.Path, file);
    EXPECT_EQ(data.FindData.Attributes, 0u);
    EXPECT_EQ(data.FindData.Size, 5u);
    EXPECT_EQ(data.IdList, nullptr);

    EXPECT_TRUE(Failed(ReadLinkData(home_ + "/to-nothing", data, false)));
    EXPECT_TRUE(data.Path.empty());
    EXPECT_TRUE(Failed(ReadLinkData(file, data, false)));
}

TEST_F(ShellListItems, NameListsHoldFilesOnlyAndIgnoreCase) {
    MakeFile("Index.HTM");
    MakeFile("notes.txt");
    MakeDir("pages.htm");
    TNameList names = MakeSortedNameList();
    AddFolderFiles(names, home_ + "/*.htm");
    AddFolderFiles(names, home_ + "/*.HTM");
    AddFolderFiles(names, root_ + "/missing/*");
    EXPECT_EQ(names.Count(), 1u);
    EXPECT_TRUE(NameListContains(names, "index.htm"));
    EXPECT_FALSE(NameListContains(names, "pages.htm"));
    EXPECT_FALSE(NameListContains(names, "notes.txt"));
}

TEST_F(ShellListItems, ColumnWidthsAreCountThenWidthsLittleEndian) {
    std::string stream;
    WriteColumnWidths(stream, {200, 0x01020304});
    EXPECT_EQ(stream, std::string("\x02\0\0\0\xC8\0\0\0\x04\x03\x02\x01", 12));
    std::vector<int> widths;
    ASSERT_TRUE(ReadColumnWidths(stream, widths));
    EXPECT_EQ(widths, (std::vector<int>{200, 0x01020304}));
    EXPECT_FALSE(ReadColumnWidths(stream.substr(0, 7), widths));
}

}  // namespace
}  // namespace corvane::testing
