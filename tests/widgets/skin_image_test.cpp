#include <gtest/gtest.h>

#include <QLabel>
#include <filesystem>
#include <fstream>
#include <QPixmap>
#include <QHBoxLayout>
#include <QWidget>

#include "engine/model/settings.h"
#include "platform/rtl/log.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "widgets/skin_image.h"

namespace corvane {
namespace {

class SkinImage : public ::testing::Test {
protected:
    void SetUp() override {
        testing::GuiApp();
        CreateApp();
    }
    void TearDown() override { ReleaseApp(); }
};

TEST_F(SkinImage, LoadsTheDefaultSkinsPictures) {
    // Glyph strips: three square images side by side, the key colour in the bottom-left pixel.
    for (const char* name : {"new.bmp", "browser_back.bmp", "run.bmp", "stop.bmp"}) {
        const QImage strip = LoadSkinImage(name);
        ASSERT_FALSE(strip.isNull()) << name;
        EXPECT_EQ(strip.width(), 3 * strip.height()) << name;
        EXPECT_EQ(strip.pixelColor(0, strip.height() - 1), QColor(0xFF, 0x00, 0xFF)) << name;
    }
    EXPECT_EQ(LoadSkinImage("cvlogo.gif").size(), QSize(96, 96));
    EXPECT_FALSE(LoadSkinImage("screensbar.gif").isNull());

    // A picture of the toolbar glyphs, for the eye.
    QWidget strip_row;
    strip_row.setObjectName("SkinGlyphs");
    auto* layout = new QHBoxLayout(&strip_row);
    for (const char* name : {"new.bmp", "open.bmp", "dwnloads.bmp", "cvmode.bmp", "pimode.bmp", "addtocur.bmp",
                             "help.bmp", "download.bmp", "browser.bmp", "run.bmp", "stop.bmp"}) {
        auto* label = new QLabel(&strip_row);
        label->setPixmap(QPixmap::fromImage(LoadSkinImage(name)));
        layout->addWidget(label);
    }
    testing::SaveScreenshot(strip_row);
}

TEST_F(SkinImage, MissingPictureIsLoggedAndEmpty) {
    std::vector<std::string> log;
    const LogSink previous = SetLogSink([&log](const std::string& message) { log.push_back(message); });
    EXPECT_TRUE(LoadSkinImage("no-such-picture.bmp").isNull());
    // A file that is no picture.
    char pattern[] = "/tmp/corvane-skins-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    App->SkinsDir = std::string(pattern) + "/";
    App->DefaultSkinDir = App->SkinsDir + "Default/";
    std::filesystem::create_directories(App->DefaultSkinDir);
    std::ofstream(App->DefaultSkinDir + "broken.bmp") << "BM not a bitmap";
    EXPECT_TRUE(LoadSkinImage("broken.bmp").isNull());
    std::filesystem::remove_all(pattern);
    SetLogSink(previous);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[0].find("Skins/Default/no-such-picture.bmp"), std::string::npos);
}

}  // namespace
}  // namespace corvane
