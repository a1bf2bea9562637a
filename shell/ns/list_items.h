#pragma once
// What the shell list needs besides the tree's pieces: a sorted list of item-id lists (the merge of a
// refresh looks items up in it), reading a shortcut (a symlink here), the detail texts of an item, a
// case-insensitive list of a folder's file names, the stream record of column widths, and the data
// of a shell combo entry. The list's data object and drop target are the tree's.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/ns/com.h"
#include "shell/ns/data_object.h"
#include "shell/ns/pidl.h"

namespace corvane::shell {

// The selection of a list travels exactly as a tree node's item does.
using TDataObject_shlv = TDataObject_shtv;
using TDropTarget_shlv = TDropTarget_shtv;

// Pairs of an item-id list and a pointer of the caller's, optionally kept in order.
class TPTPidlList {
public:
    enum Duplicates { dupIgnore = 0, dupAccept = 1, dupError = 2 };

    TPTPidlList() = default;
    ~TPTPidlList();
    TPTPidlList(const TPTPidlList&) = delete;
    TPTPidlList& operator=(const TPTPidlList&) = delete;

    // Sorted: the index found (dupIgnore, nothing added) or inserted at; raises EShellError for a
    // duplicate under dupError. The list is kept as given; the allocator, when set, frees it.
    int Add(PItemIDList list, void* data);
    // -1 when absent.
    int IndexOf(PCItemIDList list) const;
    void Delete(int index);
    void Clear();

    int Count() const { return static_cast<int>(items_.size()); }
    int Capacity() const { return static_cast<int>(items_.capacity()); }
    void SetCapacity(int capacity) { items_.reserve(static_cast<std::size_t>(capacity)); }
    PItemIDList Pidls(int index) const { return items_.at(static_cast<std::size_t>(index)).first; }
    void* Data(int index) const { return items_.at(static_cast<std::size_t>(index)).second; }

    bool Sorted() const { return sorted_; }
    // Switching on sorts at once.
    void SetSorted(bool sorted);
    // Null: lists are compared byte by byte.
    void SetShellFolder(IShellFolder* folder) { folder_ = folder != nullptr ? AddRefd(folder) : nullptr; }
    // Null: the lists are not freed.
    void SetAllocator(IMalloc* allocator) { allocator_ = allocator != nullptr ? AddRefd(allocator) : nullptr; }
    Duplicates DuplicatesPolicy() const { return duplicates_; }
    void SetDuplicates(Duplicates policy) { duplicates_ = policy; }

    int Compare(PCItemIDList a, PCItemIDList b) const;

private:
    template <class T>
    static ComPtr<T> AddRefd(T* p) {
        p->AddRef();
        return ComPtr<T>::Attach(p);
    }
    // The insertion index; found tells whether an equal list is there.
    int Search(PCItemIDList list, bool& found) const;

    std::vector<std::pair<PItemIDList, void*>> items_;
    bool sorted_ = false;
    ComPtr<IShellFolder> folder_;
    ComPtr<IMalloc> allocator_;
    Duplicates duplicates_ = dupError;
};

inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;

// What a directory search reports of one entry.
struct TFindData {
    std::uint32_t Attributes = 0;
    std::uint64_t Size = 0;
    std::int64_t Modified = 0;  // seconds since the epoch
    std::string FileName;
};

// A shortcut: a symlink, read as far as this system has its fields.
struct TLinkData {
    std::string Path;  // the resolved target
    TFindData FindData;
    std::string Description;
    std::string WorkingDirectory;
    std::string IconLocation;
    int IconIndex = 0;
    std::string Arguments;
    int ShowCmd = 1;
    std::uint16_t HotKey = 0;
    UniquePidl IdList;  // only when asked for
};

// A failure when the file is no symlink or its target is missing.
HRESULT ReadLinkData(const std::string& fileName, TLinkData& data, bool withIdList);

struct TFileDetails {
    std::string Size;      // "12KB"; folders have none
    std::string Modified;  // local short date, blank, time
    std::string Type;
};
// attributes: the item's own (SFGAO_FILESYSTEM decides "System Folder").
TFileDetails GetFileDetails(PCItemIDList absolute, std::uint32_t attributes);
// Bytes in the size column's unit: kilobytes rounded up, the locale's separators, "KB".
std::string FormatSizeKB(std::uint64_t bytes);

// File names compared without letter case.
class TNameList {
public:
    // False when the name was there already.
    bool Add(const std::string& name);
    bool Contains(const std::string& name) const;
    std::size_t Count() const { return names_.size(); }

private:
    std::set<std::string> names_;
};
TNameList MakeSortedNameList();
// Adds the entries of pattern's folder whose names match its last part and that are no folders; an
// unreadable folder adds nothing.
void AddFolderFiles(TNameList& list, const std::string& pattern);
bool NameListContains(const TNameList& list, const std::string& name);

// The column count, then each width, as 32-bit little-endian numbers, appended to the stream.
void WriteColumnWidths(std::string& stream, const std::vector<int>& widths);
// False for a stream that does not hold a whole record.
bool ReadColumnWidths(std::string_view stream, std::vector<int>& widths);

// One entry of a shell combo box.
struct TPTShComboData {
    ComPtr<IShellFolder> ShellFolder;
    ComPtr<IShellFolder> ParentFolder;
    UniquePidl AbsIdList;
    UniquePidl RelIdList;
    UniquePidl ParentIdList;
};

}  // namespace corvane::shell
