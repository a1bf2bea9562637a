#include "archive/zip_tree.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <unordered_set>

#include "archive/zip_display_name.h"
#include "platform/zipdll/safe_path.h"

namespace corvane {

TZipEntryRecord RecordOf(const TXcdFileStats& stats) {
    return TZipEntryRecord{stats.Size, stats.CompressedSize, stats.Ratio, stats.DateTime, stats.Comment};
}

TZipTree::TZipTree() {
    TZipNode root;
    root.Id = kZipRoot;
    root.Kind = TZipNodeKind::Folder;
    nodes_.emplace(kZipRoot, std::move(root));
}

const TZipNode* TZipTree::Node(TZipNodeId id) const {
    if (id == kZipRoot) return nullptr;
    const auto it = nodes_.find(id);
    return it == nodes_.end() ? nullptr : &it->second;
}

const std::vector<TZipNodeId>& TZipTree::Children(TZipNodeId parent) const {
    static const std::vector<TZipNodeId> none;
    const auto it = nodes_.find(parent);
    return it == nodes_.end() ? none : it->second.Children;
}

TZipObj* TZipTree::Obj(TZipNodeId node) {
    const TZipNode* n = Node(node);
    if (n == nullptr) return nullptr;
    const auto it = objs_.find(n->Archive);
    return it == objs_.end() ? nullptr : it->second.get();
}

const TZipObj* TZipTree::Obj(TZipNodeId node) const { return const_cast<TZipTree*>(this)->Obj(node); }

std::string TZipTree::Text(TZipNodeId id) const {
    const TZipNode* n = Node(id);
    if (n == nullptr) return {};
    std::string text = DisplayName(n->Name);
    if (n->Kind == TZipNodeKind::Entry) text += CommentSuffix(n->Record.Comment);
    return text;
}

TZipNode& TZipTree::NewNode(TZipNodeId parent, TZipNode node) {
    TZipNode& up = nodes_.at(parent);
    const TZipNodeId id = nextId_++;
    node.Id = id;
    node.Parent = parent;
    node.Archive = parent == kZipRoot ? id : up.Archive;
    node.Row = static_cast<int>(up.Children.size());
    const int row = node.Row;
    if (listener_ != nullptr) listener_->RowsAboutToBeInserted(parent, row, row);
    TZipNode& stored = nodes_.emplace(id, std::move(node)).first->second;
    up.Children.push_back(id);
    if (listener_ != nullptr) listener_->RowsInserted(parent, row, row);
    return stored;
}

TZipNode TZipTree::Made(TZipNodeKind kind, std::string name) {
    TZipNode node;
    node.Kind = kind;
    node.Name = std::move(name);
    return node;
}

TZipNodeId TZipTree::AddArchive(const std::string& zipFileName) {
    const std::size_t slash = zipFileName.find_last_of('/');
    auto obj = std::make_unique<TZipObj>();
    obj->ZipFileName = zipFileName;
    // The object exists before the node is announced, so a listener may read it.
    const TZipNodeId id = nextId_;
    obj->Folders.emplace("", id);
    objs_.emplace(id, std::move(obj));
    NewNode(kZipRoot,
            Made(TZipNodeKind::Archive, slash == std::string::npos ? zipFileName : zipFileName.substr(slash + 1)));
    return id;
}

void TZipTree::RenameArchive(TZipNodeId archive, const std::string& zipFileName) {
    const auto obj = objs_.find(archive);
    if (obj == objs_.end()) return;
    obj->second->ZipFileName = zipFileName;
    const std::size_t slash = zipFileName.find_last_of('/');
    nodes_.at(archive).Name = slash == std::string::npos ? zipFileName : zipFileName.substr(slash + 1);
}

TZipNodeId TZipTree::FindArchive(const std::string& zipFileName) const {
    for (const auto& [id, obj] : objs_)
        if (obj->ZipFileName == zipFileName) return id;
    return 0;
}

TZipNodeId TZipTree::FolderFor(TZipNodeId archive, const std::vector<std::string>& parts, std::size_t count) {
    TZipObj& obj = *objs_.at(archive);
    TZipNodeId parent = archive;
    std::string key;
    for (std::size_t i = 0; i < count; ++i) {
        key += parts[i];
        key += '/';
        const auto found = obj.Folders.find(key);
        if (found != obj.Folders.end()) {
            parent = found->second;
            continue;
        }
        TZipNode made = Made(TZipNodeKind::Folder, parts[i]);
        made.Path = key;
        parent = NewNode(parent, std::move(made)).Id;
        obj.Folders.emplace(key, parent);
    }
    return parent;
}

TZipNodeId TZipTree::Place(TZipNodeId archive, const std::string& rawName, const TZipEntryRecord& record,
                           bool directory) {
    TZipObj& obj = *objs_.at(archive);
    const zipdll::EntryPath path = zipdll::SplitEntryName(rawName, false);
    const bool unsafe = path.skip_reason != 0 || path.parts.empty();
    if (!unsafe && (directory || path.directory)) {
        TZipNode& folder = nodes_.at(FolderFor(archive, path.parts, path.parts.size()));
        folder.DirectoryEntries.push_back(rawName);
        obj.Entries.emplace(rawName, folder.Id);
        return folder.Id;
    }
    // Nothing is placed where a name cannot be extracted: such an entry stays beside the folders.
    const TZipNodeId parent = unsafe ? archive : FolderFor(archive, path.parts, path.parts.size() - 1);
    TZipNode made = Made(TZipNodeKind::Entry, unsafe ? rawName : path.parts.back());
    made.RawName = rawName;
    made.Record = record;
    made.Unsafe = unsafe;
    const TZipNode& entry = NewNode(parent, std::move(made));
    obj.Entries.emplace(rawName, entry.Id);
    obj.SizeSum += entry.Record.Size;
    obj.PackedSum += entry.Record.Packed;
    return entry.Id;
}

TZipNodeId TZipTree::AddListedEntry(TZipNodeId archive, const TXcdFileStats& stats) {
    if (objs_.count(archive) == 0) throw std::invalid_argument("not an archive node");
    return Place(archive, stats.FileName, RecordOf(stats), (stats.Attributes & xfaDirectory) != 0);
}

TZipNodeId TZipTree::AddEntry(TZipNodeId archive, const std::string& rawName, const TZipEntryRecord& record) {
    const auto obj = objs_.find(archive);
    if (obj == objs_.end()) throw std::invalid_argument("not an archive node");
    const auto found = obj->second->Entries.find(rawName);
    if (found != obj->second->Entries.end()) return found->second;
    return Place(archive, rawName, record, false);
}

void TZipTree::SetRecord(TZipNodeId entry, const TZipEntryRecord& record) {
    const auto it = nodes_.find(entry);
    if (it == nodes_.end() || it->second.Kind != TZipNodeKind::Entry) return;
    TZipObj* obj = Obj(entry);
    TZipEntryRecord& old = it->second.Record;
    if (obj != nullptr) {
        obj->SizeSum = obj->SizeSum - std::min(obj->SizeSum, old.Size) + record.Size;
        obj->PackedSum = obj->PackedSum - std::min(obj->PackedSum, old.Packed) + record.Packed;
    }
    old = record;
}

void TZipTree::Reserve(TZipNodeId archive, std::size_t count) {
    const auto obj = objs_.find(archive);
    if (obj == objs_.end()) return;
    nodes_.reserve(nodes_.size() + count);
    obj->second->Entries.reserve(obj->second->Entries.size() + count);
}

void TZipTree::Forget(TZipObj& obj, const TZipNode& node) {
    auto unregister = [&](const std::string& name) {
        auto [it, end] = obj.Entries.equal_range(name);
        while (it != end) it = it->second == node.Id ? obj.Entries.erase(it) : std::next(it);
    };
    if (node.Kind == TZipNodeKind::Entry) {
        unregister(node.RawName);
        obj.SizeSum -= std::min(obj.SizeSum, node.Record.Size);
        obj.PackedSum -= std::min(obj.PackedSum, node.Record.Packed);
    } else if (node.Kind == TZipNodeKind::Folder) {
        for (const std::string& name : node.DirectoryEntries) unregister(name);
        obj.Folders.erase(node.Path);
    }
}

void TZipTree::RemoveChildren(TZipNodeId parent, std::vector<TZipNodeId> ids) {
    TZipNode& up = nodes_.at(parent);
    std::vector<int> rows;
    rows.reserve(ids.size());
    for (TZipNodeId id : ids) rows.push_back(nodes_.at(id).Row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // Highest range first, so the rows of the ranges still to come stay as they were.
    std::size_t end = rows.size();
    while (end > 0) {
        std::size_t start = end - 1;
        while (start > 0 && rows[start - 1] + 1 == rows[start]) --start;
        const int first = rows[start], last = rows[end - 1];
        if (listener_ != nullptr) listener_->RowsAboutToBeRemoved(parent, first, last);
        for (int row = first; row <= last; ++row) {
            const TZipNodeId id = up.Children[static_cast<std::size_t>(row)];
            EraseSubtree(id);
        }
        up.Children.erase(up.Children.begin() + first, up.Children.begin() + last + 1);
        for (std::size_t row = static_cast<std::size_t>(first); row < up.Children.size(); ++row)
            nodes_.at(up.Children[row]).Row = static_cast<int>(row);
        if (listener_ != nullptr) listener_->RowsRemoved(parent, first, last);
        end = start;
    }
}

void TZipTree::EraseSubtree(TZipNodeId id) {
    const auto it = nodes_.find(id);
    if (it == nodes_.end()) return;
    for (TZipNodeId child : it->second.Children) EraseSubtree(child);
    const auto obj = objs_.find(it->second.Archive);
    if (obj != objs_.end() && it->second.Kind != TZipNodeKind::Archive) Forget(*obj->second, it->second);
    nodes_.erase(it);
}

void TZipTree::RemoveArchive(TZipNodeId archive) {
    if (objs_.count(archive) == 0) return;
    RemoveChildren(kZipRoot, {archive});
    objs_.erase(archive);
}

void TZipTree::RemoveEntries(TZipNodeId archive, const std::vector<std::string>& names) {
    const auto found = objs_.find(archive);
    if (found == objs_.end()) return;
    TZipObj& obj = *found->second;
    std::unordered_map<TZipNodeId, std::vector<TZipNodeId>> byParent;
    std::unordered_set<TZipNodeId> emptied;  // folders that may now be empty
    for (const std::string& name : names) {
        auto [it, end] = obj.Entries.equal_range(name);
        while (it != end) {
            TZipNode& node = nodes_.at(it->second);
            if (node.Kind == TZipNodeKind::Entry) {
                byParent[node.Parent].push_back(node.Id);
                ++it;
                continue;
            }
            // A directory entry: the folder stays while anything else keeps it.
            auto& dirs = node.DirectoryEntries;
            dirs.erase(std::remove(dirs.begin(), dirs.end(), name), dirs.end());
            emptied.insert(node.Id);
            it = obj.Entries.erase(it);
        }
    }
    // Level by level: removing children may empty their folder, and a removed directory entry its own.
    while (!byParent.empty() || !emptied.empty()) {
        for (auto& [parent, ids] : byParent) {
            RemoveChildren(parent, std::move(ids));
            emptied.insert(parent);
        }
        byParent.clear();
        for (TZipNodeId id : emptied) {
            const auto it = nodes_.find(id);
            if (it == nodes_.end() || it->second.Kind != TZipNodeKind::Folder || id == kZipRoot) continue;
            if (it->second.Children.empty() && it->second.DirectoryEntries.empty())
                byParent[it->second.Parent].push_back(id);
        }
        emptied.clear();
    }
}

template <class Visit>
void TZipTree::Walk(TZipNodeId id, Visit&& visit) const {
    const auto it = nodes_.find(id);
    if (it == nodes_.end()) return;
    visit(it->second);
    for (TZipNodeId child : it->second.Children) Walk(child, visit);
}

std::vector<std::string> TZipTree::EntryNamesBelow(TZipNodeId node) const {
    std::vector<std::string> names;
    // Views of the nodes' own names: a whole archive of many entries is gathered on the main thread.
    std::unordered_set<std::string_view> seen;
    auto add = [&](const std::string& name) {
        if (seen.insert(name).second) names.push_back(name);
    };
    Walk(node, [&](const TZipNode& n) {
        if (n.Kind == TZipNodeKind::Entry) add(n.RawName);
        for (const std::string& name : n.DirectoryEntries) add(name);
    });
    return names;
}

std::vector<std::string> TZipTree::ExtractableNamesBelow(TZipNodeId node) const {
    std::vector<std::string> names;
    std::unordered_set<std::string_view> seen;
    Walk(node, [&](const TZipNode& n) {
        if (n.Kind == TZipNodeKind::Entry && !n.Unsafe && seen.insert(n.RawName).second) names.push_back(n.RawName);
    });
    return names;
}

std::uint64_t TZipTree::ExtractableSizeBelow(TZipNodeId node) const {
    std::uint64_t sum = 0;
    Walk(node, [&](const TZipNode& n) {
        if (n.Kind == TZipNodeKind::Entry && !n.Unsafe) sum += n.Record.Size;
    });
    return sum;
}

}  // namespace corvane
