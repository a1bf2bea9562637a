#pragma once
// Facts about the system the windows ask of the engine. The engine links no GUI code, so the screen
// depth comes through a hook that the GUI installs at start-up.

#include <cstdint>
#include <functional>

namespace corvane {

// The program behaves as on an NT-class system: no free-resources gauge, the version checks pass.
inline constexpr bool IsWinNT = true;

// Free system resources in percent. Only 16-bit Windows kept resource heaps; without them the query
// answers 0xFFFF, "not available", whatever kind is asked for.
inline constexpr std::uint16_t GetFreeSystemResources(std::uint16_t /*kind*/) { return 0xFFFF; }

// Bits per pixel times colour planes of the primary screen.
using ScreenDepthHook = std::function<int()>;
// An empty hook restores the default: a 1-bit screen, as when no GUI runs.
void SetScreenDepthHook(ScreenDepthHook hook);

// 2 to the power of the screen depth, without wrap-around (a 32-bit screen gives 4294967296).
std::uint64_t ScreenColorCount();

}  // namespace corvane
