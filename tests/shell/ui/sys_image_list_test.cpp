// The system image lists drawn offscreen: every icon key gives a picture, overlays and the cut state
// change it.

#include <gtest/gtest.h>

#include <QImage>

#include "shell/ns/sys_icons.h"
#include "shell/ui/sys_image_list.h"
#include "tests/support/gui_app.h"

namespace corvane::testing {
namespace {

using namespace shell;

TEST(SysImageList, EveryKeyDrawsAtBothSizes) {
    GuiApp();
    const char* keys[] = {"application-octet-stream", "folder", "folder-open", "user-home", "computer",
                          "user-trash", "user-trash-full", "drive-harddisk", "drive-removable-media",
                          "user-desktop", "text-html", "image-png", "x-no-such-icon-anywhere"};
    for (int kind : {0, 1}) {
        TSysImageList images(kind);
        EXPECT_EQ(images.Size(), kind == 0 ? 16 : 32);
        for (const char* key : keys) {
            const int index = SysIconIndex(key);
            EXPECT_FALSE(images.Icon(index).isNull()) << key;
            const QPixmap pixmap = images.Pixmap(index);
            EXPECT_EQ(pixmap.size(), QSize(images.Size(), images.Size())) << key;
        }
        EXPECT_FALSE(images.Icon(images.Count() + 10).isNull());
    }
}

TEST(SysImageList, OverlaysAndCutChangePixels) {
    GuiApp();
    TSysImageList images(1);
    const int folder = SysIconIndex("folder");
    const QImage plain = images.Pixmap(folder).toImage();
    const QImage link = images.Pixmap(folder, kOverlayLink).toImage();
    const QImage shared = images.Pixmap(folder, kOverlayShared).toImage();
    const QImage cut = images.Pixmap(folder, kOverlayNone, true).toImage();
    EXPECT_NE(plain, link);
    EXPECT_NE(plain, shared);
    EXPECT_NE(link, shared);
    EXPECT_NE(plain, cut);
    // The overlay sits in the lower left; the upper right is the icon's own.
    EXPECT_EQ(plain.copy(24, 0, 8, 8), link.copy(24, 0, 8, 8).convertToFormat(plain.format()));
    EXPECT_FALSE(TSysImageList::OverlayPixmap(kOverlayLink, 16).isNull());
}

}  // namespace
}  // namespace corvane::testing
