#pragma once
// The item-id list routines the shell controls share: comparing, binding, paths, display names and
// the message formatter. The list routines themselves are in pidl.h; special folders, icons and
// image lists need Qt and live in special_folders.h and sys_icons.h.

#include <string>
#include <vector>

#include "shell/ns/com.h"
#include "shell/ns/pidl.h"

namespace corvane::shell {

inline constexpr int kCannotCompare = 0x7FFFFFFF;

// Equality only: 0 = the same item; nil and empty lists are told apart (both nil 0, one nil -1,
// both empty 0, one empty -1); kCannotCompare when the desktop cannot compare them.
int ComparePidls(PCItemIDList a, PCItemIDList b);

// The folder an absolute list names (nil or empty: the desktop itself).
HRESULT GetShellFolder(PCItemIDList list, IShellFolder** out);

// An absolute path (or "::Computer", "::Trash") to a new list; *out is nil first.
HRESULT PathToPidl(const std::string& path, PItemIDList* out);
// The file-system path of a list; '' when it has none (nil counts as the desktop).
std::string PidlToPath(PCItemIDList list);

enum class NameKind { Normal = 0, InFolder = 1, ForParsing = 2 };
// folder nil: the desktop. '' on failure.
std::string GetDisplayName(IShellFolder* folder, PCItemIDList list, NameKind kind);
std::string StrRetToString(PCItemIDList list, const STRRET& value);
void FreeStrRet(STRRET& value);

// text + delimiter, unless text is empty or already ends with it.
std::string AppendDelimiter(const std::string& text, char delimiter);

// No version resources here: always false, version 0.
bool GetFileVersion(const std::string& fileName, std::uint32_t& mostSignificant, std::uint32_t& leastSignificant);
// Behaves as the NT line of the platform.
bool IsPlatformNT();

// "%1".."%99" replaced by the strings (an optional "!fmt!" after the number is skipped), "%%" a
// percent sign, "%n" a line break, "%t" a tab, "%r" CR, "%b" a blank, "%0" ends the text; a number
// beyond the strings stays as written. More than 49 strings raise EShellError.
std::string FormatStrPos(const std::string& format, const std::vector<std::string>& strings);

}  // namespace corvane::shell
