#pragma once
// The UTF-8 text source of a language file, as lngtool builds and dumps it:
//
//   # comment
//   charset 0                                 font character set byte (selects the code page)
//   bidimode 0                                reading order
//   font "Tahoma" 8 0                         fonts, numbered 1, 2, ... in order (name, size, style bits)
//   name "text"                               an entry of the names list
//   msg 684 IntranetHint1 "text" [font N]     a numbered message; the name is optional
//   prop 791 FormX btnOK.Caption "text" [font N]   a form string with its section and path
//   map 791 FormY btnOK.Caption               a further path for an Id already defined
//
// Texts are in double quotes with the escapes \" \\ \n \r \t. Every Id is defined once.

#include <cstdint>
#include <string>
#include <vector>

#include "localisation/lang_file_edit.h"

namespace corvane {

struct LangSourceName {
    std::string Name;
    std::uint16_t Id = 0;
};

// Parses a source into the file (which is cleared first). Throws ELangFileError with the line number
// on any fault, including a repeated Id or message name. Returns the message names in source order.
std::vector<LangSourceName> ParseLangSource(const std::string& source, TkLangFileEdit& file);

// The source text of a loaded file (the locale block, which sources do not carry, as comments).
std::string DumpLangSource(const TKLangFile& file);

// The source with its prop and map lines replaced by those of the file (after a capture updated it);
// every other line, comments and message names included, stays as it is.
std::string RewriteFormStrings(const std::string& source, const TKLangFile& file);

// A C++ header naming every named message: `inline constexpr std::uint16_t Name = Id;` in
// namespace corvane::msg.
std::string MessageIdHeader(const std::vector<LangSourceName>& names);

}  // namespace corvane
