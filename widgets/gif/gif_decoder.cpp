#include "widgets/gif/gif_decoder.h"

#include <algorithm>
#include <cstring>

namespace corvane {

namespace {

constexpr int kImageSeparator = 0x2C;
constexpr int kExtensionIntroducer = 0x21;
constexpr int kTrailer = 0x3B;
constexpr int kGraphicControlLabel = 0xF9;
constexpr int kCommentLabel = 0xFE;
constexpr int kApplicationLabel = 0xFF;

int ReadWord(const std::uint8_t* p) { return p[0] | (p[1] << 8); }

}  // namespace

bool TGIFDecoder::Fail(std::string text) {
    document_ = TGIFDocument{};
    error_ = std::move(text);
    return false;
}

void TGIFDecoder::Progress(std::size_t position) {
    if (!OnProgress) return;
    const auto size = static_cast<std::int64_t>(stream_->Size());
    const auto pos = static_cast<std::int64_t>(position);
    // Rounded like MulDiv(100, position, size).
    const int percent = size > 0 ? static_cast<int>((100 * pos + size / 2) / size) : 0;
    bool keep = true;
    OnProgress(pos, size, percent, keep);
    if (!keep) throw Abandon{};
}

bool TGIFDecoder::AdmitFrame(std::int64_t left, std::int64_t top, std::int64_t width, std::int64_t height) {
    const std::int64_t imageWidth = std::max(document_.Width, left + width);
    const std::int64_t imageHeight = std::max(document_.Height, top + height);
    if (imageWidth * imageHeight > GIFMaxImagePixels) {
        error_ = "GIF image too large";
        return false;
    }
    if (totalFramePixels_ + width * height > GIFMaxTotalFramePixels) {
        error_ = "GIF frames too large in total";
        return false;
    }
    document_.Width = imageWidth;
    document_.Height = imageHeight;
    totalFramePixels_ += width * height;
    return true;
}

void TGIFDecoder::ReadGraphicControl() {
    // Block size 4: packed byte, delay, transparent index; then sub-blocks up to the terminator.
    pendingControl_ = {};
    std::uint8_t block[255] = {};
    if (stream_->ReadSubBlock(block) == 0) return;  // that was the terminator
    pendingControl_.Packed = block[0];
    pendingControl_.Delay = static_cast<std::uint16_t>(ReadWord(block + 1));
    pendingControl_.TransparentIndex = block[3];
    stream_->SkipSubBlocks();
}

void TGIFDecoder::ReadComment() {
    // Several comments before one frame are joined, in order.
    std::uint8_t block[255];
    for (;;) {
        const std::size_t n = stream_->ReadSubBlock(block);
        if (n == 0) return;
        pendingComment_.append(reinterpret_cast<const char*>(block), n);
    }
}

void TGIFDecoder::ReadApplication() {
    std::uint8_t id[255];
    const std::size_t idLength = stream_->ReadSubBlock(id);
    if (idLength == 0) return;  // that was the terminator
    if (idLength >= 11 && std::memcmp(id, "NETSCAPE2.0", 11) == 0) {
        std::uint8_t data[255];
        // Sub-block id byte, then the loop count; a shorter block is ignored.
        const std::size_t length = stream_->ReadSubBlock(data);
        if (length == 0) return;  // that was the terminator
        if (length >= 3) document_.LoopCount = ReadWord(data + 1);
    }
    stream_->SkipSubBlocks();
}

bool TGIFDecoder::ReadGIF(std::span<const std::uint8_t> data) {
    document_ = TGIFDocument{};
    error_.clear();
    abandoned_ = false;
    totalFramePixels_ = 0;
    pendingControl_ = {};
    pendingComment_.clear();
    if (data.empty()) return Fail("Empty GIF data");

    TGIFStream stream(data.data(), data.size());
    stream_ = &stream;
    struct ResetStream {
        TGIFStream*& stream;
        ~ResetStream() { stream = nullptr; }
    } resetStream{stream_};

    try {
        std::uint8_t header[6];
        const std::size_t headerLength = stream.Read(header, sizeof header);
        if (headerLength < 3 || std::memcmp(header, "GIF", 3) != 0) return Fail("Not a GIF file");
        if (headerLength < sizeof header) return Fail("GIF file ends inside its header");
        document_.Version = header[4] == '9' ? TGIFVersion::gvGIF89a : TGIFVersion::gvGIF87a;

        std::uint8_t screen[7];
        if (stream.Read(screen, sizeof screen) < sizeof screen) return Fail("GIF file ends inside its header");
        document_.ScreenWidth = ReadWord(screen);
        document_.ScreenHeight = ReadWord(screen + 2);
        document_.Width = document_.ScreenWidth;
        document_.Height = document_.ScreenHeight;
        if (document_.Width * document_.Height > GIFMaxImagePixels) return Fail("GIF image too large");
        const std::uint8_t packed = screen[4];
        if (packed & 0x80) {
            document_.GlobalBitsPerPixel = (packed & 7) + 1;
            std::uint8_t table[768] = {};  // a short table leaves its tail black
            stream.Read(table, std::size_t{3} << document_.GlobalBitsPerPixel);
            for (int i = 0; i < 256; ++i)
                document_.GlobalColorTable[i] = {table[3 * i], table[3 * i + 1], table[3 * i + 2]};
        }

        while (!stream.AtEnd()) {
            Progress();
            const std::size_t start = stream.Position();
            const int introducer = stream.ReadByte();
            if (introducer == kTrailer) break;
            if (introducer == kImageSeparator) {
                stream.Seek(start);
                if (static_cast<int>(document_.Frames.size()) >= GIFMaxFrames) break;
                TGIFFrame& frame = document_.Frames.emplace_back();
                if (!frame.ReadFrame(*this, pendingControl_)) {
                    stream.SeekToEnd();
                    Progress();
                    return Fail(error_);
                }
                document_.GlobalBitsPerPixel = std::max(document_.GlobalBitsPerPixel, frame.BitsPerPixel);
                document_.TransparentAnywhere = document_.TransparentAnywhere || frame.Transparent;
                document_.InterlacedAnywhere = document_.InterlacedAnywhere || frame.Interlaced;
                frame.Comment = std::move(pendingComment_);
                pendingComment_.clear();
                pendingControl_ = {};
                if (FirstImageOnly) {
                    stream.SeekToEnd();
                    break;
                }
            } else if (introducer == kExtensionIntroducer) {
                switch (stream.ReadByte()) {
                case kGraphicControlLabel: ReadGraphicControl(); break;
                case kCommentLabel: ReadComment(); break;
                case kApplicationLabel: ReadApplication(); break;
                case -1: break;
                default: stream.SkipSubBlocks(); break;  // plain text and unknown extensions
                }
            } else {
                stream.ReadByte();  // stray byte: step over it and the one after, as before
            }
        }
        Progress();
    } catch (const Abandon&) {
        abandoned_ = true;
        return Fail("");
    } catch (...) {
        document_ = TGIFDocument{};
        throw;
    }
    return true;
}

}  // namespace corvane
