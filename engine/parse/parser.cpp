#include "engine/parse/parser.h"

#include <algorithm>

#include "engine/support/text_routines.h"
#include "platform/rtl/string_list.h"

namespace corvane {
namespace {

bool InTagNameSkipSet(char c) { return c == '\n' || c == '\r' || c == ' ' || c == '"' || c == '\'' || c == '='; }
bool InAttrSkipSet(char c) { return InTagNameSkipSet(c) || c == '\\'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// 1-based access; callers keep positions within 1..size.
char At(const std::string& text, std::size_t pos) { return text[pos - 1]; }

// Exact search of pattern starting at or after "from" (1-based); 0 when none.
std::size_t Find(const std::string& text, const std::string& pattern, std::size_t from) {
    if (from == 0 || from > text.size()) return 0;
    const std::size_t at = text.find(pattern, from - 1);
    return at == std::string::npos ? 0 : at + 1;
}

std::size_t Find(const std::string& text, char c, std::size_t from) {
    return Find(text, std::string(1, c), from);
}

// Case-insensitive search of pattern starting at or after "from" and beginning no later than "last".
std::size_t FindCaseless(const std::string& text, const std::string& pattern, std::size_t from, std::size_t last) {
    const std::size_t n = text.size(), m = pattern.size();
    if (m == 0 || m > n || from < 1) return 0;
    last = std::min(last, n - m + 1);
    for (std::size_t p = from; p <= last; ++p) {
        std::size_t k = 0;
        while (k < m && Upper(At(text, p + k)) == Upper(pattern[k])) ++k;
        if (k == m) return p;
    }
    return 0;
}

bool ContainsCaseless(const std::string& text, const std::string& pattern) {
    return FindCaseless(text, pattern, 1, text.size()) != 0;
}

}  // namespace

void TCVParser::BeginTagPass(const std::string& tag, const std::string& attribute) {
    Mode = TCVParserMode::TagAttribute;
    TagName = tag;
    TagEnd = ">";
    AttrName = attribute;
    Pos = EndPos = 1;
    first_call_ = true;
    TagStart = TagEndPos = AttrPos = ValueStart = ValueEnd = 0;
    CurrentLink.clear();
}

void TCVParser::BeginQuotePass(TCVParserMode mode, char quote) {
    Mode = mode;
    TagName = TagEnd = std::string(1, quote);
    AttrName.clear();
    Pos = EndPos = 1;
    first_call_ = true;
    TagStart = TagEndPos = AttrPos = ValueStart = ValueEnd = 0;
    CurrentLink.clear();
    if (mode == TCVParserMode::ScriptStrings) IndexScriptBlocks();
}

std::string TCVParser::Next() {
    // The first call starts at the first byte, so a page that begins with a link is not missed.
    if (EndPos != 0 && !first_call_) Pos = EndPos + 1;
    first_call_ = false;
    return Mode == TCVParserMode::TagAttribute ? GetAttrLink() : GetQuotedLink();
}

void TCVParser::FindTag() {
    const std::size_t n = Text.size();
    for (;;) {
        TagStart = Find(Text, '<', Pos);
        if (TagStart == 0) return;
        Pos = TagStart + 1;
        while (Pos <= n && InTagNameSkipSet(At(Text, Pos))) ++Pos;
        std::size_t k = 0;
        while (k < TagName.size() && Pos + k <= n && Upper(At(Text, Pos + k)) == Upper(TagName[k])) ++k;
        if (k == TagName.size()) return;  // a prefix match: "A" also matches AREA
    }
}

std::string TCVParser::GetAttrLink() {
    CurrentLink.clear();
    if (Text.empty()) {
        EndPos = 0;
        return {};
    }
    FindTag();
    TagEndPos = EndPos = TagStart == 0 ? 0 : Find(Text, TagEnd, TagStart);
    if (EndPos == 0) return {};

    // The attribute, searched inside this tag only: a name merely beginning with the wanted one
    // ("HREFX") is passed over.
    const std::size_t n = Text.size();
    const std::size_t name_len = AttrName.size();
    AttrPos = FindCaseless(Text, AttrName, TagStart, TagEndPos);
    while (AttrPos != 0) {
        const std::size_t after = AttrPos + name_len;
        if (after <= n) {
            const char c = At(Text, after);
            if (c == ' ' || c == '"' || c == '\'' || c == '=') break;
        }
        AttrPos = FindCaseless(Text, AttrName, AttrPos + 1, TagEndPos);
    }
    if (AttrPos == 0) return {};

    // The value's lead-in: blanks, quotes and "=".
    std::size_t p = AttrPos + name_len;
    bool saw_equals = false;
    while (p <= n && InAttrSkipSet(At(Text, p))) {
        const char c = At(Text, p);
        if (c == '=') saw_equals = true;
        ++p;
        if (c == '"' || p > TagEndPos) break;
    }
    if (p > TagEndPos || !saw_equals) return {};

    const char opener = At(Text, p - 1);
    const bool quoted = opener == '"' || opener == '\'';
    std::size_t end = p;
    for (;; ++end) {
        if (end > TagEndPos || end > n) return {};
        const char c = At(Text, end);
        if (quoted ? c == opener : (c == ' ' || c == '"' || c == '\'' || c == '>')) break;
    }
    ValueStart = p;
    ValueEnd = end;
    std::string value = Text.substr(p - 1, end - p);
    if (value.find_first_of("+;") != std::string::npos) return {};

    if (ContainsCaseless(value, "javascript:")) {
        // A script call with one file name in apostrophes yields that name.
        const std::size_t first = Find(Text, '\'', ValueStart);
        const std::size_t second = first == 0 ? 0 : Find(Text, '\'', first + 1);
        if (first == 0 || second == 0 || second > TagEndPos) return {};
        ValueStart = first + 1;
        ValueEnd = second;
        value = Text.substr(first, second - first - 1);
    }
    CurrentLink = value;
    return value;
}

std::string TCVParser::GetQuotedLink() {
    CurrentLink.clear();
    Pos = Find(Text, TagName, Pos);
    if (Pos == 0) {
        // No opening quote left: the pass is over.
        EndPos = 0;
        return {};
    }
    EndPos = Find(Text, TagEnd, Pos + 1);
    if (EndPos == 0) return {};

    // A ">" between the quotes means they do not enclose a string: the closing quote is taken as
    // the next opening one.
    const auto open_at = Text.begin() + static_cast<std::ptrdiff_t>(Pos);
    const auto close_at = Text.begin() + static_cast<std::ptrdiff_t>(EndPos - 1);
    if (std::find(open_at, close_at, '>') != close_at) {
        EndPos -= 1;
        return {};
    }
    ValueStart = Pos + 1;
    ValueEnd = EndPos - 1;
    if (Mode == TCVParserMode::ScriptStrings && !InsideScriptBlock(ValueStart)) return {};

    CurrentLink = Text.substr(ValueStart - 1, ValueEnd - ValueStart + 1);
    const std::string& s = CurrentLink;
    if (s.empty() || s.find_first_of(" ;<") != std::string::npos) return {};
    if (s.find(':') != std::string::npos && s.find("://") == std::string::npos) return {};
    if (ContainsCaseless(s, "text/css") || ContainsCaseless(s, "text/javascript")) return {};
    if (s.find_first_of("./") == std::string::npos) return {};
    return s;
}

void TCVParser::ReplaceLink(const std::string& new_link) {
    if (new_link == CurrentLink) return;
    // Every position moved lies after the value, so none of them drops below its length.
    const auto moved = [&](std::size_t pos) { return pos - CurrentLink.size() + new_link.size(); };
    Text.replace(ValueStart - 1, CurrentLink.size(), new_link);
    EndPos = moved(EndPos);
    if (TagEndPos >= ValueStart) TagEndPos = moved(TagEndPos);
    ValueEnd = moved(ValueEnd);
    shift_since_pass_start_ += static_cast<std::ptrdiff_t>(new_link.size()) - static_cast<std::ptrdiff_t>(CurrentLink.size());
}

std::string TCVParser::GetTagText() const {
    if (Mode != TCVParserMode::TagAttribute || TagStart == 0) return {};
    const std::size_t gt = Text.find('>', TagStart - 1);
    if (gt == std::string::npos) return {};
    const std::size_t lt = Text.find('<', gt + 1);
    return CleanField(Text.substr(gt + 1, lt == std::string::npos ? std::string::npos : lt - gt - 1));
}

void TCVParser::IndexScriptBlocks() {
    script_opens_.clear();
    script_closes_.clear();
    shift_since_pass_start_ = 0;
    const std::string upper = UpperCase(Text);
    for (std::size_t p = upper.find("<SCRIPT"); p != std::string::npos; p = upper.find("<SCRIPT", p + 1))
        script_opens_.push_back(p + 1);
    for (std::size_t p = upper.find("/SCRIPT"); p != std::string::npos; p = upper.find("/SCRIPT", p + 1))
        script_closes_.push_back(p + 1);
}

bool TCVParser::InsideScriptBlock(std::size_t position) const {
    // Every replacement of this pass lies before the current value, so the value's position in the
    // text the pass began with is its position less the shift so far.
    const std::size_t original = position - static_cast<std::size_t>(shift_since_pass_start_);
    const auto open = std::lower_bound(script_opens_.begin(), script_opens_.end(), original);
    if (open == script_opens_.begin()) return false;
    const std::size_t script_start = *std::prev(open);  // the last "<script" before the value
    const auto close = std::upper_bound(script_closes_.begin(), script_closes_.end(), script_start);
    return close != script_closes_.end() && original < *close;
}

}  // namespace corvane
