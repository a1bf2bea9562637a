#pragma once
// The order of names in the shell views: ASCII letters without regard to case, runs of digits by
// their value ("file9" before "file10"), and the bytes as the last word, so that two distinct names
// ("a" and "A") never compare equal. No allocation: it runs inside every sort comparison.

#include <string_view>

namespace corvane::shell {

// Negative, 0 or positive; 0 only for identical names.
int CompareNames(std::string_view a, std::string_view b);

}  // namespace corvane::shell
