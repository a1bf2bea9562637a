#include <gtest/gtest.h>

#include <QListWidget>

#include "engine/model/task.h"
#include "tests/support/gui_app.h"
#include "tests/support/recording_app_host.h"
#include "widgets/app_host.h"

namespace corvane {
namespace {

TEST(AppHost, RecordingHostIsInstalledWhileItLives) {
    testing::GuiApp();
    {
        testing::RecordingAppHost fake;
        fake.browse_root = "/tmp/Corvane/site/";
        fake.recent_archives = {"/d/b.zip", "/d/a.zip"};
        auto task = std::make_shared<TCVTask>();
        task->Name = "News";
        QListWidget list;
        list.setObjectName("lvZip");

        AppHost& host = AppHostInstance();
        EXPECT_EQ(&host, &fake);
        host.NewTask("http://example.com/", "Default", false, true);
        host.StopTask(task);
        EXPECT_EQ(host.OpenArchiveForBrowsing("/d/a.zip"), "/tmp/Corvane/site/");
        host.AddRecentArchive("/d/a.zip");
        host.RunZipBrowse(&list);
        EXPECT_EQ(host.ZipPopupMenu(), &fake.zip_popup);
        EXPECT_EQ(fake.calls, (std::vector<std::string>{"NewTask(http://example.com/,Default,0,1)", "StopTask(News)",
                                                        "OpenArchiveForBrowsing(/d/a.zip)", "AddRecentArchive(/d/a.zip)",
                                                        "RunZipBrowse(lvZip)"}));
        EXPECT_EQ(fake.recent_archives, (std::vector<std::string>{"/d/a.zip", "/d/b.zip"}));
    }
    // Gone again: the do-nothing host answers.
    EXPECT_EQ(AppHostInstance().ZipPopupMenu(), nullptr);
    EXPECT_EQ(AppHostInstance().OpenArchiveForBrowsing("/d/a.zip"), "");
}

}  // namespace
}  // namespace corvane
