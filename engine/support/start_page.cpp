#include "engine/support/start_page.h"

#include "engine/model/version.h"
#include "platform/rtl/hex_text.h"

namespace corvane {

std::string JavaScriptStringLiteral(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80) {
            // Percent-encoded, as a browser sends such a byte anyway; this also keeps the line
            // separators U+2028 and U+2029 out of the literal.
            AppendPercentEscape(out, c);
        } else if (c < 0x20 || c == 0x7F || c == '"' || c == '\'' || c == '\\' || c == '<' || c == '>' ||
                   c == '&') {
            // "<" and ">" escaped keep "</script>" and "<!--" out of the script element.
            out += "\\x";
            AppendHexByte(out, c);
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string StartPageHTML(const std::string& url) {
    std::string page;
    auto line = [&page](const std::string& text) { page += text + "\r\n"; };
    line("<html>");
    line("<head>");
    line("<title>Corvane Home</title>");
    line("<style type=\"text/css\">");
    line("body { background-color: #336699 }");
    line(".p1 { font-family: Arial, Helvetica, sans-serif; font-size: 36pt; font-weight: bold; color: #ffc000 }");
    line(".p2 { font-family: Arial, Helvetica, sans-serif; font-size: 12pt; color: #FFFFFF }");
    line("</style>");
    line("</head>");
    line("<body bgcolor=\"#336699\" text=\"#FFFFFF\" link=\"#71C2FF\" vlink=\"#71C2FF\" alink=\"#FFD700\">");
    line(std::string("<div class=\"p1\">") + kProductName + "</div>");
    line("<div class=\"p2\">3.0 Beta 3</div>");
    line("<script type=\"text/javascript\">");
    if (!url.empty()) line("if (navigator.onLine) location.replace(" + JavaScriptStringLiteral(url) + ");");
    line("</script>");
    line("</body>");
    line("</html>");
    return page;
}

}  // namespace corvane
