// Item-id lists: measuring and joining, the check of lists from outside, the array view, the stored
// block, the name order and the message formatter.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "shell/ns/id_list_array.h"
#include "shell/ns/name_order.h"
#include "shell/ns/pidl.h"
#include "shell/ns/pidl_block.h"
#include "shell/ns/shell_utils.h"

using namespace corvane::shell;

namespace {

// Raw list bytes: items of (tag, name), then the terminator.
std::string Raw(const std::vector<std::pair<int, std::string>>& items) {
    std::string out;
    for (const auto& [tag, name] : items) {
        const std::size_t cb = name.size() + 4;
        out += static_cast<char>(cb & 0xFF);
        out += static_cast<char>(cb >> 8);
        out += static_cast<char>(tag);
        out += name;
        out += '\0';
    }
    out += std::string(2, '\0');
    return out;
}

bool Valid(const std::string& bytes) { return ValidatePidl(bytes.data(), bytes.size()); }

UniquePidl List(const std::string& bytes) { return UniquePidl(CopyPidl(nullptr, reinterpret_cast<const std::uint8_t*>(bytes.data()))); }

}  // namespace

TEST(Pidl, SizesCopiesAndJoins) {
    EXPECT_EQ(GetPidlSize(nullptr), 0);
    UniquePidl empty(ConcatPidls(nullptr, nullptr, nullptr));  // two nil lists give the empty list
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GetPidlSize(empty.get()), 2);
    EXPECT_EQ(PidlItemCount(empty.get()), 0);

    UniquePidl a(MakeItem(ItemTag::Home, {}));
    UniquePidl b(AppendItem(nullptr, ItemTag::Folder, "docs"));
    UniquePidl ab(ConcatPidls(nullptr, a.get(), b.get()));
    EXPECT_EQ(GetPidlSize(ab.get()), 4 + 8 + 2);
    EXPECT_EQ(PidlItemCount(ab.get()), 2);
    EXPECT_EQ(ItemName(LastItem(ab.get())), "docs");
    UniquePidl head(CopyFirstItems(ab.get(), 1));
    EXPECT_EQ(GetPidlSize(head.get()), 6);
    EXPECT_EQ(ItemTagOf(head.get()), 1);
}

TEST(Pidl, ValidateAcceptsOurListsAndRefusesTheRest) {
    EXPECT_TRUE(Valid(Raw({})));
    EXPECT_TRUE(Valid(Raw({{1, ""}, {0x20, "a b"}, {0x21, "f\xff\n.txt"}})));  // names are bytes
    EXPECT_TRUE(Valid(Raw({{2, ""}, {0x10, "/media/usb stick"}, {0x20, "x"}})));
    EXPECT_TRUE(Valid(Raw({{3, ""}, {0x30, "file.2"}})));

    EXPECT_FALSE(Valid(""));
    EXPECT_FALSE(Valid(std::string(1, '\0')));
    EXPECT_FALSE(Valid(Raw({{1, ""}}).substr(0, 4)));     // no terminator
    EXPECT_FALSE(Valid(Raw({{1, ""}}) + "xx"));           // bytes after the terminator
    EXPECT_FALSE(Valid(std::string("\x03\x00\x01\x00\x00", 5)));  // cb below 4
    EXPECT_FALSE(Valid(std::string("\x09\x00\x20" "ab\x00\x00\x00", 8)));  // cb beyond the block
    EXPECT_FALSE(Valid(Raw({{0x44, "x"}})));              // unknown tag
    std::string noNul = Raw({{0x20, "ab"}});
    noNul[5] = 'c';
    EXPECT_FALSE(Valid(noNul));
    for (const char* bad : {"", ".", "..", "a/b"}) EXPECT_FALSE(Valid(Raw({{1, ""}, {0x20, bad}}))) << bad;
    EXPECT_FALSE(Valid(Raw({{0x20, std::string("a\0b", 3)}})));
    EXPECT_FALSE(Valid(Raw({{1, "name"}})));              // root items carry no name
    for (const char* bad : {"media", "/media/../etc", "/a//b", "/a/"})
        EXPECT_FALSE(Valid(Raw({{2, ""}, {0x10, bad}}))) << bad;
}

TEST(Pidl, IdListArrayItemsAndParents) {
    UniquePidl empty(CopyPidl(nullptr, nullptr));
    TPTIdListArray none(empty.get());
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(GetPidlSize(none.Items(0)), 2);  // item 0 of the desktop's list is an empty list
    EXPECT_EQ(GetPidlSize(none.Items(1)), 2);  // never reads past the terminator

    const UniquePidl list = List(Raw({{1, ""}, {0x20, "a"}, {0x21, "b.txt"}}));
    TPTIdListArray array(list.get());
    EXPECT_EQ(array.Count(), 3);
    EXPECT_EQ(ItemName(array.Items(2)), "b.txt");
    EXPECT_EQ(PidlItemCount(array.Items(1)), 1);
    try {
        array.Items(3);
        FAIL();
    } catch (const EShellError& e) {
        EXPECT_STREQ(e.what(), "TPTIdListArray - index 3 out of range");
    }
    EXPECT_THROW(array.Items(-1), EShellError);
    EXPECT_THROW(TPTIdListArray(nullptr).Items(0), EShellError);
    EXPECT_EQ(PidlItemCount(array.GetParent(1)), 2);
    EXPECT_EQ(GetPidlSize(array.GetParent(3)), 2);
    EXPECT_EQ(array.GetParent(4), nullptr);
}

TEST(Pidl, StoredBlockRoundTripAndRefusals) {
    const std::string raw = Raw({{1, ""}, {0x20, "caf\xc3\xa9"}});
    const UniquePidl list = List(raw);
    const std::string block = EncodePidlBlock(false, 0, list.get());
    EXPECT_EQ(block.size(), 5 + raw.size());
    PidlBlock read;
    ASSERT_TRUE(DecodePidlBlock(block, read));
    EXPECT_FALSE(read.bySpecialFolder);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(read.list.get()), raw.size()), raw);

    ASSERT_TRUE(DecodePidlBlock(EncodePidlBlock(true, 0x11, nullptr), read));
    EXPECT_TRUE(read.bySpecialFolder);
    EXPECT_EQ(read.specialFolder, 0x11);
    EXPECT_EQ(read.list, nullptr);

    // A list of size 0 is nil, not a zero-length block.
    ASSERT_TRUE(DecodePidlBlock(std::string("\0\0\0\0\0", 5), read));
    EXPECT_FALSE(read.bySpecialFolder);
    EXPECT_EQ(read.list, nullptr);

    std::string error;
    const std::string huge = std::string(1, '\0') + std::string("\x01\x00\x10\x00", 4);  // 1 MiB + 1
    EXPECT_FALSE(DecodePidlBlock(huge + std::string(0x100001, '\0'), read, &error));
    EXPECT_NE(error.find("too large"), std::string::npos);
    EXPECT_FALSE(DecodePidlBlock(block.substr(0, block.size() - 1), read));   // truncated
    const UniquePidl dots = List(Raw({{1, ""}, {0x20, ".."}}));
    EXPECT_FALSE(DecodePidlBlock(EncodePidlBlock(false, 0, dots.get()), read, &error));
    EXPECT_NE(error.find("not valid"), std::string::npos);
    EXPECT_FALSE(DecodePidlBlock("", read));
}

TEST(Pidl, NameOrder) {
    EXPECT_LT(CompareNames("file9", "file10"), 0);
    EXPECT_LT(CompareNames("file010", "file11"), 0);
    EXPECT_LT(CompareNames("apple", "Banana"), 0);   // case folded
    EXPECT_NE(CompareNames("a", "A"), 0);             // distinct names are never equal
    EXPECT_EQ(CompareNames("a", "A"), -CompareNames("A", "a"));
    EXPECT_NE(CompareNames("x1", "x01"), 0);
    EXPECT_LT(CompareNames("ab", "abc"), 0);
    EXPECT_EQ(CompareNames("same", "same"), 0);
    EXPECT_EQ(DisplayText("ok \xc3\xa9"), "ok \xc3\xa9");
    EXPECT_EQ(DisplayText("bad\xff"), "bad\xef\xbf\xbd");
}

TEST(Pidl, FormatStrPos) {
    EXPECT_EQ(FormatStrPos("Unable to create the folder '%2'\n\n%1", {"Permission denied", "x"}),
              "Unable to create the folder 'x'\n\nPermission denied");
    EXPECT_EQ(FormatStrPos("100%% of %1!s!", {"it"}), "100% of it");
    EXPECT_EQ(FormatStrPos("%3 missing", {"a"}), "%3 missing");
    EXPECT_EQ(FormatStrPos("%12", std::vector<std::string>(12, "z")), "z");
    EXPECT_NO_THROW(FormatStrPos("%1", std::vector<std::string>(49, "y")));
    try {
        FormatStrPos("%1", std::vector<std::string>(50, "y"));
        FAIL();
    } catch (const EShellError& e) {
        EXPECT_STREQ(e.what(), "FormatStrPos: Too many substitution strings");
    }
}

TEST(Pidl, ResultCodesAndMenus) {
    const HRESULT gone = HResultFromErrno(ENOENT);
    EXPECT_TRUE(Failed(gone));
    EXPECT_TRUE(IsErrnoHResult(gone));
    EXPECT_FALSE(IsErrnoHResult(E_INVALIDARG));
    EXPECT_EQ(SystemMessage(gone), "No such file or directory");
    EXPECT_EQ(SystemMessage(E_INVALIDARG), "The parameter is incorrect.");
    EXPECT_EQ(CompareOrder(CompareResult(-1)), -1);
    EXPECT_TRUE(Succeeded(CompareResult(-1)));

    TMenuHandle menu;
    menu.Append(1, "Open");
    menu.AppendSeparator();
    TMenuHandle& sendTo = menu.InsertSubmenu(99, 2, "Send To");
    sendTo.Append(7, "xxx");
    menu.Insert(0, 3, "Explore");
    EXPECT_EQ(menu.Count(), 4u);
    EXPECT_EQ(menu.At(3).text, "Send To");
    ASSERT_NE(menu.FindById(7), nullptr);
    EXPECT_EQ(menu.FindById(7)->text, "xxx");
    EXPECT_TRUE(menu.SetDefault(1));
    EXPECT_TRUE(menu.SetDefault(3));
    EXPECT_FALSE(menu.At(1).isDefault);
    EXPECT_TRUE(menu.At(0).isDefault);
    EXPECT_TRUE(menu.SetGrayed(7, true));
    EXPECT_TRUE(sendTo.At(0).grayed);
    EXPECT_FALSE(menu.SetDefault(42));
    EXPECT_TRUE(menu.Delete(2));
    EXPECT_FALSE(menu.Delete(9));
}
