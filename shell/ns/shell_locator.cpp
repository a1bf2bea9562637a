#include "shell/ns/shell_locator.h"

#include "shell/ns/pidl_block.h"
#include "shell/ns/shell_utils.h"
#include "shell/ns/special_folders.h"

namespace corvane::shell {

PCItemIDList TPTShellLocator::Pidl() {
    if (kind_ == ByList) return list_.get();
    if (!specialFetched_) {
        PItemIDList list = nullptr;
        if (Succeeded(GetSpecialFolderPidl(nullptr, specialFolder_, &list))) specialList_.reset(list);
        specialFetched_ = true;
    }
    return specialList_.get();
}

void TPTShellLocator::SetPidl(PCItemIDList list) {
    // Copied before the old list goes: the new one may be the old one.
    UniquePidl copy(GetPidlSize(list) > 2 ? CopyPidl(nullptr, list) : nullptr);
    bool changed = kind_ != ByList;
    kind_ = ByList;
    if (list_ != nullptr) {
        if (!changed) {
            const int order = ComparePidls(list_.get(), list);
            changed = order != 0 && order != kCannotCompare;
        }
    } else {
        changed = changed || list != nullptr;
    }
    list_ = std::move(copy);
    specialList_.reset();
    specialFetched_ = false;
    specialFolder_ = CSIDL_NONE;
    if (changed) Change();
}

void TPTShellLocator::SetSpecialFolder(std::uint8_t id) {
    if (kind_ == BySpecialFolder && specialFolder_ == id) return;
    kind_ = BySpecialFolder;
    specialFolder_ = id;
    list_.reset();
    specialList_.reset();
    specialFetched_ = false;
    Change();
}

std::string TPTShellLocator::Path() { return PidlToPath(Pidl()); }

void TPTShellLocator::SetPath(const std::string& path) {
    PItemIDList list = nullptr;
    if (Succeeded(PathToPidl(path, &list))) {
        SetPidl(list);
        FreePidl(list);
    } else {
        SetPidl(nullptr);
    }
}

bool TPTShellLocator::IsEqual(const TPTShellLocator& other) {
    if (&other == this) return true;
    if (kind_ != other.kind_) return false;
    if (kind_ == BySpecialFolder) return specialFolder_ == other.specialFolder_;
    return ComparePidls(list_.get(), other.list_.get()) == 0;
}

void TPTShellLocator::Assign(const TPTShellLocator* source) {
    if (source == nullptr) {
        list_.reset();
        kind_ = ByList;
        specialFolder_ = CSIDL_NONE;
        specialList_.reset();
        specialFetched_ = false;
        Change();
        return;
    }
    if (IsEqual(*source)) return;
    kind_ = source->kind_;
    specialList_.reset();
    specialFetched_ = false;
    if (kind_ == BySpecialFolder) {
        specialFolder_ = source->specialFolder_;
        list_.reset();
    } else {
        specialFolder_ = CSIDL_NONE;
        list_.reset(source->list_ != nullptr ? CopyPidl(nullptr, source->list_.get()) : nullptr);
    }
    Change();
}

std::string TPTShellLocator::WritePidlBlock() const {
    return EncodePidlBlock(kind_ == BySpecialFolder, specialFolder_, list_.get());
}

void TPTShellLocator::ReadPidlBlock(std::string_view bytes) {
    PidlBlock block;
    std::string error;
    if (!DecodePidlBlock(bytes, block, &error)) throw EShellError(error);
    specialList_.reset();
    specialFetched_ = false;
    if (block.bySpecialFolder) {
        kind_ = BySpecialFolder;
        specialFolder_ = block.specialFolder;
        list_.reset();
    } else {
        kind_ = ByList;
        specialFolder_ = CSIDL_NONE;
        list_ = std::move(block.list);
    }
}

void TPTShellLocator::Change() {
    if (OnChange) OnChange(*this);
}

}  // namespace corvane::shell
