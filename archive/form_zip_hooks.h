#pragma once
// The run control's archive hooks over the archive window: the capture's files go into the task's
// archive through the window, so its tree shows them as they arrive. The main window's hooks derive
// from this class.

#include <functional>
#include <string>

#include "archive/capture_archive.h"
#include "archive/zip_result.h"
#include "engine/run/run_control_hooks.h"

namespace corvane {

class TFormZip;

class TFormZipArchiveHooks : public TRunControlHooks {
public:
    // view(true) shows the archive window (made when needed) and returns it; view(false) returns it
    // only when it exists.
    using ViewGetter = std::function<TFormZip*(bool show)>;
    explicit TFormZipArchiveHooks(ViewGetter view) : view_(std::move(view)) {}

    // The archive's node, as a handle; the captured files lie in the task's folder already, so
    // browsing it extracts nothing.
    void* OpenArchive(TCVTask& task) override;
    void CloseArchive(TCVTask& task) override;
    void ArchiveAddsEnded(TCVTask& task) override;
    void AbortArchive() override;
    bool ArchiveBusy() override;
    // True only when the file's entry went in without a warning.
    bool AddToArchive(TCVTask& task, const std::string& local_file, const std::string& comment) override;
    std::string ArchiveAddFailure() override;
    std::string RenameArchive(TCVTask& task, const std::string& new_name) override;
    ArchiveEntryReader EntryReader() override { return ArchiveEntryNames; }

private:
    ViewGetter view_;
    TZipResult last_;
};

}  // namespace corvane
