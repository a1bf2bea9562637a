#include "platform/rtl/hex_text.h"

namespace corvane {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The byte an escape at text[i] stands for, or -1 when text[i] starts no whole escape.
int EscapeAt(std::string_view text, std::size_t i) {
    if (text[i] != '%' || i + 2 >= text.size()) return -1;
    const int high = HexDigitValue(text[i + 1]);
    const int low = HexDigitValue(text[i + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

}  // namespace

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendHexByte(std::string& out, unsigned char byte) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 15];
}

void AppendPercentEscape(std::string& out, unsigned char byte) {
    out += '%';
    AppendHexByte(out, byte);
}

bool IsUriPathByte(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/';
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int byte = EscapeAt(text, i);
        if (byte < 0) {
            out += text[i];
        } else {
            out += static_cast<char>(byte);
            i += 2;
        }
    }
    return out;
}

bool PercentDecodeStrict(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int byte = EscapeAt(text, i);
        if (byte < 0) return false;
        out += static_cast<char>(byte);
        i += 2;
    }
    return true;
}

}  // namespace corvane
