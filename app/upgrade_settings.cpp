#include "app/upgrade_settings.h"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "engine/support/file_routines.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "engine/model/version.h"
#include "platform/registry/current_user.h"
#include "platform/registry/registry_store.h"
#include "platform/rtl/log.h"
#include "platform/rtl/paths.h"

namespace corvane {
namespace {

// Moves every file of the mask from the tasks folder into "General/", never over a file already
// there. A listed active task stays listed under its new path.
void MoveIntoGeneral(const std::string& mask, TUpgradeResult& result) {
    TStringList names;
    if (!ListFiles(App->TasksDir, mask, names)) return;
    const std::string general = App->TasksDir + kGeneralCategory + "/";
    std::error_code ec;
    std::filesystem::create_directories(general, ec);
    for (int i = 0; i < names.Count(); ++i) {
        const std::string from = App->TasksDir + names[i];
        const std::string to = general + names[i];
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
            LogWarning("upgrade: " + from + " not moved: " + std::strerror(errno));
            ++result.Skipped;
            continue;
        }
        ++result.Moved;
        if (App->ActiveTasks.IndexOf(from) >= 0) {
            try {
                App->UpdateActiveTasks({from}, false);
                App->UpdateActiveTasks({to}, true);
            } catch (const std::exception& e) {
                LogWarning(std::string("upgrade: active-task list: ") + e.what());
            }
        }
    }
}

}  // namespace

TUpgradeResult UpgradeSettings() {
    TUpgradeResult result;
    const std::string version = RegRead<std::string>(kProductKey, "Version", "");
    std::error_code ec;
    const bool skins = std::filesystem::is_directory(ResourcesDir() + "Skins/", ec);
    if (version == ProductVersionText() && skins) return result;
    result.Ran = true;
    RegWriteValue(kProductKey, "Version", std::string(ProductVersionText()));
    if (auto store = CurrentUserRegistry()) {
        const RegImportResult imported = store->ImportFile(ResourcesDir() + "FTypes.reg");
        if (!imported.Error.empty()) LogWarning("upgrade: FTypes.reg: " + imported.Error);
    }
    try {
        App->GetDownloadsFolder();
    } catch (const std::exception& e) {
        LogWarning(std::string("upgrade: ") + e.what());
    }
    MoveIntoGeneral("*.cvt", result);
    MoveIntoGeneral("*.dwn", result);
    return result;
}

}  // namespace corvane
