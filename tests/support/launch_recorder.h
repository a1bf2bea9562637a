#pragma once
// A launcher backend for tests: records what the launcher's policy let through instead of opening it.
// Installed while it lives.

#include <mutex>
#include <vector>

#include "platform/launch/launcher.h"

namespace corvane::testing {

class LaunchRecorder : public LaunchBackend {
public:
    LaunchRecorder() { SetLaunchBackend(this); }
    ~LaunchRecorder() override { SetLaunchBackend(nullptr); }
    LaunchRecorder(const LaunchRecorder&) = delete;
    LaunchRecorder& operator=(const LaunchRecorder&) = delete;

    bool Open(const LaunchTarget& target) override {
        std::lock_guard lock(lock_);
        opened_.push_back(target);
        return !fail;
    }
    // Answers as a desktop with no program to start: the target is recorded, nothing opens.
    bool fail = false;
    std::vector<LaunchTarget> Opened() const {
        std::lock_guard lock(lock_);
        return opened_;
    }

private:
    mutable std::mutex lock_;
    std::vector<LaunchTarget> opened_;
};

}  // namespace corvane::testing
