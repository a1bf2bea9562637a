#include "archive/zip_browse.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cstdio>
#include <cstdlib>

#include "archive/xceed_zip.h"
#include "archive/zip_result.h"
#include "engine/model/settings.h"
#include "platform/rtl/fnv_hash.h"
#include "platform/rtl/paths.h"
#include "platform/zipdll/safe_path.h"

namespace corvane {

namespace {

std::string RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return {};
    std::string out = real;
    std::free(real);
    return out;
}

}  // namespace

std::string BrowseRootFor(const TZipObj& obj, const std::string& tempFolder) {
    if (!obj.BrowseRoot.empty()) return WithTrailingSlash(obj.BrowseRoot);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a64(obj.ZipFileName)));
    return WithTrailingSlash(tempFolder) + "Browse/" + hex + "/";
}

std::string BrowseRootFor(const TZipObj& obj) {
    if (!obj.BrowseRoot.empty()) return WithTrailingSlash(obj.BrowseRoot);
    return BrowseRootFor(obj, App != nullptr ? App->GetTempFolder() : DefaultTempFolder());
}

std::string SafeBrowsePath(const std::string& root, const std::string& rawName) {
    if (root.empty()) return {};
    const zipdll::EntryPath entry = zipdll::SplitEntryName(rawName, false);
    if (entry.skip_reason != 0 || entry.parts.empty()) return {};
    std::string path = root;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    bool exists = true;
    for (const std::string& part : entry.parts) {
        path += "/" + part;
        struct stat st;
        if (!exists) continue;
        if (lstat(path.c_str(), &st) != 0) {
            exists = false;  // nothing below a missing level can be a link
            continue;
        }
        if (S_ISLNK(st.st_mode)) return {};
    }
    if (exists) {
        const std::string realRoot = RealPath(root), realPath = RealPath(path);
        if (realRoot.empty() || realPath.empty()) return {};
        const std::string prefix = realRoot == "/" ? realRoot : realRoot + "/";
        if (realPath.compare(0, prefix.size(), prefix) != 0) return {};
    }
    return path;
}

bool BrowseExtractionDone(int result) { return ZipResultOf(result, kZipVerbExtracting).Outcome <= 1; }

std::uint64_t FreeSpaceAt(const std::string& path) {
    std::string at = path.empty() ? std::string(".") : path;
    while (true) {
        struct statvfs vfs;
        if (statvfs(at.c_str(), &vfs) == 0) return static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
        if (at == "/" || at == ".") return 0;
        while (at.size() > 1 && at.back() == '/') at.pop_back();
        const std::size_t slash = at.find_last_of('/');
        at = slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : at.substr(0, slash);
    }
}

TZipExtractJob::TZipExtractJob(std::string zipFileName, std::string root, std::vector<std::string> names,
                               std::uint64_t size, std::weak_ptr<const void> owner)
    : TZipJob("zip browse", std::move(owner)),
      zipFileName_(std::move(zipFileName)),
      root_(std::move(root)),
      names_(std::move(names)),
      size_(size) {}

TZipExtractJob::~TZipExtractJob() {
    Terminate();
    WaitFor();
}

std::shared_ptr<TZipExtractJob> TZipExtractJob::Start(std::string zipFileName, std::string root,
                                                      std::vector<std::string> names, std::uint64_t size,
                                                      std::weak_ptr<const void> owner) {
    return StartZipJob(std::make_shared<TZipExtractJob>(std::move(zipFileName), std::move(root), std::move(names),
                                                         size, std::move(owner)));
}

void TZipExtractJob::Execute() {
    int code = XCD_ERR_STOPPED;
    if (size_ > FreeSpaceAt(root_)) {
        code = XCD_ERR_DISK_FULL;
    } else if (!Unwanted()) {
        TXceedZipPtr zip = TXceedZip::Create();
        zip->ZipFileName = zipFileName_;
        zip->ExtractDirectory = root_;
        zip->UsePaths = true;
        zip->Overwrite = xowAlways;
        zip->ExactNames = true;
        for (const std::string& name : names_) zip->FilesToProcess.Add(name);
        zip->OnExtracting = [this](TXceedZip& z, const TXcdFileStats&) {
            if (Unwanted()) z.Abort = true;
        };
        zip->OnStatus = zip->OnExtracting;
        code = zip->Extract(0);
    }
    SetResult(code);
}

}  // namespace corvane
