#pragma once
// A place in the shell namespace, held as an item-id list or as a special-folder id; what the shell
// tree, the folder dialog and the windows store and compare.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "shell/ns/pidl.h"

namespace corvane::shell {

class TPTShellLocator {
public:
    enum Kind : std::uint8_t { ByList = 0, BySpecialFolder = 1 };

    TPTShellLocator() = default;
    virtual ~TPTShellLocator() = default;
    TPTShellLocator(const TPTShellLocator&) = delete;
    TPTShellLocator& operator=(const TPTShellLocator&) = delete;

    Kind GetKind() const { return kind_; }
    std::uint8_t SpecialFolder() const { return specialFolder_; }

    // By list: the stored list (nil = the desktop). By special folder: its list, fetched once.
    PCItemIDList Pidl();
    // Stores a copy (an empty list as nil); OnChange fires only when the place changed.
    void SetPidl(PCItemIDList list);
    void SetSpecialFolder(std::uint8_t id);

    std::string Path();
    // A path that does not parse clears the locator.
    void SetPath(const std::string& path);
    void Clear() { SetPidl(nullptr); }

    bool IsEqual(const TPTShellLocator& other);
    // nullptr: back to the desktop (always fires OnChange); another locator: copied unless equal.
    virtual void Assign(const TPTShellLocator* source);

    // The "Pidl" property: written only when a list is held or by special folder.
    bool HasStoredPidl() const { return kind_ != ByList || list_ != nullptr; }
    std::string WritePidlBlock() const;
    // Raises EShellError for a refused block, leaving the locator as it was.
    void ReadPidlBlock(std::string_view bytes);

    std::function<void(TPTShellLocator&)> OnChange;

protected:
    virtual void Change();

private:
    Kind kind_ = ByList;
    std::uint8_t specialFolder_ = 28;
    UniquePidl list_;
    UniquePidl specialList_;  // the special folder's list once fetched
    bool specialFetched_ = false;
};

}  // namespace corvane::shell
