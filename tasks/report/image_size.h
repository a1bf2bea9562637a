#pragma once
// The pixel size of a saved picture, read from its header only.

#include <string>

namespace corvane {

struct ImageDimensions {
    int Width = 0;
    int Height = 0;
};

// GIF (its first image), PNG and JPEG files; 0 x 0 for anything else, a missing or a truncated file.
ImageDimensions ReadImageSize(const std::string& path);

}  // namespace corvane
