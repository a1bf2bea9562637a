// The link scanner over generated pages dense with links: every row of the tag table plus both
// quote passes, as the parse worker runs them. Prints MB/s per page size; the cost must grow
// linearly with the size.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/scan_passes.h"

namespace {

std::string MakePage(std::size_t bytes) {
    static const char* const kChunks[] = {
        "<p>Some text with <a href=\"page%d.htm\">a link</a> and more text.</p>\r\n",
        "<img src=\"images/pic%d.gif\" alt=\"x\"><script>var u = \"js/file%d.js\";</script>\r\n",
        "<area shape=rect href='map%d.htm'><frame src=\"frame%d.htm\"><link rel=x href=\"s%d.css\">\r\n",
        "<table><tr><td class=\"cell\">'quoted text %d' and \"another.one\"</td></tr></table>\r\n",
    };
    std::string page = "<html><head><title>Bench</title></head><body>\r\n";
    char buf[256];
    for (int i = 0; page.size() < bytes; ++i) {
        std::snprintf(buf, sizeof buf, kChunks[i % 4], i, i, i);
        page += buf;
    }
    page.resize(bytes);
    return page;
}

void ScanAllPasses(benchmark::State& state) {
    const std::string page = MakePage(static_cast<std::size_t>(state.range(0)));
    std::size_t links = 0;
    for (auto _ : state) links += corvane::bench::ScanAllPasses(page);
    benchmark::DoNotOptimize(links);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

}  // namespace

BENCHMARK(ScanAllPasses)->Arg(10 << 10)->Arg(100 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
