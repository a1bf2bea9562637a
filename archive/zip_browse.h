#pragma once
// Browsing an archive: its entries are extracted into a folder of its own and shown from there.
// Each archive has its own browse root, so browsing never overwrites a running capture's files
// with older copies and never shows another archive's pages. Qt-free.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/zip_jobs.h"
#include "archive/zip_tree.h"

namespace corvane {

// The folder obj's entries are browsed in (ending in "/"): obj.BrowseRoot when set (the running
// capture's archive: its capture folder), else <tempFolder>/Browse/<16 hex digits of a hash of
// ZipFileName>/. Capture folders name hosts in lower case, so "Browse" is never a site's folder.
std::string BrowseRootFor(const TZipObj& obj, const std::string& tempFolder);
// The same in the program's temporary capture folder (std::runtime_error when it cannot be made).
std::string BrowseRootFor(const TZipObj& obj);

// Where entry rawName lies below root once extracted (its parts as the extractor splits them), or
// '' when it may not be shown: a ".." part, no part at all, a link on the way, or a real path that
// lies outside root's real path.
std::string SafeBrowsePath(const std::string& root, const std::string& rawName);

// Whether a browse extraction that ended with result makes the archive count as extracted: only
// success and warnings do.
bool BrowseExtractionDone(int result);

// Extraction for browsing on a worker with its own component: exact names, paths kept, existing
// files always overwritten. Refused with 150 (disk full) when size, the listed size of the names,
// exceeds the free space at root. While owner has expired the job stops.
class TZipExtractJob : public TZipJob {
public:
    TZipExtractJob(std::string zipFileName, std::string root, std::vector<std::string> names, std::uint64_t size,
                   std::weak_ptr<const void> owner);
    ~TZipExtractJob() override;
    // Makes a job, hands it to the keeper of archive jobs and starts it.
    static std::shared_ptr<TZipExtractJob> Start(std::string zipFileName, std::string root,
                                                 std::vector<std::string> names, std::uint64_t size,
                                                 std::weak_ptr<const void> owner);

    const std::string& Root() const { return root_; }

protected:
    void Execute() override;

private:
    const std::string zipFileName_;
    const std::string root_;
    const std::vector<std::string> names_;
    const std::uint64_t size_;
};

// Free bytes for an unprivileged writer at path, or at its nearest existing parent.
std::uint64_t FreeSpaceAt(const std::string& path);

}  // namespace corvane
