#include "app/exit_cleanup.h"

#include <filesystem>
#include <system_error>

#include "engine/model/settings.h"
#include "platform/rtl/log.h"

namespace corvane {

bool DeleteTempCaptureFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    if (folder.empty()) return false;
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    std::error_code ec;
    // The folder itself must be a real folder, and its marker a real file.
    if (!fs::is_directory(fs::symlink_status(path, ec))) return false;
    if (!fs::is_regular_file(fs::symlink_status(path + "/" + kTempFolderMarker, ec))) return false;
    // remove_all removes links without following them.
    fs::remove_all(path, ec);
    if (ec) {
        LogWarning("temporary capture folder not removed: " + path + ": " + ec.message());
        return false;
    }
    return true;
}

}  // namespace corvane
