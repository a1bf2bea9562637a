#pragma once
// Hex digits and percent escapes, written once for the URL layer, the queue file, the registry
// reader, file URIs and the trash's info files.

#include <string>
#include <string_view>

namespace corvane {

// The value of a hex digit of either case; -1 for any other byte.
int HexDigitValue(char c);

// Appends the byte as two upper-case hex digits.
void AppendHexByte(std::string& out, unsigned char byte);

// Appends "%" and the byte's two upper-case hex digits.
void AppendPercentEscape(std::string& out, unsigned char byte);

// The text with every byte for which escape(byte) holds written as "%XY".
template <class Escape>
std::string PercentEncode(std::string_view text, Escape escape) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (escape(byte)) {
            AppendPercentEscape(out, byte);
        } else {
            out += c;
        }
    }
    return out;
}

// The bytes a file URI or a trash info path keeps as they are: RFC 3986's unreserved ones and "/".
bool IsUriPathByte(unsigned char byte);

// "%XY" back to its byte; an escape cut short or not in hex stays as written.
std::string PercentDecode(std::string_view text);

// The same, refusing a broken escape: false, and out is not to be used.
bool PercentDecodeStrict(std::string_view text, std::string& out);

}  // namespace corvane
