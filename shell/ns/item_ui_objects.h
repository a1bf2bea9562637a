#pragma once
// What the folders hand out through GetUIObjectOf for their items: the context menu, the drop
// target of a folder item and the data object.

#include <vector>

#include "shell/ns/shell_item_menu.h"

namespace corvane::shell {

// parent: the folder's absolute list; entries: one per item. A drop target only for one folder
// item (a link to a folder takes drops into the folder it leads to).
HRESULT ItemUIObject(HWND owner, PCItemIDList parent, std::uint32_t count, const PCItemIDList* items,
                     std::vector<TShellMenuEntry> entries, TShellItemMenu::Kind kind, Iid iid, void** out);

}  // namespace corvane::shell
