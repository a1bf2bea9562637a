#include "tasks/report/report_html.h"

#include "engine/parse/mirror_naming.h"
#include "engine/support/text_routines.h"
#include "platform/rtl/hex_text.h"

namespace corvane {

std::string HtmlText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = Utf8SequenceLength(text, i);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (len > 1) {
            out.append(text, i, len);
            i += len;
            continue;
        }
        const char c = text[i++];
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default:
                out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
        }
    }
    return out;
}

bool IsWebURL(std::string_view url) {
    const auto starts = [url](std::string_view prefix) {
        if (url.size() < prefix.size()) return false;
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            char c = url[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != prefix[i]) return false;
        }
        return true;
    };
    return starts("http://") || starts("https://");
}

std::string WebHref(std::string_view url) {
    std::string encoded;
    encoded.reserve(url.size());
    for (const char ch : url) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F)
            AppendPercentEscape(encoded, c);
        else
            encoded += ch;
    }
    return HtmlText(encoded);
}

std::string FileHref(const std::string& path) { return HtmlText("file://" + EncodePageLink(path)); }

std::string Anchor(const std::string& href, const std::string& inner, const std::string& extra) {
    std::string a = "<a href=\"" + href + "\"";
    if (!extra.empty()) a += " " + extra;
    return a + ">" + inner + "</a>";
}

std::string WebLink(std::string_view url, const std::string& inner) {
    return IsWebURL(url) ? Anchor(WebHref(url), inner) : inner;
}

std::string FileLink(const std::string& path, const std::string& inner) {
    return path.empty() ? inner : Anchor(FileHref(path), inner);
}

}  // namespace corvane
