#pragma once
// The one wildcard matcher: "*" any run of bytes (separators too), "?" exactly one byte, letters
// without regard to case (ASCII). Callers differ only in what a mask ending in ".*" takes.

#include <cstdint>
#include <string_view>

namespace corvane {

enum class DotStarRule : std::uint8_t {
    Literal,            // ".*" at the end needs a dot in the name
    StarDotStarAny,     // a mask ending in "*.*" also takes names without a dot ("*.*" takes every name)
    ExtensionOptional,  // a mask ending in ".*" also takes names without an extension ("a.*" takes "a")
};

bool WildcardMatch(std::string_view mask, std::string_view name, DotStarRule rule = DotStarRule::Literal);

bool HasWildcards(std::string_view mask);

}  // namespace corvane
