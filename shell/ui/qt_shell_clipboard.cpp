#include "shell/ui/qt_shell_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace corvane::shell {

void TQtShellClipboard::SetFormats(const Formats& formats) {
    auto* mime = new QMimeData;
    for (const auto& [type, bytes] : formats)
        mime->setData(QString::fromStdString(type), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    QGuiApplication::clipboard()->setMimeData(mime);
}

std::string TQtShellClipboard::Format(const std::string& mime) const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr) return {};
    return data->data(QString::fromStdString(mime)).toStdString();
}

void TQtShellClipboard::Clear() { QGuiApplication::clipboard()->clear(); }

}  // namespace corvane::shell
