#pragma once
// The product's name and version, as the user agent and the stored "Version" setting carry them.

namespace corvane {

inline constexpr const char* kProductName = "Corvane";
inline constexpr const char* kProductVersion = "3.0";

// Text of this build's version, compared with the stored "Version" setting to detect an update.
const char* ProductVersionText();

}  // namespace corvane
