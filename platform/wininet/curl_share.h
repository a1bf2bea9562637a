#pragma once
// The libcurl share handle of the process: DNS answers and TLS sessions, which libcurl lets several
// threads use at once (its connection cache and cookie store it does not; see multi_pool.h and
// cookie_jar.h).

#include <curl/curl.h>

namespace corvane::wininet {

CURLSH* Share();

}  // namespace corvane::wininet
