#include "widgets/gif/gif_decoder.h"
#include "widgets/gif/gif_frame.h"

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {

constexpr int kMaxCodes = 4096;  // 12-bit codes

// Places decoded pixels row by row (in the four passes of an interlaced frame) and marks the
// transparent ones in the mask.
template <typename OnRow>
class RowWriter {
public:
    RowWriter(TGIFFrame& frame, bool reportProgress, OnRow onRow)
        : frame_(frame), width_(frame.Width), height_(frame.Height), stride_(frame.MaskStride()),
          pixels_(frame.Pixels.data()), mask_(frame.Transparent ? frame.Mask.data() : nullptr),
          transparentIndex_(frame.TransparentIndex), reportProgress_(reportProgress),
          progressStep_(frame.Width > 320 ? 32 : 64), onRow_(onRow) {}

    bool Done() const { return done_; }

    void Put(std::uint8_t pixel) {
        pixels_[row_ * width_ + x_] = pixel;
        if (mask_ && pixel == transparentIndex_) mask_[row_ * stride_ + (x_ >> 3)] |= 0x80 >> (x_ & 7);
        if (++x_ == width_) NextRow();
    }

    void Put(const std::uint8_t* run, std::int64_t length) {
        while (length > 0 && !done_) {
            const std::int64_t n = std::min(length, width_ - x_);
            std::uint8_t* dest = pixels_ + row_ * width_ + x_;
            std::memcpy(dest, run, static_cast<std::size_t>(n));
            if (mask_) {
                std::uint8_t* maskRow = mask_ + row_ * stride_;
                for (std::int64_t i = 0; i < n; ++i)
                    if (run[i] == transparentIndex_) maskRow[(x_ + i) >> 3] |= 0x80 >> ((x_ + i) & 7);
            }
            run += n;
            length -= n;
            x_ += n;
            if (x_ == width_) NextRow();
        }
    }

private:
    void NextRow() {
        x_ = 0;
        if (reportProgress_ && row_ % progressStep_ == 0) onRow_();
        if (!frame_.Interlaced) {
            if (++row_ >= height_) done_ = true;
            return;
        }
        static constexpr int kPassStart[4] = {0, 4, 2, 1};
        static constexpr int kPassStep[4] = {8, 8, 4, 2};
        row_ += kPassStep[pass_];
        while (row_ >= height_) {
            if (++pass_ == 4) {
                done_ = true;
                return;
            }
            row_ = kPassStart[pass_];
        }
    }

    TGIFFrame& frame_;
    const std::int64_t width_;
    const std::int64_t height_;
    const std::int64_t stride_;
    std::uint8_t* const pixels_;
    std::uint8_t* const mask_;
    const std::uint8_t transparentIndex_;
    const bool reportProgress_;
    const std::int64_t progressStep_;
    OnRow onRow_;
    std::int64_t x_ = 0;
    std::int64_t row_ = 0;
    int pass_ = 0;
    bool done_ = false;
};

}  // namespace

void DecodeGIFImageData(TGIFFrame& frame, TGIFDecoder& owner) {
    TGIFStream& stream = *owner.stream_;
    const int codeSize = stream.ReadByte();

    // Join the sub-blocks up to the terminator (or the end of the file), so the codes can be read
    // straight across block boundaries.
    const std::size_t dataStart = stream.Position();
    std::vector<std::uint8_t>& data = owner.lzwData_;
    data.clear();
    for (;;) {
        const int length = stream.ReadByte();
        if (length <= 0) break;
        const std::size_t old = data.size();
        data.resize(old + static_cast<std::size_t>(length));
        const std::size_t got = stream.Read(data.data() + old, static_cast<std::size_t>(length));
        if (got < static_cast<std::size_t>(length)) {
            data.resize(old + got);
            break;
        }
    }
    // Larger sizes would need tables past 4096 entries or pixels above 255.
    if (codeSize < 1 || codeSize > 8) return;

    // Progress during decoding is reported at an estimate of the stream position.
    const std::size_t dataEnd = stream.Position();
    std::size_t position = dataStart;
    const bool reportProgress = owner.OnProgress && frame.Width * frame.Height > 100000;
    RowWriter writer(frame, reportProgress, [&owner, &position] { owner.Progress(position); });

    const int clearCode = 1 << codeSize;
    const int endCode = clearCode + 1;
    int freeCode = clearCode + 2;
    int codeWidth = codeSize + 1;
    int codeLimit = 1 << codeWidth;
    int oldCode = -1;  // none since the start or the last clear code
    std::uint8_t firstChar = 0;

    std::uint16_t prefix[kMaxCodes];
    std::uint8_t suffix[kMaxCodes];
    for (int i = 0; i < clearCode; ++i) suffix[i] = static_cast<std::uint8_t>(i);
    // One string is at most 4096 pixels long (chains only point to lower codes).
    std::uint8_t stack[kMaxCodes + 1];
    std::uint8_t* const stackEnd = stack + sizeof stack;

    const std::uint8_t* bytes = data.data();
    const std::size_t byteCount = data.size();
    std::size_t next = 0;
    std::uint64_t bitBuffer = 0;
    int bitCount = 0;

    while (!writer.Done()) {
        while (bitCount < codeWidth && next < byteCount) {
            bitBuffer |= std::uint64_t{bytes[next++]} << bitCount;
            bitCount += 8;
        }
        if (bitCount < codeWidth) break;  // end of data
        const int code = static_cast<int>(bitBuffer & ((1u << codeWidth) - 1));
        bitBuffer >>= codeWidth;
        bitCount -= codeWidth;
        if (reportProgress) position = std::min(dataStart + next + next / 255 + 1, dataEnd);

        if (code == clearCode) {
            freeCode = clearCode + 2;
            codeWidth = codeSize + 1;
            codeLimit = 1 << codeWidth;
            oldCode = -1;
            continue;
        }
        if (code == endCode) break;
        if (oldCode < 0) {
            // The first code after a clear must be a plain pixel; anything else is damage.
            if (code > clearCode) break;
            firstChar = static_cast<std::uint8_t>(code);
            oldCode = code;
            writer.Put(firstChar);
            continue;
        }
        // A code past the next free one cannot have been written by an encoder: the data ends.
        if (code > freeCode) break;

        std::uint8_t* top = stackEnd;
        int walk = code;
        if (code == freeCode) {
            *--top = firstChar;
            walk = oldCode;
        }
        while (walk >= clearCode && top > stack + 1) {
            *--top = suffix[walk];
            walk = prefix[walk];
        }
        if (walk >= clearCode) break;  // unreachable with sound tables; never overrun the stack
        firstChar = static_cast<std::uint8_t>(walk);
        *--top = firstChar;

        if (freeCode < kMaxCodes) {
            prefix[freeCode] = static_cast<std::uint16_t>(oldCode);
            suffix[freeCode] = firstChar;
            if (++freeCode == codeLimit && codeLimit < kMaxCodes) {
                codeLimit <<= 1;
                ++codeWidth;
            }
        }
        oldCode = code;
        writer.Put(top, stackEnd - top);
    }
}

}  // namespace corvane
