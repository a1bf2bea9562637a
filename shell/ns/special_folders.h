#pragma once
// Special folders by their CSIDL numbers: 0 the desktop, 5 and 0x28 Home, 9 Send To (the data
// root's "SendTo/", made 0700 on use), 0x0A Trash, 0x10 the user's desktop directory, 0x11 Computer.

#include <string>

#include "shell/ns/com.h"

namespace corvane::shell {

inline constexpr int CSIDL_DESKTOP = 0x00;
inline constexpr int CSIDL_PERSONAL = 0x05;
inline constexpr int CSIDL_SENDTO = 0x09;
inline constexpr int CSIDL_BITBUCKET = 0x0A;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x10;
inline constexpr int CSIDL_DRIVES = 0x11;
inline constexpr int CSIDL_PROFILE = 0x28;
// What a locator holding a list reports as its special folder.
inline constexpr int CSIDL_NONE = 28;

// A new list for the folder; E_INVALIDARG for any other number.
HRESULT SHGetSpecialFolderLocation(HWND owner, int id, PItemIDList* out);
// The folder's path ('' on failure or when it has none); the id is taken and 0xFF.
std::string GetSpecialFolderPath(HWND owner, int id);
// The folder's list; the id is taken and 0x7F.
HRESULT GetSpecialFolderPidl(HWND owner, int id, PItemIDList* out);

}  // namespace corvane::shell
