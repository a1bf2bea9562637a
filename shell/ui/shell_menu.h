#pragma once
// Tracking the shell's context menu: a QMenu ("ShellContextMenu") built from the menu the shell
// filled, the command chosen, hints of the item under the cursor, and the Send To submenu, which
// the control fills itself from the Send To folder when the shell left only its placeholder.

#include <QPoint>
#include <functional>
#include <string>
#include <vector>

#include "shell/ns/com.h"

class QWidget;

namespace corvane::shell {

// The grayed placeholder that marks a Send To submenu for the control to fill.
inline constexpr unsigned kSendToPlaceholderId = 99;
inline constexpr const char* kSendToPlaceholderText = "xxx";
// Send To entries take ids 1, 2, ... and must stay below the shell's first id.
inline constexpr std::size_t kMaxSendToEntries = 49;

// Item flags of a hint request: a submenu, or the system menu.
inline constexpr unsigned MF_POPUP = 0x10;
inline constexpr unsigned MF_SYSMENU = 0x2000;

struct TSendToEntry {
    std::string Name;  // the file name in the Send To folder
    std::string Path;  // its full path
    int ImageIndex = 0;
};
using TSendToList = std::vector<TSendToEntry>;

// Reads the Send To folder: only links to folders that are not hidden, by name, at most 49 (no
// other file there is ever listed, so choosing an entry can never run one).
void FillSendToList(TSendToList& list);
// The text of an entry in the menu: "&" + its name with "&" doubled.
std::string SendToMenuText(const std::string& name);

// A submenu is opening: the shell gets it first; one it filled itself is reset to the placeholder,
// and a submenu holding only the grayed placeholder is filled from the Send To folder (an empty
// folder leaves the placeholder, disabled).
void UpdateSendToMenu(TMenuHandle& submenu, IContextMenu* menu, TSendToList& list);

// The shell's help text of a command item (id from 50, not a submenu nor the system menu), else ''.
void GetMenuHint(IContextMenu* menu, unsigned id, unsigned flags,
                 const std::function<void(const std::string&)>& callback);

struct TTrackPopupParams {
    QWidget* Parent = nullptr;
    QPoint At;  // global co-ordinates
    IContextMenu* Menu = nullptr;
    TSendToList* SendTo = nullptr;  // null: submenus are shown as the shell filled them
    std::function<void(const std::string&)> OnHint;
};

// Shows the menu until the user chooses or cancels; the id chosen, 0 for none.
unsigned TrackPopupMenu(TMenuHandle& menu, const TTrackPopupParams& params);

}  // namespace corvane::shell
