#include "shell/ns/sys_icons.h"

#include <QMimeDatabase>

#include <mutex>
#include <unordered_map>
#include <vector>

#include "shell/ns/trash.h"

namespace corvane::shell {

namespace {

constexpr const char* kGenericFile = "application-octet-stream";

struct IconTable {
    std::mutex lock;
    std::vector<std::string> keys{kGenericFile};
    std::unordered_map<std::string, int> index{{kGenericFile, 0}};
};

IconTable& Table() {
    static IconTable table;
    return table;
}

QMimeType MimeForName(std::string_view name) {
    static const QMimeDatabase db;
    return db.mimeTypeForFile(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
                              QMimeDatabase::MatchExtension);
}

std::string FileIconKey(std::string_view name) {
    const QMimeType mime = MimeForName(name);
    if (!mime.isValid() || mime.isDefault()) return kGenericFile;
    return mime.iconName().toStdString();
}

}  // namespace

int SysIconIndex(const std::string& key) {
    IconTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    const auto [it, added] = table.index.try_emplace(key, static_cast<int>(table.keys.size()));
    if (added) table.keys.push_back(key);
    return it->second;
}

std::string SysIconKey(int index) {
    IconTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    return index >= 0 && static_cast<std::size_t>(index) < table.keys.size() ? table.keys[static_cast<std::size_t>(index)]
                                                                             : std::string();
}

int SysIconCount() {
    IconTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    return static_cast<int>(table.keys.size());
}

int GetPidlIconIndex(PCItemIDList list, std::uint32_t flags) {
    PCItemIDList last = LastItem(list);
    if (last == nullptr) return SysIconIndex("user-desktop");
    const bool open = (flags & SHGFI_OPENICON) != 0;
    switch (static_cast<ItemTag>(ItemTagOf(last))) {
        case ItemTag::Home: return SysIconIndex("user-home");
        case ItemTag::Computer: return SysIconIndex("computer");
        case ItemTag::Trash: return SysIconIndex(ListHomeTrash().empty() ? "user-trash" : "user-trash-full");
        case ItemTag::Volume:
            return SysIconIndex(ItemName(last) == "/" ? "drive-harddisk" : "drive-removable-media");
        case ItemTag::Folder: return SysIconIndex(open ? "folder-open" : "folder");
        case ItemTag::Other:
        case ItemTag::TrashEntry: return SysIconIndex(FileIconKey(ItemName(last)));
    }
    return 0;
}

SysImageList GetSysImageList(int kind) { return SysImageList{kind == 0 ? 16 : 32}; }

std::string GetTypeName(const std::string& name, bool isFolder) {
    static const QMimeDatabase db;
    if (isFolder) return db.mimeTypeForName(QStringLiteral("inode/directory")).comment().toStdString();
    const QMimeType mime = MimeForName(name);
    if (mime.isValid() && !mime.isDefault()) return mime.comment().toStdString();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return "File";
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return ext + " File";
}

}  // namespace corvane::shell
