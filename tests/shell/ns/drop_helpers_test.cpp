// Splitting absolute lists, the desktop directory's drop target, and the effects a dragged set allows.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "shell/ns/data_object.h"
#include "shell/ns/drop_helpers.h"
#include "shell/ns/folder_drop_target.h"
#include "shell/ns/shell_utils.h"
#include "tests/shell/ns/scratch_home.h"

namespace corvane::testing {
namespace {

using namespace shell;

UniquePidl ListOf(const std::string& path) {
    PItemIDList list = nullptr;
    EXPECT_TRUE(Succeeded(PathToPidl(path, &list))) << path;
    return UniquePidl(list);
}

class ForgedCida final : public TBlockDataObject {
public:
    explicit ForgedCida(ByteBlock block) { SetBlock(ShellIdListFormat(), std::move(block)); }
};

class ShellDropHelpers : public ScratchHome {};

TEST_F(ShellDropHelpers, SplitsListsAndTheDesktopDirectory) {
    const std::string file = MakeFile("docs/a.txt");
    UniquePidl list = ListOf(file);
    IShellFolder* folder = nullptr;
    PItemIDList parent = nullptr;
    PItemIDList item = nullptr;
    ASSERT_EQ(SplitPidl(list.get(), &folder, &parent, &item), S_OK);
    EXPECT_EQ(PidlToPath(parent), home_ + "/docs");
    EXPECT_EQ(ItemName(item), "a.txt");
    EXPECT_EQ(GetDisplayName(folder, item, NameKind::ForParsing), file);
    folder->Release();
    FreePidl(parent);
    FreePidl(item);

    UniquePidl home(MakeItem(ItemTag::Home, {}));
    ASSERT_EQ(SplitPidl(home.get(), &folder, &parent, &item), S_OK);
    EXPECT_EQ(parent, nullptr);
    EXPECT_EQ(ItemTagOf(item), static_cast<std::uint8_t>(ItemTag::Home));
    folder->Release();
    FreePidl(item);

    // No desktop directory yet: nothing, and the failure.
    EXPECT_TRUE(Failed(SplitDesktopPidl(&parent, &item)));
    EXPECT_EQ(parent, nullptr);
    EXPECT_EQ(item, nullptr);
    IDropTarget* target = nullptr;
    EXPECT_TRUE(Failed(GetDesktopDropTarget(&target)));
    EXPECT_EQ(target, nullptr);

    MakeDir("Desktop");
    ASSERT_EQ(SplitDesktopPidl(&parent, &item), S_OK);
    EXPECT_EQ(PidlToPath(parent), home_);
    EXPECT_EQ(ItemName(item), "Desktop");
    FreePidl(parent);
    FreePidl(item);
    ASSERT_EQ(GetDesktopDropTarget(&target), S_OK);
    EXPECT_EQ(static_cast<TFolderDropTarget*>(target)->Folder(), home_ + "/Desktop");
    target->Release();
}

TEST_F(ShellDropHelpers, EffectsAreWhatEveryItemAllows) {
    const std::string file = MakeFile("docs/a.txt");
    MakeFile("docs/b.txt");
    UniquePidl docs = ListOf(home_ + "/docs");
    UniquePidl a(MakeItem(ItemTag::Other, "a.txt"));
    UniquePidl b(MakeItem(ItemTag::Other, "b.txt"));
    auto* files = new TDataObject_shtv(docs.get(), std::vector<PCItemIDList>{a.get(), b.get()});
    EXPECT_EQ(GetDataDropEffects(files), DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    files->Release();

    // Home cannot be moved: with it in the set only copy and link stay.
    UniquePidl home(MakeItem(ItemTag::Home, {}));
    UniquePidl fileList = ListOf(file);
    auto* mixed = new TDataObject_shtv(nullptr, std::vector<PCItemIDList>{home.get(), fileList.get()});
    EXPECT_EQ(GetDataDropEffects(mixed), DROPEFFECT_COPY | DROPEFFECT_LINK);
    mixed->Release();

    // A forged array, or none at all, allows nothing (and throws nothing).
    ByteBlock block = BuildCida(docs.get(), {a.get()});
    block[4] = 0xFF;
    auto* forged = new ForgedCida(block);
    EXPECT_EQ(GetDataDropEffects(forged), DROPEFFECT_NONE);
    forged->Release();
    EXPECT_EQ(GetDataDropEffects(nullptr), DROPEFFECT_NONE);
}

}  // namespace
}  // namespace corvane::testing
