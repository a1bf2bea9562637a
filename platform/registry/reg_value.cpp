#include "platform/registry/reg_value.h"

namespace corvane {

RegValue RegValue::DWord(const std::string& name, std::uint32_t value) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i) data[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return {name, kRegDWord, data};
}

std::uint32_t RegValue::AsDWord() const {
    if (!IsDWord()) return 0;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(Data[static_cast<std::size_t>(i)]);
    return value;
}

}  // namespace corvane
