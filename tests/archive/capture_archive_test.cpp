// The capture's archive over our real zip libraries, checked with Info-ZIP: entry names relative to
// the capture folder, titles as entry comments, one entry per file, and nothing from outside.

#include "archive/capture_archive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/support/file_routines.h"
#include "tests/platform/zipdll/zip_driver.h"

namespace corvane {
namespace {

using testing::ReadFile;
using testing::ScratchFolder;
using testing::WriteFile;

std::string Cwd() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

class XceedZipCapture : public ::testing::Test {
protected:
    ScratchFolder scratch;
    CaptureArchive archive;
    std::string capture = scratch / "temp/Corvane";
    std::string zipFile = scratch / "Downloads/site.zip";

    void SetUp() override {
        SetZipLibraryFolder(CORVANE_ZIPDLL_DIR);
        ScratchFolder::Shell("mkdir -p '" + capture + "/site/img' '" + capture + "/site/sub dir'");
        WriteFile(capture + "/site/index.htm", "<html>index</html>");
        WriteFile(capture + "/site/img/logo.gif", "GIF89a logo");
        WriteFile(capture + "/site/sub dir/page\xC2\xBFq=1.htm", "<html>query</html>");
        WriteFile(scratch / "secret.txt", "outside");
        ASSERT_TRUE(archive.OpenArchive(zipFile));
    }
    void TearDown() override { SetZipLibraryFolder(""); }

    std::string Shell(const std::string& command, int expectedCode = 0) {
        std::string out;
        EXPECT_EQ(ScratchFolder::Shell(command + " 2>&1", &out), expectedCode) << command << "\n" << out;
        return out;
    }
};

TEST_F(XceedZipCapture, CapturedFilesBecomeRelativeEntriesWithTitles) {
    const std::string cwd = Cwd();
    const std::string longTitle(300, 'T');
    ASSERT_EQ(archive.AddQueuedFile(zipFile, capture, capture + "/site/index.htm", "Home page"), 0);
    ASSERT_EQ(archive.AddQueuedFile(zipFile, capture, capture + "/site/img/logo.gif", ""), 0);
    EXPECT_TRUE(archive.AddToArchive(zipFile, capture + "/", capture + "/site/sub dir/page\xC2\xBFq=1.htm", longTitle));
    EXPECT_EQ(archive.LastResult().Outcome, 0);
    EXPECT_EQ(Cwd(), cwd);

    Shell("unzip -t '" + zipFile + "'");
    EXPECT_EQ(Shell("zipinfo -1 '" + zipFile + "'"), "site/index.htm\nsite/img/logo.gif\nsite/sub dir/page\xC2\xBFq=1.htm\n");
    const std::string notes = Shell("zipnote '" + zipFile + "'");
    EXPECT_NE(notes.find("@ site/index.htm\nHome page\n"), std::string::npos) << notes;
    EXPECT_NE(notes.find("\n" + std::string(255, 'T') + "\n"), std::string::npos) << "cut to 255";
    EXPECT_EQ(notes.find(std::string(256, 'T')), std::string::npos);
    EXPECT_EQ(Shell("unzip -p '" + zipFile + "' site/index.htm"), "<html>index</html>");

    // The same file again (fetched anew by an update) replaces its entry.
    WriteFile(capture + "/site/index.htm", "<html>index, updated</html>");
    ASSERT_EQ(archive.AddQueuedFile(zipFile, capture, capture + "/site/index.htm", "Home page"), 0);
    EXPECT_EQ(Shell("zipinfo -1 '" + zipFile + "' | grep -c index.htm"), "1\n");
    EXPECT_EQ(Shell("unzip -p '" + zipFile + "' site/index.htm"), "<html>index, updated</html>");
    Shell("unzip -t '" + zipFile + "'");
}

TEST_F(XceedZipCapture, FilesOutsideTheCaptureFolderStayOut) {
    ASSERT_EQ(symlink((scratch / "secret.txt").c_str(), (capture + "/site/link.htm").c_str()), 0);
    ASSERT_EQ(archive.AddQueuedFile(zipFile, capture, capture + "/site/index.htm", "Home"), 0);
    const std::string before = ReadFile(zipFile);
    for (const std::string& file : {scratch / "secret.txt", capture + "/../../secret.txt", capture + "/site/link.htm",
                                    scratch / "temp/CORVANE/site/index.htm"}) {
        EXPECT_FALSE(archive.AddToArchive(zipFile, capture, file, "x")) << file;
        EXPECT_EQ(archive.LastResult().Outcome, 1) << file;
        EXPECT_EQ(archive.LastResult().Message, "Some files were skipped while adding.");
    }
    EXPECT_EQ(ReadFile(zipFile), before);
    EXPECT_EQ(Shell("zipinfo -1 '" + zipFile + "'"), "site/index.htm\n");
}

TEST_F(XceedZipCapture, BusyWhileAddingAndAbortStops) {
    ASSERT_EQ(archive.AddQueuedFile(zipFile, capture, capture + "/site/index.htm", "Home"), 0);
    const std::string before = ReadFile(zipFile);
    EXPECT_FALSE(archive.ArchiveBusy());
    bool busyMeanwhile = false;
    archive.Zip().OnAdding = [&](TXceedZip&, const TXcdFileStats&) {
        busyMeanwhile = archive.ArchiveBusy();
        archive.AbortArchive();
    };
    EXPECT_FALSE(archive.AddToArchive(zipFile, capture, capture + "/site/img/logo.gif", "Logo"));
    EXPECT_TRUE(busyMeanwhile);
    EXPECT_FALSE(archive.ArchiveBusy());
    EXPECT_EQ(archive.LastResult().Outcome, 2);
    EXPECT_EQ(archive.LastResult().Message, "") << "a stop shows no message";
    EXPECT_EQ(ReadFile(zipFile), before);

    // The next add is not stopped by the old request.
    archive.Zip().OnAdding = nullptr;
    EXPECT_TRUE(archive.AddToArchive(zipFile, capture, capture + "/site/img/logo.gif", "Logo"));
}

TEST_F(XceedZipCapture, RenameTakesTheFirstFreeName) {
    ASSERT_EQ(archive.AddQueuedFile(zipFile, capture, capture + "/site/index.htm", "Home"), 0);
    const std::string folder = scratch / "Downloads/";
    WriteFile(folder + "Taken.zip", "someone else's");
    const std::string renamed = archive.RenameArchive(zipFile, "Taken.zip");
    EXPECT_EQ(renamed, folder + "Taken(0).zip");
    EXPECT_EQ(ReadFile(folder + "Taken.zip"), "someone else's");
    EXPECT_EQ(archive.Zip().ZipFileName, renamed);
    Shell("unzip -tq '" + renamed + "'");

    EXPECT_EQ(archive.RenameArchive(renamed, "../escaped.zip"), "");
    EXPECT_EQ(archive.RenameArchive(renamed, ".."), "");
    EXPECT_EQ(archive.RenameArchive(folder + "missing.zip", "Other.zip"), "");
    EXPECT_TRUE(testing::Exists(renamed));
}

TEST_F(XceedZipCapture, ArchiveIdentityAClaimedNameTakesAddsAndARenameToItsOwnNameKeepsIt) {
    // The capture tool claims a new task's archive as an empty file: the first add makes it an archive.
    WriteFile(zipFile, "");
    ASSERT_TRUE(archive.AddToArchive(zipFile, capture, capture + "/site/index.htm", "Home"));
    EXPECT_EQ(Shell("zipinfo -1 '" + zipFile + "'"), "site/index.htm\n");
    EXPECT_EQ(ArchiveEntryNames(zipFile), std::set<std::string>{"site/index.htm"});

    // Its own name is free to it: nothing is renamed, whether it has the first name or a later one.
    const std::string folder = scratch / "Downloads/";
    EXPECT_EQ(archive.RenameArchive(zipFile, "site.zip"), zipFile);
    WriteFile(folder + "Q0.zip", "another task's");
    ASSERT_EQ(archive.RenameArchive(zipFile, "Q0.zip"), folder + "Q0(0).zip");
    EXPECT_EQ(archive.RenameArchive(folder + "Q0(0).zip", "Q0.zip"), folder + "Q0(0).zip");
    EXPECT_TRUE(testing::Exists(folder + "Q0(0).zip"));
    EXPECT_FALSE(testing::Exists(folder + "Q0(1).zip"));
    EXPECT_EQ(ReadFile(folder + "Q0.zip"), "another task's");
    // Another name still goes by the unique-name rule.
    EXPECT_EQ(RenameArchiveFile(folder + "Q0(0).zip", "Q0(0).zip"), folder + "Q0(0).zip");
    EXPECT_EQ(RenameArchiveFile(folder + "Q0(0).zip", "Other.zip"), folder + "Other.zip");
    EXPECT_TRUE(ArchiveEntryNames(folder + "missing.zip").empty());
}

TEST(XceedZipCaptureNames, EntryNameIsThePathBelowTheFolder) {
    EXPECT_EQ(CapturedEntryName("/t/Corvane/site/a b.htm", "/t/Corvane"), "site/a b.htm");
    EXPECT_EQ(CapturedEntryName("/t/Corvane/site/./x/../a.htm", "/t/Corvane/"), "site/a.htm");
    EXPECT_EQ(CapturedEntryName("/t/Corvane/../etc/passwd", "/t/Corvane"), "/t/etc/passwd");
    EXPECT_EQ(CapturedEntryName("/t/CORVANE/a.htm", "/t/Corvane"), "/t/CORVANE/a.htm") << "case counts";
    EXPECT_EQ(CapturedEntryName("/t/Corvanex/a.htm", "/t/Corvane"), "/t/Corvanex/a.htm");
    EXPECT_EQ(CapturedEntryName("/t/Corvane", "/t/Corvane"), "/t/Corvane");
}

TEST(XceedZipResult, OutcomesAndMessages) {
    struct Case {
        int code;
        int outcome;
        const char* message;
        bool information;
    };
    for (const Case& c : std::initializer_list<Case>{
             {0, 0, "", false},
             {-3, 0, "", false},
             {10, 1, "", false},
             {140, 1, "", false},
             {40, 1, "Some files were skipped while deleting.", true},
             {50, 1, "The Zip file is empty.", true},
             {160, 2, "The archive file is corrupted. Try using the Fix option on it.", false},
             {150, 2, "Disk full while deleting.", false},
             {190, 2, "", false},
             {240, 2, "The XCDZIP32.DLL or the XCDUNZ32.DLL file could not be found.", false},
             {430, 2, "An error occured while deleting the specified files.", false},
         }) {
        const TZipResult r = ZipResultOf(c.code, kZipVerbDeleting);
        EXPECT_EQ(r.Outcome, c.outcome) << c.code;
        EXPECT_EQ(r.Message, c.message) << c.code;
        EXPECT_EQ(r.Information, c.information) << c.code;
    }
}

}  // namespace
}  // namespace corvane
