// The main window's command rules: the new-task table, pasted and typed URLs, the profile box, the
// branding address, the dated archive, the Downloads menus, recent archives, view labels, the archive
// commands and the Edit menu.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/main_command_rules.h"
#include "tests/engine/task_fixture.h"
#include "widgets/outside_pages.h"

namespace corvane::testing {
namespace {

using Args = TNewTaskArgs;

TEST(MainCommands, EachNewCommandGivesItsURLProfileModeAndMapFlag) {
    const TNewTaskSource zip{"http://box.test/", "Site", false, "http://pasted.test/"};
    TNewTaskSource intranet = zip;
    intranet.IntranetModeDown = true;
    EXPECT_EQ(NewTaskArgsFor(TNewTaskCommand::Go, zip), (Args{"http://box.test/", "Site", false, false}));
    EXPECT_EQ(NewTaskArgsFor(TNewTaskCommand::Go, intranet), (Args{"http://box.test/", "Site", true, false}));
    EXPECT_EQ(NewTaskArgsFor(TNewTaskCommand::Map, intranet), (Args{"http://box.test/", "Site", true, true}));
    EXPECT_EQ(NewTaskArgsFor(TNewTaskCommand::NewTaskForURL, zip), (Args{"http://box.test/", "", false, false}));
    EXPECT_EQ(NewTaskArgsFor(TNewTaskCommand::NewDownloadTask, intranet), (Args{"", "", true, false}));
    // A new intranet site is one whatever the mode buttons say.
    EXPECT_EQ(NewTaskArgsFor(TNewTaskCommand::NewIntranetSite, zip), (Args{"", "", true, false}));
    EXPECT_EQ(NewTaskArgsFor(TNewTaskCommand::PasteURL, zip), (Args{"http://pasted.test/", "", false, false}));
}

TEST(MainCommands, PasteTakesOnlyAnAddressThatNormalizeURLAccepts) {
    EXPECT_EQ(PastedURL("  www.site.test/docs \r\nsecond line"), "http://www.site.test/docs/");
    EXPECT_EQ(PastedURL("https://site.test/a.htm?x=1&amp;y=2"), "https://site.test/a.htm?x=1&y=2");
    for (const char* refused : {"", "   \t", "\nhttp://site.test/", "http://", "/just/a/path",
                                "a sentence copied by mistake", "http://bad\x01host/"})
        EXPECT_EQ(PastedURL(refused), "") << refused;

    // Enter in an empty URL box, or btnBrowser then, shows nothing.
    EXPECT_EQ(URLBoxTarget("  "), "");
    EXPECT_EQ(URLBoxTarget(" http://a.test/ "), "http://a.test/");
}

class MainCommandsFiles : public FreshHome {};
class DownloadsMenu : public FreshHome {};
class ArchiveCommandsFiles : public FreshHome {};

TEST_F(MainCommandsFiles, ProfileBoxListsCustomThenTheSortedProfileNames) {
    const std::string dir = home_ + "Profiles/";
    for (const char* name : {"b.cvp", "A.CVP", "a b.cvp", "custom.cvp", "notes.txt", "b.cvp.bak"}) WriteBytes(dir + name, "");
    std::filesystem::create_directories(dir + "folder.cvp");
    EXPECT_EQ(ProfileBoxItems(dir), (std::vector<std::string>{"Custom", "A", "a b", "b"}));
    EXPECT_EQ(ProfileBoxItems(home_ + "missing/"), (std::vector<std::string>{"Custom"}));
}

TEST_F(MainCommandsFiles, BrandingAddressComesFromTheInternetShortcut) {
    const std::string fallback(outside_pages::kBranding);
    EXPECT_EQ(BrandingURL(home_), fallback);
    WriteBytes(home_ + "branding.url", "[Other]\r\nURL=http://wrong.test/\r\n[internetshortcut]\nurl = http://brand.test/ \n");
    EXPECT_EQ(BrandingURL(home_.substr(0, home_.size() - 1)), "http://brand.test/");
    WriteBytes(home_ + "branding.url", "[InternetShortcut]\r\nIconIndex=0\r\n");
    EXPECT_EQ(BrandingURL(home_), fallback);
    std::filesystem::remove(home_ + "branding.url");
    std::filesystem::create_directories(home_ + "branding.url");
    EXPECT_EQ(BrandingURL(home_), fallback) << "an unreadable file";
}

TEST(DatedArchive, NamedAfterTodaysShortDateWithoutFileNameSeparators) {
    const TDateTime day = EncodeDate(2026, 12, 8);
    FormatSettings formats;  // "MM/d/yy"
    EXPECT_EQ(NewCorvanesForCaption(day, formats), "New Corvanes for 12/8/26");
    EXPECT_EQ(DatedArchiveName(day, formats), "Corvanes for 12-8-26.zip");
    // A language whose separators would put ":" or "\" into the name.
    formats.DateSeparator = ':';
    EXPECT_EQ(NewCorvanesForCaption(day, formats), "New Corvanes for 12:8:26");
    EXPECT_EQ(DatedArchiveName(day, formats), "Corvanes for 12-8-26.zip");
    formats.DateSeparator = '\\';
    formats.ShortDateFormat = "yyyy/MM/dd";
    EXPECT_EQ(DatedArchiveName(day, formats), "Corvanes for 2026-12-08.zip");
}

TEST_F(DownloadsMenu, ListsTheFirstTwentyFiveArchives) {
    const std::string dir = home_ + "Downloads/";
    for (int i = 29; i >= 0; --i) WriteBytes(dir + "site" + (i < 10 ? "0" : "") + std::to_string(i) + ".zip", "");
    WriteBytes(dir + "aaa.txt", "");
    WriteBytes(dir + "AAB.ZIP", "");
    std::filesystem::create_directories(dir + "aac.zip");
    const std::vector<std::string> names = DownloadsMenuNames(dir);
    ASSERT_EQ(names.size(), 25u);
    EXPECT_EQ(names.front(), "AAB.ZIP");
    EXPECT_EQ(names[1], "site00.zip");
    EXPECT_EQ(names.back(), "site23.zip");
    EXPECT_TRUE(DownloadsMenuNames(home_ + "missing/").empty());
    // A name's "&" shows instead of making an accelerator.
    EXPECT_EQ(MenuCaptionFor("R&D && co.zip"), "R&&D &&&& co.zip");
}

TEST_F(ArchiveCommandsFiles, MissingRecentArchiveIsReportedByName) {
    WriteBytes(home_ + "kept.zip", "PK");
    EXPECT_TRUE(RecentArchiveChoice(home_ + "kept.zip").Open);
    const TRecentArchiveChoice gone = RecentArchiveChoice(home_ + "gone.zip");
    EXPECT_FALSE(gone.Open);
    EXPECT_EQ(gone.Message,
              "The archive " + home_ + "gone.zip no longer exists. It has been removed from the list.");
    std::filesystem::create_directories(home_ + "folder.zip");
    EXPECT_FALSE(RecentArchiveChoice(home_ + "folder.zip").Open);
}

TEST(ArchiveCommands, DeleteAsksOnlyForTreeNodes) {
    EXPECT_EQ(ZipDeleteKindFor(true, false, true, true), TZipDeleteKind::ListEntries);
    EXPECT_EQ(ZipDeleteKindFor(false, true, true, false), TZipDeleteKind::TreeNode);
    EXPECT_EQ(ZipDeleteKindFor(false, true, true, true), TZipDeleteKind::Archive);
    EXPECT_EQ(ZipDeleteKindFor(false, true, false, false), TZipDeleteKind::Nothing);
    EXPECT_EQ(ZipDeleteKindFor(false, false, true, true), TZipDeleteKind::Nothing);
    EXPECT_EQ(ZipDeleteQuestion("images", "www.site.test/images/*.*"),
              "Delete every entry in the folder images from the archive?");
    EXPECT_EQ(ZipDeleteQuestion("a.htm", "www.site.test/a.htm"), "Delete the archive entry a.htm?");
}

TEST(ArchiveCommands, BrowseShowsNothingUnsafeAndHandsNoFileToTheShell) {
    EXPECT_EQ(ZipBrowseActionFor("", true, true), TZipBrowseAction::Nothing);
    EXPECT_EQ(ZipBrowseActionFor("", false, false), TZipBrowseAction::Nothing);
    EXPECT_EQ(ZipBrowseActionFor("/b/page.htm", true, true), TZipBrowseAction::ShowInBrowser);
    EXPECT_EQ(ZipBrowseActionFor("/b/page.htm", true, false), TZipBrowseAction::LaunchPage);
    EXPECT_EQ(ZipBrowseActionFor("/b/run.sh", false, false), TZipBrowseAction::ShowInBrowser);
}

TEST(EditMenu, ItemsFollowTheFocusedBox) {
    EXPECT_EQ(EditMenuStateFor({}, true), (TEditMenuState{})) << "no edit box has the focus";
    EXPECT_EQ(EditMenuStateFor({true, false, true, true}, true), (TEditMenuState{true, true, true, true}));
    EXPECT_EQ(EditMenuStateFor({true, false, false, true}, true), (TEditMenuState{true, false, false, true}));
    // A read-only box can only be copied from.
    EXPECT_EQ(EditMenuStateFor({true, true, true, true}, true), (TEditMenuState{false, false, true, false}));
}

}  // namespace
}  // namespace corvane::testing
