// Captures a generated site of 2,000 pages and 4,000 resources from the loopback server through the
// capture tool, with every pause shortened, once into a folder tree and once into a zip archive, and
// prints for each the time, items per second, the tool's CPU seconds per item and its peak memory.
// Mode "update" captures the site into a folder tree and into a zip archive, then runs a SmartUpdate
// of the unchanged site (the server answers validators) in each, and prints the body bytes and time of
// each run.
// build/bench/capture_bench [pages] [resources per page] [intranet|zip|update]   (intranet and zip
// without the third)

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

namespace {

struct ToolRun {
    double Seconds = 0;
    double Cpu = 0;
    double PeakMB = 0;
    int Exit = -1;
};

ToolRun RunTool(std::vector<std::string> args) {
    std::vector<char*> argv_tool;
    for (auto& a : args) argv_tool.push_back(a.data());
    argv_tool.push_back(nullptr);
    ToolRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawn(&pid, argv_tool[0], nullptr, nullptr, argv_tool.data(), environ) != 0) return run;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.Cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
              static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.PeakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// A first capture, then a SmartUpdate of the same unchanged site: body bytes and time of each.
bool UpdateRun(corvane::test::LoopbackServer& server, const std::string& start_url, const std::string& root,
               const std::string& mode) {
    const std::vector<std::string> first = {CORVANE_CAPTURE_TOOL, "--fast", "--quiet", "--connections", "16",
                                            "--home", root + "home/", start_url, root + "capture/", mode};
    const std::vector<std::string> update = {CORVANE_CAPTURE_TOOL, "--fast",   "--quiet",      "--connections", "16",
                                             "--home",             root + "home/", "--resume", "--method",   "update"};
    bool ok = true;
    for (const auto& [name, args] : {std::pair{"capture", first}, std::pair{"update", update}}) {
        const std::size_t requests = server.RequestCount();
        const std::size_t bytes = server.BodyBytesSent();
        const ToolRun run = RunTool(args);
        ok = ok && run.Exit == 0;
        std::printf("%-8s %-7s: %.2f s, exit %d; requests %zu, body bytes %zu\n", mode.c_str(), name, run.Seconds,
                    run.Exit, server.RequestCount() - requests, server.BodyBytesSent() - bytes);
        std::fflush(stdout);
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace corvane;
    const int pages = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int per_page = argc > 2 ? std::atoi(argv[2]) : 2;

    test::LoopbackServer server;
    test::TestSiteOptions options;
    options.GeneratedPages = pages;
    options.ResourcesPerPage = per_page;
    const test::TestSite site = test::ServeTestSite(server, options);
    const bool update = argc > 3 && std::string(argv[3]) == "update";
    if (update) server.AnswerValidators();

    std::vector<std::string> modes = {"intranet", "zip"};
    if (argc > 3 && !update) modes = {argv[3]};
    std::printf("site: %d pages, %d resources\n", site.Pages, site.Resources);
    bool all_ok = true;
    for (const std::string& mode : modes) {
        char pattern[] = "/tmp/corvane-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) return 2;
        const std::string root = std::string(pattern) + "/";
        if (update) {
            all_ok = UpdateRun(server, site.StartURL, root, mode) && all_ok;
            std::filesystem::remove_all(root);
            continue;
        }
        std::vector<std::string> args = {CORVANE_CAPTURE_TOOL, "--fast", "--quiet", "--connections", "16",
                                         "--home", root + "home/", site.StartURL, root + "capture/", mode};
        const std::size_t before = server.RequestCount();
        const ToolRun run = RunTool(args);
        const double seconds = run.Seconds;
        const std::size_t items = server.RequestCount() - before;
        const double cpu = run.Cpu;
        const bool ok = run.Exit == 0;
        all_ok = all_ok && ok;
        std::printf("%-8s: %.2f s, exit %d; items fetched: %zu = %.1f items/s; tool CPU %.3f s = %.3f ms/item; "
                    "peak memory %.1f MB\n",
                    mode.c_str(), seconds, run.Exit, items,
                    static_cast<double>(items) / seconds, cpu, items ? cpu * 1000.0 / static_cast<double>(items) : 0.0,
                    run.PeakMB);
        std::fflush(stdout);
        std::filesystem::remove_all(root);
    }
    return all_ok ? 0 : 1;
}
