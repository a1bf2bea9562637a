#pragma once
// Child processes for the tool's tests: started with their standard output into a log file, waited
// for with the way they ended.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace corvane::testing {

// Runs args[0] (looked up on PATH when it holds no '/'); -1 when it cannot be started.
inline pid_t SpawnProcess(std::vector<std::string> args, const std::string& log, bool append = false) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC), 0600);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// The exit code, or 128 + the signal that ended it; -1 when it cannot be waited for.
inline int WaitExit(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A file's whole contents ("" when it cannot be read).
inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a shell script with a tmpfs of its own mounted on folder (in a mount namespace of the test's,
// so no mount outlives it); false when no such namespace can be made here, which the caller reports
// as a skip. The script's output goes to log.
inline bool RunOnPrivateTmpfs(const std::string& folder, const std::string& mount_options, const std::string& script,
                              const std::string& log) {
    const std::string marker = log + ".mounted";
    const std::string whole = "mount -t tmpfs -o " + mount_options + " corvane-test '" + folder + "' || exit 77\n" +
                              "touch '" + marker + "'\n" + script;
    const pid_t pid = SpawnProcess({"unshare", "-m", "--propagation", "private", "sh", "-c", whole}, log);
    if (pid <= 0) return false;
    WaitExit(pid);
    return std::ifstream(marker).good();
}

}  // namespace corvane::testing
