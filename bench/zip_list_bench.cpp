// Lists a 50,000-entry archive into the archive tree through the listing job on the headless main
// loop, as the archive window does, and prints the records per second and the longest time the
// main thread spent in one slice. For comparison it also times the same listing made directly on
// the calling thread, which is how long the window would freeze without the job.
//   build/bench/zip_list_bench [entries]

#include <unistd.h>
#include <zip.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "archive/xceed_zip.h"
#include "archive/zip_jobs.h"
#include "archive/zip_list_job.h"
#include "archive/zip_tree.h"
#include "platform/rtl/headless_main_loop.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

bool MakeArchive(const std::string& path, int entries) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) return false;
    static const char kBody[] = "<html><body>page</body></html>";
    for (int i = 0; i < entries; ++i) {
        // Spread over folders two levels deep, as a captured site is.
        const std::string name = "site" + std::to_string(i % 7) + "/dir" + std::to_string(i % 97) + "/page" +
                                 std::to_string(i) + ".htm";
        zip_source_t* source = zip_source_buffer(archive, kBody, sizeof kBody - 1, 0);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), source, 0);
        if (index < 0) return false;
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        zip_file_set_comment(archive, static_cast<zip_uint64_t>(index), "Title", 5, 0);
    }
    return zip_close(archive) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace corvane;
    const int entries = argc > 1 ? std::atoi(argv[1]) : 50000;
    char folder[] = "/tmp/zip-list-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const std::string path = std::string(folder) + "/big.zip";
    const auto made = Clock::now();
    if (!MakeArchive(path, entries)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("archive of %d entries written in %.0f ms\n", entries, Ms(Clock::now() - made));

    // On the calling thread: what the window would block for.
    {
        TXceedZipPtr zip = TXceedZip::Create();
        zip->ZipFileName = path;
        const auto start = Clock::now();
        const int count = zip->GetFileCount();
        const auto counted = Clock::now();
        int listed = 0;
        zip->OnListing = [&](TXceedZip&, const TXcdFileStats&) { ++listed; };
        zip->List();
        std::printf("direct: count %d in %.0f ms, list %d in %.0f ms (one uninterrupted block)\n", count,
                    Ms(counted - start), listed, Ms(Clock::now() - counted));
    }

    HeadlessMainLoop loop;
    TZipTree tree;
    const TZipNodeId node = tree.AddArchive(path);
    auto owner = std::make_shared<int>(0);
    const auto start = Clock::now();
    auto job = TZipListJob::Start(path, owner);
    Clock::duration longest{};
    long slices = 0;
    bool done = false;
    bool reserved = false;
    while (!done) {
        const auto slice = Clock::now();
        if (!reserved && job->FileCount() >= 0) {
            tree.Reserve(node, static_cast<std::size_t>(job->FileCount()));
            reserved = true;
        }
        done = job->Drain([&](const TXcdFileStats& stats) { tree.AddListedEntry(node, stats); });
        longest = std::max(longest, Clock::now() - slice);
        ++slices;
        // Between slices the loop runs everything else the main thread has to do.
        if (!done) loop.ServeQueued(std::chrono::milliseconds(1));
    }
    const double total = Ms(Clock::now() - start);
    const TZipObj& obj = *tree.Obj(node);
    std::printf("job: %zu records (count %d, result %d) into %zu nodes in %.0f ms: %.0f records/s\n",
                obj.Entries.size(), job->FileCount(), job->Result(), tree.NodeCount() - 1, total,
                static_cast<double>(obj.Entries.size()) / (total / 1000.0));
    std::printf("main thread: %ld slices, longest %.2f ms (target <= 15 ms)\n", slices, Ms(longest));
    JoinZipJobs();
    std::remove(path.c_str());
    rmdir(folder);
    return job->Result() == 0 ? 0 : 1;
}
