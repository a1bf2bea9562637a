#include "widgets/gif/gif_decoder.h"
#include "widgets/gif/gif_frame.h"

namespace corvane {

bool TGIFFrame::ReadFrame(TGIFDecoder& owner, const TGIFGraphicControl& control) {
    TGIFStream& stream = *owner.stream_;
    std::uint8_t descriptor[10];
    if (stream.Read(descriptor, sizeof descriptor) < sizeof descriptor) {
        owner.error_ = "GIF file ends inside an image descriptor";
        return false;
    }
    if (descriptor[0] != 0x2C) {
        owner.error_ = "GIF image descriptor expected";
        return false;
    }
    Left = descriptor[1] | (descriptor[2] << 8);
    Top = descriptor[3] | (descriptor[4] << 8);
    Width = descriptor[5] | (descriptor[6] << 8);
    Height = descriptor[7] | (descriptor[8] << 8);
    const std::uint8_t packed = descriptor[9];
    if (Width == 0 || Height == 0) {
        owner.error_ = "GIF frame has no pixels";
        return false;
    }
    if (!owner.AdmitFrame(Left, Top, Width, Height)) return false;

    if (packed & 0x80) {
        OwnsLocalTable = true;
        BitsPerPixel = (packed & 7) + 1;
        std::uint8_t table[768] = {};  // a table cut short by the end of the file has a black tail
        stream.Read(table, std::size_t{3} << BitsPerPixel);
        for (int i = 0; i < 256; ++i) Palette[i] = {table[3 * i], table[3 * i + 1], table[3 * i + 2]};
    } else {
        Palette = owner.document_.GlobalColorTable;
    }
    ColorCount = 1 << (OwnsLocalTable ? BitsPerPixel : owner.document_.GlobalBitsPerPixel);
    Interlaced = (packed & 0x40) != 0;

    Disposal = static_cast<std::uint8_t>((control.Packed >> 2) & 7);
    if (Disposal > 3) Disposal = 2;
    Delay = control.Delay * 10;
    // GIF87a has no transparency; a graphic control block there is only half honoured.
    Transparent = (control.Packed & 1) != 0 && owner.document_.Version == TGIFVersion::gvGIF89a;
    TransparentIndex = control.TransparentIndex;

    Pixels.assign(static_cast<std::size_t>(Width * Height), 0);
    if (Transparent) Mask.assign(static_cast<std::size_t>(MaskStride() * Height), 0);
    DecodeGIFImageData(*this, owner);
    if (Transparent) TransparentColor = Palette[TransparentIndex];
    return true;
}

}  // namespace corvane
