#include "platform/zipdll/work_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace corvane::zipdll {

ArchiveWorkPath::ArchiveWorkPath(std::string archive) : archive_(std::move(archive)), path_(archive_) {
    const std::size_t slash = archive_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : archive_.substr(0, slash + 1);
    const std::string name = archive_.substr(slash == std::string::npos ? 0 : slash + 1);
    std::string pattern = folder + ".corvane:add-XXXXXX";
    if (name.empty() || ::mkdtemp(pattern.data()) == nullptr) return;
    struct stat st {};
    existed_ = ::lstat(archive_.c_str(), &st) == 0;
    const std::string link = pattern + "/" + name;
    if (existed_ && ::link(archive_.c_str(), link.c_str()) != 0) {
        ::rmdir(pattern.c_str());  // libzip then works beside the archive itself
        return;
    }
    folder_ = pattern;
    path_ = link;
}

ArchiveWorkPath::~ArchiveWorkPath() {
    if (folder_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

bool ArchiveWorkPath::Commit() {
    if (folder_.empty()) return true;
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0) return ::rename(path_.c_str(), archive_.c_str()) == 0;
    if (errno != ENOENT) return false;
    return !existed_ || ::unlink(archive_.c_str()) == 0 || errno == ENOENT;
}

}  // namespace corvane::zipdll
