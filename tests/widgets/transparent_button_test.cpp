#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "engine/model/settings.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "widgets/transparent_button.h"

namespace corvane {
namespace {

const QColor kKey(0xFF, 0x00, 0xFF);

// A strip of solid state images; the bottom-left pixel carries the key colour.
QImage Strip(int width, int height, const std::vector<QColor>& colours) {
    QImage strip(width, height, QImage::Format_RGB32);
    const int slice = width / static_cast<int>(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < slice; ++x)
                strip.setPixelColor(static_cast<int>(i) * slice + x, y, colours[i]);
    }
    strip.setPixelColor(0, height - 1, kKey);
    return strip;
}

void SendMouse(QWidget& widget, QEvent::Type type, QPoint point, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(point), QPointF(widget.mapToGlobal(point)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}
void Press(QWidget& w, QPoint p, Qt::MouseButton b = Qt::LeftButton) { SendMouse(w, QEvent::MouseButtonPress, p, b, b); }
void MoveTo(QWidget& w, QPoint p) { SendMouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
void Release(QWidget& w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    SendMouse(w, QEvent::MouseButtonRelease, p, b, Qt::NoButton);
}
void Enter(QWidget& w) {
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(w.mapToGlobal(QPoint(5, 5))));
    QApplication::sendEvent(&w, &event);
}
void Leave(QWidget& w) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&w, &event);
}
QColor Centre(QWidget& w) {
    const QImage picture = w.grab().toImage();
    return picture.pixelColor(picture.width() / 2, picture.height() / 2);
}

class TransparentButton : public ::testing::Test {
protected:
    void SetUp() override { testing::GuiApp(); }
};

TEST_F(TransparentButton, GlyphStripsAreSlicedAndMasked) {
    TTransparentButton button;
    EXPECT_EQ(button.size(), QSize(40, 40));
    QImage strip = Strip(60, 20, {Qt::red, Qt::green, Qt::blue});
    strip.setPixelColor(25, 5, kKey);  // the key colour inside the second image
    button.SetGlyph(strip);
    EXPECT_EQ(button.NumGlyphs(), 3);
    ASSERT_EQ(button.Images().size(), 3u);
    EXPECT_EQ(button.Images()[0].size(), QSize(20, 20));
    EXPECT_EQ(qAlpha(button.Images()[0].pixel(0, 19)), 0);
    EXPECT_EQ(qAlpha(button.Images()[1].pixel(5, 5)), 0);
    EXPECT_EQ(button.Images()[1].pixelColor(6, 5), QColor(Qt::green));
    EXPECT_EQ(button.Glyph().pixelColor(0, 19), kKey) << "the strip itself is kept as given";

    button.SetGlyph(Strip(100, 20, {Qt::red}));  // five squares: more than four, one image
    EXPECT_EQ(button.NumGlyphs(), 1);
    EXPECT_EQ(button.Images().at(0).width(), 100);

    button.SetNumGlyphs(2);
    button.SetGlyph(Strip(50, 20, {Qt::red, Qt::green}));  // no whole multiple: the count stays
    EXPECT_EQ(button.NumGlyphs(), 2);
    EXPECT_EQ(button.Images().at(1).width(), 25);

    // The skin's strips, as the toolbars load them.
    CreateApp();
    EXPECT_TRUE(LoadSkinGlyph(button, "run.bmp"));
    EXPECT_EQ(button.NumGlyphs(), 3);
    EXPECT_EQ(qAlpha(button.Images().at(2).pixel(0, button.Glyph().height() - 1)), 0);
    const QImage before = button.Glyph();
    EXPECT_FALSE(LoadSkinGlyph(button, "no-such-glyph.bmp"));
    EXPECT_EQ(button.Glyph(), before);
    ReleaseApp();
}

TEST_F(TransparentButton, DrawsTheImageOfItsState) {
    TTransparentButton button;
    button.SetFrameStyle(TFrameStyle::fsNone);
    button.SetGlyph(Strip(60, 20, {Qt::red, Qt::green, Qt::blue}));
    EXPECT_EQ(Centre(button), QColor(Qt::red));
    Press(button, {20, 20});
    EXPECT_EQ(Centre(button), QColor(Qt::blue));
    Release(button, {20, 20});
    EXPECT_EQ(Centre(button), QColor(Qt::red));
    button.setEnabled(false);
    EXPECT_EQ(Centre(button), QColor(Qt::green));

    // Explorer buttons stay grey until the mouse is over them.
    TTransparentButton explorer;
    explorer.SetGlyph(Strip(60, 20, {Qt::red, Qt::green, Qt::blue}));
    EXPECT_EQ(Centre(explorer), QColor(Qt::green));
    Enter(explorer);
    EXPECT_TRUE(explorer.Hot());
    EXPECT_EQ(Centre(explorer), QColor(Qt::red));
    Leave(explorer);
    EXPECT_EQ(Centre(explorer), QColor(Qt::green));

    // A single image has no grey one: nothing is drawn until the mouse comes.
    TTransparentButton single;
    single.SetTransparent(false);
    single.SetGlyph(Strip(20, 20, {Qt::red}));
    EXPECT_EQ(single.CurrentGlyphIndex(), -1);
    EXPECT_EQ(Centre(single), QColor(Qt::white));
    Enter(single);
    EXPECT_EQ(Centre(single), QColor(Qt::red));

    EXPECT_EQ(GlyphIndex(2, 2, false, false, true, TFrameStyle::fsNone, true), 1);
    EXPECT_EQ(GlyphIndex(2, 2, true, true, true, TFrameStyle::fsNone, true), 0);
    EXPECT_EQ(GlyphIndex(4, 4, true, false, false, TFrameStyle::fsExplorer, true), 2);
    EXPECT_EQ(GlyphIndex(1, 1, false, false, true, TFrameStyle::fsNone, true), 0);
    EXPECT_EQ(GlyphIndex(3, 0, true, false, true, TFrameStyle::fsNone, true), -1);
}

TEST_F(TransparentButton, ReleaseOutsideLeavesItRaisedWithoutClick) {
    TTransparentButton button;
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    Press(button, {10, 10});
    EXPECT_TRUE(button.PressedLook());
    MoveTo(button, {60, 10});
    EXPECT_FALSE(button.PressedLook());
    MoveTo(button, {30, 30});
    EXPECT_TRUE(button.PressedLook()) << "coming back restores the pressed look";
    MoveTo(button, {-5, 10});
    Release(button, {-5, 10});
    EXPECT_FALSE(button.PressedLook());
    EXPECT_EQ(clicks.count(), 0);

    Press(button, {10, 10});
    Release(button, {12, 12});
    EXPECT_EQ(clicks.count(), 1);
    Press(button, {10, 10}, Qt::RightButton);
    Release(button, {10, 10}, Qt::RightButton);
    EXPECT_EQ(clicks.count(), 1) << "the right button does not click";
}

TEST_F(TransparentButton, DownKeepsThePressedLook) {
    TTransparentButton button;
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    button.SetDown(true);
    EXPECT_TRUE(button.PressedLook());
    Press(button, {10, 10});
    MoveTo(button, {80, 10});
    EXPECT_TRUE(button.PressedLook());
    Release(button, {10, 10});
    EXPECT_TRUE(button.PressedLook());
    EXPECT_EQ(clicks.count(), 1);
    button.setEnabled(false);
    EXPECT_TRUE(button.PressedLook());
    button.setEnabled(true);
    button.SetDown(false);
    EXPECT_FALSE(button.PressedLook());
}

TEST_F(TransparentButton, MenusDropBelowAndNothingIsClicked) {
    QWidget window;
    auto* button = new TTransparentButton(&window);
    button->move(30, 20);
    auto* drop_down = new QMenu(&window);
    drop_down->addAction("New task");
    int shown = 0;
    QPoint shown_at;
    QObject::connect(drop_down, &QMenu::aboutToShow, drop_down, [&] {
        ++shown;
        QTimer::singleShot(0, drop_down, [&] {
            shown_at = drop_down->pos();
            drop_down->close();
        });
    });
    button->SetDropDownMenu(drop_down);
    QSignalSpy clicks(button, &QAbstractButton::clicked);

    Press(*button, {10, 10});
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(shown_at, button->mapToGlobal(QPoint(0, 40)));
    EXPECT_FALSE(button->PressedLook());
    Release(*button, {10, 10});  // the release the menu swallowed on a real screen
    Press(*button, {10, 10}, Qt::RightButton);
    Release(*button, {10, 10}, Qt::RightButton);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(clicks.count(), 0);

    // A pop-up menu opens on the right button only.
    button->SetDropDownMenu(nullptr);
    button->SetPopUpMenu(drop_down);
    Press(*button, {10, 10});
    Release(*button, {10, 10});
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(clicks.count(), 1);
    Press(*button, {10, 10}, Qt::RightButton);
    EXPECT_EQ(shown, 3);

    delete drop_down;
    EXPECT_EQ(button->PopUpMenu(), nullptr);
}

TEST_F(TransparentButton, CaptionSitsInNinePlacesAroundTheGlyph) {
    const QSize client(60, 60), text(30, 10);
    const int spacing = 2;
    struct Case {
        TTextAlign Align;
        QRect Glyph, Caption;
    };
    using A = TTextAlign;
    const Case cases[] = {
        {A::ttaTopLeft, {20, 38, 20, 20}, {2, 26, 30, 10}},
        {A::ttaTop, {20, 38, 20, 20}, {15, 26, 30, 10}},
        {A::ttaTopRight, {20, 38, 20, 20}, {28, 26, 30, 10}},
        {A::ttaRight, {2, 20, 20, 20}, {28, 25, 30, 10}},
        {A::ttaBottomRight, {20, 2, 20, 20}, {28, 24, 30, 10}},
        {A::ttaBottom, {20, 2, 20, 20}, {15, 24, 30, 10}},
        {A::ttaBottomLeft, {20, 2, 20, 20}, {2, 24, 30, 10}},
        {A::ttaLeft, {38, 20, 20, 20}, {2, 25, 30, 10}},
        {A::ttaCenter, {20, 20, 20, 20}, {15, 25, 30, 10}},
    };
    for (const Case& c : cases) {
        const QRect glyph = GlyphRect(client, QSize(20, 20), c.Align, spacing);
        EXPECT_EQ(glyph, c.Glyph) << static_cast<int>(c.Align);
        EXPECT_EQ(CaptionRect(client, glyph, text, c.Align, spacing), c.Caption) << static_cast<int>(c.Align);
    }
}

TEST_F(TransparentButton, AcceleratorClicksAndMovableFollowsTheMouse) {
    QWidget window;
    window.setObjectName("ButtonWindow");
    window.resize(200, 100);
    auto* button = new TTransparentButton(&window);
    button->SetCaption("&Run");
    button->SetMovable(true);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    QTest::keyClick(&window, Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(clicks.count() == 1 || clicks.wait(2000));

    Press(*button, {10, 10});
    MoveTo(*button, {25, 15});
    EXPECT_EQ(button->pos(), QPoint(15, 5));
    Release(*button, {10, 10});
    testing::SaveScreenshot(window);
}

}  // namespace
}  // namespace corvane
