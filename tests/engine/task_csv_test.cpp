#include <gtest/gtest.h>

#include "engine/model/profile.h"
#include "engine/model/task.h"
#include "engine/model/task_csv.h"
#include "platform/rtl/date_time.h"
#include "task_fixture.h"

namespace corvane {
namespace {

using TaskCsv = testing::FreshHome;

TEST_F(TaskCsv, HeadersStayAsTheTemplatesExpect) {
    EXPECT_EQ(TaskCSVHeader(),
              "Task Name,Title,Status,Schedule,Last Run,Next Run,Pages,Media,URL,Local URL,Destination,"
              "Download Method,Start Page");
    EXPECT_EQ(ProfileCSVHeader(),
              "Profile Name,File Types,Retrieve Page Location,Retrieve Media Location,Depth,Aggressive Parser");
}

TEST_F(TaskCsv, TaskLineQuotesEveryField) {
    TCVTask task;
    task.Name = "Shop, \"Best\"";
    task.StartPageTitle = "Evil\",\"injected\r\nline";
    task.Status = tsDownloadStopped;
    task.Schedule = "Daily at 10:00";
    task.LastRun = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
    TCVTaskCounters c;
    c.PagesSaved = 4;
    c.TotalPages = 9;
    c.ResourcesSaved = 12;
    task.SetCounters(c);
    task.URL = "http://example.com/";
    task.IntranetMode = true;
    task.Destination = home_ + "site/";
    task.Profile.Name = "Default";
    task.FileName = "/t/Shop.cvt";
    EXPECT_EQ(task.GetCSVLine(),
              "\"Shop, \"\"Best\"\"\",\"Evil\"\",\"\"injectedline\",\"Download Stopped\",\"Daily at 10:00\","
              "\"" + DateTimeToStr(task.LastRun) + "\",\"\",\"4/9\",\"12\",\"http://example.com/\",\"\",\"" +
                  home_ + "site/\",\"Default\",\"/t/Shop.cvt\"");

    // The local start page is named only once it exists.
    const std::string local = task.GetLocalStartPage();
    ASSERT_FALSE(local.empty());
    testing::WriteBytes(local, "<html></html>");
    EXPECT_NE(task.GetCSVLine().find(",\"" + local + "\","), std::string::npos);
}

TEST_F(TaskCsv, ProfileLine) {
    TCVProfile profile;
    profile.Name = "Deep";
    profile.FileTypes.Add(".htm");
    profile.FileTypes.Add(".gif");
    profile.PageLocation = lcDirectory;
    profile.ResourceLocation = 7;
    profile.Depth = 2;
    EXPECT_EQ(profile.GetCSVLine(),
              "\"Deep\",\".htm  .gif  \",\"within the selected directory\",\"\",\"current page + 2\"");
    profile.Depth = -1;
    profile.PageLocation = lcAnywhere;
    EXPECT_NE(profile.GetCSVLine().find("\"anywhere\",\"\",\"all levels\""), std::string::npos);
    profile.Depth = 0;
    EXPECT_NE(profile.GetCSVLine().find("\"current page\""), std::string::npos);
}

}  // namespace
}  // namespace corvane
