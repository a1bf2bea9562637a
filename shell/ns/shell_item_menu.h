#pragma once
// The context menu of shell items: Open, Send To (filled by the control), Cut, Copy, Paste (into one
// folder) and Delete, with the verbs "open", "sendto", "cut", "copy", "paste" and "delete". Home and
// volumes offer Open only.

#include <string>
#include <vector>

#include "shell/ns/com.h"
#include "shell/ns/pidl.h"

namespace corvane::shell {

struct TShellMenuEntry {
    std::string path;  // on disk
    bool folder = false;
};

class TShellItemMenu final : public ComObject<IContextMenu> {
public:
    enum class Kind { Items, OpenOnly };
    // parent: the folder's absolute list; items relative to it, one entry per item.
    TShellItemMenu(Kind kind, PCItemIDList parent, std::uint32_t count, const PCItemIDList* items,
                   std::vector<TShellMenuEntry> entries);

    HRESULT QueryContextMenu(TMenuHandle& menu, std::uint32_t position, std::uint32_t firstId, std::uint32_t lastId,
                             std::uint32_t flags) override;
    HRESULT InvokeCommand(const CMINVOKECOMMANDINFO& info) override;
    HRESULT GetCommandString(std::uint32_t offset, std::uint32_t type, std::string& out) override;

private:
    bool CanOpen() const;
    bool CanPaste() const { return kind_ == Kind::Items && entries_.size() == 1 && entries_[0].folder; }
    HRESULT Open() const;
    HRESULT PutOnClipboard(bool cut) const;
    HRESULT Paste(HWND owner) const;
    HRESULT Delete(HWND owner) const;

    Kind kind_;
    UniquePidl parent_;
    std::vector<UniquePidl> items_;
    std::vector<TShellMenuEntry> entries_;
};

// The menu of one folder's items (GetUIObjectOf answers with it); E_INVALIDARG when an item has no path.
HRESULT NewItemMenu(TShellItemMenu::Kind kind, PCItemIDList parent, std::uint32_t count, const PCItemIDList* items,
                    std::vector<TShellMenuEntry> entries, Iid iid, void** out);

}  // namespace corvane::shell
