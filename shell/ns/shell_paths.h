#pragma once
// Paths of the namespace, handled as text: the home folder, joining, and the normalisation that
// resolves ".", ".." and "//" without touching the file system (links are not resolved).

#include <string>
#include <string_view>
#include <vector>

namespace corvane::shell {

// $HOME when it is absolute, else the password database's home; normalised, no final "/".
std::string HomeDir();

// "/a/b" + "c" -> "/a/b/c"; "/" + "c" -> "/c". As strings, never as path objects.
std::string JoinPath(std::string_view folder, std::string_view name);

// The parts of an absolute path after resolving "." and ".." (".." at the root stays at the root)
// and dropping empty parts; false for a path that is not absolute.
bool SplitAbsolutePath(std::string_view path, std::vector<std::string>& parts);
// The same for a path relative to some folder; false for an absolute path or one that climbs
// above that folder with "..".
bool SplitRelativePath(std::string_view path, std::vector<std::string>& parts);
std::string JoinParts(const std::vector<std::string>& parts);

}  // namespace corvane::shell
