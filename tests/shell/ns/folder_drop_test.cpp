// Drops on a folder: which effect the keys and file systems give, what lands on disk, and what a
// drop refuses.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "shell/ns/data_object.h"
#include "shell/ns/folder_drop_target.h"
#include "shell/ns/shell_utils.h"
#include "tests/shell/ns/fs_helpers.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/shell/ns/scratch_home.h"

namespace corvane::testing {
namespace {

using namespace shell;

constexpr std::uint32_t kAll = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// Files as a drag from the desktop's top would carry them: absolute lists under no parent.
ComPtr<IDataObject> FilesData(const std::vector<std::string>& paths) {
    std::vector<UniquePidl> lists;
    std::vector<PCItemIDList> items;
    for (const std::string& path : paths) {
        PItemIDList list = nullptr;
        EXPECT_TRUE(Succeeded(PathToPidl(path, &list)));
        lists.emplace_back(list);
        items.push_back(list);
    }
    return ComPtr<IDataObject>::Attach(new TDataObject_shtv(nullptr, items));
}

class TextOnly final : public TBlockDataObject {
public:
    TextOnly() { SetBlock(CF_TEXT, ByteBlock{'h', 'i', 0}); }
};

class ShellFolderDrop : public ScratchHome {
protected:
    // Drags in with these keys and drops; the effect the target reported.
    std::uint32_t DropOn(const std::string& folder, IDataObject* data, std::uint32_t keys,
                         std::uint32_t allowed = kAll) {
        auto* target = new TFolderDropTarget(folder, nullptr);
        std::uint32_t effect = allowed;
        EXPECT_EQ(target->DragEnter(data, keys | MK_LBUTTON, {}, &effect), S_OK);
        entered = effect;
        effect = allowed;
        EXPECT_EQ(target->Drop(data, keys, {}, &effect), S_OK);
        target->Release();
        return effect;
    }
    std::uint32_t entered = 0;
    RecordingShellUi ui;
};

TEST_F(ShellFolderDrop, PlainDropMovesOnOneFileSystemAndCopiesAcross) {
    const std::string file = MakeFile("a/f.txt", "body");
    const std::string to = MakeDir("b");
    EXPECT_EQ(DropOn(to, FilesData({file}).Get(), 0), DROPEFFECT_MOVE);
    EXPECT_EQ(entered, DROPEFFECT_MOVE);
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(ReadText(to + "/f.txt"), "body");

    char pattern[] = "/dev/shm/shell-drop-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) GTEST_SKIP() << "no /dev/shm";
    const std::string shm = pattern;
    struct stat a, b;
    ASSERT_EQ(::stat(shm.c_str(), &a), 0);
    ASSERT_EQ(::stat(home_.c_str(), &b), 0);
    if (a.st_dev != b.st_dev) {
        EXPECT_EQ(DropOn(shm, FilesData({to + "/f.txt"}).Get(), 0), DROPEFFECT_COPY);
        EXPECT_TRUE(Exists(to + "/f.txt"));
        EXPECT_EQ(ReadText(shm + "/f.txt"), "body");
        // Shift moves even across.
        EXPECT_EQ(DropOn(shm, FilesData({to + "/f.txt"}).Get(), MK_SHIFT), DROPEFFECT_MOVE);
        EXPECT_FALSE(Exists(to + "/f.txt"));
        EXPECT_EQ(ReadText(shm + "/f (2).txt"), "body");
    }
    std::filesystem::remove_all(shm);
}

TEST_F(ShellFolderDrop, KeysPickCopyMoveOrLinkWithinTheAllowedEffects) {
    const std::string file = MakeFile("a/f.txt", "one");
    const std::string to = MakeDir("b");
    EXPECT_EQ(DropOn(to, FilesData({file}).Get(), MK_CONTROL), DROPEFFECT_COPY);
    EXPECT_TRUE(Exists(file));
    // The name is taken now: a copy gets a number and never replaces.
    WriteText(file, "two");
    EXPECT_EQ(DropOn(to, FilesData({file}).Get(), MK_CONTROL), DROPEFFECT_COPY);
    EXPECT_EQ(ReadText(to + "/f.txt"), "one");
    EXPECT_EQ(ReadText(to + "/f (2).txt"), "two");

    EXPECT_EQ(DropOn(to, FilesData({file}).Get(), MK_CONTROL | MK_SHIFT), DROPEFFECT_LINK);
    EXPECT_TRUE(IsLink(to + "/f (3).txt"));
    EXPECT_EQ(DropOn(to, FilesData({file}).Get(), MK_ALT), DROPEFFECT_LINK);
    EXPECT_TRUE(IsLink(to + "/f (4).txt"));

    // A source that only offers copy and link: a plain drop copies, Shift does nothing.
    EXPECT_EQ(DropOn(to, FilesData({file}).Get(), MK_SHIFT, DROPEFFECT_COPY | DROPEFFECT_LINK), DROPEFFECT_NONE);
    EXPECT_EQ(DropOn(to, FilesData({file}).Get(), 0, DROPEFFECT_COPY | DROPEFFECT_LINK), DROPEFFECT_COPY);
    EXPECT_TRUE(Exists(file));
    EXPECT_EQ(CountEntries(to), 5u);
}

TEST_F(ShellFolderDrop, RefusesAFolderIntoItselfTextAndItemsWithoutAPath) {
    const std::string folder = MakeDir("a/sub");
    const std::string parent = home_ + "/a";
    EXPECT_EQ(DropOn(folder, FilesData({parent}).Get(), MK_CONTROL), DROPEFFECT_NONE);
    EXPECT_EQ(DropOn(parent, FilesData({parent}).Get(), MK_CONTROL), DROPEFFECT_NONE);
    // Moving into the folder it is already in does nothing either.
    EXPECT_EQ(DropOn(parent, FilesData({folder}).Get(), 0), DROPEFFECT_NONE);
    EXPECT_TRUE(Exists(folder));
    EXPECT_EQ(CountEntries(folder), 0u);

    auto* text = new TextOnly;
    EXPECT_EQ(DropOn(parent, text, 0), DROPEFFECT_NONE);
    EXPECT_EQ(entered, DROPEFFECT_NONE);
    text->Release();
    // The trash has no path: not a local file.
    UniquePidl trash(MakeItem(ItemTag::Trash, {}));
    PCItemIDList item = trash.get();
    auto* virtualItem = new TDataObject_shtv(nullptr, std::vector<PCItemIDList>{item});
    EXPECT_EQ(DropOn(parent, virtualItem, MK_CONTROL), DROPEFFECT_NONE);
    virtualItem->Release();
    EXPECT_EQ(CountEntries(parent), 1u);
}

TEST_F(ShellFolderDrop, RightButtonDropAsksWhatToDo) {
    const std::string file = MakeFile("a/f.txt");
    const std::string to = MakeDir("b");
    auto* target = new TFolderDropTarget(to, nullptr);
    ComPtr<IDataObject> data = FilesData({file});
    std::uint32_t effect = kAll;
    ASSERT_EQ(target->DragEnter(data.Get(), MK_RBUTTON, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_MOVE);
    ui.dropChoices = {DROPEFFECT_LINK};
    effect = kAll;
    ASSERT_EQ(target->Drop(data.Get(), 0, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_LINK);
    ASSERT_EQ(ui.dropMenus.size(), 1u);
    EXPECT_EQ(ui.dropMenus[0].first, kAll);
    EXPECT_EQ(ui.dropMenus[0].second, DROPEFFECT_MOVE);
    EXPECT_TRUE(IsLink(to + "/f.txt"));
    EXPECT_TRUE(Exists(file));

    // Cancel in the menu does nothing.
    ui.dropChoices = {DROPEFFECT_NONE};
    effect = kAll;
    ASSERT_EQ(target->DragEnter(data.Get(), MK_RBUTTON, {}, &effect), S_OK);
    ASSERT_EQ(target->Drop(data.Get(), 0, {}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    EXPECT_EQ(CountEntries(to), 1u);
    target->Release();
}

// A dropped name is a name, whatever it holds: its siblings that a pattern would match stay.
using DeleteSafetyDrop = ShellFolderDrop;

TEST_F(DeleteSafetyDrop, OnlyTheDroppedItemsMove) {
    const std::string odd = MakeFile("a/report?.txt", "odd");
    const std::string star = MakeFile("a/pages*", "star");
    for (const char* sibling : {"a/report1.txt", "a/reportX.txt", "a/pages", "a/pages2"}) MakeFile(sibling, "sibling");
    const std::string to = MakeDir("b");
    EXPECT_EQ(DropOn(to, FilesData({odd, star}).Get(), 0), DROPEFFECT_MOVE);
    EXPECT_EQ(ReadText(to + "/report?.txt"), "odd");
    EXPECT_EQ(ReadText(to + "/pages*"), "star");
    EXPECT_EQ(CountEntries(to), 2u);
    EXPECT_EQ(CountEntries(home_ + "/a"), 4u);
    EXPECT_TRUE(ui.warnings.empty());
}

}  // namespace
}  // namespace corvane::testing
