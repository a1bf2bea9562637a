#include "platform/wininet/multi_pool.h"

#include <cstddef>
#include <iterator>
#include <mutex>
#include <vector>

namespace corvane::wininet {

namespace {

constexpr std::size_t kMaxIdleMultis = 16;

struct IdleMulti {
    std::string origin;
    CURLM* multi;
};

std::mutex g_pool_mutex;
// Never destroyed: the idle handles stay reachable (and usable by late requests) until the process ends.
std::vector<IdleMulti>& g_idle_multis = *new std::vector<IdleMulti>;

}  // namespace

CURLM* CheckOutMulti(const std::string& origin) {
    {
        std::lock_guard lock(g_pool_mutex);
        for (auto it = g_idle_multis.rbegin(); it != g_idle_multis.rend(); ++it) {
            if (it->origin == origin) {
                CURLM* m = it->multi;
                g_idle_multis.erase(std::next(it).base());
                return m;
            }
        }
        if (!g_idle_multis.empty()) {
            CURLM* m = g_idle_multis.back().multi;
            g_idle_multis.pop_back();
            return m;
        }
    }
    CURLM* m = curl_multi_init();
    if (m) curl_multi_setopt(m, CURLMOPT_MAXCONNECTS, 4L);
    return m;
}

void CheckInMulti(const std::string& origin, CURLM* multi) {
    CURLM* surplus = nullptr;
    {
        std::lock_guard lock(g_pool_mutex);
        g_idle_multis.push_back({origin, multi});
        if (g_idle_multis.size() > kMaxIdleMultis) {
            surplus = g_idle_multis.front().multi;
            g_idle_multis.erase(g_idle_multis.begin());
        }
    }
    if (surplus) curl_multi_cleanup(surplus);
}

}  // namespace corvane::wininet
