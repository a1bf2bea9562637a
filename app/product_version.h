#pragma once
// The version texts the windows show (caption, tray hint, status view, About), from one place: the
// engine's product name and version, this release's stage, and the build number and date that
// CMake passes in.

#include <string>

#include "engine/version.h"

#ifndef CORVANE_BUILD_NUMBER
#define CORVANE_BUILD_NUMBER "0"
#endif
#ifndef CORVANE_BUILD_DATE
#define CORVANE_BUILD_DATE ""
#endif

namespace corvane {

inline constexpr const char* kReleaseStage = "Beta 3";
inline constexpr const char* kBuildNumber = CORVANE_BUILD_NUMBER;
inline constexpr const char* kBuildDate = CORVANE_BUILD_DATE;

// "3.0 Beta 3".
inline std::string ProductReleaseText() { return std::string(kProductVersion) + " " + kReleaseStage; }
// "Corvane 3.0 Beta 3": the window caption and the tray hint.
inline std::string ProductCaption() { return std::string(kProductName) + " " + ProductReleaseText(); }

}  // namespace corvane
