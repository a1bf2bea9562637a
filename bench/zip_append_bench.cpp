// Times "-g" adds of a 20 KB file to archives of 1,000, 10,000 and 50,000 entries and to one of
// about 1 GB of stored data: one add (median and worst of 21), then 1,000 consecutive adds, next to
// one add through libzip's rewrite. Then an update run: captured files added again under names the
// archive already holds, replaced in place (zip_update_bench times replacements on their own).
// build/bench/zip_append_bench [folder]   (default $TMPDIR or /tmp; a tmpfs leaves out the fsyncs)

#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/zip_bench_archive.h"
#include "tests/platform/zipdll/sparse_zip.h"
#include "tests/platform/zipdll/zip_driver.h"

namespace {

using corvane::testing::ScratchFolder;
using corvane::testing::ZipDriver;
using Clock = std::chrono::steady_clock;
using corvane::bench::MakeArchive;
using corvane::bench::Page;

double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

class Bench {
public:
    explicit Bench(const std::string& parent) : scratch_(parent) {
        ScratchFolder::Shell("mkdir -p '" + scratch_ / "src" + "'");
        driver_.SetBaseFolder((scratch_ / "src").c_str());
    }

    // One add; in place unless rewrite.
    double AddOne(const std::string& archive, bool rewrite) {
        const std::string name = "new/p" + std::to_string(next_++) + ".htm";
        ScratchFolder::Shell("mkdir -p '" + scratch_ / "src/new" + "'");
        corvane::testing::WriteFile(scratch_ / ("src/" + name), Page(next_));
        return Timed(archive, name, rewrite);
    }

    double Timed(const std::string& archive, const std::string& name, bool rewrite) {
        std::vector<std::string> args{"", "-6"};
        if (!rewrite) args.push_back("-g");
        args.insert(args.end(), {archive, "-W", name});
        const auto start = Clock::now();
        const int code = driver_.Zip(args, [](int message, void* data) {
            if (message == XCD_MSG_FILE_COMMENT) {
                auto* c = static_cast<XcdFileCommentData*>(data);
                std::snprintf(c->Comment, XCD_COMMENT_SIZE, "A page title");
                c->Length = 12;
            }
            return false;
        });
        const double ms = Ms(start);
        if (code != 0) std::fprintf(stderr, "add of %s answered %d\n", name.c_str(), code);
        return ms;
    }

    void Report(const std::string& label, const std::string& archive) {
        std::vector<double> singles;
        for (int i = 0; i < 21; ++i) singles.push_back(AddOne(archive, false));
        std::sort(singles.begin(), singles.end());
        const double rewrite = AddOne(archive, true);
        // Files written first, so only the adds are timed.
        std::vector<std::string> names;
        for (int i = 0; i < 1000; ++i) {
            names.push_back("run/p" + std::to_string(next_++) + ".htm");
            if (i == 0) ScratchFolder::Shell("mkdir -p '" + scratch_ / "src/run" + "'");
            corvane::testing::WriteFile(scratch_ / ("src/" + names.back()), Page(next_));
        }
        const auto start = Clock::now();
        for (const std::string& name : names) Timed(archive, name, false);
        const double thousand = Ms(start);
        std::printf("%-26s one add: median %6.2f ms, worst %6.2f ms | 1,000 adds: %7.0f ms (%5.2f ms each) | "
                    "one add by rewrite: %8.1f ms\n",
                    label.c_str(), singles[singles.size() / 2], singles.back(), thousand, thousand / 1000.0, rewrite);
        std::fflush(stdout);
    }

    // Captured files added again: every one a name the archive holds.
    void UpdateRun(int site_files, int updated) {
        const std::string archive = scratch_ / "update.zip";
        std::vector<std::string> names;
        ScratchFolder::Shell("mkdir -p '" + scratch_ / "src/site" + "'");
        for (int i = 0; i < site_files; ++i) {
            names.push_back("site/p" + std::to_string(i) + ".htm");
            corvane::testing::WriteFile(scratch_ / ("src/" + names.back()), Page(i));
        }
        const auto build = Clock::now();
        for (const std::string& name : names) Timed(archive, name, false);
        const double made = Ms(build);
        const auto start = Clock::now();
        for (int i = 0; i < updated; ++i) Timed(archive, names[static_cast<std::size_t>(i)], false);
        const double took = Ms(start);
        std::printf("update run: %d files captured in %.0f ms (%.2f ms each); %d of them added again: %.0f ms "
                    "(%.1f ms each)\n",
                    site_files, made, made / site_files, updated, took, took / updated);
    }

    const ScratchFolder& Scratch() const { return scratch_; }

private:
    ScratchFolder scratch_;
    ZipDriver driver_;
    int next_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string parent = argc > 1 ? argv[1] : (tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
    Bench bench(parent);
    std::printf("archives in %s\n", parent.c_str());
    for (int entries : {1000, 10000, 50000}) {
        const std::string archive = bench.Scratch() / ("a" + std::to_string(entries) + ".zip");
        if (!MakeArchive(archive, entries)) return 2;
        bench.Report(std::to_string(entries) + " entries", archive);
    }
    // About 1 GB of stored data in 1,000 entries of 1 MiB, as holes.
    std::vector<corvane::testing::SparseEntry> big;
    for (int i = 0; i < 1000; ++i) big.push_back({"media/v" + std::to_string(i) + ".bin", uint64_t{1} << 20});
    const std::string archive = bench.Scratch() / "big.zip";
    if (!corvane::testing::WriteSparseZip(archive, big)) return 2;
    bench.Report("1 GB stored, 1,000 entries", archive);
    bench.UpdateRun(2000, 200);
    return 0;
}
