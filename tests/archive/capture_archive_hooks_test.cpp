// The run control's archive hooks over the capture's archive, with a real task and App.

#include "archive/capture_archive_hooks.h"

#include <gtest/gtest.h>

#include "engine/model/task.h"
#include "tests/engine/task_fixture.h"
#include "tests/platform/zipdll/zip_driver.h"

namespace corvane {
namespace {

using testing::ScratchFolder;

class XceedZipCaptureHooks : public testing::FreshHome {
protected:
    void SetUp() override {
        FreshHome::SetUp();
        SetZipLibraryFolder(CORVANE_ZIPDLL_DIR);
    }
    void TearDown() override {
        SetZipLibraryFolder("");
        FreshHome::TearDown();
    }
};

TEST_F(XceedZipCaptureHooks, TaskFilesGoIntoTheTasksArchive) {
    TCVTask task;
    task.IntranetMode = false;
    task.Destination = home_ + "Downloads/new folder/site.zip";
    TCaptureArchiveHooks hooks;
    TRunControlHooks& run = hooks;
    EXPECT_EQ(run.OpenArchive(task), &hooks.Archive());

    const std::string folder = task.GetFolder();
    testing::WriteBytes(folder + "site/index.htm", "<html>index</html>");
    testing::WriteBytes(home_ + "elsewhere.htm", "<html>elsewhere</html>");
    EXPECT_TRUE(run.AddToArchive(task, folder + "site/index.htm", "Index"));
    EXPECT_FALSE(run.AddToArchive(task, home_ + "elsewhere.htm", "Elsewhere"));
    EXPECT_FALSE(run.ArchiveBusy());

    std::string names, notes;
    ASSERT_EQ(ScratchFolder::Shell("zipinfo -1 '" + task.Destination + "'", &names), 0);
    EXPECT_EQ(names, "site/index.htm\n");
    ASSERT_EQ(ScratchFolder::Shell("zipnote '" + task.Destination + "'", &notes), 0);
    EXPECT_NE(notes.find("@ site/index.htm\nIndex\n"), std::string::npos) << notes;

    EXPECT_EQ(run.RenameArchive(task, "Site Title.zip"), home_ + "Downloads/new folder/Site Title.zip");
}

}  // namespace
}  // namespace corvane
