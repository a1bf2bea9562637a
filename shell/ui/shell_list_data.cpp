#include "shell/ui/shell_list_data.h"

#include <sys/stat.h>

#include "shell/ns/list_items.h"
#include "shell/ns/shell_utils.h"
#include "shell/ns/sys_icons.h"
#include "shell/ui/shell_list.h"

namespace corvane::shell {

namespace {

constexpr std::uint32_t kDataAttributes = 0xF00F0037;

}  // namespace

TPTShListData::TPTShListData(TPTCustomShellList* owner, UniquePidl relative, std::uint32_t attributes)
    : owner_(owner), relative_(std::move(relative)), fillAttributes_(attributes) {}

void TPTShListData::SetRelIdList(UniquePidl relative) {
    relative_ = std::move(relative);
    absolute_.reset();
    nameLoaded_ = false;
    name_.clear();
    detailsLoaded_ = false;
    image_ = -1;
}

PCItemIDList TPTShListData::AbsIdList() {
    if (!absolute_) absolute_.reset(ConcatPidls(nullptr, owner_->FolderIdList(), relative_.get()));
    return absolute_.get();
}

std::uint32_t TPTShListData::Attributes() {
    IShellFolder* folder = owner_->ShellFolder();
    std::uint32_t attributes = kDataAttributes;
    PCItemIDList item = relative_.get();
    if (folder == nullptr || Failed(folder->GetAttributesOf(1, &item, &attributes))) return 0;
    return attributes;
}

bool TPTShListData::IsFolder() { return (Attributes() & SFGAO_FOLDER) != 0; }

bool TPTShListData::IsLink() {
    const std::string path = Path();
    struct stat st;
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool TPTShListData::IsFileSystemRenamable() {
    const std::uint32_t attributes = Attributes();
    return (attributes & SFGAO_FILESYSTEM) != 0 && (attributes & SFGAO_CANRENAME) != 0;
}

std::string TPTShListData::Path() { return PidlToPath(AbsIdList()); }

const std::string& TPTShListData::DisplayName() {
    if (!nameLoaded_) {
        name_ = DisplayText(GetDisplayName(owner_->ShellFolder(), relative_.get(), NameKind::InFolder));
        nameLoaded_ = true;
    }
    return name_;
}

void TPTShListData::LoadDetails() {
    if (detailsLoaded_) return;
    const TFileDetails details = GetFileDetails(AbsIdList(), fillAttributes_);
    size_ = details.Size;
    type_ = details.Type;
    modified_ = details.Modified;
    detailsLoaded_ = true;
}

std::string TPTShListData::ColumnText(int column) {
    switch (column) {
    case 0: return DisplayName();
    case 1: LoadDetails(); return size_;
    case 2: LoadDetails(); return type_;
    case 3: LoadDetails(); return modified_;
    default: return {};
    }
}

int TPTShListData::ImageIndex() {
    if (image_ < 0) image_ = GetPidlIconIndex(AbsIdList(), SHGFI_SMALLICON);
    return image_;
}

}  // namespace corvane::shell
