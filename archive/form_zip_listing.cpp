// The archive window's listings: a whole archive from a worker's listing, one folder or the pages
// from the tree, each in slices inside one update bracket of the list.

#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <system_error>

#include "archive/form_zip.h"
#include "archive/zip_display_name.h"
#include "archive/zip_browse.h"
#include "archive/zip_list_job.h"
#include "archive/zip_texts.h"
#include "archive/zip_tree_model.h"
#include "engine/parse/file_types.h"
#include "localisation/app_language.h"
#include "localisation/message_ids.h"
#include "widgets/app_host.h"
#include "widgets/ext_list_view.h"
#include "widgets/sliced_resort.h"

namespace corvane {

namespace {

constexpr int kSizeColumn = 1, kPackedColumn = 2;
constexpr std::size_t kRowsPerCheck = 32;

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::string Thousands(std::uint64_t value) {
    std::string digits = std::to_string(value), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// Whether no entry (folders aside) of the archive but id has that name: the first listing of a name.
// A set of the names seen held a copy of every name, and freeing it after a long listing stalled the
// window.
bool FirstEntryNamed(const TZipTree& tree, const TZipObj& obj, const std::string& rawName, TZipNodeId id) {
    auto [it, end] = obj.Entries.equal_range(rawName);
    for (; it != end; ++it) {
        if (it->second == id) continue;
        const TZipNode* other = tree.Node(it->second);
        if (other != nullptr && other->Kind == TZipNodeKind::Entry) return false;
    }
    return true;
}

void EntriesBelow(const TZipTree& tree, TZipNodeId id, std::vector<TZipNodeId>& out) {
    const TZipNode* node = tree.Node(id);
    if (node == nullptr) return;
    if (node->Kind == TZipNodeKind::Entry) out.push_back(id);
    for (TZipNodeId child : node->Children) EntriesBelow(tree, child, out);
}

// What the Pages tab lists: entries that browse as pages.
bool IsPage(const TZipNode* node) {
    return node != nullptr && node->Kind == TZipNodeKind::Entry && !node->Unsafe &&
           GetFileTypeByName(node->Name) == kPageFileType;
}

// The first page in the order of EntriesBelow, or 0.
TZipNodeId FirstPageBelow(const TZipTree& tree, TZipNodeId id) {
    const TZipNode* node = tree.Node(id);
    if (node == nullptr) return 0;
    if (IsPage(node)) return id;
    for (TZipNodeId child : node->Children)
        if (const TZipNodeId page = FirstPageBelow(tree, child)) return page;
    return 0;
}

}  // namespace


void TFormZip::QueueListing(std::function<void()> start) {
    if (ListingMode == kListNone && !listing_) {
        start();
        return;
    }
    queued_.push_back(std::move(start));
}

void TFormZip::StartListing(std::unique_ptr<Listing> listing) {
    ListingMode = listing->Mode;
    listing_ = std::move(listing);
    if (listing_->Mode != kListPages) {
        lvZip->Items().Clear();
        ListedCount = SizeSum = PackedSum = 0;
    }
    sliceTimer_->start();
}

TZipNodeId TFormZip::OpenZip(const std::string& fileName) {
    if (const TZipNodeId found = tree_.FindArchive(fileName)) {
        ShowArchive(found);
        return found;
    }
    ListingStatus(AppLanguage().GetLangStr(msg::StatusOpeningArchive) + fileName);
    const TZipNodeId node = AddArchiveNode(fileName);
    AppHostInstance().AddRecentArchive(fileName);
    QueueListing([this, node, fileName] {
        if (tree_.Node(node) == nullptr) return;  // closed meanwhile
        Operation = kOpOpening;
        ListTotal = 0;
        auto listing = std::make_unique<Listing>();
        listing->Mode = kListWhole;
        listing->Archive = node;
        listing->Whole = true;
        listing->Job = TZipListJob::Start(fileName, alive_);
        listing->Done = [this, node] {
            if (Selected() != node) return;
            BrowseSelected();
            QueueListing([this] { ListPages(); });
        };
        StartListing(std::move(listing));
    });
    return node;
}

TZipNodeId TFormZip::NewZip(const std::string& fileName) {
    const TZipNodeId node = AddArchiveNode(fileName);
    // No listing follows: the list and the Pages tab show the new archive at once.
    ShowArchive(node);
    return node;
}

TZipNodeId TFormZip::AddArchiveNode(const std::string& fileName) {
    pcZips->setCurrentWidget(tsZips);
    const std::size_t slash = fileName.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        std::error_code error;
        std::filesystem::create_directories(fileName.substr(0, slash), error);
    }
    const TZipNodeId node = tree_.AddArchive(fileName);
    if (Operation == kOpIdle) Zip.ZipFileName = fileName;
    // Its listing fills the list and the pages.
    SelectNode(node, true);
    return node;
}

void TFormZip::CloseUnwrittenZip(TZipNodeId archive) {
    SelectNode(archive, true);
    const bool wasHeld = selectionHeld_;
    selectionHeld_ = true;
    CloseZip();
    selectionHeld_ = wasHeld;
    // The list follows the node selected now, without browsing it.
    ShowSelected(Selected());
}

void TFormZip::CloseZip() {
    const TZipNodeId archive = SelectedArchive();
    if (archive == 0 || Operation != kOpIdle) return;
    if (listing_ && listing_->Archive == archive) {
        if (listing_->Job) listing_->Job->Cancel();
        listing_.reset();
        ListingMode = kListNone;
    }
    if (browseJob_ && browseArchive_ == archive) {
        browseJob_->Cancel();
        browseJob_.reset();
        browseTimer_->stop();
    }
    const TZipObj* obj = tree_.Obj(archive);
    const std::string name = obj != nullptr ? obj->ZipFileName : std::string();
    if (pagesArchive_ == archive) {
        pagesModel_->Clear();
        pagesArchive_ = 0;
    }
    tree_.RemoveArchive(archive);
    browseNames_.erase(archive);
    if (Zip.ZipFileName == name) Zip.ZipFileName.clear();
    if (Selected() == 0) {
        lvZip->Items().Clear();
        ListedCount = SizeSum = PackedSum = 0;
        pagesModel_->Clear();
        pagesArchive_ = 0;
    }
    while (!queued_.empty() && !listing_) {
        auto start = std::move(queued_.front());
        queued_.pop_front();
        start();
    }
}

std::string TFormZip::GetNodePath(TZipNodeId node) const {
    const TZipNode* n = tree_.Node(node);
    if (n == nullptr || n->Kind == TZipNodeKind::Archive) return "*.*";
    if (n->Kind == TZipNodeKind::Folder) return n->Path + "*.*";
    return n->RawName;
}

void TFormZip::ListFolder() {
    if (ListingMode != kListNone) return;
    const TZipNodeId node = Selected();
    auto listing = std::make_unique<Listing>();
    listing->Mode = kListFolder;
    listing->Archive = SelectedArchive();
    EntriesBelow(tree_, node, listing->Rows);
    // Entries added since the listing have no sizes yet: one exact listing brings them.
    std::vector<std::string> missing;
    for (TZipNodeId id : listing->Rows)
        if (unlisted_.count(id) != 0) missing.push_back(tree_.Node(id)->RawName);
    if (!missing.empty()) {
        if (const TZipObj* obj = tree_.Obj(node)) listing->Job = TZipListJob::Start(obj->ZipFileName, alive_, missing);
    }
    StartListing(std::move(listing));
}

void TFormZip::ListPages() {
    if (ListingMode != kListNone) return;
    auto listing = std::make_unique<Listing>();
    listing->Mode = kListPages;
    listing->Archive = SelectedArchive();
    pagesModel_->Clear();
    pagesArchive_ = listing->Archive;
    EntriesBelow(tree_, listing->Archive, listing->Rows);
    listing->Done = [this] {
        if (pagesModel_->Count() == 0) return;
        // The listing's own choice, not the user's: it neither takes the focus nor browses.
        ListingMode = kListPages;
        tvPages->setCurrentIndex(pagesModel_->index(0, 0));
        ListingMode = kListNone;
    };
    StartListing(std::move(listing));
}

void TFormZip::ListAgain(TZipNodeId archive) {
    const TZipNode* node = tree_.Node(archive);
    if (node == nullptr || SelectedArchive() != node->Archive) return;
    QueueListing([this] { ListPages(); });
    QueueListing([this] { ListFolder(); });
}

TZipNodeId TFormZip::FirstPage(TZipNodeId archive) const {
    const TZipNode* node = tree_.Node(archive);
    return node == nullptr ? 0 : FirstPageBelow(tree_, node->Archive);
}

void TFormZip::AddListRow(TZipNodeId id) {
    const TZipNode* node = tree_.Node(id);
    if (node == nullptr) return;
    const TZipEntryRecord& r = node->Record;
    const std::size_t slash = node->RawName.rfind('/');
    const std::string folder = node->Unsafe || slash == std::string::npos ? std::string() : node->RawName.substr(0, slash + 1);
    TListItems& items = lvZip->Items();
    const int row = items.AddRow({Q(DisplayName(node->Name)), Q(Thousands(r.Size)), Q(Thousands(r.Packed)),
                                  QString::number(r.Ratio) + "%", Q(DateTimeToStr(r.DateTime)),
                                  Q(DisplayName(folder))},
                                 QVariant::fromValue<qulonglong>(id));
    items.SetSortKey(row, kSizeColumn, static_cast<double>(r.Size));
    items.SetSortKey(row, kPackedColumn, static_cast<double>(r.Packed));
    items.SetImageIndex(row, 0, GetIconIndex(node->Name));
    SizeSum += r.Size;
    PackedSum += r.Packed;
    ++ListedCount;
    if (Operation == kOpOpening)
        ListingStatus(AppLanguage().GetLangStr(msg::StatusListingArchive), static_cast<int>(ListedCount),
                      static_cast<int>(ListTotal), false);
}

void TFormZip::RunSlice() {
    if (!listing_) return;
    TFormZipScope scope(*this);
    Listing& l = *listing_;
    const auto deadline = std::chrono::steady_clock::now() + kZipListSlice;
    lvZip->BeginUpdate();
    treeModel_->BeginBatch();
    pagesModel_->BeginBatch();
    if (l.Job) {
        if (l.Whole && ListTotal == 0 && l.Job->FileCount() > 0) {
            ListTotal = static_cast<std::uint64_t>(l.Job->FileCount());
            tree_.Reserve(l.Archive, ListTotal);
        }
        TZipObj* obj = tree_.Obj(l.Archive);
        const bool ended = l.Job->Drain([&](const TXcdFileStats& stats) {
            if (obj == nullptr) return;
            if (l.Whole) {
                const TZipNodeId id = tree_.AddListedEntry(l.Archive, stats);
                const TZipNode* node = tree_.Node(id);
                if (node->Kind != TZipNodeKind::Entry) return;
                AddListRow(id);
                BrowseNames& names = browseNames_[l.Archive];
                if (!node->Unsafe && FirstEntryNamed(tree_, *obj, node->RawName, id)) {
                    names.Names.push_back(node->RawName);
                    names.Size += node->Record.Size;
                }
                return;
            }
            auto [it, end] = obj->Entries.equal_range(stats.FileName);
            for (; it != end; ++it)
                if (unlisted_.erase(it->second) != 0) tree_.SetRecord(it->second, RecordOf(stats));
        });
        if (ended) l.Job.reset();
    }
    if (!l.Job) {
        while (l.Next < l.Rows.size()) {
            const TZipNodeId id = l.Rows[l.Next++];
            if (l.Mode == kListFolder) {
                AddListRow(id);
            } else if (const TZipNode* node = tree_.Node(id); IsPage(node)) {
                pagesModel_->Add({Q(tree_.Text(id)), TCVFileInfo{node->RawName}, GetIconIndex(node->Name)});
            }
            if (l.Next % kRowsPerCheck == 0 && std::chrono::steady_clock::now() >= deadline) break;
        }
    }
    const bool done = !l.Job && l.Next >= l.Rows.size();
    pagesModel_->EndBatch();
    treeModel_->EndBatch();
    lvZip->EndUpdate();
    if (done)
        FinishListing();
    else
        sliceTimer_->start();
}

void TFormZip::FinishListing() {
    std::unique_ptr<Listing> l = std::move(listing_);
    if (Operation == kOpOpening) Operation = kOpIdle;
    // Sorting a long list and what follows a listing each take turns of their own; the listing's
    // mode holds until they are done.
    ListingMode = l->Mode;
    const bool listed = l->Mode != kListPages;
    auto after = [this, done = std::move(l->Done)] {
        QTimer::singleShot(0, this, [this, done] {
            TFormZipScope inner(*this);
            ListingMode = kListNone;
            if (done) done();
            while (!queued_.empty() && !listing_) {
                auto start = std::move(queued_.front());
                queued_.pop_front();
                start();
            }
        });
    };
    QTimer::singleShot(0, this, [this, listed, after = std::move(after)] {
        TFormZipScope scope(*this);
        if (!listed) {
            after();
            return;
        }
        UpdateListImages();
        // The sort runs a slice per turn; the totals follow it.
        ResortInSlices(*lvZip, [this, after] {
            TFormZipScope sorted(*this);
            ShowTotals();
            after();
        });
    });
}

void TFormZip::ShowTotals() {
    const TZipObj* obj = tree_.Obj(SelectedArchive());
    const std::uint64_t count = obj != nullptr ? obj->Entries.size() : 0;
    ListingStatus(TotalsLine(ListedCount, SizeSum, PackedSum, count));
}

void TFormZip::ShowSelectionLine() {
    std::uint64_t count = 0, size = 0, packed = 0;
    const TListItems& items = lvZip->Items();
    for (const QModelIndex& index : lvZip->selectionModel()->selectedRows()) {
        ++count;
        const TZipNode* node = tree_.Node(items.Data(index.row()).toULongLong());
        if (node == nullptr) continue;
        size += node->Record.Size;
        packed += node->Record.Packed;
    }
    ListingStatus(SelectionLine(count, size, packed));
}

void TFormZip::RefreshAfterAdd(TZipNodeId archive, const std::vector<std::string>& names) {
    TZipObj* obj = tree_.Obj(archive);
    if (obj == nullptr) return;
    for (const std::string& name : names) {
        const TZipNodeId id = tree_.AddEntry(archive, name);
        const TZipNode* node = tree_.Node(id);
        if (node != nullptr && node->Kind == TZipNodeKind::Entry) unlisted_.insert(id);
    }
}

}  // namespace corvane
