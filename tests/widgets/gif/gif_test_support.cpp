#include "tests/widgets/gif/gif_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unordered_map>

namespace corvane::giftest {

std::string FixturePath(const std::string& name) { return std::string(GIF_FIXTURE_DIR) + "/" + name; }

Bytes ReadFixture(const std::string& name) {
    std::ifstream in(FixturePath(name), std::ios::binary);
    if (!in) ADD_FAILURE() << "missing fixture " << name;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> FixtureNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(GIF_FIXTURE_DIR))
        if (entry.path().extension() == ".gif") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TGIFDecoder Decode(const Bytes& bytes) {
    TGIFDecoder decoder;
    decoder.ReadGIF(bytes);
    return decoder;
}

namespace {

class BitWriter {
public:
    void Put(int code, int width) {
        buffer_ |= static_cast<std::uint64_t>(code) << count_;
        count_ += width;
        while (count_ >= 8) {
            bytes_.push_back(static_cast<std::uint8_t>(buffer_));
            buffer_ >>= 8;
            count_ -= 8;
        }
    }
    Bytes Finish() {
        if (count_ > 0) bytes_.push_back(static_cast<std::uint8_t>(buffer_));
        count_ = 0;
        buffer_ = 0;
        return std::move(bytes_);
    }

private:
    Bytes bytes_;
    std::uint64_t buffer_ = 0;
    int count_ = 0;
};

}  // namespace

Bytes PackCodes(const std::vector<std::pair<int, int>>& codesAndWidths) {
    BitWriter writer;
    for (const auto& [code, width] : codesAndWidths) writer.Put(code, width);
    return writer.Finish();
}

Bytes LzwEncode(const Bytes& pixels, int codeSize, bool clearWhenFull) {
    const int clearCode = 1 << codeSize;
    BitWriter writer;
    std::unordered_map<int, int> table;  // (prefix << 8 | pixel) -> code
    // The decoder's view: it adds an entry for every code but the first after a clear.
    int width = 0, limit = 0, decoderFree = 0, encoderFree = 0;
    bool firstAfterClear = true;
    auto emit = [&](int code) {
        writer.Put(code, width);
        if (!firstAfterClear && decoderFree < 4096 && ++decoderFree == limit && limit < 4096) {
            limit <<= 1;
            ++width;
        }
        firstAfterClear = false;
    };
    auto clear = [&] {
        writer.Put(clearCode, width);  // the decoder adds no entry for it
        table.clear();
        width = codeSize + 1;
        limit = 1 << width;
        decoderFree = encoderFree = clearCode + 2;
        firstAfterClear = true;
    };
    width = codeSize + 1;
    clear();
    if (pixels.empty()) {
        emit(clearCode + 1);
        return writer.Finish();
    }
    int current = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const int key = current << 8 | pixels[i];
        if (auto found = table.find(key); found != table.end()) {
            current = found->second;
            continue;
        }
        emit(current);
        if (encoderFree < 4096) table[key] = encoderFree++;
        else if (clearWhenFull) clear();
        current = pixels[i];
    }
    emit(current);
    emit(clearCode + 1);
    return writer.Finish();
}

GifBuilder::GifBuilder(const char* signature) : bytes_(signature, signature + 6) {}

GifBuilder& GifBuilder::Screen(int width, int height, int globalBits) {
    const int packed = globalBits > 0 ? 0x80 | 0x70 | (globalBits - 1) : 0;
    Raw({static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(height),
         static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(packed), 0, 0});
    if (globalBits > 0)
        for (int i = 0; i < (1 << globalBits); ++i)
            Raw({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i / 2)});
    return *this;
}

GifBuilder& GifBuilder::Control(int disposal, int delay, int transparentIndex) {
    const int packed = (disposal & 7) << 2 | (transparentIndex >= 0 ? 1 : 0);
    return Raw({0x21, 0xF9, 4, static_cast<std::uint8_t>(packed), static_cast<std::uint8_t>(delay),
                static_cast<std::uint8_t>(delay >> 8), static_cast<std::uint8_t>(transparentIndex & 0xFF), 0});
}

GifBuilder& GifBuilder::Comment(const std::string& text) {
    Raw({0x21, 0xFE});
    for (std::size_t at = 0; at < text.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, text.size() - at);
        Raw({static_cast<std::uint8_t>(n)});
        bytes_.insert(bytes_.end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                      text.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    return Raw({0});
}

GifBuilder& GifBuilder::Image(int left, int top, int width, int height, int localBits, bool interlaced) {
    const int packed = (localBits > 0 ? 0x80 | (localBits - 1) : 0) | (interlaced ? 0x40 : 0);
    Raw({0x2C, static_cast<std::uint8_t>(left), static_cast<std::uint8_t>(left >> 8), static_cast<std::uint8_t>(top),
         static_cast<std::uint8_t>(top >> 8), static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
         static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(packed)});
    if (localBits > 0)
        for (int i = 0; i < (1 << localBits); ++i) Raw({static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i), 7});
    return *this;
}

GifBuilder& GifBuilder::Data(int codeSize, const Bytes& data, std::size_t blockSize) {
    Raw({static_cast<std::uint8_t>(codeSize)});
    for (std::size_t at = 0; at < data.size(); at += blockSize) {
        const std::size_t n = std::min(blockSize, data.size() - at);
        Raw({static_cast<std::uint8_t>(n)});
        bytes_.insert(bytes_.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                      data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    return Raw({0});
}

GifBuilder& GifBuilder::Raw(const Bytes& raw) {
    bytes_.insert(bytes_.end(), raw.begin(), raw.end());
    return *this;
}

void ExpectSameFrame(const TGIFFrame& actual, const TGIFFrame& expected) {
    EXPECT_EQ(actual.Left, expected.Left);
    EXPECT_EQ(actual.Top, expected.Top);
    EXPECT_EQ(actual.Width, expected.Width);
    EXPECT_EQ(actual.Height, expected.Height);
    EXPECT_EQ(actual.BitsPerPixel, expected.BitsPerPixel);
    EXPECT_EQ(actual.ColorCount, expected.ColorCount);
    EXPECT_EQ(actual.Delay, expected.Delay);
    EXPECT_EQ(actual.Disposal, expected.Disposal);
    EXPECT_EQ(actual.OwnsLocalTable, expected.OwnsLocalTable);
    EXPECT_EQ(actual.Interlaced, expected.Interlaced);
    EXPECT_EQ(actual.Transparent, expected.Transparent);
    EXPECT_EQ(actual.TransparentIndex, expected.TransparentIndex);
    EXPECT_TRUE(actual.TransparentColor == expected.TransparentColor);
    EXPECT_EQ(actual.Comment, expected.Comment);
    EXPECT_TRUE(actual.Palette == expected.Palette);
    ASSERT_EQ(actual.Pixels.size(), expected.Pixels.size());
    const auto pixel = std::mismatch(actual.Pixels.begin(), actual.Pixels.end(), expected.Pixels.begin());
    EXPECT_TRUE(pixel.first == actual.Pixels.end())
        << "first differing pixel at " << (pixel.first - actual.Pixels.begin()) << ": " << int(*pixel.first)
        << " instead of " << int(*pixel.second);
    EXPECT_TRUE(actual.Mask == expected.Mask) << "masks differ";
}

void ExpectSameDocument(const TGIFDocument& actual, const TGIFDocument& expected) {
    EXPECT_EQ(actual.Version, expected.Version);
    EXPECT_EQ(actual.ScreenWidth, expected.ScreenWidth);
    EXPECT_EQ(actual.ScreenHeight, expected.ScreenHeight);
    EXPECT_EQ(actual.Width, expected.Width);
    EXPECT_EQ(actual.Height, expected.Height);
    EXPECT_EQ(actual.GlobalBitsPerPixel, expected.GlobalBitsPerPixel);
    EXPECT_TRUE(actual.GlobalColorTable == expected.GlobalColorTable);
    EXPECT_EQ(actual.LoopCount, expected.LoopCount);
    EXPECT_EQ(actual.TransparentAnywhere, expected.TransparentAnywhere);
    EXPECT_EQ(actual.InterlacedAnywhere, expected.InterlacedAnywhere);
    ASSERT_EQ(actual.Frames.size(), expected.Frames.size());
    for (std::size_t i = 0; i < actual.Frames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i + 1));
        ExpectSameFrame(actual.Frames[i], expected.Frames[i]);
    }
}

}  // namespace corvane::giftest
