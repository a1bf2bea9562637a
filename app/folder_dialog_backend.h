#pragma once
// The program's file dialogs: folders are chosen in the shell's folder browse dialog, files in the
// system's file dialog.

#include "widgets/file_dialogs.h"

namespace corvane {

class TProgramFileDialogs : public FileDialogBackend {
public:
    std::vector<std::string> Run(QWidget* parent, const FileDialogRequest& request) override;
};

}  // namespace corvane
