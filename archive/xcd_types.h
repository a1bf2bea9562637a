#pragma once
// The records the zip component hands to its events.

#include <cstdint>
#include <string>

#include "platform/rtl/date_time.h"

namespace corvane {

using TXcdCompressionLevel = int;  // 0..9

enum TXcdOverwrite { xowAsk, xowNever, xowAlways };

// File attribute bits, in the libraries' order.
enum : std::uint8_t {
    xfaReadOnly = 0x01,
    xfaHidden = 0x02,
    xfaSystem = 0x04,
    xfaVolume = 0x08,
    xfaDirectory = 0x10,
    xfaArchive = 0x20,
};

struct TXcdFileStats {
    std::string FileName;
    std::uint32_t Size = 0;
    std::uint32_t CompressedSize = 0;
    std::uint32_t BytesProcessed = 0;
    std::uint8_t Attributes = 0;  // xfa* bits
    TDateTime DateTime = 0;
    std::uint32_t Value = 0;      // passed through
    std::uint8_t Ratio = 0;
    std::uint8_t Percent = 0;
    std::uint8_t Byte = 0;        // passed through
    bool Flag = false;            // passed through
    std::string Comment;          // at most 255 bytes
};

struct TXcdReplace {
    std::string Name;
    std::string NewName;
    std::uint8_t Answer = 0;
};

struct TXcdPwdQuery {
    std::string FileName;
    std::string Password;  // at most 80 bytes reach the library
    std::uint8_t Answer = 0;
};

struct TXcdFileComment {
    std::string FileName;
    std::string Comment;  // at most 255 bytes reach the library
};

struct TXcdSkipping {
    std::string FileName;
    std::uint8_t Reason = 0;
};

}  // namespace corvane
