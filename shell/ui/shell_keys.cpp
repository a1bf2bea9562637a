#include "shell/ui/shell_keys.h"

#include <QKeyEvent>
#include <cctype>
#include <string_view>

#include "shell/ns/sh_consts.h"

namespace corvane::shell {

namespace {

constexpr unsigned kFirstCode = 8;
constexpr unsigned kLastCode = 597;

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool StripPrefix(std::string_view& text, std::string_view prefix) {
    if (text.size() < prefix.size() || !EqualNoCase(text.substr(0, prefix.size()), prefix)) return false;
    text.remove_prefix(prefix.size());
    return true;
}

}  // namespace

std::string KeyName(unsigned code) {
    static constexpr const char* kNav[] = {"Space", "PgUp", "PgDn", "End", "Home", "Left", "Up", "Right", "Down"};
    switch (code) {
        case 8: return "BkSp";
        case 9: return "Tab";
        case 13: return "Enter";
        case 27: return "Esc";
        case 45: return "Ins";
        case 46: return "Del";
        default: break;
    }
    if (code >= 32 && code <= 40) return kNav[code - 32];
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) return std::string(1, static_cast<char>(code));
    if (code >= 96 && code <= 105) return std::string(1, static_cast<char>('0' + (code - 96)));
    if (code >= 112 && code <= 135) return "F" + std::to_string(code - 111);
    return "#" + std::to_string(code);
}

TShortCut TextToShortcut(const std::string& text) {
    std::string_view rest = text;
    TShortCut shift = 0;
    for (bool found = true; found;) {
        found = true;
        if (StripPrefix(rest, "Shift+")) shift |= scShift;
        else if (StripPrefix(rest, "^") || StripPrefix(rest, "Ctrl+")) shift |= scCtrl;
        else if (StripPrefix(rest, "Alt+")) shift |= scAlt;
        else found = false;
    }
    if (rest.empty()) return 0;
    for (unsigned code = kFirstCode; code <= kLastCode; ++code)
        if (EqualNoCase(KeyName(code), rest)) return static_cast<TShortCut>(code | shift);
    return 0;
}

std::string ShortcutToText(unsigned keyCode, TShortCut shiftBits) {
    if (keyCode < kFirstCode || keyCode > kLastCode) return {};
    std::string text;
    if ((shiftBits & scShift) != 0) text += "Shift+";
    if ((shiftBits & scCtrl) != 0) text += "Ctrl+";
    if ((shiftBits & scAlt) != 0) text += "Alt+";
    return text + KeyName(keyCode);
}

std::string ShortcutToText(TShortCut shortcut) {
    return ShortcutToText(shortcut & 0xFFu, shortcut & (scShift | scCtrl | scAlt));
}

TShortCut ShortcutFromKeyEvent(const QKeyEvent& event) {
    const int key = event.key();
    unsigned code = 0;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) code = static_cast<unsigned>(key);
    else if (key >= Qt::Key_0 && key <= Qt::Key_9)
        code = (event.modifiers() & Qt::KeypadModifier) != 0 ? 96u + static_cast<unsigned>(key - Qt::Key_0)
                                                             : static_cast<unsigned>(key);
    else if (key >= Qt::Key_F1 && key <= Qt::Key_F24) code = 112u + static_cast<unsigned>(key - Qt::Key_F1);
    else {
        switch (key) {
            case Qt::Key_Backspace: code = 8; break;
            case Qt::Key_Tab:
            case Qt::Key_Backtab: code = 9; break;
            case Qt::Key_Return:
            case Qt::Key_Enter: code = 13; break;
            case Qt::Key_Escape: code = 27; break;
            case Qt::Key_Space: code = 32; break;
            case Qt::Key_PageUp: code = 33; break;
            case Qt::Key_PageDown: code = 34; break;
            case Qt::Key_End: code = 35; break;
            case Qt::Key_Home: code = 36; break;
            case Qt::Key_Left: code = 37; break;
            case Qt::Key_Up: code = 38; break;
            case Qt::Key_Right: code = 39; break;
            case Qt::Key_Down: code = 40; break;
            case Qt::Key_Insert: code = 45; break;
            case Qt::Key_Delete: code = 46; break;
            case Qt::Key_Menu: code = 93; break;
            default: return 0;
        }
    }
    TShortCut shortcut = static_cast<TShortCut>(code);
    const Qt::KeyboardModifiers mods = event.modifiers();
    if ((mods & Qt::ShiftModifier) != 0 || key == Qt::Key_Backtab) shortcut |= scShift;
    if ((mods & Qt::ControlModifier) != 0) shortcut |= scCtrl;
    if ((mods & Qt::AltModifier) != 0) shortcut |= scAlt;
    return shortcut;
}

const std::array<TPTShellControlDefKeyRec, kShellKeyCount>& DefaultShellKeys() {
    static const std::array<TPTShellControlDefKeyRec, kShellKeyCount> table = [] {
        constexpr ShResString kTexts[kShellKeyCount] = {SSelectAllShortcut, SDeleteShortcut,  SCopyShortcut,
                                                        SCutShortcut,       SPasteShortcut,   SRefreshShortcut,
                                                        SRenameShortcut};
        std::array<TPTShellControlDefKeyRec, kShellKeyCount> made;
        for (std::size_t i = 0; i < kShellKeyCount; ++i) {
            made[i].Text = LoadShString(kTexts[i].id);
            made[i].ShortCut = TextToShortcut(made[i].Text);
        }
        return made;
    }();
    return table;
}

int FindShellKey(TShortCut shortcut) {
    if (shortcut == 0) return -1;
    const auto& table = DefaultShellKeys();
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].ShortCut == shortcut) return static_cast<int>(i);
    return -1;
}

}  // namespace corvane::shell
