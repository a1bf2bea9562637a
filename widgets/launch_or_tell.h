#pragma once
// Opens something through the launcher for a window, and tells the user when nothing could open it
// (no desktop program, or a refusal): a silent failure looks like a dead command.

#include <string>

class QWidget;

namespace corvane {

// LaunchItem, then an error box naming `what` when it failed. True when it was opened.
bool LaunchOrTell(QWidget* parent, const std::string& what);
// The error box LaunchOrTell shows, for a launch made elsewhere (a shell menu's Open).
void TellLaunchFailed(QWidget* parent, const std::string& what);

}  // namespace corvane
