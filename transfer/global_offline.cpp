#include "transfer/global_offline.h"

#include "platform/registry/current_user.h"
#include "platform/wininet/wininet.h"

namespace corvane {
namespace {

// Where the system keeps the user's choice, so that it outlives the program.
constexpr char kInternetSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr char kGlobalUserOffline[] = "GlobalUserOffline";

void ApplyOffline(bool offline) {
    INTERNET_CONNECTED_INFO info{};
    if (offline) {
        info.dwConnectedState = INTERNET_STATE_DISCONNECTED_BY_USER;
        info.dwFlags = ISO_FORCE_DISCONNECTED;
    } else {
        info.dwConnectedState = INTERNET_STATE_CONNECTED;
        info.dwFlags = 0;
    }
    InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &info, sizeof info);
}

}  // namespace

bool IsGlobalOffline() {
    DWORD state = 0;
    DWORD length = sizeof state;
    if (!InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &state, &length)) return false;
    return (state & (INTERNET_STATE_DISCONNECTED | INTERNET_STATE_DISCONNECTED_BY_USER)) != 0;
}

void SetGlobalOffline(bool offline) {
    ApplyOffline(offline);
    if (const auto store = CurrentUserRegistry()) store->SetDWord(kInternetSettingsKey, kGlobalUserOffline, offline ? 1 : 0);
}

void LoadGlobalOffline() {
    const auto store = CurrentUserRegistry();
    const auto stored = store ? store->GetValue(kInternetSettingsKey, kGlobalUserOffline) : std::nullopt;
    ApplyOffline(stored && stored->AsDWord() != 0);
}

}  // namespace corvane
