#include "platform/rtl/wildcard.h"

namespace corvane {
namespace {

char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool Matches(std::string_view mask, std::string_view name) {
    std::size_t m = 0, n = 0;
    std::size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            star = m++;
            resume = n;
        } else if (m < mask.size() && (mask[m] == '?' || Fold(mask[m]) == Fold(name[n]))) {
            ++m;
            ++n;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

}  // namespace

bool WildcardMatch(std::string_view mask, std::string_view name, DotStarRule rule) {
    switch (rule) {
        case DotStarRule::Literal:
            return Matches(mask, name);
        case DotStarRule::StarDotStarAny:
            // "x*.*" reads as "x*", which takes everything "x*.*" takes and the names without a dot.
            if (mask.ends_with("*.*")) mask.remove_suffix(2);
            return Matches(mask, name);
        case DotStarRule::ExtensionOptional:
            return Matches(mask, name) || (mask.ends_with(".*") && Matches(mask.substr(0, mask.size() - 2), name));
    }
    return false;
}

bool HasWildcards(std::string_view mask) { return mask.find_first_of("*?") != std::string_view::npos; }

}  // namespace corvane
