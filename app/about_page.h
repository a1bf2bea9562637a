#pragma once
// The About page: a small HTML page with two tabs (about, credits) that the browser view shows. It is
// written into the temporary capture folder, the one local place the browser loads our pages from.

#include <string>

namespace corvane {

inline constexpr const char* kAboutPageFile = "corvane_about.htm";

struct TAboutInfo {
    std::string ProductName;
    std::string Version;
    std::string Build;      // "Build 240"
    std::string BuildDate;  // "11 Aug 1999"
    std::string LogoFile;   // absolute path of the logo; empty or missing: no logo
    std::string AboutTab;   // tab captions
    std::string CreditsTab;
};

// This build's product, version, build number and date, the Default skin's "cvlogo.gif" and the tab
// captions (AboutTabAbout, AboutTabCredits) in the current language.
TAboutInfo CurrentAboutInfo();

// The version line: version, " (", build, ") (", date, ")".
std::string AboutVersionLine(const TAboutInfo& info);

// The whole page, lines ended by CR LF. Every text is put in as HTML text, whatever it holds.
std::string AboutPageHTML(const TAboutInfo& info);

// Writes the page of CurrentAboutInfo as "corvane_about.htm" into the folder (given with or without
// its final "/") and returns the file's path. EFCreateError when it cannot be written.
std::string WriteAboutPage(const std::string& folder);
// The same into App's temporary capture folder (std::runtime_error when that cannot be made).
std::string WriteAboutPage();

}  // namespace corvane
