// Captures a generated site of 2,000 pages and 4,000 resources from the loopback server through the
// capture tool, with every pause shortened, once into a folder tree and once into a zip archive, and
// prints for each the time, items per second, the tool's CPU seconds per item and its peak memory.
// build/bench/capture_bench [pages] [resources per page] [intranet|zip]   (both modes without the third)

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

    std::vector<std::string> modes = {"intranet", "zip"};
    if (argc > 3) modes = {argv[3]};
    std::printf("site: %d pages, %d resources\n", site.Pages, site.Resources);
    bool all_ok = true;
    for (const std::string& mode : modes) {
        char pattern[] = "/tmp/corvane-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) return 2;
        const std::string root = std::string(pattern) + "/";
        std::vector<std::string> args = {CORVANE_CAPTURE_TOOL, "--fast", "--quiet", "--connections", "16",
                                         "--home", root + "home/", site.StartURL, root + "capture/", mode};
        std::vector<char*> argv_tool;
        for (auto& a : args) argv_tool.push_back(a.data());
        argv_tool.push_back(nullptr);

        const std::size_t before = server.RequestCount();
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = -1;
        if (posix_spawn(&pid, argv_tool[0], nullptr, nullptr, argv_tool.data(), environ) != 0) return 2;
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::size_t items = server.RequestCount() - before;
        const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        all_ok = all_ok && ok;
        std::printf("%-8s: %.2f s, exit %d; items fetched: %zu = %.1f items/s; tool CPU %.3f s = %.3f ms/item; "
                    "peak memory %.1f MB\n",
                    mode.c_str(), seconds, WIFEXITED(status) ? WEXITSTATUS(status) : -1, items,
                    static_cast<double>(items) / seconds, cpu, items ? cpu * 1000.0 / static_cast<double>(items) : 0.0,
                    static_cast<double>(usage.ru_maxrss) / 1024.0);
        std::fflush(stdout);
        std::filesystem::remove_all(root);
    }
    return all_ok ? 0 : 1;
}
