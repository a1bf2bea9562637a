#include "archive/wiz_file_zip.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

#include "archive/xceed_zip.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "localisation/app_language.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "localisation/message_ids.h"
#include "platform/rtl/paths.h"
#include "shell/ns/shell_paths.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"
#include "widgets/track_bar95.h"

namespace corvane {
namespace {

constexpr int kLastPage = 2;
// lvFiles keeps each item's FileList entry here: a folder's item shows no name, so name and folder
// together do not give the entry back.
constexpr int kPathRole = Qt::UserRole;

const QString kZipFilter = QStringLiteral("Zip file (*.zip);;All files (*)");

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString LangStr(std::uint16_t id) { return Q(AppLanguage().GetLangStr(id)); }

// Normalises a typed archive name: "~/" becomes the home folder and a file name without an extension
// gains ".zip". False when the folder part is missing or relative (it would depend on the working
// folder), or when the file name is only an extension.
bool CheckArchiveName(std::string& name) {
    if (name.rfind("~/", 0) == 0) name = shell::HomeDir() + name.substr(1);
    const std::size_t slash = name.rfind('/');
    std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    if (!file.empty() && file.find('.') == std::string::npos) {
        name += ".zip";
        file += ".zip";
    }
    const std::string base = file.substr(0, file.rfind('.'));
    const bool only_dots = base.find_first_not_of('.') == std::string::npos;
    return slash != std::string::npos && name.front() == '/' && !only_dots;
}

}  // namespace

TwizFileZip::TwizFileZip(TXceedZip& zip, QWidget* parent) : QDialog(parent), Zip(zip) {
    setObjectName("wizFileZip");
    setWindowTitle("File Zip Wizard");
    FileList.SetSorted(true);
    FileList.SetCaseSensitive(true);
    FileList.SetDuplicates(TStringList::DuplicatesPolicy::Ignore);

    pages_ = new QStackedWidget(this);
    pages_->setObjectName("pcWizard");
    pages_->addWidget(MakeArchivePage());
    pages_->addWidget(MakeFilesPage());
    pages_->addWidget(MakeCompressionPage());

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    btnBack = new QPushButton("<  &Back", this);
    btnBack->setObjectName("btnBack");
    btnNext = new QPushButton("&Next  >", this);
    btnNext->setObjectName("btnNext");
    btnNext->setDefault(true);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnBack);
    buttons->addWidget(btnNext);
    buttons->addSpacing(8);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_, 1);
    layout->addWidget(rule);
    layout->addLayout(buttons);

    connect(btnNewZip, &QToolButton::clicked, this, &TwizFileZip::NewZipClick);
    connect(btnOpenZip, &QToolButton::clicked, this, &TwizFileZip::OpenZipClick);
    connect(btnAddFiles, &QPushButton::clicked, this, &TwizFileZip::AddFilesClick);
    connect(btnRemoveFiles, &QPushButton::clicked, this, &TwizFileZip::RemoveFilesClick);
    connect(btnNext, &QPushButton::clicked, this, &TwizFileZip::NextClick);
    connect(btnBack, &QPushButton::clicked, this, &TwizFileZip::BackClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    btnBack->setEnabled(false);
    resize(500, 330);
    translator_ = new TKMLang(this);
    translator_->Loaded();
    caption_ = windowTitle();
}

TwizFileZip::~TwizFileZip() = default;

QWidget* TwizFileZip::MakeArchivePage() {
    auto* page = new QWidget;
    page->setObjectName("tsArchive");
    auto* label = new QLabel("Name of the Zip file:", page);
    label->setObjectName("lblFilename");
    edFilename = new QLineEdit(page);
    edFilename->setObjectName("edFilename");
    label->setBuddy(edFilename);
    btnNewZip = new QToolButton(page);
    btnNewZip->setObjectName("btnNewZip");
    btnNewZip->setToolTip("Create a new Zip file");
    btnNewZip->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
    btnOpenZip = new QToolButton(page);
    btnOpenZip->setObjectName("btnOpenZip");
    btnOpenZip->setToolTip("Open an existing Zip file");
    btnOpenZip->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    auto* name_row = new QHBoxLayout;
    name_row->addWidget(edFilename, 1);
    name_row->addWidget(btnNewZip);
    name_row->addWidget(btnOpenZip);

    auto* action = new QLabel("Files to add:", page);
    action->setObjectName("lblAction");
    rbAll = new QRadioButton("Add && replace files", page);
    rbAll->setObjectName("rbAll");
    rbAll->setChecked(true);
    rbFreshen = new QRadioButton("Freshen existing files", page);
    rbFreshen->setObjectName("rbFreshen");
    rbUpdate = new QRadioButton("Update and add files", page);
    rbUpdate->setObjectName("rbUpdate");

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(label);
    layout->addLayout(name_row);
    layout->addSpacing(12);
    layout->addWidget(action);
    for (QRadioButton* radio : {rbAll, rbFreshen, rbUpdate}) layout->addWidget(radio);
    layout->addStretch();
    return page;
}

QWidget* TwizFileZip::MakeFilesPage() {
    auto* page = new QWidget;
    page->setObjectName("tsFiles");
    lvFiles = new QTreeWidget(page);
    lvFiles->setObjectName("lvFiles");
    lvFiles->setHeaderLabels({"Name", "Folder"});
    lvFiles->setRootIsDecorated(false);
    lvFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFiles->header()->resizeSection(0, 140);
    btnAddFiles = new QPushButton("&Add", page);
    btnAddFiles->setObjectName("btnAddFiles");
    btnRemoveFiles = new QPushButton("&Remove", page);
    btnRemoveFiles->setObjectName("btnRemoveFiles");
    cbUsePaths = new QCheckBox("Save path names in zip file", page);
    cbUsePaths->setObjectName("cbUsePaths");
    cbUsePaths->setChecked(true);
    cbRecurse = new QCheckBox("Recurse Folders", page);
    cbRecurse->setObjectName("cbRecurse");
    cbRecurse->setVisible(false);

    auto* side = new QVBoxLayout;
    side->addWidget(btnAddFiles);
    side->addWidget(btnRemoveFiles);
    side->addStretch();
    auto* list_row = new QHBoxLayout;
    list_row->addWidget(lvFiles, 1);
    list_row->addLayout(side);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(list_row, 1);
    layout->addWidget(cbUsePaths);
    layout->addWidget(cbRecurse);
    return page;
}

QWidget* TwizFileZip::MakeCompressionPage() {
    auto* page = new QWidget;
    page->setObjectName("tsCompression");
    auto* label = new QLabel("Compression level:", page);
    label->setObjectName("lblCompression");
    tbCompression = new TTrackBar95(Qt::Horizontal, page);
    tbCompression->setObjectName("tbCompression");
    tbCompression->setRange(0, 9);
    tbCompression->setPageStep(1);
    tbCompression->setTickPosition(QSlider::TicksBelow);
    tbCompression->setTickInterval(1);
    tbCompression->setValue(6);
    label->setBuddy(tbCompression);
    auto* none = new QLabel("None", page);
    none->setObjectName("lblNone");
    auto* max = new QLabel("Max", page);
    max->setObjectName("lblMax");
    auto* row = new QHBoxLayout;
    row->addWidget(none);
    row->addWidget(tbCompression, 1);
    row->addWidget(max);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(label);
    layout->addLayout(row);
    layout->addStretch();
    return page;
}

std::string TwizFileZip::FileName() const { return edFilename->text().toStdString(); }

void TwizFileZip::SetFileName(const std::string& name) { edFilename->setText(Q(name)); }

int TwizFileZip::PageIndex() const { return pages_->currentIndex(); }

void TwizFileZip::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    // The controls' own values are the defaults of a fresh settings hive.
    const std::int32_t action = RegRead<std::int32_t>(kSettingsKey, "Action", 0);
    Action = static_cast<std::uint8_t>(action >= 0 && action <= 2 ? action : 0);
    cbUsePaths->setChecked(RegRead<bool>(kSettingsKey, "Use Paths", cbUsePaths->isChecked()));
    tbCompression->setValue(RegRead<std::int32_t>(kSettingsKey, "Compression", tbCompression->value()));
    (Action == 1 ? rbFreshen : Action == 2 ? rbUpdate : rbAll)->setChecked(true);

    zip_folder_ = WithTrailingSlash(RegRead<std::string>(kSettingsKey, "Zip Folder", ""));
    // A name starts in the "Zip Folder" setting, else the downloads folder (never the working
    // folder, which the program does not own).
    if (edFilename->text().isEmpty())
        edFilename->setText(Q(zip_folder_.empty() ? DownloadsFolderOrEmpty() : zip_folder_));

    if (!FileList.Empty()) {
        const int count = FileList.Count();
        setWindowTitle(caption_ + " - " + QString::number(count) + (count == 1 ? " file dropped." : " files dropped."));
        FillFiles();
    }
}

void TwizFileZip::NewZipClick() {
    const std::string chosen = SaveFileDialog(this, "New Zip File", kZipFilter, zip_folder_, {}, "zip");
    if (chosen.empty()) return;
    std::error_code error;
    replaced_ = std::filesystem::exists(std::filesystem::symlink_status(chosen, error)) ? chosen : std::string();
    SetFileName(chosen);
    OpenExisting = false;
    rbAll->setChecked(true);
    rbFreshen->setEnabled(false);
    rbUpdate->setEnabled(false);
}

void TwizFileZip::OpenZipClick() {
    const std::string chosen = OpenFileDialog(this, "Open Zip File", kZipFilter, zip_folder_);
    if (chosen.empty()) return;
    replaced_.clear();
    SetFileName(chosen);
    OpenExisting = true;
    rbFreshen->setEnabled(true);
    rbUpdate->setEnabled(true);
}

void TwizFileZip::AddFilesClick() {
    const std::vector<std::string> chosen =
        RunFileDialog(this, {FileDialogKind::OpenMany, "Add Files", {}, {}, "All files (*)", {}});
    if (chosen.empty()) return;
    for (const std::string& path : chosen) FileList.Add(path);
    FillFiles();
}

void TwizFileZip::RemoveFilesClick() {
    const QList<QTreeWidgetItem*> selected = lvFiles->selectedItems();
    if (selected.isEmpty()) return;
    for (const QTreeWidgetItem* item : selected) {
        const int index = FileList.IndexOf(item->data(0, kPathRole).toString().toStdString());
        if (index >= 0) FileList.Delete(index);
    }
    FillFiles();
}

void TwizFileZip::FillFiles() {
    lvFiles->clear();
    for (const std::string& path : FileList) {
        std::error_code error;
        auto* item = new QTreeWidgetItem(lvFiles);
        item->setData(0, kPathRole, Q(path));
        if (std::filesystem::is_directory(path, error)) {
            item->setText(1, Q(WithTrailingSlash(path)));
            cbRecurse->setVisible(true);
            cbRecurse->setChecked(true);
        } else {
            const std::size_t slash = path.rfind('/');
            item->setText(0, Q(slash == std::string::npos ? path : path.substr(slash + 1)));
            item->setText(1, Q(slash == std::string::npos ? std::string() : path.substr(0, slash + 1)));
        }
    }
}

bool TwizFileZip::ValidatePage() {
    if (PageIndex() != 0) return true;
    std::string name = FileName();
    const bool valid = CheckArchiveName(name);
    SetFileName(name);
    if (!valid)
        ShowError(this, LangStr(msg::WizardNameNeedsFolder1) + "\n" + LangStr(msg::WizardNameNeedsFolder2));
    return valid;
}

void TwizFileZip::NextClick() {
    if (!ValidatePage()) return;
    if (PageIndex() < kLastPage) {
        pages_->setCurrentIndex(PageIndex() + 1);
        PageChanged();
        return;
    }
    if (Finish()) accept();
}

void TwizFileZip::BackClick() {
    if (PageIndex() == 0) return;
    pages_->setCurrentIndex(PageIndex() - 1);
    PageChanged();
}

void TwizFileZip::PageChanged() {
    btnBack->setEnabled(PageIndex() > 0);
    btnNext->setText(LangStr(PageIndex() == kLastPage ? msg::WizardFinish : msg::WizardNext));
}

bool TwizFileZip::Finish() {
    namespace fs = std::filesystem;
    const std::string name = FileName();
    std::error_code error;
    if (!replaced_.empty() && name == replaced_) {
        // Only a file (or a link, not its target) is replaced; a folder never.
        const fs::file_status status = fs::symlink_status(name, error);
        const bool replaceable = !fs::exists(status) || fs::is_regular_file(status) || fs::is_symlink(status);
        if (!replaceable || (fs::exists(status) && !fs::remove(name, error))) {
            ShowError(this, LangStr(msg::WizardCannotReplace) + "\n" + Q(name));
            return false;
        }
        replaced_.clear();
    }
    OpenExisting = fs::exists(name, error);

    Zip.Compression = tbCompression->value();
    RegWriteValue(kSettingsKey, "Compression", std::int32_t{Zip.Compression});
    Zip.UsePaths = cbUsePaths->isChecked();
    RegWriteValue(kSettingsKey, "Use Paths", Zip.UsePaths);
    Zip.Recurse = cbRecurse->isChecked();
    Action = rbFreshen->isChecked() ? 1 : rbUpdate->isChecked() ? 2 : 0;
    RegWriteValue(kSettingsKey, "Action", std::int32_t{Action});
    return true;
}

namespace {
[[maybe_unused]] const bool registered = RegisterCaptureForm("wizFileZip", [] {
    static const TXceedZipPtr zip = TXceedZip::Create();
    return std::unique_ptr<QObject>(new TwizFileZip(*zip));
});
}  // namespace

}  // namespace corvane
