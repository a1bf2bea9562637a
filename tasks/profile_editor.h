#pragma once
// The profile editor: the named profiles (the ".cvp" files of the profiles folder) at the left, the
// rules of the selected one at the right. A changed profile is saved when the user leaves it (or
// closes the editor) and agrees, and whenever it is renamed.

#include <QDialog>
#include <string>

#include "engine/model/profile.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QTreeWidget;

namespace corvane {

class FileTypeTreeController;
class TKMLang;
class UrlFilterListsController;

class TdlgEditProfile : public QDialog {
    Q_OBJECT
public:
    explicit TdlgEditProfile(QWidget* parent = nullptr);
    ~TdlgEditProfile() override;

    TCVProfile Current;
    bool Changed = false;
    bool Loading = false;

    QListWidget* lvProfiles;
    QPushButton* btnProfileNew;
    QPushButton* btnProfileDelete;
    QPushButton* btnCancel;
    QScrollArea* ScrollBox1;
    QLineEdit* edProfileName;
    QTreeWidget* tvFileTypes;
    QCheckBox* cbAll;
    QRadioButton* rbPageOnly;
    QRadioButton* rbLevels;
    QSpinBox* edLevels;
    QRadioButton* rbAll;
    QRadioButton* rbPagesDir;
    QRadioButton* rbPagesSite;
    QRadioButton* rbPagesAnywhere;
    QRadioButton* rbResDir;
    QRadioButton* rbResSite;
    QRadioButton* rbResAnywhere;
    QListWidget* lbInc;
    QListWidget* lbEx;
    QCheckBox* cbUseStartPageTitle;

    FileTypeTreeController& FileTypes() { return *fileTypes_; }
    UrlFilterListsController& Filters() { return *filters_; }

    void FillProfileList();
    void LoadSelectedProfile();
    void ControlsToProfile();
    // Saves Current from the controls; a failure is shown and false returned.
    bool SaveProfile();

public slots:
    void Dirty();
    void btnProfileNewClick();
    void btnProfileDeleteClick();
    void btnCancelClick();
    void lvProfilesChange(QListWidgetItem* current, QListWidgetItem* previous);
    void lvProfilesEdited();

protected:
    void showEvent(QShowEvent* event) override;

public:
    // Close, Esc and the window's close button all come here: unsaved changes are asked about.
    void reject() override;

private:
    void BuildForm();
    void lvProfilesChanging();
    // Asks whether to save a changed profile; false when the answer was Yes and the save failed.
    bool AskToSave();
    // Why the caption cannot name the profile, or "" when it can.
    std::string RefusedName(const std::string& caption, const QListWidgetItem* item) const;
    std::string UniqueNewCaption() const;
    void UpdateDeleteButton();

    FileTypeTreeController* fileTypes_ = nullptr;
    UrlFilterListsController* filters_ = nullptr;
    TKMLang* lang_ = nullptr;
};

}  // namespace corvane
