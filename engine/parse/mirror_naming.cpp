#include "engine/parse/mirror_naming.h"

#include <cstdint>
#include <vector>

#include "engine/support/text_routines.h"
#include "engine/parse/url_model.h"
#include "platform/rtl/fnv_hash.h"
#include "platform/rtl/hex_text.h"
#include "platform/rtl/dot_segments.h"
#include "platform/rtl/string_list.h"

namespace corvane {

namespace {

constexpr std::size_t npos = std::string::npos;

// The substitute characters, in UTF-8.
constexpr const char* kSubSlash = "\xC2\xA1";     // ¡
constexpr const char* kSubQuestion = "\xC2\xBF";  // ¿
constexpr const char* kSubBar = "\xC2\xA6";       // ¦
constexpr const char* kSubStar = "\xC2\xB0";      // °

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// At most `limit` bytes of the text, cut back so that no UTF-8 character is split.
std::string Utf8Prefix(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return text;
    while (limit > 0 && IsContinuationByte(text[limit])) --limit;
    return text.substr(0, limit);
}

// The extension a shortened or renamed name keeps: the text from its last "." when that is short
// enough to leave room for the rest.
std::string KeptExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == npos || dot == 0 || name.size() - dot > kMaxKeptExtensionBytes) return "";
    return name.substr(dot);
}

// Eight hex digits of the text's hash: short, and the same on every run.
std::string ShortHash(const std::string& text) {
    const std::uint64_t h = Fnv1a64(text);
    const auto folded = static_cast<std::uint32_t>(h ^ (h >> 32));
    static const char* const kHex = "0123456789abcdef";
    std::string out(8, '0');
    for (int i = 7; i >= 0; --i) out[static_cast<std::size_t>(7 - i)] = kHex[(folded >> (i * 4)) & 15];
    return out;
}

// A name that is too long keeps its beginning, then "~" and a short hash of the whole name, then
// its extension: two long names that share their first bytes still get different files.
std::string FitName(const std::string& name) {
    if (name.size() <= kMaxLocalNameBytes) return name;
    return NameWithSuffix(name, "~" + ShortHash(name));
}

// One element of a local path: never empty, "." or "..", never too long.
std::string CleanSegment(const std::string& segment) {
    std::string out = FitName(segment);
    if (out.empty() || out == "." || out == "..") out = kEmptySegmentToken;
    return out;
}

// The folders of a URL's place under the capture folder: the host folder, then its directories.
std::vector<std::string> LocalDirs(const TbrURL& parts) {
    std::vector<std::string> dirs;
    dirs.push_back(CleanSegment(SanitizeURLName(LowerCase(parts.Host))));
    const std::string path = SanitizeURLName(parts.Path);
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == npos) slash = path.size();
        dirs.push_back(CleanSegment(path.substr(start, slash - start)));
        start = slash + 1;
    }
    return dirs;
}

std::string DirPageNameOf(const std::vector<std::string>& dirs) {
    if (dirs.size() > 1) return dirs.back() + ".html";
    const std::string& host = dirs.front();
    const std::size_t dot = host.rfind('.');
    return (dot == npos ? std::string() : host.substr(0, dot + 1)) + "html";
}

// Dynamic pages are stored as ".html" so that a browser shows them; the swap is made in the file
// name only, never in a host or folder name.
void SwapDynamicExtension(std::string& name) {
    for (const char* ext : {".asp", ".shtml", ".phtml", ".sml"}) {
        const std::size_t p = LowerCase(name).find(ext);
        if (p != npos) name.replace(p, std::string(ext).size(), ".html");
    }
}

// The file name of a URL given without its anchor.
std::string LocalName(const TbrURL& parts, const std::vector<std::string>& dirs) {
    std::string name = parts.Document + parts.Query;
    const std::string& url = parts.URL;
    if (!parts.Query.empty() && url.find("=gif") == npos && url.find("=jpg") == npos &&
        url.find(".gif") == npos && url.find(".jpg") == npos)
        name += ".html";
    SwapDynamicExtension(name);
    name = SanitizeURLName(name);
    if (name.empty()) name = DirPageNameOf(dirs);
    return CleanSegment(name);
}

// A path's elements with "." and ".." resolved, as the file system would read it.
std::vector<std::string> LexicalElements(const std::string& path) {
    std::vector<std::string> out;
    SplitDotSegments(path, {}, out);
    return out;
}

bool LiesInside(const std::string& path, const std::string& folder) {
    const std::vector<std::string> p = LexicalElements(path);
    const std::vector<std::string> f = LexicalElements(folder);
    if (p.size() <= f.size()) return false;
    for (std::size_t i = 0; i < f.size(); ++i)
        if (p[i] != f[i]) return false;
    return true;
}

}  // namespace

std::string NameWithSuffix(const std::string& name, const std::string& suffix) {
    const std::string ext = KeptExtension(name);
    const std::string stem = name.substr(0, name.size() - ext.size());
    const std::size_t room = kMaxLocalNameBytes - std::min(kMaxLocalNameBytes, suffix.size() + ext.size());
    return Utf8Prefix(stem, room) + suffix + ext;
}

std::string SanitizeURLName(const std::string& text) {
    std::string out = text;
    const std::size_t query = out.find('?');
    if (query != npos) {
        std::string tail;
        for (std::size_t i = query; i < out.size(); ++i) {
            if (out[i] == '/')
                tail += kSubSlash;
            else if (out[i] == '?')
                tail += kSubQuestion;
            else
                tail += out[i];
        }
        out.replace(query, npos, tail);
    }
    StrReplace(out, "%20", " ", kReplaceAll);
    StrReplace(out, "&amp;", "&", kReplaceAll);
    StrReplace(out, "%3A", kSubBar, kReplaceAll);
    StrReplace(out, "|", kSubBar, kReplaceAll);
    StrReplace(out, "*", kSubStar, kReplaceAll);
    StrReplace(out, ":", kSubBar, kReplaceAll);
    StrReplace(out, "//", "/", kReplaceAll);
    return out;
}

std::string DirPageName(const std::string& url) { return DirPageNameOf(LocalDirs(TbrURL(StripAnchor(url)))); }

std::string MakeLocalLink(const std::string& url, const std::string& base) {
    const TbrURL target(StripAnchor(url));
    const std::vector<std::string> to = LocalDirs(target);
    const std::vector<std::string> from = LocalDirs(TbrURL(StripAnchor(base)));
    std::size_t common = 0;
    while (common < to.size() && common < from.size() && to[common] == from[common]) ++common;
    std::string link;
    for (std::size_t i = common; i < from.size(); ++i) link += "../";
    for (std::size_t i = common; i < to.size(); ++i) link += to[i] + "/";
    return link + LocalName(target, to);
}

std::string GetLocalFileName(const std::string& folder, const std::string& /*base*/, const std::string& url) {
    if (folder.empty() || folder[0] != '/') return "";
    std::string path = folder;
    if (path.back() != '/') path += '/';
    const TbrURL parts(StripAnchor(url));
    const std::vector<std::string> dirs = LocalDirs(parts);
    const std::string root = path;
    for (const std::string& dir : dirs) path += dir + "/";
    path += LocalName(parts, dirs);
    if (path.find('\0') != npos || !LiesInside(path, root)) return "";
    return path;
}

std::string LocalBaseDir(const std::string& page_url) {
    const TbrURL parts(StripAnchor(page_url));
    return parts.Protocol + parts.Host + (parts.Port.empty() ? "" : ":" + parts.Port) + "/" + parts.Path;
}

std::string EncodePageLink(const std::string& link) {
    std::string out;
    for (const char ch : link) {
        const auto c = static_cast<unsigned char>(ch);
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (keep)
            out += ch;
        else
            AppendPercentEscape(out, c);
    }
    return out;
}

std::string WithFileName(const std::string& path, const std::string& name) {
    if (name.empty()) return path;
    const std::size_t slash = path.rfind('/');
    return (slash == npos ? std::string() : path.substr(0, slash + 1)) + name;
}

std::string PageLinkText(const std::string& url, const std::string& base, const std::string& file_name) {
    std::string text = EncodePageLink(WithFileName(MakeLocalLink(url, base), file_name));
    const std::size_t hash = url.find('#');
    if (hash == npos) return text;
    // The anchor stays as written, except for bytes that would end the attribute or the URL.
    for (std::size_t i = hash; i < url.size(); ++i) {
        const auto c = static_cast<unsigned char>(url[i]);
        if (c <= ' ' || c >= 0x7F || c == '"' || c == '\'' || c == '<' || c == '>' || c == '`')
            AppendPercentEscape(text, c);
        else
            text += url[i];
    }
    return text;
}

}  // namespace corvane
