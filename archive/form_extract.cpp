#include "archive/form_extract.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTreeWidgetItem>
#include <QVBoxLayout>
#include <memory>
#include <optional>
#include <utility>

#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "shell/ns/shell_locator.h"
#include "shell/ui/guarded_handler.h"
#include "shell/ui/shell_tree.h"

namespace corvane {
namespace {

// Only a full path names the same folder whatever the program's working folder.
bool IsTargetFolder(const QString& text) { return text.startsWith(QLatin1Char('/')); }

}  // namespace

TFormExtract::TFormExtract(QWidget* parent) : QDialog(parent) {
    setObjectName("FormExtract");
    setWindowTitle("Unzip");

    auto* label = new QLabel("Unzip to:", this);
    label->setObjectName("lblExtractTo");
    edExtractTo = new QLineEdit(this);
    edExtractTo->setObjectName("edExtractTo");
    label->setBuddy(edExtractTo);

    // Filled on show, so that it opens at the stored folder.
    tvFolders = new shell::TPTShellTree(this);
    tvFolders->setObjectName("tvFolders");
    tvFolders->SetOptions(shell::kDefaultShellTreeOptions & ~shell::ptstoAutoFill);
    tvFolders->setRootIsDecorated(false);
    tvFolders->headerItem()->setText(0, QString());  // never shown: nothing to translate

    auto* files = new QGroupBox("Files", this);
    files->setObjectName("gbFiles");
    rbAllFiles = new QRadioButton("All Files", files);
    rbAllFiles->setObjectName("rbAllFiles");
    rbAllFiles->setChecked(true);
    rbSelectedFiles = new QRadioButton("Selected Files", files);
    rbSelectedFiles->setObjectName("rbSelectedFiles");
    auto* files_layout = new QVBoxLayout(files);
    files_layout->addWidget(rbAllFiles);
    files_layout->addWidget(rbSelectedFiles);

    auto* options = new QGroupBox("Options", this);
    options->setObjectName("gbOptions");
    cbUsePaths = new QCheckBox("Use path names", options);
    cbUsePaths->setObjectName("cbUsePaths");
    cbUsePaths->setChecked(true);
    cbOverwrite = new QCheckBox("Overwrite existing files", options);
    cbOverwrite->setObjectName("cbOverwrite");
    auto* options_layout = new QVBoxLayout(options);
    options_layout->addWidget(cbUsePaths);
    options_layout->addWidget(cbOverwrite);

    btnExtract = new QPushButton("&Unzip", this);
    btnExtract->setObjectName("btnExtract");
    btnExtract->setDefault(true);
    btnExtract->setEnabled(false);
    btnCancel = new QPushButton("&Cancel", this);
    btnCancel->setObjectName("btnCancel");

    auto* left = new QVBoxLayout;
    left->addWidget(label);
    left->addWidget(edExtractTo);
    left->addWidget(tvFolders, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(btnExtract);
    right->addWidget(btnCancel);
    right->addSpacing(12);
    right->addWidget(files);
    right->addWidget(options);
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    tvFolders->OnChange = [this](shell::TPTCustomShellTree& tree, shell::TTreeNode* node) {
        tvFoldersChange(tree, node);
    };
    tvFolders->OnEditing = [this](shell::TPTCustomShellTree&, shell::TTreeNode* node, bool&) {
        shell::TPTShTreeData* node_data = shell::TPTCustomShellTree::GetNodeData(node);
        renaming_path_ = node_data != nullptr ? node_data->GetPath() : std::string();
    };
    tvFolders->OnEdited = [this](shell::TPTCustomShellTree&, shell::TTreeNode* node, QString&) {
        tvFoldersEdited(node);
    };
    connect(edExtractTo, &QLineEdit::textChanged, this, &TFormExtract::edExtractToChange);
    connect(btnExtract, &QPushButton::clicked, this, &TFormExtract::btnExtractClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    resize(520, 380);
    translator_ = new TKMLang(this);
    translator_->Loaded();
}

TFormExtract::~TFormExtract() {
    tvFolders->OnChange = nullptr;
    tvFolders->OnEditing = nullptr;
    tvFolders->OnEdited = nullptr;
}

std::string TFormExtract::ExtractTo() const { return edExtractTo->text().toStdString(); }

void TFormExtract::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    // The controls' own values are the defaults of a fresh settings hive.
    cbUsePaths->setChecked(RegRead<bool>(kSettingsKey, "Extract Use Paths", cbUsePaths->isChecked()));
    cbOverwrite->setChecked(RegRead<bool>(kSettingsKey, "Extract Overwrite", cbOverwrite->isChecked()));
    const std::string folder = RegRead<std::string>(kSettingsKey, "Unzip Folder", ExtractTo());
    edExtractTo->setText(QString::fromStdString(folder));

    // The tree goes to the stored folder, or to its deepest existing ancestor; the edit box keeps
    // the stored folder itself, which the extraction creates when missing.
    moving_ = true;
    shell::RunGuarded(this, false, [&] {
        if (tvFolders->TopCount() == 0) tvFolders->Reload();
        if (IsTargetFolder(edExtractTo->text())) {
            shell::TPTShellLocator place;
            place.SetPath(folder);
            if (place.Pidl() != nullptr) tvFolders->SelectPidl(place.Pidl());
        }
    });
    moving_ = false;
    tree_path_ = tvFolders->GetSelectedPath();
}

void TFormExtract::tvFoldersChange(shell::TPTCustomShellTree&, shell::TTreeNode* node) {
    shell::TPTShTreeData* node_data = shell::TPTCustomShellTree::GetNodeData(node);
    const std::string path = node_data != nullptr ? node_data->GetPath() : std::string();
    if (moving_ || path == tree_path_) return;
    tree_path_ = path;
    edExtractTo->setText(QString::fromStdString(path));
}

// A target in the renamed folder, or below it, moves with it: the old path no longer exists.
void TFormExtract::tvFoldersEdited(shell::TTreeNode* node) {
    const std::string old_path = std::exchange(renaming_path_, std::string());
    shell::TPTShTreeData* node_data = shell::TPTCustomShellTree::GetNodeData(node);
    const std::string new_path = node_data != nullptr ? node_data->GetPath() : std::string();
    if (old_path.empty() || new_path.empty() || old_path == new_path) return;
    const auto bare = [](std::string path) {
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        return path;
    };
    const std::string from = bare(old_path);
    const std::string to = bare(new_path);
    const auto moved = [&](const std::string& path) -> std::optional<std::string> {
        if (path != from && path.rfind(from + '/', 0) != 0) return std::nullopt;
        return to + path.substr(from.size());
    };
    if (const auto path = moved(tree_path_)) tree_path_ = *path;
    if (const auto target = moved(ExtractTo())) edExtractTo->setText(QString::fromStdString(*target));
}

void TFormExtract::edExtractToChange() { btnExtract->setEnabled(IsTargetFolder(edExtractTo->text())); }

void TFormExtract::btnExtractClick() {
    if (!IsTargetFolder(edExtractTo->text())) return;
    RegWriteValue(kSettingsKey, "Extract Use Paths", cbUsePaths->isChecked());
    RegWriteValue(kSettingsKey, "Extract Overwrite", cbOverwrite->isChecked());
    if (RegRead<bool>(kSettingsKey, "Last Unzip Folder", false)) RegWriteValue(kSettingsKey, "Unzip Folder", ExtractTo());
    accept();
}

namespace {
[[maybe_unused]] const bool registered =
    RegisterCaptureForm("FormExtract", [] { return std::unique_ptr<QObject>(new TFormExtract); });
}  // namespace

}  // namespace corvane
