#pragma once
// The URL model: a splitter for URLs and the free routines built on it. Everything works on byte
// strings and nothing here touches the network.

#include <functional>
#include <string>

namespace corvane {

// A URL taken apart. Path has no leading "/" and ends in "/" unless empty; a last segment without
// extension and query counts as a directory of the path. Anchor is only split off the document, so
// in "a.htm?x=1#y" the query is "?x=1#y".
class TbrURL {
public:
    std::string URL;
    std::string Protocol;  // up to and including "://"
    std::string Host;      // without port
    std::string Port;
    std::string Path;
    std::string Document;
    std::string Ext;       // the document's extension with its dot
    std::string Query;     // from "?" to the end
    std::string Anchor;    // from "#" to the end of the document

    TbrURL() = default;
    explicit TbrURL(const std::string& url) { SetURL(url); }

    void SetURL(const std::string& url);
    void Parse();
};

// The file-name extension rule of the class library: from the last "." of the name, unless a path or
// drive delimiter comes after it; empty when there is none.
std::string ExtractFileExt(const std::string& name);

std::string URLProtocol(const std::string& url);
std::string URLHost(const std::string& url);
std::string URLPath(const std::string& url);
std::string URLQuery(const std::string& url);
std::string URLAnchor(const std::string& url);
// Document followed by the query.
std::string URLDocument(const std::string& url);
// ".html" for any URL with "?", else the document's extension in lower case.
std::string URLFileExt(const std::string& url);

// Scheme and authority, then up to the last "/" before the query or anchor; always ends in "/".
std::string URLBaseDir(const std::string& url);
// The absolute URL of a link found in a page with this base directory. Dot segments are removed
// (".." above the root is dropped); "//host/x" takes the base's scheme.
std::string ResolveURL(const std::string& link, const std::string& base);
// ResolveURL then NormalizeURL; empty when NormalizeURL refuses the result.
std::string ResolveLink(const std::string& link, const std::string& base);
// The URL's prefix N directory levels above its last directory; with N = 0, or N at or past the
// top, the host root.
std::string URLParentPrefix(const std::string& url, int levels);
// The link leading from a page in the base directory to the URL (both on one host).
std::string RelativeURL(const std::string& url, const std::string& base);
std::string StripAnchor(const std::string& url);
// Blanks, control bytes and DEL percent-encoded, so that every spelling of a link found in a page
// names one queued URL (and one local file).
std::string EncodeUnsafeURLBytes(const std::string& url);
// True for a text beginning with "http:", "https:" or "ftp:", in any case.
bool HasWebProtocol(const std::string& text);

// Removes "." and ".." segments from the path of a URL (the query and anchor are left alone).
std::string RemoveDotSegments(const std::string& url);

// Completes a URL typed by the user ("http://" in front, "/" behind a directory) and says whether it
// is usable. The URL is updated in place.
bool NormalizeURL(std::string& url);

// Shows one message to the user (a message box in the program).
using UserMessageFn = std::function<void(const std::string& message)>;
inline constexpr const char* kInvalidURLMessage = "Invalid URL.";
inline constexpr const char* kUnsupportedURLMessage =
    "Invalid URL.\nNOTE: file:// && ftp:// not supported in this version of Corvane.";
// The check of every URL typed, pasted or dropped by the user. On success the URL is the normalised
// one; on failure it is left as typed and the reason goes to notify.
bool CheckUserURL(std::string& url, const UserMessageFn& notify);

// A short name for the site, for naming new tasks. It may be empty and may hold "/" or other bytes
// that are not allowed in file names: callers pass it through ReplaceInvalidFileChars and fall back
// to a fixed name when it is empty.
std::string SiteShortName(const std::string& url);

}  // namespace corvane
