#include "archive/form_zip.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

#include "archive/zip_browse.h"
#include "archive/zip_list_job.h"
#include "archive/zip_tree_model.h"
#include "engine/run/engine_host.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "shell/ns/pidl.h"
#include "shell/ns/sys_icons.h"
#include "widgets/app_host.h"
#include "widgets/ext_list_view.h"
#include "widgets/tree_rename_trigger.h"

namespace corvane {

namespace {

constexpr std::chrono::milliseconds kStatusInterval{100};

// Refuses changes of the current node that the window does not allow at the moment.
class TZipSelectionModel : public QItemSelectionModel {
public:
    TZipSelectionModel(QAbstractItemModel* model, std::function<bool(const QModelIndex&)> allow)
        : QItemSelectionModel(model), allow_(std::move(allow)) {}

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
        if (Refused(index)) return;
        QItemSelectionModel::setCurrentIndex(index, command);
    }
    void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
        if (Refused(index)) return;
        QItemSelectionModel::select(index, command);
    }
    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override {
        if (!selection.isEmpty() && Refused(selection.indexes().value(0))) return;
        QItemSelectionModel::select(selection, command);
    }
    // Our own code selects past the rules (it keeps its own state consistent).
    bool forced = false;

private:
    bool Refused(const QModelIndex& index) const {
        return !forced && index.isValid() && index != currentIndex() && !allow_(index);
    }
    std::function<bool(const QModelIndex&)> allow_;
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

int ShellIconIndex(shell::ItemTag tag, const std::string& name) {
    shell::PItemIDList item = shell::MakeItem(tag, name);
    const int index = shell::GetPidlIconIndex(item, shell::SHGFI_SMALLICON | shell::SHGFI_SYSICONINDEX);
    shell::FreePidl(item);
    return index;
}

}  // namespace

TFormZipScope::TFormZipScope(TFormZip& form) : form_(form) { ++form_.depth_; }

TFormZipScope::~TFormZipScope() {
    if (--form_.depth_ == 0 && form_.releasePending_) {
        form_.releasePending_ = false;
        form_.deleteLater();
    }
}

TFormZip::TFormZip(QWidget* parent) : QWidget(parent), zip_(TXceedZip::Create()), Zip(*zip_) {
    setObjectName("FormZip");
    setWindowTitle("Zip Properties");

    lvZip = new TExtListView(this);
    lvZip->setObjectName("lvZip");
    lvZip->AddColumn("Name", 150);
    lvZip->AddColumn("Size", 70, Qt::AlignRight);
    lvZip->AddColumn("Packed", 70, Qt::AlignRight);
    lvZip->AddColumn("Ratio", 50, Qt::AlignRight);
    lvZip->AddColumn("Modified", 120);
    lvZip->AddColumn("Path", 300);
    lvZip->SetExtendedStyles(lvxHeaderDragDrop | lvxFullRowSelect | lvxFlatScrollBar);
    lvZip->SetShowSortArrows(true);
    lvZip->SetAutoColumnSort(TAutoColumnSort::acsSortToggle);
    lvZip->SetAutoResort(false);
    lvZip->SetStyle(TLVStyle::lvOwnerDrawFixed);
    lvZip->SetHideSelection(false);
    lvZip->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvZip->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvZip->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvZip->setFrameShape(QFrame::NoFrame);

    pcZips = new QTabWidget(this);
    pcZips->setObjectName("pcZips");
    pcZips->setTabPosition(QTabWidget::South);
    tsZips = new QWidget;
    tsZips->setObjectName("tsZips");
    tsPages = new QWidget;
    tsPages->setObjectName("tsPages");
    pcZips->addTab(tsZips, "Zips");
    pcZips->addTab(tsPages, "Pages");

    treeModel_ = new TZipTreeModel(tree_, this);
    tvZip = new QTreeView(tsZips);
    tvZip->setObjectName("tvZip");
    tvZip->setHeaderHidden(true);
    tvZip->setModel(treeModel_);
    tvZip->setSelectionModel(
        new TZipSelectionModel(treeModel_, [this](const QModelIndex& next) { return AllowSelection(next); }));
    // A click selects; F2, Rename or a second click on the selected archive after a pause renames.
    new TTreeRenameTrigger(*tvZip);
    tvZip->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* zipsLayout = new QVBoxLayout(tsZips);
    zipsLayout->setContentsMargins(0, 0, 0, 0);
    zipsLayout->addWidget(tvZip);

    pagesModel_ = new TZipPagesModel(this);
    tvPages = new QTreeView(tsPages);
    tvPages->setObjectName("tvPages");
    tvPages->setHeaderHidden(true);
    tvPages->setRootIsDecorated(false);
    tvPages->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvPages->setModel(pagesModel_);
    auto* pagesLayout = new QVBoxLayout(tsPages);
    pagesLayout->setContentsMargins(0, 0, 0, 0);
    pagesLayout->addWidget(tvPages);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lvZip, 3);
    layout->addWidget(pcZips, 2);

    sliceTimer_ = new QTimer(this);
    sliceTimer_->setSingleShot(true);
    sliceTimer_->setInterval(0);
    browseTimer_ = new QTimer(this);
    browseTimer_->setInterval(20);

    treeModel_->IconIndex = [this](TZipNodeId id) {
        const TZipNode* node = tree_.Node(id);
        if (node == nullptr) return 0;
        return node->Kind == TZipNodeKind::Folder ? GetIconIndex("") : GetIconIndex(node->Name);
    };
    treeModel_->Icon = [this](int index) { return ilSmallIcons.Icon(index); };
    pagesModel_->Icon = treeModel_->Icon;
    treeModel_->CanEdit = [this](TZipNodeId id) { return CanRename(id); };
    treeModel_->Rename = [this](TZipNodeId id, const std::string& name) { return RenameZip(id, name); };

    // Settings under which the component works (the wizard stores them).
    Zip.Compression = RegRead<std::int32_t>(kSettingsKey, "Compression", Zip.Compression);
    Zip.UsePaths = RegRead<bool>(kSettingsKey, "Use Paths", Zip.UsePaths);
    Zip.UseTempFile = false;
    BindEvents();

    connect(sliceTimer_, &QTimer::timeout, this, &TFormZip::RunSlice);
    connect(browseTimer_, &QTimer::timeout, this, &TFormZip::BrowseJobEnded);
    connect(tvZip->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { SelectionChanged(treeModel_->NodeOf(current)); });
    connect(tvPages->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { PageSelected(current.row()); });
    connect(pcZips, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == pcZips->indexOf(tsPages)) QueueListing([this] { ListPages(); });
    });
    connect(tvZip, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QMenu* menu = AppHostInstance().ZipPopupMenu()) menu->popup(tvZip->viewport()->mapToGlobal(at));
    });
    tvZip->installEventFilter(this);
    tvPages->installEventFilter(this);
    lvZip->installEventFilter(this);
    lvZip->viewport()->installEventFilter(this);

    resize(520, 460);
    translator_ = new TKMLang(this);
    translator_->Loaded();
}

TFormZip::~TFormZip() {
    // Workers see their owner gone and drop what they have; nobody waits for them here.
    alive_.reset();
    if (listing_ && listing_->Job) listing_->Job->Cancel();
    if (browseJob_) browseJob_->Cancel();
    // The views and models go before the tree they show (children would outlive the members).
    delete tvZip;
    delete tvPages;
    delete treeModel_;
    delete pagesModel_;
}

void TFormZip::UpdateListImages() {
    const int count = ilSmallIcons.Count();
    if (static_cast<int>(lvZip->SmallImages().size()) == count) return;
    std::vector<QPixmap> images;
    images.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) images.push_back(ilSmallIcons.Pixmap(i));
    lvZip->SetSmallImages(images);
}

void TFormZip::Release() {
    if (depth_ > 0) {
        releasePending_ = true;
        return;
    }
    deleteLater();
}

bool TFormZip::StatusDue(bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastStatus_ < kStatusInterval) return false;
    lastStatus_ = now;
    return true;
}

void TFormZip::Status(const std::string& text, int position, int maximum, bool force) {
    if (StatusDue(force)) Host().ShowStatus(text, position, maximum);
}

void TFormZip::ListingStatus(const std::string& text, int position, int maximum, bool force) {
    if (StatusDue(force)) Host().ShowViewStatus(text, position, maximum);
}

bool TFormZip::ArchiveBusy() const { return Operation != kOpIdle || ListingMode != kListNone || boxes_ > 0; }

bool TFormZip::IsFolderNode(TZipNodeId node) const {
    const TZipNode* n = tree_.Node(node);
    return n != nullptr && n->Kind != TZipNodeKind::Entry;
}

bool TFormZip::TreeFocused() const { return window()->focusWidget() == tvZip; }

bool TFormZip::ListFocused() const { return window()->focusWidget() == lvZip; }

TZipNodeId TFormZip::Selected() const { return treeModel_->NodeOf(tvZip->selectionModel()->currentIndex()); }

TZipNodeId TFormZip::SelectedArchive() const {
    const TZipNode* node = tree_.Node(Selected());
    return node == nullptr ? 0 : node->Archive;
}

void TFormZip::SelectNode(TZipNodeId node, bool held) {
    auto* model = static_cast<TZipSelectionModel*>(tvZip->selectionModel());
    const bool wasHeld = selectionHeld_;
    selectionHeld_ = selectionHeld_ || held;
    model->forced = true;
    const QModelIndex index = treeModel_->IndexOf(node);
    model->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    model->forced = false;
    selectionHeld_ = wasHeld;
    if (index.isValid()) tvZip->scrollTo(index);
}

bool TFormZip::AllowSelection(const QModelIndex& next) const {
    if (Operation != kOpIdle || ListingMode != kListNone) return false;
    if (CaptureAdd) {
        const TZipNode* node = tree_.Node(treeModel_->NodeOf(next));
        return node != nullptr && node->Archive == SelectedArchive();
    }
    return true;
}

void TFormZip::SelectionChanged(TZipNodeId node) {
    if (selectionHeld_) return;
    if (pcZips->currentWidget() == tsZips) {
        tvZip->setFocus();
        BrowseSelected();
    }
    ShowSelected(node);
}

void TFormZip::ShowSelected(TZipNodeId node) {
    // A listing under way goes first; the selection's own listings follow it, so that the list
    // never ends up showing another archive than the one selected.
    const TZipNode* n = tree_.Node(node);
    if (n != nullptr) {
        const TZipObj* obj = tree_.Obj(node);
        if (obj != nullptr && (Lower(obj->ZipFileName) != Lower(Zip.ZipFileName) || pagesArchive_ != n->Archive)) {
            // An opening lists on a worker of its own; a change of an archive keeps Zip on it.
            if (Operation == kOpIdle || Operation == kOpOpening) Zip.ZipFileName = obj->ZipFileName;
            QueueListing([this] { ListPages(); });
        }
    }
    QueueListing([this] { ListFolder(); });
}

void TFormZip::ShowArchive(TZipNodeId archive) {
    const TZipNode* node = tree_.Node(archive);
    if (node == nullptr) return;
    if (Selected() != node->Archive)
        SelectNode(node->Archive);
    else if (!selectionHeld_)
        ShowSelected(node->Archive);
}

void TFormZip::PageSelected(int row) {
    if (ListingMode == kListPages || row < 0) return;
    tvPages->setFocus();
    if (AppHostInstance().BrowserViewExists()) BrowseSelected();
}

bool TFormZip::RunningCaptureArchive(const std::string& zipFile) const {
    if (!App) return false;
    const std::shared_ptr<TCVTask> task = App->GetCurrentTask();
    return task && task->IsRunning() && !task->IntranetMode && task->Destination == zipFile;
}

bool TFormZip::CanRename(TZipNodeId node) const {
    const TZipNode* n = tree_.Node(node);
    const TZipObj* obj = tree_.Obj(node);
    return n != nullptr && obj != nullptr && n->Kind == TZipNodeKind::Archive && !RunningCaptureArchive(obj->ZipFileName);
}

int TFormZip::GetIconIndex(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    const std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    const std::size_t dot = file.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : Lower(file.substr(dot + 1));
    const auto found = IconCache.find(ext);
    if (found != IconCache.end()) return found->second;
    // Asked of the extension alone: nothing on disk is read.
    const int index = ext.empty() ? ShellIconIndex(shell::ItemTag::Folder, "folder")
                                  : ShellIconIndex(shell::ItemTag::Other, "file." + ext);
    IconCache.emplace(ext, index);
    return index;
}

bool TFormZip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && (watched == tvZip || watched == lvZip || watched == tvPages))
        AppHostInstance().UpdateZipCommands();
    if (watched == tvZip && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        AppHostInstance().RunZipDelete();
        return true;
    }
    if (watched == lvZip->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        lvZip->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()).isValid()) {
        AppHostInstance().RunZipBrowse(lvZip);
        return true;
    }
    if ((watched == lvZip || watched == lvZip->viewport()) &&
        (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease))
        ShowSelectionLine();
    return QWidget::eventFilter(watched, event);
}

namespace {
[[maybe_unused]] const bool registered =
    RegisterCaptureForm("FormZip", [] { return std::unique_ptr<QObject>(new TFormZip); });
}  // namespace

}  // namespace corvane
