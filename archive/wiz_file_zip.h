#pragma once
// The file zip wizard: three pages without tabs (the archive and how to add, the files to add, the
// compression level). Finish sets the zip component's options and remembers them; the archive
// window then opens or creates the archive named in edFilename and adds FileList with Action.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <string>

#include "platform/rtl/string_list.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QToolButton;
class QTreeWidget;

namespace corvane {

class TKMLang;
class TTrackBar95;
class TXceedZip;

class TwizFileZip : public QDialog {
    Q_OBJECT
public:
    explicit TwizFileZip(TXceedZip& zip, QWidget* parent = nullptr);
    ~TwizFileZip() override;

    // The add mode chosen at Finish: 0 add and replace, 1 freshen, 2 update.
    std::uint8_t Action = 0;
    // The archive window's component: Finish sets its Compression, UsePaths and Recurse.
    TXceedZip& Zip;
    // The archive in edFilename exists and is opened rather than created. Finish settles it from
    // the file system, once the file New replaces is gone.
    bool OpenExisting = true;
    // Full paths of the files and folders to add, sorted byte for byte without duplicates: "A.txt"
    // and "a.txt" are different files here. Callers add with Add or AddStrings.
    TStringList FileList;

    // The archive name typed or chosen, as UTF-8.
    std::string FileName() const;
    void SetFileName(const std::string& name);
    int PageIndex() const;

    // Page 1
    QLineEdit* edFilename;
    QToolButton* btnNewZip;
    QToolButton* btnOpenZip;
    QRadioButton* rbAll;
    QRadioButton* rbFreshen;
    QRadioButton* rbUpdate;
    // Page 2
    QTreeWidget* lvFiles;
    QPushButton* btnAddFiles;
    QPushButton* btnRemoveFiles;
    QCheckBox* cbUsePaths;
    QCheckBox* cbRecurse;
    // Page 3
    TTrackBar95* tbCompression;
    // Bottom
    QPushButton* btnBack;
    QPushButton* btnNext;
    QPushButton* btnCancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* MakeArchivePage();
    QWidget* MakeFilesPage();
    QWidget* MakeCompressionPage();

    void NewZipClick();
    void OpenZipClick();
    void AddFilesClick();
    void RemoveFilesClick();
    void NextClick();
    void BackClick();

    bool ValidatePage();
    bool Finish();
    void FillFiles();
    void PageChanged();

    QStackedWidget* pages_;
    TKMLang* translator_;
    QString caption_;          // the translated caption, without the dropped-files count
    std::string zip_folder_;   // where New and Open start; '' leaves it to the dialog
    // An existing file the user chose to replace through New. It is removed at Finish only, so
    // Cancel keeps it.
    std::string replaced_;
};

}  // namespace corvane
