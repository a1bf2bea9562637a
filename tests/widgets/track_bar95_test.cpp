#include <gtest/gtest.h>

#include <QImage>

#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "widgets/track_bar95.h"

namespace corvane {
namespace {

QImage Picture(TTrackBar95& bar, int value) {
    bar.setValue(value);
    return bar.grab().toImage();
}

TEST(TrackBar95, WithoutThumbNoHandleIsDrawn) {
    testing::GuiApp();
    TTrackBar95 bar;
    bar.setObjectName("tbNoThumb");
    bar.setRange(0, 100);
    bar.resize(160, 30);
    // Hiding the thumb changes the picture inside the handle's rectangle, and nowhere else.
    const QImage with_thumb = Picture(bar, 50);
    const QRect handle = bar.HandleRect().adjusted(-1, -1, 1, 1);
    bar.SetThumb(false);
    EXPECT_FALSE(bar.Thumb());
    const QImage without = Picture(bar, 50);
    ASSERT_EQ(with_thumb.size(), without.size());
    int changed = 0;
    for (int y = 0; y < without.height(); ++y) {
        for (int x = 0; x < without.width(); ++x) {
            if (with_thumb.pixel(x, y) == without.pixel(x, y))
                continue;
            ++changed;
            EXPECT_TRUE(handle.contains(x, y)) << x << "," << y;
        }
    }
    EXPECT_GT(changed, handle.width() * handle.height() / 4);
    testing::SaveScreenshot(bar);
}

TEST(TrackBar95, FixedLengthGivesTheThumbSize) {
    testing::GuiApp();
    TTrackBar95 bar;
    bar.setObjectName("tbPriority");
    bar.setRange(1, 16);
    bar.resize(160, 40);
    const int natural = bar.HandleRect().height();
    bar.SetThumbSize(20);
    EXPECT_EQ(bar.HandleRect().height(), natural) << "the size counts only with FixedLength";
    bar.SetFixedLength(true);
    EXPECT_EQ(bar.HandleRect().height(), 20);
    EXPECT_GE(bar.sizeHint().height(), 20);
    bar.SetThumbSize(12);
    EXPECT_EQ(bar.HandleRect().height(), 12);

    TTrackBar95 vertical(Qt::Vertical);
    vertical.resize(40, 160);
    vertical.SetFixedLength(true);
    vertical.SetThumbSize(20);
    EXPECT_EQ(vertical.HandleRect().width(), 20);

    bar.SetSelEnabled(true);  // stored for the forms; nothing to draw
    EXPECT_TRUE(bar.SelEnabled());
    bar.SetThumbSize(20);
    testing::SaveScreenshot(bar);
}

}  // namespace
}  // namespace corvane
