#include "tests/widgets/gif/gif_oracle.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace corvane::giftest {

namespace {

struct Source {
    const Bytes* bytes;
    std::size_t position = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* dest, int count) {
    auto* source = static_cast<Source*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), source->bytes->size() - source->position);
    std::memcpy(dest, source->bytes->data() + source->position, n);
    source->position += n;
    return static_cast<int>(n);
}

TGIFColorTable ToTable(const ColorMapObject* map) {
    TGIFColorTable table{};
    for (int i = 0; map && i < map->ColorCount && i < 256; ++i)
        table[i] = {map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue};
    return table;
}

// What the extension blocks before one image (or after the last) say.
struct Extensions {
    bool hasControl = false;
    TGIFGraphicControl control;
    std::string comment;
    std::optional<int> loopCount;
};

Extensions ReadExtensions(const ExtensionBlock* blocks, int count) {
    Extensions result;
    int function = 0;  // of the extension the current sub-block belongs to
    bool netscape = false;
    bool netscapeData = false;
    for (int i = 0; i < count; ++i) {
        const ExtensionBlock& block = blocks[i];
        const bool first = block.Function != CONTINUE_EXT_FUNC_CODE;
        if (first) {
            function = block.Function;
            netscape = function == APPLICATION_EXT_FUNC_CODE && block.ByteCount >= 11 &&
                       std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0;
            netscapeData = false;
        }
        if (function == GRAPHICS_EXT_FUNC_CODE && first && block.ByteCount >= 4) {
            result.hasControl = true;
            result.control.Packed = block.Bytes[0];
            result.control.Delay = static_cast<std::uint16_t>(block.Bytes[1] | block.Bytes[2] << 8);
            result.control.TransparentIndex = block.Bytes[3];
        } else if (function == COMMENT_EXT_FUNC_CODE) {
            result.comment.append(reinterpret_cast<const char*>(block.Bytes), static_cast<std::size_t>(block.ByteCount));
        } else if (netscape && !first && !netscapeData) {
            netscapeData = true;
            if (block.ByteCount >= 3) result.loopCount = block.Bytes[1] | block.Bytes[2] << 8;
        }
    }
    return result;
}

}  // namespace

std::optional<TGIFDocument> ReadWithGiflib(const Bytes& bytes) {
    Source source{&bytes};
    int error = 0;
    std::unique_ptr<GifFileType, void (*)(GifFileType*)> gif(DGifOpen(&source, ReadFromMemory, &error),
                                                             [](GifFileType* g) { DGifCloseFile(g, nullptr); });
    if (!gif || DGifSlurp(gif.get()) != GIF_OK) return std::nullopt;

    TGIFDocument doc;
    doc.Version = bytes.size() > 4 && bytes[4] == '9' ? TGIFVersion::gvGIF89a : TGIFVersion::gvGIF87a;
    doc.ScreenWidth = gif->SWidth;
    doc.ScreenHeight = gif->SHeight;
    doc.Width = gif->SWidth;
    doc.Height = gif->SHeight;
    doc.GlobalBitsPerPixel = gif->SColorMap ? gif->SColorMap->BitsPerPixel : 0;
    doc.GlobalColorTable = ToTable(gif->SColorMap);

    auto applyLoop = [&doc](const Extensions& ext) {
        if (ext.loopCount) doc.LoopCount = *ext.loopCount;
    };
    const int count = std::min(gif->ImageCount, GIFMaxFrames);
    for (int i = 0; i < count; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        const Extensions ext = ReadExtensions(image.ExtensionBlocks, image.ExtensionBlockCount);
        applyLoop(ext);
        TGIFFrame& frame = doc.Frames.emplace_back();
        frame.Left = image.ImageDesc.Left;
        frame.Top = image.ImageDesc.Top;
        frame.Width = image.ImageDesc.Width;
        frame.Height = image.ImageDesc.Height;
        frame.OwnsLocalTable = image.ImageDesc.ColorMap != nullptr;
        frame.BitsPerPixel = frame.OwnsLocalTable ? image.ImageDesc.ColorMap->BitsPerPixel : 0;
        frame.ColorCount = 1 << (frame.OwnsLocalTable ? frame.BitsPerPixel : doc.GlobalBitsPerPixel);
        frame.Palette = frame.OwnsLocalTable ? ToTable(image.ImageDesc.ColorMap) : doc.GlobalColorTable;
        frame.Interlaced = image.ImageDesc.Interlace;
        const int disposal = (ext.control.Packed >> 2) & 7;
        frame.Disposal = static_cast<std::uint8_t>(disposal > 3 ? 2 : disposal);
        frame.Delay = ext.control.Delay * 10;
        frame.Transparent = (ext.control.Packed & 1) && doc.Version == TGIFVersion::gvGIF89a;
        frame.TransparentIndex = ext.control.TransparentIndex;
        if (frame.Transparent) frame.TransparentColor = frame.Palette[frame.TransparentIndex];
        frame.Comment = ext.comment;
        frame.Pixels.assign(image.RasterBits, image.RasterBits + frame.Width * frame.Height);
        if (frame.Transparent) {
            frame.Mask.assign(static_cast<std::size_t>(frame.MaskStride() * frame.Height), 0);
            for (std::int64_t y = 0; y < frame.Height; ++y)
                for (std::int64_t x = 0; x < frame.Width; ++x)
                    if (frame.PixelAt(x, y) == frame.TransparentIndex)
                        frame.Mask[static_cast<std::size_t>(y * frame.MaskStride() + x / 8)] |= 0x80 >> (x % 8);
        }
        doc.GlobalBitsPerPixel = std::max(doc.GlobalBitsPerPixel, frame.BitsPerPixel);
        doc.TransparentAnywhere = doc.TransparentAnywhere || frame.Transparent;
        doc.InterlacedAnywhere = doc.InterlacedAnywhere || frame.Interlaced;
        doc.Width = std::max(doc.Width, frame.Left + frame.Width);
        doc.Height = std::max(doc.Height, frame.Top + frame.Height);
    }
    if (gif->ImageCount <= GIFMaxFrames) applyLoop(ReadExtensions(gif->ExtensionBlocks, gif->ExtensionBlockCount));
    return doc;
}

}  // namespace corvane::giftest
