// Feeds arbitrary bytes to the GIF decoder and checks what it hands to the control. The last byte of
// the input picks the decoder options, so abandoned loads and first-image-only reads are fuzzed too.

#include "widgets/gif/gif_decoder.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane;
    TGIFDecoder decoder;
    if (size > 0) {
        const std::uint8_t options = data[size - 1];
        decoder.FirstImageOnly = (options & 0x80) != 0;
        if (options & 0x40) {
            const int stopAfter = options & 0x3F;
            decoder.OnProgress = [calls = 0, stopAfter](std::int64_t done, std::int64_t total, int percent,
                                                        bool& keep) mutable {
                Check(done >= 0 && done <= total && percent >= 0 && percent <= 100);
                keep = ++calls < stopAfter;
            };
        }
    }
    const bool ok = decoder.ReadGIF({data, size});
    const TGIFDocument& doc = decoder.Document();
    if (!ok) {
        Check(doc.Frames.empty());
        return 0;
    }
    Check(doc.Frames.size() <= static_cast<std::size_t>(GIFMaxFrames));
    Check(doc.Width * doc.Height <= GIFMaxImagePixels);
    for (const TGIFFrame& frame : doc.Frames) {
        Check(frame.Width > 0 && frame.Height > 0);
        Check(frame.Left + frame.Width <= doc.Width && frame.Top + frame.Height <= doc.Height);
        Check(frame.Pixels.size() == static_cast<std::size_t>(frame.Width * frame.Height));
        Check(frame.Mask.size() == (frame.Transparent ? static_cast<std::size_t>(frame.MaskStride() * frame.Height) : 0));
        Check(frame.Disposal <= 3);
        Check(frame.ColorCount >= 1 && frame.ColorCount <= 256);
        if (frame.Transparent) Check(frame.TransparentColor == frame.Palette[frame.TransparentIndex]);
    }
    return 0;
}
