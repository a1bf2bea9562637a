#pragma once
// File-type groups decide whether a URL is a page (parsed for links) or a resource. They live in the
// registry, one string value per group: the value name is the group name, the data its extensions,
// each with its leading dot and followed by ";" (".htm;.html;"). This is the one place that reads
// the key; the file-type dialogs write it.

#include <string>

namespace corvane {

inline constexpr const char* kFileTypesKey = "\\Software\\Brellium\\Corvane\\File Types";
inline constexpr const char* kPageFileType = "HTML";        // the page group
inline constexpr const char* kUnknownFileType = "Unknown";  // listed by no group

// The group of the URL: the first, in the key's order, that lists its extension; "Unknown" when
// none does. A URL with a query counts as a page unless its text names a GIF or JPEG image.
std::string GetFileType(const std::string& url);
// The group of a local file's extension; empty when no group lists it.
std::string GetFileTypeByName(const std::string& name);

// True when the group's extension list holds the extension as a whole item (".htm" is not found in
// ".shtm;"). Items compare without regard to case; blanks around them do not count.
bool FileTypeListHas(const std::string& list, const std::string& ext);

}  // namespace corvane
