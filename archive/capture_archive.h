#pragma once
// The archive side of a zip-mode capture, behind the run control's archive hooks: each finished
// file goes into the task's archive as one entry named by its path below the capture folder, with
// its queue item's title as the entry comment. The files are read against the capture folder as
// the zip component's BaseFolder; the working folder is never changed. Main thread only.

#include <set>
#include <string>

#include "archive/xceed_zip.h"
#include "archive/zip_result.h"

namespace corvane {

class CaptureArchive {
public:
    CaptureArchive();
    CaptureArchive(const CaptureArchive&) = delete;
    CaptureArchive& operator=(const CaptureArchive&) = delete;

    // Readies the task's archive: creates its folder with every missing level. False when that fails.
    bool OpenArchive(const std::string& zipFile);

    // Adds local file (a captured file below capture folder) to the archive; the library's result
    // code, unchanged. A file outside the capture folder is refused by the library (result 40).
    int AddQueuedFile(const std::string& zipFile, const std::string& captureFolder, const std::string& localFile,
                      const std::string& title);
    // AddQueuedFile for the run control: true only when the file's entry is now in the archive. A
    // warning (a skipped file, outcome 1) lets the capture go on but is no success: the item must
    // not be recorded as zipped. LastResult says what the archive window would show.
    bool AddToArchive(const std::string& zipFile, const std::string& captureFolder, const std::string& localFile,
                      const std::string& title);
    // The outcome and message of the last add.
    const TZipResult& LastResult() const { return last_; }

    // True while an add is under way (its callbacks let the main loop run, so the zip timer may
    // tick meanwhile and must wait).
    bool ArchiveBusy() const { return operation_ != 0; }
    // Stops a running add at its next callback.
    void AbortArchive();

    // Renames the archive to new name (a plain file name) in its folder, or to the first free
    // name(0).zip, name(1).zip ... when that is taken. The archive's new path, or '' when the name
    // is not a plain file name or the file system refuses (the archive then keeps its name).
    std::string RenameArchive(const std::string& zipFile, const std::string& newName);

    // The component, for settings such as Compression.
    TXceedZip& Zip() { return *zip_; }

private:
    TXceedZipPtr zip_;
    int operation_ = 0;    // 2 while adding
    std::string comment_;  // of the entry being added
    TZipResult last_;
};

// Renames archive zipFile to newName (a plain file name) in its folder, or to the first free
// name(0).zip, name(1).zip ... when that is taken, never over a file that appears meanwhile. The
// archive's own file counts as free: when the first free name is its own, nothing is renamed and
// zipFile comes back. The new path, or '' when the name is not a plain file name or the file system
// refuses.
std::string RenameArchiveFile(const std::string& zipFile, const std::string& newName);

// The entry names of an archive; none when it is missing or cannot be read. Any thread: the listing
// uses a zip component of its own.
std::set<std::string> ArchiveEntryNames(const std::string& zipFile);

}  // namespace corvane
