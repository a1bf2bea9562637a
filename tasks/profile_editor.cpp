#include "tasks/profile_editor.h"

#include <QAbstractItemDelegate>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <filesystem>
#include <system_error>

#include "engine/support/file_routines.h"
#include "engine/model/settings.h"
#include "localisation/app_language.h"
#include "localisation/lang_text.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "localisation/message_ids.h"
#include "tasks/file_type_tree.h"
#include "tasks/url_filter_lists.h"
#include "widgets/message_box.h"

namespace corvane {

namespace {

constexpr int kFileRole = Qt::UserRole + 1;  // the file a listed profile was read from

[[maybe_unused]] const bool kRegistered = RegisterCaptureForm(
    "dlgEditProfile", [] { return std::unique_ptr<QObject>(new TdlgEditProfile); });


std::string ProfilePath(const std::string& caption) {
    return App ? App->ProfilesDir + caption + ".cvp" : std::string();
}

// Deletes a profile file that exists; false with the reason when it could not be deleted.
bool RemoveProfileFile(const std::string& path, std::string& error) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec))) return true;
    if (std::filesystem::remove(path, ec)) return true;
    error = ec.message();
    return false;
}

}  // namespace

TdlgEditProfile::TdlgEditProfile(QWidget* parent) : QDialog(parent) {
    BuildForm();
    fileTypes_ = new FileTypeTreeController(this, FileTypeTreeController::DeleteTexts::Literal);
    filters_ = new UrlFilterListsController(this);
    connect(fileTypes_, &FileTypeTreeController::userChanged, this, &TdlgEditProfile::Dirty);
    connect(filters_, &UrlFilterListsController::userChanged, this, &TdlgEditProfile::Dirty);
    for (QRadioButton* radio : {rbPageOnly, rbLevels, rbAll, rbPagesDir, rbPagesSite, rbPagesAnywhere, rbResDir,
                                rbResSite, rbResAnywhere})
        connect(radio, &QRadioButton::toggled, this, &TdlgEditProfile::Dirty);
    connect(edLevels, &QSpinBox::valueChanged, this, &TdlgEditProfile::Dirty);
    connect(cbUseStartPageTitle, &QCheckBox::toggled, this, &TdlgEditProfile::Dirty);

    connect(lvProfiles, &QListWidget::currentItemChanged, this, &TdlgEditProfile::lvProfilesChange);
    // The view writes the caption into the item before this runs (it connected first).
    connect(lvProfiles->itemDelegate(), &QAbstractItemDelegate::commitData, this, &TdlgEditProfile::lvProfilesEdited);
    connect(btnProfileNew, &QPushButton::clicked, this, &TdlgEditProfile::btnProfileNewClick);
    connect(btnProfileDelete, &QPushButton::clicked, this, &TdlgEditProfile::btnProfileDeleteClick);
    connect(btnCancel, &QPushButton::clicked, this, &TdlgEditProfile::btnCancelClick);

    lang_ = new TKMLang(this);
    lang_->Loaded();
    FillProfileList();
    Loading = true;
}

TdlgEditProfile::~TdlgEditProfile() = default;

void TdlgEditProfile::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) Loading = false;
    QDialog::showEvent(event);
}

void TdlgEditProfile::FillProfileList() {
    lvProfiles->clear();
    TStringList files;
    if (App) ListFiles(App->ProfilesDir, "*.cvp", files);
    for (const std::string& file : files) {
        auto* item = new QListWidgetItem(QString::fromStdString(file.substr(0, file.size() - 4)), lvProfiles);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        item->setData(kFileRole, QString::fromStdString(App->ProfilesDir + file));
    }
    UpdateDeleteButton();
}

void TdlgEditProfile::UpdateDeleteButton() { btnProfileDelete->setEnabled(lvProfiles->currentItem() != nullptr); }

void TdlgEditProfile::lvProfilesChange(QListWidgetItem* current, QListWidgetItem* previous) {
    if (previous) lvProfilesChanging();
    UpdateDeleteButton();
    if (current && current->text() != edProfileName->text()) LoadSelectedProfile();
}

void TdlgEditProfile::lvProfilesChanging() { AskToSave(); }

bool TdlgEditProfile::AskToSave() {
    if (!Changed) return true;
    const QString question = "Save changes to profile: " + edProfileName->text() + "?";
    if (AskQuestion(this, question) == MsgButton::Yes && !SaveProfile()) return false;
    Changed = false;
    return true;
}

void TdlgEditProfile::LoadSelectedProfile() {
    const QListWidgetItem* item = lvProfiles->currentItem();
    if (!item) return;
    Changed = false;
    Loading = true;
    const std::string caption = item->text().toStdString();
    const std::string listed = item->data(kFileRole).toString().toStdString();
    Current = TCVProfile();
    Current.FileName = listed.empty() ? ProfilePath(caption) : listed;
    try {
        Current.Load();
    } catch (const std::exception& e) {
        Current.LoadDefaults();
        ShowError(this, LangText(msg::ProfileReadFailed) + QString::fromStdString(e.what()));
    }
    edProfileName->setText(item->text());
    cbUseStartPageTitle->setChecked(Current.UseStartPageTitle);
    fileTypes_->FillFileTypes(Current.FileTypes);
    filters_->SetLists(Current.URLFiltersInclude, Current.URLFiltersExclude);
    if (Current.Depth == -1) {
        rbAll->setChecked(true);
    } else if (Current.Depth == 0) {
        rbPageOnly->setChecked(true);
    } else {
        edLevels->setValue(Current.Depth);
        rbLevels->setChecked(true);
    }
    (Current.PageLocation == lcDirectory ? rbPagesDir : Current.PageLocation == lcSite ? rbPagesSite : rbPagesAnywhere)
        ->setChecked(true);
    (Current.ResourceLocation == lcDirectory ? rbResDir : Current.ResourceLocation == lcSite ? rbResSite : rbResAnywhere)
        ->setChecked(true);
    Loading = false;
}

void TdlgEditProfile::Dirty() {
    if (lvProfiles->currentItem() && !Loading) Changed = true;
}

void TdlgEditProfile::ControlsToProfile() {
    // The parser and conversion fields and the size limits have no controls: they keep what the file holds.
    Current.Name = edProfileName->text().toStdString();
    Current.Depth = rbLevels->isChecked() ? edLevels->value() : rbPageOnly->isChecked() ? 0 : -1;
    Current.FileTypes = fileTypes_->ProfileFileTypes();
    Current.PageLocation = rbPagesSite->isChecked() ? lcSite : rbPagesDir->isChecked() ? lcDirectory : lcAnywhere;
    Current.ResourceLocation = rbResSite->isChecked() ? lcSite : rbResDir->isChecked() ? lcDirectory : lcAnywhere;
    Current.UseStartPageTitle = cbUseStartPageTitle->isChecked();
    Current.URLFiltersExclude = filters_->Exclude();
    Current.URLFiltersInclude = filters_->Include();
}

bool TdlgEditProfile::SaveProfile() {
    ControlsToProfile();
    try {
        Current.Save();
        return true;
    } catch (const std::exception& e) {
        ShowError(this, LangText(msg::ProfileSaveFailed) + QString::fromStdString(e.what()));
        return false;
    }
}

std::string TdlgEditProfile::RefusedName(const std::string& caption, const QListWidgetItem* item) const {
    if (!IsValidName(caption)) return AppLanguage().GetLangStr(msg::ProfileNameInvalid);
    // "Custom" is the task dialog's entry for a task's own rules.
    if (SameText(caption, "Custom")) return AppLanguage().GetLangStr(msg::ProfileNameReserved);
    for (int i = 0; i < lvProfiles->count(); ++i)
        if (lvProfiles->item(i) != item && SameText(lvProfiles->item(i)->text().toStdString(), caption))
            return AppLanguage().GetLangStr(msg::ProfileNameTaken);
    return {};
}

void TdlgEditProfile::lvProfilesEdited() {
    QListWidgetItem* item = lvProfiles->currentItem();
    if (!item) return;
    const std::string caption = item->text().toStdString();
    const QString oldCaption = edProfileName->text();
    auto revert = [&](const QString& why) {
        const QSignalBlocker block(lvProfiles);
        item->setText(oldCaption);
        ShowError(this, why);
    };
    if (const std::string why = RefusedName(caption, item); !why.empty()) {
        revert(QString::fromStdString(why));
        return;
    }
    // The new file is written first; the old one goes only when that succeeded.
    ControlsToProfile();
    const std::string oldFile = Current.FileName;
    const std::string oldName = Current.Name;
    Current.Name = caption;
    Current.FileName = ProfilePath(caption);
    try {
        Current.Save();
    } catch (const std::exception& e) {
        Current.Name = oldName;
        Current.FileName = oldFile;
        revert(LangText(msg::ProfileSaveFailed) + QString::fromStdString(e.what()));
        return;
    }
    item->setData(kFileRole, QString::fromStdString(Current.FileName));
    edProfileName->setText(item->text());
    Changed = false;
    std::string error;
    if (oldFile != Current.FileName && !RemoveProfileFile(oldFile, error))
        ShowError(this, LangText(msg::ProfileDeleteFailed) + QString::fromStdString(error));
}

std::string TdlgEditProfile::UniqueNewCaption() const {
    // Never the name of a listed profile or of a file already there, which the rename would replace.
    auto taken = [this](const std::string& caption) {
        for (int i = 0; i < lvProfiles->count(); ++i)
            if (SameText(lvProfiles->item(i)->text().toStdString(), caption)) return true;
        std::error_code ec;
        return std::filesystem::exists(std::filesystem::symlink_status(ProfilePath(caption), ec));
    };
    std::string caption = "New Profile";
    for (int n = 0; taken(caption); ++n) caption = "New Profile (" + std::to_string(n) + ")";
    return caption;
}

void TdlgEditProfile::btnProfileNewClick() {
    auto* item = new QListWidgetItem(QString::fromStdString(UniqueNewCaption()), lvProfiles);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    lvProfiles->setCurrentItem(item);
    lvProfiles->setFocus();
    lvProfiles->editItem(item);
    Changed = true;
}

void TdlgEditProfile::btnProfileDeleteClick() {
    if (!lvProfiles->currentItem()) return;
    Changed = false;
    std::string error;
    if (!RemoveProfileFile(Current.FileName, error))
        ShowError(this, LangText(msg::ProfileDeleteFailed) + QString::fromStdString(error));
    FillProfileList();
    edProfileName->clear();
    Current = TCVProfile();
}

void TdlgEditProfile::btnCancelClick() { reject(); }

void TdlgEditProfile::reject() {
    // Closing with unsaved changes asks as leaving the profile does; a failed save keeps the editor open.
    if (!AskToSave()) return;
    QDialog::reject();
}

}  // namespace corvane
