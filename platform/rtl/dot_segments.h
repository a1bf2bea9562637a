#pragma once
// The one resolver of "." and ".." in "/"-separated paths: URL paths, local mirror names, archive
// entry names. Callers differ in what a ".." may do and in whether empty segments and a trailing
// "/" survive, so those are the rules they pass. It links nothing, so the zip libraries build it too.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

enum class ParentSegment : std::uint8_t {
    Pop,     // ".." takes back the segment before it; above the root it is dropped
    Drop,    // ".." is dropped like "."
    Refuse,  // any ".." refuses the whole path
};

struct DotSegmentRules {
    ParentSegment Parent = ParentSegment::Pop;
    bool KeepEmpty = false;     // "a//b" keeps its empty segment (a URL path); else empty segments go
    bool KeepTrailing = false;  // a path ending in "/", "/." or "/.." still ends in "/"
};

// The rules of a URL path (RFC 3986 dot-segment removal).
inline constexpr DotSegmentRules kUrlPathRules{ParentSegment::Pop, true, true};

// The segments of path with "." and ".." resolved; a "/" in front is not a segment. False (and no
// segments) when the rules refuse a "..".
bool SplitDotSegments(std::string_view path, const DotSegmentRules& rules, std::vector<std::string>& segments);

// The path with "." and ".." resolved, as text. A refused path gives ''. Under Pop, a relative path
// whose first segment is taken back becomes absolute, as RFC 3986 has it ("a/../b" gives "/b").
std::string ResolveDotSegments(std::string_view path, const DotSegmentRules& rules);

}  // namespace corvane
