// The shell's data transfer blocks and objects: what a drag or the clipboard hands over, the format
// rules, the enumerator's lifetime, and the drop source's answers.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/ns/clip_formats.h"
#include "shell/ns/data_object.h"
#include "shell/ns/shell_utils.h"
#include "tests/shell/ns/scratch_home.h"

namespace corvane::testing {
namespace {

using namespace shell;

std::string Bytes(const ByteBlock& block) { return std::string(block.begin(), block.end()); }

std::uint32_t U32(const ByteBlock& block, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, block.data() + at, 4);
    return v;
}

UniquePidl ListOf(const std::string& path) {
    PItemIDList list = nullptr;
    EXPECT_TRUE(Succeeded(PathToPidl(path, &list))) << path;
    return UniquePidl(list);
}

TEST(ShellFormats, RegisteredNamesShareIdsAndCidaChecksBlocksFromOutside) {
    EXPECT_EQ(RegisterClipboardFormat("Shell IDList Array"), 0xC000u);
    EXPECT_EQ(RegisterClipboardFormat("shell idlist array"), ShellIdListFormat());
    EXPECT_EQ(RegisterClipboardFormat("UniformResourceLocator"), 0xC004u);
    const std::uint32_t mine = RegisterClipboardFormat("Corvane Test Format");
    EXPECT_GT(mine, 0xC004u);
    EXPECT_EQ(RegisterClipboardFormat("CORVANE TEST FORMAT"), mine);

    UniquePidl parent(MakeItem(ItemTag::Home, {}));
    UniquePidl child(MakeItem(ItemTag::Other, "f.txt"));
    const ByteBlock block = BuildCida(parent.get(), {child.get()});
    // count, two offsets, parent (Home item + terminator), child
    ASSERT_EQ(block.size(), 4u * 1 + 8 + GetPidlSize(parent.get()) + GetPidlSize(child.get()));
    EXPECT_EQ(U32(block, 0), 1u);
    EXPECT_EQ(U32(block, 4), 12u);
    EXPECT_EQ(U32(block, 8), 12u + GetPidlSize(parent.get()));
    TCida cida;
    ASSERT_TRUE(ParseCida(block.data(), block.size(), cida));
    UniquePidl absolute(cida.AbsoluteChild(0));
    EXPECT_EQ(PidlItemCount(absolute.get()), 2);

    // Offsets past the end, a child running past the block, a huge count, an empty child, a bad tag.
    ByteBlock bad = block;
    bad[8] = 0xF0;
    EXPECT_FALSE(ParseCida(bad.data(), bad.size(), cida));
    EXPECT_TRUE(cida.children.empty());
    EXPECT_FALSE(ParseCida(block.data(), block.size() - 1, cida));
    bad = block;
    bad[3] = 0x7F;
    EXPECT_FALSE(ParseCida(bad.data(), bad.size(), cida));
    const ByteBlock empty = BuildCida(parent.get(), {nullptr});
    EXPECT_FALSE(ParseCida(empty.data(), empty.size(), cida));
    bad = block;
    bad[U32(block, 8) + 2] = 0x77;
    EXPECT_FALSE(ParseCida(bad.data(), bad.size(), cida));
    EXPECT_FALSE(ParseCida(block.data(), 6, cida));
}

TEST(ShellFormats, FileListIsSizedFromItsPaths) {
    // Longer than the fixed 260 bytes per name a file list used to get.
    const std::string longPath = "/" + std::string(299, 'p');
    const ByteBlock block = BuildDropFiles({longPath, "/b"});
    EXPECT_EQ(block.size(), 20u + longPath.size() + 1 + 3 + 1);
    EXPECT_EQ(U32(block, 0), 20u);
    EXPECT_EQ(U32(block, 16), 0u);  // not wide
    EXPECT_EQ(block.back(), 0);
    std::vector<std::string> paths;
    ASSERT_TRUE(ParseDropFiles(block.data(), block.size(), paths));
    EXPECT_EQ(paths, (std::vector<std::string>{longPath, "/b"}));
    // Without its closing NUL the list is refused, not read past its end.
    EXPECT_FALSE(ParseDropFiles(block.data(), block.size() - 2, paths));
    EXPECT_TRUE(paths.empty());
    EXPECT_EQ(Bytes(BuildTextBlock({"/a b"})), std::string("/a b\r\n\0", 7));
}

class ShellDataObject : public ScratchHome {};

TEST_F(ShellDataObject, RendersTopLevelAndNestedItemsAndHandsOutCopies) {
    const std::string file = MakeFile("docs/page.htm");
    UniquePidl absolute = ListOf(file);
    UniquePidl parentList(CopyFirstItems(absolute.get(), PidlItemCount(absolute.get()) - 1));
    auto* data = new TDataObject_shtv(parentList.get(), LastItem(absolute.get()), absolute.get());

    STGMEDIUM medium;
    ASSERT_EQ(data->GetData(FormatOf(CF_TEXT), medium), S_OK);
    EXPECT_EQ(medium.tymed, TYMED_HGLOBAL);
    EXPECT_EQ(std::string(medium.hGlobal.begin(), medium.hGlobal.end()), file + "\r\n" + std::string(1, '\0'));
    medium.hGlobal.assign(medium.hGlobal.size(), 'X');  // the caller's copy only
    STGMEDIUM again;
    ASSERT_EQ(data->GetData(FormatOf(CF_TEXT), again), S_OK);
    EXPECT_EQ(again.hGlobal.front(), '/');

    ASSERT_EQ(data->GetData(FormatOf(CF_HDROP), medium), S_OK);
    std::vector<std::string> paths;
    ASSERT_TRUE(ParseDropFiles(medium.hGlobal.data(), medium.hGlobal.size(), paths));
    EXPECT_EQ(paths, std::vector<std::string>{file});

    ASSERT_EQ(data->GetData(FormatOf(ShellIdListFormat()), medium), S_OK);
    TCida cida;
    ASSERT_TRUE(ParseCida(medium.hGlobal.data(), medium.hGlobal.size(), cida));
    UniquePidl back(cida.AbsoluteChild(0));
    EXPECT_EQ(PidlToPath(back.get()), file);

    // The format rules: another aspect, a medium not offered, a format not offered.
    FORMATETC icon = FormatOf(CF_TEXT);
    icon.dwAspect = DVASPECT_ICON;
    EXPECT_EQ(data->GetData(icon, medium), DV_E_FORMATETC);
    FORMATETC stream = FormatOf(CF_TEXT);
    stream.tymed = TYMED_ISTREAM;
    EXPECT_EQ(data->QueryGetData(stream), DV_E_TYMED);
    EXPECT_EQ(data->QueryGetData(FormatOf(RegisterClipboardFormat(CFSTR_FILECONTENTS))), DV_E_FORMATETC);
    data->Release();

    // A top-level item: the empty parent list; Home's path is its file.
    UniquePidl home(MakeItem(ItemTag::Home, {}));
    auto* top = new TDataObject_shtv(nullptr, home.get(), home.get());
    ASSERT_EQ(top->GetData(FormatOf(ShellIdListFormat()), medium), S_OK);
    ASSERT_TRUE(ParseCida(medium.hGlobal.data(), medium.hGlobal.size(), cida));
    EXPECT_TRUE(IsEmptyPidl(cida.parent.get()));
    ASSERT_EQ(top->GetData(FormatOf(CF_TEXT), medium), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(medium.hGlobal.data())), home_ + "\r\n");
    top->Release();

    // No node data: nothing offered.
    auto* none = new TDataObject_shtv(nullptr, nullptr, nullptr);
    EXPECT_EQ(none->QueryGetData(FormatOf(CF_TEXT)), DV_E_FORMATETC);
    none->Release();
}

TEST_F(ShellDataObject, EnumeratorStopsAtTheEndAndOutlivesTheObject) {
    UniquePidl home(MakeItem(ItemTag::Home, {}));
    auto* data = new TDataObject_shtv(nullptr, home.get(), home.get());
    IEnumFORMATETC* formats = nullptr;
    EXPECT_EQ(data->EnumFormatEtc(DATADIR_SET, &formats), E_NOTIMPL);
    EXPECT_EQ(formats, nullptr);
    ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
    data->Release();  // the enumerator keeps it alive

    FORMATETC got[4];
    std::uint32_t fetched = 9;
    EXPECT_EQ(formats->Next(4, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 3u);
    EXPECT_EQ(got[0].cfFormat, ShellIdListFormat());
    EXPECT_EQ(got[1].cfFormat, CF_HDROP);
    EXPECT_EQ(got[2].cfFormat, CF_TEXT);
    formats->Reset();
    EXPECT_EQ(formats->Skip(5), S_FALSE);
    EXPECT_EQ(formats->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    formats->Reset();
    EXPECT_EQ(formats->Skip(2), S_OK);
    IEnumFORMATETC* clone = nullptr;
    ASSERT_EQ(formats->Clone(&clone), S_OK);
    formats->Release();
    EXPECT_EQ(clone->Next(1, got, &fetched), S_OK);
    EXPECT_EQ(got[0].cfFormat, CF_TEXT);
    clone->Release();
}

TEST(ShellDropSource, EscapeOrAnotherButtonCancelsReleaseDrops) {
    auto* left = new TDropSource_shlvtv(0);
    EXPECT_EQ(left->QueryContinueDrag(false, MK_LBUTTON), S_OK);
    EXPECT_EQ(left->QueryContinueDrag(true, MK_LBUTTON), DRAGDROP_S_CANCEL);
    EXPECT_EQ(left->QueryContinueDrag(false, MK_LBUTTON | MK_RBUTTON), DRAGDROP_S_CANCEL);
    EXPECT_EQ(left->QueryContinueDrag(false, MK_CONTROL), DRAGDROP_S_DROP);
    EXPECT_EQ(left->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
    left->Release();
    auto* right = new TDropSource_shlvtv(1);
    EXPECT_EQ(right->QueryContinueDrag(false, MK_RBUTTON | MK_SHIFT), S_OK);
    EXPECT_EQ(right->QueryContinueDrag(false, MK_RBUTTON | MK_MBUTTON), DRAGDROP_S_CANCEL);
    EXPECT_EQ(right->QueryContinueDrag(false, 0), DRAGDROP_S_DROP);
    right->Release();
}

// A control that takes drops: records the calls, answers copy.
class Sink final : public IShellDropSink {
public:
    HRESULT DragEnter(IDataObject* data, std::uint32_t keys, POINTL point, std::uint32_t* effect) override {
        log += "enter" + std::to_string(keys) + "@" + std::to_string(point.x) + (data ? "+" : "-");
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT DragOver(std::uint32_t keys, POINTL, std::uint32_t* effect) override {
        log += " over" + std::to_string(keys) + ":" + std::to_string(*effect);
        return S_OK;
    }
    HRESULT DragLeave() override {
        log += " leave";
        return S_OK;
    }
    HRESULT Drop(IDataObject*, std::uint32_t, POINTL, std::uint32_t*) override {
        log += " drop";
        return S_OK;
    }
    std::string log;
};

TEST(ShellDropSource, TreeDropTargetForwardsUntilDetached) {
    Sink sink;
    auto* target = new TDropTarget_shtv(&sink);
    auto* data = new TDataObject_shtv(nullptr, std::vector<PCItemIDList>{});
    std::uint32_t effect = 7;
    EXPECT_EQ(target->DragEnter(data, MK_LBUTTON, {5, 6}, &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    effect = 3;
    target->DragOver(MK_RBUTTON, {}, &effect);
    target->DragLeave();
    target->Drop(data, 0, {}, &effect);
    EXPECT_EQ(sink.log, "enter1@5+ over2:3 leave drop");
    // The control is gone: drops are refused, not passed to freed memory.
    target->Detach();
    effect = 7;
    EXPECT_TRUE(Failed(target->Drop(data, 0, {}, &effect)));
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    EXPECT_EQ(sink.log, "enter1@5+ over2:3 leave drop");
    void* unknown = nullptr;
    EXPECT_EQ(target->QueryInterface(Iid::DataObject, &unknown), E_NOINTERFACE);
    data->Release();
    target->Release();
}

}  // namespace
}  // namespace corvane::testing
