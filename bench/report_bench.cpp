// Writes the report of a task whose queue holds 50,000 saved pages and 50,000 saved images, as the
// report window does, and prints the seconds taken and the longest gap between two progress calls
// (the longest the window would go without its events).
//   build/bench/report_bench [pages] [images] [folder]   (folder: where to write, default /tmp)

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/queue/queue_item.h"
#include "engine/model/task.h"
#include "tasks/report/task_report.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string QueueText(int pages, int images) {
    std::string text;
    const auto add = [&text](const std::string& url, const char* type, int i) {
        corvane::TCVQItem item;
        item.URL = url;
        item.Type = type;
        item.State = corvane::isParsed;
        item.Level = 1 + i % 5;
        item.Referrer = "http://www.bench.test/dir" + std::to_string(i % 97) + "/";
        item.Title = "Title of item " + std::to_string(i) + " & more";
        item.Size = 1000 + i;
        text += url + "\r\n" + item.EncodeRecord() + "\r\n";
    };
    for (int i = 0; i < pages || i < images; ++i) {
        if (i < pages) add("http://www.bench.test/dir" + std::to_string(i % 97) + "/p" + std::to_string(i) + ".html", "HTML", i);
        if (i < images) add("http://www.bench.test/img/i" + std::to_string(i) + ".gif", "Images", i);
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::atoi(argv[1]) : 50000;
    const int images = argc > 2 ? std::atoi(argv[2]) : 50000;
    std::string pattern = std::string(argc > 3 ? argv[3] : "/tmp") + "/corvane-report-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const std::string root = pattern + "/";
    ::setenv("CORVANE_HOME", root.c_str(), 1);

    corvane::TCVTask task;
    task.Name = "bench";
    task.FileName = root + "bench.cvt";
    task.URL = "http://www.bench.test/";
    task.SetCounters({pages, images, 0, 0, pages, images, 123456789});
    {
        std::ofstream(task.GetQueueFileName(), std::ios::binary) << QueueText(pages, images);
    }

    Clock::duration longest{};
    auto last = Clock::now();
    const auto start = last;
    int calls = 0;
    corvane::TTaskReport report(task, root + "capture/");
    std::string longest_at;
    int position = 0;
    report.OnProgress = [&](const std::string& step, int percent) {
        const auto now = Clock::now();
        if (!step.empty()) position = percent;
        if (now - last > longest) {
            longest = now - last;
            longest_at = (step.empty() ? "reading the queue" : step) + " " + std::to_string(position) + "%";
        }
        last = now;
        ++calls;
    };
    report.CreateSummary("Creating the task report...");
    report.CreatePageIndex();
    report.CreateImageIndex();
    const auto end = Clock::now();

    if (end - last > longest) {
        longest = end - last;
        longest_at = "the end";
    }
    std::printf("report of %d pages and %d images: %.2f s, %d progress calls, longest gap %.1f ms (before %s)\n",
                pages, images, Ms(end - start) / 1000.0, calls, Ms(longest), longest_at.c_str());
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return 0;
}
