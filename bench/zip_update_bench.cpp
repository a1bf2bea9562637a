// An update of a zip-mode capture against its first capture, and one replacement in large archives.
// First: a generated site of 2,000 pages and 4,000 resources from the loopback server, captured
// into a zip archive through the capture tool with every pause shortened, then updated (every
// saved item fetched and added again); prints both times, their ratio, the archive's size and
// entries after each and what Info-ZIP's test says. Then: one "-g" add of a 20 KB page replacing an
// entry of archives of 10,000 and 50,000 entries (median and worst of 21), next to one replacement
// through libzip's rewrite.
// build/bench/zip_update_bench [pages] [resources per page] [folder]   (default $TMPDIR or /tmp)

#include <spawn.h>
#include <sys/wait.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/zip_bench_archive.h"
#include "tests/platform/zipdll/zip_driver.h"
#include "tests/support/loopback_server.h"
#include "tests/support/test_site.h"

extern char** environ;

namespace {

using corvane::testing::ScratchFolder;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Runs the capture tool; its exit code, or -1.
int Capture(std::vector<std::string> args) {
    args.insert(args.begin(), CORVANE_CAPTURE_TOOL);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FindArchive(const std::string& folder) {
    std::error_code error;
    for (const auto& e : std::filesystem::directory_iterator(folder, error))
        if (e.path().extension() == ".zip") return e.path().string();
    return {};
}

void Describe(const char* label, double seconds, int code, const std::string& archive) {
    int error = 0;
    zip_t* z = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    const long long entries = z == nullptr ? -1 : static_cast<long long>(zip_get_num_entries(z, 0));
    if (z != nullptr) zip_discard(z);
    std::error_code size_error;
    const auto bytes = std::filesystem::file_size(archive, size_error);
    const int test = std::system(("unzip -tqq '" + archive + "' >/dev/null 2>&1").c_str());
    std::printf("%-14s %7.2f s, exit %d; archive %.1f MB, %lld entries; unzip -t %s\n", label, seconds, code,
                size_error ? -1.0 : static_cast<double>(bytes) / 1e6, entries, test == 0 ? "passes" : "FAILS");
    std::fflush(stdout);
}

bool CaptureAndUpdate(int pages, int per_page, const std::string& parent) {
    using namespace corvane;
    test::LoopbackServer server;
    test::TestSiteOptions options;
    options.GeneratedPages = pages;
    options.ResourcesPerPage = per_page;
    const test::TestSite site = test::ServeTestSite(server, options);
    std::printf("site: %d pages, %d resources\n", site.Pages, site.Resources);
    std::fflush(stdout);
    ScratchFolder root(parent);
    const std::string home = root / "home/", capture = root / "capture/";

    auto start = Clock::now();
    const int first_code = Capture({"--fast", "--quiet", "--connections", "16", "--home", home, site.StartURL, capture, "zip"});
    const double first = Seconds(start);
    const std::string archive = FindArchive(capture);
    Describe("first capture:", first, first_code, archive);

    start = Clock::now();
    const int update_code = Capture({"--fast", "--quiet", "--connections", "16", "--home", home, "--resume", "--method", "update"});
    const double update = Seconds(start);
    // The run may have given the archive a new name; it is still the only one there.
    Describe("update:", update, update_code, FindArchive(capture));
    std::printf("update / first capture: %.2f\n", update / first);
    return first_code == 0 && update_code == 0 && !archive.empty();
}

// One add of a page whose name the archive holds; in place unless rewrite.
double Replace(corvane::testing::ZipDriver& driver, const std::string& archive, int page, bool rewrite) {
    std::vector<std::string> args{"", "-6"};
    if (!rewrite) args.push_back("-g");
    args.insert(args.end(), {archive, "-W", corvane::bench::PageName(page)});
    const auto start = Clock::now();
    const int code = driver.Zip(args);
    const double ms = Seconds(start) * 1000.0;
    if (code != 0) std::fprintf(stderr, "replacement of page %d answered %d\n", page, code);
    return ms;
}

void Replacements(const std::string& parent) {
    ScratchFolder scratch(parent);
    corvane::testing::ZipDriver driver;
    driver.SetBaseFolder((scratch / "src").c_str());
    for (const int entries : {10000, 50000}) {
        const std::string archive = scratch / ("a" + std::to_string(entries) + ".zip");
        if (!corvane::bench::MakeArchive(archive, entries)) return;
        std::vector<double> times;
        auto replace = [&](int k, bool rewrite) {
            const int page = (k * 7919) % entries;
            const std::string file = scratch / ("src/" + corvane::bench::PageName(page));
            std::filesystem::create_directories(std::filesystem::path(file).parent_path());
            corvane::testing::WriteFile(file, corvane::bench::Page(page));
            return Replace(driver, archive, page, rewrite);
        };
        for (int k = 0; k < 21; ++k) times.push_back(replace(k, false));
        std::sort(times.begin(), times.end());
        const double rewrite = replace(21, true);
        std::printf("%6d entries: one replacement in place: median %6.2f ms, worst %6.2f ms | by rewrite: %8.1f ms\n",
                    entries, times[times.size() / 2], times.back(), rewrite);
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int per_page = argc > 2 ? std::atoi(argv[2]) : 2;
    const char* tmp = std::getenv("TMPDIR");
    const std::string parent = argc > 3 ? argv[3] : (tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
    const bool ok = CaptureAndUpdate(pages, per_page, parent);
    Replacements(parent);
    return ok ? 0 : 1;
}
