#include "engine/run/run_end_guard.h"

#include <sys/stat.h>

#include <exception>

#include "engine/model/task.h"
#include "platform/rtl/log.h"

namespace corvane {
namespace {

// A save replaces the file by a new one, so its inode tells a save apart even within one tick of
// the file system's coarse clock.
TStartHoldOff::Version Current(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return {};
    return {st.st_ino, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

}  // namespace

TRunEndGuard::TRunEndGuard(bool& busy, std::function<void()> release) : busy_(busy), release_(std::move(release)) {
    busy_ = true;
}

TRunEndGuard::~TRunEndGuard() {
    if (!keep_lock_ || Failed()) release_();
    busy_ = false;
}

bool TRunEndGuard::Write(const std::function<void()>& write) {
    try {
        write();
        return true;
    } catch (const std::exception& e) {
        Fail(e.what());
    } catch (...) {
        Fail("unknown failure");
    }
    return false;
}

bool TRunEndGuard::WriteQueue(TCVTask& task) {
    bool saved = false;
    if (!Write([&] { saved = task.SaveQueue(); })) return false;
    if (!saved) Fail(task.LastQueueError());
    return saved;
}

void TRunEndGuard::Fail(const std::string& why) {
    LogWarning("run control: " + why);
    if (failure_.empty()) failure_ = why.empty() ? std::string("unknown failure") : why;
}

void TStartHoldOff::Hold(const std::string& task_file) {
    file_ = task_file;
    version_ = Current(task_file);
}

bool TStartHoldOff::Held(const std::string& task_file) const {
    if (file_.empty() || task_file != file_) return false;
    return Current(task_file) == version_;
}

}  // namespace corvane
