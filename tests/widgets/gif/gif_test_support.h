#pragma once
// Helpers of the GIF decoder tests: fixture files, a byte-level GIF builder for damaged and
// hand-made files, and an LZW encoder that mirrors the decoder's code-width rules.

#include "widgets/gif/gif_decoder.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corvane::giftest {

using Bytes = std::vector<std::uint8_t>;

std::string FixturePath(const std::string& name);
Bytes ReadFixture(const std::string& name);
// Every fixture the script made, by name.
std::vector<std::string> FixtureNames();

// Decodes with a fresh decoder; the decoder is returned so tests can see the error text.
TGIFDecoder Decode(const Bytes& bytes);

// Codes of the given widths packed least significant bit first.
Bytes PackCodes(const std::vector<std::pair<int, int>>& codesAndWidths);
// LZW compression of pixels below 2 ^ codeSize. With clearWhenFull false the table stays full
// (a deferred clear), as the format allows.
Bytes LzwEncode(const Bytes& pixels, int codeSize, bool clearWhenFull = true);

class GifBuilder {
public:
    explicit GifBuilder(const char* signature = "GIF89a");
    // globalBits 0: no global table; otherwise entry i is (i, 255 - i, i / 2).
    GifBuilder& Screen(int width, int height, int globalBits = 0);
    GifBuilder& Control(int disposal, int delay, int transparentIndex = -1);
    GifBuilder& Comment(const std::string& text);
    // localBits 0: no local table; otherwise entry i is (255 - i, i, 7).
    GifBuilder& Image(int left, int top, int width, int height, int localBits = 0, bool interlaced = false);
    // Code size, then the data in sub-blocks of blockSize bytes, then the terminator.
    GifBuilder& Data(int codeSize, const Bytes& data, std::size_t blockSize = 255);
    GifBuilder& Pixels(int codeSize, const Bytes& pixels, std::size_t blockSize = 255) {
        return Data(codeSize, LzwEncode(pixels, codeSize), blockSize);
    }
    GifBuilder& Raw(const Bytes& raw);
    GifBuilder& Trailer() { return Raw({0x3B}); }
    const Bytes& Get() const { return bytes_; }

private:
    Bytes bytes_;
};

// A non-fatal comparison of two frames that reports the first differing pixel, not whole vectors.
void ExpectSameFrame(const TGIFFrame& actual, const TGIFFrame& expected);
void ExpectSameDocument(const TGIFDocument& actual, const TGIFDocument& expected);

}  // namespace corvane::giftest
