// A task queue of 100,000 pairs: open it from its file, run 1,000 dispatch steps (selector, then
// the item marked in transfer), add 10,000 links with their membership tests, save it once.
// Reports the time and the peak memory per pair.

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "engine/parse/file_types.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "platform/registry/current_user.h"
#include "bench/bench_data_root.h"

namespace corvane {
namespace {

constexpr int kPairs = 100'000;

long PeakKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string WriteQueueFile(const std::string& path) {
    const std::string sep = "\xB6";
    std::string text;
    for (int i = 0; i < kPairs; ++i) {
        const bool page = i % 4 == 0;
        const int state = i < kPairs / 2 ? 10 : 0;  // the first half is done
        text += "http://bench.example/dir" + std::to_string(i % 97) + "/item" + std::to_string(i) +
                (page ? ".htm" : ".gif") + "\r\n";
        text += std::to_string(state) + sep + "200 OK" + sep + (page ? "HTML" : "Images") + sep + sep + "2" + sep +
                "http://bench.example/" + sep + sep + "1" + sep + "A title" + sep + "1234" + sep + sep + "\r\n";
    }
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

void BM_QueueOf100000Pairs(benchmark::State& state) {
    const std::string home = MakeBenchDataRoot("bench").Folder;
    if (home.empty()) {
        state.SkipWithError("cannot make a data root");
        return;
    }
    RegWriteValue(kFileTypesKey, "HTML", std::string(".htm;.html;"));
    RegWriteValue(kFileTypesKey, "Images", std::string(".gif;.jpg;"));
    CreateApp();

    for (auto _ : state) {
        state.PauseTiming();
        auto task = std::make_shared<TCVTask>();
        task->Name = "Bench";
        task->FileName = home + "Tasks/General/Bench.cvt";
        WriteQueueFile(task->GetQueueFileName());
        const long base_kb = PeakKilobytes();
        state.ResumeTiming();

        const auto started = std::chrono::steady_clock::now();
        task->OpenQueue();
        for (int i = 0; i < 1000; ++i) {
            auto item = i % 2 ? task->NextResourceToDownload() : task->NextPageToDownload();
            if (!item) break;
            item->SetState(isDownloading);
            item->Put();
        }
        for (int i = 0; i < 10'000; ++i) {
            TCVQItem item(task.get());
            item.URL = "http://bench.example/new/" + std::to_string(i) + ".gif";
            item.Type = "Images";
            item.Level = 3;
            if (!task->InURLSet(item.URL)) task->AddQItem(item);
        }
        task->SaveQueue();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

        state.PauseTiming();
        const double pairs = task->QueueLineCount() / 2.0;
        state.counters["pairs"] = pairs;
        state.counters["us_per_pair"] = seconds * 1e6 / pairs;
        state.counters["peak_bytes_per_pair"] = (PeakKilobytes() - base_kb) * 1024.0 / pairs;
        task.reset();
        state.ResumeTiming();
    }

    ReleaseApp();
    SetCurrentUserRegistry(nullptr);
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_QueueOf100000Pairs)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
