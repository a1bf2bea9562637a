#pragma once
// The unzip dialog: the target folder (typed or picked in a folder tree) and the extraction options.
// The main window checks rbAllFiles or rbSelectedFiles before showing it and, after OK, reads the
// target, rbAllFiles, cbUsePaths and cbOverwrite and extracts.

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace corvane {

class TKMLang;

namespace shell {
class TPTCustomShellTree;
class TPTShellTree;
class TTreeNode;
}  // namespace shell

class TFormExtract : public QDialog {
    Q_OBJECT
public:
    explicit TFormExtract(QWidget* parent = nullptr);
    ~TFormExtract() override;

    // The target folder typed or picked, as UTF-8.
    std::string ExtractTo() const;

    QLineEdit* edExtractTo;
    shell::TPTShellTree* tvFolders;
    QRadioButton* rbAllFiles;
    QRadioButton* rbSelectedFiles;
    QCheckBox* cbUsePaths;
    QCheckBox* cbOverwrite;
    QPushButton* btnExtract;
    QPushButton* btnCancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void tvFoldersChange(shell::TPTCustomShellTree& tree, shell::TTreeNode* node);
    void tvFoldersEdited(shell::TTreeNode* node);
    void edExtractToChange();
    void btnExtractClick();

    TKMLang* translator_;
    // The tree moving itself (filling, going to the stored folder): the typed target stays.
    bool moving_ = false;
    // The folder the tree last put into the edit box. A refresh that selects the same folder again
    // leaves a target typed since alone.
    std::string tree_path_;
    // The folder being renamed in the tree, as it was named before.
    std::string renaming_path_;
};

}  // namespace corvane
