#include "app/folder_dialog_backend.h"

#include "shell/ui/folder_browse_dlg.h"

namespace corvane {

std::vector<std::string> TProgramFileDialogs::Run(QWidget* parent, const FileDialogRequest& request) {
    if (request.kind != FileDialogKind::ChooseFolder) {
        // The system's dialog is the one shown while no backend is installed.
        FileDialogBackend* self = SetFileDialogBackend(nullptr);
        std::vector<std::string> chosen = RunFileDialog(parent, request);
        SetFileDialogBackend(self);
        return chosen;
    }
    shell::TPTFolderBrowseDlg dialog(parent);
    dialog.SetTitle(request.title);
    if (!request.folder.empty()) dialog.SetSelectedPath(request.folder);
    if (!dialog.Execute()) return {};
    // A virtual folder (the desktop's computer, the trash) has no path to hand back.
    const std::string path = dialog.GetSelectedPath();
    if (path.empty()) return {};
    return {path};
}

}  // namespace corvane
