#pragma once
// The version texts the main window shows (caption, tray hint), from the engine's product name and
// version and this release's stage.

#include <string>

#include "engine/model/version.h"

namespace corvane {

inline constexpr const char* kReleaseStage = "Beta 3";

// "3.0 Beta 3".
inline std::string ProductReleaseText() { return std::string(kProductVersion) + " " + kReleaseStage; }
// "Corvane 3.0 Beta 3": the window caption and the tray hint.
inline std::string ProductCaption() { return std::string(kProductName) + " " + ProductReleaseText(); }

}  // namespace corvane
