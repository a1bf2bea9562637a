#pragma once
// The command services the shell tree and list share: a new folder on disk, the shell's context
// menu for items, invoking a verb, display names that warn on failure, and the owning window.

#include <cstdint>
#include <string>

#include "shell/ns/com.h"

class QObject;
class QWidget;

namespace corvane::shell {

// The shell's menu items take the ids from 50 up; below them the control adds its own (Send To).
inline constexpr unsigned kFirstShellCommand = 50;
inline constexpr unsigned kLastShellCommand = 0x7FFF;

// Makes "New Folder", else "New Folder (2)" .. "(50)", in parent; name gets the one made. A
// failure (every name taken, or any other error) is shown through the shell UI and gives false.
bool CreateNewFolderIn(const std::string& parent, std::string& name, QObject* owner = nullptr);

// Throws EShellError with the system's text when hr failed.
void OleCheck(HRESULT hr);

// folder null: the desktop. A failure is shown with the system's text and gives ''.
std::string GetDisplayNameOrWarn(IShellFolder* folder, PCItemIDList item, std::uint32_t flags,
                                 QObject* owner = nullptr);

// The window a control sits in (itself when it has no parent); null for null.
QWidget* GetParentFormHandle(QWidget* control);

// The context menu of items of one folder, its items put into menu with ids from firstId to
// kLastShellCommand. A refused GetUIObjectOf is returned (no menu); a failed query throws.
HRESULT GetItemsContextMenu(HWND owner, IShellFolder* folder, std::uint32_t count, const PCItemIDList* items,
                            std::uint32_t flags, TMenuHandle& menu, ComPtr<IContextMenu>& contextMenu,
                            unsigned firstId = kFirstShellCommand);

// The offset of the first command whose verb is this one (any case); 0 when none is.
int FindVerbOffset(IContextMenu* menu, const std::string& verb);
// Runs a command by verb or by offset.
HRESULT InvokeShellCommand(IContextMenu* menu, HWND owner, const std::string& verb);
HRESULT InvokeShellCommand(IContextMenu* menu, HWND owner, int offset);

// The id of the menu's default item (top level), -1 when it has none.
int GetMenuDefaultItem(const TMenuHandle& menu);

}  // namespace corvane::shell
