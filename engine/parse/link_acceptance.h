#pragma once
// How a link found in a page is judged: protocol, wanted file types, depth, the URL filter rules
// with their scope markers, the task's own lists, and the page and resource location scope.

#include <cstdint>
#include <string>

#include "platform/rtl/string_list.h"

namespace corvane {

// Scope marker of a URL filter rule.
enum class FilterScope : std::uint8_t {
    AllLinks,       // no marker or "[AL]"
    PageLinks,      // "[PL]": links of type "HTML"
    ResourceLinks,  // "[RL]": every other type
};

// Takes the marker off a rule (recognised anywhere, in the order "[AL]", "[PL]", "[RL]", without
// regard to case; the first four characters are then removed) and returns it.
FilterScope SplitFilterMarker(std::string& entry);

// A filter pattern is found anywhere in the URL, without regard to case, "?" matching any one byte.
// An empty pattern matches nothing.
bool FilterPatternMatches(const std::string& url, const std::string& pattern);

// The rules a link is judged by: the profile's fields and the task's own lists.
struct LinkRules {
    const TStringList* FileTypes = nullptr;          // wanted extensions (".htm", ...); empty: all
    int Depth = -1;                                  // -1 all levels
    std::uint8_t PageLocation = 1;                   // 0 directory, 1 site, 2 anywhere
    std::uint8_t ResourceLocation = 2;
    const TStringList* FiltersExclude = nullptr;
    const TStringList* FiltersInclude = nullptr;
    const TStringList* TaskExclude = nullptr;        // a link holding any entry is rejected
    const TStringList* TaskInclude = nullptr;        // a link must hold every entry
};

// Whether the URL is on the start URL's site: same host (without regard to case) and port, with
// scheme http or https. A look-alike such as "http://x/?u=http://start/" is not.
bool IsOnStartSite(const std::string& url, const std::string& start_base_dir);

// The location rule alone (directory, site or anywhere, by the link's kind).
bool LocationAllows(const LinkRules& rules, const std::string& url, const std::string& start_base_dir, bool is_page);

// Whether a transfer may follow a redirect to target: http or https, and the location rule of the
// item's kind, as for a link found in a page.
bool RedirectAllowed(const LinkRules& rules, const std::string& target, const std::string& start_base_dir,
                     bool is_page);

// The judgement of one link. "type" is its file-type group ("HTML" marks a page); "level" is the
// depth to test (the worker keeps a frame's page at its parent's level).
bool AcceptLink(const LinkRules& rules, const std::string& url, const std::string& start_base_dir, int level,
                const std::string& type);

}  // namespace corvane
