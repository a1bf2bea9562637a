#pragma once
// The volumes the Computer folder lists: "/" and the mount points under /media, /run/media and /mnt,
// read from /proc/self/mountinfo (the text can be injected for tests).

#include <optional>
#include <string>
#include <vector>

namespace corvane::shell {

struct Volume {
    std::string path;  // the mount point, escapes decoded
    bool removable = false;
};

// "/" first, then the listed mount points in the order of the text, each once.
std::vector<Volume> ParseVolumes(const std::string& mountInfo);
std::vector<Volume> ListVolumes();

// Replaces the system's mount table text until reset with nullopt.
void SetMountInfoOverride(std::optional<std::string> text);

}  // namespace corvane::shell
