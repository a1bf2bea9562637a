#include "engine/model/profile.h"

#include <filesystem>

#include "engine/model/settings.h"
#include "engine/model/task_csv.h"
#include "platform/inifile/ini_file.h"

namespace corvane {

bool IsValidName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

void CheckName(const std::string& name) {
    if (!IsValidName(name)) throw EInvalidName("\"" + name + "\" cannot be used as a name");
}

std::string ProfileFileName(const std::string& name) {
    CheckName(name);
    return App->ProfilesDir + name + ".cvp";
}

void TCVProfile::LoadFrom(const TIniFile& ini) {
    const char* s = kProfileSection;
    Name = ini.ReadString(s, "Profile Name", "");
    if (auto text = ini.ReadString(s, "File Types", ""); !text.empty()) FileTypes.SetCommaText(text);
    PageLocation = static_cast<TCVLocation>(ini.ReadInteger(s, "Page Location", lcSite));
    ResourceLocation = static_cast<TCVLocation>(ini.ReadInteger(s, "Resource Location", lcAnywhere));
    Depth = ini.ReadInteger(s, "Depth", -1);
    AggressiveParser = static_cast<std::uint8_t>(ini.ReadInteger(s, "Aggressive Parser", 1));
    ConvertFollowedLinks = static_cast<std::uint8_t>(ini.ReadInteger(s, "Convert Followed Links", 1));
    ConvertUnfollowedLinks = static_cast<std::uint8_t>(ini.ReadInteger(s, "Convert Unfollowed Links", 1));
    UseStartPageTitle = ini.ReadBool(s, "Use Start Page Title", true);
    if (auto text = ini.ReadString(s, "URL Filters Exclude", ""); !text.empty()) URLFiltersExclude.SetCommaText(text);
    if (auto text = ini.ReadString(s, "URL Filters Include", ""); !text.empty()) URLFiltersInclude.SetCommaText(text);
    PageFileSizeMin = ini.ReadInteger(s, "Page File Size Min", 0);
    PageFileSizeMax = ini.ReadInteger(s, "Page File Size Max", 0);
    ResourceFileSizeMin = ini.ReadInteger(s, "Resource File Size Min", 0);
    ResourceFileSizeMax = ini.ReadInteger(s, "Resource File Size Max", 0);
}

void TCVProfile::SaveTo(TIniFile& ini) const {
    const char* s = kProfileSection;
    ini.WriteString(s, "Profile Name", Name);
    ini.WriteString(s, "File Types", FileTypes.CommaText());
    ini.WriteInteger(s, "Page Location", PageLocation);
    ini.WriteInteger(s, "Resource Location", ResourceLocation);
    ini.WriteInteger(s, "Depth", Depth);
    ini.WriteInteger(s, "Aggressive Parser", AggressiveParser);
    ini.WriteInteger(s, "Convert Followed Links", ConvertFollowedLinks);
    ini.WriteInteger(s, "Convert Unfollowed Links", ConvertUnfollowedLinks);
    ini.WriteBool(s, "Use Start Page Title", UseStartPageTitle);
    ini.WriteString(s, "URL Filters Exclude", URLFiltersExclude.CommaText());
    ini.WriteString(s, "URL Filters Include", URLFiltersInclude.CommaText());
    ini.WriteInteger(s, "Page File Size Min", PageFileSizeMin);
    ini.WriteInteger(s, "Page File Size Max", PageFileSizeMax);
    ini.WriteInteger(s, "Resource File Size Min", ResourceFileSizeMin);
    ini.WriteInteger(s, "Resource File Size Max", ResourceFileSizeMax);
}

void TCVProfile::Load() {
    const TIniFile ini(FileName);
    LoadFrom(ini);
}

void TCVProfile::LoadDefaults() {
    const TIniFile none{std::string()};  // no file: every key reads as its default
    LoadFrom(none);
}

void TCVProfile::Save() const {
    const auto folder = std::filesystem::path(FileName).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder);
    TIniFile ini(FileName);
    ini.BeginUpdate();
    SaveTo(ini);
    ini.EndUpdate();
}

std::string ProfileCSVHeader() {
    return "Profile Name,File Types,Retrieve Page Location,Retrieve Media Location,Depth,Aggressive Parser";
}

std::string LocationText(int location) {
    switch (location) {
        case lcDirectory: return "within the selected directory";
        case lcSite: return "within the selected site";
        case lcAnywhere: return "anywhere";
        default: return "";
    }
}

std::string DepthText(int depth) {
    if (depth == -1) return "all levels";
    if (depth == 0) return "current page";
    return "current page + " + std::to_string(depth);
}

std::string TCVProfile::GetCSVLine() const {
    std::string types;
    for (const auto& type : FileTypes) types += type + "  ";
    return CSVQuote(Name) + "," + CSVQuote(types) + "," + CSVQuote(LocationText(PageLocation)) + "," +
           CSVQuote(LocationText(ResourceLocation)) + "," + CSVQuote(DepthText(Depth));
}

}  // namespace corvane
