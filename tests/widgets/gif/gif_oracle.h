#pragma once
// giflib's DGifSlurp as the reference decoder. Its result is turned into the document our decoder
// should produce for the same (well-formed) file, applying our documented choices: at most 256
// frames, disposals 4 to 7 read as 2, delays in milliseconds, no transparency in GIF87a, comments
// joined per frame, the NETSCAPE2.0 loop count (1 without it), the image widened by the frames and
// the global bits per pixel raised by local tables.

#include "tests/widgets/gif/gif_test_support.h"

#include <optional>

namespace corvane::giftest {

// Empty when giflib refuses the file.
std::optional<TGIFDocument> ReadWithGiflib(const Bytes& bytes);

}  // namespace corvane::giftest
