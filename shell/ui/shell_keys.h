#pragma once
// The keys of the shell tree and list: shortcut values (a key code in the low byte, Shift 0x2000,
// Ctrl 0x4000, Alt 0x8000), their texts ("Ctrl+A", "^A", "Del", "F5") and the default key table.

#include <array>
#include <cstdint>
#include <string>

class QKeyEvent;

namespace corvane::shell {

using TShortCut = std::uint16_t;

inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// The name of a key code: "BkSp", "Tab", "Enter", "Esc", "Space" .. "Down", "Ins", "Del", digits and
// letters as themselves, the keypad digits 96-105 as "0".."9", "F1".."F24", else "#" + the number.
std::string KeyName(unsigned keyCode);

// Leading "Shift+", "^" or "Ctrl+", "Alt+" (any order, any case), then a key name (any case); 0
// when the name is no key's.
TShortCut TextToShortcut(const std::string& text);
// The key's name after "Shift+", "Ctrl+", "Alt+" as set in shiftBits; '' when the key has no name.
std::string ShortcutToText(unsigned keyCode, TShortCut shiftBits);
std::string ShortcutToText(TShortCut shortcut);

// A key press as a shortcut value; 0 for a key with no code here.
TShortCut ShortcutFromKeyEvent(const QKeyEvent& event);

// The default key table: select all, delete, copy, cut, paste, refresh, rename.
enum class TShellKey { SelectAll = 0, Delete, Copy, Cut, Paste, Refresh, Rename };
struct TPTShellControlDefKeyRec {
    std::string Text;
    TShortCut ShortCut = 0;
};
inline constexpr std::size_t kShellKeyCount = 7;
// Built once, on first use.
const std::array<TPTShellControlDefKeyRec, kShellKeyCount>& DefaultShellKeys();
// The table entry a key press matches, or -1.
int FindShellKey(TShortCut shortcut);

}  // namespace corvane::shell
