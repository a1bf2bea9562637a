#include "shell/ns/mime_bridge.h"

#include <QMimeData>
#include <QUrl>
#include <string>
#include <vector>

#include "shell/ns/shell_clipboard.h"
#include "shell/ns/shell_utils.h"

namespace corvane::shell {

namespace {

ByteBlock ToBlock(const QByteArray& bytes) {
    ByteBlock block(bytes.begin(), bytes.end());
    block.push_back(0);
    return block;
}

bool IsWebUrl(const QUrl& url) {
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

// The first web address the drag names: text/x-moz-url (UTF-16, address then title), _NETSCAPE_URL,
// else the first non-file URL of the list.
QUrl WebAddress(const QMimeData& mime) {
    const QString mozFormat = QStringLiteral("text/x-moz-url");
    if (mime.hasFormat(mozFormat)) {
        const QByteArray raw = mime.data(mozFormat);
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(raw.constData()), raw.size() / 2);
        const QUrl url(text.section(QLatin1Char('\n'), 0, 0).trimmed());
        if (IsWebUrl(url)) return url;
    }
    const QString netscape = QStringLiteral("_NETSCAPE_URL");
    if (mime.hasFormat(netscape)) {
        const QUrl url(QString::fromUtf8(mime.data(netscape)).section(QLatin1Char('\n'), 0, 0).trimmed());
        if (IsWebUrl(url)) return url;
    }
    for (const QUrl& url : mime.urls())
        if (IsWebUrl(url)) return url;
    return {};
}

}  // namespace

MimeDataObject::MimeDataObject(const QMimeData& mime) {
    std::vector<std::string> paths;
    for (const QUrl& url : mime.urls()) {
        if (!url.isLocalFile()) continue;
        const QByteArray path = url.toLocalFile().toUtf8();
        if (!path.isEmpty() && path.front() == '/' && !path.contains('\0')) paths.push_back(path.toStdString());
    }
    // Our own array first, when it is sound; a forged one is dropped, not read.
    const QByteArray own = mime.data(QString::fromLatin1(kMimeShellIdList));
    TCida cida;
    if (!own.isEmpty() && ParseCida(own.constData(), static_cast<std::size_t>(own.size()), cida))
        SetBlock(ShellIdListFormat(), ByteBlock(own.begin(), own.end()));
    if (!paths.empty()) {
        SetBlock(CF_HDROP, BuildDropFiles(paths));
        if (cida.children.empty()) {
            // Files from other programs: the desktop as parent, each file's absolute list a child.
            std::vector<UniquePidl> lists;
            std::vector<PCItemIDList> children;
            for (const std::string& path : paths) {
                PItemIDList list = nullptr;
                if (Failed(PathToPidl(path, &list)) || list == nullptr) break;
                lists.emplace_back(list);
                children.push_back(list);
            }
            if (children.size() == paths.size()) SetBlock(ShellIdListFormat(), BuildCida(nullptr, children));
        }
    }
    if (mime.hasText()) SetBlock(CF_TEXT, ToBlock(mime.text().toUtf8()));
    const QUrl web = WebAddress(mime);
    if (web.isValid()) SetBlock(RegisterClipboardFormat(CFSTR_SHELLURL), ToBlock(web.toEncoded()));
}

QMimeData* DataObjectMime(IDataObject* data) {
    auto* mime = new QMimeData;
    if (data == nullptr) return mime;
    STGMEDIUM medium;
    std::vector<std::string> paths;
    if (Succeeded(data->GetData(FormatOf(CF_HDROP), medium)))
        ParseDropFiles(medium.hGlobal.data(), medium.hGlobal.size(), paths);
    if (!paths.empty()) {
        QList<QUrl> urls;
        QStringList lines;
        for (const std::string& path : paths) {
            urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
            lines.append(QString::fromStdString(path));
        }
        mime->setUrls(urls);
        mime->setText(lines.join(QLatin1Char('\n')));
    }
    if (Succeeded(data->GetData(FormatOf(ShellIdListFormat()), medium))) {
        const QByteArray bytes(reinterpret_cast<const char*>(medium.hGlobal.data()),
                               static_cast<qsizetype>(medium.hGlobal.size()));
        mime->setData(QString::fromLatin1(kMimeShellIdList), bytes);
    }
    return mime;
}

}  // namespace corvane::shell
