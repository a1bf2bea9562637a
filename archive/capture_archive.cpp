#include "archive/capture_archive.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "archive/zip_paths.h"
#include "engine/support/file_routines.h"

namespace corvane {

namespace {
constexpr int kOperationAdding = 2;
constexpr std::size_t kCommentLimit = 255;

// Anything but a directory takes a name, a dangling link too.
bool FileOrLinkExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}
}  // namespace

CaptureArchive::CaptureArchive() : zip_(TXceedZip::Create()) {
    // As the archive window's component is set up.
    zip_->Compression = 6;
    zip_->UseTempFile = false;
    zip_->OnFileComment = [this](TXceedZip&, TXcdFileComment& c) { c.Comment = comment_; };
}

bool CaptureArchive::OpenArchive(const std::string& zipFile) {
    zip_->ZipFileName = zipFile;
    const std::size_t slash = zipFile.rfind('/');
    if (slash == std::string::npos || slash == 0) return true;
    std::error_code error;
    std::filesystem::create_directories(zipFile.substr(0, slash), error);
    return std::filesystem::is_directory(zipFile.substr(0, slash), error);
}

int CaptureArchive::AddQueuedFile(const std::string& zipFile, const std::string& captureFolder,
                                  const std::string& localFile, const std::string& title) {
    operation_ = kOperationAdding;
    comment_ = title.substr(0, kCommentLimit);
    zip_->ZipFileName = zipFile;
    zip_->BaseFolder = ExpandFileName(captureFolder);
    zip_->UsePaths = true;
    zip_->Recurse = false;
    zip_->FilesToProcess.Clear();
    zip_->FilesToProcess.Add(CapturedEntryName(localFile, captureFolder));
    const int code = zip_->Add(0);
    zip_->BaseFolder.clear();
    comment_.clear();
    last_ = ZipResultOf(code, kZipVerbAdding);
    operation_ = 0;
    return code;
}

bool CaptureArchive::AddToArchive(const std::string& zipFile, const std::string& captureFolder,
                                  const std::string& localFile, const std::string& title) {
    return AddQueuedFile(zipFile, captureFolder, localFile, title) == 0;
}

void CaptureArchive::AbortArchive() { zip_->Abort = true; }

std::string CaptureArchive::RenameArchive(const std::string& zipFile, const std::string& newName) {
    const std::string target = RenameArchiveFile(zipFile, newName);
    if (!target.empty() && zip_->ZipFileName == zipFile) zip_->ZipFileName = target;
    return target;
}

std::set<std::string> ArchiveEntryNames(const std::string& zipFile) {
    std::set<std::string> names;
    struct stat st {};
    if (::stat(zipFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return names;
    TXceedZipPtr zip = TXceedZip::Create();
    zip->ZipFileName = zipFile;
    zip->FilesToProcess.Add("*.*");
    zip->OnListing = [&names](TXceedZip&, const TXcdFileStats& stats) { names.insert(stats.FileName); };
    const int code = zip->List();
    // A listing that failed proves nothing: its items are fetched whole.
    if (code != XCD_OK && code != XCD_WARN_EMPTY && code != XCD_WARN_NOTHING_TO_DO) names.clear();
    return names;
}

std::string RenameArchiveFile(const std::string& zipFile, const std::string& newName) {
    if (newName.empty() || newName == "." || newName == ".." || newName.find('/') != std::string::npos) return {};
    const std::size_t slash = zipFile.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : zipFile.substr(0, slash + 1);
    const std::string own = ExpandFileName(zipFile);
    const std::size_t dot = newName.rfind('.');
    const std::string name = dot == std::string::npos || dot == 0 ? newName : newName.substr(0, dot);
    const std::string ext = newName.substr(name.size());
    for (int attempt = 0; attempt < 8; ++attempt) {
        // The archive's own file does not take its name: a rename to the name it has keeps it.
        std::string target = folder + newName;
        for (unsigned long n = 0; ExpandFileName(target) != own && FileOrLinkExists(target); ++n)
            target = folder + name + "(" + std::to_string(n) + ")" + ext;
        if (ExpandFileName(target) == own) return zipFile;
        // Never over a file that appeared since the name was chosen.
        if (renameat2(AT_FDCWD, zipFile.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return target;
        if (errno != EEXIST) break;
    }
    return {};
}

}  // namespace corvane
