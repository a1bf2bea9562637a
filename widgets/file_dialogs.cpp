#include "widgets/file_dialogs.h"

#include <QFileDialog>

#include "platform/rtl/log.h"
#include "widgets/gui_thread.h"

namespace corvane {
namespace {

class QtFileDialogs : public FileDialogBackend {
public:
    std::vector<std::string> Run(QWidget* parent, const FileDialogRequest& request) override {
        QFileDialog dialog(parent, request.title, QString::fromStdString(request.folder), request.filter);
        if (!request.file_name.empty()) dialog.selectFile(QString::fromStdString(request.file_name));
        switch (request.kind) {
            case FileDialogKind::Open: dialog.setFileMode(QFileDialog::ExistingFile); break;
            case FileDialogKind::OpenMany: dialog.setFileMode(QFileDialog::ExistingFiles); break;
            case FileDialogKind::Save:
                dialog.setAcceptMode(QFileDialog::AcceptSave);
                dialog.setFileMode(QFileDialog::AnyFile);
                dialog.setDefaultSuffix(request.default_suffix);
                break;
            case FileDialogKind::ChooseFolder:
                dialog.setFileMode(QFileDialog::Directory);
                dialog.setOption(QFileDialog::ShowDirsOnly);
                break;
        }
        std::vector<std::string> chosen;
        if (dialog.exec() != QDialog::Accepted) return chosen;
        for (const QString& file : dialog.selectedFiles()) chosen.push_back(file.toStdString());
        return chosen;
    }
};

QtFileDialogs qt_dialogs;
FileDialogBackend* installed = nullptr;  // main thread only

std::string First(const std::vector<std::string>& paths) { return paths.empty() ? std::string() : paths.front(); }

}  // namespace

FileDialogBackend* SetFileDialogBackend(FileDialogBackend* backend) {
    FileDialogBackend* previous = installed;
    installed = backend;
    return previous;
}

std::vector<std::string> RunFileDialog(QWidget* parent, const FileDialogRequest& request) {
    if (!OnGuiThread()) {
        LogWarning("File dialog asked for off the main thread, cancelled: " + request.title.toStdString());
        return {};
    }
    std::vector<std::string> chosen = (installed != nullptr ? *installed : qt_dialogs).Run(parent, request);
    // Only OpenMany may give more than one path.
    if (request.kind != FileDialogKind::OpenMany && chosen.size() > 1) chosen.resize(1);
    return chosen;
}

std::string OpenFileDialog(QWidget* parent, const QString& title, const QString& filter, const std::string& folder,
                           const std::string& file_name) {
    return First(RunFileDialog(parent, {FileDialogKind::Open, title, folder, file_name, filter, {}}));
}

std::string SaveFileDialog(QWidget* parent, const QString& title, const QString& filter, const std::string& folder,
                           const std::string& file_name, const QString& default_suffix) {
    return First(RunFileDialog(parent, {FileDialogKind::Save, title, folder, file_name, filter, default_suffix}));
}

std::string ChooseFolderDialog(QWidget* parent, const QString& title, const std::string& folder) {
    return First(RunFileDialog(parent, {FileDialogKind::ChooseFolder, title, folder, {}, {}, {}}));
}

}  // namespace corvane
