#pragma once
// Every open, save and choose-folder dialog of the program goes through RunFileDialog. The installed
// backend shows it: the program's uses QFileDialog; tests install a script that answers dialogs
// queued in advance and fails on one nobody expected (tests/support/scripted_dialogs.h).
//
// Paths are UTF-8 and absolute. A dialog asked for off the main thread is logged and cancelled.

#include <QString>
#include <string>
#include <vector>

class QWidget;

namespace corvane {

enum class FileDialogKind { Open, OpenMany, Save, ChooseFolder };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString title;
    std::string folder;     // where the dialog starts; empty: the dialog's own choice
    std::string file_name;  // proposed name (Open, Save)
    QString filter;         // "Zip files (*.zip);;All files (*)"
    QString default_suffix; // Save: appended to a name typed without one ("zip")
};

class FileDialogBackend {
public:
    virtual ~FileDialogBackend() = default;
    // The chosen paths (one, except for OpenMany); empty when cancelled.
    virtual std::vector<std::string> Run(QWidget* parent, const FileDialogRequest& request) = 0;
};

// Installs a backend (null: the program's QFileDialog one) and returns the previous one. The caller
// keeps ownership.
FileDialogBackend* SetFileDialogBackend(FileDialogBackend* backend);

std::vector<std::string> RunFileDialog(QWidget* parent, const FileDialogRequest& request);

// The single-path dialogs: the chosen path, or "" when cancelled.
std::string OpenFileDialog(QWidget* parent, const QString& title, const QString& filter,
                           const std::string& folder = {}, const std::string& file_name = {});
std::string SaveFileDialog(QWidget* parent, const QString& title, const QString& filter,
                           const std::string& folder = {}, const std::string& file_name = {},
                           const QString& default_suffix = {});
std::string ChooseFolderDialog(QWidget* parent, const QString& title, const std::string& folder = {});

}  // namespace corvane
