#pragma once
// The process-wide offline state: while it is set, every request fails at once and sends nothing.
// The user's choice is kept in the current user's registry store and taken up again at start.

namespace corvane {

bool IsGlobalOffline();
void SetGlobalOffline(bool offline);
// Applies the state last set (online when none was).
void LoadGlobalOffline();

}  // namespace corvane
