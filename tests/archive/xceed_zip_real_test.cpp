// The zip component over our real zip libraries: the round trip the archive window makes.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "archive/xceed_zip.h"
#include "archive/zip_paths.h"
#include "tests/platform/zipdll/zip_driver.h"

namespace corvane {
namespace {

using ::testing::ElementsAre;
using testing::ReadFile;
using testing::ScratchFolder;
using testing::WriteFile;

class XceedZipReal : public ::testing::Test {
protected:
    ScratchFolder scratch;
    TXceedZipPtr zip = TXceedZip::Create();
    std::string capture = scratch / "Corvane";

    void SetUp() override {
        SetZipLibraryFolder(CORVANE_ZIPDLL_DIR);
        ScratchFolder::Shell("mkdir -p '" + capture + "/site/img'");
        WriteFile(capture + "/site/page.htm", "<html>page</html>");
        WriteFile(capture + "/site/img/a.gif", "GIF89a....");
        zip->ZipFileName = scratch / "task.zip";
    }
    void TearDown() override { SetZipLibraryFolder(""); }
};

TEST_F(XceedZipReal, CaptureAddListExtractDelete) {
    testing::WorkingFolder cwd(capture);
    std::map<std::string, std::string> titles{{"site/page.htm", "The Page"}, {"site/img/a.gif", ""}};
    zip->OnFileComment = [&](TXceedZip&, TXcdFileComment& c) { c.Comment = titles[c.FileName]; };
    for (const char* file : {"/site/page.htm", "/site/img/a.gif"}) {
        zip->FilesToProcess.Add(RelativePath(capture + file, capture));
        ASSERT_EQ(zip->Add(0), 0);
    }
    EXPECT_EQ(zip->GetFileCount(), 2);

    std::vector<std::string> listed;
    zip->OnListing = [&](TXceedZip&, const TXcdFileStats& s) { listed.push_back(s.FileName + "|" + s.Comment); };
    zip->FilesToProcess.Add("*.*");
    ASSERT_EQ(zip->List(), 0);
    EXPECT_THAT(listed, ElementsAre("site/page.htm|The Page", "site/img/a.gif|"));
    EXPECT_EQ(zip->GetFileInfo(1).FileName, "site/img/a.gif");
    EXPECT_GT(zip->GetFileInfo(0).DateTime, EncodeDate(2000, 1, 1));

    zip->ExtractDirectory = scratch / "out";
    zip->Overwrite = xowAlways;
    zip->FilesToProcess.Add("site\\*.*");
    ASSERT_EQ(zip->Extract(0), 0);
    EXPECT_EQ(ReadFile(scratch / "out/site/img/a.gif"), "GIF89a....");

    zip->FilesToProcess.Add("site\\img\\*.*");
    std::vector<std::string> deleted;
    zip->OnDeleting = [&](TXceedZip&, const std::string& name) { deleted.push_back(name); };
    ASSERT_EQ(zip->Delete(), 0);
    EXPECT_THAT(deleted, ElementsAre("site/img/a.gif"));
    EXPECT_EQ(zip->GetFileCount(), 1);
}

TEST_F(XceedZipReal, PasswordProtectedRoundTrip) {
    testing::WorkingFolder cwd(capture);
    zip->Password = "pw";
    zip->FilesToProcess.Add("site/page.htm");
    ASSERT_EQ(zip->Add(0), 0);
    EXPECT_EQ(ScratchFolder::Shell("unzip -P pw -t '" + zip->ZipFileName + "' >/dev/null"), 0);

    // A wrong password is sent once, refused, and the file skipped.
    zip->Password = "nope";
    zip->ExtractDirectory = scratch / "out";
    std::vector<int> reasons;
    zip->OnSkippingFile = [&](TXceedZip&, const TXcdSkipping& s) { reasons.push_back(s.Reason); };
    EXPECT_EQ(zip->Extract(0), XCD_WARN_SKIPPED);
    EXPECT_THAT(reasons, ElementsAre(XCD_SKIP_PASSWORD));

    zip->Password.clear();
    zip->OnPwdQuery = [](TXceedZip&, TXcdPwdQuery& q) {
        q.Password = "pw";
        q.Answer = 2;
    };
    EXPECT_EQ(zip->Extract(0), 0);
    EXPECT_EQ(ReadFile(scratch / "out/site/page.htm"), "<html>page</html>");
}

TEST_F(XceedZipReal, MissingArchiveResults) {
    EXPECT_EQ(zip->GetFileCount(), 0);
    EXPECT_EQ(zip->Extract(0), XCD_ERR_NOT_FOUND);
    EXPECT_EQ(zip->List(), XCD_ERR_NOT_FOUND);
}

}  // namespace
}  // namespace corvane
