#pragma once
// The task dialog: one task and its own download rules, in three modes told apart by the caption the
// caller sets: "Create New Task", "Add a Task" (a task file given from outside) and "Edit Task" (the
// default). On OK the controls are written into the task and its file is saved.

#include <QComboBox>
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/rtl/date_time.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;

namespace corvane {

class FileTypeTreeController;
class TCVProfile;
class TCVTask;
class TKMLang;
class TdlgUserNamePassword;
class UrlFilterListsController;

// An editable combo box that says when its list is about to drop down.
class DropDownComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> OnDropDown;
    void showPopup() override;
};

class TdlgEditTask : public QDialog {
    Q_OBJECT
public:
    explicit TdlgEditTask(QWidget* parent = nullptr);
    ~TdlgEditTask() override;

    std::shared_ptr<TCVTask> Task;
    bool Loading = false;
    bool Overwrite = false;
    bool CategoryChanged = false;
    TdlgUserNamePassword* dlgUserNamePassword;
    // "Now" for the schedule dialog.
    std::function<TDateTime()> Clock;

    QListWidget* ListView1;
    QStackedWidget* PageControl1;
    QLineEdit* edTaskName;
    DropDownComboBox* cmbTaskCategory;
    QComboBox* cmbProfile;
    DropDownComboBox* cmbURL;
    QCheckBox* cbUserNamePassword;
    QPushButton* btnUserNamePassword;
    QRadioButton* rbZip;
    QLineEdit* edFileName;
    QPushButton* btnNewZip;
    QPushButton* btnOpenZip;
    QCheckBox* cbUseStartPageTitle;
    QRadioButton* rbIntranet;
    QLineEdit* edIntranetFolder;
    QPushButton* btnNewIntranet;
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
    QCheckBox* cbAggressiveParser;
    QRadioButton* rbAPScripts;
    QRadioButton* rbAPAll;
    QListWidget* lbInc;
    QListWidget* lbEx;
    QRadioButton* rbcflNone;
    QRadioButton* rbcflAll;
    QRadioButton* rbculNone;
    QRadioButton* rbculWebsite;
    QRadioButton* rbculAll;
    QRadioButton* rbScheduleNow;
    QRadioButton* rbScheduleAt;
    QLineEdit* edSchedule;
    QPushButton* btnSchedule;
    QRadioButton* rbScheduleLater;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QPushButton* btnReset;
    QPushButton* SpeedButton1;

    FileTypeTreeController& FileTypes() { return *fileTypes_; }

    // The new task's archive is one the user chose (the archive selected in the archive window): an
    // address typed here names the task but leaves that archive.
    bool ChosenArchive = false;
    UrlFilterListsController& Filters() { return *filters_; }

    void FillProfiles();
    void ProfileToControls();
    void LoadProfile();
    bool ValidateTask();
    void SaveTask();
    void ControlsToTask();
    void ControlsToProfile();

public slots:
    void FormShow();
    void ListView1Change();
    void cmbURLChange();
    void cmbURLDropDown();
    void cmbProfileChange();
    void cbUserNamePasswordClick();
    void btnUserNamePasswordClick();
    void rbIntranetClick();
    void btnNewIntranetClick();
    void btnNewZipClick();
    void btnOpenZipClick();
    void cbAggressiveParserClick();
    void SetCustomProfile();
    void btnScheduleClick();
    void edScheduleChange();
    void rbScheduleNowClick();
    void rbScheduleLaterClick();
    void btnOKClick();
    void btnCancelClick();
    void btnResetClick();
    void SpeedButton1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildForm();
    void Connect();
    bool EditMode() const;
    bool AddMode() const;
    // The category box's text as a category ("" the tasks folder itself).
    std::string Category() const;
    void FillCategories();
    void SetLayoutDefaults();
    void ProfileRulesToControls(const TCVProfile& profile);
    void ShowDefaultDestination();
    // Free on disk and not the destination of another task.
    std::string DefaultArchive(const std::string& site);
    void SaveAndClose();
    bool ValidateZipName();
    bool ValidateIntranetFolder();
    // Saves under the new file, then moves or drops what belonged to the old one.
    void WriteTaskFiles(const std::string& original_file, const std::string& replaced_file);
    // The main window's task, reloaded when it is the task just saved.
    void ReloadCurrentTask(const std::string& original_file);

    FileTypeTreeController* fileTypes_ = nullptr;
    UrlFilterListsController* filters_ = nullptr;
    TKMLang* lang_ = nullptr;
    bool filling_ = false;         // the dialog fills its own boxes: no auto-naming
    TDateTime scheduleNextRun_ = 0;  // of the rule in edSchedule
    std::optional<std::set<std::string>> taskDestinations_;  // of every task, read at the first default
    std::string newZipToReplace_;  // a chosen existing zip, deleted when the task is saved with it
    std::string replacedTask_;     // an existing task file the user agreed to replace
};

}  // namespace corvane
