#pragma once
// The .reg text format: reading REGEDIT4 and "Windows Registry Editor Version 5.00" files into a list
// of operations on the current user's hive, and writing keys and values back in REGEDIT4 syntax.

#include <string>
#include <vector>

#include "platform/registry/reg_value.h"

namespace corvane {

struct RegFileOp {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind What = Kind::CreateKey;
    std::string Key;  // below HKEY_CURRENT_USER, components joined by "\" ("" is the root)
    RegValue Value;   // SetValue: the value; DeleteValue: only the name
};

struct RegParseResult {
    bool Ok = false;            // false when the text is not a registry file at all
    std::string Error;          // why, when not Ok
    std::vector<RegFileOp> Ops;
    std::vector<std::string> Warnings;  // lines that were skipped, each "line N: reason"
};

// Parses a whole file's bytes. A UTF-16 file (byte-order mark) and a UTF-8 byte-order mark are
// accepted; text comes out as UTF-8. Lines that cannot be read, and keys outside HKEY_CURRENT_USER,
// are skipped with a warning.
RegParseResult ParseRegText(const std::string& bytes);

// Writing, REGEDIT4 syntax. Line ends are CR LF; long binary data is wrapped with "\" continuations.
inline constexpr const char* kRegEdit4Header = "REGEDIT4";
std::string RegKeyLine(const std::string& key);  // "[HKEY_CURRENT_USER\...]"
std::string RegValueLines(const RegValue& value);
std::string RegQuote(const std::string& text);   // "text" with \ and " escaped

}  // namespace corvane
