// corvane-capture: runs one capture without windows (see capture_driver.h).

#include <iostream>
#include <string>
#include <vector>

#include "tools/capture/capture_driver.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const corvane::CaptureArgs parsed = corvane::ParseCaptureArgs(args);
    if (parsed.Help) {
        std::cout << corvane::CaptureUsage();
        return 0;
    }
    if (!parsed.Ok) {
        std::cerr << "corvane-capture: " << parsed.Error << "\n" << corvane::CaptureUsage();
        return 2;
    }
    return corvane::RunCapture(parsed.Options, std::cout);
}
