#include <gtest/gtest.h>

#include <sys/stat.h>

#include "engine/model/profile.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "platform/rtl/date_time.h"
#include "task_fixture.h"

namespace corvane {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;
using TaskFile = testing::FreshHome;
using ActiveTasks = testing::FreshHome;
using Profile = testing::FreshHome;

std::shared_ptr<TCVTask> SampleTask(const std::string& path) {
    auto task = std::make_shared<TCVTask>();
    task->FileName = path;
    task->Name = "Example Site";
    task->URL = "http://example.com/";
    task->StartPageTitle = "Example";
    task->UserName = "me";
    task->Password = "secret";
    task->Destination = "/home/u/Example Site.zip";
    task->Status = tsScheduled;
    task->Schedule = "Now";
    task->RunMethod = rmSmartRecovery;
    TCVTaskCounters c;
    c.TotalBytes = 5'000'000'000;  // beyond 32 bits
    c.TotalPages = 3;
    c.PagesSaved = 2;
    c.PageErrors = 1;
    task->SetCounters(c);
    task->LastRun = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
    task->Elapsed = 1.5;  // a day and a half
    task->URLs.Add("http://example.com/a.htm");
    task->Profile.Name = "Default";
    task->Profile.FileTypes.Add(".htm");
    task->Profile.FileTypes.Add(".gif");
    task->Profile.PageLocation = lcSite;
    task->Profile.ResourceLocation = lcAnywhere;
    task->Profile.Depth = 2;
    task->Profile.AggressiveParser = 1;
    task->Profile.UseStartPageTitle = true;
    task->Profile.URLFiltersExclude.Add("[PL]ads");
    return task;
}

TEST_F(TaskFile, GoldenBytes) {
    const std::string path = App->TasksDir + "General/Example Site.cvt";
    // A language's display formats never reach the file.
    const FormatSettings saved_formats = DisplayFormats();
    DisplayFormats().DateSeparator = '.';
    DisplayFormats().TimeSeparator = '-';
    SampleTask(path)->Save();
    DisplayFormats() = saved_formats;
    const std::string expected =
        "[Task]\r\n"
        "Task Name=Example Site\r\n"
        "URL=http://example.com/\r\n"
        "Start Page Title=Example\r\n"
        "Server=\r\n"
        "Can Update=0\r\n"
        "User Name=me\r\n"
        "Password=secret\r\n"
        "Comment=\r\n"
        "Destination=/home/u/Example Site.zip\r\n"
        "Intranet Mode=0\r\n"
        "Status=1\r\n"
        "Schedule=Now\r\n"
        "Run Method=3\r\n"
        "Total Bytes=5000000000\r\n"
        "Total Pages=3\r\n"
        "Total Resources=0\r\n"
        "Pages Saved=2\r\n"
        "Resources Saved=0\r\n"
        "Page Errors=1\r\n"
        "Resource Errors=0\r\n"
        "Elapsed Time=12/31/1899 12:00:00\r\n"
        "Last Run=03/05/2024 14:07:09\r\n"
        "Next Run=\r\n"
        "\r\n"
        "[URLs]\r\n"
        "URL0=http://example.com/a.htm\r\n"
        "\r\n"
        "[Profile]\r\n"
        "Profile Name=Default\r\n"
        "File Types=.htm,.gif\r\n"
        "Page Location=1\r\n"
        "Resource Location=2\r\n"
        "Depth=2\r\n"
        "Aggressive Parser=1\r\n"
        "Convert Followed Links=0\r\n"
        "Convert Unfollowed Links=0\r\n"
        "Use Start Page Title=1\r\n"
        "URL Filters Exclude=[PL]ads\r\n"
        "URL Filters Include=\r\n"
        "Page File Size Min=0\r\n"
        "Page File Size Max=0\r\n"
        "Resource File Size Min=0\r\n"
        "Resource File Size Max=0\r\n";
    EXPECT_EQ(ReadBytes(path), expected);

    // Saving again gives the same bytes.
    LoadTask(path)->Save();
    EXPECT_EQ(ReadBytes(path), expected);

    // The file holds a password: only its owner may read it.
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(TaskFile, RoundTripKeepsEveryField) {
    const std::string path = App->TasksDir + "Tricky.cvt";
    auto task = SampleTask(path);
    task->Profile.FileTypes.Clear();
    task->Profile.FileTypes.Add("a b");
    task->Profile.FileTypes.Add("c,d");
    task->Profile.FileTypes.Add("say \"hi\"");
    task->Profile.URLFiltersInclude.Add("[RL]with blank");
    task->NextRun = EncodeDateTime({2030, 12, 31, 23, 59, 58, 0});
    task->IntranetMode = true;
    task->Save();

    auto loaded = LoadTask(path);
    EXPECT_EQ(loaded->Name, "Example Site");
    EXPECT_EQ(loaded->Password, "secret");
    EXPECT_TRUE(loaded->IntranetMode);
    EXPECT_EQ(loaded->RunMethod, rmSmartRecovery);
    EXPECT_EQ(loaded->Counters(), task->Counters());
    EXPECT_EQ(loaded->Counters().TotalBytes, 5'000'000'000);
    EXPECT_DOUBLE_EQ(loaded->Elapsed, 1.5);
    EXPECT_NEAR(loaded->LastRun, task->LastRun, 1e-8);
    EXPECT_NEAR(loaded->NextRun, task->NextRun, 1e-8);
    EXPECT_EQ(loaded->Profile.FileTypes, task->Profile.FileTypes);
    EXPECT_EQ(loaded->Profile.URLFiltersExclude, task->Profile.URLFiltersExclude);
    EXPECT_EQ(loaded->Profile.URLFiltersInclude, task->Profile.URLFiltersInclude);
    EXPECT_EQ(loaded->Profile.Depth, 2);
    EXPECT_EQ(loaded->Profile.FileName, path);
    EXPECT_EQ(loaded->URLs, task->URLs);
}

TEST_F(TaskFile, MissingKeysGiveDefaults) {
    const std::string path = App->TasksDir + "Bare Task.cvt";
    WriteBytes(path, "[Task]\r\nURL=http://e.com/\r\nNext Run=\r\nLast Run=not a date\r\n");
    auto task = LoadTask(path);
    EXPECT_EQ(task->Name, "Bare Task");  // the file name without its extension
    EXPECT_EQ(task->NextRun, 0);
    EXPECT_EQ(task->LastRun, 0);
    EXPECT_EQ(task->Status, tsUnscheduled);
    EXPECT_EQ(task->Profile.Depth, -1);
    EXPECT_EQ(task->Profile.PageLocation, lcSite);
    EXPECT_EQ(task->Profile.ResourceLocation, lcAnywhere);
    EXPECT_TRUE(task->Profile.UseStartPageTitle);
    EXPECT_TRUE(task->Category.empty());
}

TEST_F(TaskFile, RemovedStartURLsDoNotComeBack) {
    const std::string path = App->TasksDir + "U.cvt";
    auto task = SampleTask(path);
    task->URLs.Clear();
    task->URLs.Add("http://e.com/1");
    task->URLs.Add("http://e.com/2");
    task->URLs.Add("http://e.com/3");
    task->Save();
    task->URLs.Delete(2);
    task->URLs.Delete(1);
    task->Save();
    EXPECT_EQ(LoadTask(path)->URLs.Count(), 1);
    EXPECT_EQ(ReadBytes(path).find("URL2"), std::string::npos);
}

TEST_F(TaskFile, LoadStartsFromEmptyLists) {
    const std::string path = App->TasksDir + "L.cvt";
    SampleTask(path)->Save();
    auto reused = SampleTask(path);
    reused->URLs.Add("http://stale/");
    reused->Profile.FileTypes.Add(".stale");
    reused->Profile.URLFiltersInclude.Add("stale");
    reused->Load();
    EXPECT_EQ(reused->URLs.Count(), 1);
    EXPECT_EQ(reused->Profile.FileTypes.IndexOf(".stale"), -1);
    EXPECT_TRUE(reused->Profile.URLFiltersInclude.Empty());
}

TEST_F(TaskFile, ResetKeepsRunTimesAndReadsZipLast) {
    auto task = SampleTask(App->TasksDir + "R.cvt");
    RegWriteValue(kSettingsKey, "Zip Last", true);
    task->ExcludeURLs.Add("x");
    task->StartTime = 3;
    task->Reset();
    EXPECT_EQ(task->Counters(), TCVTaskCounters{});
    EXPECT_TRUE(task->ExcludeURLs.Empty());
    EXPECT_EQ(task->URLs.Count(), 1);  // the start URLs are not run state
    EXPECT_EQ(task->StartTime, 0);
    EXPECT_EQ(task->Elapsed, 0);
    EXPECT_GT(task->LastRun, 0);
    EXPECT_TRUE(task->ZipLast);
}

TEST_F(TaskFile, StatusTextsAndNames) {
    EXPECT_EQ(TaskStatusText(0), "Unscheduled");
    EXPECT_EQ(TaskStatusText(2), "Downloading...");
    EXPECT_EQ(TaskStatusText(6), "Zipped!");
    EXPECT_EQ(TaskStatusText(8), "Deleted");
    EXPECT_EQ(TaskStatusText(9), "Unknown");
    EXPECT_EQ(TaskStatusText(-1), "Unknown");

    EXPECT_EQ(TaskFileName("General", "Site"), App->TasksDir + "General/Site.cvt");
    EXPECT_EQ(TaskFileName("", "Site"), App->TasksDir + "Site.cvt");
    for (const std::string& bad : std::vector<std::string>{"", ".", "..", "a/b", std::string("a\0b", 3)}) {
        EXPECT_FALSE(IsValidName(bad));
        EXPECT_THROW(TaskFileName("General", bad), EInvalidName);
        EXPECT_THROW(ProfileFileName(bad), EInvalidName);
    }
    // Categories nest; each part must be a name of its own.
    EXPECT_EQ(TaskFileName("Work/News", "Site"), App->TasksDir + "Work/News/Site.cvt");
    for (const std::string& bad : std::vector<std::string>{".", "..", "../x", "a/..", "/a", "a/", "a//b", std::string("a\0b", 3)}) {
        EXPECT_FALSE(IsValidCategory(bad)) << bad;
        EXPECT_THROW(TaskFileName(bad, "Site"), EInvalidName) << bad;
    }
    EXPECT_TRUE(IsValidName("My site (2)"));
}

TEST_F(TaskFile, IntranetFolderGetsItsSeparator) {
    TCVTask task;
    task.IntranetMode = true;
    task.Destination = home_ + "site";
    EXPECT_EQ(task.GetFolder(), home_ + "site/");
    task.IntranetMode = false;
    EXPECT_EQ(task.GetFolder(), App->GetTempFolder());
}

TEST_F(ActiveTasks, FollowEachSave) {
    const std::string list = App->TasksDir + kActiveTasksFile;
    auto task = SampleTask(App->TasksDir + "General/A.cvt");
    task->Status = tsScheduled;
    task->Save();
    task->Save();
    EXPECT_EQ(ReadBytes(list), task->FileName + "\r\n");
    auto other = SampleTask(App->TasksDir + "General/B.cvt");
    other->Status = tsDownloading;
    other->Save();
    EXPECT_EQ(App->ActiveTasks.Count(), 2);

    task->Status = tsDownloadStopped;
    task->Save();
    EXPECT_EQ(ReadBytes(list), other->FileName + "\r\n");

    RestartApp();  // read back at start-up
    ASSERT_EQ(App->ActiveTasks.Count(), 1);
    EXPECT_EQ(App->ActiveTasks[0], other->FileName);
}

TEST_F(ActiveTasks, NextDueTask) {
    const TDateTime now = Now();
    auto make = [&](const std::string& name, TCVTaskStatus status, TDateTime next) {
        auto task = SampleTask(App->TasksDir + name + ".cvt");
        task->Name = name;
        task->Status = status;
        task->NextRun = next;
        task->Save();
        return task;
    };
    EXPECT_EQ(App->NextDueTask(), nullptr);

    auto gone = make("Gone", tsScheduled, 0);
    std::filesystem::remove(gone->FileName);
    make("Future", tsScheduled, now + 1);
    auto first = make("First", tsScheduled, now - 1);
    make("Second", tsScheduled, 0);

    auto due = App->NextDueTask();
    ASSERT_NE(due, nullptr);
    EXPECT_EQ(due->Name, "First");
    // The missing file left the list for good.
    EXPECT_EQ(App->ActiveTasks.IndexOf(gone->FileName), -1);
    EXPECT_EQ(ReadBytes(App->TasksDir + kActiveTasksFile).find("Gone"), std::string::npos);

    first->Status = tsDownloadStopped;
    first->Save();
    due = App->NextDueTask();
    ASSERT_NE(due, nullptr);
    EXPECT_EQ(due->Name, "Second");  // no "Next Run" is due at once

    // A listed task whose file says it is not scheduled is not started.
    App->ActiveTasks.Add(first->FileName);
    App->ActiveTasks.Delete(App->ActiveTasks.IndexOf(App->TasksDir + "Second.cvt"));
    EXPECT_EQ(App->NextDueTask(), nullptr);
}

TEST_F(Profile, GoldenBytesAndDefaults) {
    TCVProfile profile;
    profile.FileName = ProfileFileName("Images");
    profile.Name = "Images";
    profile.FileTypes.Add(".gif");
    profile.FileTypes.Add(".jpg");
    profile.Depth = -1;
    profile.PageLocation = lcDirectory;
    profile.ResourceLocation = lcSite;
    profile.ConvertFollowedLinks = 1;
    profile.ConvertUnfollowedLinks = 2;
    profile.PageFileSizeMax = 500;
    profile.URLFiltersInclude.Add("say \"cheese\", please");
    profile.Save();
    EXPECT_EQ(ReadBytes(App->ProfilesDir + "Images.cvp"),
              "[Profile]\r\n"
              "Profile Name=Images\r\n"
              "File Types=.gif,.jpg\r\n"
              "Page Location=0\r\n"
              "Resource Location=1\r\n"
              "Depth=-1\r\n"
              "Aggressive Parser=0\r\n"
              "Convert Followed Links=1\r\n"
              "Convert Unfollowed Links=2\r\n"
              "Use Start Page Title=0\r\n"
              "URL Filters Exclude=\r\n"
              "URL Filters Include=\"say \"\"cheese\"\", please\"\r\n"
              "Page File Size Min=0\r\n"
              "Page File Size Max=500\r\n"
              "Resource File Size Min=0\r\n"
              "Resource File Size Max=0\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(profile.FileName.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    TCVProfile loaded;
    loaded.FileName = profile.FileName;
    loaded.Load();
    EXPECT_EQ(loaded.URLFiltersInclude, profile.URLFiltersInclude);
    EXPECT_EQ(loaded.ConvertUnfollowedLinks, 2);

    // A new profile is all zeros; a missing file reads as the file defaults.
    TCVProfile fresh;
    EXPECT_EQ(fresh.Depth, 0);
    EXPECT_EQ(fresh.PageLocation, 0);
    fresh.FileName = App->ProfilesDir + "none.cvp";
    fresh.Load();
    EXPECT_EQ(fresh.Depth, -1);
    EXPECT_EQ(fresh.PageLocation, lcSite);
    EXPECT_EQ(fresh.ResourceLocation, lcAnywhere);
    EXPECT_EQ(fresh.AggressiveParser, 1);
}

}  // namespace
}  // namespace corvane
