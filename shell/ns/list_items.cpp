#include "shell/ns/list_items.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <QLocale>
#include <QString>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/date_time.h"
#include "shell/ns/sh_consts.h"
#include "shell/ns/shell_utils.h"
#include "shell/ns/sys_icons.h"

namespace corvane::shell {

namespace {

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FoldCase(const std::string& name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded().toStdString();
}

void PutU32(std::string& stream, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) stream.push_back(static_cast<char>((value >> shift) & 0xFFu));
}

std::uint32_t GetU32(std::string_view stream, std::size_t at) {
    std::uint32_t value = 0;
    for (int k = 3; k >= 0; --k) value = (value << 8) | static_cast<unsigned char>(stream[at + static_cast<std::size_t>(k)]);
    return value;
}

}  // namespace

// ---- TPTPidlList

TPTPidlList::~TPTPidlList() { Clear(); }

int TPTPidlList::Compare(PCItemIDList a, PCItemIDList b) const {
    if (folder_) return CompareOrder(folder_->CompareIDs(0, a, b));
    const int sizeA = GetPidlSize(a);
    const int sizeB = GetPidlSize(b);
    const int common = std::min(sizeA, sizeB);
    for (int i = 0; i < common; ++i)
        if (a[i] != b[i]) return static_cast<int>(a[i]) - static_cast<int>(b[i]);
    return sizeA - sizeB;
}

int TPTPidlList::Search(PCItemIDList list, bool& found) const {
    found = false;
    int low = 0;
    int high = Count() - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int result = Compare(items_[static_cast<std::size_t>(middle)].first, list);
        if (result < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (result == 0) {
                found = true;
                if (duplicates_ != dupAccept) low = middle;
            }
        }
    }
    return low;
}

int TPTPidlList::Add(PItemIDList list, void* data) {
    if (!sorted_) {
        items_.emplace_back(list, data);
        return Count() - 1;
    }
    bool found = false;
    const int at = Search(list, found);
    if (found && duplicates_ == dupIgnore) return at;
    if (found && duplicates_ == dupError) throw EShellError("TPTPidlList: Duplicate PIDL");
    items_.insert(items_.begin() + at, {list, data});
    return at;
}

int TPTPidlList::IndexOf(PCItemIDList list) const {
    if (sorted_) {
        bool found = false;
        const int at = Search(list, found);
        return found ? at : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (Compare(items_[static_cast<std::size_t>(i)].first, list) == 0) return i;
    return -1;
}

void TPTPidlList::Delete(int index) {
    if (index < 0 || index >= Count()) throw EShellError("List index out of bounds (" + std::to_string(index) + ")");
    if (allocator_) allocator_->Free(items_[static_cast<std::size_t>(index)].first);
    items_.erase(items_.begin() + index);
}

void TPTPidlList::Clear() {
    if (allocator_)
        for (auto& [list, data] : items_) allocator_->Free(list);
    items_.clear();
}

void TPTPidlList::SetSorted(bool sorted) {
    if (sorted && !sorted_)
        std::stable_sort(items_.begin(), items_.end(),
                         [this](const auto& a, const auto& b) { return Compare(a.first, b.first) < 0; });
    sorted_ = sorted;
}

// ---- shortcuts

HRESULT ReadLinkData(const std::string& fileName, TLinkData& data, bool withIdList) {
    data = TLinkData();
    struct stat own;
    if (::lstat(fileName.c_str(), &own) != 0) return HResultFromErrno(errno);
    if (!S_ISLNK(own.st_mode)) return E_INVALIDARG;
    char resolved[PATH_MAX];
    if (::realpath(fileName.c_str(), resolved) == nullptr) return HResultFromErrno(errno);
    struct stat target;
    if (::stat(resolved, &target) != 0) return HResultFromErrno(errno);
    data.Path = resolved;
    data.FindData.Attributes = S_ISDIR(target.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    data.FindData.Size = S_ISDIR(target.st_mode) ? 0 : static_cast<std::uint64_t>(target.st_size);
    data.FindData.Modified = static_cast<std::int64_t>(target.st_mtim.tv_sec);
    data.FindData.FileName = FileNameOf(data.Path);
    if (withIdList) {
        PItemIDList list = nullptr;
        const HRESULT hr = PathToPidl(data.Path, &list);
        if (Failed(hr)) return hr;
        data.IdList.reset(list);
    }
    return S_OK;
}

// ---- details

std::string FormatSizeKB(std::uint64_t bytes) {
    const std::uint64_t kb = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    std::string text = LoadShString(SSizeKB.id);
    const std::string number = QLocale().toString(static_cast<qulonglong>(kb)).toStdString();
    if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, number);
    return text;
}

TFileDetails GetFileDetails(PCItemIDList absolute, std::uint32_t attributes) {
    TFileDetails details;
    if ((attributes & SFGAO_FILESYSTEM) == 0) {
        details.Type = LoadShString(SSystemFolder.id);
        return details;
    }
    const std::string path = PidlToPath(absolute);
    struct stat st;
    // A dangling link still has its own entry.
    if (path.empty() || (::stat(path.c_str(), &st) != 0 && ::lstat(path.c_str(), &st) != 0)) return details;
    const bool folder = S_ISDIR(st.st_mode);
    if (!folder) details.Size = FormatSizeKB(static_cast<std::uint64_t>(st.st_size));
    const TDateTime when = FromTimeT(st.st_mtim.tv_sec);
    details.Modified = DateToStr(when) + " " + TimeToStr(when);
    details.Type = GetTypeName(FileNameOf(path), folder);
    return details;
}

// ---- file-name lists

bool TNameList::Add(const std::string& name) { return names_.insert(FoldCase(name)).second; }

bool TNameList::Contains(const std::string& name) const { return names_.count(FoldCase(name)) != 0; }

TNameList MakeSortedNameList() { return TNameList(); }

void AddFolderFiles(TNameList& list, const std::string& pattern) {
    const std::size_t slash = pattern.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : pattern.substr(0, slash));
    const std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || ::fnmatch(mask.c_str(), name.c_str(), FNM_PERIOD) != 0) continue;
        struct stat st;
        const std::string path = folder == "/" ? "/" + name : folder + "/" + name;
        if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        list.Add(name);
    }
    ::closedir(dir);
}

bool NameListContains(const TNameList& list, const std::string& name) { return list.Contains(name); }

// ---- column widths

void WriteColumnWidths(std::string& stream, const std::vector<int>& widths) {
    PutU32(stream, static_cast<std::uint32_t>(widths.size()));
    for (int width : widths) PutU32(stream, static_cast<std::uint32_t>(width));
}

bool ReadColumnWidths(std::string_view stream, std::vector<int>& widths) {
    widths.clear();
    if (stream.size() < 4) return false;
    const std::uint32_t count = GetU32(stream, 0);
    if (count > (stream.size() - 4) / 4) return false;
    for (std::uint32_t i = 0; i < count; ++i) widths.push_back(static_cast<int>(GetU32(stream, 4 + 4 * i)));
    return true;
}

}  // namespace corvane::shell
