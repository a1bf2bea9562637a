// The folder dialog's form: its controls, their placing on resize, and its handlers.

#include <QHelpEvent>
#include <QIcon>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QToolTip>


#include "localisation/kmlang.h"
#include "shell/ns/sh_consts.h"
#include "shell/ui/folder_browse_dlg.h"
#include "shell/ui/guarded_handler.h"
#include "shell/ui/pt_frame.h"

namespace corvane::shell {

namespace {

constexpr int kMinClientWidth = 358;
constexpr int kMinClientHeight = 313;
constexpr int kMargin = 12;
constexpr int kGap = 6;
constexpr int kStatusHeight = 22;
constexpr int kIconButtonSize = 24;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonPanelHeight = kButtonHeight + 2 * 8;

constexpr TPTShellTreeOptions kFormTreeOptions =
    ptstoAutoFill | ptstoVirtualFolders | ptstoDesignInteractive | ptstoContextMenus | ptstoDynamicRefresh;

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback, const QWidget& widget) {
    return QIcon::fromTheme(QString::fromLatin1(name), widget.style()->standardIcon(fallback));
}

void SetTreeOption(TPTShellTree& tree, TPTShellTreeOption option, bool on) {
    tree.SetOptions(on ? tree.Options() | option : tree.Options() & ~option);
}

}  // namespace

TPTFrmFolderBrowseDlg::TPTFrmFolderBrowseDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PTFrmFolderBrowseDlg"));
    setWindowTitle(QString::fromUtf8(SBrowseForFolder.text));
    setWindowFlags(windowFlags() | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);

    StatusTxt = new TPTFrame(this);
    StatusTxt->setObjectName(QStringLiteral("StatusTxt"));
    StatusTxt->SetAlignment(Qt::AlignLeft);

    const auto iconButton = [this](const char* name, const QIcon& icon, const char* hint) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(icon);
        button->setAutoRaise(true);
        button->setToolTip(QString::fromUtf8(hint));
        button->installEventFilter(this);
        return button;
    };
    CreateNewFolderBtn = iconButton("CreateNewFolderBtn", ThemeIcon("folder-new", QStyle::SP_FileDialogNewFolder, *this),
                                    "Create New Folder|Create a new folder here");
    DeleteFolderBtn = iconButton("DeleteFolderBtn", ThemeIcon("edit-delete", QStyle::SP_TrashIcon, *this),
                                 "Delete|Deletes the selected item(s).");

    PTShellTree1 = new TPTShellTree(this);
    PTShellTree1->setObjectName(QStringLiteral("PTShellTree1"));
    PTShellTree1->SetOptions(kFormTreeOptions & ~ptstoAutoFill);
    PTShellTree1->setDragEnabled(true);
    // FormCreate: the tree shows its root.
    PTShellTree1->setRootIsDecorated(true);

    ButtonPanel = new QWidget(this);
    ButtonPanel->setObjectName(QStringLiteral("ButtonPanel"));
    const auto pushButton = [this](const char* name, const char* caption) {
        auto* button = new QPushButton(QString::fromUtf8(caption), ButtonPanel);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        return button;
    };
    OkBtn = pushButton("OkBtn", "OK");
    OkBtn->setDefault(true);
    CancelBtn = pushButton("CancelBtn", "Cancel");
    CreateBtn = pushButton("CreateBtn", "&Create...");
    DeleteBtn = pushButton("DeleteBtn", "&Delete...");

    connect(OkBtn, &QPushButton::clicked, this, [this] { done(1); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(2); });
    connect(CreateBtn, &QPushButton::clicked, this, [this] { CreateBtnClick(); });
    connect(CreateNewFolderBtn, &QToolButton::clicked, this, [this] { CreateBtnClick(); });
    connect(DeleteBtn, &QPushButton::clicked, this, [this] { DeleteBtnClick(); });
    connect(DeleteFolderBtn, &QToolButton::clicked, this, [this] { DeleteBtnClick(); });
    PTShellTree1->OnChange = [this](TPTCustomShellTree&, TTreeNode* node) { PTShellTree1Change(node); };
    // A renamed selection shows its new path.
    PTShellTree1->OnEdited = [this](TPTCustomShellTree& tree, TTreeNode* node, QString&) {
        if (node == tree.Selected()) PTShellTree1Change(node);
    };

    ApplyOptions(kDefaultFolderBrowseDlgOptions);
    setMinimumSize(kMinClientWidth, kMinClientHeight);
    resize(kMinClientWidth, kMinClientHeight);

    translator_ = new TKMLang(this);
    // The tree's header is never shown: no text of the form.
    translator_->SetLocalRules(TStringList({"-TListColumn.Caption"}));
    translator_->Loaded();
}

void TPTFrmFolderBrowseDlg::ApplyOptions(TPTFolderBrowseDlgOptions options) {
    TPTShellTree& tree = *PTShellTree1;
    SetTreeOption(tree, ptstoOleDrag, (options & ptfbOleDrag) != 0);
    SetTreeOption(tree, ptstoOleDrop, (options & ptfbOleDrop) != 0);
    SetTreeOption(tree, ptstoIncludeNonFolders, (options & ptfbIncludeNonFolders) != 0);
    SetTreeOption(tree, ptstoVirtualFolders, (options & ptfbVirtualFolders) != 0);
    SetTreeOption(tree, ptstoContextMenus, (options & ptfbContextMenus) != 0);
    SetTreeOption(tree, ptstoShowHidden, (options & ptfbShowHidden) != 0);
    readOnly_ = (options & ptfbReadOnly) != 0;
    tree.SetReadOnly(readOnly_);
    showCreateDelete_ = (options & ptfbCreateDeleteButtons) != 0;
    CreateBtn->setVisible(showCreateDelete_);
    DeleteBtn->setVisible(showCreateDelete_);
    CreateNewFolderBtn->setVisible((options & ptfbCreateFolderIcon) != 0);
    DeleteFolderBtn->setVisible((options & ptfbDeleteFolderIcon) != 0);
    PTShellTree1Change(tree.Selected());
    FormResize();
}

void TPTFrmFolderBrowseDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TPTFrmFolderBrowseDlg::FormResize() {
    const int width = this->width();
    const int height = this->height();
    // The icon buttons sit at the right of the status line.
    int right = width - kMargin;
    for (QToolButton* button : {DeleteFolderBtn, CreateNewFolderBtn}) {
        if (!button->isVisibleTo(this)) continue;
        right -= kIconButtonSize;
        button->setGeometry(right, kMargin - 1, kIconButtonSize, kIconButtonSize);
        right -= 2;
    }
    const int iconSpace = width - kMargin - right;
    StatusTxt->setGeometry(kMargin, kMargin, width - 2 * kMargin - (iconSpace > 0 ? iconSpace + kGap - 2 : 0),
                           kStatusHeight);

    ButtonPanel->setGeometry(0, height - kButtonPanelHeight, width, kButtonPanelHeight);
    const int treeTop = kMargin + kStatusHeight + kGap;
    PTShellTree1->setGeometry(kMargin, treeTop, width - 2 * kMargin, ButtonPanel->y() - treeTop);

    // With Create and Delete: OK at the tree's left edge, then those two, Cancel at its right edge.
    // Without: OK and Cancel together at the right.
    const int y = (kButtonPanelHeight - kButtonHeight) / 2;
    const int treeRight = kMargin + PTShellTree1->width();
    CancelBtn->setGeometry(treeRight - kButtonWidth, y, kButtonWidth, kButtonHeight);
    if (!showCreateDelete_) {
        OkBtn->setGeometry(CancelBtn->x() - kGap - kButtonWidth, y, kButtonWidth, kButtonHeight);
        return;
    }
    int x = kMargin;
    for (QPushButton* button : {OkBtn, CreateBtn, DeleteBtn}) {
        button->setGeometry(x, y, kButtonWidth, kButtonHeight);
        x += kButtonWidth + kGap;
    }
}

void TPTFrmFolderBrowseDlg::PTShellTree1Change(TTreeNode* node) {
    TPTShTreeData* shData = TPTCustomShellTree::GetNodeData(node);
    const std::string path = shData != nullptr ? shData->GetPath() : std::string();
    StatusTxt->SetCaption(QString::fromStdString(path));
    const bool canCreate = !path.empty() && !readOnly_;
    const bool canDelete = canCreate && node->Parent() != nullptr;
    CreateBtn->setEnabled(canCreate);
    CreateNewFolderBtn->setEnabled(canCreate);
    DeleteBtn->setEnabled(canDelete);
    DeleteFolderBtn->setEnabled(canDelete);
    if (shData != nullptr && OnSelChange) OnSelChange(shData->AbsIdList());
}

void TPTFrmFolderBrowseDlg::CreateBtnClick() {
    if (readOnly_) return;
    RunGuarded(this, false, [&] { PTShellTree1->CreateNewFolder(); });
}

void TPTFrmFolderBrowseDlg::DeleteBtnClick() {
    TTreeNode* node = PTShellTree1->Selected();
    if (readOnly_ || node == nullptr) return;
    RunGuarded(this, false, [&] {
        PTShellTree1->InvokeVerb(node, "delete");
        PTShellTree1->Refresh();
    });
}

void TPTFrmFolderBrowseDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && OnFormShow) RunGuarded(this, false, [&] { OnFormShow(); });
}

void TPTFrmFolderBrowseDlg::done(int result) {
    if (OnFormClose) RunGuarded(this, false, [&] { OnFormClose(); });
    QDialog::done(result);
}

bool TPTFrmFolderBrowseDlg::eventFilter(QObject* watched, QEvent* event) {
    // A hint is "short|long": the tip shows the short part.
    if (event->type() == QEvent::ToolTip) {
        if (auto* widget = qobject_cast<QWidget*>(watched)) {
            const QString hint = widget->toolTip();
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), hint.section(QLatin1Char('|'), 0, 0),
                               widget);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace corvane::shell
