#include "app/form_personal_intranet.h"

#include <QShowEvent>
#include <QTreeWidgetItem>
#include <QVBoxLayout>
#include <memory>

#include "engine/model/settings.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "shell/ns/shell_locator.h"
#include "shell/ui/guarded_handler.h"
#include "shell/ui/shell_tree.h"
#include "widgets/app_host.h"

namespace corvane {
namespace {

const bool registered = RegisterCaptureForm(
    "FormPersonalIntranet", [] { return std::unique_ptr<QObject>(new TFormPersonalIntranet); });

}  // namespace

TFormPersonalIntranet::TFormPersonalIntranet(QWidget* parent) : QWidget(parent) {
    (void)registered;
    setObjectName(QStringLiteral("FormPersonalIntranet"));
    setWindowTitle(QStringLiteral("Personal Intranet"));
    resize(260, 400);

    tvIntranet = new shell::TPTShellTree(this);
    tvIntranet->setObjectName(QStringLiteral("tvIntranet"));
    tvIntranet->SetOptions(shell::ptstoVirtualFolders | shell::ptstoDefaultKeyHandling | shell::ptstoContextMenus |
                           shell::ptstoIncludeNonFolders | shell::ptstoOleDrag | shell::ptstoOleDrop);
    tvIntranet->setFrameShape(QFrame::NoFrame);
    tvIntranet->setRootIsDecorated(false);
    tvIntranet->setIndentation(19);
    tvIntranet->headerItem()->setText(0, QString());  // never shown: nothing to translate
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tvIntranet);

    lang_ = new TKMLang(this);
    lang_->Loaded();

    // FormCreate. The capture tool has no settings object and makes no folder.
    if (App) {
        shell::TPTShellLocator base;
        base.SetPath(App->GetIntranetFolder());
        tvIntranet->SetBaseFolder(&base);
    }
    tvIntranet->OnChange = [this](shell::TPTCustomShellTree& tree, shell::TTreeNode* node) {
        tvIntranetChange(tree, node);
    };
}

TFormPersonalIntranet::~TFormPersonalIntranet() { tvIntranet->OnChange = nullptr; }

void TFormPersonalIntranet::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    reloading_ = true;
    shell::RunGuarded(this, false, [&] {
        tvIntranet->Reload();
        tvIntranet->Refresh();
    });
    reloading_ = false;
}

void TFormPersonalIntranet::tvIntranetChange(shell::TPTCustomShellTree&, shell::TTreeNode* node) {
    shell::TPTShTreeData* node_data = shell::TPTCustomShellTree::GetNodeData(node);
    if (node_data == nullptr) return;
    const std::string path = node_data->GetPath();
    if (selected_ == path) return;
    selected_ = path;
    // An empty path (a node outside the file system) shows the home page.
    if (!reloading_) AppHostInstance().ShowBrowserView(path);
}

}  // namespace corvane
