#pragma once
// Bounds-checked little-endian reading and writing of language file images. Every read that would
// pass the end throws ELangFileError, so a truncated or corrupt file never reads out of bounds.

#include <cstdint>
#include <string>

#include "localisation/lang_error.h"

namespace corvane {

class LangByteReader {
public:
    explicit LangByteReader(const std::string& data) : data_(data) {}

    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return data_.size() - pos_; }

    std::uint8_t U8() {
        Need(1);
        return static_cast<std::uint8_t>(data_[pos_++]);
    }
    std::uint16_t U16() {
        Need(2);
        const auto v = static_cast<std::uint16_t>(Byte(0) | (Byte(1) << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t U32() {
        Need(4);
        const std::uint32_t v = Byte(0) | (Byte(1) << 8) | (Byte(2) << 16) | (Byte(3) << 24);
        pos_ += 4;
        return v;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    std::string Bytes(std::size_t n) {
        Need(n);
        std::string out = data_.substr(pos_, n);
        pos_ += n;
        return out;
    }
    void Skip(std::size_t n) {
        Need(n);
        pos_ += n;
    }
    // A length byte and that many bytes.
    std::string ShortText() { return Bytes(U8()); }
    std::string Rest() {
        std::string out = data_.substr(pos_);
        pos_ = data_.size();
        return out;
    }

private:
    void Need(std::size_t n) const {
        if (Remaining() < n) throw ELangFileError("Language file ends early (at byte " + std::to_string(pos_) + ")");
    }
    std::uint32_t Byte(std::size_t i) const { return static_cast<unsigned char>(data_[pos_ + i]); }

    const std::string& data_;
    std::size_t pos_ = 0;
};

class LangByteWriter {
public:
    void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v & 0xFF));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void Bytes(const std::string& bytes) { out_ += bytes; }
    void Zeros(std::size_t n) { out_.append(n, '\0'); }
    // Already encoded text of at most 255 bytes.
    void ShortText(const std::string& bytes) {
        if (bytes.size() > 255)
            throw ELangFileError("Text is longer than 255 bytes and cannot be written: \"" + bytes.substr(0, 40) + "...\"");
        U8(static_cast<std::uint8_t>(bytes.size()));
        out_ += bytes;
    }
    const std::string& Data() const { return out_; }

private:
    std::string out_;
};

}  // namespace corvane
