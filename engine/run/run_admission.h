#pragma once
// What a task must pass before a run of it starts, besides its own task lock: a start URL (a task
// file that a kill left without one is not run, so it is never rewritten as a blank task; the task
// dialog may still fix it), and the data root's run lock (no other process runs a task there).

#include <memory>
#include <string>

#include "platform/rtl/file_lock.h"

namespace corvane {

class TCVTask;
class TRunControlHooks;

inline constexpr int kMsgTaskWithoutURL = 5590;  // tail: the task file
inline constexpr int kMsgDataRootBusy = 5591;    // tail: the data root

// True when the run may start; data_root_lock then holds the data root for it. Otherwise the status
// line says why.
bool AdmitRun(const TCVTask& task, TRunControlHooks& hooks, std::shared_ptr<TFileLock>& data_root_lock);

}  // namespace corvane
