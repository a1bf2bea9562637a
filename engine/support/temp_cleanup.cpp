#include "engine/support/temp_cleanup.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "platform/rtl/log.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The entry at path when it is one of ours and old enough; false for anything else.
bool Removable(const fs::path& path, const timespec& since) {
    if (!IsOwnTemporary(path.filename().string())) return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    return OlderThan(st.st_ctim, since);
}

int RemoveEntry(const fs::path& path) {
    std::error_code ec;
    const auto removed = fs::remove_all(path, ec);  // a link goes itself, never what it points to
    if (ec) LogWarning("Cannot remove the temporary \"" + path.string() + "\": " + ec.message());
    return removed > 0 ? 1 : 0;
}

}  // namespace

bool OlderThan(const timespec& time, const timespec& since) {
    return time.tv_sec < since.tv_sec || (time.tv_sec == since.tv_sec && time.tv_nsec < since.tv_nsec);
}

bool IsOwnTemporary(const std::string& name) {
    if (name.compare(0, std::string(kTempPrefix).size(), kTempPrefix) != 0) return false;
    return !EndsWith(name, ":original") && !EndsWith(name, ":journal") && !EndsWith(name, ":journal.bad");
}

int RemoveOwnTemporaries(const std::string& folder, bool recursive, const timespec& since) {
    std::error_code ec;
    int removed = 0;
    if (!recursive) {
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            if (Removable(it->path(), since)) removed += RemoveEntry(it->path());
        return removed;
    }
    std::vector<fs::path> found;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (!Removable(it->path(), since)) continue;
        found.push_back(it->path());
        if (it->is_directory(ec)) it.disable_recursion_pending();
        ec.clear();
    }
    for (const fs::path& path : found) removed += RemoveEntry(path);
    return removed;
}

int RemoveOwnTemporaries(const TTempFolders& folders, const timespec& since) {
    int removed = 0;
    for (const std::string& folder : folders.Flat) removed += RemoveOwnTemporaries(folder, false, since);
    for (const std::string& folder : folders.Recursive) removed += RemoveOwnTemporaries(folder, true, since);
    return removed;
}

void TBackgroundJobs::Run(std::function<void()> job) {
    threads_.emplace_back([job = std::move(job)] {
        try {
            job();
        } catch (const std::exception& e) {
            LogWarning(std::string("clean-up: ") + e.what());
        }
    });
}

void TBackgroundJobs::Wait() {
    for (std::thread& thread : threads_)
        if (thread.joinable()) thread.join();
    threads_.clear();
}

}  // namespace corvane
