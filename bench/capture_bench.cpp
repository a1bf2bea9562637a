// Captures a generated site of 2,000 pages and 4,000 resources from the loopback server through the
// capture tool, with every pause shortened, and prints items per second, the tool's CPU seconds per
// item and its peak memory. One run: build/bench/capture_bench [pages] [resources per page]

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/loopback_server.h"
#include "tests/support/test_site.h"

extern char** environ;

int main(int argc, char** argv) {
    using namespace corvane;
    const int pages = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int per_page = argc > 2 ? std::atoi(argv[2]) : 2;

    test::LoopbackServer server;
    test::TestSiteOptions options;
    options.GeneratedPages = pages;
    options.ResourcesPerPage = per_page;
    const test::TestSite site = test::ServeTestSite(server, options);

    char pattern[] = "/tmp/corvane-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 2;
    const std::string root = std::string(pattern) + "/";
    std::vector<std::string> args = {CORVANE_CAPTURE_TOOL, "--fast", "--quiet", "--connections", "16",
                                     "--home", root + "home/", site.StartURL, root + "capture/", "intranet"};
    std::vector<char*> argv_tool;
    for (auto& a : args) argv_tool.push_back(a.data());
    argv_tool.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawn(&pid, argv_tool[0], nullptr, nullptr, argv_tool.data(), environ) != 0) return 2;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::size_t items = server.RequestCount();
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("site: %d pages, %d resources; exit %d\n", site.Pages, site.Resources,
                WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    std::printf("items fetched: %zu in %.2f s = %.1f items/s\n", items, seconds, static_cast<double>(items) / seconds);
    std::printf("tool CPU: %.3f s = %.3f ms/item\n", cpu, items ? cpu * 1000.0 / static_cast<double>(items) : 0.0);
    std::printf("tool peak memory: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::filesystem::remove_all(root);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
