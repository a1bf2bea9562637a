// The archive window's changes of archives (add, delete, extract, rename), its result boxes, the
// component's progress events and browsing.

#include <QApplication>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <system_error>
#include <thread>

#include "archive/capture_archive.h"
#include "archive/form_zip.h"
#include "archive/zip_browse.h"
#include "archive/zip_display_name.h"
#include "archive/zip_paths.h"
#include "archive/zip_tree_model.h"
#include "engine/model/settings.h"
#include "engine/support/file_routines.h"
#include "widgets/app_host.h"
#include "widgets/ext_list_view.h"
#include "widgets/message_box.h"

namespace corvane {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

bool Exists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::exists(path, error);
}

// A name the rename refuses before asking the file system.
bool InvalidFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return true;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            return true;
    }
    return false;
}

// The component's settings an operation changes for itself, put back when it ends.
class TZipSettingsKept {
public:
    explicit TZipSettingsKept(TXceedZip& zip) : zip_(zip), usePaths_(zip.UsePaths), recurse_(zip.Recurse) {}
    ~TZipSettingsKept() {
        zip_.UsePaths = usePaths_;
        zip_.Recurse = recurse_;
        zip_.BaseFolder.clear();
        zip_.ExactNames = false;
    }
    TZipSettingsKept(const TZipSettingsKept&) = delete;
    TZipSettingsKept& operator=(const TZipSettingsKept&) = delete;

private:
    TXceedZip& zip_;
    bool usePaths_, recurse_;
};

}  // namespace

void TFormZip::BindEvents() {
    auto progress = [this](const char* verb) {
        return [this, verb](TXceedZip&, const TXcdFileStats& stats) {
            addedNames_.push_back(stats.FileName);
            Status(verb + DisplayName(stats.FileName));
        };
    };
    Zip.OnAdding = progress("Adding: ");
    Zip.OnUpdating = progress("Updating: ");
    Zip.OnExtracting = [this](TXceedZip&, const TXcdFileStats& stats) {
        Status("Extracting \"" + DisplayName(stats.FileName) + "\".");
    };
    Zip.OnDeleting = [this](TXceedZip&, const std::string& name) { Status("Deleting: " + DisplayName(name)); };
    Zip.OnStatus = [this](TXceedZip&, const TXcdFileStats& stats) {
        if (stats.BytesProcessed == stats.Size)
            Status("Ready");
        else
            Status("Ready", stats.Percent, 100);
    };
    Zip.OnFileComment = [this](TXceedZip&, TXcdFileComment& comment) { comment.Comment = AddingFile.Comment; };
    Zip.OnReplace = [this](TXceedZip&, TXcdReplace& replace) {
        MessageBoxRequest request;
        request.kind = MsgKind::Question;
        // The library names only the entry; the file on disk and the entry share that name.
        const std::string& incoming = replace.NewName.empty() ? replace.Name : replace.NewName;
        request.text = Q("Replace File : " + DisplayName(replace.Name) + "\n" + "With File: " + DisplayName(incoming));
        request.buttons = MsgButton::Yes | MsgButton::No | MsgButton::Cancel | MsgButton::All;
        ++boxes_;
        const MsgButton answer = ShowMessageBox(this, request);
        --boxes_;
        replace.Answer = answer == MsgButton::Yes ? 1 : answer == MsgButton::All ? 2 : answer == MsgButton::No ? 0 : 4;
    };
}

int TFormZip::ReportZipResult(int code, const std::string& verb) {
    TFormZipScope scope(*this);
    last_ = ZipResultOf(code, verb);
    if (!last_.Message.empty()) {
        // Busy while the box is open: the zip timer would otherwise stack another operation's box.
        ++boxes_;
        MessageBoxRequest request;
        request.kind = last_.Information ? MsgKind::Information : MsgKind::Error;
        request.text = Q(last_.Message);
        ShowMessageBox(this, request);
        --boxes_;
    }
    Operation = kOpIdle;
    return last_.Outcome;
}

int TFormZip::AddAndPlace(TZipNodeId archive, int mode, const std::string& comment) {
    addedNames_.clear();
    browseNames_.erase(archive);
    NewProgress();
    const int code = Zip.Add(mode);
    std::vector<std::string> added = std::move(addedNames_);
    addedNames_.clear();
    const int outcome = ReportZipResult(code, kZipVerbAdding);
    // The names the library stored, not a guess from the files' paths.
    if (outcome < 2 && tree_.Obj(archive) != nullptr) {
        treeModel_->BeginBatch();
        TZipEntryRecord record;
        record.Comment = comment;
        for (const std::string& name : added) {
            const TZipNodeId id = tree_.AddEntry(archive, name, record);
            if (const TZipNode* node = tree_.Node(id); node != nullptr && node->Kind == TZipNodeKind::Entry)
                unlisted_.insert(id);
        }
        treeModel_->EndBatch();
    }
    return outcome;
}

void TFormZip::AddQueuedFile(const std::string& fileName) {
    TFormZipScope scope(*this);
    const TZipNodeId archive = SelectedArchive();
    const TZipObj* obj = tree_.Obj(archive);
    if (obj == nullptr) return;
    TZipSettingsKept kept(Zip);
    Zip.ZipFileName = obj->ZipFileName;
    std::string name = fileName;
    if (!UserAddMode) {
        // Read against the capture folder; the working folder is never changed.
        const std::string folder = !CaptureFolder.empty() ? CaptureFolder : App ? App->GetTempFolder() : std::string();
        Zip.BaseFolder = ExpandFileName(folder);
        Zip.UsePaths = true;
        Zip.Recurse = false;
        name = CapturedEntryName(fileName, folder);
    }
    Operation = kOpAdding;
    Zip.FilesToProcess.Clear();
    Zip.FilesToProcess.Add(name);
    AddAndPlace(archive, 0, AddingFile.Comment);
}

int TFormZip::AddFiles(const std::vector<std::string>& files, int mode) {
    TFormZipScope scope(*this);
    const TZipNodeId archive = SelectedArchive();
    const TZipObj* obj = tree_.Obj(archive);
    if (obj == nullptr || files.empty()) return 2;
    const std::string zipFile = obj->ZipFileName;
    int outcome = 0;
    bool recurse = false;
    {
        TZipSettingsKept kept(Zip);
        recurse = Zip.Recurse;
        Zip.ZipFileName = zipFile;
        Zip.FilesToProcess.Clear();
        std::string folder;
        if (!UserAddMode) {
            folder = !CaptureFolder.empty() ? CaptureFolder : App ? App->GetTempFolder() : std::string();
            Zip.BaseFolder = ExpandFileName(folder);
            Zip.UsePaths = true;
            Zip.Recurse = false;
        }
        for (const std::string& file : files) Zip.FilesToProcess.Add(UserAddMode ? file : CapturedEntryName(file, folder));
        Operation = kOpAdding;
        outcome = AddAndPlace(archive, mode, {});
    }
    if (outcome == 2 || tree_.Node(archive) == nullptr) return outcome;
    if (recurse && UserAddMode) {
        // Whole folders went in: the tree is built again from a full listing.
        SelectNode(archive, true);
        CloseZip();
        OpenZip(zipFile);
        return outcome;
    }
    QueueListing([this] { ListFolder(); });
    return outcome;
}

void TFormZip::DeleteFiles(const std::vector<std::string>& names) {
    TFormZipScope scope(*this);
    const TZipNodeId archive = SelectedArchive();
    const TZipObj* obj = tree_.Obj(archive);
    if (obj == nullptr || names.empty() || ArchiveBusy()) return;
    TZipSettingsKept kept(Zip);
    Zip.ZipFileName = obj->ZipFileName;
    Zip.ExactNames = true;
    Zip.FilesToProcess.Clear();
    for (const std::string& name : names) Zip.FilesToProcess.Add(name);
    // Busy while the archive is rewritten: the zip timer must not add meanwhile.
    Operation = kOpUpdating;
    browseNames_.erase(archive);
    NewProgress();
    const int outcome = ReportZipResult(Zip.Delete(), kZipVerbDeleting);
    if (outcome == 2 || tree_.Obj(archive) == nullptr) return;
    tree_.RemoveEntries(archive, names);
    QueueListing([this] { ListFolder(); });
}

void TFormZip::ExtractFile(const std::string& folder, const std::vector<std::string>& names, TXcdOverwrite overwrite,
                           bool use_paths) {
    TFormZipScope scope(*this);
    const TZipObj* obj = tree_.Obj(SelectedArchive());
    if (obj == nullptr || names.empty()) return;
    TZipSettingsKept kept(Zip);
    Operation = kOpExtracting;
    Zip.ZipFileName = obj->ZipFileName;
    Zip.ExactNames = true;
    Zip.FilesToProcess.Clear();
    for (const std::string& name : names) Zip.FilesToProcess.Add(name);
    Zip.ExtractDirectory = folder;
    Zip.UsePaths = use_paths;
    Zip.Overwrite = overwrite;
    NewProgress();
    const int code = Zip.Extract(0);
    Zip.ExtractDirectory.clear();
    Zip.Overwrite = xowAsk;
    ReportZipResult(code, kZipVerbExtracting);
    const std::string spec = names.size() == 1 ? names.front() : GetNodePath(Selected());
    Status("Unzipped: " + DisplayName(spec) + ".", 0, 0, true);
}

std::string TFormZip::BrowseRoot(TZipNodeId archive) const {
    const TZipObj* obj = tree_.Obj(archive);
    if (obj == nullptr) return {};
    try {
        return BrowseRootFor(*obj);
    } catch (const std::exception&) {
        return {};
    }
}

void TFormZip::LeaveEndedCaptureFolder(TZipNodeId node) {
    TZipObj* obj = tree_.Obj(node);
    if (obj == nullptr || obj->BrowseRoot.empty() || RunningCaptureArchive(obj->ZipFileName)) return;
    obj->BrowseRoot.clear();
    obj->Extracted = false;
}

void TFormZip::ExtractForBrowse() {
    const TZipNodeId archive = SelectedArchive();
    LeaveEndedCaptureFolder(archive);
    const TZipObj* obj = tree_.Obj(archive);
    if (obj == nullptr || obj->Extracted || CaptureAdd || browseJob_ || !Exists(obj->ZipFileName)) return;
    const std::string root = BrowseRoot(archive);
    if (root.empty()) return;
    // On a worker and without a busy flag: the capture's adds go on meanwhile.
    const auto gathered = browseNames_.find(archive);
    if (gathered != browseNames_.end()) {
        browseJob_ = TZipExtractJob::Start(obj->ZipFileName, root, std::move(gathered->second.Names),
                                           gathered->second.Size, alive_);
        browseNames_.erase(gathered);
    } else {
        browseJob_ = TZipExtractJob::Start(obj->ZipFileName, root, tree_.ExtractableNamesBelow(archive),
                                           tree_.ExtractableSizeBelow(archive), alive_);
    }
    browseArchive_ = archive;
    browseSelection_ = Selected();
    browseTimer_->start();
}

void TFormZip::BrowseJobEnded() {
    if (!browseJob_) {
        browseTimer_->stop();
        return;
    }
    const int code = browseJob_->Result();
    if (code < 0) return;
    TFormZipScope scope(*this);
    browseJob_.reset();
    browseTimer_->stop();
    TZipObj* obj = tree_.Obj(browseArchive_);
    if (obj == nullptr) return;
    obj->Extracted = BrowseExtractionDone(code);
    const std::uint8_t operation = Operation;  // an add may be under way: its state stays
    const int outcome = ReportZipResult(code, kZipVerbExtracting);
    Operation = operation;
    if (outcome < 2) Status("All files extracted successfully.", 0, 0, true);
    if (Selected() == browseSelection_) BrowseSelected();
}

void TFormZip::BrowseSelected() {
    const TZipNodeId node = Selected();
    if (node == 0) {
        AppHostInstance().ShowBrowserView(App ? App->GetDownloadsFolder() : std::string());
        return;
    }
    ExtractForBrowse();
    const TZipObj* obj = tree_.Obj(node);
    if (obj == nullptr || !obj->Extracted) return;
    const std::string root = BrowseRoot(node);
    std::string path;
    if (pcZips->currentWidget() == tsZips) {
        const TZipNode* n = tree_.Node(node);
        if (n->Kind == TZipNodeKind::Entry && !n->Unsafe) path = SafeBrowsePath(root, n->RawName);
    } else if (const TCVFileInfo* info = pagesModel_->InfoAt(tvPages->currentIndex().row())) {
        path = SafeBrowsePath(root, info->FullPath);
    }
    if (Exists(path)) AppHostInstance().ShowBrowserView(path);
}

void TFormZip::WaitWhile(const std::function<bool()>& busy) {
    TFormZipScope scope(*this);
    while (busy()) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void TFormZip::WaitForListing() {
    WaitWhile([this] { return ListingMode != kListNone || !queued_.empty(); });
}

std::string TFormZip::BrowseFileFor(TZipNodeId entry) {
    const TZipNode* node = tree_.Node(entry);
    if (node == nullptr || node->Kind != TZipNodeKind::Entry || node->Unsafe) return {};
    LeaveEndedCaptureFolder(entry);
    const TZipObj* obj = tree_.Obj(entry);
    const std::string root = BrowseRoot(entry);
    if (root.empty()) return {};
    const std::string raw = node->RawName;
    if (!obj->Extracted) {
        auto job = TZipExtractJob::Start(obj->ZipFileName, root, {raw}, node->Record.Size, alive_);
        WaitWhile([&job] { return job->Result() < 0; });
    }
    const std::string path = SafeBrowsePath(root, raw);
    return Exists(path) ? path : std::string();
}

std::string TFormZip::OpenForBrowsing(const std::string& zipFile) {
    const TZipNodeId archive = OpenZip(zipFile);
    WaitForListing();
    LeaveEndedCaptureFolder(archive);
    const TZipObj* obj = tree_.Obj(archive);
    if (obj == nullptr) return {};
    if (!obj->Extracted && !browseJob_ && SelectedArchive() == archive) ExtractForBrowse();
    WaitWhile([this, archive] { return browseJob_ && browseArchive_ == archive; });
    obj = tree_.Obj(archive);
    return obj != nullptr && obj->Extracted ? BrowseRoot(archive) : std::string();
}

bool TFormZip::RenameZip(TZipNodeId node, const std::string& newName) {
    if (!CanRename(node)) return false;
    TZipObj* obj = tree_.Obj(node);
    const std::string old = obj->ZipFileName;
    const std::string target = InvalidFileName(newName) ? std::string() : RenameArchiveFile(old, newName);
    if (target.empty()) {
        ShowError(this, Q("Unable to rename file to: " + newName + "\n" +
                          "A file may not contain any of the following characters: " + "\n" + "\\/:*?\"<>|"));
        return false;
    }
    if (target == old) return true;  // its own name: nothing changes
    tree_.RenameArchive(node, target);
    // The browse root goes by the archive's name: browsing extracts again into the new one.
    if (obj->BrowseRoot.empty()) obj->Extracted = false;
    if (Zip.ZipFileName == old) Zip.ZipFileName = target;
    treeModel_->NodeChanged(node);
    AppHostInstance().RemoveRecentArchive(old);
    AppHostInstance().AddRecentArchive(target);
    return true;
}

std::vector<TZipNodeId> TFormZip::Selection() const {
    std::vector<TZipNodeId> nodes;
    if (ListFocused()) {
        for (const QModelIndex& index : lvZip->selectionModel()->selectedRows())
            nodes.push_back(lvZip->Items().Data(index.row()).toULongLong());
    } else if (const TZipNodeId node = Selected()) {
        nodes.push_back(node);
    }
    return nodes;
}

std::vector<std::string> TFormZip::EntryNamesOf(const std::vector<TZipNodeId>& nodes) const {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (TZipNodeId node : nodes)
        for (std::string& name : tree_.EntryNamesBelow(node))
            if (seen.insert(name).second) names.push_back(std::move(name));
    return names;
}

}  // namespace corvane
