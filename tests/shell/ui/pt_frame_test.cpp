// Framed panels: what each style paints, the caption rule and the group's insets.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "shell/ns/com.h"
#include "shell/ui/pt_frame.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

using namespace shell;

QPalette DistinctPalette() {
    QPalette pal;
    pal.setColor(QPalette::Window, QColor(200, 200, 200));
    pal.setColor(QPalette::Dark, QColor(128, 0, 0));
    pal.setColor(QPalette::Light, QColor(0, 128, 0));
    pal.setColor(QPalette::Shadow, QColor(0, 0, 128));
    pal.setColor(QPalette::Button, QColor(128, 128, 0));
    pal.setColor(QPalette::WindowText, QColor(0, 128, 128));
    return pal;
}

TEST(PtFrame, CornerPixelsOfTheBevels) {
    GuiApp();
    const QPalette pal = DistinctPalette();
    struct Case {
        TPTFrameStyle style;
        QPalette::ColorRole outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
    };
    const Case cases[] = {
        {TPTFrameStyle::ptfsLowered, QPalette::Dark, QPalette::Light, QPalette::Shadow, QPalette::Button},
        {TPTFrameStyle::ptfsRaised, QPalette::Light, QPalette::Shadow, QPalette::Button, QPalette::Dark},
        {TPTFrameStyle::ptfsSingle, QPalette::WindowText, QPalette::WindowText, QPalette::Window, QPalette::Window},
        {TPTFrameStyle::ptfsDint, QPalette::Dark, QPalette::Light, QPalette::Window, QPalette::Window},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.style));
        TPTFrame frame;
        frame.setPalette(pal);
        frame.resize(40, 30);
        frame.SetFrameStyle(c.style);
        const QImage image = frame.grab().toImage();
        EXPECT_EQ(image.pixelColor(0, 0), pal.color(c.outerTopLeft));
        EXPECT_EQ(image.pixelColor(39, 29), pal.color(c.outerBottomRight));
        EXPECT_EQ(image.pixelColor(1, 1), pal.color(c.innerTopLeft));
        EXPECT_EQ(image.pixelColor(38, 28), pal.color(c.innerBottomRight));
    }
}

TEST(PtFrame, NoneWithoutDefaultDrawingPaintsOnlyOnPaint) {
    GuiApp();
    TPTFrame frame;
    frame.setPalette(DistinctPalette());
    frame.resize(120, 30);
    frame.SetFrameStyle(TPTFrameStyle::ptfsNone);
    frame.SetCaption("Caption text");
    frame.OnPaint = [](QObject*, QPainter& painter) { painter.fillRect(QRect(0, 0, 4, 4), Qt::magenta); };
    const auto countOther = [](const QImage& image) {
        int other = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (x < 4 && y < 4) EXPECT_EQ(c, QColor(Qt::magenta));
                else if (c != QColor(200, 200, 200)) ++other;
            }
        return other;
    };
    EXPECT_GT(countOther(frame.grab().toImage()), 0);  // the caption, by default
    frame.SetDefaultDrawing(false);
    EXPECT_EQ(countOther(frame.grab().toImage()), 0);
}

TEST(PtFrame, CaptionElidedAndMeasured) {
    GuiApp();
    TPTFrame frame;
    frame.resize(80, 24);
    frame.SetCaption("A caption much wider than the frame it sits in");
    frame.grab();
    EXPECT_TRUE(frame.DisplayedCaption().endsWith(QChar(0x2026))) << frame.DisplayedCaption().toStdString();
    frame.SetCaption("Hi");
    frame.grab();
    EXPECT_EQ(frame.DisplayedCaption(), "Hi");

    const QFont font = frame.font();
    const QSize blank = MeasureCaption(" ", font);
    EXPECT_GT(blank.height(), 0);
    EXPECT_EQ(MeasureCaption("&", font), blank);
    EXPECT_EQ(MeasureCaption("", font), blank);
    EXPECT_EQ(MeasureCaption("&&", font), QFontMetrics(font).size(Qt::TextShowMnemonic, "&&"));
}

TEST(PtFrame, GroupInsetsAndImageComboItems) {
    GuiApp();
    TPTGroup group;
    group.resize(160, 100);
    EXPECT_EQ(group.contentsMargins().top(), 2);  // no caption
    group.SetCaption("Options");
    const int captionHeight = QFontMetrics(group.font()).height();
    EXPECT_EQ(group.contentsMargins(), QMargins(2, captionHeight, 2, 2));
    group.SetFrameStyle(TPTFrameStyle::ptfsHorzEdge);
    EXPECT_EQ(group.contentsMargins(), QMargins(0, 2, 0, 2));
    TPTPane pane;
    EXPECT_EQ(pane.FrameStyle(), TPTFrameStyle::ptfsLowered);
    EXPECT_EQ(pane.MinSize, 20);
    EXPECT_EQ(pane.contentsMargins(), QMargins(2, 2, 2, 2));

    QComboBox combo;
    TPTImageComboItem item;
    QLabel other;
    combo.addItem("item", QVariant::fromValue<QObject*>(&item));
    combo.addItem("none");
    combo.addItem("label", QVariant::fromValue<QObject*>(&other));
    combo.addItem("number", 7);
    EXPECT_EQ(ImageComboItem(combo, 0), &item);
    EXPECT_EQ(ImageComboItem(combo, 1), nullptr);
    EXPECT_THROW(ImageComboItem(combo, 2), EShellError);
    EXPECT_THROW(ImageComboItem(combo, 3), EShellError);
}

TEST(PtFrame, AllStylesScreenshot) {
    GuiApp();
    QWidget window;
    window.setObjectName("PtFrameStyles");
    auto* grid = new QGridLayout(&window);
    const char* names[kFrameStyleCount] = {"ptfsNone",   "ptfsGroup",    "ptfsLowered",  "ptfsRaised",
                                           "ptfsDint",   "ptfsBump",     "ptfsSingle",   "ptfsHorzLine",
                                           "ptfsHorzEdge", "ptfsVertLine", "ptfsVertEdge"};
    for (int i = 0; i < kFrameStyleCount; ++i) {
        const auto style = static_cast<TPTFrameStyle>(i);
        QWidget* cell;
        if (style == TPTFrameStyle::ptfsGroup) {
            auto* group = new TPTGroup(&window);
            group->SetCaption(names[i]);
            auto* inside = new QVBoxLayout(group);
            inside->addWidget(new QLabel("child", group));
            cell = group;
        } else {
            auto* frame = new TPTFrame(&window);
            frame->SetFrameStyle(style);
            frame->SetCaption(names[i]);
            frame->SetAlignment(i % 3 == 0 ? Qt::AlignLeft : i % 3 == 1 ? Qt::AlignHCenter : Qt::AlignRight);
            cell = frame;
        }
        cell->setMinimumSize(130, 48);
        grid->addWidget(cell, i / 4, i % 4);
    }
    auto* disabled = new TPTGroup(&window);
    disabled->SetCaption("disabled group");
    disabled->setEnabled(false);
    disabled->setMinimumSize(130, 48);
    grid->addWidget(disabled, 2, 3);
    window.resize(600, 200);
    window.show();
    SaveScreenshot(window);
}

}  // namespace
}  // namespace corvane::testing
