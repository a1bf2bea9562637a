// A saved page of script strings ("<script>" and 400,000 quoted "a/b.js" by default) parsed by the
// parse worker on a thread of its own while the main thread serves its loop, next to the link
// scanner's own time for the same bytes. Prints both times, the blocking calls the parse made onto
// the main thread and the status texts the window got.
//   build/bench/parse_status_bench [strings]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "bench/bench_data_root.h"
#include "bench/scan_passes.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/run/parse_worker.h"
#include "platform/rtl/headless_main_loop.h"
#include "platform/rtl/paths.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    using namespace corvane;
    const int strings = argc > 1 ? std::atoi(argv[1]) : 400000;
    const TBenchDataRoot root = MakeBenchDataRoot("parse-status");
    if (root.Folder.empty()) return 2;
    root.Store->ImportFile(ResourcesDir() + "/FTypes.reg");
    int code = 0;
    {
        HeadlessMainLoop loop;
        CreateApp();
        std::string page = "<html><script>\n";
        for (int i = 0; i < strings; ++i) page += "\"a/b.js\",";
        page += "\n</script></html>";

        auto task = std::make_shared<TCVTask>();
        task->Name = "hostile";
        task->FileName = root.Folder + "Tasks/hostile.cvt";
        task->URL = "http://site.com/index.htm";
        task->IntranetMode = true;
        task->Destination = root.Folder + "site/";
        task->Profile.Depth = -1;
        task->Profile.PageLocation = lcSite;
        task->Profile.ResourceLocation = lcSite;
        task->Profile.AggressiveParser = 1;
        task->Profile.ConvertFollowedLinks = 1;
        task->Restart();
        auto start_page = task->GetQItem(0);
        const std::string file = start_page->GetLocalFileName();
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::ofstream(file, std::ios::binary) << page;
        start_page->SetState(isSaved);
        start_page->Put();

        TThreadParse parser;
        int texts = 0;
        std::string last_count;
        parser.SetStatusHandler([&](const std::string& text) {
            ++texts;
            if (text.rfind("Parsing...", 0) == 0) last_count = text;
        });
        const std::uint64_t calls_before = parser.BlockingCallCount();
        bool done = false;
        const auto start = Clock::now();
        std::thread worker([&] {
            parser.ParsePage(*task, task->NextPageToParse());
            loop.Post([&] { done = true; });
        });
        const bool finished = loop.RunUntil([&] { return done; }, std::chrono::minutes(10));
        const double parse_ms = Ms(Clock::now() - start);
        worker.join();
        loop.ProcessPending();
        const std::uint64_t calls = parser.BlockingCallCount() - calls_before;

        const auto scan_start = Clock::now();
        const std::size_t links = corvane::bench::ScanAllPasses(page);
        const double scan_ms = Ms(Clock::now() - scan_start);
        const double mb = static_cast<double>(page.size()) / 1e6;
        std::printf("page: %.1f MB, %d script strings; queue now %d lines\n", mb, strings, task->QueueLineCount());
        std::printf("parse worker: %s in %.1f ms (%.1f MB/s); %llu blocking calls onto the main thread; "
                    "%d status texts, the last count \"%s\"\n",
                    finished ? "parsed" : "NOT parsed", parse_ms, mb * 1000.0 / parse_ms,
                    static_cast<unsigned long long>(calls), texts, last_count.c_str());
        std::printf("scanner alone, same bytes: %.1f ms (%.1f MB/s), %zu links\n", scan_ms, mb * 1000.0 / scan_ms,
                    links);
        code = finished ? 0 : 1;
        ReleaseApp();
    }
    std::filesystem::remove_all(root.Folder);
    return code;
}
