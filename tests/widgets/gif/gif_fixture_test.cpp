// The decoder against giflib on every fixture, and the documented choices on the fixtures made
// for them.

#include "tests/widgets/gif/gif_oracle.h"
#include "tests/widgets/gif/gif_test_support.h"

#include <gtest/gtest.h>

namespace corvane::giftest {
namespace {

TEST(GifOracle, EveryFixtureMatchesGiflib) {
    const std::vector<std::string> names = FixtureNames();
    ASSERT_GE(names.size(), 20u) << "fixtures missing from " << GIF_FIXTURE_DIR;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const Bytes bytes = ReadFixture(name);
        const std::optional<TGIFDocument> expected = ReadWithGiflib(bytes);
        ASSERT_TRUE(expected.has_value()) << "giflib refuses the fixture";
        TGIFDecoder decoder = Decode(bytes);
        ASSERT_EQ(decoder.ErrorText(), "");
        ASSERT_FALSE(decoder.Document().Frames.empty());
        ExpectSameDocument(decoder.Document(), *expected);
    }
}

TEST(GifFixtures, DisposalsAboveThreeReadAsTwo) {
    const TGIFDocument doc = Decode(ReadFixture("disposals.gif")).Document();
    ASSERT_EQ(doc.Frames.size(), 8u);
    const int expected[8] = {0, 1, 2, 3, 2, 2, 2, 2};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(doc.Frames[i].Disposal, expected[i]) << "disposal field " << i;
    EXPECT_EQ(doc.LoopCount, 0);
}

TEST(GifFixtures, DelaysAreHundredthsTimesTen) {
    const TGIFDocument doc = Decode(ReadFixture("delays.gif")).Document();
    ASSERT_EQ(doc.Frames.size(), 6u);
    const int expected[6] = {0, 10, 70, 300, 1000, 655350};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(doc.Frames[i].Delay, expected[i]);
}

TEST(GifFixtures, TransparencyGivesMaskAndColour) {
    const TGIFDocument doc = Decode(ReadFixture("transparent.gif")).Document();
    ASSERT_EQ(doc.Frames.size(), 4u);
    EXPECT_TRUE(doc.TransparentAnywhere);
    EXPECT_EQ(doc.LoopCount, 5);
    const TGIFFrame& first = doc.Frames[0];
    ASSERT_TRUE(first.Transparent);
    EXPECT_EQ(first.TransparentIndex, 2);
    EXPECT_TRUE(first.TransparentColor == (TGIFColor{0, 255, 0}));
    int transparent = 0;
    for (std::int64_t y = 0; y < first.Height; ++y)
        for (std::int64_t x = 0; x < first.Width; ++x) {
            EXPECT_EQ(first.IsTransparentAt(x, y), first.PixelAt(x, y) == 2);
            transparent += first.IsTransparentAt(x, y);
        }
    EXPECT_GT(transparent, 0);
    EXPECT_EQ(doc.Frames[1].TransparentIndex, 0);
    EXPECT_FALSE(doc.Frames[2].Transparent);
    EXPECT_TRUE(doc.Frames[2].Mask.empty());
}

TEST(GifFixtures, CommentsJoinPerFrameAndDoNotCarryOver) {
    const TGIFDocument doc = Decode(ReadFixture("comments.gif")).Document();
    ASSERT_EQ(doc.Frames.size(), 3u);
    EXPECT_EQ(doc.Frames[0].Comment, "first commentsecond");
    EXPECT_EQ(doc.Frames[1].Comment, "third");
    EXPECT_EQ(doc.Frames[2].Comment, "");
}

TEST(GifFixtures, GraphicControlAppliesToOneFrameOnly) {
    const TGIFDocument doc = Decode(ReadFixture("control_reset.gif")).Document();
    ASSERT_EQ(doc.Frames.size(), 4u);
    EXPECT_TRUE(doc.Frames[0].Transparent);
    EXPECT_EQ(doc.Frames[0].Delay, 50);
    EXPECT_EQ(doc.Frames[0].Disposal, 2);
    for (int i : {1, 3}) {
        EXPECT_FALSE(doc.Frames[i].Transparent) << i;
        EXPECT_EQ(doc.Frames[i].Delay, 0) << i;
        EXPECT_EQ(doc.Frames[i].Disposal, 0) << i;
    }
    EXPECT_EQ(doc.Frames[2].Disposal, 3);
}

TEST(GifFixtures, LoopCountComesFromTheNetscapeBlock) {
    EXPECT_EQ(Decode(ReadFixture("loop0.gif")).Document().LoopCount, 0);
    EXPECT_EQ(Decode(ReadFixture("loop5.gif")).Document().LoopCount, 5);
    EXPECT_EQ(Decode(ReadFixture("delays.gif")).Document().LoopCount, 1);
    EXPECT_EQ(Decode(ReadFixture("gifsicle_opt.gif")).Document().LoopCount, 3);
}

TEST(GifFixtures, FramesBeyondTheScreenWidenTheImage) {
    const TGIFDocument doc = Decode(ReadFixture("offsets.gif")).Document();
    EXPECT_EQ(doc.ScreenWidth, 16);
    EXPECT_EQ(doc.ScreenHeight, 16);
    EXPECT_EQ(doc.Width, 30);
    EXPECT_EQ(doc.Height, 30);
}

TEST(GifFixtures, GIF87aIgnoresTheTransparencyBit) {
    const TGIFDocument doc = Decode(ReadFixture("gif87a_control.gif")).Document();
    EXPECT_EQ(doc.Version, TGIFVersion::gvGIF87a);
    ASSERT_EQ(doc.Frames.size(), 2u);
    EXPECT_FALSE(doc.Frames[0].Transparent);
    EXPECT_FALSE(doc.TransparentAnywhere);
    EXPECT_EQ(doc.Frames[0].Delay, 200);  // the rest of the block is still honoured
    EXPECT_EQ(doc.Frames[0].Disposal, 2);
    EXPECT_EQ(Decode(ReadFixture("transparent.gif")).Document().Version, TGIFVersion::gvGIF89a);
}

TEST(GifFixtures, OnlyTheFirst256FramesAreKept) {
    const TGIFDocument doc = Decode(ReadFixture("frames300.gif")).Document();
    ASSERT_EQ(doc.Frames.size(), 256u);
    EXPECT_EQ(doc.Frames[0].Delay, 0);
    EXPECT_EQ(doc.Frames[255].Delay, 2550);
}

TEST(GifFixtures, ColourCountFollowsLocalOrRaisedGlobalBits) {
    const TGIFDocument doc = Decode(ReadFixture("local_tables.gif")).Document();
    ASSERT_EQ(doc.Frames.size(), 3u);
    EXPECT_EQ(doc.Frames[0].ColorCount, 4);
    EXPECT_EQ(doc.Frames[1].ColorCount, 16);
    EXPECT_EQ(doc.Frames[2].BitsPerPixel, 0);
    EXPECT_EQ(doc.Frames[2].ColorCount, 16);  // global 1 bit, raised to 4 by the frame before
    EXPECT_EQ(doc.GlobalBitsPerPixel, 4);
    EXPECT_TRUE(doc.Frames[2].Palette[1] == (TGIFColor{99, 99, 99}));
}

TEST(GifFixtures, OneByteSubBlocksDecodeLikeFullOnes) {
    const TGIFDocument doc = Decode(ReadFixture("subblocks1.gif")).Document();
    ASSERT_EQ(doc.Frames.size(), 1u);
    ExpectSameFrame(doc.Frames[0], Decode(ReadFixture("subblocks255.gif")).Document().Frames[0]);
}

TEST(GifFixtures, FirstImageOnlyStopsAfterOneFrame) {
    TGIFDecoder decoder;
    decoder.FirstImageOnly = true;
    ASSERT_TRUE(decoder.ReadGIF(ReadFixture("disposals.gif")));
    EXPECT_EQ(decoder.Document().Frames.size(), 1u);
}

}  // namespace
}  // namespace corvane::giftest
