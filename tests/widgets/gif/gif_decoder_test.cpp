// The decoder's reading of headers, LZW data, interlacing and progress, on files made here.

#include "tests/widgets/gif/gif_test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace corvane::giftest {
namespace {

TEST(GifDecoder, OnlyTheGifSignatureIsAccepted) {
    for (const Bytes& bytes : {Bytes{}, Bytes{'G', 'I'}, Bytes{'P', 'N', 'G', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0},
                               Bytes{'g', 'i', 'f', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}}) {
        TGIFDecoder decoder = Decode(bytes);
        EXPECT_FALSE(decoder.ErrorText().empty());
        EXPECT_TRUE(decoder.Document().Frames.empty());
        EXPECT_EQ(decoder.Document().Width, 0);
    }
    // Only "GIF" is checked; the version comes from the fifth byte.
    const Bytes odd = GifBuilder("GIF9xy").Screen(1, 1).Image(0, 0, 1, 1).Pixels(2, {3}).Trailer().Get();
    TGIFDecoder decoder = Decode(odd);
    ASSERT_EQ(decoder.ErrorText(), "");
    EXPECT_EQ(decoder.Document().Version, TGIFVersion::gvGIF87a);
    EXPECT_EQ(Decode(GifBuilder("GIF89a").Screen(1, 1).Trailer().Get()).Document().Version, TGIFVersion::gvGIF89a);
}

TEST(GifDecoder, LzwRoundTripsEveryCodeSizeAndBlockSize) {
    std::mt19937 random(11);
    for (int codeSize = 2; codeSize <= 8; ++codeSize) {
        // Noise fills the code table; long runs make long chains.
        Bytes noise(100 * 80), runs(100 * 80);
        for (auto& p : noise) p = static_cast<std::uint8_t>(random() % (1u << codeSize));
        for (std::size_t i = 0; i < runs.size(); ++i) runs[i] = static_cast<std::uint8_t>((i / 797) % (1u << codeSize));
        for (const Bytes* pixels : {&noise, &runs})
            for (bool clearWhenFull : {true, false})
                for (std::size_t blockSize : {1u, 7u, 255u}) {
                    SCOPED_TRACE("code size " + std::to_string(codeSize) + " block " + std::to_string(blockSize) +
                                 (clearWhenFull ? " clearing" : " deferred clear"));
                    const Bytes gif = GifBuilder()
                                          .Screen(100, 80, 8)
                                          .Image(0, 0, 100, 80)
                                          .Data(codeSize, LzwEncode(*pixels, codeSize, clearWhenFull), blockSize)
                                          .Trailer()
                                          .Get();
                    TGIFDecoder decoder = Decode(gif);
                    ASSERT_EQ(decoder.ErrorText(), "");
                    ASSERT_EQ(decoder.Document().Frames.size(), 1u);
                    EXPECT_TRUE(decoder.Document().Frames[0].Pixels == *pixels);
                }
    }
}

TEST(GifDecoder, InterlacedRowsFollowTheFourPasses) {
    // Height 3: pass 1 gives row 0, pass 2 is empty, pass 3 gives row 2, pass 4 row 1.
    TGIFDecoder small = Decode(GifBuilder().Screen(1, 3, 4).Image(0, 0, 1, 3, 0, true).Pixels(4, {10, 11, 12}).Trailer().Get());
    ASSERT_EQ(small.Document().Frames.size(), 1u);
    EXPECT_EQ(small.Document().Frames[0].Pixels, (Bytes{10, 12, 11}));
    EXPECT_TRUE(small.Document().InterlacedAnywhere);

    Bytes stream(13);
    for (int i = 0; i < 13; ++i) stream[i] = static_cast<std::uint8_t>(i);
    TGIFDecoder tall = Decode(GifBuilder().Screen(1, 13, 4).Image(0, 0, 1, 13, 0, true).Pixels(4, stream).Trailer().Get());
    ASSERT_EQ(tall.Document().Frames.size(), 1u);
    const int rowOrder[13] = {0, 8, 4, 12, 2, 6, 10, 1, 3, 5, 7, 9, 11};
    for (int i = 0; i < 13; ++i) EXPECT_EQ(tall.Document().Frames[0].PixelAt(0, rowOrder[i]), i) << "row " << rowOrder[i];
}

TEST(GifDecoder, FileWithoutColourTablesIsBlack) {
    TGIFDecoder decoder = Decode(GifBuilder().Screen(2, 1).Image(0, 0, 2, 1).Pixels(2, {1, 3}).Trailer().Get());
    ASSERT_EQ(decoder.Document().Frames.size(), 1u);
    const TGIFFrame& frame = decoder.Document().Frames[0];
    EXPECT_EQ(decoder.Document().GlobalBitsPerPixel, 0);
    EXPECT_EQ(frame.ColorCount, 1);
    EXPECT_TRUE(frame.Palette == TGIFColorTable{});
    EXPECT_EQ(frame.Pixels, (Bytes{1, 3}));
}

TEST(GifDecoder, AFileWithoutFramesReadsAsEmpty) {
    TGIFDecoder decoder = Decode(GifBuilder().Screen(3, 2, 1).Trailer().Get());
    EXPECT_EQ(decoder.ErrorText(), "");
    EXPECT_TRUE(decoder.Document().Frames.empty());
    EXPECT_EQ(decoder.Document().Width, 3);
}

TEST(GifDecoder, ProgressCountsBytesAndCanAbandonTheLoad) {
    const Bytes bytes = ReadFixture("large.gif");  // one 400 x 300 frame: reports every 32 rows
    std::vector<std::pair<std::int64_t, int>> calls;
    TGIFDecoder decoder;
    decoder.OnProgress = [&](std::int64_t done, std::int64_t total, int percent, bool&) {
        EXPECT_EQ(total, static_cast<std::int64_t>(bytes.size()));
        calls.emplace_back(done, percent);
    };
    ASSERT_TRUE(decoder.ReadGIF(bytes));
    ASSERT_GE(calls.size(), 300u / 32);
    for (std::size_t i = 1; i < calls.size(); ++i) EXPECT_LE(calls[i - 1].first, calls[i].first);
    EXPECT_EQ(calls.back().second, 100);
    const auto midway = std::count_if(calls.begin(), calls.end(), [](auto c) { return c.second > 10 && c.second < 90; });
    EXPECT_GE(midway, 5) << "decoding a large frame reports as it goes";

    // Stopping halfway through the frame abandons the whole load, silently.
    decoder.OnProgress = [](std::int64_t, std::int64_t, int percent, bool& keep) { keep = percent < 50; };
    EXPECT_FALSE(decoder.ReadGIF(bytes));
    EXPECT_TRUE(decoder.Abandoned());
    EXPECT_EQ(decoder.ErrorText(), "");
    EXPECT_TRUE(decoder.Document().Frames.empty());

    // A handler that keeps going reads the file as if there were none.
    decoder.OnProgress = [](std::int64_t, std::int64_t, int, bool&) {};
    ASSERT_TRUE(decoder.ReadGIF(bytes));
    EXPECT_FALSE(decoder.Abandoned());
    ExpectSameDocument(decoder.Document(), Decode(bytes).Document());
}

}  // namespace
}  // namespace corvane::giftest
