// The animated GIF control driven as its timer and a form would drive it: composites checked
// frame by frame against ImageMagick's coalesced frames, the loop rules, loading failures, and
// a picture of each way of placing the image.

#include "widgets/gif_image.h"

#include "platform/qt/qt_main_loop.h"
#include "platform/rtl/paths.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"

#include <gtest/gtest.h>

#include <functional>

#include <QBuffer>
#include <QDataStream>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

namespace corvane {
namespace {

QString Fixture(const char* name) { return QString(GIF_FIXTURE_DIR) + "/" + name; }
QString SkinAnimation() { return QString::fromStdString(ResourcesDir() + "/Skins/Default/cvanim.gif"); }

class GIFImage : public ::testing::Test {
protected:
    void SetUp() override {
        testing::GuiApp();
        // The frame timer fires through the main loop; one for the whole test program.
        static QtMainLoop* loop = CurrentMainLoop() == nullptr ? new QtMainLoop : nullptr;
        (void)loop;
    }
};

// Each frame ImageMagick coalesces, as images of the screen size.
std::vector<QImage> Coalesced(const QString& file, const QTemporaryDir& dir) {
    const QString pattern = dir.filePath("frame-%03d.png");
    const int rc = QProcess::execute("convert", {file, "-coalesce", "+repage", pattern});
    EXPECT_EQ(rc, 0) << file.toStdString();
    std::vector<QImage> frames;
    for (int i = 0;; ++i) {
        QImage image(dir.filePath(QString::asprintf("frame-%03d.png", i)));
        if (image.isNull()) break;
        frames.push_back(image.convertToFormat(QImage::Format_ARGB32));
    }
    return frames;
}

// Compares on the pixels ImageMagick reports opaque; where it reports transparent ours must be
// transparent, or black when the file has no transparency.
void ExpectSameComposite(const QImage& ours, const QImage& expected, bool transparentAnywhere, const std::string& what) {
    const QImage actual = ours.convertToFormat(QImage::Format_ARGB32);
    const int width = std::min(actual.width(), expected.width());
    const int height = std::min(actual.height(), expected.height());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QRgb e = expected.pixel(x, y), a = actual.pixel(x, y);
            const QRgb want = qAlpha(e) != 0 ? (e | 0xFF000000u) : (transparentAnywhere ? 0u : qRgb(0, 0, 0));
            if (a != want) {
                ADD_FAILURE() << what << " differs at " << x << "," << y << ": ours " << std::hex << a << " expected "
                              << want;
                return;
            }
        }
}

TEST_F(GIFImage, EveryTickComposesAsImageMagickCoalesces) {
    // Left out: frames300 (past our 256-frame limit), GIF87a files (no transparency for us) and
    // control_reset (ImageMagick carries a disposal on to frames without a control block of their own).
    for (const char* name : {"disposals.gif", "transparent.gif", "offsets.gif", "interlaced.gif", "local_tables.gif",
                             "loop0.gif", "delays.gif", "magick_anim.gif", "gifsicle_opt.gif"}) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        const std::vector<QImage> expected = Coalesced(Fixture(name), dir);
        TGIFImage control;
        control.SetThreaded(false);
        ASSERT_TRUE(control.LoadFromFile(Fixture(name)));
        ASSERT_EQ(static_cast<std::size_t>(control.FrameCount()), expected.size());
        control.SetLoop(true);
        control.SetAnimate(true);
        ExpectSameComposite(control.Composite(), expected[0], control.TransparentAnywhere(), "frame 1");
        control.AnimationTimer();  // frame 1 is on show since the load: nothing to draw
        for (std::size_t i = 1; i < expected.size(); ++i) {
            control.AnimationTimer();
            ExpectSameComposite(control.Composite(), expected[i], control.TransparentAnywhere(),
                                "frame " + std::to_string(i + 1));
        }
    }
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

// A copy of a file with its NETSCAPE2.0 loop count replaced.
QByteArray WithLoopCount(QByteArray bytes, int count) {
    const qsizetype at = bytes.indexOf("NETSCAPE2.0");
    EXPECT_GE(at, 0);
    bytes[at + 13] = static_cast<char>(count & 0xFF);
    bytes[at + 14] = static_cast<char>(count >> 8);
    return bytes;
}

TEST_F(GIFImage, PacingAndPlacementRules) {
    EXPECT_EQ(TGIFImage::AnimationInterval(0, 100), 50u);
    EXPECT_EQ(TGIFImage::AnimationInterval(30, 100), 50u);
    EXPECT_EQ(TGIFImage::AnimationInterval(100, 200), 50u);
    EXPECT_EQ(TGIFImage::AnimationInterval(50, 10000), 1u);
    TGIFImage control;
    control.SetSpeed(0);
    EXPECT_EQ(control.Speed(), 1);
    control.SetSpeed(-5);
    EXPECT_EQ(control.Speed(), 1);

    EXPECT_EQ(TGIFImage::StretchRect({100, 50}, {100, 100}, false, true), QRect(0, 25, 100, 50));
    EXPECT_EQ(TGIFImage::StretchRect({50, 100}, {100, 100}, false, true), QRect(25, 0, 50, 100));
    // 2.5 rounds to the even 2 at the top and 7.5 to the even 8 at the bottom.
    EXPECT_EQ(TGIFImage::StretchRect({10, 5}, {10, 10}, false, true), QRect(0, 2, 10, 6));
    EXPECT_EQ(TGIFImage::StretchRect({100, 50}, {100, 100}, true, true), QRect(0, 0, 100, 100));
    const std::vector<QPoint> tiles = TGIFImage::TilePositions({40, 30}, {100, 30});
    EXPECT_EQ(tiles, (std::vector<QPoint>{{0, 0}, {40, 0}, {80, 0}, {0, 30}, {40, 30}, {80, 30}}));
    // A control narrower than the image: the offset truncates toward zero (-5 / 2 = -2, not -3).
    EXPECT_EQ(TGIFImage::CenterPosition({105, 40}, {100, 40}), QPoint(-2, 0));
}

TEST_F(GIFImage, LoopCountPlaysThatManyTimesAndLoopRestarts) {
    TGIFImage control;
    control.SetThreaded(false);
    ASSERT_TRUE(control.LoadFromBytes(WithLoopCount(ReadAll(Fixture("loop5.gif")), 2)));
    ASSERT_EQ(control.LoopCount(), 2);
    int wraps = 0, changes = 0;
    control.OnWrapAnimation = [&](TGIFImage*) { ++wraps; };
    control.OnChange = [&](TGIFImage*) { ++changes; };
    control.SetAnimate(true);
    ASSERT_TRUE(control.FrameTimer().Enabled());
    int ticks = 0;
    while (control.FrameTimer().Enabled() && ticks < 50) {
        control.AnimationTimer();
        ++ticks;
    }
    EXPECT_EQ(wraps, 2);
    EXPECT_EQ(ticks, 2 * control.FrameCount());
    EXPECT_EQ(changes, ticks);
    // A paint after the end must not start it again.
    control.resize(control.ImageSize());
    (void)control.grab();
    EXPECT_FALSE(control.FrameTimer().Enabled());

    control.SetLoop(true);
    EXPECT_TRUE(control.FrameTimer().Enabled());
    EXPECT_EQ(control.LoopsDone(), 1);
    EXPECT_EQ(control.CurrentFrame(), 1);
    for (int i = 0; i < 10; ++i) control.AnimationTimer();
    EXPECT_TRUE(control.FrameTimer().Enabled()) << "Loop plays for ever";
    EXPECT_EQ(wraps, 7);
}

TEST_F(GIFImage, FramesOnlyMoveWhenTheyShould) {
    TGIFImage control;
    control.SetThreaded(false);
    // A one-frame picture never starts the timer, whatever Animate says or a paint does.
    ASSERT_TRUE(control.LoadFromFile(QString::fromStdString(ResourcesDir() + "/Skins/Default/cvlogo.gif")));
    ASSERT_EQ(control.FrameCount(), 1);
    control.SetAnimate(true);
    (void)control.grab();
    EXPECT_FALSE(control.FrameTimer().Enabled());

    ASSERT_TRUE(control.LoadFromFile(SkinAnimation()));
    ASSERT_GT(control.FrameCount(), 2);
    EXPECT_TRUE(control.Animate()) << "kept across loads";
    control.SetAnimate(false);
    const QImage first = control.Composite().copy();
    int changes = 0;
    control.OnChange = [&](TGIFImage*) { ++changes; };
    control.SetCurrentFrame(0);
    control.SetCurrentFrame(control.FrameCount() + 1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(control.Composite(), first);

    control.SetAnimate(true);
    for (int i = 0; i < 4; ++i) control.AnimationTimer();
    EXPECT_EQ(control.CurrentFrame(), 5);
    EXPECT_NE(control.Composite(), first);
    control.SetAnimate(false);
    EXPECT_EQ(control.CurrentFrame(), 1);
    EXPECT_EQ(control.Composite(), first) << "switching Animate off shows frame 1";
    EXPECT_FALSE(control.FrameTimer().Enabled());

    control.SetCurrentFrame(3);
    EXPECT_EQ(changes, 5);
    EXPECT_NE(control.Composite(), first);

    // Animate is stored even without a picture, and a stored one does nothing.
    TGIFImage blank;
    blank.SetAnimate(true);
    EXPECT_TRUE(blank.Animate());
    blank.AnimationTimer();
    EXPECT_FALSE(blank.FrameTimer().Enabled());
}

TEST_F(GIFImage, LoadingFailuresAndCopies) {
    TGIFImage control;
    control.SetThreaded(false);
    ASSERT_TRUE(control.LoadFromFile(SkinAnimation()));
    const int frames = control.FrameCount();
    EXPECT_FALSE(control.LoadFromFile(SkinAnimation() + ".missing"));
    EXPECT_EQ(control.FrameCount(), frames) << "a missing file keeps the picture";
    EXPECT_FALSE(control.Empty());

    // Cut inside the first image descriptor: refused, and the control is cleared.
    const QByteArray whole = ReadAll(SkinAnimation());
    QByteArray cut = whole.left(13 + 3 * (1 << ((static_cast<unsigned char>(whole[10]) & 7) + 1)));
    cut += QByteArray("\x2C\x00\x00", 3);
    EXPECT_FALSE(control.LoadFromBytes(cut));
    EXPECT_TRUE(control.Empty());
    EXPECT_EQ(control.FrameCount(), 0);
    EXPECT_TRUE(control.Data().isEmpty());

    // A load the progress handler abandons clears too.
    control.OnProgress = [](TGIFImage*, std::int64_t, std::int64_t, int, bool& keep) { keep = false; };
    EXPECT_FALSE(control.LoadFromBytes(whole));
    EXPECT_TRUE(control.Empty());
    control.OnProgress = nullptr;

    // The stored form round-trips; a length below 1 reads nothing; Assign copies through the bytes.
    ASSERT_TRUE(control.LoadFromBytes(whole));
    QByteArray stored;
    {
        QDataStream out(&stored, QIODevice::WriteOnly);
        control.WriteData(out);
    }
    EXPECT_EQ(stored.size(), whole.size() + 4);
    TGIFImage copy;
    {
        QDataStream in(stored);
        copy.ReadData(in);
    }
    EXPECT_EQ(copy.Data(), whole);
    EXPECT_EQ(copy.Composite(), control.Composite());
    {
        QDataStream in(QByteArray("\0\0\0\0", 4));
        copy.ReadData(in);
    }
    EXPECT_EQ(copy.FrameCount(), frames);
    TGIFImage assigned;
    assigned.Assign(&control);
    EXPECT_EQ(assigned.Data(), whole);
    EXPECT_EQ(assigned.FirstFrameImage(), control.FirstFrameImage());
    assigned.Assign(nullptr);
    EXPECT_TRUE(assigned.Empty());
}

TEST_F(GIFImage, PlaysOnItsTimerThreadThroughTheMainLoop) {
    auto control = std::make_unique<TGIFImage>();
    ASSERT_TRUE(control->Threaded());
    ASSERT_TRUE(control->LoadFromFile(SkinAnimation()));
    int changes = 0;
    control->OnChange = [&](TGIFImage*) { ++changes; };
    control->SetSpeed(1000);
    control->SetAnimate(true);
    (void)control->grab();  // the first paint starts the animation
    QElapsedTimer guard;
    guard.start();
    while (changes < 10 && guard.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_GE(changes, 10);
    EXPECT_TRUE(control->FrameTimer().HasThread());
    control.reset();  // while ticks are on their way: joins without running one on a dead control
    QCoreApplication::processEvents();
}

TEST_F(GIFImage, PicturesOfEachPlacement) {
    QWidget sheet;
    sheet.setObjectName("GIFImage");
    sheet.setStyleSheet("background: #d8d8d8");
    auto* grid = new QGridLayout(&sheet);
    struct Way {
        const char* caption;
        std::function<void(TGIFImage&)> set;
        QSize size;
    };
    const std::vector<Way> ways = {{"plain", [](TGIFImage&) {}, {105, 105}},
                                   {"centred", [](TGIFImage& c) { c.SetCenter(true); }, {105, 105}},
                                   {"tiled", [](TGIFImage& c) { c.SetTile(true); }, {105, 105}},
                                   {"stretched", [](TGIFImage& c) { c.SetStretch(true); }, {150, 90}},
                                   {"ratio-stretched", [](TGIFImage& c) { c.SetStretchRatio(true); }, {150, 90}}};
    std::vector<TGIFImage*> controls;
    for (int i = 0; i < static_cast<int>(ways.size()); ++i) {
        auto* control = new TGIFImage;
        control->SetThreaded(false);
        control->setFixedSize(ways[i].size);
        ASSERT_TRUE(control->LoadFromFile(SkinAnimation()));
        ways[i].set(*control);
        grid->addWidget(control, 0, i, Qt::AlignTop);
        grid->addWidget(new QLabel(ways[i].caption), 1, i);
        controls.push_back(control);
    }
    testing::SaveScreenshot(sheet);

    // The tiled control repeats the picture every image width; the centred one starts at the offset.
    const QImage tiled = controls[2]->grab().toImage();
    const QSize image = controls[2]->ImageSize();
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x + image.width() < 105; x += 5)
            ASSERT_EQ(tiled.pixel(x, y), tiled.pixel(x + image.width(), y)) << x << "," << y;
    EXPECT_EQ(controls[1]->GetDrawRect().topLeft(), TGIFImage::CenterPosition(image, {105, 105}));
    EXPECT_EQ(controls[4]->GetDrawRect(), QRect(30, 0, 90, 90));
}

}  // namespace
}  // namespace corvane
