#pragma once
// The temporary file one download is written to. It is made exclusively, never through a link, in
// the target's own folder under a name holding ':' (which mirror naming never produces, so no URL's
// saved file can be hit and a clean-up can tell it apart). Commit renames it over the target; only
// the file this object made is ever renamed or removed.

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace corvane {

class TDownloadFile {
public:
    TDownloadFile() = default;
    ~TDownloadFile();  // discards an uncommitted file
    TDownloadFile(const TDownloadFile&) = delete;
    TDownloadFile& operator=(const TDownloadFile&) = delete;

    // Makes a new temporary file beside target. 0, or the system's error number.
    int Create(const std::string& target);
    // 0 when all bytes were written, else the system's error number.
    int Write(const void* buffer, std::size_t count);
    // Closes the file and renames it over the target. 0, or the system's error number (the temporary
    // file is removed then and an earlier target stays).
    int Commit();
    // Closes and removes the temporary file, when this object still has one.
    void Discard();

    bool IsOpen() const { return fd_ >= 0; }
    // The temporary file's full name while there is one.
    const std::string& TempName() const { return temp_name_; }

private:
    bool StillOurs() const;
    void Reset();

    int folder_fd_ = -1;
    int fd_ = -1;
    std::string folder_;
    std::string leaf_;       // the target's name in its folder
    std::string temp_leaf_;  // the temporary file's name in that folder
    std::string temp_name_;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
};

}  // namespace corvane
