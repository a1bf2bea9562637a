#pragma once
// The shell data of one node of the shell tree: the item's id relative to its parent folder, and,
// made on first use, its absolute list and its own folder.

#include <cstdint>
#include <string>

#include "shell/ns/com.h"
#include "shell/ns/pidl.h"

namespace corvane::shell {

class TPTCustomShellTree;

class TPTShTreeData {
public:
    TPTShTreeData(TPTCustomShellTree* tree, TPTShTreeData* parent) : tree_(tree), parent_(parent) {}
    ~TPTShTreeData();
    TPTShTreeData(const TPTShTreeData&) = delete;
    TPTShTreeData& operator=(const TPTShTreeData&) = delete;

    // Keeps the allocator, copies the list, forgets the cache.
    void Init(TPTShTreeData* parent, IMalloc* allocator, PCItemIDList relative);

    TPTCustomShellTree* Tree() const { return tree_; }
    TPTShTreeData* Parent() const { return parent_; }
    // For the top node: the base folder's absolute list (nil for the desktop).
    PCItemIDList RelIdList() const { return relative_; }
    PCItemIDList AbsIdList();
    // The item's own folder; null when it cannot be bound.
    IShellFolder* ShellFolder();
    // The top node keeps the folder it was filled with.
    void SetShellFolder(IShellFolder* folder);
    IShellFolder* ParentShellFolder();
    // '' when the item has no file-system path; raises before Init.
    std::string GetPath();
    bool CanRename();
    // After a rename: the new relative list, the cache rebuilt.
    void SetRelIdList(PCItemIDList relative);
    // Drops the absolute list and the folder (their paths changed), keeps the relative list.
    void FreeCache();

    // The live side's bookkeeping: whether the node's children were ever enumerated, and the slot of
    // its folder's watch (-1: not watched).
    bool Filled = false;
    int WatchSlot = -1;

private:
    void FreeList(PItemIDList& list);

    TPTCustomShellTree* tree_;
    TPTShTreeData* parent_;
    PItemIDList relative_ = nullptr;
    PItemIDList absolute_ = nullptr;
    ComPtr<IShellFolder> folder_;
    bool folderAsked_ = false;
    ComPtr<IMalloc> allocator_;
};

}  // namespace corvane::shell
