#pragma once
// Idle multi handles with their connection caches. A request checks one out for its lifetime, so a
// connection cache is only ever used by one thread at a time; one of the same origin is preferred,
// since its cache may hold a connection to reuse.

#include <curl/curl.h>

#include <string>

namespace corvane::wininet {

CURLM* CheckOutMulti(const std::string& origin);
// Keeps the handle for a later request; the oldest idle handle goes beyond the pool's size.
void CheckInMulti(const std::string& origin, CURLM* multi);

}  // namespace corvane::wininet
