#include "tests/support/qt_pool_threads.h"

#include <dirent.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace corvane::testing {

namespace {

// The name Qt gives every thread of a QThreadPool.
constexpr const char* kPoolThreadName = "Thread (pooled)";

}  // namespace

int QtPoolThreadCount() {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return 0;
    int count = 0;
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.') continue;
        std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
        std::string name;
        if (std::getline(comm, name) && name == kPoolThreadName) ++count;
    }
    closedir(tasks);
    return count;
}

void WaitForQtPoolThreadsToEnd() {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (QtPoolThreadCount() > 0 && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace corvane::testing
