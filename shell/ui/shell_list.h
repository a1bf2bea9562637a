#pragma once
// The shell list: the items of one shell folder in the columns Name, Size, Type and Modified, with
// the system's icons. It follows a linked shell tree and moves the tree when the user opens a folder;
// it opens, renames, deletes, copies and drags its items, and follows changes on disk
// (shell_list_live.cpp, shell_list_drag.cpp). Texts, details and icons are read when a row is drawn.
// A fill or sort of a large folder lets the event loop turn between its slices (shell_list_fill.cpp).

#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/ns/com.h"
#include "shell/ns/list_items.h"
#include "shell/ns/shell_locator.h"
#include "shell/ui/custom_tree_list.h"
#include "shell/ui/shell_list_data.h"
#include "shell/ui/shell_menu.h"
#include "shell/ui/shell_timing.h"
#include "shell/ui/shell_tree.h"



namespace corvane {
class TChangeHandlerThread;
}

namespace corvane::shell {

enum TPTShellListOption : std::uint16_t {
    ptsloAutoFill = 1u << 0,
    ptsloVirtualFolders = 1u << 1,
    ptsloDesignInteractive = 1u << 2,
    ptsloDefaultKeyHandling = 1u << 3,
    ptsloContextMenus = 1u << 4,
    ptsloNoNavigation = 1u << 5,
    ptsloDynamicRefresh = 1u << 7,
    ptsloFilesOnly = 1u << 8,
    ptsloOleDrag = 1u << 9,
    ptsloOleDrop = 1u << 10,
    ptsloShowHidden = 1u << 12,
};
using TPTShellListOptions = std::uint16_t;
// Bit 11 is set as well; nothing reads it.
inline constexpr TPTShellListOptions kDefaultShellListOptions = 7835;

class TPTCustomShellList : public TPTCustomListView, public IShellListLink, public IShellDropSink {
    Q_OBJECT

public:
    explicit TPTCustomShellList(QWidget* parent = nullptr, ShellTiming timing = {});
    ~TPTCustomShellList() override;

    using AddItemEvent = std::function<void(TPTCustomShellList&, IShellFolder* folder, PCItemIDList parentAbs,
                                            PCItemIDList itemRel, std::uint32_t attributes, bool& allowAdd)>;
    // Fired before the row's data goes.
    using DeleteItemEvent = std::function<void(TPTCustomShellList&, int row, TPTShListData*)>;
    // Handled starts false; true stops the item's default command.
    using ExecuteItemEvent = std::function<void(TPTCustomShellList&, int row, bool& handled)>;
    using ShCustomDrawEvent = std::function<void(TPTCustomShellList&, TPTCustomDraw&, int row, TPTShListData*)>;
    using NotifyEvent = std::function<void(TPTCustomShellList&)>;

    AddItemEvent OnAddItem;
    DeleteItemEvent OnDeleteItem;
    ExecuteItemEvent OnExecuteItem;
    ShCustomDrawEvent OnCustomDrawSh;    // item pre-paint
    ShCustomDrawEvent OnCustomDrawShEx;  // every stage
    NotifyEvent OnFolderChanged;         // after the shown folder changed and the list reloaded

    // The folder shown; a change reloads the list.
    TPTShellLocator& Folder() { return folder_; }
    void SetFolder(const TPTShellLocator* folder) { folder_.Assign(folder); }

    TPTShellListOptions Options() const { return options_; }
    void SetOptions(TPTShellListOptions options);
    bool HasOption(TPTShellListOption option) const { return (options_ & option) != 0; }

    // Links the tree both ways (null unlinks).
    TPTCustomShellTree* ShellTree() const { return tree_; }
    void SetShellTree(TPTCustomShellTree* tree);

    // Patterns separated by ";"; "*" and "*.*" show everything. Folders always pass.
    const std::string& FileMask() const { return fileMask_; }
    void SetFileMask(const std::string& mask) { fileMask_ = mask; }

    // Column index + 1; negative sorts descending. Sorts at once.
    int SortColumn() const { return sortColumn_; }
    void SetSortColumn(int column);

    // The shown folder and its absolute list (null before the first fill).
    IShellFolder* ShellFolder() const { return shellFolder_.Get(); }
    PCItemIDList FolderIdList() const { return folderList_.get(); }
    // Null for a row without shell data.
    TPTShListData* ItemData(int row) const;

    virtual void FillList(IShellFolder* folder, PCItemIDList absolute);
    void Reload();
    // Merges the rows with the folder's current contents; the selection stays.
    virtual void Refresh();
    void Up(int levels);
    void OpenSelected();
    void OpenItem(int row);
    void Navigate(PCItemIDList absolute);
    // alsoTree: the linked tree's waiting selection sync runs first.
    void Flush(bool alsoTree);

    void ShowShellContextMenu(QPoint point);
    void SendToCommand(int index);
    // Starts the caption editor of the row.
    void EditCaption(int row);
    bool Editing() const { return editData_ != nullptr; }
    QLineEdit* Editor() const { return editor_.data(); }

    // Drag and drop (shell_list_drag.cpp).
    std::uint32_t GetDragEffects();
    void BeginOleDrag(bool rightButton);
    HRESULT OleDragEnter(IDataObject* dataObject, std::uint32_t keyState, POINTL point, std::uint32_t* effect);
    HRESULT OleDragOver(std::uint32_t keyState, POINTL point, std::uint32_t* effect);
    HRESULT OleDragLeave();
    HRESULT OleDrop(IDataObject* dataObject, std::uint32_t keyState, POINTL point, std::uint32_t* effect);
    bool Dragging() const { return dragging_; }
    int DropHighlighted() const { return dropHighlight_; }
    bool RefreshPending() const { return refreshPending_; }
    bool RefreshWaiting() const { return refreshTimer_.isActive(); }
    // Whether the last drag-over scrolled.
    bool Scrolled() const { return scrolled_; }

    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    void SetClock(Clock clock) { clock_ = std::move(clock); }
    TChangeHandlerThread* ChangeThread() const { return changeThread_.get(); }

    // The widths a list leaves to the next one; tests start from the defaults.
    static void ForgetColumnWidths();

    // IShellListLink
    void SetSelectionLocator(TPTShellLocator* locator) override;
    void ShowFolder(PCItemIDList absolute) override;
    void FlushPending() override;
    bool WantsLastNodeExpanded() const override { return HasOption(ptsloFilesOnly); }
    void Unlink(TPTCustomShellTree& tree) override;

protected:
    // The add-item event and the masks; true keeps the item.
    virtual bool FilterItem(IShellFolder* folder, PCItemIDList parentAbs, PCItemIDList itemRel,
                            std::uint32_t attributes);
    virtual void PrepareMasks();
    virtual bool MatchesMask(const std::string& fileName);
    virtual void CleanupMasks();

    QString GetItemText(int row, int column) override;
    int GetItemImage(int row, int column) override;
    void DecorateItem(QStyleOptionViewItem& option, const QModelIndex& index) override;
    std::unique_ptr<TPTCustomDraw> DoCustomDraw(TNMCustomDraw& notification, std::uint32_t& result) override;
    void GetPopupMenu(int item, QPoint point, QMenu*& menu) override;

    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void startDrag(Qt::DropActions actions) override;

    HRESULT DragEnter(IDataObject* dataObject, std::uint32_t keyState, POINTL point, std::uint32_t* effect) override {
        return OleDragEnter(dataObject, keyState, point, effect);
    }
    HRESULT DragOver(std::uint32_t keyState, POINTL point, std::uint32_t* effect) override {
        return OleDragOver(keyState, point, effect);
    }
    HRESULT DragLeave() override { return OleDragLeave(); }
    HRESULT Drop(IDataObject* dataObject, std::uint32_t keyState, POINTL point, std::uint32_t* effect) override {
        return OleDrop(dataObject, keyState, point, effect);
    }

    ShellTiming timing_;

private:
    struct WaitCursor {
        WaitCursor();
        ~WaitCursor();
        WaitCursor(const WaitCursor&) = delete;
        WaitCursor& operator=(const WaitCursor&) = delete;
    };

    void SetupColumns();
    void FolderChanged();
    void HeaderClicked(int section);
    void SortItems();
    void ShowSortIndicator();
    int CompareData(TPTShListData* a, TPTShListData* b) const;
    // An item as the folder's listing gave it, with its attributes (unknown when they failed).
    struct TListedItem {
        UniquePidl Item;
        std::uint32_t Attributes = 0;
        bool Known = false;
    };
    // The items of the folder and their attributes; a file-system folder is read on a worker while
    // the loop turns. False when the list went away or a newer fill began meanwhile.
    bool ListItems(IShellFolder* folder, const QPointer<TPTCustomShellList>& self, int serial,
                   std::vector<TListedItem>& listed);
    // Lets the event loop turn between slices of a fill or sort; input waits behind the hourglass.
    // False when the list went away or a newer fill began meanwhile.
    bool TurnLoop(const QPointer<TPTCustomShellList>& self, int serial);
    // A refresh asked for while a fill or sort was under way runs after it.
    void RefreshIfAsked();
    // The shown folder read again for a merge, by a folder object of its own that becomes the shown
    // one. False when the list went away or a fill began meanwhile.
    bool ReadAgain(ComPtr<IShellFolder>& folder, std::vector<TListedItem>& listed);
    // A new row's data, or null when the options, the masks or the add-item event leave it out.
    TPTShListData* KeepItem(IShellFolder* folder, PCItemIDList parentAbs, TListedItem& listed);
    void DeleteRow(int row);
    void ClearItems();
    // The rows with shell data in list order, and their items.
    std::vector<int> SelectedDataRows() const;
    std::vector<PCItemIDList> SelectedItems() const;
    void RunDefaultCommand(const std::vector<PCItemIDList>& items);
    HRESULT InvokeVerbOnSelection(const std::string& verb);
    HRESULT PasteIntoFolder();
    void EndEdit(bool commit);

    // Live side.
    void Watch();
    void ChangeMessage();

    // Drag and drop.
    // The selection's drag, as a drag of either button starts it.
    void DragSelection(bool rightButton);
    void UpdateDropTarget();
    void DropTargetGone();
    bool ItemDropTarget(int row, ComPtr<IDropTarget>& target);
    bool FolderDropTarget(ComPtr<IDropTarget>& target);
    void SetDropHighlight(int row);
    bool AutoScroll(QPoint point);
    std::chrono::steady_clock::time_point Now() const;

    TPTShellLocator folder_;
    TPTShellLocator* treeLocator_ = nullptr;
    TPTCustomShellTree* tree_ = nullptr;
    QTimer refreshTimer_;
    TPTShellListOptions options_ = kDefaultShellListOptions;
    std::string fileMask_ = "*";
    std::vector<std::string> masks_;
    int sortColumn_ = 1;
    ComPtr<IShellFolder> shellFolder_;
    UniquePidl folderList_;
    bool fromTree_ = false;
    bool loading_ = false;
    int reloads_ = 0;
    int fillSerial_ = 0;    // one more with each fill: an older fill that sees it change gives up
    int busy_ = 0;          // fills and sorts under way
    bool refreshAsked_ = false;
    bool ignoreNextChange_ = false;
    bool dragging_ = false;
    bool refreshPending_ = false;
    bool scrolled_ = false;
    TSysImageList images_;
    TSendToList sendTo_;
    Clock clock_;

    QPointer<QLineEdit> editor_;
    TPTShListData* editData_ = nullptr;

    std::unique_ptr<TChangeHandlerThread> changeThread_;
    int watchSlot_ = -1;

    ComPtr<TDropTarget_shlv> dropTarget_;
    ComPtr<IDataObject> dragData_;
    ComPtr<IDataObject> dataOver_;
    std::uint32_t keyStateAtEnter_ = 0;
    int dropHighlight_ = -1;
    std::chrono::steady_clock::time_point lastScrollTick_{};
};

// The list as a window places it.
class TPTShellList : public TPTCustomShellList {
    Q_OBJECT

public:
    explicit TPTShellList(QWidget* parent = nullptr, ShellTiming timing = {});
};

}  // namespace corvane::shell
