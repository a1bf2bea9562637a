#pragma once
// Whether a text is strictly valid UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
// An entry flagged UTF-8 whose name is not makes some readers refuse the whole archive.

#include <string_view>

namespace corvane::zipdll {

bool IsStrictUtf8(std::string_view text);
bool IsAscii(std::string_view text);

}  // namespace corvane::zipdll
