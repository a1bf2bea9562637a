#include "shell/ns/item_ui_objects.h"
#include "shell/ns/folder_base.h"

#include <climits>
#include <cstdlib>

#include "shell/ns/data_object.h"
#include "shell/ns/folder_drop_target.h"

namespace corvane::shell {

HRESULT ItemUIObject(HWND owner, PCItemIDList parent, std::uint32_t count, const PCItemIDList* items,
                     std::vector<TShellMenuEntry> entries, TShellItemMenu::Kind kind, Iid iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    switch (iid) {
        case Iid::ContextMenu:
            return NewItemMenu(kind, parent, count, items, std::move(entries), iid, out);
        case Iid::DataObject:
            return NewItemsDataObject(parent, count, items, out, iid);
        case Iid::DropTarget: {
            if (count != 1 || entries.size() != 1 || !entries[0].folder) return E_INVALIDARG;
            char buffer[PATH_MAX];
            if (::realpath(entries[0].path.c_str(), buffer) == nullptr) return E_FAIL;
            return HandOut(new TFolderDropTarget(buffer, owner), iid, out);
        }
        default:
            return E_NOINTERFACE;
    }
}

}  // namespace corvane::shell
