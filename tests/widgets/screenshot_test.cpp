#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"

namespace corvane {
namespace {

TEST(Screenshot, WritesAPngNamedAfterTheWidget) {
    testing::GuiApp();
    QWidget probe;
    probe.setObjectName("ScreenshotProbe");
    probe.setAutoFillBackground(true);
    QPalette palette = probe.palette();
    palette.setColor(QPalette::Window, QColor(0x20, 0x80, 0x40));
    probe.setPalette(palette);
    auto* layout = new QVBoxLayout(&probe);
    layout->addWidget(new QLabel("Corvane screenshot probe"));
    probe.resize(240, 80);

    const std::string path = testing::SaveScreenshot(probe);
    EXPECT_EQ(path, testing::ScreenshotDir() + "/ScreenshotProbe.png");
    const QImage picture(QString::fromStdString(path));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(240, 80));
    EXPECT_EQ(picture.pixelColor(2, 2), QColor(0x20, 0x80, 0x40));

    EXPECT_EQ(testing::SaveScreenshot(probe, "_second"), testing::ScreenshotDir() + "/ScreenshotProbe_second.png");
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(testing::ScreenshotDir() + "/ScreenshotProbe_second.png")));
}

}  // namespace
}  // namespace corvane
