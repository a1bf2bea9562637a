#include "engine/run/run_admission.h"

#include "engine/model/data_root_lock.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/run/run_control_hooks.h"
#include "engine/run/task_runner.h"
#include "platform/rtl/paths.h"

namespace corvane {

bool AdmitRun(const TCVTask& task, TRunControlHooks& hooks, std::shared_ptr<TFileLock>& data_root_lock) {
    if (task.URL.empty()) {
        hooks.StatusMessage(kMsgTaskWithoutURL, task.FileName);
        return false;
    }
    std::string error;
    data_root_lock = App ? LockDataRoot(App->TasksDir, &error) : nullptr;
    if (!data_root_lock) {
        if (error.empty()) hooks.StatusMessage(kMsgDataRootBusy, DataRoot());
        else hooks.StatusMessage(kMsgStartFailed, error);
        return false;
    }
    return true;
}

}  // namespace corvane
