#pragma once
// What the preferences dialog shows and stores, as one snapshot: read from App and the settings key,
// written back through App's setters (and the few values the windows keep under the key themselves).
// The dialog only moves the snapshot in and out of its controls, so both halves are testable alone.

#include <string>

namespace corvane {

struct TPreferences {
    bool ZipLast = false;
    bool ZipPropertiesFirst = false;
    bool BeepOnCompletion = true;
    bool ShowSummary = true;
    // As typed; a text that is not a number stores 20 (URLs) or 10 (files).
    std::string MaxURLHistory = "20";
    std::string MaxFileHistory = "10";
    std::string TempFolder;
    std::string DownloadsFolder;
    bool LastZipFolder = true;  // false: the zip folder below
    std::string ZipFolder;
    bool LastUnzipFolder = true;
    std::string UnzipFolder;
    bool UseProxy = false;
    std::string ProxyAddress;
    std::string ProxyPort;
    std::string ProxyUserName;
    std::string ProxyPassword;
    std::string UserAgent = "Corvane";
    std::string IntranetFolder;

    bool operator==(const TPreferences&) const = default;
};

// The recent lists keep at most this many entries.
inline constexpr int kMaxHistoryLength = 255;

// The current settings. The folder getters create their folders, as they do everywhere. `defaults`
// gives the values used where the settings key holds none.
TPreferences ReadPreferences(const TPreferences& defaults = {});

// Stores every value in the order the settings are kept in. Leading "http://" and blanks leave the
// proxy address; a user name without a password stores no authorization.
void StorePreferences(const TPreferences& prefs);

// The history length to store for the text: its number clamped to 0..255, else the fallback.
int HistoryLength(const std::string& text, int fallback);

// The first folder of the snapshot that is not a full path (only folders that would be stored count);
// "" when all are.
std::string FirstRelativeFolder(const TPreferences& prefs);

}  // namespace corvane
