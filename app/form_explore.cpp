#include "app/form_explore.h"

#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/explore_draw.h"
#include "app/explore_model.h"
#include "archive/zip_browse.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "localisation/message_ids.h"
#include "platform/launch/launcher.h"
#include "tasks/lang_text.h"
#include "widgets/app_host.h"
#include "widgets/ext_list_view.h"
#include "widgets/launch_or_tell.h"
#include "widgets/message_box.h"

namespace corvane {
namespace {

const bool registered =
    RegisterCaptureForm("FormExplore", [] { return std::unique_ptr<QObject>(new TFormExplore); });

QAction* AddItem(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QMenu* AddSubmenu(QMenu* menu, const char* name, const char* caption) {
    auto* submenu = new QMenu(QString::fromUtf8(caption), menu);
    submenu->setObjectName(QString::fromLatin1(name));
    menu->addMenu(submenu);
    return submenu;
}

// Only a web address goes to the launcher from "Online": a queued URL is text from the web.
bool IsWebAddress(const std::string& url) {
    const QString u = QString::fromStdString(url);
    return u.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           u.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

}  // namespace

TFormExplore::TFormExplore(QWidget* parent) : QWidget(parent) {
    (void)registered;
    setObjectName(QStringLiteral("FormExplore"));
    setWindowTitle(QStringLiteral("Explore"));
    resize(760, 220);

    model_ = new TExploreModel(this);
    ilCheck = ExploreCheckImages();

    lvExplore = new TExtListView(this);
    lvExplore->setObjectName(QStringLiteral("lvExplore"));
    lvExplore->setFrameShape(QFrame::NoFrame);
    lvExplore->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvExplore->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvExplore->SetHideSelection(false);
    lvExplore->SetExtendedStyles(lvxFullRowSelect | lvxFlatScrollBar);
    lvExplore->SetSmallImages(ilCheck);
    lvExplore->SetVirtualMode(true);
    const struct {
        const char* caption;
        int width;
    } columns[ecColumnCount] = {{"Mark", 40},         {"Status", 70}, {"Title", 150},         {"URL", 150},
                                {"Type", 50},         {"Size", 70},   {"Last Modified", 80}, {"Download Result", 100},
                                {"Level", 50},        {"Referrer", 200}};
    for (const auto& column : columns) lvExplore->AddColumn(QString::fromUtf8(column.caption), column.width);
    lvExplore->setItemDelegate(new TExploreDelegate(*model_, ilCheck, lvExplore));
    lvExplore->OnVMGetItemInfo = [this](TExtListView*, int item, int sub_item, unsigned, int&, int&, QString& text) {
        lvExploreData(item, sub_item, text);
    };
    lvExplore->viewport()->installEventFilter(this);
    connect(lvExplore, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) { BrowseClick(nullptr); });
    lvExplore->Loaded();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lvExplore);

    BuildPopup();

    lang_ = new TKMLang(this);
    lang_->Loaded();
}

TFormExplore::~TFormExplore() {
    lvExplore->viewport()->removeEventFilter(this);
    lvExplore->SetItemCount(0);
}

void TFormExplore::BuildPopup() {
    popExplore = new QMenu(this);
    popExplore->setObjectName(QStringLiteral("popExplore"));
    miMarkDownload = AddSubmenu(popExplore, "miMarkDownload", "Mark for download");
    miDownloadSelected = AddItem(miMarkDownload, "miDownloadSelected", "Selected");
    miDownloadAll = AddItem(miMarkDownload, "miDownloadAll", "All");
    miDownloadErrors = AddItem(miMarkDownload, "miDownloadErrors", "All errors");
    miDownloadUnmarked = AddItem(miMarkDownload, "miDownloadUnmarked", "All unmarked");
    miMarkUpdate = AddSubmenu(popExplore, "miMarkUpdate", "Mark for update");
    miUpdateSelected = AddItem(miMarkUpdate, "miUpdateSelected", "Selected");
    miUpdateAll = AddItem(miMarkUpdate, "miUpdateAll", "All");
    miMarkMapping = AddSubmenu(popExplore, "miMarkMapping", "Mark for mapping");
    miMappingSelected = AddItem(miMarkMapping, "miMappingSelected", "Selected");
    miMappingAll = AddItem(miMarkMapping, "miMappingAll", "All");
    miUnmark = AddSubmenu(popExplore, "miUnmark", "Unmark");
    miUnmarkSelected = AddItem(miUnmark, "miUnmarkSelected", "Selected");
    miUnmarkAll = AddItem(miUnmark, "miUnmarkAll", "All");
    miBrowse = AddSubmenu(popExplore, "miBrowse", "&Browse");
    miBrowseOffline = AddItem(miBrowse, "miBrowseOffline", "&Offline");
    miBrowseOnline = AddItem(miBrowse, "miBrowseOnline", "Online");
    connect(popExplore, &QMenu::aboutToShow, this, [this] { popExplorePopup(); });

    const auto any = [](const TCVQItem&) { return true; };
    const auto saved = [](const TCVQItem& item) { return item.State > isSaved; };
    const auto page = [](const TCVQItem& item) { return item.Type == kPageType; };
    const auto bind = [this](QAction* action, std::function<void()> run) {
        connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    };
    bind(miDownloadSelected, [=, this] { MarkRows(true, mkFetch, any); });
    bind(miDownloadAll, [=, this] { MarkRows(false, mkFetch, any); });
    bind(miDownloadErrors, [this] { MarkRows(false, mkFetch, [](const TCVQItem& i) { return i.State == isError; }); });
    // An empty mark field reads as "fetch": such an item is not unmarked.
    bind(miDownloadUnmarked, [this] { MarkRows(false, mkFetch, [](const TCVQItem& i) { return i.Mark == mkSkip; }); });
    bind(miUpdateSelected, [=, this] { MarkRows(true, mkUpdate, saved); });
    bind(miUpdateAll, [=, this] { MarkRows(false, mkUpdate, saved); });
    bind(miMappingSelected, [=, this] { MarkRows(true, mkMap, page); });
    bind(miMappingAll, [=, this] { MarkRows(false, mkMap, page); });
    bind(miUnmarkSelected, [=, this] { MarkRows(true, mkSkip, any); });
    bind(miUnmarkAll, [this] { MarkRows(false, mkSkip, [](const TCVQItem& i) { return i.State == isNone; }); });
    bind(miBrowseOffline, [this] { BrowseClick(miBrowseOffline); });
    bind(miBrowseOnline, [this] { BrowseClick(miBrowseOnline); });
}

void TFormExplore::popExplorePopup() {
    const bool selected = lvExplore->selectionModel()->hasSelection();
    const bool marking = selected && MarkingAllowed();
    for (QMenu* menu : {miMarkDownload, miMarkUpdate, miMarkMapping, miUnmark})
        menu->menuAction()->setEnabled(marking);
    miBrowse->menuAction()->setEnabled(selected);
}

bool TFormExplore::MarkingAllowed() const {
    const auto task = model_->Task();
    return task && !refreshing_ && !task->IsRunning();
}

// ---- the list ----

void TFormExplore::RefreshList() {
    // OpenQueue lets the main loop run; a refresh asked for meanwhile runs when this one is done.
    if (refreshing_) {
        refresh_again_ = true;
        return;
    }
    const QPointer<TFormExplore> alive(this);
    do {
        refresh_again_ = false;
        const std::shared_ptr<TCVTask> task = App ? App->GetCurrentTask() : nullptr;
        if (!task) return;
        refreshing_ = true;
        model_->SetTask(nullptr);
        lvExplore->SetItemCount(0);
        if (task->QueueLineCount() == 0) task->OpenQueue();
        if (!alive) return;
        refreshing_ = false;
        model_->SetTask(task);
        lvExplore->SetItemCount(model_->rowCount());
    } while (refresh_again_);
}

void TFormExplore::UpdateRowCount() {
    if (refreshing_ || !model_->SyncRowCount()) return;
    // A new count resets the list's rows: the selection is put back where rows remain.
    const std::vector<int> selected = SelectedRows();
    const int current = lvExplore->currentIndex().row();
    const int rows = model_->rowCount();
    lvExplore->SetItemCount(rows);
    auto* model = lvExplore->model();
    QItemSelection selection;
    for (std::size_t i = 0; i < selected.size();) {
        std::size_t j = i;
        while (j + 1 < selected.size() && selected[j + 1] == selected[j] + 1) ++j;
        const int last = std::min(selected[j], rows - 1);
        if (selected[i] <= last)
            selection.select(model->index(selected[i], 0), model->index(last, ecColumnCount - 1));
        i = j + 1;
    }
    if (current >= 0 && current < rows)
        lvExplore->selectionModel()->setCurrentIndex(model->index(current, 0), QItemSelectionModel::NoUpdate);
    lvExplore->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TFormExplore::UpdateRows() {
    UpdateRowCount();
    if (!refreshing_) lvExplore->viewport()->update();
}

void TFormExplore::lvExploreData(int item, int sub_item, QString& text) {
    if (refreshing_) return;
    // The queue grew or shrank since the count was set: set it again, but not in the middle of a paint.
    if (!count_sync_queued_ && model_->QueueRows() != model_->rowCount()) {
        count_sync_queued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                count_sync_queued_ = false;
                UpdateRowCount();
            },
            Qt::QueuedConnection);
    }
    text = model_->CellText(item, sub_item + 1);
}

std::vector<int> TFormExplore::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : lvExplore->selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

// ---- marks ----

void TFormExplore::ApplyMark(TCVQItem& item, TCVItemMark mark, TCVItemState state) {
    item.Mark = mark;
    item.SetState(state);
    item.StatusText.clear();
    item.Put();
}

void TFormExplore::SetItemMark(int line, TCVItemMark mark, TCVItemState state) {
    const auto task = model_->Task();
    if (!task) return;
    if (auto item = task->GetQItem(line)) ApplyMark(*item, mark, state);
}

void TFormExplore::MarkRows(bool selected_only, TCVItemMark mark, const std::function<bool(const TCVQItem&)>& take) {
    const std::shared_ptr<TCVTask> task = model_->Task();
    if (!task || !MarkingAllowed()) return;
    // The records are decoded as the queue decodes them; one that cannot be read is left alone
    // rather than rewritten from the Error it reads as, and the command goes on.
    const std::vector<std::string> lines = task->QueueLines();
    const int rows = static_cast<int>(lines.size() / 2);
    const auto visit = [&](int row) {
        if (row < 0 || row >= rows) return;
        TCVQItem item(task.get());
        item.URL = lines[static_cast<std::size_t>(2 * row)];
        if (!item.DecodeRecord(lines[static_cast<std::size_t>(2 * row + 1)]) || !take(item)) return;
        ApplyMark(item, mark, isNone);
    };
    if (selected_only) {
        for (int row : SelectedRows()) visit(row);
    } else {
        for (int row = 0; row < rows; ++row) visit(row);
    }
    lvExplore->viewport()->update();
    SaveMarks(*task);
}

void TFormExplore::SaveMarks(TCVTask& task) {
    if (!task.SaveQueue())
        ShowWarning(this, LangText(msg::ExploreSaveFailed) + QString::fromStdString(task.LastQueueError()));
}

// ---- mouse ----

bool TFormExplore::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvExplore->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        lvExploreMouseDown(mouse->button(), mouse->modifiers(), at.x(), at.y());
    }
    return QWidget::eventFilter(watched, event);
}

bool TFormExplore::OnRowIcon(int x) const {
    const int left = lvExplore->header()->sectionViewportPosition(ecMark) + TExploreDelegate::kImageLeft;
    return x >= left && x < left + TExploreDelegate::kImageSize;
}

void TFormExplore::lvExploreMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    const QModelIndex hit = lvExplore->indexAt(QPoint(x, y));
    if (button == Qt::RightButton) {
        // The popup acts on the row under the mouse, as the list selects it on a right click.
        if (hit.isValid() && !lvExplore->selectionModel()->isRowSelected(hit.row(), {})) {
            lvExplore->selectionModel()->setCurrentIndex(
                hit, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        popExplore->popup(lvExplore->viewport()->mapToGlobal(QPoint(x, y)));
    }
    if (!hit.isValid() || !OnRowIcon(x) || !MarkingAllowed()) return;
    const std::shared_ptr<TCVTask> task = model_->Task();
    const int line = 2 * hit.row();
    const auto item = task->GetQItem(line);
    if (!item || item->State != isNone || item->Mark > mkFetch) return;
    SetItemMark(line, item->Mark == mkSkip ? mkFetch : mkSkip, isNone);
    lvExplore->viewport()->update();
    SaveMarks(*task);
}

// ---- browsing ----

void TFormExplore::BrowseClick(QObject* sender) {
    const std::shared_ptr<TCVTask> task = model_->Task();
    const std::vector<int> rows = SelectedRows();
    if (!task || rows.empty()) return;
    const auto item = task->GetQItem(2 * rows.front());
    if (!item) return;
    if (sender == miBrowseOnline) {
        if (IsWebAddress(item->URL)) LaunchOrTell(this, item->URL);
        return;
    }
    std::string file = item->GetLocalFileName();
    if (!task->IntranetMode) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(task->Destination, error)) {
            ShowInformation(this, LangText(msg::ExploreNoArchive));
            return;
        }
        // The archive holds the file under its path in the capture folder; it is shown from the
        // archive's own browse root, never from a guessed place.
        std::string folder = task->RunFolder();
        if (!folder.empty() && folder.back() != '/') folder += '/';
        const QPointer<TFormExplore> alive(this);
        const std::string root = AppHostInstance().OpenArchiveForBrowsing(task->Destination);
        if (!alive || root.empty()) return;  // the archive window served the main loop meanwhile
        file = !file.empty() && file.rfind(folder, 0) == 0 ? SafeBrowsePath(root, file.substr(folder.size()))
                                                           : std::string();
    }
    if (file.empty()) return;
    // The launcher opens captured pages only; anything else a site sent is shown, never run.
    if (sender == miBrowseOffline && item->IsPage())
        LaunchOrTell(this, file);
    else
        AppHostInstance().ShowBrowserView(file);
}

}  // namespace corvane
