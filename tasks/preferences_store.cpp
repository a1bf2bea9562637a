#include "tasks/preferences_store.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"

namespace corvane {

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool ReadFlag(const char* name, bool def) { return RegRead<bool>(kSettingsKey, name, def); }
std::string ReadText(const char* name, const std::string& def) { return RegRead<std::string>(kSettingsKey, name, def); }
void WriteFlag(const char* name, bool value) { RegWriteValue(kSettingsKey, name, value); }
void WriteText(const char* name, const std::string& value) { RegWriteValue(kSettingsKey, name, value); }

}  // namespace

TPreferences ReadPreferences(const TPreferences& defaults) {
    TPreferences p = defaults;
    p.ZipLast = ReadFlag("Zip Last", defaults.ZipLast);
    p.ZipPropertiesFirst = ReadFlag("Zip Properties First", defaults.ZipPropertiesFirst);
    p.BeepOnCompletion = App->BeepOnCompletion;
    p.ShowSummary = App->ShowSummary;
    p.MaxURLHistory = std::to_string(App->MaxURLHistory);
    p.MaxFileHistory = std::to_string(App->MaxFileHistory);
    p.TempFolder = App->GetTempFolder();
    p.DownloadsFolder = App->GetDownloadsFolder();
    p.LastZipFolder = ReadFlag("Last Zip Folder", defaults.LastZipFolder);
    p.ZipFolder = ReadText("Zip Folder", defaults.ZipFolder);
    p.LastUnzipFolder = ReadFlag("Last Unzip Folder", defaults.LastUnzipFolder);
    p.UnzipFolder = ReadText("Unzip Folder", defaults.UnzipFolder);
    p.UseProxy = ReadFlag("Use Proxy", defaults.UseProxy);
    p.ProxyAddress = App->ProxyAddress;
    p.ProxyPort = App->ProxyPort;
    // Split at the first colon: a password may hold colons of its own.
    const std::string& auth = App->ProxyAuthorization;
    if (!auth.empty()) {
        const auto colon = auth.find(':');
        p.ProxyUserName = auth.substr(0, colon);
        p.ProxyPassword = colon == std::string::npos ? std::string() : auth.substr(colon + 1);
    }
    p.IntranetFolder = App->GetIntranetFolder();
    p.UserAgent = ReadText("User Agent", defaults.UserAgent);
    return p;
}

int HistoryLength(const std::string& text, int fallback) {
    const std::string trimmed = Trim(text);
    int value = 0;
    const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
    if (trimmed.empty() || error != std::errc() || end != trimmed.data() + trimmed.size()) return fallback;
    return std::clamp(value, 0, kMaxHistoryLength);
}

std::string FirstRelativeFolder(const TPreferences& p) {
    std::vector<const std::string*> folders{&p.TempFolder, &p.DownloadsFolder, &p.IntranetFolder};
    if (!p.LastZipFolder) folders.push_back(&p.ZipFolder);
    if (!p.LastUnzipFolder) folders.push_back(&p.UnzipFolder);
    for (const std::string* folder : folders)
        if (!folder->empty() && folder->front() != '/') return *folder;
    return {};
}

void StorePreferences(const TPreferences& p) {
    WriteFlag("Zip Last", p.ZipLast);
    WriteFlag("Zip Properties First", p.ZipPropertiesFirst);
    WriteFlag("Last Zip Folder", p.LastZipFolder);
    WriteFlag("Last Unzip Folder", p.LastUnzipFolder);
    App->ZipPropertiesFirst = p.ZipPropertiesFirst;
    if (!p.LastZipFolder) WriteText("Zip Folder", p.ZipFolder);
    if (!p.LastUnzipFolder) WriteText("Unzip Folder", p.UnzipFolder);
    App->SetTempFolder(p.TempFolder);
    App->SetDownloadsFolder(p.DownloadsFolder);
    App->SetIntranetFolder(p.IntranetFolder);
    App->SetBeepOnCompletion(p.BeepOnCompletion);
    App->SetShowSummary(p.ShowSummary);
    App->SetUseProxy(p.UseProxy);
    std::string address = Trim(p.ProxyAddress);
    if (address.rfind("http://", 0) == 0) address.erase(0, 7);
    App->SetProxyAddress(address);
    App->SetProxyPort(Trim(p.ProxyPort));
    App->SetProxyAuthorization(!p.ProxyUserName.empty() && !p.ProxyPassword.empty()
                                   ? p.ProxyUserName + ":" + p.ProxyPassword
                                   : std::string());
    App->SetUserAgent(p.UserAgent);
    App->SetMaxURLHistory(HistoryLength(p.MaxURLHistory, 20));
    App->SetMaxFileHistory(HistoryLength(p.MaxFileHistory, 10));
}

}  // namespace corvane
