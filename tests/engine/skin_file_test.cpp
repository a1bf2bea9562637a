#include <gtest/gtest.h>

#include <filesystem>

#include "engine/model/settings.h"
#include "task_fixture.h"

namespace corvane {
namespace {

using SkinFiles = testing::FreshHome;

// Every picture the windows load by name must be in the Default skin.
TEST_F(SkinFiles, DefaultSkinHoldsEveryNamedPicture) {
    for (const char* name :
         {"new.bmp", "open.bmp", "dwnloads.bmp", "cvmode.bmp", "pimode.bmp", "addtocur.bmp", "help.bmp", "download.bmp",
          "browser_back.bmp", "browser_forward.bmp", "browser_stop.bmp", "browser_refresh.bmp", "browser_home.bmp",
          "browser.bmp", "browse_corvanehome.bmp", "browse_dailynews.bmp", "browse_weblinks.bmp", "run.bmp", "stop.bmp",
          "cvanim.gif", "screensbar.gif", "cvlogo.gif"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(SkinFile(name))) << name;
        EXPECT_EQ(SkinFile(name), App->DefaultSkinDir + name);
    }
}

TEST_F(SkinFiles, CurrentSkinFirstThenDefault) {
    App->SkinsDir = home_ + "Skins/";
    App->DefaultSkinDir = App->SkinsDir + "Default/";
    testing::WriteBytes(App->SkinsDir + "Night/run.bmp", "BM");
    testing::WriteBytes(App->DefaultSkinDir + "run.bmp", "BM");
    std::filesystem::create_directories(App->SkinsDir + "Night/help.bmp/");  // a folder is no file

    App->SetSkin("Night");
    EXPECT_EQ(SkinFile("run.bmp"), App->SkinsDir + "Night/run.bmp");
    // Missing in the skin: the Default skin's path, whether it exists there or not.
    EXPECT_EQ(SkinFile("help.bmp"), App->DefaultSkinDir + "help.bmp");
    EXPECT_EQ(SkinFile("nowhere.bmp"), App->DefaultSkinDir + "nowhere.bmp");

    // A stored skin name that would lead out of the skins folder counts as Default.
    testing::WriteBytes(home_ + "run.bmp", "BM");
    for (const char* bad : {"..", ".", "", "../..", "Night/.."}) {
        App->SetSkin(bad);
        EXPECT_EQ(App->GetSkinPath(), App->DefaultSkinDir) << bad;
        EXPECT_EQ(SkinFile("run.bmp"), App->DefaultSkinDir + "run.bmp") << bad;
    }
}

TEST_F(SkinFiles, WithoutAppTheDefaultSkin) {
    const std::string expected = App->DefaultSkinDir + "run.bmp";
    ReleaseApp();
    EXPECT_EQ(SkinFile("run.bmp"), expected);
    CreateApp();
}

}  // namespace
}  // namespace corvane
