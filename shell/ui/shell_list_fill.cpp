// Filling and sorting the shell list. A file-system folder is read on a worker (the directory and
// every item's attributes); the rows are then filtered, sorted and put in on the main thread a slice
// at a time. The calls stay synchronous for their callers: between slices the event loop turns, so
// timers, paints and the workers' calls to the main thread are served while input waits behind the
// hourglass. A fill begun meanwhile takes over; a list destroyed meanwhile is left alone.

#include <fnmatch.h>

#include <QCoreApplication>
#include <QHeaderView>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "shell/ns/fs_folder.h"
#include "shell/ns/sh_consts.h"
#include "shell/ns/shell_utils.h"
#include "shell/ui/shell_commands.h"
#include "shell/ui/shell_list.h"
#include "widgets/sliced_sort.h"

namespace corvane::shell {

namespace {

using Steady = std::chrono::steady_clock;

constexpr std::uint32_t kFillAttributes = 0xF20B0000;
// The longest the loop waits between two turns while the list works.
constexpr std::chrono::milliseconds kSlice{8};
constexpr std::chrono::milliseconds kWorkerPoll{2};
// Fewer rows sort at once, in less than a slice.
constexpr int kSlicedRows = 2048;
// Items made between two looks at the clock.
constexpr int kCheckEvery = 64;

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The listing a worker hands over.
struct TListingJob {
    std::mutex Lock;
    std::condition_variable Finished;
    bool Done = false;
};

template <class Item>
void ReadListing(IShellFolder* folder, HWND window, std::uint32_t flags, std::vector<Item>& listed) {
    ComPtr<IEnumIDList> items;
    if (Failed(folder->EnumObjects(window, flags, items.ReleaseAndGetAddressOf())) || !items) return;
    for (;;) {
        PItemIDList raw = nullptr;
        std::uint32_t fetched = 0;
        const HRESULT end = items->Next(1, &raw, &fetched);
        UniquePidl item(raw);
        if (end != S_OK) return;
        std::uint32_t attributes = kFillAttributes;
        PCItemIDList one = item.get();
        const bool known = Succeeded(folder->GetAttributesOf(1, &one, &attributes));
        listed.push_back({std::move(item), attributes, known});
    }
}

}  // namespace

// ---- turning the loop

bool TPTCustomShellList::TurnLoop(const QPointer<TPTCustomShellList>& self, int serial) {
    // The tree may move the list meanwhile: that fill takes over.
    const bool loading = std::exchange(loading_, false);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!self) return false;
    loading_ = loading;
    return serial == fillSerial_;
}

void TPTCustomShellList::RefreshIfAsked() {
    if (busy_ == 0 && std::exchange(refreshAsked_, false)) refreshTimer_.start(0);
}

// ---- sorting

int TPTCustomShellList::CompareData(TPTShListData* a, TPTShListData* b) const {
    if (a == nullptr || b == nullptr || !shellFolder_) return 0;
    const HRESULT hr = shellFolder_->CompareIDs(std::abs(sortColumn_) - 1, a->RelIdList(), b->RelIdList());
    if (Failed(hr)) return 0;
    const int order = CompareOrder(hr);
    return sortColumn_ < 0 ? -order : order;
}

void TPTCustomShellList::ShowSortIndicator() {
    header()->setSortIndicator(std::abs(sortColumn_) - 1, sortColumn_ < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TPTCustomShellList::SortItems() {
    ShowSortIndicator();
    // The rows' data side by side, so a comparison reads no model value.
    std::vector<TPTShListData*> rows(static_cast<std::size_t>(Items().Count()));
    for (int row = 0; row < Items().Count(); ++row) rows[static_cast<std::size_t>(row)] = ItemData(row);
    const auto less = [&rows, this](int a, int b) {
        return CompareData(rows[static_cast<std::size_t>(a)], rows[static_cast<std::size_t>(b)]) < 0;
    };
    if (Items().Count() < kSlicedRows || Items().UpdateCount() > 0) {
        Items().Sort(0, true, TAutoSortStyle::assDefault, [&rows, this](int a, int b, int) {
            return CompareData(rows[static_cast<std::size_t>(a)], rows[static_cast<std::size_t>(b)]);
        });
        return;
    }
    // The same order as the sort at once, made a slice per turn of the loop.
    const QPointer<TPTCustomShellList> self(this);
    const int serial = fillSerial_;
    const auto changes = Items().Changes();
    ++busy_;
    TSlicedSort sort(Items().Count(), less);
    // The loop turns at least once, before the first slice.
    do {
        const bool current = TurnLoop(self, serial);
        if (!self) return;
        // Rows changed meanwhile were put in order by whoever changed them.
        if (!current || Items().Changes() != changes) {
            --busy_;
            RefreshIfAsked();
            return;
        }
    } while (!sort.Step(Steady::now() + kSlice));
    Items().ApplyOrder(sort.Order());
    --busy_;
    RefreshIfAsked();
}

// ---- filling

void TPTCustomShellList::Reload() {
    if (dragging_ || Editing()) {
        refreshPending_ = true;
        return;
    }
    WaitCursor cursor;
    refreshTimer_.stop();
    refreshPending_ = false;
    ++reloads_;
    const int serial = ++fillSerial_;
    ClearItems();
    ComPtr<IShellFolder> folder;
    // A folder that cannot be reached lists nothing, without a message.
    if (Failed(GetShellFolder(folder_.Pidl(), folder.ReleaseAndGetAddressOf())) || !folder) {
        shellFolder_.Reset();
        folderList_.reset(CopyPidl(nullptr, folder_.Pidl()));
        return;
    }
    const QPointer<TPTCustomShellList> self(this);
    struct Back {
        const QPointer<TPTCustomShellList>& list;
        ~Back() {
            if (!list) return;
            list->loading_ = false;
            --list->busy_;
            list->RefreshIfAsked();
        }
    } back{self};
    loading_ = true;
    ++busy_;
    PrepareMasks();
    FillList(folder.Get(), folder_.Pidl());
    if (!self || serial != fillSerial_) return;
    CleanupMasks();
    if (HasOption(ptsloDynamicRefresh)) Watch();
}

void TPTCustomShellList::FillList(IShellFolder* folder, PCItemIDList absolute) {
    if (folder == nullptr) return;
    const QPointer<TPTCustomShellList> self(this);
    const int serial = fillSerial_;
    if (Items().ColumnCount() == 0) SetupColumns();
    // The caller's list may go with a fill that takes over.
    const UniquePidl parent(CopyPidl(nullptr, absolute));
    std::vector<TListedItem> listed;
    if (!ListItems(folder, self, serial, listed)) return;
    folder->AddRef();
    shellFolder_ = ComPtr<IShellFolder>::Attach(folder);
    folderList_.reset(CopyPidl(nullptr, parent.get()));
    std::vector<std::unique_ptr<TPTShListData>> kept;
    kept.reserve(listed.size());
    auto sliceEnd = Steady::now() + kSlice;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        if (TPTShListData* made = KeepItem(folder, parent.get(), listed[i])) kept.emplace_back(made);
        if ((i + 1) % kCheckEvery == 0 && Steady::now() >= sliceEnd) {
            if (!TurnLoop(self, serial)) return;
            sliceEnd = Steady::now() + kSlice;
        }
    }
    // Sorted before they become rows: the rows come in once, in their final order.
    const int column = sortColumn_;
    TSlicedSort sort(static_cast<int>(kept.size()), [&kept, this](int a, int b) {
        return CompareData(kept[static_cast<std::size_t>(a)].get(), kept[static_cast<std::size_t>(b)].get()) < 0;
    });
    while (!sort.Step(Steady::now() + kSlice))
        if (!TurnLoop(self, serial)) return;
    Items().BeginUpdate();
    for (int index : sort.Order())
        Items().AddRow({}, QVariant::fromValue<void*>(kept[static_cast<std::size_t>(index)].release()));
    Items().EndUpdate();
    // Sorted by another column meanwhile.
    if (column != sortColumn_) SortItems();
    else ShowSortIndicator();
}

bool TPTCustomShellList::ListItems(IShellFolder* folder, const QPointer<TPTCustomShellList>& self, int serial,
                                   std::vector<TListedItem>& listed) {
    std::uint32_t flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
    if (HasOption(ptsloShowHidden)) flags |= SHCONTF_INCLUDEHIDDEN;
    const HWND window = GetParentFormHandle(this);
    // The other folders hold few items, and they share data with the main thread: read here.
    if (dynamic_cast<FsFolder*>(folder) == nullptr) {
        ReadListing(folder, window, flags, listed);
        return true;
    }
    // The folder is the worker's alone until it is done.
    auto job = std::make_shared<TListingJob>();
    std::vector<TListedItem> read;
    folder->AddRef();
    std::thread worker([job, held = ComPtr<IShellFolder>::Attach(folder), window, flags, &read]() mutable {
        ReadListing(held.Get(), window, flags, read);
        held.Reset();
        const std::lock_guard<std::mutex> lock(job->Lock);
        job->Done = true;
        job->Finished.notify_all();
    });
    bool current = true;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(job->Lock);
            if (job->Finished.wait_for(lock, kWorkerPoll, [&job] { return job->Done; })) break;
        }
        // Once given up, only waits for the worker.
        if (current) current = TurnLoop(self, serial);
    }
    worker.join();
    if (!current) return false;
    listed = std::move(read);
    return true;
}

bool TPTCustomShellList::ReadAgain(ComPtr<IShellFolder>& folder, std::vector<TListedItem>& listed) {
    folder = shellFolder_;
    if (dynamic_cast<FsFolder*>(folder.Get()) != nullptr) {
        // The worker's own; the shown one stays with the rows meanwhile.
        ComPtr<IShellFolder> own;
        if (Failed(GetShellFolder(folderList_.get(), own.ReleaseAndGetAddressOf())) || !own) return true;
        folder = own;
    }
    const QPointer<TPTCustomShellList> self(this);
    ++busy_;
    const bool current = ListItems(folder.Get(), self, fillSerial_, listed);
    if (!self) return false;
    --busy_;
    if (current) shellFolder_ = folder;
    RefreshIfAsked();
    return current;
}

TPTShListData* TPTCustomShellList::KeepItem(IShellFolder* folder, PCItemIDList parentAbs, TListedItem& listed) {
    if (!listed.Known) return nullptr;
    const std::uint32_t attributes = listed.Attributes;
    if (!HasOption(ptsloVirtualFolders) && (attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)) == 0)
        return nullptr;
    // The linked tree shows the folders.
    if (HasOption(ptsloFilesOnly) && tree_ != nullptr && (attributes & SFGAO_FOLDER) != 0 &&
        (attributes & SFGAO_FILESYSTEM) != 0)
        return nullptr;
    if (!FilterItem(folder, parentAbs, listed.Item.get(), attributes)) return nullptr;
    return new TPTShListData(this, std::move(listed.Item), attributes);
}

bool TPTCustomShellList::FilterItem(IShellFolder* folder, PCItemIDList parentAbs, PCItemIDList itemRel,
                                    std::uint32_t attributes) {
    if ((attributes & SFGAO_FOLDER) == 0 && !masks_.empty()) {
        const std::string parsing = GetDisplayName(folder, itemRel, NameKind::ForParsing);
        const std::size_t slash = parsing.rfind('/');
        if (!MatchesMask(slash == std::string::npos ? parsing : parsing.substr(slash + 1))) return false;
    }
    bool allow = true;
    if (OnAddItem) OnAddItem(*this, folder, parentAbs, itemRel, attributes, allow);
    return allow;
}

void TPTCustomShellList::PrepareMasks() {
    masks_.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = fileMask_.find(';', start);
        const std::string mask = Trimmed(fileMask_.substr(start, end == std::string::npos ? end : end - start));
        if (mask == "*" || mask == "*.*") {
            masks_.clear();
            return;
        }
        if (!mask.empty()) masks_.push_back(mask);
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

bool TPTCustomShellList::MatchesMask(const std::string& fileName) {
    if (masks_.empty()) return true;
    for (const std::string& mask : masks_)
        if (::fnmatch(mask.c_str(), fileName.c_str(), FNM_CASEFOLD) == 0) return true;
    return false;
}

void TPTCustomShellList::CleanupMasks() { masks_.clear(); }

}  // namespace corvane::shell
