#pragma once
// One image of a GIF file, decoded to 8-bit colour indices with its own palette and, for a
// transparent frame, a 1-bit mask. Rows are stored top row first; the control converts them to
// whatever its drawing needs.

#include "widgets/gif/gif_types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class TGIFDecoder;

class TGIFFrame {
public:
    std::int64_t Left = 0;
    std::int64_t Top = 0;
    std::int64_t Width = 0;
    std::int64_t Height = 0;
    int BitsPerPixel = 0;  // of the local colour table; 0 when the frame uses the global one
    int ColorCount = 0;    // colours in use: 2 ^ (local bits, or the global bits as read so far)
    std::int32_t Delay = 0;  // milliseconds
    std::uint8_t Disposal = 0;  // 0 to 3; the reserved values 4 to 7 are read as 2
    bool OwnsLocalTable = false;
    bool Interlaced = false;
    bool Transparent = false;
    std::uint8_t TransparentIndex = 0;
    TGIFColor TransparentColor;
    std::string Comment;  // the comment extensions met since the previous frame, joined in order
    TGIFColorTable Palette{};  // the local table, or a copy of the global one
    std::vector<std::uint8_t> Pixels;  // Width x Height colour indices
    // MaskStride() bytes a row, leftmost pixel in the top bit; a set bit marks a transparent
    // pixel. Empty unless Transparent.
    std::vector<std::uint8_t> Mask;

    std::int64_t MaskStride() const { return (Width + 7) / 8; }
    std::uint8_t PixelAt(std::int64_t x, std::int64_t y) const {
        return Pixels[static_cast<std::size_t>(y * Width + x)];
    }
    bool IsTransparentAt(std::int64_t x, std::int64_t y) const {
        return Transparent && (Mask[static_cast<std::size_t>(y * MaskStride() + (x >> 3))] & (0x80 >> (x & 7))) != 0;
    }

    // Reads the image descriptor at the owner's stream position, its colour table and its image
    // data, applying the pending graphic control block. False (with the owner's error text set)
    // when the frame is refused.
    bool ReadFrame(TGIFDecoder& owner, const TGIFGraphicControl& control);
};

// Reads the LZW code size and data sub-blocks of one image from the owner's stream into the
// frame's pixels and mask. Damaged data ends the image early; what was not reached stays index 0
// and opaque. A code size outside 1 to 8 leaves the frame blank (its sub-blocks are skipped).
void DecodeGIFImageData(TGIFFrame& frame, TGIFDecoder& owner);

}  // namespace corvane
