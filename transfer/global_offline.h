#pragma once
// The process-wide offline state: while it is set, every request fails at once and sends nothing.

namespace corvane {

bool IsGlobalOffline();
void SetGlobalOffline(bool offline);

}  // namespace corvane
