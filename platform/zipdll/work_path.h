#pragma once
// libzip writes a changed archive to a temporary file beside the path it opened, then renames it
// over that path. Opened through a hard link inside a work folder beside the archive, named
// ".corvane:add-XXXXXX", the temporary file lands in that folder, where the clean-up after a kill
// can tell it is the program's own; the finished archive is then renamed over the real one, so a
// failed or stopped call still leaves the archive as it was.

#include <string>

namespace corvane::zipdll {

class ArchiveWorkPath {
public:
    explicit ArchiveWorkPath(std::string archive);
    ~ArchiveWorkPath();  // removes the work folder with whatever is left in it
    ArchiveWorkPath(const ArchiveWorkPath&) = delete;
    ArchiveWorkPath& operator=(const ArchiveWorkPath&) = delete;

    // The path to open: the link in the work folder, or the archive itself when no work folder can
    // be made beside it.
    const std::string& Path() const { return path_; }
    // After a successful close: the result takes the archive's place (an archive libzip removed for
    // having no entries left is removed). False, errno set, when that fails.
    bool Commit();

private:
    std::string archive_;
    std::string folder_;
    std::string path_;
    bool existed_ = false;
};

}  // namespace corvane::zipdll
