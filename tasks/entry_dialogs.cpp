#include "tasks/entry_dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "engine/parse/file_types.h"
#include "engine/model/registry_routines.h"
#include "localisation/app_language.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "localisation/message_ids.h"

namespace corvane {

namespace {

QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

QLineEdit* NamedEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

// OK (default) and Cancel at the bottom right.
QHBoxLayout* ButtonRow(QPushButton* ok, QPushButton* cancel) {
    ok->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

[[maybe_unused]] const bool kRegistered = [] {
    RegisterCaptureForm("dlgUserNamePassword", [] { return std::unique_ptr<QObject>(new TdlgUserNamePassword); });
    RegisterCaptureForm("dlgEditFileType", [] { return std::unique_ptr<QObject>(new TdlgEditFileType); });
    RegisterCaptureForm("dlgEditURLFilter", [] { return std::unique_ptr<QObject>(new TdlgEditURLFilter); });
    return true;
}();

}  // namespace

// ---- login

TdlgUserNamePassword::TdlgUserNamePassword(QWidget* parent) : QDialog(parent) {
    setObjectName("dlgUserNamePassword");
    setWindowTitle("Account/Password");
    edUserName = NamedEdit(this, "edUserName");
    edPassword = NamedEdit(this, "edPassword");
    edPassword->setEchoMode(QLineEdit::Password);
    btnOK = NamedButton(this, "btnOK", "&OK");
    btnCancel = NamedButton(this, "btnCancel", "&Cancel");
    btnOK->setEnabled(false);

    auto* grid = new QGridLayout;
    grid->addWidget(NamedLabel(this, "Label1", "Account:"), 0, 0);
    grid->addWidget(edUserName, 0, 1);
    grid->addWidget(NamedLabel(this, "Label2", "Password:"), 1, 0);
    grid->addWidget(edPassword, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(ButtonRow(btnOK, btnCancel));
    setMinimumWidth(320);

    connect(edUserName, &QLineEdit::textChanged, this, &TdlgUserNamePassword::edUserNameChange);
    connect(edPassword, &QLineEdit::textChanged, this, &TdlgUserNamePassword::edUserNameChange);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    lang_ = new TKMLang(this);
    lang_->Loaded();
}

void TdlgUserNamePassword::edUserNameChange() {
    btnOK->setEnabled(!edUserName->text().isEmpty() && !edPassword->text().isEmpty());
}

// ---- file type

TdlgEditFileType::TdlgEditFileType(QWidget* parent) : QDialog(parent) {
    setObjectName("dlgEditFileType");
    setWindowTitle("New File Type");
    edFileType = NamedEdit(this, "edFileType");
    edExtensions = NamedEdit(this, "edExtensions");
    Button1 = NamedButton(this, "Button1", "&OK");
    Button2 = NamedButton(this, "Button2", "&Cancel");
    lblHint_ = NamedLabel(this, "Label3", "Enter one or more file extensions separated by semicolons):");
    lblHint_->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(NamedLabel(this, "Label1", "File Type:"));
    layout->addWidget(edFileType);
    layout->addSpacing(6);
    layout->addWidget(NamedLabel(this, "Label2", "File Extensions:"));
    layout->addWidget(lblHint_);
    layout->addWidget(edExtensions);
    layout->addStretch(1);
    layout->addLayout(ButtonRow(Button1, Button2));
    setMinimumWidth(380);

    // An empty group name would write the key's default value.
    connect(edFileType, &QLineEdit::textChanged, this, &TdlgEditFileType::UpdateOK);
    connect(Button1, &QPushButton::clicked, this, &TdlgEditFileType::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    UpdateOK();
    lang_ = new TKMLang(this);
    lang_->Loaded();
}

void TdlgEditFileType::UpdateOK() { Button1->setEnabled(!edFileType->text().isEmpty()); }

void TdlgEditFileType::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TdlgEditFileType::FormShow() {
    if (Mode != "Edit") return;
    setWindowTitle("Edit File Type");
    const std::string stored = RegRead(kFileTypesKey, edFileType->text().toStdString(), edExtensions->text().toStdString());
    edExtensions->setText(QString::fromStdString(stored));
}

void TdlgEditFileType::Button1Click() {
    const std::string group = edFileType->text().toStdString();
    if (group.empty()) return;
    std::string extensions = edExtensions->text().toStdString();
    if (!extensions.empty() && extensions.back() != ';') extensions += ';';
    edExtensions->setText(QString::fromStdString(extensions));
    RegWriteValue(kFileTypesKey, group, RegVariant(extensions));
    accept();
}

// ---- URL filter

int URLFilterExplanationId(const std::string& kind, const std::string& prefix) {
    const int column = prefix == "[AL]" ? 0 : prefix == "[PL]" ? 1 : prefix == "[RL]" ? 2 : -1;
    if (column < 0) return 0;
    if (kind == "Inc") return msg::FilterIncludeAll + column;
    if (kind == "Ex") return msg::FilterExcludeAll + column;
    return 0;
}

TdlgEditURLFilter::TdlgEditURLFilter(QWidget* parent) : QDialog(parent) {
    setObjectName("dlgEditURLFilter");
    setWindowTitle("Add URL Filter");
    Label1 = NamedLabel(this, "Label1", "URL filter:");
    Label1->setWordWrap(true);
    edURLFilter = NamedEdit(this, "edURLFilter");
    btnOK = NamedButton(this, "btnOK", "&OK");
    btnCancel = NamedButton(this, "btnCancel", "&Cancel");
    btnOK->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(edURLFilter);
    layout->addStretch(1);
    layout->addLayout(ButtonRow(btnOK, btnCancel));
    setMinimumWidth(440);

    connect(edURLFilter, &QLineEdit::textChanged, this, &TdlgEditURLFilter::edURLFilterChange);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    lang_ = new TKMLang(this);
    lang_->Loaded();
}

void TdlgEditURLFilter::edURLFilterChange() { btnOK->setEnabled(!edURLFilter->text().isEmpty()); }

void TdlgEditURLFilter::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TdlgEditURLFilter::FormShow() {
    if (const int id = URLFilterExplanationId(Kind, Prefix); id != 0)
        Label1->setText(QString::fromStdString(AppLanguage().GetLangStr(static_cast<std::uint16_t>(id))));
    edURLFilterChange();
}

}  // namespace corvane
