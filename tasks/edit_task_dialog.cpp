#include "tasks/edit_task_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "engine/model/archive_name.h"
#include "engine/support/file_routines.h"
#include "engine/model/profile.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/parse/url_model.h"
#include "localisation/app_language.h"
#include "localisation/lang_text.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "localisation/message_ids.h"
#include "tasks/entry_dialogs.h"
#include "tasks/file_type_tree.h"
#include "tasks/schedule_dialog.h"
#include "tasks/url_filter_lists.h"
#include "widgets/app_host.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"

namespace corvane {

namespace {

[[maybe_unused]] const bool kRegistered =
    RegisterCaptureForm("dlgEditTask", [] { return std::unique_ptr<QObject>(new TdlgEditTask); });

const QString kZipFilter = "Zip file (*.zip);;All files (*)";


// The tick that marks the screen shown; the other entries get a blank of its size, so texts line up.
QIcon ScreenIcon(bool ticked) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    if (!ticked) return QIcon(pixmap);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(120, 230, 120), 2.5));
    painter.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
    return QIcon(pixmap);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The category folders under the tasks folder, nested ones as "a/b".
QStringList CategoryFolders() {
    QStringList folders;
    if (!App) return folders;
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path root(App->TasksDir);
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            folders << QString::fromStdString(it->path().lexically_relative(root).generic_string());
    }
    folders.sort(Qt::CaseInsensitive);
    return folders;
}

}  // namespace

void DropDownComboBox::showPopup() {
    if (OnDropDown) OnDropDown();
    QComboBox::showPopup();
}

TdlgEditTask::TdlgEditTask(QWidget* parent) : QDialog(parent) {
    BuildForm();
    fileTypes_ = new FileTypeTreeController(this, FileTypeTreeController::DeleteTexts::Numbered);
    filters_ = new UrlFilterListsController(this);
    dlgUserNamePassword = new TdlgUserNamePassword(this);
    Connect();
    lang_ = new TKMLang(this);
    lang_->Loaded();
    // What the screens start with until a task fills them.
    try {
        if (App) edIntranetFolder->setText(QString::fromStdString(App->GetIntranetFolder()));
    } catch (const std::exception&) {
        // A folder that cannot be made is shown empty; the check on OK asks for one.
    }
    FillProfiles();
    Loading = true;
    SetLayoutDefaults();
    Loading = false;
    ListView1->setCurrentRow(0);
}

TdlgEditTask::~TdlgEditTask() = default;

void TdlgEditTask::Connect() {
    connect(ListView1, &QListWidget::currentRowChanged, this, &TdlgEditTask::ListView1Change);
    connect(cmbURL, &QComboBox::editTextChanged, this, &TdlgEditTask::cmbURLChange);
    connect(cmbTaskCategory, &QComboBox::editTextChanged, this, &TdlgEditTask::cmbURLChange);
    cmbURL->OnDropDown = [this] { cmbURLDropDown(); };
    cmbTaskCategory->OnDropDown = [this] { cmbURLDropDown(); };
    connect(cmbProfile, &QComboBox::activated, this, &TdlgEditTask::cmbProfileChange);
    connect(cbUserNamePassword, &QCheckBox::clicked, this, &TdlgEditTask::cbUserNamePasswordClick);
    connect(btnUserNamePassword, &QPushButton::clicked, this, &TdlgEditTask::btnUserNamePasswordClick);
    connect(rbZip, &QRadioButton::toggled, this, &TdlgEditTask::rbIntranetClick);
    connect(rbIntranet, &QRadioButton::toggled, this, &TdlgEditTask::rbIntranetClick);
    connect(btnNewIntranet, &QPushButton::clicked, this, &TdlgEditTask::btnNewIntranetClick);
    connect(btnNewZip, &QPushButton::clicked, this, &TdlgEditTask::btnNewZipClick);
    connect(btnOpenZip, &QPushButton::clicked, this, &TdlgEditTask::btnOpenZipClick);
    connect(cbAggressiveParser, &QCheckBox::toggled, this, &TdlgEditTask::cbAggressiveParserClick);

    // Every rule the user changes by hand makes the task's rules its own.
    connect(fileTypes_, &FileTypeTreeController::userChanged, this, &TdlgEditTask::SetCustomProfile);
    connect(filters_, &UrlFilterListsController::userChanged, this, &TdlgEditTask::SetCustomProfile);
    for (QRadioButton* radio : {rbPageOnly, rbLevels, rbAll, rbPagesDir, rbPagesSite, rbPagesAnywhere, rbResDir,
                                rbResSite, rbResAnywhere, rbAPScripts, rbAPAll, rbcflNone, rbcflAll, rbculNone,
                                rbculWebsite, rbculAll})
        connect(radio, &QRadioButton::toggled, this, &TdlgEditTask::SetCustomProfile);
    connect(edLevels, &QSpinBox::valueChanged, this, &TdlgEditTask::SetCustomProfile);
    connect(cbAggressiveParser, &QCheckBox::toggled, this, &TdlgEditTask::SetCustomProfile);
    connect(cbUseStartPageTitle, &QCheckBox::toggled, this, &TdlgEditTask::SetCustomProfile);

    connect(btnSchedule, &QPushButton::clicked, this, &TdlgEditTask::btnScheduleClick);
    connect(edSchedule, &QLineEdit::textChanged, this, &TdlgEditTask::edScheduleChange);
    connect(rbScheduleNow, &QRadioButton::clicked, this, &TdlgEditTask::rbScheduleNowClick);
    connect(rbScheduleLater, &QRadioButton::clicked, this, &TdlgEditTask::rbScheduleLaterClick);
    connect(btnOK, &QPushButton::clicked, this, &TdlgEditTask::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TdlgEditTask::btnCancelClick);
    connect(btnReset, &QPushButton::clicked, this, &TdlgEditTask::btnResetClick);
    connect(SpeedButton1, &QPushButton::clicked, this, &TdlgEditTask::SpeedButton1Click);
}

bool TdlgEditTask::AddMode() const { return windowTitle() == "Add a Task"; }
bool TdlgEditTask::EditMode() const { return windowTitle() != "Create New Task" && !AddMode(); }

std::string TdlgEditTask::Category() const { return cmbTaskCategory->currentText().toStdString(); }

void TdlgEditTask::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
        ListView1->setCurrentRow(0);
        cmbURL->setFocus();  // the first field: a URL typed at once lands in it
    }
    QDialog::showEvent(event);
}

void TdlgEditTask::FillProfiles() {
    cmbProfile->clear();
    cmbProfile->addItem("Custom");
    TStringList files;
    if (App) ListFiles(App->ProfilesDir, "*.cvp", files);
    for (const std::string& file : files) cmbProfile->addItem(QString::fromStdString(FileNameNoExt(file)));
}

void TdlgEditTask::FillCategories() {
    cmbTaskCategory->clear();
    cmbTaskCategory->addItems(CategoryFolders());
}

void TdlgEditTask::FormShow() {
    if (!Task) return;
    const bool was_loading = Loading;
    Loading = true;
    filling_ = true;
    FillCategories();
    cmbTaskCategory->setEditText(QString::fromStdString(App ? App->GetLastCategory() : std::string()));
    edTaskName->setText(QString::fromStdString(Task->Name));
    cmbURL->setEditText(QString::fromStdString(Task->URL));

    const bool login = !Task->UserName.empty() && !Task->Password.empty();
    dlgUserNamePassword->edUserName->setText(login ? QString::fromStdString(Task->UserName) : QString());
    dlgUserNamePassword->edPassword->setText(login ? QString::fromStdString(Task->Password) : QString());
    cbUserNamePassword->setChecked(login);

    newZipToReplace_.clear();
    if (AddMode()) {
        // A task file from elsewhere names a place on another machine: start from the local defaults.
        ShowDefaultDestination();
    } else if (Task->IntranetMode) {
        edIntranetFolder->setText(QString::fromStdString(Task->Destination));
        rbIntranet->setChecked(true);
    } else {
        edFileName->setText(QString::fromStdString(Task->Destination));
        rbZip->setChecked(true);
    }
    rbIntranetClick();

    const int profile = cmbProfile->findText(QString::fromStdString(Task->Profile.Name));
    cmbProfile->setCurrentIndex(std::max(profile, 0));

    // A task opens unscheduled: its schedule is chosen again here or with the task tree's command.
    rbScheduleLater->setChecked(true);
    edSchedule->clear();
    scheduleNextRun_ = 0;

    ProfileToControls();
    filling_ = false;
    Loading = was_loading;
}

std::string TdlgEditTask::DefaultArchive(const std::string& site) {
    // Read once: the URL box asks at every key.
    if (!taskDestinations_) taskDestinations_ = TaskDestinations(App->TasksDir);
    return UniqueArchiveName(App->GetDownloadsFolder() + site + ".zip", *taskDestinations_);
}

void TdlgEditTask::ShowDefaultDestination() {
    try {
        if (Task->IntranetMode) {
            edIntranetFolder->setText(QString::fromStdString(App->GetIntranetFolder()));
            rbIntranet->setChecked(true);
        } else {
            std::string site = ReplaceInvalidFileChars(SiteShortName(Task->URL), '_');
            if (site.empty()) site = FileNameNoExt(Task->Destination);
            if (site.empty()) site = "Download";
            edFileName->setText(QString::fromStdString(DefaultArchive(site)));
            rbZip->setChecked(true);
        }
    } catch (const std::exception& e) {
        ShowError(this, QString::fromStdString(e.what()));
    }
}

void TdlgEditTask::SetLayoutDefaults() {
    rbAll->setChecked(true);
    edLevels->setValue(1);
    rbPagesDir->setChecked(true);
    rbResSite->setChecked(true);
    cbAggressiveParser->setChecked(false);
    rbAPScripts->setChecked(true);
    cbAggressiveParserClick();
    rbcflAll->setChecked(true);
    rbculWebsite->setChecked(true);
    filters_->SetLists(TStringList(), TStringList());
}

void TdlgEditTask::ProfileToControls() {
    const bool was_loading = Loading;
    Loading = true;
    const TCVProfile& profile = Task->Profile;
    if (profile.FileName.empty()) {
        // Rules that were never stored show the layout's defaults.
        cbUseStartPageTitle->setChecked(profile.UseStartPageTitle);
        fileTypes_->FillFileTypes(profile.FileTypes);
        SetLayoutDefaults();
    } else {
        ProfileRulesToControls(profile);
    }
    Loading = was_loading;
}

void TdlgEditTask::ProfileRulesToControls(const TCVProfile& profile) {
    cbUseStartPageTitle->setChecked(profile.UseStartPageTitle);
    fileTypes_->FillFileTypes(profile.FileTypes);
    filters_->SetLists(profile.URLFiltersInclude, profile.URLFiltersExclude);
    if (profile.Depth == -1) {
        rbAll->setChecked(true);
    } else if (profile.Depth == 0) {
        rbPageOnly->setChecked(true);
    } else {
        edLevels->setValue(profile.Depth);
        rbLevels->setChecked(true);
    }
    (profile.PageLocation == lcDirectory ? rbPagesDir : profile.PageLocation == lcSite ? rbPagesSite : rbPagesAnywhere)
        ->setChecked(true);
    (profile.ResourceLocation == lcDirectory ? rbResDir
     : profile.ResourceLocation == lcSite    ? rbResSite
                                             : rbResAnywhere)
        ->setChecked(true);
    cbAggressiveParser->setChecked(profile.AggressiveParser != 0);
    (profile.AggressiveParser == 2 ? rbAPAll : rbAPScripts)->setChecked(true);
    cbAggressiveParserClick();
    (profile.ConvertFollowedLinks == 0 ? rbcflNone : rbcflAll)->setChecked(true);
    (profile.ConvertUnfollowedLinks == 0   ? rbculNone
     : profile.ConvertUnfollowedLinks == 1 ? rbculWebsite
                                           : rbculAll)
        ->setChecked(true);
}

void TdlgEditTask::cmbProfileChange() {
    // "Custom" is no file: picking it keeps the rules shown.
    if (cmbProfile->currentIndex() > 0) LoadProfile();
}

void TdlgEditTask::LoadProfile() {
    if (!App) return;
    TCVProfile profile;
    profile.FileName = App->ProfilesDir + cmbProfile->currentText().toStdString() + kProfileFileExt;
    try {
        profile.Load();
    } catch (const std::exception& e) {
        ShowError(this, LangText(msg::ProfileReadFailed) + QString::fromStdString(e.what()));
        return;
    }
    const bool was_loading = Loading;
    Loading = true;
    ProfileRulesToControls(profile);
    Loading = was_loading;
}

void TdlgEditTask::SetCustomProfile() {
    if (!Loading) cmbProfile->setCurrentIndex(0);
}

void TdlgEditTask::ListView1Change() {
    const int row = ListView1->currentRow();
    if (row < 0) return;
    PageControl1->setCurrentIndex(row);
    static const QIcon tick = ScreenIcon(true), blank = ScreenIcon(false);
    for (int i = 0; i < ListView1->count(); ++i) ListView1->item(i)->setIcon(i == row ? tick : blank);
}

void TdlgEditTask::cmbURLChange() {
    if (filling_ || EditMode() || !App) return;
    std::string site = ReplaceInvalidFileChars(SiteShortName(cmbURL->currentText().toStdString()), '_');
    if (site.empty()) return;
    // Unique in the folder the task will be saved in.
    const std::string category = Category();
    const std::string folder =
        App->TasksDir + (category.empty() || !IsValidCategory(category) ? std::string() : category + "/");
    try {
        if (!ChosenArchive) edFileName->setText(QString::fromStdString(DefaultArchive(site)));
    } catch (const std::exception&) {
        // Without a downloads folder the zip name stays as it is.
    }
    edTaskName->setText(QString::fromStdString(FileNameNoExt(UniqueFileName(folder + site + kTaskFileExt))));
}

void TdlgEditTask::cmbURLDropDown() {
    const QString text = cmbURL->currentText();
    const QSignalBlocker block(cmbURL);
    cmbURL->clear();
    for (const std::string& url : AppHostInstance().RecentURLs()) cmbURL->addItem(QString::fromStdString(url));
    cmbURL->setEditText(text);
}

void TdlgEditTask::cbUserNamePasswordClick() {
    if (cbUserNamePassword->isChecked() && dlgUserNamePassword->edUserName->text().isEmpty() &&
        dlgUserNamePassword->edPassword->text().isEmpty() && dlgUserNamePassword->exec() != QDialog::Accepted)
        cbUserNamePassword->setChecked(false);
}

void TdlgEditTask::btnUserNamePasswordClick() {
    if (dlgUserNamePassword->exec() == QDialog::Accepted) cbUserNamePassword->setChecked(true);
}

void TdlgEditTask::rbIntranetClick() {
    const bool intranet = rbIntranet->isChecked();
    edIntranetFolder->setEnabled(intranet);
    btnNewIntranet->setEnabled(intranet);
    for (QWidget* zip : std::initializer_list<QWidget*>{edFileName, cbUseStartPageTitle, btnNewZip, btnOpenZip})
        zip->setEnabled(!intranet);
}

void TdlgEditTask::btnNewIntranetClick() {
    const std::string folder = ChooseFolderDialog(this, "Browse for Folder", edIntranetFolder->text().toStdString());
    if (!folder.empty()) edIntranetFolder->setText(QString::fromStdString(folder));
}

void TdlgEditTask::btnNewZipClick() {
    const std::string path =
        SaveFileDialog(this, "New Zip File", kZipFilter, FolderOf(edFileName->text().toStdString()), {}, "zip");
    if (path.empty()) return;
    // The file it replaces goes only when the task is saved with this name.
    std::error_code ec;
    newZipToReplace_ = std::filesystem::exists(path, ec) ? path : std::string();
    edFileName->setText(QString::fromStdString(path));
}

void TdlgEditTask::btnOpenZipClick() {
    const std::string path = OpenFileDialog(this, "Open", kZipFilter, FolderOf(edFileName->text().toStdString()));
    if (!path.empty()) edFileName->setText(QString::fromStdString(path));
}

void TdlgEditTask::cbAggressiveParserClick() {
    rbAPScripts->setEnabled(cbAggressiveParser->isChecked());
    rbAPAll->setEnabled(cbAggressiveParser->isChecked());
}

void TdlgEditTask::btnScheduleClick() {
    TdlgSchedule dialog(this, Clock);
    if (dialog.exec() != QDialog::Accepted) return;
    scheduleNextRun_ = dialog.NextRun;
    edSchedule->setText(QString::fromStdString(dialog.Schedule));
    edScheduleChange();
}

void TdlgEditTask::edScheduleChange() {
    if (!edSchedule->text().isEmpty()) rbScheduleAt->setChecked(true);
}

void TdlgEditTask::rbScheduleNowClick() { edSchedule->clear(); }

void TdlgEditTask::rbScheduleLaterClick() { edSchedule->clear(); }

void TdlgEditTask::btnOKClick() {
    if (ValidateTask()) SaveAndClose();
}

void TdlgEditTask::SpeedButton1Click() {
    if (!ValidateTask()) return;
    rbScheduleNow->setChecked(true);
    rbScheduleNowClick();
    SaveAndClose();
}

void TdlgEditTask::SaveAndClose() {
    try {
        SaveTask();
    } catch (const std::exception& e) {
        // Nothing is lost: the dialog stays open with every control as it was.
        ShowError(this, LangText(msg::TaskSaveFailed) + QString::fromStdString(e.what()));
        return;
    }
    accept();
}

void TdlgEditTask::btnCancelClick() { reject(); }

void TdlgEditTask::btnResetClick() { FormShow(); }

}  // namespace corvane
