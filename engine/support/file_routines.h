#pragma once
// File and path routines. Paths are "/"-separated and joined as strings; nothing here changes the
// process's working directory.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "platform/rtl/string_list.h"

namespace corvane {

// A file could not be opened or read.
class EFOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// A file could not be created or written.
class EFCreateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole file, every byte kept, with each line ended by CR LF (a last line end added).
// EFOpenError when the file cannot be read.
std::string LoadTextFile(const std::string& path);
// Writes the text's bytes exactly. The file is replaced through a temporary file beside it, so a
// failed write (EFCreateError) leaves the earlier file as it was. An existing file keeps its mode.
void SaveTextFile(const std::string& path, const std::string& text);

// The directory part of a path with its final "/", or empty.
std::string DirectoryOf(const std::string& path);
// The file name without directory and without its last extension ("a.cvt.b.cvt" gives "a.cvt.b").
std::string FileNameNoExt(const std::string& path);
// The first of name.ext, name(0).ext, name(1).ext, ... in the path's directory that is not taken by
// a file. A directory of that name does not count.
std::string UniqueFileName(const std::string& path);

// UniqueFileName, claimed together with its contents: write fills a temporary file beside it
// (aside) as the file of that name, which is then linked into place without replacing anything; a
// name taken meanwhile has write fill it again for the next one. So two processes choosing at once
// never get the same name, and a killed process never leaves the name on a file half made.
// EFCreateError when no file can be made there; an exception of write passes, leaving nothing.
using UniqueFileWriter = std::function<void(const std::string& name, const std::string& aside)>;
std::string CreateUniqueFile(const std::string& path, const UniqueFileWriter& write);
// The same with an empty file (mode 0600).
std::string CreateUniqueFile(const std::string& path);

// The entry name of a file below a folder: the path after the folder, compared exactly; the full
// path (which an add against that folder refuses) when the file does not lie below it.
std::string CapturedEntryName(const std::string& localFile, const std::string& captureFolder);

// Every \ / : * ? " < > | replaced by the replacement character.
std::string ReplaceInvalidFileChars(const std::string& text, char replacement);
std::string ToBackslashes(const std::string& text);
std::string ToSlashes(const std::string& text);

// Copies a file, creating the target's missing folders and replacing an existing target (through a
// temporary file, so a failed copy leaves it intact). True on success.
bool CopyFileForce(const std::string& source, const std::string& target);

// The parts of a path that end in "/", in order, each distinct part once; the text after the last
// "/" is not a part ("/d/x/t/x/" gives "/", "d/", "x/", "t/").
TStringList PathParts(const std::string& path);
// The path's own last part ending in "/" ("/d/x/t/x/" gives "x/"); empty when the path has no "/".
std::string LastPathPart(const std::string& path);
// Every prefix of the path that ends in "/", in order, each once ("/a/b/x" gives "/", "/a/", "/a/b/").
TStringList SplitDirs(const std::string& path);
// "../" once per entry of SplitDirs.
std::string UpPrefix(const std::string& path);

// When the directory exists: the names of its entries that are not directories and match the mask
// (without regard to case; "*" any run, "?" one byte; "*.*" matches every name) replace the list's
// contents, sorted by name. False, the list untouched, when the directory cannot be read.
bool ListFiles(const std::string& directory, const std::string& mask, TStringList& list);
// When the directory exists: the names of its subdirectories (never "." or "..") replace the list's
// contents, sorted by name.
bool ListSubdirs(const std::string& directory, TStringList& list);

struct GIFSize {
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
};
// The size of the first image of a GIF file; 0 and 0 for a missing, truncated or non-GIF file.
GIFSize GetGIFSize(const std::string& path);

}  // namespace corvane
