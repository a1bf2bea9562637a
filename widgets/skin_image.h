#pragma once
// Skin pictures for the windows. The file is found by SkinFile: the current skin's copy, else the
// Default skin's.

#include <QImage>
#include <string>

namespace corvane {

// The picture as stored, without a transparency mask (a button's glyph setter makes its own). A file
// missing in both skins, or unreadable, is logged and gives a null image.
QImage LoadSkinImage(const std::string& name);

}  // namespace corvane
