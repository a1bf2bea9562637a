#include "shell/ui/shell_tree_data.h"

#include "shell/ns/desktop_folder.h"
#include "shell/ns/shell_utils.h"

namespace corvane::shell {

TPTShTreeData::~TPTShTreeData() {
    folder_.Reset();
    FreeList(absolute_);
    FreeList(relative_);
}

void TPTShTreeData::FreeList(PItemIDList& list) {
    if (list == nullptr) return;
    if (allocator_) allocator_->Free(list);
    else FreePidl(list);
    list = nullptr;
}

void TPTShTreeData::Init(TPTShTreeData* parent, IMalloc* allocator, PCItemIDList relative) {
    parent_ = parent;
    FreeCache();
    FreeList(relative_);
    if (allocator != nullptr) allocator->AddRef();
    allocator_ = ComPtr<IMalloc>::Attach(allocator);
    relative_ = relative != nullptr ? CopyPidl(allocator, relative) : nullptr;
}

PCItemIDList TPTShTreeData::AbsIdList() {
    if (absolute_ == nullptr) {
        if (parent_ == nullptr) {
            absolute_ = relative_ != nullptr ? CopyPidl(allocator_.Get(), relative_) : nullptr;
        } else {
            absolute_ = ConcatPidls(allocator_.Get(), parent_->AbsIdList(), relative_);
        }
    }
    return absolute_;
}

IShellFolder* TPTShTreeData::ShellFolder() {
    if (folder_ || folderAsked_ || parent_ == nullptr) return folder_.Get();
    folderAsked_ = true;
    if (AbsIdList() == nullptr) {
        SHGetDesktopFolder(folder_.ReleaseAndGetAddressOf());
        return folder_.Get();
    }
    IShellFolder* parentFolder = parent_->ShellFolder();
    if (parentFolder == nullptr ||
        Failed(parentFolder->BindToObject(relative_, nullptr, Iid::ShellFolder, folder_.ReleaseAndGetVoidAddress())))
        folder_.Reset();
    return folder_.Get();
}

void TPTShTreeData::SetShellFolder(IShellFolder* folder) {
    if (folder != nullptr) folder->AddRef();
    folder_ = ComPtr<IShellFolder>::Attach(folder);
    folderAsked_ = true;
}

IShellFolder* TPTShTreeData::ParentShellFolder() { return parent_ != nullptr ? parent_->ShellFolder() : nullptr; }

std::string TPTShTreeData::GetPath() {
    if (!allocator_) throw EShellError("TPTShTreeData not initialised");
    return PidlToPath(AbsIdList());
}

bool TPTShTreeData::CanRename() {
    if (parent_ == nullptr || IsEmptyPidl(AbsIdList())) return false;
    IShellFolder* folder = ParentShellFolder();
    if (folder == nullptr) return false;
    PCItemIDList item = relative_;
    std::uint32_t attributes = 0x40000177;
    if (Failed(folder->GetAttributesOf(1, &item, &attributes))) return false;
    constexpr std::uint32_t kWanted = SFGAO_FILESYSTEM | SFGAO_CANRENAME;
    return (attributes & kWanted) == kWanted;
}

void TPTShTreeData::SetRelIdList(PCItemIDList relative) {
    FreeCache();
    FreeList(relative_);
    relative_ = CopyPidl(allocator_.Get(), relative);
    AbsIdList();
}

void TPTShTreeData::FreeCache() {
    FreeList(absolute_);
    // The top node's folder is the one it was filled with; it keeps it.
    if (parent_ != nullptr) {
        folder_.Reset();
        folderAsked_ = false;
    }
}

}  // namespace corvane::shell
