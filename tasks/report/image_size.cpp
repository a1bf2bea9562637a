#include "tasks/report/image_size.h"

#include <cstring>
#include <fstream>

#include "engine/support/file_routines.h"

namespace corvane {
namespace {

int BigEndian(const unsigned char* p, int bytes) {
    int value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | p[i];
    return value;
}

ImageDimensions PngSize(std::ifstream& in) {
    // Signature (8), then the IHDR chunk: length (4), "IHDR", width and height (4 each, big-endian).
    unsigned char head[24];
    in.read(reinterpret_cast<char*>(head), sizeof head);
    if (static_cast<std::size_t>(in.gcount()) != sizeof head || std::memcmp(head + 12, "IHDR", 4) != 0) return {};
    const int width = BigEndian(head + 16, 4);
    const int height = BigEndian(head + 20, 4);
    if (width < 0 || height < 0) return {};
    return {width, height};
}

ImageDimensions JpegSize(std::ifstream& in) {
    in.seekg(2);
    // Walks the marker segments up to the first frame header (SOF0 to SOF15 but DHT, JPG and DAC).
    for (int segments = 0; segments < 4096; ++segments) {
        int c = in.get();
        if (c != 0xFF) return {};
        while (c == 0xFF) c = in.get();
        if (c == EOF) return {};
        if (c == 0x01 || (c >= 0xD0 && c <= 0xD7)) continue;  // no length
        if (c == 0xD9 || c == 0xDA) return {};                 // end of image, start of scan
        unsigned char length_bytes[2];
        in.read(reinterpret_cast<char*>(length_bytes), 2);
        if (in.gcount() != 2) return {};
        const int length = BigEndian(length_bytes, 2);
        if (length < 2) return {};
        if (c >= 0xC0 && c <= 0xCF && c != 0xC4 && c != 0xC8 && c != 0xCC) {
            unsigned char frame[5];  // precision, height, width
            in.read(reinterpret_cast<char*>(frame), sizeof frame);
            if (static_cast<std::size_t>(in.gcount()) != sizeof frame) return {};
            return {BigEndian(frame + 3, 2), BigEndian(frame + 1, 2)};
        }
        in.seekg(length - 2, std::ios::cur);
        if (!in) return {};
    }
    return {};
}

}  // namespace

ImageDimensions ReadImageSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char magic[8] = {};
    in.read(reinterpret_cast<char*>(magic), sizeof magic);
    const auto got = in.gcount();
    if (got >= 3 && std::memcmp(magic, "GIF", 3) == 0) {
        const GIFSize size = GetGIFSize(path);
        return {size.Width, size.Height};
    }
    in.clear();
    if (got == 8 && std::memcmp(magic, "\x89PNG\r\n\x1A\n", 8) == 0) {
        in.seekg(0);
        return PngSize(in);
    }
    if (got >= 2 && magic[0] == 0xFF && magic[1] == 0xD8) return JpegSize(in);
    return {};
}

}  // namespace corvane
