#pragma once
// Where the add library reads the files it adds: the working folder, with paths as the caller gave
// them, or a base folder that no path may leave. Below a base folder every path is walked one
// component at a time with O_NOFOLLOW, so neither "..", an absolute name nor a symbolic link
// (already there or swapped in while the archive is written) reaches a file outside it.

#include <dirent.h>
#include <sys/stat.h>
#include <zip.h>

#include <string>

namespace corvane::zipdll {

class SpecFolder {
public:
    SpecFolder() = default;
    ~SpecFolder();
    SpecFolder(const SpecFolder&) = delete;
    SpecFolder& operator=(const SpecFolder&) = delete;

    // Reads every later path below folder; false when it cannot be opened.
    bool SetBase(const std::string& folder);
    bool Confined() const { return base_ >= 0; }

    // False for a path that would leave the base folder: absolute, a drive prefix, a ".." component.
    // Every path is allowed without a base folder. Paths use "/" separators.
    bool Allowed(const std::string& path) const;
    // lstat (follow false) or stat. Below a base folder links are never followed, whatever follow says.
    bool Stat(const std::string& path, struct stat& st, bool follow) const;
    // "" is the base folder itself (the working folder without one).
    DIR* OpenDir(const std::string& path) const;
    // Read-only descriptor of a regular file, or -1.
    int OpenFile(const std::string& path) const;
    bool Remove(const std::string& path, bool directory) const;
    // A source that opens the file only when libzip reads it, through OpenFile.
    zip_source_t* Source(zip_t* archive, const std::string& path, const struct stat& st) const;

private:
    // The folder holding the path's last component (opened without following links) and that
    // component; -1 when the path is not allowed or a level is missing or a link.
    int OpenParent(const std::string& path, std::string& last) const;

    int base_ = -1;
};

}  // namespace corvane::zipdll
