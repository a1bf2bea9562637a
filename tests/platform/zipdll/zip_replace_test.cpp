// "-g" adds of names the archive already holds, as an update of a zip-mode capture sends them:
// appended in place with the old record's place taken, the dead space dropped by one rewrite once
// it matches the live data, and an archive that stays whole and readable when killed at any moment.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "tests/platform/zipdll/zip_checks.h"
#include "tests/platform/zipdll/zip_driver.h"

namespace corvane::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

uint64_t FileSize(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return static_cast<uint64_t>(st.st_size);
}

using ArchiveFaultsReplace = AppendingArchive;

TEST_F(ArchiveFaultsReplace, ReplacesInPlaceKeepingOrderAndCommentsForEveryReader) {
    Put("a.htm", std::string(3000, 'a'));
    Put("b.gif", Pseudo(5000, 1));
    Put("c.htm", "first c");
    for (const char* name : {"a.htm", "b.gif", "c.htm"}) ASSERT_EQ(Add(name), 0) << name;
    const ino_t inode = Inode(archive);
    const uint64_t size = FileSize(archive);

    // The first entry (the one at the start of the file) with an empty comment answer, which keeps
    // the old comment; then the last with a new one; then a new name after both.
    Put("a.htm", std::string(4000, 'A'));
    std::vector<int> messages;
    ASSERT_EQ(Add("a.htm", [&](int message, void*) {
                  if (message == XCD_MSG_ADDING || message == XCD_MSG_UPDATING) messages.push_back(message);
                  return false;
              }),
              0);
    EXPECT_THAT(messages, ElementsAre(XCD_MSG_UPDATING));
    Put("c.htm", "second c");
    ASSERT_EQ(Add("c.htm", [](int message, void* data) {
                  if (message == XCD_MSG_FILE_COMMENT) {
                      auto* c = static_cast<XcdFileCommentData*>(data);
                      std::snprintf(c->Comment, XCD_COMMENT_SIZE, "New title");
                      c->Length = 9;
                  }
                  return false;
              }),
              0);
    Put("d.htm", "d");
    ASSERT_EQ(Add("d.htm"), 0);

    EXPECT_EQ(Inode(archive), inode) << "a replacement rewrote the archive";
    EXPECT_GT(FileSize(archive), size);
    int code = -1;
    const std::string test = Sh("unzip -tqq '" + archive + "'", &code);
    EXPECT_EQ(code, 0) << test;
    EXPECT_EQ(test, "");
    EXPECT_EQ(Sh("zipinfo -1 '" + archive + "'"), "a.htm\nb.gif\nc.htm\nd.htm\n");
    const std::vector<LibzipEntry> read = ReadWithLibzip(archive);
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0].content, std::string(4000, 'A'));
    EXPECT_EQ(read[0].comment, "Title of a.htm");
    EXPECT_EQ(read[1].content, Pseudo(5000, 1));
    EXPECT_EQ(read[2].content, "second c");
    EXPECT_EQ(read[2].comment, "New title");
    EXPECT_EQ(read[3].content, "d");
    EXPECT_EQ(Sh("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); print(z.testzip(), len(z.namelist()))\" '" +
                 archive + "'"),
              "None 4\n");
    EXPECT_FALSE(Exists(archive + ":journal"));
}

TEST_F(ArchiveFaultsReplace, DeadSpaceIsDroppedByOneRewriteOnceItMatchesTheLiveData) {
    // Eight entries of 256 KiB that do not compress: 2 MiB of live data.
    constexpr int kEntries = 8, kRounds = 40;
    constexpr std::size_t kSize = 256 * 1024;
    auto name = [](int k) { return "p" + std::to_string(k) + ".htm"; };
    for (int k = 0; k < kEntries; ++k) {
        Put(name(k), Pseudo(kSize, static_cast<unsigned>(k)));
        ASSERT_EQ(Add(name(k)), 0);
    }
    const uint64_t live = FileSize(archive);
    int rewrites = 0;
    uint64_t largest = 0;
    for (int round = 0; round < kRounds; ++round) {
        const int k = round % kEntries;
        const ino_t inode = Inode(archive);
        const uint64_t before = FileSize(archive);
        Put(name(k), Pseudo(kSize, static_cast<unsigned>(1000 + round)));
        ASSERT_EQ(Add(name(k)), 0) << round;
        if (Inode(archive) != inode) {
            ++rewrites;
            EXPECT_LT(FileSize(archive), before) << "a rewrite left dead space, round " << round;
        }
        largest = std::max(largest, FileSize(archive));
    }
    EXPECT_GE(rewrites, 1);
    EXPECT_LE(rewrites, kRounds / kEntries) << "rewritten more often than once per full round of replacements";
    // Never more than twice the live data and the floor below which dead space is left alone.
    EXPECT_LE(largest, 2 * live + (uint64_t{1} << 20) + kSize);
    int code = -1;
    const std::string test = Sh("unzip -tqq '" + archive + "'", &code);
    EXPECT_EQ(code, 0) << test;
    const std::vector<LibzipEntry> read = ReadWithLibzip(archive);
    ASSERT_EQ(read.size(), static_cast<std::size_t>(kEntries));
    for (int k = 0; k < kEntries; ++k) {
        EXPECT_EQ(read[static_cast<std::size_t>(k)].name, name(k));
        EXPECT_EQ(read[static_cast<std::size_t>(k)].content, Pseudo(kSize, static_cast<unsigned>(1000 + kRounds - kEntries + k)))
            << name(k);
    }
}

// The crash test: a child replaces entries in a loop, now and then through the rewrite that drops
// the dead space, and is killed at random moments.
TEST(ArchiveFaultsReplaceCrash, FiftyKillsLeaveEveryEntryInItsOldOrNewVersion) {
    ScratchFolder scratch("/dev/shm");
    ZipDriver driver;
    const std::string archive = scratch / "crash.zip";
    ScratchFolder::Shell("mkdir -p '" + scratch / "src" + "'");
    driver.SetBaseFolder((scratch / "src").c_str());
    constexpr int kEntries = 12;
    auto name = [](int k) { return "e" + std::to_string(k) + ".htm"; };
    // Version v of entry k; version 0 is the first capture.
    auto content = [](int k, int v) {
        return Pseudo(60000 + static_cast<std::size_t>(k * 7919 + v * 104729) % 140000, static_cast<unsigned>(k * 100000 + v));
    };
    auto add = [&](int k) { return driver.Zip({"", "-6", "-g", archive, "-W", name(k)}); };
    std::vector<int> version(kEntries, 0);
    std::vector<std::string> names;
    for (int k = 0; k < kEntries; ++k) {
        WriteFile(scratch / ("src/" + name(k)), content(k, 0));
        ASSERT_EQ(add(k), 0);
        names.push_back(name(k));
    }
    // The kills spread over two replacements as long as this machine takes for one now (a loaded
    // sanitizer run takes far longer than 30 ms, and every kill then came before the rewrite).
    const auto before = std::chrono::steady_clock::now();
    WriteFile(scratch / ("src/" + name(0)), content(0, 0));
    ASSERT_EQ(add(0), 0);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - before);
    const int max_wait_us = std::max(30000, static_cast<int>(std::min<long long>(2 * took.count(), 2000000)));
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    int next = 1, journals = 0;
    // Fifty rounds, and more while no kill has yet landed inside a replacement: on a machine whose
    // load changes under the test, the first fifty can all land between replacements.
    for (int round = 0; round < 50 || (journals == 0 && round < 250); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const KilledRun run = RunAndKill(next, [&](int v) {
            WriteFile(scratch / ("src/" + name(v % kEntries)), content(v % kEntries, v));
            return add(v % kEntries) == 0;
        }, random, max_wait_us);
        ASSERT_TRUE(run.killed) << "the child ended on its own";
        const int last_started = run.last_started, last_done = run.last_done;
        for (int v = next; v <= last_done; ++v) version[static_cast<std::size_t>(v % kEntries)] = v;

        // A kill in the middle of an in-place replacement leaves its journal; our opener rolls it back.
        journals += FileSize(archive + ":journal") > 0 ? 1 : 0;
        int code = -1;
        ASSERT_THAT(driver.ListNames(archive, nullptr, &code), ElementsAreArray(names));
        ASSERT_EQ(code, 0);
        EXPECT_FALSE(Exists(archive + ":journal"));
        const std::string test = Sh("unzip -tqq '" + archive + "'", &code);
        ASSERT_EQ(code, 0) << test;
        const std::vector<LibzipEntry> read = ReadWithLibzip(archive);
        ASSERT_EQ(read.size(), static_cast<std::size_t>(kEntries));
        for (int k = 0; k < kEntries; ++k) {
            const std::string& got = read[static_cast<std::size_t>(k)].content;
            const int old = version[static_cast<std::size_t>(k)];
            if (last_started > last_done && last_started % kEntries == k && got == content(k, last_started)) {
                version[static_cast<std::size_t>(k)] = last_started;  // finished, unreported
                continue;
            }
            ASSERT_TRUE(got == content(k, old)) << name(k) << " is neither version " << old << " nor the one under way";
        }
        next = std::max(last_started, last_done) + 1;
    }
    EXPECT_GE(next, 50) << "every round began a replacement";
    EXPECT_GT(journals, 0) << "no kill landed in an in-place replacement";
    std::printf("%d replacements; %d kills left a journal\n", next - 1, journals);
}

}  // namespace
}  // namespace corvane::testing
