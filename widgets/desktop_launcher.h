#pragma once
// The program's launcher backend: hands what the launcher's policy allowed to the desktop's URL
// handler. Installed by the program at start-up (SetLaunchBackend).

#include "platform/launch/launcher.h"

namespace corvane {

class DesktopLauncher : public LaunchBackend {
public:
    bool Open(const LaunchTarget& target) override;
};

}  // namespace corvane
