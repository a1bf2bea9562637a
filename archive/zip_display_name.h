#pragma once
// How an entry name or comment from an archive is shown. Names are raw bytes that anybody may have
// written: controls and direction overrides would garble or disguise the text around them, so they
// are shown escaped, and bytes that are no UTF-8 are shown as U+FFFD. A shown text is never turned
// back into a name.

#include <string>
#include <string_view>

namespace corvane {

// U+0000-001F, U+007F and U+0080-009F as "\xHH"; U+200E, U+200F, U+202A-202E and U+2066-2069 as
// "\uHHHH" (hex in capitals); each byte of an invalid sequence as U+FFFD; everything else as is.
std::string DisplayName(std::string_view raw);

// The suffix of an entry with a comment: "   (" + comment + ")", the comment shown as above; '' for
// no comment.
std::string CommentSuffix(std::string_view comment);

}  // namespace corvane
