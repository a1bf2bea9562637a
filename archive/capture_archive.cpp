#include "archive/capture_archive.h"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "archive/zip_paths.h"
#include "engine/support/file_routines.h"

namespace corvane {

namespace {
constexpr int kOperationAdding = 2;
constexpr std::size_t kCommentLimit = 255;
}  // namespace

std::string CapturedEntryName(const std::string& localFile, const std::string& captureFolder) {
    const std::string full = ExpandFileName(localFile);
    const std::string root = ExpandFileName(captureFolder);
    // Unlike RelativePath, letter case counts: on this file system another case is another folder.
    if (root == "/") return full.substr(1);
    if (full.size() > root.size() + 1 && full.compare(0, root.size(), root) == 0 && full[root.size()] == '/')
        return full.substr(root.size() + 1);
    return full;
}

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

std::string RenameArchiveFile(const std::string& zipFile, const std::string& newName) {
    if (newName.empty() || newName == "." || newName == ".." || newName.find('/') != std::string::npos) return {};
    const std::size_t slash = zipFile.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : zipFile.substr(0, slash + 1);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string target = UniqueFileName(folder + newName);
        // Never over a file that appeared since the name was chosen.
        if (renameat2(AT_FDCWD, zipFile.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return target;
        if (errno != EEXIST) break;
    }
    return {};
}

}  // namespace corvane
