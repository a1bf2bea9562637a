#include "archive/capture_archive_hooks.h"

#include "engine/model/task.h"

namespace corvane {

void* TCaptureArchiveHooks::OpenArchive(TCVTask& task) {
    return archive_.OpenArchive(task.Destination) ? &archive_ : nullptr;
}

void TCaptureArchiveHooks::AbortArchive() { archive_.AbortArchive(); }

bool TCaptureArchiveHooks::ArchiveBusy() { return archive_.ArchiveBusy(); }

bool TCaptureArchiveHooks::AddToArchive(TCVTask& task, const std::string& local_file, const std::string& comment) {
    return archive_.AddToArchive(task.Destination, task.GetFolder(), local_file, comment);
}

std::string TCaptureArchiveHooks::ArchiveAddFailure() {
    const TZipResult& result = archive_.LastResult();
    if (result.Outcome < 2) return {};
    return result.Message.empty() ? "the zip library failed" : result.Message;
}

std::string TCaptureArchiveHooks::RenameArchive(TCVTask& task, const std::string& new_name) {
    return archive_.RenameArchive(task.Destination, new_name);
}

}  // namespace corvane
