#pragma once
// The window parts of the run control. The main window implements them; the defaults do nothing
// (and a capture without windows runs on them). Every call is made on the main thread.

#include <functional>
#include <set>
#include <string>

namespace corvane {

class TCVTask;

class TRunControlHooks {
public:
    virtual ~TRunControlHooks() = default;

    // Status line: numbered message (690, 691, 692, 694, 695, 5500, 5520-5522, 5580-5582), followed by tail.
    virtual void StatusMessage(int /*number*/, const std::string& /*tail*/) {}
    // Toolbar logo animating while a task runs; the status view's Run button.
    virtual void AnimateLogo(bool /*running*/) {}
    virtual void SetRunEnabled(bool /*enabled*/) {}

    // Archive window, zip mode only.
    virtual void ShowArchiveView() {}
    // Opens the task's archive (its Destination) and returns its node (the task's ZipNode). The
    // captured files already lie in the temporary capture folder, so browsing it extracts nothing.
    virtual void* OpenArchive(TCVTask& /*task*/) { return nullptr; }
    // The run ended without writing the task's archive: its node (the task's ZipNode) is closed and
    // the archive leaves the recent list.
    virtual void CloseArchive(TCVTask& /*task*/) {}
    // The run's adds to the task's archive have ended (it finished or stopped, and the archive is
    // on disk): a window showing that archive lists it again.
    virtual void ArchiveAddsEnded(TCVTask& /*task*/) {}
    // Raises the abort flag of a running archive operation.
    virtual void AbortArchive() {}
    // True while the archive window works on an archive (the zip step then waits).
    virtual bool ArchiveBusy() { return false; }
    // Adds one captured file to the task's archive (selecting the task's ZipNode first, with the
    // window's own selection handling held off) with the entry comment; the archive's result.
    virtual bool AddToArchive(TCVTask& /*task*/, const std::string& /*local_file*/, const std::string& /*comment*/) {
        return false;
    }
    // After an AddToArchive that returned false: why the add failed (the zip result's text), or ''
    // when the file was only skipped and the capture may go on.
    virtual std::string ArchiveAddFailure() { return {}; }
    // Renames the task's archive; returns the archive's file name after the rename ('' when it failed).
    virtual std::string RenameArchive(TCVTask& /*task*/, const std::string& /*new_name*/) { return {}; }
    // Reads the entry names of an archive (none when it is missing or unreadable). Called on a
    // worker: it touches no window and uses a zip component of its own. Unset: archives cannot be
    // read, and an update fetches every archived item whole.
    using ArchiveEntryReader = std::function<std::set<std::string>(const std::string& zip_file)>;
    virtual ArchiveEntryReader EntryReader() { return {}; }

    // The task report (Personal Intranet mode with "Show Summary On Completion").
    virtual void ShowTaskReport(TCVTask& /*task*/) {}
    // The task was given its next run after a stop or finish: the task tree shows it again.
    virtual void TaskRescheduled(TCVTask& /*task*/) {}
    virtual void Beep() {}
    // Explore: show the explorer view and refresh its list.
    virtual void ShowExplorer(TCVTask& /*task*/) {}
};

}  // namespace corvane
