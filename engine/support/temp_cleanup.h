#pragma once
// The clean-up of the program's own temporaries that a killed process left behind. Every temporary
// the program makes is named ".corvane:..." (downloads, page rewrites, atomic rewrites, the add
// library's work folders); mirror naming never produces ':', so no captured file is ever taken for
// one. Kept siblings such as "<file>:original" and "<archive>:journal" are not temporaries: a resume
// or the next open of the archive still needs them.
//
// The work runs on background jobs, since a capture folder can be large; a job never calls onto the
// main thread, so waiting for one is a plain join.

#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace corvane {

inline constexpr const char* kTempPrefix = ".corvane:";

// Strictly before, in the coarse clock that stamps files.
bool OlderThan(const timespec& time, const timespec& since);

// True for the name (no folder) of one of the program's temporaries.
bool IsOwnTemporary(const std::string& name);

// Removes the program's temporaries in folder (and below it when recursive) whose status changed
// before since; a temporary that is a folder goes with everything in it. Links are never followed.
// The number removed.
int RemoveOwnTemporaries(const std::string& folder, bool recursive, const timespec& since);

struct TTempFolders {
    std::vector<std::string> Flat;       // only their own entries
    std::vector<std::string> Recursive;  // their whole trees
};
int RemoveOwnTemporaries(const TTempFolders& folders, const timespec& since);

// Jobs run one thread each; Wait joins them all.
class TBackgroundJobs {
public:
    ~TBackgroundJobs() { Wait(); }
    void Run(std::function<void()> job);
    void Wait();

private:
    std::vector<std::thread> threads_;
};

}  // namespace corvane
