#pragma once
// The archive window's data: every open archive as a tree of archive, folder and entry nodes.
// Nodes keep the raw entry names the libraries listed, so every delete, extract or listing names
// exact entries; a node's text is only for showing. Qt-free; the window's models follow it through
// TZipTreeListener. Main thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "archive/xcd_types.h"
#include "platform/rtl/date_time.h"

namespace corvane {

using TZipNodeId = std::uint64_t;
// The invisible root above the archive nodes; never a real node.
inline constexpr TZipNodeId kZipRoot = 0;

enum class TZipNodeKind { Archive, Folder, Entry };

// What a listing says of one entry.
struct TZipEntryRecord {
    std::uint64_t Size = 0;
    std::uint64_t Packed = 0;
    std::uint8_t Ratio = 0;
    TDateTime DateTime = 0;
    std::string Comment;
};

TZipEntryRecord RecordOf(const TXcdFileStats& stats);

// One open archive: the data of every node of it.
struct TZipObj {
    std::string ZipFileName;
    // Folder path ("a/b/", the parts joined by "/"; '' is the archive node) -> its node.
    std::unordered_map<std::string, TZipNodeId> Folders;
    // Raw entry name -> its nodes: an entry node, or the folder node a directory entry ("a/") made.
    // A name the archive holds twice has two nodes.
    std::unordered_multimap<std::string, TZipNodeId> Entries;
    // Sizes of the entry nodes, summed.
    std::uint64_t SizeSum = 0;
    std::uint64_t PackedSum = 0;
    bool Extracted = false;   // extracted for browsing
    std::string BrowseRoot;   // set for the running capture's archive: its capture folder
};

struct TZipNode {
    TZipNodeId Id = 0;
    TZipNodeId Parent = kZipRoot;
    TZipNodeId Archive = 0;  // the archive node it belongs to (itself for an archive node)
    TZipNodeKind Kind = TZipNodeKind::Entry;
    std::string Name;        // archive: file name; folder: its part; entry: its last part (unsafe: the raw name)
    std::string Path;        // folder: its key in Folders
    std::string RawName;     // entry: the name in the archive
    TZipEntryRecord Record;  // entry
    bool Unsafe = false;     // entry with a ".." part or no part at all: shown flat, never extracted
    std::vector<std::string> DirectoryEntries;  // folder: raw names of directory entries naming it
    std::vector<TZipNodeId> Children;
    int Row = 0;             // position among its parent's children
};

// Told of every change of the rows below a parent (kZipRoot for the archive nodes), in the manner
// of an item model: before and after, rows counted before the change.
class TZipTreeListener {
public:
    virtual ~TZipTreeListener() = default;
    virtual void RowsAboutToBeInserted(TZipNodeId /*parent*/, int /*first*/, int /*last*/) {}
    virtual void RowsInserted(TZipNodeId /*parent*/, int /*first*/, int /*last*/) {}
    virtual void RowsAboutToBeRemoved(TZipNodeId /*parent*/, int /*first*/, int /*last*/) {}
    virtual void RowsRemoved(TZipNodeId /*parent*/, int /*first*/, int /*last*/) {}
};

class TZipTree {
public:
    TZipTree();
    TZipTree(const TZipTree&) = delete;
    TZipTree& operator=(const TZipTree&) = delete;

    void SetListener(TZipTreeListener* listener) { listener_ = listener; }

    // A new archive node (text: the file name after its last "/") with its TZipObj.
    TZipNodeId AddArchive(const std::string& zipFileName);
    // The archive node of exactly this file name, or 0.
    TZipNodeId FindArchive(const std::string& zipFileName) const;
    void RemoveArchive(TZipNodeId archive);
    // The archive's file now has this name: its node and TZipObj follow.
    void RenameArchive(TZipNodeId archive, const std::string& zipFileName);
    const std::vector<TZipNodeId>& Archives() const { return Children(kZipRoot); }

    // One record of a whole listing: the missing folder nodes, then the entry node, even when the
    // name is there already (the archive holds it twice). A directory entry makes folder nodes only.
    // Returns the entry's node (the folder's for a directory entry).
    TZipNodeId AddListedEntry(TZipNodeId archive, const TXcdFileStats& stats);
    // An entry just added to the archive: nothing new when Entries has the name already.
    TZipNodeId AddEntry(TZipNodeId archive, const std::string& rawName, const TZipEntryRecord& record = {});
    // The listed record of an entry node added before its sizes were known; its archive's sums follow.
    void SetRecord(TZipNodeId entry, const TZipEntryRecord& record);
    // Makes room for count more entries of archive, so that a long listing never stalls the main
    // thread while the maps grow (call it once the entry count is known).
    void Reserve(TZipNodeId archive, std::size_t count);
    // Removes every node of each name, then every folder left empty, up to the archive node.
    void RemoveEntries(TZipNodeId archive, const std::vector<std::string>& names);

    // The raw names of every entry at or below node, each once: what a delete of the node sends.
    std::vector<std::string> EntryNamesBelow(TZipNodeId node) const;
    // The same without unsafe entries and directory entries: what an extraction sends.
    std::vector<std::string> ExtractableNamesBelow(TZipNodeId node) const;
    // Sum of the listed sizes of the entries ExtractableNamesBelow names.
    std::uint64_t ExtractableSizeBelow(TZipNodeId node) const;

    const TZipNode* Node(TZipNodeId id) const;
    // Valid until the next change of the tree.
    const std::vector<TZipNodeId>& Children(TZipNodeId parent) const;
    TZipObj* Obj(TZipNodeId node);
    const TZipObj* Obj(TZipNodeId node) const;
    // The text shown: the name escaped, and for an entry its comment suffix.
    std::string Text(TZipNodeId id) const;
    std::size_t NodeCount() const { return nodes_.size(); }

private:
    // Adds node as the last child of parent, the listener told.
    TZipNode& NewNode(TZipNodeId parent, TZipNode node);
    static TZipNode Made(TZipNodeKind kind, std::string name);
    TZipNodeId FolderFor(TZipNodeId archive, const std::vector<std::string>& parts, std::size_t count);
    TZipNodeId Place(TZipNodeId archive, const std::string& rawName, const TZipEntryRecord& record, bool directory);
    // Removes these children of parent with their subtrees, in ranges of rows, the listener told.
    void RemoveChildren(TZipNodeId parent, std::vector<TZipNodeId> ids);
    void EraseSubtree(TZipNodeId id);
    void Forget(TZipObj& obj, const TZipNode& node);
    template <class Visit>
    void Walk(TZipNodeId id, Visit&& visit) const;

    std::unordered_map<TZipNodeId, TZipNode> nodes_;
    std::unordered_map<TZipNodeId, std::unique_ptr<TZipObj>> objs_;
    TZipNodeId nextId_ = 1;
    TZipTreeListener* listener_ = nullptr;
};

}  // namespace corvane
