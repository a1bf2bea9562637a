#include "transfer/global_offline.h"

#include "platform/wininet/wininet.h"

namespace corvane {

bool IsGlobalOffline() {
    DWORD state = 0;
    DWORD length = sizeof state;
    if (!InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &state, &length)) return false;
    return (state & (INTERNET_STATE_DISCONNECTED | INTERNET_STATE_DISCONNECTED_BY_USER)) != 0;
}

void SetGlobalOffline(bool offline) {
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

}  // namespace corvane
