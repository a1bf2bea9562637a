#include "localisation/code_page.h"

#include <cerrno>
#include <iconv.h>

#include "localisation/lang_error.h"

namespace corvane {

const char* CodePageForCharset(std::uint8_t charset) {
    switch (charset) {
        case 204: return "CP1251";
        case 238: return "CP1250";
        case 161: return "CP1253";
        case 162: return "CP1254";
        case 177: return "CP1255";
        case 178: return "CP1256";
        case 186: return "CP1257";
        case 163: return "CP1258";
        case 222: return "CP874";
        case 128: return "CP932";
        case 129: return "CP949";
        case 134: return "CP936";
        case 136: return "CP950";
        default: return "CP1252";  // 0 (ANSI), 1 (default) and anything we do not know
    }
}

namespace {

bool IsAscii(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

std::string Convert(const std::string& in, const char* to, const char* from, const char* what) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw ELangFileError(std::string("No converter between ") + from + " and " + to);
    std::string out;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t done = 0;
    for (;;) {
        char* dst = out.data() + done;
        std::size_t dstLeft = out.size() - done;
        const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        done = out.size() - dstLeft;
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        iconv_close(cd);
        throw ELangFileError(std::string(what) + " (code page " +
                             (std::string(from) == "UTF-8" ? to : from) + ")");
    }
    iconv_close(cd);
    out.resize(done);
    return out;
}

}  // namespace

std::string DecodeCodePage(const std::string& bytes, std::uint8_t charset) {
    if (IsAscii(bytes)) return bytes;
    return Convert(bytes, "UTF-8", CodePageForCharset(charset), "Language file text is not valid in its code page");
}

std::string EncodeCodePage(const std::string& utf8, std::uint8_t charset) {
    if (IsAscii(utf8)) return utf8;
    return Convert(utf8, CodePageForCharset(charset), "UTF-8",
                   "Text cannot be written in the language file's code page");
}

}  // namespace corvane
