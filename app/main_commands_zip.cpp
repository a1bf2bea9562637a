// The main window's commands on archives: the Downloads menus, the dated archive, the recent
// archives and the Zip menu, carried out by the archive window.

#include <QAction>
#include <QPointer>
#include <QMenu>
#include <QRadioButton>
#include <QCheckBox>
#include <QTreeView>
#include <filesystem>

#include "app/form_corvane.h"
#include "app/form_status.h"
#include "app/main_commands.h"
#include "app/main_menus.h"
#include "app/run_hooks.h"
#include "app/view_manager.h"
#include "archive/form_extract.h"
#include "archive/form_zip.h"
#include "archive/wiz_file_zip.h"
#include "archive/xceed_zip.h"
#include "archive/zip_browse.h"
#include "archive/zip_tree.h"
#include "engine/parse/file_types.h"
#include "engine/model/settings.h"
#include "localisation/app_language.h"
#include "localisation/lang_text.h"
#include "localisation/message_ids.h"
#include "platform/launch/launcher.h"
#include "platform/rtl/date_time.h"
#include "shell/ns/file_operator.h"
#include "widgets/ext_list_view.h"
#include "widgets/file_dialogs.h"
#include "widgets/launch_or_tell.h"
#include "widgets/message_box.h"
#include "widgets/mru_file_list.h"
#include "widgets/transparent_button.h"
#include "widgets/tree_menu_routines.h"

namespace corvane {
namespace {


std::string InFolder(std::string folder, const std::string& name) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + name;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

// ---- Downloads menus

void TMainCommands::BuildDownloadsMenu(QMenu& popup, QMenu* parent) {
    QMenu& target = parent ? *parent : popup;
    for (QAction* action : target.actions()) {
        target.removeAction(action);
        if (action->parent() == &target) action->deleteLater();
    }
    const std::string folder = DownloadsFolderOrEmpty();
    auto click = [this](QAction* item) { DownloadsMenuClick(item); };
    for (const std::string& name : DownloadsMenuNames(folder)) {
        QAction* item = AddMenuItem(QString::fromStdString(MenuCaptionFor(name)), popup, parent, click);
        item->setData(QString::fromStdString(name));
    }
    AddMenuItem(QStringLiteral("-"), popup, parent);
    AddMenuItem(QString::fromLatin1(kDownloadsMore), popup, parent, click);
}

void TMainCommands::DownloadsMenuClick(QAction* item) {
    const std::string folder = DownloadsFolderOrEmpty();
    if (folder.empty()) return;
    const QString name = item->data().toString();
    if (name.isEmpty()) {
        LaunchOrTell(&form_, folder);
        return;
    }
    OpenArchive(InFolder(folder, name.toStdString()));
}

void TMainCommands::OpenArchive(const std::string& zip_file) {
    form_.Views().ShowZipView();
    if (TFormZip* zip = form_.Views().FormZip) zip->OpenZip(zip_file);
}

// ---- Dated archive

void TMainCommands::popNewPopup() {
    menus_.pmiCorvanesFor->setText(QString::fromStdString(NewCorvanesForCaption(Now())));
}

void TMainCommands::miCorvanesForClick() {
    const std::string folder = DownloadsFolderOrEmpty();
    if (folder.empty()) return;
    const std::string file = InFolder(folder, DatedArchiveName(Now()));
    form_.Views().ShowZipView();
    TFormZip* zip = form_.Views().FormZip;
    if (!zip) return;
    if (FileExists(file))
        zip->OpenZip(file);
    else
        zip->NewZip(file);
    form_.btnAddToSelectedZip->SetDown(true);
}

// ---- Zip menu

void TMainCommands::MenuEnableClick() {
    menus_.miViewStatusBar->setChecked(form_.Views().FormStatus && form_.Views().FormStatus->isVisible());
    UpdateArchiveCommands();
}

void TMainCommands::UpdateArchiveCommands() {
    TArchiveWindowState state;
    if (TFormZip* zip = form_.Views().FormZip) {
        state.Exists = true;
        state.TreeHasSelection = zip->Selected() != 0;
        state.ListOrTreeFocused = zip->TreeFocused() || zip->ListFocused();
    }
    const bool enabled = ArchiveCommandsEnabled(state);
    for (QAction* action : {form_.miClose, menus_.miZipClose, menus_.miZipAdd, menus_.miZipDelete, menus_.miZipUnzip,
                            menus_.miZipRename})
        action->setEnabled(enabled);
}

void TMainCommands::miOpenClick() {
    const std::string file = OpenFileDialog(&form_, LangText(msg::OpenArchiveTitle), QStringLiteral("Zip archives (*.zip)"));
    if (!file.empty()) OpenArchive(file);
}

void TMainCommands::miCloseClick() {
    if (TFormZip* zip = form_.Views().FormZip) zip->CloseZip();
}

void TMainCommands::miNewFileZipClick() {
    form_.Views().ShowZipView();
    TFormZip* zip = form_.Views().FormZip;
    if (!zip) return;
    TwizFileZip wizard(zip->Zip, &form_);
    if (wizard.exec() != QDialog::Accepted) return;
    const std::string file = wizard.FileName();
    if (wizard.OpenExisting)
        zip->OpenZip(file);
    else
        zip->NewZip(file);
    form_.Hooks().AddRecentArchive(file);
    form_.mruFiles->LoadFromRegistry();
    zip->AddChosenFiles(wizard.FileList.Items(), wizard.Action);
}

void TMainCommands::miZipAddClick() {
    if (TFormZip* zip = form_.Views().FormZip) zip->RunZipWizard();
}

void TMainCommands::miZipDeleteClick() {
    TFormZip* zip = form_.Views().FormZip;
    if (!zip) return;
    const TZipNodeId node = zip->Selected();
    const TZipNode* n = node ? zip->Tree().Node(node) : nullptr;
    switch (ZipDeleteKindFor(zip->ListFocused(), zip->TreeFocused(), n != nullptr,
                             n && n->Kind == TZipNodeKind::Archive)) {
    case TZipDeleteKind::Nothing:
        return;
    case TZipDeleteKind::ListEntries:
        zip->DeleteFiles(zip->EntryNamesOf(zip->Selection()));
        zip->ListFolder();
        return;
    case TZipDeleteKind::TreeNode: {
        const std::string spec = zip->GetNodePath(node);
        const QString question = QString::fromStdString(ZipDeleteQuestion(n->Name, spec));
        if (AskQuestion(&form_, question) == MsgButton::Yes) zip->DeleteFiles(zip->EntryNamesOf({node}));
        return;
    }
    case TZipDeleteKind::Archive: {
        shell::TFileOperator trash;
        trash.SetOperation(shell::TFileOperation::foDelete);
        trash.SetFlags({shell::TFileOperationFlag::foAllowUndo});
        trash.SetProgressTitle(AppLanguage().GetLangStr(msg::MoveArchiveToTrashTitle));
        trash.SetParentForm(&form_);
        trash.SetSourcePaths({zip->CurrentZipFileName()});
        if (trash.Execute() && !trash.AnyOperationsAborted()) zip->CloseZip();
        return;
    }
    }
}

void TMainCommands::miZipUnzipClick() {
    TFormZip* zip = form_.Views().FormZip;
    if (!zip) return;
    const TZipNodeId node = zip->Selected();
    const TZipNode* n = node ? zip->Tree().Node(node) : nullptr;
    if (!n) return;
    TFormExtract dialog(&form_);
    const bool below_top = n->Kind != TZipNodeKind::Archive;
    (UnzipPresetsSelected(below_top) ? dialog.rbSelectedFiles : dialog.rbAllFiles)->setChecked(true);
    if (dialog.exec() != QDialog::Accepted) return;
    const TZipNodeId from = dialog.rbSelectedFiles->isChecked() ? node : n->Archive;
    const auto overwrite = static_cast<TXcdOverwrite>(UnzipOverwriteMode(dialog.cbOverwrite->isChecked()));
    zip->ExtractFile(dialog.ExtractTo(), zip->EntryNamesOf({from}), overwrite, dialog.cbUsePaths->isChecked());
}

void TMainCommands::miZipRenameClick() {
    TFormZip* zip = form_.Views().FormZip;
    if (!zip) return;
    const TZipNode* n = zip->Selected() ? zip->Tree().Node(zip->Selected()) : nullptr;
    if (!n) return;
    zip->SelectNode(n->Archive);
    zip->tvZip->setFocus();
    zip->tvZip->edit(zip->tvZip->currentIndex());
}

void TMainCommands::miBrowseClick(QObject* sender) {
    TFormZip* zip = form_.Views().FormZip;
    if (!zip) return;
    const bool from_list = sender == zip->lvZip;
    TZipNodeId entry = zip->Selected();
    if (from_list) {
        const std::vector<TZipNodeId> selection = zip->Selection();
        entry = selection.empty() ? 0 : selection.front();
    }
    const TZipNode* node = entry ? zip->Tree().Node(entry) : nullptr;
    if (node && node->Kind == TZipNodeKind::Archive) {
        // An archive's top node stands for its first page: a capture's start page. Its pages are
        // known once its listing has filled the tree; the wait serves the loop.
        const TZipObj* obj = zip->Tree().Obj(entry);
        const std::string zip_file = obj ? obj->ZipFileName : std::string();
        QPointer<TFormZip> alive(zip);
        zip->WaitForListing();
        if (!alive) return;
        const TZipNodeId archive = zip->Tree().FindArchive(zip_file);
        if (archive == 0) return;  // closed meanwhile
        const TZipNodeId page = zip->FirstPage(archive);
        if (page == 0) {
            ShowInformation(&form_, LangText(msg::ArchiveWithoutPages) + QString::fromStdString(zip_file));
            return;
        }
        node = zip->Tree().Node(entry = page);
    }
    if (!node || node->Kind != TZipNodeKind::Entry) {
        // A folder, or an archive without pages: the archive window browses its selection.
        zip->BrowseSelected();
        return;
    }
    const bool is_page = GetFileTypeByName(node->Name) == kPageFileType;
    std::string path;
    if (is_page) {
        // A page needs its pictures and links: the whole archive is extracted, once.
        const std::string raw_name = node->RawName;
        const TZipObj* obj = zip->Tree().Obj(node->Archive);
        const TZipNodeId selected = zip->Selected();
        const std::string root = obj ? zip->OpenForBrowsing(obj->ZipFileName) : std::string();
        // Opening selects the archive's top node: the user's selection comes back, so that Browse
        // again shows the same page.
        if (selected != 0 && zip->Selected() != selected && zip->Tree().Node(selected)) zip->SelectNode(selected);
        if (!root.empty()) path = SafeBrowsePath(root, raw_name);
    } else {
        path = zip->BrowseFileFor(entry);
    }
    switch (ZipBrowseActionFor(path, is_page, from_list)) {
    case TZipBrowseAction::Nothing:
        return;
    case TZipBrowseAction::ShowInBrowser:
        form_.Views().ShowBrowserView(path);
        return;
    case TZipBrowseAction::LaunchPage:
        LaunchOrTell(&form_, path);
        return;
    }
}

// ---- Recent archives

void TMainCommands::mruFilesMRUItemClick(const QString& file) {
    const TRecentArchiveChoice choice = RecentArchiveChoice(file.toStdString());
    if (choice.Open) {
        OpenArchive(file.toStdString());
        return;
    }
    ShowError(&form_, QString::fromStdString(choice.Message));
    form_.Hooks().RemoveRecentArchive(file.toStdString());
    form_.mruFiles->LoadFromRegistry();
}

// ---- The archive window's calls

QMenu* TMainHooks::ZipPopupMenu() { return form_.Menus.popZip; }
void TMainHooks::RunZipDelete() { form_.Commands->miZipDeleteClick(); }
void TMainHooks::UpdateZipCommands() { form_.Commands->UpdateArchiveCommands(); }
void TMainHooks::RunZipBrowse(QObject* sender) { form_.Commands->miBrowseClick(sender); }

}  // namespace corvane
