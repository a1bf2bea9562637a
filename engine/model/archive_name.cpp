#include "engine/model/archive_name.h"

#include <sys/stat.h>

#include <set>

#include "engine/support/file_routines.h"
#include "engine/support/zipped_cleanup.h"
#include "platform/inifile/ini_file.h"

namespace corvane {

std::set<std::string> TaskDestinations(const std::string& tasks_folder) {
    std::set<std::string> destinations;
    for (const std::string& file : OtherTaskFiles(tasks_folder, std::string())) {
        try {
            destinations.insert(TIniFile(file).ReadString("Task", "Destination", ""));
        } catch (const std::exception&) {
            // A task file that cannot be read promises nothing.
        }
    }
    return destinations;
}

std::string UniqueArchiveName(const std::string& path, const std::set<std::string>& promised) {
    const std::string dir = DirectoryOf(path);
    const std::string base = path.substr(dir.size());
    const std::size_t dot = base.rfind('.');
    const std::string name = dot == std::string::npos ? base : base.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : base.substr(dot);
    const auto taken = [&promised](const std::string& candidate) {
        struct stat st {};
        return promised.count(candidate) != 0 || (::lstat(candidate.c_str(), &st) == 0 && !S_ISDIR(st.st_mode));
    };
    std::string candidate = path;
    for (unsigned long n = 0; taken(candidate); ++n) candidate = dir + name + "(" + std::to_string(n) + ")" + ext;
    return candidate;
}

}  // namespace corvane
