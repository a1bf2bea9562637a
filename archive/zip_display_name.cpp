#include "archive/zip_display_name.h"

#include <cstdint>
#include <cstdio>

namespace corvane {

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";

// Length of the valid UTF-8 sequence at text[i] and its code point; 0 when it is not valid
// (overlong forms, surrogates and values above U+10FFFF are not).
std::size_t DecodeOne(std::string_view text, std::size_t i, std::uint32_t& cp) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t length = 0;
    std::uint32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

bool Escaped(std::uint32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

}  // namespace

std::string DisplayName(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        std::uint32_t cp = 0;
        const std::size_t length = DecodeOne(raw, i, cp);
        if (length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (Escaped(cp)) {
            char text[8];
            std::snprintf(text, sizeof text, cp < 0x100 ? "\\x%02X" : "\\u%04X", static_cast<unsigned>(cp));
            out += text;
        } else {
            out.append(raw.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::string CommentSuffix(std::string_view comment) {
    if (comment.empty()) return {};
    return "   (" + DisplayName(comment) + ")";
}

}  // namespace corvane
