#pragma once
// Text from outside put into report pages. Titles, URLs and referrers come from the sites captured,
// task names and start page titles from task files: none of it may ever become markup.

#include <string>
#include <string_view>

namespace corvane {

// The text as HTML character data or a double-quoted attribute value: invalid UTF-8 becomes U+FFFD,
// control bytes a blank, and & < > " ' character references.
std::string HtmlText(const std::string& text);

// An http:// or https:// URL (any letter case): the only kind of web address a report links to.
bool IsWebURL(std::string_view url);

// The href value of a web URL: blanks, control bytes and bytes from 0x80 on percent-encoded, the rest
// escaped for the attribute.
std::string WebHref(std::string_view url);

// The file:// URL of an absolute local path, every byte but unreserved ASCII and "/" percent-encoded,
// escaped for an attribute (nothing to escape is left).
std::string FileHref(const std::string& path);

// <a href="href"[ extra]>inner</a>; href and extra are attribute text already, inner is markup.
std::string Anchor(const std::string& href, const std::string& inner, const std::string& extra = {});

// A link to a web URL showing the given markup, or that markup alone when the URL is not http/https.
std::string WebLink(std::string_view url, const std::string& inner);
// A link to a local file showing the markup, or the markup alone when there is no file.
std::string FileLink(const std::string& path, const std::string& inner);

}  // namespace corvane
