#pragma once
// Routines around drags: splitting an absolute list into its folder and item, an item's UI objects,
// the effects a dragged set allows, and sending a data object to a Send To entry.

#include <string>

#include "shell/ns/com.h"

namespace corvane::shell {

// The folder holding the item an absolute list names, the folder's list and the item (both new).
// The empty list stands for the desktop directory; a one-item list gives the desktop folder and no
// parent list. When the desktop directory is missing: nil results and the parse's result.
HRESULT SplitPidl(PCItemIDList absolute, IShellFolder** folder, PItemIDList* parentList, PItemIDList* item);
// The desktop directory split the same way.
HRESULT SplitDesktopPidl(PItemIDList* parentList, PItemIDList* item);

// The item's UI object (context menu, drop target, data object) from the folder that holds it.
HRESULT GetPidlUIObject(PCItemIDList absolute, Iid iid, void** out, HWND owner = nullptr);
HRESULT GetDesktopDropTarget(IDropTarget** out, HWND owner = nullptr);

// Copy, move and link (DROPEFFECT_ bits) as every dragged item allows them; 0 when the data
// carries no valid item-id list array or its folder cannot be reached.
std::uint32_t GetDataDropEffects(IDataObject* data);

// Drops the data on the Send To entry `name` (a link to a folder), as a left-button drop that copies.
// A refused step is returned; E_FAIL when nothing was sent.
HRESULT SendToItem(const std::string& name, IDataObject* data, std::uint32_t effect = DROPEFFECT_COPY);

}  // namespace corvane::shell
