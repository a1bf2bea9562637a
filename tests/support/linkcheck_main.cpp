// corvane-linkcheck FOLDER: checks a captured site offline. Every link in every saved page that
// points into the folder must name an existing file; prints the broken ones and exits 1 when any.
// Paths too long to open are listed as unchecked.
#include <cstdio>

#include "tests/support/link_checker.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-linkcheck CAPTURE_FOLDER\n");
        return 2;
    }
    const auto report = corvane::testing::CheckCapturedLinks(argv[1]);
    for (const auto& broken : report.Broken)
        std::printf("%s: %s -> %s\n", broken.Page.c_str(), broken.Link.c_str(),
                    broken.Target.empty() ? "(outside the folder)" : broken.Target.c_str());
    for (const auto& path : report.Unchecked) std::printf("unchecked: %s\n", path.c_str());
    std::printf("%d pages, %d local links, %zu broken, %zu unchecked\n", report.PagesChecked, report.LinksChecked,
                report.Broken.size(), report.Unchecked.size());
    return report.Broken.empty() ? 0 : 1;
}
