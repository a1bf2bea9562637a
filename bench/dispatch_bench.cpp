// A task of many queued resources through the dispatcher and the connection pool against the
// loopback server, every pause shortened. Prints the process's CPU per item (the in-process server
// included), the cost of IsComplete on the full queue, the main thread's longest gap while the task
// ran, and what one queue auto-save costs the main thread next to a synchronous save.
// build/bench/dispatch_bench [items] [connections]

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/run/run_control_hooks.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/run/task_runner.h"
#include "platform/registry/current_user.h"
#include "bench/bench_data_root.h"
#include "platform/rtl/headless_main_loop.h"
#include "tests/support/loopback_server.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    using namespace corvane;
    const int items = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int connections = argc > 2 ? std::atoi(argv[2]) : 16;

    const std::string home = MakeBenchDataRoot("dispatch").Folder;
    if (home.empty()) return 2;
    int code = 0;
    {
        HeadlessMainLoop loop;
        CreateApp();
        App->SetConnections(connections);

        test::LoopbackServer server;
        server.SetFallback([](const test::ReceivedRequest&) { return test::ScriptedResponse::Text("GIF89a", "image/gif"); });

        auto task = std::make_shared<TCVTask>();
        task->Name = "dispatch";
        task->FileName = home + "Tasks/dispatch.cvt";
        task->URL = server.Url("/r/0.gif");
        task->IntranetMode = true;
        task->Destination = home + "site/";
        task->RunMethod = rmResume;
        for (int i = 0; i < items; ++i) {
            TCVQItem item(task.get());
            item.URL = server.Url("/r/" + std::to_string(i) + ".gif");
            item.Type = "Images";
            task->AddQItem(item);
        }
        task->SaveQueue();

        // IsComplete on the full queue, next to the scan it replaced.
        const int calls = 100000;
        auto start = Clock::now();
        int incomplete = 0;
        for (int i = 0; i < calls; ++i) incomplete += task->IsComplete() ? 0 : 1;
        const double per_call_ns = Ms(Clock::now() - start) * 1e6 / calls;
        start = Clock::now();
        const auto lines = task->QueueLines();
        const bool scanned_empty = TCVPendingCounts::Scan(lines).Empty();
        const double scan_ms = Ms(Clock::now() - start);
        std::printf("queue: %d items; IsComplete %.1f ns per call (%d of %d incomplete); a full scan %.2f ms%s\n", items,
                    per_call_ns, incomplete, calls, scan_ms, scanned_empty ? " (empty?)" : "");

        // The main thread's longest gap between two turns of a 1 ms timer while the task downloads
        // (its start and its end, which wait for the workers, are left out).
        Clock::duration longest{};
        Clock::time_point last = Clock::now();
        const auto timer = loop.Repeating(std::chrono::milliseconds(1), [&] {
            const auto now = Clock::now();
            if (task->Status == tsDownloading && now - last > longest) longest = now - last;
            last = now;
        });
        TRunControlHooks hooks;
        const EngineTiming timing = EngineTiming::Shortened();
        TaskRunner runner(loop, timing, hooks);
        runner.Start(false);
        const std::size_t requests_before = server.RequestCount();
        const double cpu_before = CpuSeconds();
        start = Clock::now();
        last = start;
        if (!runner.StartTask(task)) return 2;
        last = Clock::now();
        const bool done = loop.RunUntil([&] { return task->Status == tsTaskComplete; }, std::chrono::hours(2));
        const double seconds = Ms(Clock::now() - start) / 1000.0;
        const double cpu = CpuSeconds() - cpu_before;
        loop.StopTimer(timer);
        const std::size_t fetched = server.RequestCount() - requests_before;
        std::printf("run: %s in %.1f s; %zu fetched = %.0f items/s; CPU %.2f s = %.3f ms per item; "
                    "main thread's longest gap while downloading %.1f ms\n",
                    done ? "complete" : "NOT complete", seconds, fetched, static_cast<double>(fetched) / seconds, cpu,
                    fetched ? cpu * 1000.0 / static_cast<double>(fetched) : 0.0, Ms(longest));
        runner.Shutdown();
        code = done ? 0 : 1;

        // Auto-saves as the dispatcher's cycle makes them (the task file is current, as it is between
        // field changes), then the synchronous save of a stop.
        App->QueueSaveInterval = 0;
        task->Save();
        std::vector<double> autosaves;
        for (int i = 0; i < 9; ++i) {
            task->GetQItem(0)->Put();  // a change, so the queue is dirty
            start = Clock::now();
            task->QueueChanged();
            autosaves.push_back(Ms(Clock::now() - start));
            task->FlushQueueWrites();
        }
        std::sort(autosaves.begin(), autosaves.end());
        task->GetQItem(0)->Put();
        start = Clock::now();
        task->SaveQueue();
        const double sync_ms = Ms(Clock::now() - start);
        std::printf("auto-save: main thread held %.1f ms (median of 9), at most %.1f ms, while the writer writes; "
                    "a synchronous save of the same queue %.1f ms\n",
                    autosaves[autosaves.size() / 2], autosaves.back(), sync_ms);
        ReleaseApp();
    }
    std::filesystem::remove_all(home);
    return code;
}
