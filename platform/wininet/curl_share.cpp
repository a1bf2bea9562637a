#include "platform/wininet/curl_share.h"

#include <mutex>

namespace corvane::wininet {

namespace {

std::mutex g_share_locks[CURL_LOCK_DATA_LAST];

// libcurl calls these with no way to fail: a lock that cannot be taken ends the process rather than
// unwind through C code.
void ShareLock(CURL*, curl_lock_data data, curl_lock_access, void*) noexcept { g_share_locks[data].lock(); }
void ShareUnlock(CURL*, curl_lock_data data, void*) noexcept { g_share_locks[data].unlock(); }

}  // namespace

CURLSH* Share() {
    static CURLSH* share = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        CURLSH* s = curl_share_init();
        curl_share_setopt(s, CURLSHOPT_LOCKFUNC, ShareLock);
        curl_share_setopt(s, CURLSHOPT_UNLOCKFUNC, ShareUnlock);
        curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        return s;
    }();
    return share;
}

}  // namespace corvane::wininet
