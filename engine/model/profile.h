#pragma once
// Download rules: a named profile file (".cvp") or the "Profile" section of a task file.

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/rtl/string_list.h"

namespace corvane {

class TIniFile;

// Scope of followed links.
using TCVLocation = std::uint8_t;
inline constexpr TCVLocation lcDirectory = 0;
inline constexpr TCVLocation lcSite = 1;
inline constexpr TCVLocation lcAnywhere = 2;

inline constexpr const char* kProfileSection = "Profile";

// A task, category or profile name that cannot become a file name.
class EInvalidName : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};
// Names become file and folder names: empty, ".", "..", "/" and NUL are refused.
bool IsValidName(const std::string& name);
void CheckName(const std::string& name);  // EInvalidName when not valid
// ProfilesDir + name + ".cvp", the name checked.
std::string ProfileFileName(const std::string& name);

class TCVProfile {
public:
    std::string FileName;
    std::string Name;
    TStringList FileTypes;  // wanted extensions with their dot
    TCVLocation PageLocation = 0;
    TCVLocation ResourceLocation = 0;
    std::int32_t Depth = 0;  // -1 all levels, 0 current page, n current page + n levels
    std::uint8_t AggressiveParser = 0;
    std::uint8_t ConvertFollowedLinks = 0;
    std::uint8_t ConvertUnfollowedLinks = 0;
    bool UseStartPageTitle = false;
    TStringList URLFiltersExclude;
    TStringList URLFiltersInclude;
    std::int32_t PageFileSizeMin = 0;
    std::int32_t PageFileSizeMax = 0;
    std::int32_t ResourceFileSizeMin = 0;
    std::int32_t ResourceFileSizeMax = 0;

    // Section "Profile" of FileName; missing keys give the defaults, a missing file reads as empty.
    void Load();
    // Creates the folder when missing; the file gets mode 0600.
    void Save() const;
    void LoadFrom(const TIniFile& ini);
    // The settings of a new profile: those a profile without any keys reads as.
    void LoadDefaults();
    void SaveTo(TIniFile& ini) const;

    std::string GetCSVLine() const;
};

std::string ProfileCSVHeader();
std::string LocationText(int location);
std::string DepthText(int depth);

}  // namespace corvane
