#pragma once
// libzip flags every entry name that merely looks like UTF-8 as UTF-8, overlong forms and
// surrogates included, and strict readers then refuse the whole archive. After libzip has written
// an archive this clears the flag, in the central record and the local header, of every entry whose
// name or comment is not strictly valid UTF-8, so the flag means what the in-place appender means.

#include <string>

namespace corvane::zipdll {

// False when the archive cannot be read or written back; an archive it does not understand (a
// prefix, several disks) is left alone and counts as done.
bool ClearFalseUtf8Flags(const std::string& archive);

}  // namespace corvane::zipdll
