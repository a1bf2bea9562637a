#include "tasks/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "engine/model/settings.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "localisation/message_ids.h"
#include "tasks/lang_text.h"
#include "widgets/app_host.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"
#include "widgets/transparent_button.h"

namespace corvane {

namespace {

template <class W, class... Args>
W* Named(const char* name, Args&&... args) {
    auto* widget = new W(std::forward<Args>(args)...);
    widget->setObjectName(name);
    return widget;
}

QWidget* Page(QTabWidget* tabs, const char* name, const char* caption) {
    auto* page = Named<QWidget>(name);
    tabs->addTab(page, caption);
    return page;
}

// A folder box with its browse button, on one row of the grid.
QLineEdit* FolderRow(QGridLayout* grid, int row, QLabel* label, QLineEdit* box, QPushButton* button) {
    button->setFixedWidth(button->fontMetrics().horizontalAdvance("...") + 24);
    if (label) grid->addWidget(label, row, 0);
    grid->addWidget(box, row, 1);
    grid->addWidget(button, row, 2);
    return box;
}

std::string Text(const QLineEdit* box) { return box->text().toStdString(); }
QString Q(const std::string& text) { return QString::fromStdString(text); }

const char* const kUserAgents[] = {"Internet Explorer 4.01",
                                   "Netscape Navigator 4.05",
                                   "Anonymous",
                                   "Mozilla/4.0 (compatible; MSIE 4.01; Windows 98)",
                                   "Mozilla/4.0 (compatible; MSIE 4.01; Windows NT)",
                                   "Mozilla/4.0 (compatible; MSIE 4.01; Windows 95)",
                                   "Mozilla/4.06 [en] (Win98; I ;Nav)",
                                   "Mozilla/4.06 [en] (Win95; I ;Nav)",
                                   "Mozilla/4.06 [en] (WinNT; I)"};

}  // namespace

TdlgOptions::TdlgOptions(QWidget* parent) : QDialog(parent) {
    setObjectName("dlgOptions");
    PageControl1 = Named<QTabWidget>("PageControl1", this);
    BuildGeneralPage();
    BuildZipPage();
    BuildConnectionPage();
    BuildIntranetPage();

    TransparentButton2 = Named<TTransparentButton>("TransparentButton2", this);
    TransparentButton2->SetCaption("&OK");
    TransparentButton3 = Named<TTransparentButton>("TransparentButton3", this);
    TransparentButton3->SetCaption("&Cancel");
    for (TTransparentButton* button : {TransparentButton2, TransparentButton3}) {
        button->SetFrameStyle(TFrameStyle::fsRegular);
        button->SetTransparent(false);
        button->SetHiliteColor(QColor(0xC8, 0xD8, 0xF0));
        button->SetHiliteFontColor(Qt::black);
        button->setFixedSize(88, 26);
    }
    connect(TransparentButton2, &QAbstractButton::clicked, this, [this] { TransparentButton2Click(); });
    connect(TransparentButton3, &QAbstractButton::clicked, this, [this] { TransparentButton3Click(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(TransparentButton2);
    buttons->addWidget(TransparentButton3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
    resize(520, 380);

    FormCreate();
    translator_ = new TKMLang(this);
    // The boxes and the agent list hold the user's folders and the agents sent, never texts to translate.
    translator_->SetLocalRules(TStringList({"-QLineEdit.Text", "-TStrings.Items"}));
    translator_->Loaded();
}

void TdlgOptions::BuildGeneralPage() {
    QWidget* page = Page(PageControl1, "tsGeneral", "General");
    auto* grid = new QGridLayout(page);
    cbZipLast = Named<QCheckBox>("cbZipLast", "Zip files only after download has completed", page);
    cbZipPropertiesFirst = Named<QCheckBox>("cbZipPropertiesFirst", "Zip properties first", page);
    cbZipPropertiesFirst->setVisible(false);
    cbBeepOnCompletion = Named<QCheckBox>("cbBeepOnCompletion", "Beep on task completion", page);
    cbShowSummaryOnCompletion =
        Named<QCheckBox>("cbShowSummaryOnCompletion", "Show summary on task completion", page);
    grid->addWidget(cbZipLast, 0, 0, 1, 3);
    grid->addWidget(cbBeepOnCompletion, 1, 0, 1, 3);
    grid->addWidget(cbShowSummaryOnCompletion, 2, 0, 1, 3);

    auto history = [&](int row, const char* label_name, const char* label, QSpinBox*& box, const char* box_name,
                       QPushButton*& clear, const char* clear_name) {
        box = Named<QSpinBox>(box_name, page);
        box->setRange(0, kMaxHistoryLength);
        clear = Named<QPushButton>(clear_name, "Clear", page);
        auto* line = new QHBoxLayout;
        line->addWidget(box);
        line->addWidget(clear);
        line->addStretch(1);
        grid->addWidget(Named<QLabel>(label_name, label, page), row, 0);
        grid->addLayout(line, row, 1, 1, 2);
    };
    history(3, "lblMaxURLHistory", "Recent URLs kept:", edMaxURLHistory, "edMaxURLHistory", btnURLHistoryClear,
            "btnURLHistoryClear");
    history(4, "lblMaxFileHistory", "Recent archives kept:", edMaxFileHistory, "edMaxFileHistory",
            btnFileHistoryClear, "btnFileHistoryClear");
    connect(btnURLHistoryClear, &QPushButton::clicked, this, [this] { btnURLHistoryClearClick(); });
    connect(btnFileHistoryClear, &QPushButton::clicked, this, [this] { btnFileHistoryClearClick(); });

    edTempFolder = FolderRow(grid, 5, Named<QLabel>("lblTempFolder", "Temporary folder:", page),
                             Named<QLineEdit>("edTempFolder", page),
                             btnTempFolder = Named<QPushButton>("btnTempFolder", "...", page));
    edDownloadsFolder = FolderRow(grid, 6, Named<QLabel>("lblDownloadsFolder", "Downloads folder:", page),
                                  Named<QLineEdit>("edDownloadsFolder", page),
                                  btnDownloadsFolder = Named<QPushButton>("btnDownloadsFolder", "...", page));
    grid->setRowStretch(7, 1);
    connect(btnTempFolder, &QPushButton::clicked, this, [this] { ChooseFolderInto(edTempFolder); });
    connect(btnDownloadsFolder, &QPushButton::clicked, this, [this] { ChooseFolderInto(edDownloadsFolder); });
}

void TdlgOptions::BuildZipPage() {
    QWidget* page = Page(PageControl1, "tsZipFolders", "Zip Folders");
    auto* layout = new QVBoxLayout(page);
    auto group = [&](const char* name, const char* title, QRadioButton*& last, const char* last_name,
                     const char* last_caption, QRadioButton*& folder, const char* folder_name, QLineEdit*& box,
                     const char* box_name, QPushButton*& button, const char* button_name) {
        auto* box_group = Named<QGroupBox>(name, title, page);
        auto* grid = new QGridLayout(box_group);
        last = Named<QRadioButton>(last_name, last_caption, box_group);
        folder = Named<QRadioButton>(folder_name, "Folder", box_group);
        grid->addWidget(last, 0, 0, 1, 3);
        box = FolderRow(grid, 1, nullptr, Named<QLineEdit>(box_name, box_group),
                        button = Named<QPushButton>(button_name, "...", box_group));
        grid->addWidget(folder, 1, 0);
        layout->addWidget(box_group);
    };
    group("gbZip", "Add files to archives from", rbLastZipFolder, "rbLastZipFolder", "Last Zip Folder", rbZipFolder,
          "rbZipFolder", edZipFolder, "edZipFolder", btnZipFolder, "btnZipFolder");
    group("gbUnzip", "Extract archives to", rbLastUnzipFolder, "rbLastUnzipFolder", "Last Unzip Folder",
          rbUnzipFolder, "rbUnzipFolder", edUnzipFolder, "edUnzipFolder", btnUnzipFolder, "btnUnzipFolder");
    layout->addStretch(1);
    rbLastZipFolder->setChecked(true);
    rbLastUnzipFolder->setChecked(true);
    connect(edZipFolder, &QLineEdit::textChanged, this, [this] { edZipFolderChange(); });
    // Only the unzip box chooses the unzip folder: the downloads and intranet boxes are other settings.
    connect(edUnzipFolder, &QLineEdit::textChanged, this, [this] { edUnzipFolderChange(); });
    connect(btnZipFolder, &QPushButton::clicked, this, [this] { ChooseFolderInto(edZipFolder); });
    connect(btnUnzipFolder, &QPushButton::clicked, this, [this] { ChooseFolderInto(edUnzipFolder); });
}

void TdlgOptions::BuildConnectionPage() {
    QWidget* page = Page(PageControl1, "tsConnection", "Connection");
    auto* grid = new QGridLayout(page);
    cbProxy = Named<QCheckBox>("cbProxy", "Connect to the Internet using a proxy server", page);
    edAddress = Named<QLineEdit>("edAddress", page);
    edPort = Named<QLineEdit>("edPort", page);
    edPort->setMaximumWidth(80);
    edProxyUsername = Named<QLineEdit>("edProxyUsername", page);
    edProxyPassword = Named<QLineEdit>("edProxyPassword", page);
    edProxyPassword->setEchoMode(QLineEdit::Password);
    cmbUserAgent = Named<QComboBox>("cmbUserAgent", page);
    cmbUserAgent->setEditable(true);
    for (const char* agent : kUserAgents) cmbUserAgent->addItem(agent);

    grid->addWidget(cbProxy, 0, 0, 1, 4);
    grid->addWidget(Named<QLabel>("lblAddress", "Address:", page), 1, 0);
    grid->addWidget(edAddress, 1, 1);
    grid->addWidget(Named<QLabel>("lblPort", "Port:", page), 1, 2);
    grid->addWidget(edPort, 1, 3);
    grid->addWidget(Named<QLabel>("lblProxyUsername", "User name:", page), 2, 0);
    grid->addWidget(edProxyUsername, 2, 1, 1, 3);
    grid->addWidget(Named<QLabel>("lblProxyPassword", "Password:", page), 3, 0);
    grid->addWidget(edProxyPassword, 3, 1, 1, 3);
    grid->addWidget(Named<QLabel>("lblUserAgent", "Identify as:", page), 4, 0);
    grid->addWidget(cmbUserAgent, 4, 1, 1, 3);
    grid->setRowStretch(5, 1);
    connect(cbProxy, &QCheckBox::clicked, this, [this] { cbProxyClick(); });
}

void TdlgOptions::BuildIntranetPage() {
    QWidget* page = Page(PageControl1, "tsIntranet", "Personal Intranet");
    auto* grid = new QGridLayout(page);
    edIntranetFolder = FolderRow(grid, 0, Named<QLabel>("lblIntranetFolder", "Personal Intranet folder:", page),
                                 Named<QLineEdit>("edIntranetFolder", page),
                                 btnIntranetFolder = Named<QPushButton>("btnIntranetFolder", "...", page));
    grid->setRowStretch(1, 1);
    connect(btnIntranetFolder, &QPushButton::clicked, this, [this] { ChooseFolderInto(edIntranetFolder); });
}

TPreferences TdlgOptions::Snapshot() const {
    TPreferences p;
    p.ZipLast = cbZipLast->isChecked();
    p.ZipPropertiesFirst = cbZipPropertiesFirst->isChecked();
    p.BeepOnCompletion = cbBeepOnCompletion->isChecked();
    p.ShowSummary = cbShowSummaryOnCompletion->isChecked();
    p.MaxURLHistory = edMaxURLHistory->text().toStdString();
    p.MaxFileHistory = edMaxFileHistory->text().toStdString();
    p.TempFolder = Text(edTempFolder);
    p.DownloadsFolder = Text(edDownloadsFolder);
    p.LastZipFolder = rbLastZipFolder->isChecked();
    p.ZipFolder = Text(edZipFolder);
    p.LastUnzipFolder = rbLastUnzipFolder->isChecked();
    p.UnzipFolder = Text(edUnzipFolder);
    p.UseProxy = cbProxy->isChecked();
    p.ProxyAddress = Text(edAddress);
    p.ProxyPort = Text(edPort);
    p.ProxyUserName = Text(edProxyUsername);
    p.ProxyPassword = Text(edProxyPassword);
    p.UserAgent = cmbUserAgent->currentText().toStdString();
    p.IntranetFolder = Text(edIntranetFolder);
    return p;
}

void TdlgOptions::Fill(const TPreferences& p) {
    const bool was_loading = Loading;
    Loading = true;
    cbZipLast->setChecked(p.ZipLast);
    cbZipPropertiesFirst->setChecked(p.ZipPropertiesFirst);
    cbBeepOnCompletion->setChecked(p.BeepOnCompletion);
    cbShowSummaryOnCompletion->setChecked(p.ShowSummary);
    edTempFolder->setText(Q(p.TempFolder));
    edDownloadsFolder->setText(Q(p.DownloadsFolder));
    rbLastZipFolder->setChecked(p.LastZipFolder);
    rbZipFolder->setChecked(!p.LastZipFolder);
    edZipFolder->setText(Q(p.ZipFolder));
    rbLastUnzipFolder->setChecked(p.LastUnzipFolder);
    rbUnzipFolder->setChecked(!p.LastUnzipFolder);
    edUnzipFolder->setText(Q(p.UnzipFolder));
    cbProxy->setChecked(p.UseProxy);
    edAddress->setText(Q(p.ProxyAddress));
    edPort->setText(Q(p.ProxyPort));
    edProxyUsername->setText(Q(p.ProxyUserName));
    edProxyPassword->setText(Q(p.ProxyPassword));
    edIntranetFolder->setText(Q(p.IntranetFolder));
    cbProxyClick();
    Loading = was_loading;
    cmbUserAgent->setCurrentText(Q(p.UserAgent));
    edMaxURLHistory->setValue(HistoryLength(p.MaxURLHistory, 20));
    edMaxFileHistory->setValue(HistoryLength(p.MaxFileHistory, 10));
}

void TdlgOptions::FormCreate() {
    cmbUserAgent->insertItem(0, "Corvane");
    cmbUserAgent->setCurrentIndex(0);
    setWindowTitle("Corvane - Preferences");
    // The text capture tool makes the form without settings.
    if (App) Fill(ReadPreferences(Snapshot()));
}

void TdlgOptions::bbApplyClick() { StorePreferences(Snapshot()); }

void TdlgOptions::TransparentButton2Click() {
    // A relative folder would resolve against whatever folder the program happens to run in.
    const std::string relative = FirstRelativeFolder(Snapshot());
    if (!relative.empty()) {
        ShowWarning(this, LangText(msg::PrefsFolderNotFull) + Q(relative));
        return;
    }
    bbApplyClick();
    accept();
}

void TdlgOptions::TransparentButton3Click() { reject(); }

void TdlgOptions::cbProxyClick() {
    edAddress->setEnabled(cbProxy->isChecked());
    edPort->setEnabled(cbProxy->isChecked());
}

void TdlgOptions::edZipFolderChange() {
    if (!Loading) rbZipFolder->setChecked(true);
}

void TdlgOptions::edUnzipFolderChange() {
    if (!Loading) rbUnzipFolder->setChecked(true);
}

void TdlgOptions::ChooseFolderInto(QLineEdit* box) {
    const std::string folder = ChooseFolderDialog(this, LangText(msg::PrefsChooseFolder), Text(box));
    if (!folder.empty()) box->setText(Q(folder));
}

void TdlgOptions::btnURLHistoryClearClick() {
    if (AskQuestion(this, LangText(msg::ConfirmClearUrlHistory)) == MsgButton::Yes)
        AppHostInstance().ClearRecentURLs();
}

void TdlgOptions::btnFileHistoryClearClick() {
    if (AskQuestion(this, LangText(msg::ConfirmClearFileHistory)) == MsgButton::Yes)
        AppHostInstance().ClearRecentArchives();
}

static const bool registered =
    RegisterCaptureForm("dlgOptions", [] { return std::unique_ptr<QObject>(new TdlgOptions); });

}  // namespace corvane
