#pragma once
// Every address outside the program that a window leads to, in one place. The project has no web
// presence yet, so each is empty: a menu item, button or link that leads to an empty address is
// hidden, and nothing tries to open it. Fill one in here and its item appears.

#include <string_view>

namespace corvane::outside_pages {

inline constexpr std::string_view kOnlineHelp;     // Help > Online Help, the Help button
inline constexpr std::string_view kNews;           // Help > News
inline constexpr std::string_view kTour;           // Help > Tour
inline constexpr std::string_view kHomePage;       // Help > Home Page
inline constexpr std::string_view kStartPage;      // the browser's home page when "HOME URL" is empty
inline constexpr std::string_view kDailyNews;      // browse bar: Daily News
inline constexpr std::string_view kWebLinks;       // browse bar: Web Links
inline constexpr std::string_view kBranding;       // browse bar: Branding, when "branding.url" has none
inline constexpr std::string_view kSkinsPage;      // skin chooser: more skins

constexpr bool Available(std::string_view address) { return !address.empty(); }

}  // namespace corvane::outside_pages
