#pragma once
// A file of bytes with the kit's result codes: 0 success, the system's error number from opening,
// and negative codes for the stream's own failures.

#include <cstdint>
#include <string>

#include "platform/rtl/write_all.h"

namespace corvane {

class CFileStream {
public:
    static constexpr int kNotOpen = -5;
    static constexpr int kReadFailed = -6;  // an error or a short read
    static constexpr int kWriteFailed = -7;
    static constexpr int kCloseFailed = -9;

    CFileStream() = default;
    ~CFileStream();
    CFileStream(const CFileStream&) = delete;
    CFileStream& operator=(const CFileStream&) = delete;

    // Both close any open file first and return 0 or the system's error number.
    int OpenRead(const std::string& name);
    int Create(const std::string& name);  // creates or truncates, for reading and writing

    // A failed or incomplete write or read closes the file.
    int Write(const void* buffer, std::size_t count);
    int Read(void* buffer, std::size_t count);
    int Close();
    std::int64_t Size() const;
    bool IsOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace corvane
