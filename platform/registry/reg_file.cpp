#include "platform/registry/reg_file.h"

#include <cstdio>

#include "platform/rtl/hex_text.h"
#include "platform/rtl/string_list.h"

namespace corvane {

namespace {

constexpr const char* kRoot = "HKEY_CURRENT_USER";
constexpr const char* kCrLf = "\r\n";

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 (either byte order) to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::string& bytes, std::size_t start, bool little_endian) {
    std::string out;
    const std::size_t n = (bytes.size() - start) / 2;
    auto unit = [&](std::size_t i) -> std::uint32_t {
        const auto a = static_cast<unsigned char>(bytes[start + 2 * i]);
        const auto b = static_cast<unsigned char>(bytes[start + 2 * i + 1]);
        return little_endian ? (a | (b << 8)) : ((a << 8) | b);
    };
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string TrimBlanks(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

bool StartsWithCI(const std::string& s, std::size_t pos, const char* prefix) {
    const std::string p(prefix);
    return s.size() >= pos + p.size() && SameText(s.substr(pos, p.size()), p);
}

// Reads a quoted string starting at text[pos] == '"'. Only \\ and \" are escapes; any other
// backslash stays as it is. On success pos is just after the closing quote.
bool ReadQuoted(const std::string& text, std::size_t& pos, std::string& out) {
    out.clear();
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out += text[++i];
        } else if (c == '"') {
            pos = i + 1;
            return true;
        } else {
            out += c;
        }
    }
    return false;
}

bool ParseHexBytes(const std::string& list, std::string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < list.size()) {
        std::size_t comma = list.find(',', i);
        if (comma == std::string::npos) comma = list.size();
        const std::string token = TrimBlanks(list.substr(i, comma - i));
        i = comma + 1;
        if (token.empty()) {
            if (comma == list.size()) break;  // a trailing comma
            return false;
        }
        if (token.size() > 2) return false;
        int value = 0;
        for (char c : token) {
            const int d = HexDigitValue(c);
            if (d < 0) return false;
            value = value * 16 + d;
        }
        out += static_cast<char>(value);
    }
    return true;
}

// Turns a "HKEY_CURRENT_USER\a\b" path into "a\b"; false when the root is another hive.
bool KeyBelowCurrentUser(const std::string& full, std::string& key) {
    const std::string root(kRoot);
    if (full.size() < root.size() || !SameText(full.substr(0, root.size()), root)) return false;
    if (full.size() > root.size() && full[root.size()] != '\\') return false;
    std::string rest = full.size() > root.size() ? full.substr(root.size() + 1) : std::string();
    // Empty components ("a\\b", a final "\") carry no name.
    std::string cleaned;
    std::size_t i = 0;
    while (i <= rest.size()) {
        std::size_t slash = rest.find('\\', i);
        if (slash == std::string::npos) slash = rest.size();
        if (slash > i) {
            if (!cleaned.empty()) cleaned += '\\';
            cleaned += rest.substr(i, slash - i);
        }
        i = slash + 1;
    }
    key = cleaned;
    return true;
}

class Parser {
public:
    Parser(std::vector<std::string> lines, bool unicode, RegParseResult& result)
        : lines_(std::move(lines)), unicode_(unicode), result_(result) {}

    void Run(std::size_t first) {
        for (index_ = first; index_ < lines_.size(); ++index_) {
            const std::string line = TrimBlanks(lines_[index_]);
            if (line.empty() || line[0] == ';') continue;
            if (line[0] == '[') {
                KeyLine(line);
            } else if (line[0] == '"' || line[0] == '@') {
                ValueLine(line);
            } else {
                Warn("not a key or a value");
            }
        }
    }

private:
    void Warn(const std::string& why) {
        result_.Warnings.push_back("line " + std::to_string(index_ + 1) + ": " + why);
    }

    void KeyLine(const std::string& line) {
        have_key_ = false;
        const std::size_t close = line.rfind(']');
        if (close == std::string::npos || close == 0) {
            Warn("key without a closing \"]\"");
            return;
        }
        const bool remove = line.size() > 1 && line[1] == '-';
        const std::string full = line.substr(remove ? 2 : 1, close - (remove ? 2 : 1));
        std::string key;
        if (!KeyBelowCurrentUser(full, key)) {
            Warn("key outside " + std::string(kRoot) + " skipped: " + full);
            return;
        }
        if (remove) {
            result_.Ops.push_back({RegFileOp::Kind::DeleteKey, key, {}});
            return;
        }
        result_.Ops.push_back({RegFileOp::Kind::CreateKey, key, {}});
        key_ = key;
        have_key_ = true;
    }

    void ValueLine(const std::string& first_line) {
        std::string line = first_line;
        std::string name;
        std::size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ReadQuoted(line, pos, name)) {
            Warn("value name without a closing quote");
            return;
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') {
            Warn("value without \"=\"");
            return;
        }
        ++pos;
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        // Binary data may go on over further lines, each but the last ending in "\".
        if (StartsWithCI(line, pos, "hex")) {
            while (!line.empty() && line.back() == '\\' && index_ + 1 < lines_.size()) {
                line.pop_back();
                line += TrimBlanks(lines_[++index_]);
            }
        }
        if (!have_key_) {
            Warn("value outside a key of " + std::string(kRoot) + " skipped");
            return;
        }
        RegValue value;
        value.Name = name;
        const std::string data = line.substr(pos);
        if (data == "-") {
            result_.Ops.push_back({RegFileOp::Kind::DeleteValue, key_, value});
            return;
        }
        if (!ParseData(data, value)) return;
        result_.Ops.push_back({RegFileOp::Kind::SetValue, key_, value});
    }

    bool ParseData(const std::string& data, RegValue& value) {
        if (!data.empty() && data[0] == '"') {
            std::size_t pos = 0;
            if (!ReadQuoted(data, pos, value.Data)) {
                Warn("string without a closing quote");
                return false;
            }
            if (!TrimBlanks(data.substr(pos)).empty()) {
                Warn("text after the closing quote");
                return false;
            }
            value.Type = kRegSz;
            return true;
        }
        if (StartsWithCI(data, 0, "dword:")) {
            const std::string digits = TrimBlanks(data.substr(6));
            if (digits.empty() || digits.size() > 8) {
                Warn("dword needs one to eight hex digits");
                return false;
            }
            std::uint32_t number = 0;
            for (char c : digits) {
                const int d = HexDigitValue(c);
                if (d < 0) {
                    Warn("dword needs one to eight hex digits");
                    return false;
                }
                number = number * 16 + static_cast<std::uint32_t>(d);
            }
            value = RegValue::DWord(value.Name, number);
            return true;
        }
        if (StartsWithCI(data, 0, "hex")) {
            std::size_t pos = 3;
            std::uint32_t type = kRegBinary;
            if (pos < data.size() && data[pos] == '(') {
                const std::size_t close = data.find(')', pos);
                if (close == std::string::npos || close == pos + 1 || close > pos + 9) {
                    Warn("bad hex type");
                    return false;
                }
                type = 0;
                for (std::size_t i = pos + 1; i < close; ++i) {
                    const int d = HexDigitValue(data[i]);
                    if (d < 0) {
                        Warn("bad hex type");
                        return false;
                    }
                    type = type * 16 + static_cast<std::uint32_t>(d);
                }
                pos = close + 1;
            }
            if (pos >= data.size() || data[pos] != ':') {
                Warn("hex data without \":\"");
                return false;
            }
            std::string bytes;
            if (!ParseHexBytes(data.substr(pos + 1), bytes)) {
                Warn("bad hex bytes");
                return false;
            }
            value.Type = type;
            value.Data = DecodeTyped(type, bytes);
            return true;
        }
        Warn("unknown value data");
        return false;
    }

    // Strings given as hex bytes: UTF-16 in version 5 files, the code page's bytes in REGEDIT4; the
    // terminating NUL is not part of the text.
    std::string DecodeTyped(std::uint32_t type, const std::string& bytes) const {
        if (type != kRegSz && type != kRegExpandSz && type != kRegMultiSz) return bytes;
        std::string text = unicode_ ? Utf16ToUtf8(bytes, 0, true) : bytes;
        if (type != kRegMultiSz && !text.empty() && text.back() == '\0') text.pop_back();
        return text;
    }

    std::vector<std::string> lines_;
    bool unicode_;
    RegParseResult& result_;
    std::size_t index_ = 0;
    std::string key_;
    bool have_key_ = false;
};

void AppendHex(std::string& out, const std::string& head, const std::string& bytes) {
    std::size_t column = head.size();
    out += head;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char cell[4];
        std::snprintf(cell, sizeof cell, "%02x", static_cast<unsigned char>(bytes[i]));
        out += cell;
        column += 2;
        if (i + 1 < bytes.size()) {
            out += ',';
            ++column;
            if (column > 76) {
                out += "\\";
                out += kCrLf;
                out += "  ";
                column = 2;
            }
        }
    }
    out += kCrLf;
}

}  // namespace

RegParseResult ParseRegText(const std::string& bytes) {
    RegParseResult result;
    std::string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
        text = Utf16ToUtf8(bytes, 2, true);
    else if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF)
        text = Utf16ToUtf8(bytes, 2, false);
    else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text = bytes.substr(3);
    else
        text = bytes;

    std::vector<std::string> lines = SplitLines(text);
    std::size_t first = 0;
    while (first < lines.size() && TrimBlanks(lines[first]).empty()) ++first;
    if (first == lines.size()) {
        result.Error = "empty file";
        return result;
    }
    const std::string header = TrimBlanks(lines[first]);
    bool unicode = false;
    if (header == kRegEdit4Header) {
        unicode = false;
    } else if (header == "Windows Registry Editor Version 5.00") {
        unicode = true;
    } else {
        result.Error = "not a registry file (first line \"" + header.substr(0, 60) + "\")";
        return result;
    }
    result.Ok = true;
    Parser(std::move(lines), unicode, result).Run(first + 1);
    return result;
}

std::string RegQuote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

std::string RegKeyLine(const std::string& key) {
    std::string line = "[" + std::string(kRoot);
    if (!key.empty()) line += "\\" + key;
    return line + "]" + kCrLf;
}

std::string RegValueLines(const RegValue& value) {
    const std::string name = value.Name.empty() ? std::string("@") : RegQuote(value.Name);
    std::string out;
    if (value.Type == kRegSz && value.Data.find_first_of(std::string("\r\n\0", 3)) == std::string::npos) {
        out = name + "=" + RegQuote(value.Data) + kCrLf;
    } else if (value.IsDWord()) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value.AsDWord()));
        out = name + "=dword:" + digits + kCrLf;
    } else if (value.Type == kRegBinary) {
        AppendHex(out, name + "=hex:", value.Data);
    } else {
        // Text with line breaks cannot stand between quotes; it goes as bytes with its terminator.
        std::string bytes = value.Data;
        if (value.Type == kRegSz || value.Type == kRegExpandSz) bytes += '\0';
        char head[24];
        std::snprintf(head, sizeof head, "=hex(%x):", static_cast<unsigned>(value.Type));
        AppendHex(out, name + head, bytes);
    }
    return out;
}

}  // namespace corvane
