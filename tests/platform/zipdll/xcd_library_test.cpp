// The zip libraries' own rules: switch grammar, name matching, overwrite and password answers,
// the stop answer, and the result codes the archive window interprets.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "platform/zipdll/zipdll_common.h"
#include "tests/platform/zipdll/zip_driver.h"

namespace corvane::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

class XcdLibrary : public ::testing::Test {
protected:
    ScratchFolder scratch;
    ZipDriver driver;
    std::string archive = scratch / "a.zip";

    void SetUp() override {
        ScratchFolder::Shell("mkdir -p '" + scratch / "src/sub" + "'");
        WriteFile(scratch / "src/a.htm", "page a");
        WriteFile(scratch / "src/B.GIF", "image b");
        WriteFile(scratch / "src/README", "no dot");
        WriteFile(scratch / "src/sub/c.htm", "page c");
        WriteFile(scratch / "src/.hidden", "hidden");
    }

    std::vector<std::string> Names() {
        std::vector<std::string> names = driver.ListNames(archive);
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(XcdLibrary, MalformedVectorsAreRefused) {
    EXPECT_EQ(driver.Zip({"", "-q", archive, "x"}), XCD_ERR_BAD_ARGUMENTS);
    EXPECT_EQ(driver.Zip({"", "-t", "31022020", archive, "x"}), XCD_ERR_BAD_ARGUMENTS);
    EXPECT_EQ(driver.Zip({"", "-b"}), XCD_ERR_BAD_ARGUMENTS);
    EXPECT_EQ(driver.Zip({"", "-6"}), XCD_ERR_BAD_ARGUMENTS) << "no archive";
    EXPECT_EQ(driver.Unzip({"", "-1x", archive}), XCD_ERR_BAD_ARGUMENTS);
    EXPECT_EQ(driver.Unzip({"", archive, "-d"}), XCD_ERR_BAD_ARGUMENTS);
    EXPECT_EQ(driver.Unzip({"x", archive}, nullptr, 1), XCD_ERR_BAD_ARGUMENTS);
    EXPECT_FALSE(Exists(archive));
}

TEST_F(XcdLibrary, WhatCannotExistHereFails) {
    WorkingFolder cwd(scratch.Path());
    EXPECT_EQ(driver.Zip({"", "-6", "-!", archive, "-W", "src"}), XCD_ERR_UNSUPPORTED);
    EXPECT_EQ(driver.Zip({"", "-6", "-$", archive, "-W", "src"}), XCD_ERR_UNSUPPORTED);
    EXPECT_EQ(driver.Zip({"", "-M", "-X", "stub", "b", "c", archive}), XCD_ERR_UNSUPPORTED);
    EXPECT_EQ(driver.Unzip({"", "-!", archive}), XCD_ERR_UNSUPPORTED);
    EXPECT_EQ(driver.Unzip({"1234567890", archive}, nullptr, 1), XCD_ERR_UNSUPPORTED);
    // Hints are accepted and change nothing.
    EXPECT_EQ(driver.Zip({"", "-g", "-&", "-b", "/nonexistent", "-6", archive, "-W", "src/a.htm"}), 0);
}

TEST_F(XcdLibrary, ArchiveStateResults) {
    int code = 0;
    driver.ListNames(archive, nullptr, &code);
    EXPECT_EQ(code, XCD_ERR_NOT_FOUND);
    EXPECT_EQ(driver.Unzip({"0", archive}, nullptr, 1), XCD_ERR_NOT_FOUND);
    EXPECT_EQ(driver.Zip({"", "-d", archive, "x"}), XCD_ERR_NOT_FOUND);
    EXPECT_EQ(driver.Zip({"", "-f", archive, "-W", "x"}), XCD_ERR_NOT_FOUND);

    WriteFile(archive, "this is no zip archive at all, just some text");
    driver.ListNames(archive, nullptr, &code);
    EXPECT_EQ(code, XCD_ERR_CORRUPT);
    EXPECT_EQ(driver.Zip({"", "-6", archive, "-W", scratch / "src/a.htm"}), XCD_ERR_CORRUPT);
    EXPECT_EQ(ReadFile(archive), "this is no zip archive at all, just some text") << "a damaged archive is left alone";

    // The end record of an empty archive.
    WriteFile(archive, std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    driver.ListNames(archive, nullptr, &code);
    EXPECT_EQ(code, XCD_WARN_EMPTY);
    EXPECT_EQ(driver.Unzip({"", archive, "-d", scratch / "out"}), XCD_WARN_EMPTY);
    uint32_t count = 99;
    EXPECT_EQ(driver.Unzip({"0", archive}, [&](int m, void* d) {
        if (m == XCD_MSG_FILE_COUNT) count = *static_cast<uint32_t*>(d);
        return false;
    }, 1), 0);
    EXPECT_EQ(count, 0u);

    chmod(archive.c_str(), 0);
    if (geteuid() != 0) {
        EXPECT_EQ(driver.Unzip({"", "-v", archive}), XCD_ERR_ACCESS);
    }
}

TEST_F(XcdLibrary, NameMatchingRules) {
    WorkingFolder cwd(scratch.Path());
    ASSERT_EQ(driver.Zip({"", "-6", "-r", "-D", archive, "-W", "src"}), 0);
    EXPECT_THAT(Names(), ElementsAre("src/", "src/B.GIF", "src/README", "src/a.htm", "src/sub/", "src/sub/c.htm"))
        << "hidden files only with -S; folders with -D";

    std::vector<std::string> listed;
    auto collect = [&](int m, void* d) {
        if (m == XCD_MSG_LISTING) listed.emplace_back(static_cast<XcdFileRecord*>(d)->Name);
        return false;
    };
    // "*.*" takes names without a dot too; "*" spans folders; "\" separates; case is ignored.
    driver.Unzip({"", "-v", archive, "SRC\\*.*"}, collect);
    EXPECT_EQ(listed.size(), 6u);
    listed.clear();
    driver.Unzip({"", "-v", archive, "*.HTM", "-x", "*/sub/*"}, collect);
    EXPECT_THAT(listed, ElementsAre("src/a.htm"));
    listed.clear();
    driver.Unzip({"", "-v", "-11", "-22", archive}, collect);
    EXPECT_THAT(listed, ElementsAre("src/B.GIF", "src/README")) << "entries 1 to 2";
    listed.clear();
    EXPECT_EQ(driver.Unzip({"", "-v", archive, "nothing*"}, collect), XCD_WARN_NOTHING_TO_DO);

    // Add side: includes and excludes; a wildcard below a folder.
    ASSERT_EQ(driver.Zip({"", "-6", "-r", "-S", scratch / "b.zip", "-W", "src", "-i", "*.htm", "*hidden", "-x", "*/sub/*"}), 0);
    EXPECT_THAT(driver.ListNames(scratch / "b.zip"), UnorderedElementsAre("src/.hidden", "src/a.htm"));
    ASSERT_EQ(driver.Zip({"", "-6", scratch / "c.zip", "-W", "src/*.htm"}), 0);
    EXPECT_THAT(driver.ListNames(scratch / "c.zip"), ElementsAre("src/a.htm")) << "no recursion without -r";
}

TEST_F(XcdLibrary, AddSwitches) {
    WorkingFolder cwd(scratch.Path());
    // Stored suffixes compare without case; level 0 stores everything.
    std::map<std::string, int> methods;
    auto method = [&](int m, void* d) {
        if (m == XCD_MSG_LISTING) {
            const auto* r = static_cast<XcdFileRecord*>(d);
            methods[r->Name] = r->Method;
        }
        return false;
    };
    ASSERT_EQ(driver.Zip({"", "-9", "-n", ".gif;.Zip", archive, "-W", "src/B.GIF", "src/a.htm"}), 0);
    driver.Unzip({"", "-v", archive}, method);
    EXPECT_EQ(methods["src/B.GIF"], 0);
    EXPECT_EQ(methods["src/a.htm"], 8);

    // Without paths two files may not become one entry.
    WriteFile(scratch / "src/sub/a.htm", "other a");
    const std::string before = ReadFile(archive);
    EXPECT_EQ(driver.Zip({"", "-6", "-j", archive, "-W", "src/a.htm", "src/sub/a.htm"}), XCD_ERR_NAMES_REPEATED);
    EXPECT_EQ(ReadFile(archive), before);
    ASSERT_EQ(driver.Zip({"", "-6", "-j", scratch / "j.zip", "-W", "src/sub/c.htm"}), 0);
    EXPECT_THAT(driver.ListNames(scratch / "j.zip"), ElementsAre("c.htm"));

    // The date filter leaves out older files.
    const struct utimbuf old{1000000000, 1000000000};
    utime((scratch / "src/README").c_str(), &old);
    ASSERT_EQ(driver.Zip({"", "-6", "-t", "01012010", scratch / "t.zip", "-W", "src/README", "src/a.htm"}), 0);
    EXPECT_THAT(driver.ListNames(scratch / "t.zip"), ElementsAre("src/a.htm"));

    // Moving deletes the sources once the archive is written; a missing file is skipped.
    std::vector<std::string> skipped;
    EXPECT_EQ(driver.Zip({"", "-6", "-m", scratch / "m.zip", "-W", "src/a.htm", "src/missing.htm"}, [&](int m, void* d) {
        if (m == XCD_MSG_SKIPPING) skipped.emplace_back(static_cast<XcdSkippingData*>(d)->FileName);
        return false;
    }), XCD_WARN_SKIPPED);
    EXPECT_THAT(skipped, ElementsAre("src/missing.htm"));
    EXPECT_FALSE(Exists(scratch / "src/a.htm"));
    EXPECT_THAT(driver.ListNames(scratch / "m.zip"), ElementsAre("src/a.htm"));
    EXPECT_EQ(driver.Zip({"", "-6", scratch / "n.zip", "-W", "src/none*"}), XCD_WARN_NOTHING_TO_DO);
    EXPECT_FALSE(Exists(scratch / "n.zip"));
}

TEST_F(XcdLibrary, StopLeavesTheArchiveAsItWas) {
    WorkingFolder cwd(scratch.Path());
    ASSERT_EQ(driver.Zip({"", "-6", archive, "-W", "src/a.htm"}), 0);
    const std::string before = ReadFile(archive);
    for (int stopAt : {XCD_MSG_ADDING, XCD_MSG_FILE_COMMENT, XCD_MSG_STATUS}) {
        EXPECT_EQ(driver.Zip({"", "-6", "-r", archive, "-W", "src"}, [&](int m, void*) { return m == stopAt; }),
                  XCD_ERR_STOPPED)
            << stopAt;
        EXPECT_EQ(ReadFile(archive), before);
    }
    EXPECT_EQ(driver.Zip({"", "-d", archive, "*"}, [](int m, void*) { return m == XCD_MSG_DELETING; }), XCD_ERR_STOPPED);
    EXPECT_EQ(ReadFile(archive), before);

    ASSERT_EQ(driver.Zip({"", "-6", "-r", archive, "-W", "src"}), 0);
    int extracted = 0;
    EXPECT_EQ(driver.Unzip({"", archive, "-d", scratch / "out"}, [&](int m, void*) {
        return m == XCD_MSG_EXTRACTING && ++extracted == 2;
    }), XCD_ERR_STOPPED);
    EXPECT_EQ(Tree(scratch / "out").size(), 2u) << "one file and its folder; the second never started";
}

TEST_F(XcdLibrary, OverwriteAnswers) {
    WorkingFolder cwd(scratch.Path());
    ASSERT_EQ(driver.Zip({"", "-6", archive, "-W", "src/a.htm", "src/B.GIF", "src/README"}), 0);
    const std::string out = scratch / "out";
    ScratchFolder::Shell("mkdir -p '" + out + "/src'");
    for (const char* name : {"a.htm", "B.GIF", "README"}) WriteFile(out + "/src/" + name, "old");

    std::vector<std::string> asked;
    std::vector<uint8_t> answers{XCD_REPLACE_NO, XCD_REPLACE_YES, XCD_REPLACE_NO};
    ASSERT_EQ(driver.Unzip({"", archive, "-d", out}, [&](int m, void* d) {
        if (m == XCD_MSG_REPLACE) {
            auto* r = static_cast<XcdReplaceData*>(d);
            EXPECT_EQ(r->Answer, XCD_REPLACE_NO) << "the default keeps the file";
            r->Answer = answers[asked.size()];
            asked.emplace_back(r->ExistingName);
        }
        return false;
    }), 0);
    EXPECT_THAT(asked, ElementsAre("src/a.htm", "src/B.GIF", "src/README"));
    EXPECT_EQ(ReadFile(out + "/src/a.htm"), "old");
    EXPECT_EQ(ReadFile(out + "/src/B.GIF"), "image b");

    // A new name from the answer is placed under the same rules as entry names.
    ASSERT_EQ(driver.Unzip({"", archive, "src/a.htm", "-d", out}, [&](int m, void* d) {
        if (m == XCD_MSG_REPLACE) {
            auto* r = static_cast<XcdReplaceData*>(d);
            std::snprintf(r->NewName, XCD_NAME_SIZE, "renamed/a.htm");
            r->Answer = XCD_REPLACE_YES;
        }
        return false;
    }), 0);
    EXPECT_EQ(ReadFile(out + "/renamed/a.htm"), "page a");

    // "All" answers once; "-n" never and "-o" always without asking.
    int asks = 0;
    auto all = [&](int m, void* d) {
        if (m == XCD_MSG_REPLACE) {
            ++asks;
            static_cast<XcdReplaceData*>(d)->Answer = XCD_REPLACE_ALL;
        }
        return false;
    };
    for (const char* name : {"a.htm", "B.GIF", "README"}) WriteFile(out + "/src/" + name, "old");
    ASSERT_EQ(driver.Unzip({"", "-n", archive, "-d", out}, all), 0);
    EXPECT_EQ(ReadFile(out + "/src/README"), "old");
    ASSERT_EQ(driver.Unzip({"", archive, "-d", out}, all), 0);
    EXPECT_EQ(asks, 1);
    EXPECT_EQ(ReadFile(out + "/src/README"), "no dot");
}

TEST_F(XcdLibrary, FreshenAndUpdateOnExtract) {
    WorkingFolder cwd(scratch.Path());
    ASSERT_EQ(driver.Zip({"", "-6", archive, "-W", "src/a.htm", "src/B.GIF"}), 0);
    const std::string out = scratch / "out";
    ScratchFolder::Shell("mkdir -p '" + out + "/src'");
    WriteFile(out + "/src/a.htm", "older copy");
    const struct utimbuf old{1000000000, 1000000000};
    utime((out + "/src/a.htm").c_str(), &old);
    ASSERT_EQ(driver.Unzip({"", "-f", "-o", archive, "-d", out}), 0);
    EXPECT_EQ(ReadFile(out + "/src/a.htm"), "page a");
    EXPECT_FALSE(Exists(out + "/src/B.GIF")) << "freshen makes no new files";
    WriteFile(out + "/src/a.htm", "newer copy");
    ASSERT_EQ(driver.Unzip({"", "-u", "-o", archive, "-d", out}), 0);
    EXPECT_EQ(ReadFile(out + "/src/a.htm"), "newer copy");
    EXPECT_EQ(ReadFile(out + "/src/B.GIF"), "image b");
}

TEST_F(XcdLibrary, WrongPasswordsEndInASkip) {
    WorkingFolder cwd(scratch.Path());
    ScratchFolder::Shell("cd '" + scratch.Path() + "' && zip -q -P right enc.zip src/a.htm src/B.GIF");
    int asked = 0;
    std::vector<int> reasons;
    EXPECT_EQ(driver.Unzip({"wrong", "enc.zip", "-d", "out"}, [&](int m, void* d) {
        if (m == XCD_MSG_PASSWORD) {
            auto* p = static_cast<XcdPasswordData*>(d);
            ++asked;
            std::snprintf(p->Password, XCD_PASSWORD_SIZE, "still wrong");
            p->Answer = XCD_PASSWORD_EXTRACT;
        }
        if (m == XCD_MSG_SKIPPING) reasons.push_back(static_cast<XcdSkippingData*>(d)->Reason);
        return false;
    }), XCD_WARN_SKIPPED);
    EXPECT_EQ(asked, 10) << "a bounded number of tries per file";
    EXPECT_THAT(reasons, ElementsAre(XCD_SKIP_PASSWORD, XCD_SKIP_PASSWORD));
    EXPECT_FALSE(Exists(scratch / "out/src/a.htm"));
    // Giving up answers 0 and skips at once; the vector's password alone is enough.
    EXPECT_EQ(driver.Unzip({"", "enc.zip", "-d", "out"}), XCD_WARN_SKIPPED);
    EXPECT_EQ(driver.Unzip({"right", "enc.zip", "-d", "out"}), 0);
    EXPECT_EQ(ReadFile(scratch / "out/src/B.GIF"), "image b");
}

TEST_F(XcdLibrary, UnsupportedMethodsAreSkipped) {
    // Mark the one entry as strongly encrypted, a method libzip cannot read.
    WorkingFolder cwd(scratch.Path());
    ASSERT_EQ(driver.Zip({"", "-0", archive, "-W", "src/a.htm"}), 0);
    std::string bytes = ReadFile(archive);
    const std::size_t central = bytes.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    bytes[6] = static_cast<char>(bytes[6] | 0x41);
    bytes[central + 8] = static_cast<char>(bytes[central + 8] | 0x41);
    WriteFile(archive, bytes);
    std::vector<int> reasons;
    EXPECT_EQ(driver.Unzip({"pw", archive, "-d", "out"}, [&](int m, void* d) {
        if (m == XCD_MSG_SKIPPING) reasons.push_back(static_cast<XcdSkippingData*>(d)->Reason);
        return false;
    }), XCD_WARN_SKIPPED);
    EXPECT_THAT(reasons, ElementsAre(XCD_SKIP_UNSUPPORTED));
    EXPECT_FALSE(Exists(scratch / "out/src/a.htm"));
}

TEST_F(XcdLibrary, RecordsDescribeEntries) {
    WorkingFolder cwd(scratch.Path());
    std::string big(3 * 1024 * 1024, 'z');
    WriteFile(scratch / "src/big.txt", big);
    chmod((scratch / "src/B.GIF").c_str(), 0444);
    ASSERT_EQ(driver.Zip({"", "-6", "-D", "-r", archive, "-W", "src/sub", "src/big.txt", "src/B.GIF"}), 0);
    std::map<std::string, XcdFileRecord> records;
    ASSERT_EQ(driver.Unzip({"", "-v", archive}, [&](int m, void* d) {
        if (m == XCD_MSG_LISTING) records[static_cast<XcdFileRecord*>(d)->Name] = *static_cast<XcdFileRecord*>(d);
        return false;
    }), 0);
    ASSERT_EQ(records.count("src/big.txt"), 1u);
    EXPECT_EQ(records["src/big.txt"].Size, big.size());
    EXPECT_GT(records["src/big.txt"].Ratio, 90);
    EXPECT_EQ(records["src/sub/"].Attributes & XCD_ATTR_DIRECTORY, XCD_ATTR_DIRECTORY);
    EXPECT_EQ(records["src/B.GIF"].Attributes & XCD_ATTR_READONLY, XCD_ATTR_READONLY);

    // Entry information by number, and progress on a large file.
    XcdFileRecord info{};
    std::string infoName;
    ASSERT_EQ(driver.Unzip({"2", archive}, [&](int m, void* d) {
        if (m == XCD_MSG_FILE_INFO) {
            info = *static_cast<XcdFileRecord*>(d);
            infoName = info.Name;
        }
        return false;
    }, 1), 0);
    EXPECT_EQ(infoName, driver.ListNames(archive)[1]);
    EXPECT_EQ(driver.Unzip({"99", archive}, nullptr, 1), XCD_WARN_NOTHING_TO_DO);
    int statuses = 0;
    ASSERT_EQ(driver.Unzip({"", archive, "src/big.txt", "-d", "out"}, [&](int m, void*) {
        statuses += m == XCD_MSG_STATUS;
        return false;
    }), 0);
    EXPECT_GE(statuses, 2);
    EXPECT_EQ(ReadFile(scratch / "out/src/big.txt"), big);
}

TEST_F(XcdLibrary, ReplacingACommentedEntryTakesTheNewComment) {
    // libzip 1.7 freed the old comment here once the entry's data had been replaced.
    WorkingFolder cwd(scratch.Path());
    std::string comment = "first";
    auto answer = [&](int m, void* d) {
        if (m == XCD_MSG_FILE_COMMENT) {
            auto* c = static_cast<XcdFileCommentData*>(d);
            zipdll::CopyBounded(c->Comment, XCD_COMMENT_SIZE, comment);
            c->Length = static_cast<uint8_t>(comment.size());
        }
        return false;
    };
    ASSERT_EQ(driver.Zip({"", "-6", archive, "-W", "src/a.htm"}, answer), 0);
    comment = "second";
    ASSERT_EQ(driver.Zip({"", "-6", archive, "-W", "src/a.htm"}, answer), 0);
    comment.clear();
    ASSERT_EQ(driver.Zip({"", "-6", archive, "-W", "src/a.htm", "src/README"}, answer), 0);
    std::map<std::string, std::string> comments;
    driver.ListNames(archive, &comments);
    EXPECT_EQ(comments["src/a.htm"], "second") << "an empty answer keeps the comment";
    EXPECT_EQ(ScratchFolder::Shell("unzip -tq '" + archive + "' >/dev/null"), 0);
}

}  // namespace
}  // namespace corvane::testing
