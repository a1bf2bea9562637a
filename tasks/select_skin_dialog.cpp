#include "tasks/select_skin_dialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "engine/model/settings.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "platform/launch/launcher.h"
#include "widgets/app_host.h"
#include "widgets/outside_pages.h"
#include "widgets/transparent_button.h"

namespace corvane {

std::vector<std::string> SkinNames(const std::string& skins_dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(skins_dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code type_ec;
        if (it->is_directory(type_ec)) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TdlgSelectSkin::TdlgSelectSkin(QWidget* parent) : QDialog(parent) {
    setObjectName("dlgSelectSkin");
    setWindowTitle("Select Skin");
    setAutoFillBackground(true);
    lbSkins = new QListWidget(this);
    lbSkins->setObjectName("lbSkins");
    connect(lbSkins, &QListWidget::itemClicked, this, [this] { lbSkinsClick(); });

    auto make_button = [this](const char* name, const char* caption) {
        auto* button = new TTransparentButton(this);
        button->setObjectName(name);
        button->SetCaption(caption);
        button->SetFontColor(Qt::white);
        button->SetHiliteFontColor(Qt::white);
        button->SetFrameStyle(TFrameStyle::fsLight);
        button->setFixedSize(88, 26);
        return button;
    };
    btnOK = make_button("btnOK", "&OK");
    btnCancel = make_button("btnCancel", "&Cancel");
    btnDownload = make_button("btnDownload", "&Download");
    // With no address for more skins there is nothing to lead to.
    btnDownload->setVisible(outside_pages::Available(outside_pages::kSkinsPage));
    connect(btnOK, &QAbstractButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QAbstractButton::clicked, this, [this] { btnCancelClick(); });
    connect(btnDownload, &QAbstractButton::clicked, this, [this] { btnDownloadClick(); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addStretch(1);
    buttons->addWidget(btnDownload);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(lbSkins, 1);
    layout->addLayout(buttons);
    resize(320, 240);

    translator_ = new TKMLang(this);
    // Skin names are folder names, not texts.
    translator_->SetLocalRules(TStringList({"-TStrings.Items"}));
    translator_->Loaded();
}

void TdlgSelectSkin::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TdlgSelectSkin::TakeInterfaceColour() {
    if (!App) return;
    const std::uint32_t bgr = App->Colors()[1];
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
    setPalette(palette);
}

void TdlgSelectSkin::FormShow() {
    TakeInterfaceColour();
    lbSkins->clear();
    if (!App) return;
    for (const std::string& name : SkinNames(App->SkinsDir)) {
        lbSkins->addItem(QString::fromStdString(name));
        if (name == App->Skin) lbSkins->setCurrentRow(lbSkins->count() - 1);
    }
}

void TdlgSelectSkin::lbSkinsClick() {
    QListWidgetItem* item = lbSkins->currentItem();
    if (!item || !App) return;
    App->SetSkin(item->text().toStdString());
    AppHostInstance().ApplySkin();
    TakeInterfaceColour();
}

void TdlgSelectSkin::btnOKClick() { accept(); }

void TdlgSelectSkin::btnCancelClick() { reject(); }

void TdlgSelectSkin::btnDownloadClick() { LaunchItem(std::string(outside_pages::kSkinsPage)); }

static const bool registered =
    RegisterCaptureForm("dlgSelectSkin", [] { return std::unique_ptr<QObject>(new TdlgSelectSkin); });

}  // namespace corvane
