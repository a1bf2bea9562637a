#include "app/browser_request_policy.h"

#include <QDir>
#include <QFileInfo>

#include "engine/model/settings.h"
#include "platform/launch/launcher.h"
#include "platform/rtl/paths.h"

namespace corvane {
namespace {

bool InResources(const QString& path) {
    const QString root = QFileInfo(QString::fromStdString(ResourcesDir())).canonicalFilePath();
    const QString real = QFileInfo(path).canonicalFilePath();
    return !root.isEmpty() && !real.isEmpty() && real.startsWith(root + QLatin1Char('/'));
}

bool SameFolder(const QString& real, const std::string& folder) {
    return !folder.empty() && QFileInfo(QString::fromStdString(folder)).canonicalFilePath() == real;
}

// A listing of a folder whose contents the browser may show, but which is not inside a capture folder
// itself: the downloads folder (the archive window with no archive selected) and each capture folder
// (the intranet view's top node). Only the listing: nothing in it beyond what the folders allow.
bool IsFolderListing(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir()) return false;
    const QString real = info.canonicalFilePath();
    if (real.isEmpty()) return false;
    if (SameFolder(real, DownloadsFolderOrEmpty())) return true;
    for (const auto& [key, folder] : CaptureFolders())
        if (SameFolder(real, folder)) return true;
    return false;
}

}  // namespace

bool BrowserMayLoad(const QUrl& url, BrowserLoad kind) {
    if (!url.isLocalFile()) return true;
    switch (kind) {
        case BrowserLoad::ScriptRead:
            return false;
        case BrowserLoad::Page:
        case BrowserLoad::Frame: {
            const QString path = url.toLocalFile();
            return InCaptureFolder(path.toStdString()) || InResources(path) ||
                   (kind == BrowserLoad::Page && IsFolderListing(path));
        }
        case BrowserLoad::Other:
            return true;  // a page's own images and style sheets
    }
    return false;
}

QUrl BrowserNavigateTarget(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
        trimmed.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        QUrl url(trimmed);
        return url.isValid() && !url.host().isEmpty() ? url : QUrl();
    }
    if (trimmed.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) {
        const QUrl url(trimmed);
        return url.isLocalFile() && QDir::isAbsolutePath(url.toLocalFile()) ? url : QUrl();
    }
    if (trimmed.startsWith(QLatin1Char('/'))) return QUrl::fromLocalFile(trimmed);
    return {};
}

}  // namespace corvane
