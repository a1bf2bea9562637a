#pragma once
// The archive window: every open archive as a tree of archive, folder and entry nodes, the entries
// of the selected archive or folder in a list, and the archive's HTML pages on a second tab. Every
// change of an archive goes through the one zip component Zip on the main thread; listing and
// extraction for browsing run on workers and reach the window in slices. The window is never
// destroyed inside one of its own operations or slices (their callbacks let the main loop run):
// Release waits for their end.

#include <QPointer>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "archive/xceed_zip.h"
#include "archive/zip_result.h"
#include "archive/zip_tree.h"
#include "shell/ui/sys_image_list.h"

class QTabWidget;
class QTimer;
class QTreeView;

namespace corvane {

class TExtListView;
class TKMLang;
class TZipExtractJob;
class TZipListJob;
class TZipPagesModel;
class TZipTreeModel;

// ListingMode values.
enum : std::uint8_t { kListNone = 0, kListWhole = 1, kListFolder = 2, kListPages = 4 };
// Operation values.
enum : std::uint8_t { kOpIdle = 0, kOpOpening = 1, kOpAdding = 2, kOpUpdating = 3, kOpExtracting = 5 };

class TFormZip : public QWidget {
    Q_OBJECT

public:
    explicit TFormZip(QWidget* parent = nullptr);
    ~TFormZip() override;

    // Controls.
    TExtListView* lvZip;
    QTabWidget* pcZips;
    QWidget* tsZips;
    QTreeView* tvZip;
    QWidget* tsPages;
    QTreeView* tvPages;
    // The system's small icons, which GetIconIndex indexes.
    shell::TSysImageList ilSmallIcons{0};

private:
    TXceedZipPtr zip_;

public:
    TXceedZip& Zip;

    // Fields.
    std::uint8_t Action = 0;  // the wizard's add mode
    std::unordered_map<std::string, int> IconCache;  // lower-case extension -> system image index
    std::uint64_t ListedCount = 0, ListTotal = 0, SizeSum = 0, PackedSum = 0;
    TXcdFileComment AddingFile;  // the capture's entry being added: local name and title
    bool UserAddMode = false;
    std::uint8_t ListingMode = kListNone;
    std::uint8_t Operation = kOpIdle;
    bool CaptureAdd = false;
    // The folder the capture's files lie in ('' : the program's temporary capture folder).
    std::string CaptureFolder;

    // Operations.
    TZipNodeId OpenZip(const std::string& fileName);
    TZipNodeId NewZip(const std::string& fileName);
    void CloseZip();
    // Closes an archive the program opened for a run that never wrote it: the browser keeps its page
    // and the run's last status stays on the status line.
    void CloseUnwrittenZip(TZipNodeId archive);
    bool RenameZip(TZipNodeId node, const std::string& newName);
    void AddQueuedFile(const std::string& fileName);
    // Outcome of the last add (0 success, 1 warning, 2 failure).
    int AddFiles(const std::vector<std::string>& files, int mode = 0);
    // Files the user chose (File Zip wizard), added to the selected archive from where they lie, once
    // its listing has ended. A file that could not be added is reported.
    int AddChosenFiles(const std::vector<std::string>& files, int mode);
    // Deletes these entries of the selected archive in one call.
    void DeleteFiles(const std::vector<std::string>& names);
    // Extracts the entries into folder; without use_paths every file lands in folder itself.
    void ExtractFile(const std::string& folder, const std::vector<std::string>& names, TXcdOverwrite overwrite,
                     bool use_paths = true);
    void ExtractForBrowse();
    std::string GetNodePath(TZipNodeId node) const;
    void ListFolder();
    void ListPages();
    // Lists the archive's pages and the selected folder again when that archive is the one shown.
    void ListAgain(TZipNodeId archive);
    int ReportZipResult(int code, const std::string& verb);
    void RunZipWizard(const std::vector<std::string>& files = {});
    void BrowseSelected();
    int GetIconIndex(const std::string& name);

    // For the main window's commands.
    bool ArchiveBusy() const;
    bool IsFolderNode(TZipNodeId node) const;
    // The raw names a delete or extraction of these nodes sends, each once.
    std::vector<std::string> EntryNamesOf(const std::vector<TZipNodeId>& nodes) const;
    // Whether the tree or the list is its window's focus widget: it stays so while a menu or dialog
    // has the keyboard, or the window is not active.
    bool TreeFocused() const;
    bool ListFocused() const;
    // The selection: the list's selected rows when it has the focus, else the tree's node.
    std::vector<TZipNodeId> Selection() const;
    // The archive's first page as the Pages tab lists it (a capture's start page), or 0.
    TZipNodeId FirstPage(TZipNodeId archive) const;
    // Extracts one entry into its archive's browse root; its safe path, or '' when it may not be shown.
    std::string BrowseFileFor(TZipNodeId entry);
    // Opens the archive, extracts it once (serving the loop meanwhile); the browse root or ''.
    std::string OpenForBrowsing(const std::string& zipFile);
    const TZipResult& LastResult() const { return last_; }
    // Serves the loop until no listing runs or waits.
    void WaitForListing();

    TZipTree& Tree() { return tree_; }
    TZipTreeModel& TreeModel() { return *treeModel_; }
    TZipPagesModel& PagesModel() { return *pagesModel_; }
    TZipNodeId Selected() const;
    // Selects node; with held, the window's own selection handling does not run.
    void SelectNode(TZipNodeId node, bool held = false);
    // Selects the archive's top node and shows that archive: Zip, the list and the Pages tab follow
    // (after a listing under way). Whatever shows an archive selects it through here.
    void ShowArchive(TZipNodeId archive);
    std::string CurrentZipFileName() const { return Zip.ZipFileName; }
    // Destroys the window now, or once its running operation or slice has ended.
    void Release();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TFormZipScope;
    // A listing under way, taken in slices.
    struct Listing {
        std::uint8_t Mode = 0;
        TZipNodeId Archive = 0;
        std::shared_ptr<TZipListJob> Job;
        bool Whole = false;             // the job's records make the archive's nodes
        std::vector<TZipNodeId> Rows;   // tree nodes still to list (folder) or to look at (pages)
        std::size_t Next = 0;
        std::function<void()> Done;
    };

    void BindEvents();
    // The status line, at most once per 100 ms unless forced.
    void Status(const std::string& text, int position = 0, int maximum = 0, bool force = false);
    // The listing's lines: they do not replace a run's failure on the status line.
    void ListingStatus(const std::string& text, int position = 0, int maximum = 0, bool force = true);
    // Whether a line may go out now: lines closer than the status interval are dropped unless forced.
    bool StatusDue(bool force);
    // An operation's first progress event always shows.
    void NewProgress() { lastStatus_ = {}; }
    bool AllowSelection(const QModelIndex& next) const;
    void SelectionChanged(TZipNodeId node);
    // Zip, the Pages tab and the list follow the node selected.
    void ShowSelected(TZipNodeId node);
    // The top node of a new archive, selected without being shown (its listing shows it).
    TZipNodeId AddArchiveNode(const std::string& fileName);
    void PageSelected(int row);
    bool CanRename(TZipNodeId node) const;
    bool RunningCaptureArchive(const std::string& zipFile) const;
    TZipNodeId SelectedArchive() const;

    // Listing in slices (form_zip_listing.cpp).
    void StartListing(std::unique_ptr<Listing> listing);
    void RunSlice();
    void FinishListing();
    void AddListRow(TZipNodeId node);
    void ShowTotals();
    void ShowSelectionLine();
    // The list's images follow the system image list as it grows.
    void UpdateListImages();
    void QueueListing(std::function<void()> start);
    void RefreshAfterAdd(TZipNodeId archive, const std::vector<std::string>& names);
    void BrowseJobEnded();

    // Adding (form_zip_ops.cpp).
    int AddAndPlace(TZipNodeId archive, int mode, const std::string& comment);
    std::string BrowseRoot(TZipNodeId archive) const;
    // A capture's archive is browsed in the capture folder only while that capture runs: once its
    // files are zipped they leave the folder, and the archive is extracted into a root of its own.
    void LeaveEndedCaptureFolder(TZipNodeId node);
    void WaitWhile(const std::function<bool()>& busy);

    TZipTree tree_;
    TZipTreeModel* treeModel_;
    TZipPagesModel* pagesModel_;
    TKMLang* translator_;
    QTimer* sliceTimer_;
    std::unique_ptr<Listing> listing_;
    std::deque<std::function<void()>> queued_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    // Entry nodes added since the archive was listed: their sizes come from an exact listing.
    std::unordered_set<TZipNodeId> unlisted_;
    // What a browse extraction of a whole archive sends, gathered while the archive is listed (a
    // long archive's names are not walked on the main thread at once); dropped by any change. A
    // name listed twice is sent once: the tree's entries tell the first listing of a name.
    struct BrowseNames {
        std::vector<std::string> Names;
        std::uint64_t Size = 0;
    };
    std::unordered_map<TZipNodeId, BrowseNames> browseNames_;
    // Extraction for browsing.
    std::shared_ptr<TZipExtractJob> browseJob_;
    TZipNodeId browseArchive_ = 0;
    TZipNodeId browseSelection_ = 0;
    QTimer* browseTimer_;
    // Names the add library reported for the add under way.
    std::vector<std::string> addedNames_;
    TZipNodeId pagesArchive_ = 0;  // whose pages the Pages tab shows
    bool selectionHeld_ = false;
    int boxes_ = 0;                 // result boxes open
    int depth_ = 0;                 // operations and slices under way
    bool releasePending_ = false;
    std::chrono::steady_clock::time_point lastStatus_{};
    TZipResult last_;
};

// Counts an operation or slice of the window under way; the last to end carries out a pending
// release.
class TFormZipScope {
public:
    explicit TFormZipScope(TFormZip& form);
    ~TFormZipScope();
    TFormZipScope(const TFormZipScope&) = delete;
    TFormZipScope& operator=(const TFormZipScope&) = delete;

private:
    TFormZip& form_;
};

}  // namespace corvane
