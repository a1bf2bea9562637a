#pragma once
// The run control's archive hooks over a CaptureArchive, for running without the archive window
// (the capture tool): the task's Destination is its archive, and its files lie in the task's
// capture folder. A hooks class that also needs the other hooks derives from this one.

#include <string>

#include "archive/capture_archive.h"
#include "engine/run/run_control_hooks.h"

namespace corvane {

class TCaptureArchiveHooks : public TRunControlHooks {
public:
    // The archive itself stands for the archive node: null when its folder cannot be made.
    void* OpenArchive(TCVTask& task) override;
    void AbortArchive() override;
    bool ArchiveBusy() override;
    // True only when the file's entry is in the archive, so a skipped file is not recorded as zipped.
    bool AddToArchive(TCVTask& task, const std::string& local_file, const std::string& comment) override;
    std::string ArchiveAddFailure() override;
    std::string RenameArchive(TCVTask& task, const std::string& new_name) override;
    ArchiveEntryReader EntryReader() override { return ArchiveEntryNames; }

    CaptureArchive& Archive() { return archive_; }

private:
    CaptureArchive archive_;
};

}  // namespace corvane
