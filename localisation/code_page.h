#pragma once
// Language files keep their texts in an 8-bit (or double-byte) Windows code page chosen by the file's
// font character set byte; in memory every text is UTF-8.

#include <cstdint>
#include <string>

namespace corvane {

// The iconv name of the code page for a font character set byte (unknown values give CP1252).
const char* CodePageForCharset(std::uint8_t charset);

// Conversions; both throw ELangFileError when a text cannot be converted (an invalid byte sequence in
// the file, or a character the code page cannot hold).
std::string DecodeCodePage(const std::string& bytes, std::uint8_t charset);
std::string EncodeCodePage(const std::string& utf8, std::uint8_t charset);

}  // namespace corvane
