// Decoding speed of the GIF decoder next to giflib's DGifSlurp, on a 200-frame 500 x 500 animation
// made in memory with giflib's encoder. "pixel_MB" (per second) counts decoded 8-bit pixels.

#include "widgets/gif/gif_decoder.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kSize = 500;
constexpr int kFrames = 200;
constexpr double kPixelsPerFile = double(kSize) * kSize * kFrames;

int WriteToVector(GifFileType* gif, const GifByteType* bytes, int count) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + count);
    return count;
}

struct Source {
    const std::vector<std::uint8_t>* bytes;
    std::size_t position;
};

int ReadFromVector(GifFileType* gif, GifByteType* dest, int count) {
    auto* source = static_cast<Source*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), source->bytes->size() - source->position);
    std::memcpy(dest, source->bytes->data() + source->position, n);
    source->position += n;
    return static_cast<int>(n);
}

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "benchmark set-up failed: %s\n", what);
        std::exit(1);
    }
}

// A gradient with a moving disc and a band of fine texture: smooth areas and busy ones, as in a
// real animation.
std::vector<std::uint8_t> MakeAnimation() {
    std::vector<std::uint8_t> file;
    int error = 0;
    GifFileType* gif = EGifOpen(&file, WriteToVector, &error);
    Require(gif != nullptr, "EGifOpen");
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    for (int i = 0; i < 256; ++i)
        map->Colors[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>(255 - i), static_cast<GifByteType>(i * 7)};
    EGifSetGifVersion(gif, true);
    Require(EGifPutScreenDesc(gif, kSize, kSize, 8, 0, map) == GIF_OK, "screen");
    const unsigned char loop[] = {1, 0, 0};
    Require(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
                EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK && EGifPutExtensionBlock(gif, 3, loop) == GIF_OK &&
                EGifPutExtensionTrailer(gif) == GIF_OK,
            "loop extension");
    std::vector<GifPixelType> row(kSize);
    for (int t = 0; t < kFrames; ++t) {
        const unsigned char control[] = {0x04, 4, 0, 0};  // disposal 1, 40 ms
        Require(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK, "control");
        Require(EGifPutImageDesc(gif, 0, 0, kSize, kSize, false, nullptr) == GIF_OK, "image");
        const double cx = 250 + 180 * std::cos(t * 0.07), cy = 250 + 180 * std::sin(t * 0.05);
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                int value = (x + y + t) / 4 % 128;
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < 60 * 60) value = 200 + (x + y) % 8;
                else if (y > 380 && y < 420) value = 128 + ((x * 7 + y * 13 + t * 5) >> 2) % 64;
                row[x] = static_cast<GifPixelType>(value);
            }
            Require(EGifPutLine(gif, row.data(), kSize) == GIF_OK, "line");
        }
    }
    Require(EGifCloseFile(gif, &error) == GIF_OK, "close");
    GifFreeMapObject(map);
    return file;
}

const std::vector<std::uint8_t>& Animation() {
    static const std::vector<std::uint8_t> file = MakeAnimation();
    return file;
}

void ReportPixels(benchmark::State& state) {
    state.counters["pixel_MB"] = benchmark::Counter(kPixelsPerFile / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["file_KB"] = benchmark::Counter(double(Animation().size()) / 1024);
}

void BM_CorvaneGifDecoder(benchmark::State& state) {
    const auto& file = Animation();
    corvane::TGIFDecoder decoder;
    for (auto _ : state) {
        Require(decoder.ReadGIF(file), "decode");
        Require(decoder.Document().Frames.size() == kFrames, "frame count");
        benchmark::DoNotOptimize(decoder.Document().Frames.back().Pixels.data());
    }
    ReportPixels(state);
}

void BM_GiflibSlurp(benchmark::State& state) {
    const auto& file = Animation();
    for (auto _ : state) {
        Source source{&file, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&source, ReadFromVector, &error);
        Require(gif != nullptr && DGifSlurp(gif) == GIF_OK && gif->ImageCount == kFrames, "giflib decode");
        benchmark::DoNotOptimize(gif->SavedImages[kFrames - 1].RasterBits);
        DGifCloseFile(gif, &error);
    }
    ReportPixels(state);
}

BENCHMARK(BM_CorvaneGifDecoder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GiflibSlurp)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
