#include "platform/rtl/atomic_file.h"

#include "platform/rtl/write_all.h"
#include "platform/rtl/write_fault.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace corvane {

namespace {

bool Fail(std::string* error, const std::string& what, const std::string& path, int err) {
    if (error != nullptr) *error = what + " \"" + path + "\": " + std::strerror(err);
    return false;
}

}  // namespace

bool WriteFileAtomic(const std::string& path, const std::string& data, const AtomicWriteOptions& options,
                     std::string* error) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    std::string temp = (slash == std::string::npos ? std::string() : folder) + ".corvane:XXXXXX";
    mode_t mode = options.Mode;
    struct stat existing {};
    if (options.KeepExistingMode && ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        mode = existing.st_mode & 07777;
    std::vector<char> pattern(temp.begin(), temp.end());
    pattern.push_back('\0');

    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return Fail(error, "Cannot create a temporary file for", path, errno);
    temp.assign(pattern.data());

    auto abandon = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        return Fail(error, what, path, err);
    };
    if (::fchmod(fd, mode) != 0) return abandon("Cannot set the permissions of", errno);
    if (const int err = WriteFaultFor(path); err != 0) return abandon("Cannot write", err);
    if (const int err = WriteAll(fd, data.data(), data.size()); err != 0) return abandon("Cannot write", err);
    if (options.Durable && ::fsync(fd) != 0) return abandon("Cannot flush", errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return Fail(error, "Cannot close", path, err);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return Fail(error, "Cannot replace", path, err);
    }
    if (!options.Durable) return true;
    // Make the rename itself durable; a failure here does not undo the new contents.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& data, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail(error, "Cannot open", path, errno);
    std::string out;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            return Fail(error, "Cannot read", path, err);
        }
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    data.swap(out);
    return true;
}

}  // namespace corvane
