// Item-id lists from outside: the list check, the locator's stored block, item-id list arrays and
// file lists from drags, and binding what passes in a scratch home. A list that passes must never lead outside the place its first item names.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "shell/ns/clip_formats.h"
#include "shell/ns/desktop_folder.h"
#include "shell/ns/pidl.h"
#include "shell/ns/pidl_block.h"
#include "shell/ns/shell_paths.h"

using namespace corvane::shell;

namespace {

std::string ScratchHome() {
    static const std::string home = [] {
        char pattern[] = "/tmp/pidl-fuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (made == nullptr) std::abort();
        const std::string root = made;
        ::setenv("HOME", made, 1);
        ::setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        // Something to bind into and list: folders, a file, links, a trashed file.
        for (const char* dir : {"/a", "/a/b", "/.h", "/data", "/data/Trash", "/data/Trash/files", "/data/Trash/info"})
            ::mkdir((root + dir).c_str(), 0700);
        for (const char* file : {"/a/f.txt", "/data/Trash/files/t"})
            if (FILE* f = std::fopen((root + file).c_str(), "w")) std::fclose(f);
        if (FILE* f = std::fopen((root + "/data/Trash/info/t.trashinfo").c_str(), "w")) {
            std::fputs("[Trash Info]\nPath=/x/t%20t\nDeletionDate=2026-01-01T00:00:00\n", f);
            std::fclose(f);
        }
        if (::symlink((root + "/a").c_str(), (root + "/a/b/up").c_str()) != 0 ||
            ::symlink("/nowhere", (root + "/a/gone").c_str()) != 0)
            std::abort();
        return root;
    }();
    return home;
}

bool HasDotSegment(const std::string& path) {
    std::vector<std::string> parts;
    return !SplitAbsolutePath(path, parts) || JoinParts(parts) != path;
}

void Exercise(PCItemIDList list) {
    const std::string home = ScratchHome();
    const std::string path = PathFromIdList(list);
    if (!path.empty()) {
        if (HasDotSegment(path)) std::abort();
        // A Home list stays inside the home folder.
        if (ItemTagOf(list) == static_cast<std::uint8_t>(ItemTag::Home) && path != home &&
            path.compare(0, home.size() + 1, home + "/") != 0)
            std::abort();
    }
    IShellFolder* desktop = nullptr;
    if (Failed(SHGetDesktopFolder(&desktop))) std::abort();
    std::uint32_t attrs = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_LINK;
    desktop->GetAttributesOf(1, &list, &attrs);
    desktop->CompareIDs(0, list, list);
    STRRET name;
    if (Succeeded(desktop->GetDisplayNameOf(list, SHGDN_FORPARSING, &name)) && name.uType == STRRET_WSTR)
        CoTaskMemFree(name.pOleStr);
    IShellFolder* folder = nullptr;
    // Only lists that stay in the scratch home are opened and listed.
    if (ItemTagOf(list) == static_cast<std::uint8_t>(ItemTag::Home) &&
        Succeeded(desktop->BindToObject(list, nullptr, Iid::ShellFolder, reinterpret_cast<void**>(&folder)))) {
        IEnumIDList* items = nullptr;
        if (Succeeded(folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items))) items->Release();
        folder->Release();
    }
    desktop->Release();
}

// A drag's item-id list array: what passes is whole, and built again it reads back the same.
void ExerciseCida(const std::uint8_t* data, std::size_t size) {
    TCida cida;
    if (!ParseCida(data, size, cida)) {
        if (cida.parent != nullptr || !cida.children.empty()) std::abort();
        return;
    }
    std::vector<PCItemIDList> children;
    for (const UniquePidl& child : cida.children) {
        if (IsEmptyPidl(child.get())) std::abort();
        children.push_back(child.get());
    }
    const ByteBlock block = BuildCida(cida.parent.get(), children);
    TCida again;
    if (!ParseCida(block.data(), block.size(), again) || again.children.size() != children.size()) std::abort();
    for (std::size_t k = 0; k < children.size(); ++k) {
        const int length = GetPidlSize(children[k]);
        if (GetPidlSize(again.children[k].get()) != length ||
            std::memcmp(again.children[k].get(), children[k], static_cast<std::size_t>(length)) != 0)
            std::abort();
        UniquePidl absolute(cida.AbsoluteChild(k));
        if (absolute != nullptr) Exercise(absolute.get());
    }
    std::vector<std::string> paths;
    ParseDropFiles(data, size, paths);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (ValidatePidl(data, size)) {
        UniquePidl copy(CopyPidl(nullptr, data));
        if (copy == nullptr || GetPidlSize(copy.get()) != static_cast<int>(size)) std::abort();
        Exercise(copy.get());
    }
    ExerciseCida(data, size);
    PidlBlock block;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (DecodePidlBlock(bytes, block)) {
        if (block.list != nullptr) {
            Exercise(block.list.get());
            // What was read writes back byte for byte.
            if (EncodePidlBlock(false, 0, block.list.get()) != bytes) std::abort();
        }
    }
    return 0;
}
