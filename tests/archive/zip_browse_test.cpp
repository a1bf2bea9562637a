// Browsing an archive: one root per archive, paths that may be shown, and the extraction on a
// worker that marks an archive extracted only when it worked.

#include "archive/zip_browse.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "archive/zip_jobs.h"
#include "archive/zip_library.h"
#include "platform/rtl/wait_while_serving.h"
#include "platform/zipdll/xcdzip_api.h"
#include "tests/archive/hostile_archive.h"
#include "tests/platform/zipdll/zip_driver.h"

namespace corvane {
namespace {

using testing::ScratchFolder;

TEST(ZipBrowse, EachArchiveHasItsOwnRoot) {
    TZipObj one, two, running;
    one.ZipFileName = "/data/a.zip";
    two.ZipFileName = "/data/A.zip";
    running.ZipFileName = "/data/a.zip";
    running.BrowseRoot = "/capture/Corvane";
    const std::string root = BrowseRootFor(one, "/tmp/Corvane/");
    EXPECT_THAT(root, ::testing::MatchesRegex("/tmp/Corvane/Browse/[0-9a-f]{16}/"));
    EXPECT_NE(BrowseRootFor(two, "/tmp/Corvane/"), root);
    EXPECT_EQ(BrowseRootFor(one, "/tmp/Corvane"), root);
    EXPECT_EQ(BrowseRootFor(running, "/tmp/Corvane/"), "/capture/Corvane/");
}

TEST(ZipBrowse, SafeBrowsePathRefusesWhatLeavesTheRoot) {
    ScratchFolder scratch;
    const std::string root = scratch / "root";
    ScratchFolder::Shell("mkdir -p '" + root + "/sub' '" + scratch.Path() + "/out' && ln -s '" + scratch.Path() +
                         "/out' '" + root + "/link' && ln -s ../out '" + root + "/sub/up'");
    testing::WriteFile(scratch / "out/secret.htm", "secret");
    testing::WriteFile(root + "/sub/page.htm", "page");
    EXPECT_EQ(SafeBrowsePath(root, "sub/page.htm"), root + "/sub/page.htm");
    EXPECT_EQ(SafeBrowsePath(root + "/", "sub\\page.htm"), root + "/sub/page.htm");
    EXPECT_EQ(SafeBrowsePath(root, "/new/x.htm"), root + "/new/x.htm") << "not there yet";
    for (const char* refused : {"../out/secret.htm", "sub/../../out/secret.htm", "..\\out\\secret.htm", "link/secret.htm",
                                "sub/up/secret.htm", "link", "", "./", "/"})
        EXPECT_EQ(SafeBrowsePath(root, refused), "") << refused;
    EXPECT_EQ(SafeBrowsePath(scratch / "link-root", "a.htm"), scratch / "link-root/a.htm");
    ScratchFolder::Shell("ln -s root '" + scratch.Path() + "/link-root'");
    EXPECT_EQ(SafeBrowsePath(scratch / "link-root", "sub/page.htm"), scratch / "link-root/sub/page.htm")
        << "the root itself may be reached through a link";
}

class ZipBrowseJob : public ::testing::Test {
protected:
    ScratchFolder scratch;
    std::shared_ptr<int> owner = std::make_shared<int>(0);
    TZipObj obj;

    void SetUp() override { SetZipLibraryFolder(CORVANE_ZIPDLL_DIR); }
    void TearDown() override {
        JoinZipJobs();
        SetZipLibraryFolder("");
    }
    int Run(const std::vector<std::string>& names, std::uint64_t size) {
        auto job = TZipExtractJob::Start(obj.ZipFileName, BrowseRootFor(obj, scratch / "temp"), names, size, owner);
        WaitWhileServing([&] { return job->Finished(); });
        if (BrowseExtractionDone(job->Result())) obj.Extracted = true;
        return job->Result();
    }
};

TEST_F(ZipBrowseJob, ExtractsTheNamedEntriesBelowTheArchivesRoot) {
    obj.ZipFileName = scratch / "site.zip";
    testing::MakeZip(obj.ZipFileName, {{"www/index.htm", "new"}, {"www/a.gif", "gif"}, {"../evil.htm", "x"}});
    const std::string root = BrowseRootFor(obj, scratch / "temp");
    ScratchFolder::Shell("mkdir -p '" + root + "www'");
    testing::WriteFile(root + "www/index.htm", "old");
    EXPECT_EQ(Run({"www/index.htm", "www/a.gif"}, 6), 0);
    EXPECT_TRUE(obj.Extracted);
    EXPECT_EQ(testing::ReadFile(SafeBrowsePath(root, "www/index.htm")), "new") << "overwritten";
    for (const auto& [path, content] : testing::Tree(scratch.Path())) EXPECT_EQ(path.find("evil"), std::string::npos);
}

TEST_F(ZipBrowseJob, FailureOrTooLittleSpaceLeavesItNotExtracted) {
    obj.ZipFileName = scratch / "broken.zip";
    testing::WriteFile(obj.ZipFileName, "PK\x03\x04 this is no archive");
    EXPECT_EQ(Run({"a.htm"}, 1), XCD_ERR_CORRUPT);
    EXPECT_FALSE(obj.Extracted);

    obj.ZipFileName = scratch / "big.zip";
    testing::MakeZip(obj.ZipFileName, {{"a.htm", "a"}});
    EXPECT_EQ(Run({"a.htm"}, std::uint64_t{1} << 62), XCD_ERR_DISK_FULL);
    EXPECT_FALSE(obj.Extracted);
    EXPECT_FALSE(testing::Exists(BrowseRootFor(obj, scratch / "temp") + "a.htm"));
}

}  // namespace
}  // namespace corvane
