#pragma once
// The transfer kit's text tables: error texts by code and status texts by notification.

#include <cstdint>
#include <string>

namespace corvane {

// "Ok" for 0; otherwise "[code] text." where text comes from the error table (or "(no description
// available)"). Only the low 16 bits of the code count.
std::string KitErrorText(int code);

// The text of a status notification; info is the notification's data (a zero-terminated text for
// name, address and redirect notifications, a 32-bit state for state changes). False when the
// notification produces no event.
bool KitStatusText(std::uint32_t status, const void* info, std::uint32_t info_length, std::string& text);

}  // namespace corvane
