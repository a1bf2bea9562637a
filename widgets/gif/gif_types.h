#pragma once
// Small types and limits shared by the parts of the GIF decoder.

#include <array>
#include <cstdint>

namespace corvane {

enum class TGIFVersion : std::uint8_t { gvGIF87a, gvGIF89a };

struct TGIFColor {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    friend bool operator==(const TGIFColor&, const TGIFColor&) = default;
};

// Always 256 entries; entries a file does not define are black.
using TGIFColorTable = std::array<TGIFColor, 256>;

// The fields of a graphic control extension. It applies to the next image only.
struct TGIFGraphicControl {
    std::uint8_t Packed = 0;
    std::uint16_t Delay = 0;  // hundredths of a second
    std::uint8_t TransparentIndex = 0;
};

// Frames past this count are ignored.
inline constexpr int GIFMaxFrames = 256;
// The composed image (screen widened by the frames) may not exceed this many pixels...
inline constexpr std::int64_t GIFMaxImagePixels = std::int64_t{64} << 20;
// ...nor may all frames together, so a small hostile file cannot make us allocate gigabytes.
inline constexpr std::int64_t GIFMaxTotalFramePixels = std::int64_t{256} << 20;

}  // namespace corvane
