#include "engine/run/run_admission.h"

#include "engine/model/data_root_lock.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/run/run_control_hooks.h"
#include "platform/rtl/paths.h"

namespace corvane {

bool AdmitRun(const TCVTask& task, TRunControlHooks& hooks, std::shared_ptr<TFileLock>& data_root_lock) {
    if (task.URL.empty()) {
        hooks.StatusMessage(kMsgTaskWithoutURL, task.FileName);
        return false;
    }
    data_root_lock = App ? LockDataRoot(App->TasksDir) : nullptr;
    if (!data_root_lock) {
        hooks.StatusMessage(kMsgDataRootBusy, DataRoot());
        return false;
    }
    return true;
}

}  // namespace corvane
