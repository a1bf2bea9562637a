#include "platform/rtl/dot_segments.h"

namespace corvane {
namespace {

struct Resolved {
    std::vector<std::string> Segments;
    bool Absolute = false;
    bool Trailing = false;  // the path ends in "/" that is no segment of its own
    bool Refused = false;
};

Resolved Resolve(std::string_view path, const DotSegmentRules& rules) {
    Resolved out;
    out.Absolute = !path.empty() && path.front() == '/';
    if (out.Absolute) path.remove_prefix(1);
    if (path.empty()) return out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        const bool last = end == path.size();
        start = end + 1;
        out.Trailing = false;
        if (part == "..") {
            if (rules.Parent == ParentSegment::Refuse) {
                out.Segments.clear();
                out.Refused = true;
                return out;
            }
            if (rules.Parent == ParentSegment::Pop && !out.Segments.empty()) {
                out.Segments.pop_back();
                // A relative path that lost its first segment goes on from the root.
                if (out.Segments.empty()) out.Absolute = true;
            }
            out.Trailing = last;
        } else if (part == ".") {
            out.Trailing = last;
        } else if (!part.empty() || rules.KeepEmpty) {
            out.Segments.emplace_back(part);
        } else {
            out.Trailing = last;
        }
    }
    return out;
}

}  // namespace

bool SplitDotSegments(std::string_view path, const DotSegmentRules& rules, std::vector<std::string>& segments) {
    Resolved resolved = Resolve(path, rules);
    segments = std::move(resolved.Segments);
    return !resolved.Refused;
}

std::string ResolveDotSegments(std::string_view path, const DotSegmentRules& rules) {
    const Resolved resolved = Resolve(path, rules);
    if (resolved.Refused) return {};
    std::string out = resolved.Absolute ? "/" : "";
    for (std::size_t i = 0; i < resolved.Segments.size(); ++i) {
        if (i > 0) out += '/';
        out += resolved.Segments[i];
    }
    if (rules.KeepTrailing && resolved.Trailing && !resolved.Segments.empty()) out += '/';
    return out;
}

}  // namespace corvane
