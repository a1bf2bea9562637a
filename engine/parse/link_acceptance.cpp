#include "engine/parse/link_acceptance.h"

#include "engine/support/text_routines.h"
#include "engine/parse/url_model.h"

namespace corvane {
namespace {

bool ScopeApplies(FilterScope scope, bool is_page) {
    switch (scope) {
        case FilterScope::AllLinks:
            return true;
        case FilterScope::PageLinks:
            return is_page;
        case FilterScope::ResourceLinks:
            return !is_page;
    }
    return false;
}

bool IsWebScheme(const std::string& url) {
    const std::string protocol = LowerCase(URLProtocol(url));
    return protocol == "http://" || protocol == "https://";
}

}  // namespace

FilterScope SplitFilterMarker(std::string& entry) {
    static const struct {
        const char* marker;
        FilterScope scope;
    } kMarkers[] = {{"[AL]", FilterScope::AllLinks}, {"[PL]", FilterScope::PageLinks}, {"[RL]", FilterScope::ResourceLinks}};
    for (const auto& m : kMarkers) {
        if (ScanForward(entry, m.marker, -1) != 0) {
            entry.erase(0, 4);
            return m.scope;
        }
    }
    return FilterScope::AllLinks;
}

bool FilterPatternMatches(const std::string& url, const std::string& pattern) {
    return !pattern.empty() && ScanForward(url, pattern, -1) != 0;
}

bool IsOnStartSite(const std::string& url, const std::string& start_base_dir) {
    if (!IsWebScheme(url) || !IsWebScheme(start_base_dir)) return false;
    const TbrURL link(url), start(start_base_dir);
    return !link.Host.empty() && SameText(link.Host, start.Host) && link.Port == start.Port;
}

bool AcceptLink(const LinkRules& rules, const std::string& url, const std::string& start_base_dir, int level,
                const std::string& type) {
    // Protocol: only web pages; https is fetched like http.
    if (!IsWebScheme(url)) return false;

    const bool is_page = type == "HTML";
    const TbrURL parts(url);

    // Wanted file types, by extension; a URL without an extension passes.
    std::string ext;
    if (rules.FileTypes && !rules.FileTypes->Empty()) {
        ext = parts.Ext;
        if (!ext.empty()) {
            bool wanted = false;
            for (const auto& t : *rules.FileTypes) wanted = wanted || SameText(t, ext);
            if (!wanted) return false;
        }
    }

    if (is_page && rules.Depth >= 0 && rules.Depth < level) return false;

    // Exclude rules: the first match whose scope applies rejects; others are passed over.
    if (rules.FiltersExclude) {
        for (std::string rule : *rules.FiltersExclude) {
            const FilterScope scope = SplitFilterMarker(rule);
            if (FilterPatternMatches(url, rule) && ScopeApplies(scope, is_page)) return false;
        }
    }
    // Include rules: one must match with a scope that applies.
    if (rules.FiltersInclude && !rules.FiltersInclude->Empty()) {
        bool included = false;
        for (std::string rule : *rules.FiltersInclude) {
            const FilterScope scope = SplitFilterMarker(rule);
            if (ScopeApplies(scope, is_page) && FilterPatternMatches(url, rule)) {
                included = true;
                break;
            }
        }
        if (!included) return false;
    }
    if (rules.TaskExclude) {
        for (const auto& entry : *rules.TaskExclude)
            if (FilterPatternMatches(url, entry)) return false;
    }
    if (rules.TaskInclude) {
        for (const auto& entry : *rules.TaskInclude)
            if (!FilterPatternMatches(url, entry)) return false;
    }

    // Scripts and styles are taken wherever they live.
    if (ext == ".js" || ext == ".css") return true;
    return LocationAllows(rules, url, start_base_dir, is_page);
}

bool LocationAllows(const LinkRules& rules, const std::string& url, const std::string& start_base_dir, bool is_page) {
    switch (is_page ? rules.PageLocation : rules.ResourceLocation) {
        case 0:  // within the selected directory (ResolveLink has removed dot segments)
            return url.rfind(start_base_dir, 0) == 0;
        case 1:  // within the selected site
            return IsOnStartSite(url, start_base_dir);
        case 2:  // anywhere
            return true;
        default:
            return false;
    }
}

bool RedirectAllowed(const LinkRules& rules, const std::string& target, const std::string& start_base_dir,
                     bool is_page) {
    if (!IsWebScheme(target)) return false;
    // A Location may hold dot segments; the directory rule compares the path they lead to.
    return LocationAllows(rules, RemoveDotSegments(target), start_base_dir, is_page);
}

}  // namespace corvane
