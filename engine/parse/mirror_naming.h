#pragma once
// Local mirror naming: every URL has one fixed local file under the capture folder
// (folder + host + "/" + directory path + file name), and every link in a saved page is rewritten
// to the relative path of that file. Both mappings are built from the same cleaned parts, so a
// rewritten link always leads to the file the URL is stored in.
//
// Names on disk are plain UTF-8: the bytes that cannot stand in a name become "¡" ("/" in a
// query), "¿" ("?"), "¦" ("|", ":", "%3A") and "°" ("*"). Only the text written into a saved page
// is percent-encoded (EncodePageLink).

#include <string>

namespace corvane {

// A name longer than this many bytes is shortened (it would not fit a file name).
inline constexpr std::size_t kMaxLocalNameBytes = 255;
// A shortened or renamed name keeps an extension of at most this many bytes (dot included).
inline constexpr std::size_t kMaxKeptExtensionBytes = 32;
// Stands for a host or path segment that is empty, "." or "..".
inline constexpr const char* kEmptySegmentToken = "_";

// The URL text with the local-name substitutions: from the first "?" on "/" and "?" become "¡" and
// "¿"; then, in any case, "%20" a blank, "&amp;" "&", "%3A" "|" ":" "¦", "*" "°", "//" "/".
std::string SanitizeURLName(const std::string& text);

// The file name of a directory URL's page: the last directory + ".html"; for a host root, the host
// (lower case) with its last label replaced by "html" ("www.e.com" gives "www.e.html").
std::string DirPageName(const std::string& url);

// The name with the suffix put before its extension, its beginning cut (never inside a UTF-8
// character) so that the whole fits kMaxLocalNameBytes.
std::string NameWithSuffix(const std::string& name, const std::string& suffix);

// The relative link, with "/" separators and without the URL's anchor, from a page in the base
// directory to the URL's local file. The base may also be the page's own URL: only its host and
// directory path count. Hosts compare without regard to case.
std::string MakeLocalLink(const std::string& url, const std::string& base);

// The full local path of the URL's file under the capture folder (absolute, "/"-separated). Empty
// when the URL cannot be stored safely there: an empty or relative folder, a NUL byte, or a result
// that would not lie inside the folder. Callers treat an empty result as a refused URL.
std::string GetLocalFileName(const std::string& folder, const std::string& base, const std::string& url);

// The directory a page's local file lies in, as a URL: what MakeLocalLink needs as the base for the
// links of that page. It differs from URLBaseDir for a page whose last segment has no extension
// ("http://h/a/b" is stored as h/a/b/b.html, so its links start from h/a/b/).
std::string LocalBaseDir(const std::string& page_url);

// A local link as it is written into a saved page: every byte that is not unreserved ASCII or "/" is
// percent-encoded, so the browser finds the file whatever its name holds.
std::string EncodePageLink(const std::string& link);

// The path or link with its last element (the file name) replaced; unchanged when name is ''.
std::string WithFileName(const std::string& path, const std::string& name);

// The complete text that replaces a link in a saved page: the encoded local link followed by the
// URL's anchor (from its first "#"). A file_name given (the queue's name for a URL whose own name
// another URL holds) replaces the link's file name.
std::string PageLinkText(const std::string& url, const std::string& base, const std::string& file_name = {});

}  // namespace corvane
