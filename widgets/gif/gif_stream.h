#pragma once
// Bounds-checked reading over the bytes of a GIF file. Reads past the end return what is there;
// the end of the data reads as a zero-length sub-block.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace corvane {

class TGIFStream {
public:
    TGIFStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Position() const { return position_; }
    std::size_t Size() const { return size_; }
    bool AtEnd() const { return position_ >= size_; }
    void Seek(std::size_t position) { position_ = std::min(position, size_); }
    void SeekToEnd() { position_ = size_; }

    // The next byte, or -1 at the end of the data.
    int ReadByte() { return position_ < size_ ? data_[position_++] : -1; }

    // Copies up to count bytes; returns how many there were.
    std::size_t Read(std::uint8_t* dest, std::size_t count) {
        const std::size_t n = std::min(count, size_ - position_);
        if (n > 0) std::memcpy(dest, data_ + position_, n);
        position_ += n;
        return n;
    }

    // One data sub-block into dest (room for 255 bytes); returns its length as read.
    std::size_t ReadSubBlock(std::uint8_t* dest) {
        const int length = ReadByte();
        if (length <= 0) return 0;
        return Read(dest, static_cast<std::size_t>(length));
    }

    // Skips data sub-blocks up to and including the zero-length one (or the end of the data).
    void SkipSubBlocks() {
        for (;;) {
            const int length = ReadByte();
            if (length <= 0) return;
            Seek(position_ + static_cast<std::size_t>(length));
        }
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace corvane
