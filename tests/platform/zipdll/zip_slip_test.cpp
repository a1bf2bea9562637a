// Hostile archives made at test time: names that climb out of the target, absolute and drive
// names, symbolic link entries and links already in the target. Nothing may be written outside
// the target, no link may be created, and the result says files were skipped.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include "tests/platform/zipdll/zip_driver.h"

namespace corvane::testing {
namespace {

struct Entry {
    std::string name;
    std::string content;
    bool symlink = false;
};

void MakeArchive(const std::string& path, const std::vector<Entry>& entries) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const Entry& e : entries) {
        zip_source_t* source = zip_source_buffer(archive, e.content.data(), e.content.size(), 0);
        const zip_int64_t index = zip_file_add(archive, e.name.c_str(), source, ZIP_FL_ENC_RAW);
        ASSERT_GE(index, 0) << e.name;
        if (e.symlink)
            zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                             static_cast<zip_uint32_t>(S_IFLNK | 0777) << 16);
    }
    ASSERT_EQ(zip_close(archive), 0);
}

class ZipSlip : public ::testing::Test {
protected:
    ScratchFolder root;
    ZipDriver driver;
    std::string target = root / "deep/target";
    std::string outside = root / "outside";
    std::vector<std::pair<std::string, int>> skipped;

    void SetUp() override {
        ScratchFolder::Shell("mkdir -p '" + target + "' '" + outside + "'");
        WriteFile(outside + "/victim", "untouched");
    }

    int Extract(const std::string& archive, const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args{"", "-o", archive};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), {"-d", target});
        return driver.Unzip(args, [&](int message, void* data) {
            if (message == XCD_MSG_SKIPPING) {
                const auto* s = static_cast<XcdSkippingData*>(data);
                skipped.emplace_back(s->FileName, s->Reason);
            }
            return false;
        });
    }

    // Nothing outside the target changed: the scratch root holds only what the test made.
    void ExpectOutsideUntouched() {
        std::map<std::string, std::string> tree = Tree(root.Path());
        std::map<std::string, std::string> rest;
        for (const auto& [key, value] : tree)
            if (key.find("/deep/target/") == std::string::npos) rest[key] = value;
        EXPECT_EQ(rest, (std::map<std::string, std::string>{{"d /deep", ""},
                                                            {"d /deep/target", ""},
                                                            {"d /outside", ""},
                                                            {"f /outside/victim", "untouched"},
                                                            {"f /hostile.zip", ReadFile(root / "hostile.zip")}}));
    }

    int Links() {
        int count = 0;
        for (const auto& [key, value] : Tree(target))
            if (key.rfind("l ", 0) == 0) ++count;
        return count;
    }
};

TEST_F(ZipSlip, ClimbingNamesAreSkipped) {
    MakeArchive(root / "hostile.zip", {{"../e", "x"},
                                       {"a/../../e", "x"},
                                       {"..\\e", "x"},
                                       {"ok/../../../outside/victim", "x"},
                                       {"..", "x"},
                                       {"fine.txt", "fine"}});
    EXPECT_EQ(Extract(root / "hostile.zip"), XCD_WARN_SKIPPED);
    ExpectOutsideUntouched();
    EXPECT_EQ(Tree(target), (std::map<std::string, std::string>{{"f /fine.txt", "fine"}}));
    ASSERT_EQ(skipped.size(), 5u);
    for (const auto& [name, reason] : skipped) EXPECT_EQ(reason, XCD_SKIP_UNSAFE_PATH) << name;
}

TEST_F(ZipSlip, AbsoluteAndDriveNamesLandInsideTheTarget) {
    MakeArchive(root / "hostile.zip", {{root / "outside/abs", "abs"}, {"C:\\e", "drive"}, {"\\\\server\\share\\u", "unc"}});
    EXPECT_EQ(Extract(root / "hostile.zip"), 0);
    ExpectOutsideUntouched();
    const std::string inner = root.Path().substr(1) + "/outside/abs";
    EXPECT_EQ(ReadFile(target + "/" + inner), "abs");
    EXPECT_EQ(ReadFile(target + "/e"), "drive");
    EXPECT_EQ(ReadFile(target + "/server/share/u"), "unc");
}

TEST_F(ZipSlip, LinkEntriesAreNeverCreated) {
    MakeArchive(root / "hostile.zip", {{"link", "../../outside", true}, {"link/x", "through"}, {"abs", outside, true}});
    EXPECT_EQ(Extract(root / "hostile.zip"), XCD_WARN_SKIPPED);
    ExpectOutsideUntouched();
    EXPECT_EQ(Links(), 0);
    // "link/x" is an ordinary file in an ordinary folder once the link entry was refused.
    EXPECT_EQ(ReadFile(target + "/link/x"), "through");
    EXPECT_EQ(skipped.size(), 2u);
}

TEST_F(ZipSlip, ExistingLinksInTheTargetAreNotFollowed) {
    ASSERT_EQ(symlink(outside.c_str(), (target + "/pre").c_str()), 0);
    ASSERT_EQ(symlink((outside + "/victim").c_str(), (target + "/file").c_str()), 0);
    ScratchFolder::Shell("mkdir -p '" + target + "/sub'");
    ASSERT_EQ(symlink(outside.c_str(), (target + "/sub/down").c_str()), 0);
    MakeArchive(root / "hostile.zip", {{"pre/victim", "overwritten"},
                                       {"pre/new", "planted"},
                                       {"file", "overwritten"},
                                       {"sub/down/x", "planted"},
                                       {"pre/", ""},
                                       {"safe/y", "safe"}});
    EXPECT_EQ(Extract(root / "hostile.zip"), XCD_WARN_SKIPPED);
    ExpectOutsideUntouched();
    EXPECT_EQ(Links(), 3) << "only the links the test made";
    EXPECT_EQ(ReadFile(target + "/safe/y"), "safe");
    EXPECT_EQ(skipped.size(), 5u);
    for (const auto& [name, reason] : skipped) EXPECT_EQ(reason, XCD_SKIP_SYMLINK) << name;
}

TEST_F(ZipSlip, OverlongNamesAreSkippedNotCut) {
    // Cut to the name buffer this would still be a valid path, to another file.
    std::string deep;
    for (int i = 0; i < 2040; ++i) deep += "a/";
    deep += "file.txt.evil.bin";
    MakeArchive(root / "hostile.zip", {{deep, "long"}, {"ok", "ok"}});
    EXPECT_EQ(Extract(root / "hostile.zip"), XCD_WARN_SKIPPED);
    ExpectOutsideUntouched();
    EXPECT_EQ(Tree(target), (std::map<std::string, std::string>{{"f /ok", "ok"}}));
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].first.size(), size_t{XCD_NAME_SIZE - 1});
}

TEST_F(ZipSlip, JunkedPathsStayInside) {
    MakeArchive(root / "hostile.zip", {{"../../x/../e", "climb"}, {"a/b/c.txt", "c"}});
    EXPECT_EQ(driver.Unzip({"", "-j", "-o", root / "hostile.zip", "-d", target}), XCD_WARN_SKIPPED);
    ExpectOutsideUntouched();
    EXPECT_EQ(Tree(target), (std::map<std::string, std::string>{{"f /c.txt", "c"}}));
}

}  // namespace
}  // namespace corvane::testing
