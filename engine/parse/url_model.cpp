#include "engine/parse/url_model.h"

#include <algorithm>

#include "engine/support/file_routines.h"
#include "engine/support/text_routines.h"
#include "platform/rtl/dot_segments.h"
#include "platform/rtl/hex_text.h"
#include "platform/rtl/string_list.h"

namespace corvane {

namespace {

constexpr std::size_t npos = std::string::npos;

bool StartsNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

// Index of the "://" that ends a scheme, or npos. A scheme holds no "/", "?" or "#", so a "://"
// inside a path or query ("a.htm?u=http://x") is not one.
std::size_t SchemeEnd(const std::string& url) {
    const std::size_t p = url.find("://");
    if (p == npos || url.find_first_of("/?#") < p) return npos;
    return p;
}

// Where the query or anchor begins (the URL's length when neither is there).
std::size_t QueryStart(const std::string& url) {
    const std::size_t p = url.find_first_of("?#");
    return p == npos ? url.size() : p;
}

// Where the host begins: behind "://", or at the start of a URL without scheme.
std::size_t AuthorityStart(const std::string& url) {
    const std::size_t p = SchemeEnd(url);
    return p == npos ? 0 : p + 3;
}

}  // namespace

std::string ExtractFileExt(const std::string& name) {
    const std::size_t p = name.find_last_of(".\\:/");
    if (p == npos || name[p] != '.') return "";
    return name.substr(p);
}

void TbrURL::SetURL(const std::string& url) {
    URL = url;
    Parse();
}

void TbrURL::Parse() {
    Protocol.clear();
    Host.clear();
    Port.clear();
    Path.clear();
    Document.clear();
    Ext.clear();
    Query.clear();
    Anchor.clear();

    std::string rest = URL;
    std::replace(rest.begin(), rest.end(), '\\', '/');

    const std::size_t scheme = SchemeEnd(rest);
    if (scheme != npos) {
        Protocol = rest.substr(0, scheme + 3);
        rest.erase(0, scheme + 3);
    }

    // The authority ends at the path, the port, the query or the anchor.
    std::size_t end = rest.find_first_of("/:?#");
    if (end == npos) end = rest.size();
    Host = rest.substr(0, end);
    rest.erase(0, end);
    if (Host == ".") Host.clear();
    if (rest.empty()) return;

    if (rest[0] == ':') {
        rest.erase(0, 1);
        end = rest.find_first_of("/?#");
        if (end == npos) end = rest.size();
        Port = rest.substr(0, end);
        rest.erase(0, end);
    }
    const std::size_t query = rest.find('?');
    if (query != npos) {
        Query = rest.substr(query);
        rest.erase(query);
    }
    const std::size_t slash = rest.rfind('/');
    if (slash == npos) {
        Document = rest;
    } else {
        Path = rest.substr(0, slash + 1);
        Document = rest.substr(slash + 1);
    }
    if (!Document.empty()) {
        const std::size_t hash = Document.find('#');
        if (hash != npos) {
            Anchor = Document.substr(hash);
            Document.erase(hash);
        }
        Ext = ExtractFileExt(Document);
    }
    if (Ext.empty() && Query.empty()) {
        Path += Document;
        Document.clear();
    }
    if (!Path.empty() && Path[0] == '/') Path.erase(0, 1);
    if (!Path.empty() && Path.back() != '/') Path += '/';
}

std::string URLProtocol(const std::string& url) { return TbrURL(url).Protocol; }
std::string URLHost(const std::string& url) { return TbrURL(url).Host; }
std::string URLPath(const std::string& url) { return TbrURL(url).Path; }
std::string URLQuery(const std::string& url) { return TbrURL(url).Query; }
std::string URLAnchor(const std::string& url) { return TbrURL(url).Anchor; }

std::string URLDocument(const std::string& url) {
    const TbrURL parts(url);
    return parts.Document + parts.Query;
}

std::string URLFileExt(const std::string& url) {
    if (url.find('?') != npos) return ".html";
    return LowerCase(ExtractFileExt(URLDocument(url)));
}

std::string URLBaseDir(const std::string& url) {
    const std::size_t limit = QueryStart(url);
    const std::size_t path = url.find('/', AuthorityStart(url));
    // Scheme and host alone (possibly followed by a query): the host root.
    if (path == npos || path >= limit) return url.substr(0, limit) + "/";
    return url.substr(0, url.rfind('/', limit - 1) + 1);
}

std::string URLParentPrefix(const std::string& url, int levels) {
    const std::size_t limit = QueryStart(url);
    std::vector<std::size_t> ends;  // the slashes of the path, in order
    for (std::size_t p = url.find('/', AuthorityStart(url)); p != npos && p < limit; p = url.find('/', p + 1))
        ends.push_back(p);
    if (ends.empty()) return limit == 0 ? std::string() : url.substr(0, limit) + "/";
    std::size_t pick = 0;
    if (levels > 0 && ends.size() > static_cast<std::size_t>(levels))
        pick = ends.size() - 1 - static_cast<std::size_t>(levels);
    return url.substr(0, ends[pick] + 1);
}

std::string RemoveDotSegments(const std::string& url) {
    const std::size_t limit = QueryStart(url);
    std::size_t start = 0;
    if (SchemeEnd(url) != npos) {
        start = url.find('/', AuthorityStart(url));
        if (start == npos || start >= limit) return url;
    }
    return url.substr(0, start) + ResolveDotSegments(std::string_view(url).substr(start, limit - start), kUrlPathRules) + url.substr(limit);
}

std::string ResolveURL(const std::string& link, const std::string& base) {
    std::string result;
    if (StartsNoCase(link, "HTTP://") || StartsNoCase(link, "FILE://") || StartsNoCase(link, "FTP://") ||
        StartsNoCase(link, "HTTPS://") || StartsNoCase(link, "NEWS://")) {
        result = link;
    } else if (link.starts_with("//")) {
        // A network-path reference names another server under the base's scheme.
        const std::size_t scheme = SchemeEnd(base);
        result = (scheme == npos ? std::string("http") : base.substr(0, scheme)) + ":" + link;
    } else if (link.starts_with("/")) {
        result = URLParentPrefix(base, 0) + link.substr(1);
    } else if (link.starts_with("../")) {
        std::size_t skip = 0;
        int levels = 0;
        while (link.compare(skip, 3, "../") == 0) {
            skip += 3;
            ++levels;
        }
        result = URLParentPrefix(base, levels) + link.substr(skip);
    } else {
        result = base + link;
    }
    while (result.find("/./") != npos) StrReplace(result, "/./", "/", kReplaceAll);
    std::erase_if(result, [](char c) { return c == '\r' || c == '\n'; });
    StrReplace(result, "&amp;", "&", kReplaceAll);
    return RemoveDotSegments(result);
}

std::string ResolveLink(const std::string& link, const std::string& base) {
    std::string url = ResolveURL(link, base);
    if (!NormalizeURL(url)) return "";
    return url;
}

std::string RelativeURL(const std::string& url, const std::string& base) {
    if (url.starts_with("/")) return UpPrefix(URLPath(base)) + url.substr(1);
    if (!SameText(URLHost(url), URLHost(base))) return url;
    std::string path = URLPath(url);
    std::string base_path = URLPath(base);
    while (!base_path.empty()) {
        const std::size_t seg = base_path.find('/');
        const std::size_t len = seg == npos ? base_path.size() : seg + 1;
        if (path.compare(0, len, base_path, 0, len) != 0 || path.size() < len) break;
        path.erase(0, len);
        base_path.erase(0, len);
    }
    return UpPrefix(base_path) + path + URLDocument(url);
}

std::string StripAnchor(const std::string& url) {
    const std::size_t hash = url.find('#');
    return hash == npos ? url : url.substr(0, hash);
}

std::string EncodeUnsafeURLBytes(const std::string& url) {
    return PercentEncode(url, [](unsigned char b) { return b <= 0x20 || b == 0x7F; });
}

bool HasWebProtocol(const std::string& text) {
    return StartsNoCase(text, "http:") || StartsNoCase(text, "https:") || StartsNoCase(text, "ftp:");
}

bool NormalizeURL(std::string& url) {
    std::replace(url.begin(), url.end(), '\\', '/');
    if (SchemeEnd(url) == npos) {
        const bool drive = url.size() >= 2 && url[1] == ':' &&
                           ((url[0] >= 'A' && url[0] <= 'Z') || (url[0] >= 'a' && url[0] <= 'z'));
        url.insert(0, drive ? "file://" : "http://");
    }
    url = RemoveDotSegments(url);
    const TbrURL parts(url);
    if (parts.Host.empty() && !SameText(parts.Protocol, "file://")) return false;
    // A directory gets its "/", in front of any anchor so that the anchor stays an anchor.
    const std::string bare = StripAnchor(url);
    if (ExtractFileExt(URLDocument(bare)).empty() && !bare.ends_with("/") && bare.find('?') == npos)
        url.insert(bare.size(), "/");
    StrReplace(url, "&amp;", "&", kReplaceAll);
    return true;
}

bool CheckUserURL(std::string& url, const UserMessageFn& notify) {
    std::string candidate = url;
    const char* problem = nullptr;
    if (!NormalizeURL(candidate))
        problem = kInvalidURLMessage;
    else if (!StartsNoCase(candidate, "http://") && !StartsNoCase(candidate, "https://"))
        problem = kUnsupportedURLMessage;
    if (problem) {
        if (notify) notify(problem);
        return false;
    }
    url = candidate;
    return true;
}

std::string SiteShortName(const std::string& url) {
    std::string text = url;
    std::replace(text.begin(), text.end(), '\\', '/');
    const std::size_t www = text.find("www.");
    if (www == npos) {
        std::string host = URLHost(text);
        const std::size_t dot = host.find('.');
        if (dot != npos) {
            host[dot] = '_';
            const std::size_t next = host.find('.', dot + 1);
            if (next != npos) host.erase(next);
        }
        return host;
    }
    std::string rest = text.substr(www + 4);
    const std::size_t dot = rest.find('.');
    return dot == npos ? std::string() : rest.substr(0, dot);
}

}  // namespace corvane
