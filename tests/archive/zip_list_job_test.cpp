// Listing on a worker: the records a synchronous listing gives, in slices; a cancel half-way; an
// owner that goes away; and the joining of every job at shut-down.

#include "archive/zip_list_job.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "archive/xceed_zip.h"
#include "archive/zip_jobs.h"
#include "platform/rtl/headless_main_loop.h"
#include "platform/rtl/wait_while_serving.h"
#include "tests/archive/hostile_archive.h"
#include "tests/platform/zipdll/zip_driver.h"

namespace corvane {
namespace {

std::string Key(const TXcdFileStats& s) {
    return s.FileName + "|" + std::to_string(s.Size) + "|" + std::to_string(s.CompressedSize) + "|" + s.Comment +
           "|" + std::to_string(s.DateTime);
}

class ZipListJob : public ::testing::Test {
protected:
    HeadlessMainLoop loop;
    testing::ScratchFolder scratch;
    std::shared_ptr<int> owner = std::make_shared<int>(0);

    void SetUp() override { SetZipLibraryFolder(CORVANE_ZIPDLL_DIR); }
    void TearDown() override {
        JoinZipJobs();
        SetZipLibraryFolder("");
    }
    std::string Archive(int count) {
        testing::EntryContents entries;
        for (int i = 0; i < count; ++i) entries.emplace_back("f/" + std::to_string(i) + ".htm", std::to_string(i));
        const std::string path = scratch / ("n" + std::to_string(count) + ".zip");
        testing::MakeZip(path, entries);
        return path;
    }
    std::vector<std::string> Drained(TZipListJob& job) {
        std::vector<std::string> keys;
        EXPECT_TRUE(loop.RunUntil([&] { return job.Drain([&](const TXcdFileStats& s) { keys.push_back(Key(s)); }); },
                                  std::chrono::seconds(30)));
        return keys;
    }
};

TEST_F(ZipListJob, GivesTheRecordsOfASynchronousListing) {
    const std::string path = scratch / "hostile.zip";
    testing::MakeZip(path, testing::HostileEntries());
    std::vector<std::string> expected;
    TXceedZipPtr zip = TXceedZip::Create();
    zip->ZipFileName = path;
    zip->OnListing = [&](TXceedZip&, const TXcdFileStats& s) { expected.push_back(Key(s)); };
    ASSERT_EQ(zip->List(), 0);

    auto job = TZipListJob::Start(path, owner);
    EXPECT_EQ(Drained(*job), expected);
    EXPECT_EQ(job->Result(), 0);
    EXPECT_EQ(job->FileCount(), static_cast<int>(expected.size()));

    // Exact names: just those entries, the duplicate twice; "*" is no wildcard.
    auto some = TZipListJob::Start(path, owner, std::vector<std::string>{"dup.htm", "*", "A.htm"});
    const auto keys = Drained(*some);
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].substr(0, 6), "A.htm|");
    EXPECT_EQ(keys[1].substr(0, 2), "*|");
    EXPECT_EQ(keys[2].substr(0, 8), "dup.htm|");
    EXPECT_EQ(keys[3].substr(0, 8), "dup.htm|");
}

TEST_F(ZipListJob, CancelHalfWayStopsTheListingAndDropsWhatIsQueued) {
    // On a loaded machine the worker can list every entry before the cancel lands; such a run
    // proves nothing about the cancel, so it is tried again with a fresh job.
    const std::string path = Archive(20000);
    for (int attempt = 0; attempt < 5; ++attempt) {
        auto job = TZipListJob::Start(path, owner);
        std::vector<TXcdFileStats> first;
        while (job->TakeBatch(first, 1) == 0 && !job->Done()) std::this_thread::yield();
        ASSERT_EQ(first.size(), 1u);
        job->Cancel();
        std::size_t more = 0;
        ASSERT_TRUE(loop.RunUntil([&] { return job->Drain([&](const TXcdFileStats&) { ++more; }); },
                                  std::chrono::seconds(30)));
        EXPECT_EQ(more, 0u);
        if (job->Result() == XCD_ERR_STOPPED) return;
        ASSERT_EQ(job->Result(), 0) << "neither stopped nor complete";
    }
    FAIL() << "the listing always ended before the cancel";
}

TEST_F(ZipListJob, AJobWhoseOwnerIsGoneDropsItsResults) {
    auto job = TZipListJob::Start(Archive(2000), owner);
    owner.reset();
    WaitWhileServing([&] { return job->Finished(); });
    std::vector<TXcdFileStats> out;
    EXPECT_EQ(job->TakeBatch(out, 100000), 0u);
    EXPECT_TRUE(job->Done());
}

TEST_F(ZipListJob, ShutDownJoinsJobsNobodyHolds) {
    const std::string path = Archive(20000);
    for (int i = 0; i < 3; ++i) TZipListJob::Start(path, owner);
    EXPECT_GE(ZipJobCount(), 1u);
    JoinZipJobs();
    EXPECT_EQ(ZipJobCount(), 0u);
}

}  // namespace
}  // namespace corvane
