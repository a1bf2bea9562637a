// Damaged and hostile files: each must end cleanly (these tests also run under ASan and UBSan),
// keep what could be read and never allocate past the limits.

#include "tests/widgets/gif/gif_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace corvane::giftest {
namespace {

const Bytes kTailPixels = {1, 2, 3, 1, 2, 3, 1, 2};

// A damaged first frame of 4 x 2, then a sound second one: the second must still decode.
Bytes WithSoundSecondFrame(GifBuilder builder) {
    return builder.Image(0, 0, 4, 2).Pixels(2, kTailPixels).Trailer().Get();
}

TEST(GifHostile, CodeSizesOutsideOneToEightGiveABlankFrame) {
    Bytes junk(600, 0xFF);  // forged codes across three sub-blocks
    for (int codeSize : {0, 9, 11, 12, 15, 16, 255}) {
        SCOPED_TRACE("code size " + std::to_string(codeSize));
        TGIFDecoder decoder =
            Decode(WithSoundSecondFrame(GifBuilder().Screen(4, 2, 2).Image(0, 0, 4, 2).Data(codeSize, junk)));
        ASSERT_EQ(decoder.ErrorText(), "");
        ASSERT_EQ(decoder.Document().Frames.size(), 2u);
        EXPECT_EQ(decoder.Document().Frames[0].Pixels, Bytes(8, 0));
        EXPECT_EQ(decoder.Document().Frames[1].Pixels, kTailPixels);
    }
}

TEST(GifHostile, ForgedCodesEndTheFrameData) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> codes;
        Bytes pixels;
    };
    // Code size 2: clear 4, end 5, first free 6, 3-bit codes until the table reaches 8 entries.
    const Case cases[] = {
        {"code above the next free one", {{4, 3}, {1, 3}, {7, 3}, {2, 3}, {2, 3}, {5, 3}}, {1, 0, 0, 0, 0, 0, 0, 0}},
        {"table code right after a clear", {{4, 3}, {6, 3}, {1, 3}, {5, 3}}, Bytes(8, 0)},
        {"stale code after a clear", {{4, 3}, {1, 3}, {1, 3}, {6, 3}, {4, 4}, {1, 3}, {7, 3}, {2, 3}, {5, 3}},
         {1, 1, 1, 1, 1, 0, 0, 0}},
        {"codes after the end code", {{4, 3}, {3, 3}, {5, 3}, {2, 3}, {2, 3}}, {3, 0, 0, 0, 0, 0, 0, 0}},
        {"clear codes only", {{4, 3}, {4, 3}, {4, 3}}, Bytes(8, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGIFDecoder decoder =
            Decode(WithSoundSecondFrame(GifBuilder().Screen(4, 2, 2).Image(0, 0, 4, 2).Data(2, PackCodes(c.codes))));
        ASSERT_EQ(decoder.Document().Frames.size(), 2u);
        EXPECT_EQ(decoder.Document().Frames[0].Pixels, c.pixels);
        EXPECT_EQ(decoder.Document().Frames[1].Pixels, kTailPixels);
    }
}

TEST(GifHostile, DataEndingEarlyLeavesIndexZeroAndOpaque) {
    // Transparent index 0: only pixels that were decoded may be marked transparent.
    const Bytes data = PackCodes({{4, 3}, {0, 3}, {0, 3}, {1, 3}, {1, 4}});  // exactly two bytes
    TGIFDecoder decoder = Decode(GifBuilder().Screen(4, 2, 2).Control(0, 0, 0).Image(0, 0, 4, 2).Data(2, data).Get());
    ASSERT_EQ(decoder.Document().Frames.size(), 1u);
    const TGIFFrame& frame = decoder.Document().Frames[0];
    EXPECT_EQ(frame.Pixels, (Bytes{0, 0, 1, 1, 0, 0, 0, 0}));
    EXPECT_TRUE(frame.IsTransparentAt(0, 0));
    EXPECT_TRUE(frame.IsTransparentAt(1, 0));
    EXPECT_FALSE(frame.IsTransparentAt(2, 0));
    EXPECT_FALSE(frame.IsTransparentAt(3, 0));
    for (int x = 0; x < 4; ++x) EXPECT_FALSE(frame.IsTransparentAt(x, 1));
}

TEST(GifHostile, NetscapeBlockIsReadOnlyWhenLongEnough) {
    auto loopOf = [](const Bytes& extension) {
        TGIFDecoder decoder = Decode(WithSoundSecondFrame(GifBuilder().Screen(4, 2, 2).Raw(extension)));
        EXPECT_EQ(decoder.Document().Frames.size(), 1u);
        return decoder.Document().LoopCount;
    };
    EXPECT_EQ(loopOf({0x21, 0xFF, 3, 'N', 'E', 'T', 0}), 1);
    EXPECT_EQ(loopOf({0x21, 0xFF, 8, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', 3, 1, 9, 0, 0}), 1);
    EXPECT_EQ(loopOf({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 2, 1, 9, 0}), 1);
    EXPECT_EQ(loopOf({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0}), 1);
    EXPECT_EQ(loopOf({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 9, 1, 0}), 265);
    // Extra sub-blocks of an application extension are skipped, not read as blocks.
    EXPECT_EQ(loopOf({0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 4, 0, 2, 0x2C, 0x3B, 0}), 4);
}

TEST(GifHostile, UnknownExtensionsAreSkippedBySubBlocks) {
    // Their data holds bytes that look like an image separator and a trailer.
    const Bytes extension = {0x21, 0x45, 3, 0x2C, 0x3B, 0x21, 2, 0x3B, 0x2C, 0, 0x21, 0x01, 1, 0x3B, 0};
    TGIFDecoder decoder = Decode(WithSoundSecondFrame(GifBuilder().Screen(4, 2, 2).Raw(extension)));
    ASSERT_EQ(decoder.ErrorText(), "");
    ASSERT_EQ(decoder.Document().Frames.size(), 1u);
    EXPECT_EQ(decoder.Document().Frames[0].Pixels, kTailPixels);
    // A stray byte outside any block is stepped over together with the byte after it.
    TGIFDecoder stray = Decode(WithSoundSecondFrame(GifBuilder().Screen(4, 2, 2).Raw({0x00, 0x3B})));
    EXPECT_EQ(stray.Document().Frames.size(), 1u);
}

TEST(GifHostile, OversizedImagesFailWithoutAllocating) {
    EXPECT_EQ(Decode(GifBuilder().Screen(65535, 65535).Trailer().Get()).ErrorText(), "GIF image too large");
    TGIFDecoder huge = Decode(GifBuilder().Screen(16, 16, 1).Image(0, 0, 65535, 65535).Data(2, {}).Trailer().Get());
    EXPECT_EQ(huge.ErrorText(), "GIF image too large");
    EXPECT_TRUE(huge.Document().Frames.empty());
    // A 1 x 1 frame placed far outside the screen would widen the image as much.
    EXPECT_EQ(Decode(GifBuilder().Screen(16, 16, 1).Image(65000, 65000, 1, 1).Data(2, {}).Get()).ErrorText(),
              "GIF image too large");
    // Each 4096 x 4096 frame is allowed; sixteen of them (the 256-megapixel budget) are, the 17th not.
    GifBuilder many;
    many.Screen(4096, 4096, 1);
    for (int i = 0; i < 17; ++i) many.Image(0, 0, 4096, 4096).Data(2, {});
    EXPECT_EQ(Decode(many.Trailer().Get()).ErrorText(), "GIF frames too large in total");
}

TEST(GifHostile, ShortHeadersAndDescriptorsFailCleanly) {
    EXPECT_EQ(Decode({'G', 'I', 'F', '8'}).ErrorText(), "GIF file ends inside its header");
    EXPECT_EQ(Decode({'G', 'I', 'F', '8', '9', 'a', 4, 0}).ErrorText(), "GIF file ends inside its header");
    EXPECT_EQ(Decode(GifBuilder().Screen(4, 2, 2).Raw({0x2C, 0, 0, 0}).Get()).ErrorText(),
              "GIF file ends inside an image descriptor");
    EXPECT_EQ(Decode(GifBuilder().Screen(4, 2, 2).Image(0, 0, 0, 2).Data(2, {}).Get()).ErrorText(),
              "GIF frame has no pixels");
}

TEST(GifHostile, ColourTablesCutShortHaveABlackTail) {
    const Bytes globalCut = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x87, 0, 0, 10, 20, 30, 40};
    TGIFDecoder global = Decode(globalCut);
    ASSERT_EQ(global.ErrorText(), "");
    EXPECT_TRUE(global.Document().GlobalColorTable[0] == (TGIFColor{10, 20, 30}));
    EXPECT_TRUE(global.Document().GlobalColorTable[1] == (TGIFColor{40, 0, 0}));

    Bytes localCut = GifBuilder().Screen(2, 1, 1).Raw({0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0x87, 1, 2, 3, 4, 5}).Get();
    TGIFDecoder local = Decode(localCut);
    ASSERT_EQ(local.Document().Frames.size(), 1u);
    const TGIFFrame& frame = local.Document().Frames[0];
    EXPECT_TRUE(frame.Palette[0] == (TGIFColor{1, 2, 3}));
    EXPECT_TRUE(frame.Palette[1] == (TGIFColor{4, 5, 0}));
    for (int i = 2; i < 256; ++i) EXPECT_TRUE(frame.Palette[i] == TGIFColor{}) << i;
    EXPECT_EQ(frame.Pixels, (Bytes{0, 0}));
}

// Every prefix of a file ends cleanly; the frames before the cut decode as in the whole file.
void CheckTruncations(const std::string& name, std::size_t step) {
    SCOPED_TRACE(name);
    const Bytes whole = ReadFixture(name);
    const TGIFDocument full = Decode(whole).Document();
    ASSERT_FALSE(full.Frames.empty());
    for (std::size_t length = 0; length < whole.size(); length += step) {
        TGIFDecoder decoder = Decode(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
        const auto& frames = decoder.Document().Frames;
        ASSERT_LE(frames.size(), full.Frames.size());
        for (std::size_t i = 0; i + 1 < frames.size(); ++i)
            ASSERT_TRUE(frames[i].Pixels == full.Frames[i].Pixels) << "cut at " << length << ", frame " << i + 1;
    }
}

// Split in three so that they run in parallel.
const std::vector<std::string> kLongFixtures = {"frames300.gif", "large.gif", "magick_noise.gif"};

TEST(GifHostile, EveryTruncationEndsCleanly) {
    for (const std::string& name : FixtureNames())
        if (std::find(kLongFixtures.begin(), kLongFixtures.end(), name) == kLongFixtures.end()) CheckTruncations(name, 1);
}

// Its frames repeat every 24 or 25 bytes, so a step of 7 still cuts each of them at every offset.
TEST(GifHostile, TruncationsOfALongAnimationEndCleanly) { CheckTruncations("frames300.gif", 7); }

TEST(GifHostile, TruncationsOfLargePicturesEndCleanly) {
    CheckTruncations("large.gif", 61);
    CheckTruncations("magick_noise.gif", 61);
}

}  // namespace
}  // namespace corvane::giftest
