// "-g" adds that append in place: checked with Info-ZIP, libzip and Python's zipfile as readers,
// across the zip64 limits, with the journal that undoes an append killed half-way.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <chrono>
#include <random>
#include <thread>

#include "platform/zipdll/zip_journal.h"
#include "tests/platform/zipdll/sparse_zip.h"
#include "tests/platform/zipdll/zip_checks.h"
#include "tests/platform/zipdll/zip_driver.h"

namespace corvane::testing {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

using ZipAppend = AppendingArchive;

TEST_F(ZipAppend, ThousandAppendsKeepEveryEntryAndCommentForInfoZipAndLibzip) {
    std::vector<LibzipEntry> expected;
    ino_t inode = 0;
    for (int i = 0; i < 1000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "p%04d.%s", i, i % 7 == 0 ? "gif" : "htm");
        const std::string content =
            i % 7 == 0 ? Pseudo(static_cast<std::size_t>(i * 37 % 5000), i) : std::string(static_cast<std::size_t>(i % 3 == 0 ? 0 : i * 11), 'a' + i % 26);
        Put(name, content);
        ASSERT_EQ(Add(name), 0) << name;
        if (i == 0) inode = Inode(archive);  // made by libzip
        expected.push_back({name, content, std::string("Title of ") + name});
    }
    EXPECT_EQ(Inode(archive), inode) << "the appends were not made in place";
    int code = -1;
    const std::string test = Sh("unzip -tqq '" + archive + "'", &code);
    EXPECT_EQ(code, 0) << test;
    const std::vector<LibzipEntry> read = ReadWithLibzip(archive);
    ASSERT_EQ(read.size(), expected.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].name, expected[i].name);
        EXPECT_EQ(read[i].content, expected[i].content) << expected[i].name;
        EXPECT_EQ(read[i].comment, expected[i].comment) << expected[i].name;
    }
    // Stored and deflated as the switches ask; no journal left behind.
    EXPECT_THAT(Sh("zipinfo '" + archive + "' p0007.gif p0008.htm"), ::testing::AllOf(HasSubstr(" stor "), HasSubstr(" def")));
    EXPECT_FALSE(Exists(archive + ":journal"));
}

TEST_F(ZipAppend, CrossesIntoZip64AtTheEntryLimitAndStaysReadable) {
    {
        int error = 0;
        zip_t* z = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(z, nullptr);
        for (int i = 0; i < 65530; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "e/%05d", i);
            zip_source_t* s = zip_source_buffer(z, "content", 7, 0);
            ASSERT_GE(zip_file_add(z, name, s, 0), 0);
        }
        ASSERT_EQ(zip_close(z), 0);
    }
    const ino_t inode = Inode(archive);
    for (int i = 0; i < 10; ++i) {
        const std::string name = "n" + std::to_string(i) + ".htm";
        Put(name, "page " + std::to_string(i));
        ASSERT_EQ(Add(name), 0) << name;
    }
    EXPECT_EQ(Inode(archive), inode);
    int code = -1;
    const std::string test = Sh("unzip -tqq '" + archive + "'", &code);
    EXPECT_EQ(code, 0) << test;
    const std::vector<LibzipEntry> read = ReadWithLibzip(archive, false);
    ASSERT_EQ(read.size(), 65540u);
    EXPECT_EQ(read[65529].name, "e/65529");
    EXPECT_EQ(read[65539].name, "n9.htm");
    EXPECT_EQ(Sh("unzip -p '" + archive + "' n4.htm"), "page 4");
    EXPECT_EQ(Sh("unzip -p '" + archive + "' e/00004"), "content");
}

TEST_F(ZipAppend, AppendsPastFourGibibytesWithZip64Offsets) {
    // 4.5 GiB of zeros as a hole: the new entry's header lies beyond every 32-bit offset.
    ASSERT_TRUE(WriteSparseZip(archive, {{"zeros.bin", (uint64_t{9} << 29)}, {"small.txt", 0}}));
    const ino_t inode = Inode(archive);
    Put("after.htm", "after four gibibytes");
    ASSERT_EQ(Add("after.htm"), 0);
    EXPECT_EQ(Inode(archive), inode);
    int code = -1;
    const std::string test = Sh("unzip -t '" + archive + "' after.htm small.txt", &code);
    EXPECT_EQ(code, 0) << test;
    EXPECT_EQ(Sh("unzip -p '" + archive + "' after.htm"), "after four gibibytes");
    int error = 0;
    zip_t* z = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    ASSERT_NE(z, nullptr) << error;
    EXPECT_EQ(zip_get_num_entries(z, 0), 3);
    zip_file_t* f = zip_fopen(z, "after.htm", 0);
    ASSERT_NE(f, nullptr);
    char buffer[64] = {0};
    EXPECT_EQ(zip_fread(f, buffer, sizeof buffer), 20);
    EXPECT_STREQ(buffer, "after four gibibytes");
    zip_fclose(f);
    zip_discard(z);
}

TEST_F(ZipAppend, KeepsTheArchiveCommentAndReplacesNamesTheLibzipWay) {
    Put("a.htm", "first a");
    Put("b.htm", "b");
    ASSERT_EQ(Sh("cd '" + scratch / "src" + "' && zip -q '" + archive + "' a.htm && printf 'Archive note\\n' | zip -q -z '" + archive + "'"), "");
    const ino_t inode = Inode(archive);
    ASSERT_EQ(Add("b.htm"), 0);
    EXPECT_EQ(Inode(archive), inode);
    EXPECT_THAT(Sh("zipnote '" + archive + "'"), HasSubstr("Archive note"));

    // A name already there: one record of it, with the new bytes, in place as well.
    Put("a.htm", "second a");
    ASSERT_EQ(Add("a.htm"), 0);
    EXPECT_EQ(Inode(archive), inode);
    EXPECT_EQ(Sh("zipinfo -1 '" + archive + "'"), "a.htm\nb.htm\n");
    EXPECT_EQ(Sh("unzip -p '" + archive + "' a.htm"), "second a");
    EXPECT_THAT(Sh("zipnote '" + archive + "'"), HasSubstr("Archive note"));
}

TEST_F(ZipAppend, ForeignOrDamagedArchivesAreNotAppendedTo) {
    Put("a.htm", "a");
    Put("b.htm", "b");
    // A self-extractor-like prefix before the first entry: libzip's path adds, unzip still reads it.
    const std::string prefixed = scratch / "prefixed.zip";
    ASSERT_EQ(Sh("cd '" + scratch / "src" + "' && zip -q base.zip a.htm && head -c 3000 /dev/urandom > '" + prefixed +
                 "' && cat base.zip >> '" + prefixed + "' && zip -qA '" + prefixed + "'"),
              "");
    const ino_t inode = Inode(prefixed);
    EXPECT_EQ(Add("b.htm", Titles(), prefixed), 0);
    EXPECT_NE(Inode(prefixed), inode);
    int code = -1;
    Sh("unzip -tqq '" + prefixed + "'", &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Sh("unzip -p '" + prefixed + "' b.htm"), "b");

    // A damaged directory record: no guess, the archive stays byte for byte.
    const std::string damaged = scratch / "damaged.zip";
    std::string bytes = ReadFile(scratch / "src/base.zip");
    const std::size_t record = bytes.find(std::string("PK\1\2", 4));
    ASSERT_NE(record, std::string::npos);
    bytes[record + 28] = '\x7F';  // name length beyond the directory
    WriteFile(damaged, bytes);
    EXPECT_NE(Add("b.htm", Titles(), damaged), 0);
    EXPECT_EQ(ReadFile(damaged), bytes);
}

TEST_F(ZipAppend, FlagsUtf8OnlyForStrictlyValidNames) {
    const std::vector<std::string> names = {"caf\xC3\xA9.htm", "over\xC0\xAF.htm", "sur\xED\xA0\x80.htm", "plain.htm"};
    Put("first.htm", "x");
    ASSERT_EQ(Add("first.htm", nullptr), 0);
    for (const std::string& name : names) {
        Put(name, name);
        ASSERT_EQ(Add(name, nullptr), 0);
    }
    // Python's reader refuses a whole archive when one flagged name is not UTF-8.
    int code = -1;
    const std::string flags = Sh("python3 -c \"import zipfile,sys; print(' '.join(str(i.flag_bits >> 11 & 1) for i in "
                                 "zipfile.ZipFile(sys.argv[1]).infolist()))\" '" + archive + "'", &code);
    EXPECT_EQ(code, 0) << flags;
    EXPECT_EQ(flags, "0 1 0 0 0\n");
    const std::vector<LibzipEntry> read = ReadWithLibzip(archive);
    ASSERT_EQ(read.size(), 5u);
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(read[i + 1].content, names[i]);
}

// A child that appends a file of 3 MiB and dies at the first status message: the journal is out
// and the old directory is already overwritten by then.
void KillMidAppend(ZipDriver& driver, const std::string& archive, const std::string& file) {
    const pid_t pid = fork();
    if (pid == 0) {
        driver.Zip({"", "-0", "-g", archive, "-W", file}, [](int message, void*) {
            if (message == XCD_MSG_STATUS) _exit(0);
            return false;
        });
        _exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child did not reach its status message";
}

TEST_F(ZipAppend, JournalRollsBackAKilledAppendAndSetsAsideAForeignOne) {
    for (const char* name : {"a.htm", "b.htm"}) {
        Put(name, name);
        ASSERT_EQ(Add(name), 0);
    }
    const std::string other = scratch / "other.zip";
    ASSERT_EQ(Sh("cp '" + archive + "' '" + other + "'"), "");
    Put("c.htm", "c");
    ASSERT_EQ(Add("c.htm", Titles(), other), 0);
    const std::string before = ReadFile(archive), other_before = ReadFile(other);

    Put("big.bin", Pseudo(3 << 20, 5));
    KillMidAppend(driver, archive, "big.bin");
    ASSERT_TRUE(Exists(archive + ":journal"));
    EXPECT_NE(ReadFile(archive), before);
    // The same journal beside an archive it was not written for.
    ASSERT_EQ(Sh("cp '" + archive + ":journal' '" + other + ":journal'"), "");

    EXPECT_THAT(driver.ListNames(archive), ElementsAreArray({"a.htm", "b.htm"}));
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_FALSE(Exists(archive + ":journal"));

    EXPECT_THAT(driver.ListNames(other), ElementsAreArray({"a.htm", "b.htm", "c.htm"}));
    EXPECT_EQ(ReadFile(other), other_before);
    EXPECT_FALSE(Exists(other + ":journal"));
    EXPECT_TRUE(Exists(other + ":journal.bad"));

    // The rewriting path rolls back first too, then deletes.
    KillMidAppend(driver, archive, "big.bin");
    ASSERT_EQ(driver.Zip({"", "-d", archive, "a.htm"}), 0);
    EXPECT_EQ(Sh("zipinfo -1 '" + archive + "'"), "b.htm\n");
    EXPECT_FALSE(Exists(archive + ":journal"));
}

TEST_F(ZipAppend, OpenersWaitForAnAppendUnderWay) {
    Put("a.htm", "a");
    ASSERT_EQ(Add("a.htm"), 0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        zipdll::JournalLock lock(archive);
        if (!lock.Acquire(true)) _exit(1);
        if (write(ready[1], "L", 1) != 1) _exit(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        WriteFile(archive + ".released", "");
        lock.Release(true);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    EXPECT_THAT(driver.ListNames(archive), ElementsAreArray({"a.htm"}));
    EXPECT_TRUE(Exists(archive + ".released")) << "the listing did not wait for the lock";
    int status = 0;
    waitpid(pid, &status, 0);
    close(ready[0]);
    close(ready[1]);
}

// The crash test: a child appends in a loop and is killed at random moments.
TEST(ZipAppendCrash, FiftyKillsLeaveTheArchiveWholeWithExactlyTheEntriesAdded) {
    ScratchFolder scratch("/dev/shm");
    ZipDriver driver;
    const std::string archive = scratch / "crash.zip";
    ScratchFolder::Shell("mkdir -p '" + scratch / "src" + "'");
    std::vector<std::string> expected;
    {
        int error = 0;
        zip_t* z = zip_open(archive.c_str(), ZIP_CREATE, &error);
        ASSERT_NE(z, nullptr);
        for (int i = 0; i < 300; ++i) {
            expected.push_back("base/" + std::to_string(i));
            zip_source_t* s = zip_source_buffer(z, "base", 4, 0);
            ASSERT_GE(zip_file_add(z, expected.back().c_str(), s, 0), 0);
        }
        ASSERT_EQ(zip_close(z), 0);
    }
    driver.SetBaseFolder((scratch / "src").c_str());
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    int next = 0, journals = 0;
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const KilledRun run = RunAndKill(next, [&](int i) {
            const std::string name = "c" + std::to_string(i) + ".htm";
            WriteFile(scratch / ("src/" + name), Pseudo(1000 + static_cast<std::size_t>(i) * 7919 % 200000, static_cast<unsigned>(i)));
            return driver.Zip({"", "-6", "-g", archive, "-W", name}) == 0;
        }, random);
        ASSERT_TRUE(run.killed) << "the child ended on its own";
        const int last_started = run.last_started, last_done = run.last_done;

        // Our opener rolls back what the kill left; then every reader agrees.
        journals += Exists(archive + ":journal") ? 1 : 0;
        int code = -1;
        const std::vector<std::string> names = driver.ListNames(archive, nullptr, &code);
        ASSERT_EQ(code, 0);
        EXPECT_FALSE(Exists(archive + ":journal"));
        const std::string test = Sh("unzip -tqq '" + archive + "'", &code);
        ASSERT_EQ(code, 0) << test;
        for (int i = next; i <= last_done; ++i) expected.push_back("c" + std::to_string(i) + ".htm");
        if (names.size() == expected.size() + 1 && last_started == last_done + 1)
            expected.push_back("c" + std::to_string(last_started) + ".htm");
        ASSERT_THAT(names, ElementsAreArray(expected));
        ASSERT_EQ(ReadWithLibzip(archive).size(), expected.size());
        next = std::max(last_started, last_done) + 1;
    }
    EXPECT_GE(next, 50) << "every round began an append";
    std::printf("%d appends; %d kills left a journal\n", next, journals);
}

}  // namespace
}  // namespace corvane::testing
