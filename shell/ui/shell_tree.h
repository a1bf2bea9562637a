#pragma once
// The shell folder tree: one top node for a base folder (the desktop when empty) and below it the
// folders (on request also the files) of the namespace, enumerated when a node is first expanded.
// It keeps its selection in a second locator, turns nodes into paths and paths into selected nodes,
// sorts children in the shell's order, shows the system's icons with overlays, renames in place,
// and follows changes on disk (shell_tree_live.cpp).

#include <QPointer>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "shell/ns/com.h"
#include "shell/ns/data_object.h"
#include "shell/ns/shell_locator.h"
#include "shell/ui/custom_tree_list.h"
#include "shell/ui/shell_menu.h"
#include "shell/ui/shell_timing.h"
#include "shell/ui/shell_tree_data.h"
#include "widgets/tree_rename_trigger.h"

namespace corvane {
class TChangeHandlerThread;
}

namespace corvane::shell {

class TPTCustomShellTree;

// The shell list as the tree sees it.
class IShellListLink {
public:
    virtual ~IShellListLink() = default;
    // The tree hands over its selection locator when linked (null when unlinked).
    virtual void SetSelectionLocator(TPTShellLocator* locator) = 0;
    // The tree's selected folder changed: show it.
    virtual void ShowFolder(PCItemIDList absolute) = 0;
    // Run the list's own pending refresh; the list must not call the tree back.
    virtual void FlushPending() = 0;
    // Whether the tree should also expand the last node of a selection.
    virtual bool WantsLastNodeExpanded() const = 0;
    // The tree drops its link to the list.
    virtual void Unlink(TPTCustomShellTree& tree) = 0;
};

enum TPTShellTreeOption : std::uint16_t {
    ptstoAutoFill = 1u << 0,
    ptstoVirtualFolders = 1u << 1,
    ptstoDesignInteractive = 1u << 2,
    ptstoDefaultKeyHandling = 1u << 3,
    ptstoContextMenus = 1u << 4,
    ptstoDynamicRefresh = 1u << 5,
    ptstoIncludeNonFolders = 1u << 6,
    ptstoOleDrag = 1u << 7,
    ptstoOleDrop = 1u << 8,
    ptstoShowHidden = 1u << 9,
};
using TPTShellTreeOptions = std::uint16_t;
inline constexpr TPTShellTreeOptions kDefaultShellTreeOptions = 955;

class TPTCustomShellTree : public TPTCustomTreeView, public IShellDropSink {
    Q_OBJECT

public:
    explicit TPTCustomShellTree(QWidget* parent = nullptr, ShellTiming timing = {});
    ~TPTCustomShellTree() override;

    using AddItemEvent = std::function<void(TPTCustomShellTree&, IShellFolder* parentFolder, PCItemIDList parentAbs,
                                            PCItemIDList itemRel, std::uint32_t attributes, bool& allowAdd)>;
    using InsertItemEvent = std::function<void(TPTCustomShellTree&, TTreeNode*)>;
    using DeleteItemEvent = std::function<void(TPTCustomShellTree&, TTreeNode*, TPTShTreeData*)>;
    using PopupHintEvent = std::function<void(TPTCustomShellTree&, const std::string&)>;
    using ShCustomDrawEvent = std::function<void(TPTCustomShellTree&, TPTCustomDraw&, TTreeNode*, TPTShTreeData*)>;
    using NotifyEvent = std::function<void(TPTCustomShellTree&)>;
    using EditingEvent = std::function<void(TPTCustomShellTree&, TTreeNode*, bool& allowEdit)>;
    using EditedEvent = std::function<void(TPTCustomShellTree&, TTreeNode*, QString& text)>;
    using ChangeEvent = std::function<void(TPTCustomShellTree&, TTreeNode*)>;
    using ExpandingEvent = std::function<void(TPTCustomShellTree&, TTreeNode*, bool& allowExpansion)>;
    // Setting key to 0 stops the tree's own handling of the key.
    using KeyEvent = std::function<void(TPTCustomShellTree&, int& key, Qt::KeyboardModifiers)>;

    AddItemEvent OnAddItem;
    DeleteItemEvent OnDeleteItem;
    InsertItemEvent OnInsertItem;
    PopupHintEvent OnPopupHint;
    ShCustomDrawEvent OnCustomDrawSh;    // item pre-paint
    ShCustomDrawEvent OnCustomDrawShEx;  // every stage
    NotifyEvent OnFillComplete;
    EditingEvent OnEditing;
    EditedEvent OnEdited;
    ChangeEvent OnChange;
    ExpandingEvent OnExpanding;
    KeyEvent OnKeyDown;
    // A refresh adds new files too (with ptstoIncludeNonFolders), not only new folders: for a tree
    // whose files are what the user works with. Off, new files wait for the next fill.
    bool RefreshAddsFiles = false;

    // The folder of the top node; a change clears the selection and, with ptstoAutoFill, reloads.
    TPTShellLocator& BaseFolder() { return baseFolder_; }
    void SetBaseFolder(const TPTShellLocator* folder);
    // The selected node's absolute list, or the place asked for before the tree was filled.
    TPTShellLocator& SelectionLocator() { return selection_; }
    void SetSelectionLocator(const TPTShellLocator* locator);

    IShellListLink* ShellList() const { return shellList_; }
    // Unlinks the old list; a list that goes away sets null.
    void SetShellList(IShellListLink* list);

    TPTShellTreeOptions Options() const { return options_; }
    void SetOptions(TPTShellTreeOptions options);
    bool HasOption(TPTShellTreeOption option) const { return (options_ & option) != 0; }
    // A read-only tree renames nothing and drops the delete, cut and paste keys and menu items.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    std::string GetSelectedPath();
    // Ignored while the tree changes its nodes; before the first fill the path waits for Reload.
    void SetSelectedPath(const std::string& path);

    void Reload();
    // node null: the top node, filled from folder.
    virtual void FillNode(IShellFolder* folder, TTreeNode* node);
    void SortNode(TTreeNode* node);
    void SelectPidl(PCItemIDList absolute);
    // Selects the ancestor that many levels up (the shell list's "up").
    void SelectAncestor(int levels);
    // Runs a waiting selection sync and refresh now; alsoOthers: the shell list flushes first.
    void FlushPendingChange(bool alsoOthers);
    static TPTShTreeData* GetNodeData(TTreeNode* node);
    int CompareNodes(TTreeNode* a, TTreeNode* b);

    // ---- the live side (shell_tree_live.cpp)

    // Merges every filled folder with its current contents; reselects the selection or the
    // ancestor that replaced it.
    virtual void Refresh();
    // Makes "New Folder" (or a numbered one) in the selected folder and starts editing its name.
    bool CreateNewFolder();
    // A verb of the node's context menu ("delete", "copy", ...); 1 for the top node or a node
    // without shell data. Raises when the item has no context menu.
    HRESULT InvokeVerb(TTreeNode* node, const std::string& verb);
    HRESULT InvokeVerb(TTreeNode* node, int offset);
    // Watches every filled folder anew.
    void WatchDrives();
    // Shows the shell's menu of the node at a viewport point.
    virtual void ShowShellContextMenu(TTreeNode* node, QPoint point);
    // Sends the node's item to the Send To entry of that index (from the last menu shown).
    virtual void SendToCommand(TTreeNode* node, int index);

    // Where the tree reads the time (paced scrolling, the window of its own changes).
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    void SetClock(Clock clock) { clock_ = std::move(clock); }
    // Scrolls one line when point (viewport) lies in an edge band, at most once per pace.
    bool AutoScroll(QPoint point);

    // ---- drag and drop (shell_tree_drag.cpp)

    // Drags the drag node's item (the node whose drag began); the effects its folder allows.
    void BeginOleDrag(bool rightButton);
    std::uint32_t GetDragEffects(TTreeNode* node);
    // The node's item as a data object (null for a node without shell data); the caller releases it.
    IDataObject* NodeDataObject(TTreeNode* node);
    // The drop target's calls, the point in screen co-ordinates.
    HRESULT OleDragEnter(IDataObject* dataObject, std::uint32_t keyState, POINTL point, std::uint32_t* effect);
    HRESULT OleDragOver(std::uint32_t keyState, POINTL point, std::uint32_t* effect);
    HRESULT OleDragLeave();
    HRESULT OleDrop(IDataObject* dataObject, std::uint32_t keyState, POINTL point, std::uint32_t* effect);
    bool Dragging() const { return dragging_; }
    TTreeNode* DropHighlighted() const { return dropHighlight_; }

    // The watch thread, once made; the number of folders watched.
    TChangeHandlerThread* ChangeThread() const { return changeThread_.get(); }
    int WatchCount() const;
    bool RefreshPending() const { return refreshPending_; }
    // A selection sync or a refresh waiting for its pause.
    bool JobWaiting() const { return syncTimer_.isActive() || refreshTimer_.isActive(); }
    bool Editing() const { return editingNode_ != nullptr; }
    // Ends a running label edit as cancelled: the node keeps its name.
    void CancelEdit();
    // Starts renaming: F2, a click on the selected node after a pause, or Rename() from a menu.
    TTreeRenameTrigger& RenameTrigger() { return *renameTrigger_; }
    // What the shell answered to the last in-place rename (S_OK when the name did not change).
    HRESULT RenameResult() const { return renameResult_; }

protected:
    // True when the item goes into the tree; fires OnAddItem.
    virtual bool DoAddItem(IShellFolder* folder, PCItemIDList parentAbs, std::uint32_t attributes,
                           PCItemIDList itemRel);
    // insertAt -1: appended. attach false: made without a parent (the caller adds it).
    HRESULT AddItem(IMalloc* allocator, IShellFolder* folder, PCItemIDList itemRel, TTreeNode* parent,
                    PCItemIDList parentAbs, int insertAt, bool attach, TTreeNode** made);
    bool CanExpand(TTreeNode* node);
    bool CanEdit(TTreeNode* node);
    virtual void Change(TTreeNode* node);
    virtual void KeyDown(int& key, Qt::KeyboardModifiers modifiers, bool& handled);
    void RefreshNode(TTreeNode* node, TTreeNode*& remembered, bool& ok);

    void DeletingNode(TTreeNode* node) override;
    void GetImageIndex(TTreeNode* node) override;
    void GetSelectedIndex(TTreeNode* node) override;
    void GetPopupMenu(TTreeNode* node, QPoint point, QMenu*& menu) override;
    std::unique_ptr<TPTCustomDraw> DoCustomDraw(TNMCustomDraw& notification, std::uint32_t& result) override;
    void DecorateItem(QStyleOptionViewItem& option, const QModelIndex& index) override;

    void startDrag(Qt::DropActions supportedActions) override;
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

    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

    ShellTiming timing_;

private:
    // The hourglass while the tree works.
    struct WaitCursor {
        WaitCursor();
        ~WaitCursor();
        WaitCursor(const WaitCursor&) = delete;
        WaitCursor& operator=(const WaitCursor&) = delete;
    };
    // Raised while the tree changes its nodes itself: selection changes are then not synced.
    class BusyScope {
    public:
        explicit BusyScope(TPTCustomShellTree& tree) : tree_(tree) { ++tree_.busy_; }
        ~BusyScope() { --tree_.busy_; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TPTCustomShellTree& tree_;
    };
    void BaseFolderChanged();
    void SelectionChanged();
    void NodeExpanded(QTreeWidgetItem* item);
    void PopulateNode(TTreeNode* node);
    void SyncSelection(TTreeNode* node);
    TTreeNode* FindChildNode(TTreeNode* node, PCItemIDList item);
    void EditEnd(TTreeNode* node, QString text);
    int InsertPosition(TTreeNode* parent, IShellFolder* folder, PCItemIDList item);

    // Drag and drop.
    // The current node's drag, as a drag of either button starts it.
    void DragCurrentNode(bool rightButton);
    void UpdateDropTarget();
    void DropTargetGone();
    bool ItemDropTarget(TTreeNode* node, ComPtr<IDropTarget>& target);
    void SetDropHighlight(TTreeNode* node);

    // Live side.
    // The item menu of a node with a parent; false without one, raises when the shell refuses it.
    bool ItemContextMenu(TTreeNode* node, ComPtr<IContextMenu>& menu);
    void ChangeMessage(int slot);
    void IgnoreOwnChanges(std::initializer_list<TTreeNode*> nodes);
    void WatchNode(TPTShTreeData* data);
    void UnwatchNode(TPTShTreeData* data);
    void SyncWatches();
    void StopWatching();
    std::chrono::steady_clock::time_point Now() const;

    TPTShellLocator baseFolder_;
    TPTShellLocator selection_;
    QTimer syncTimer_;     // a keyboard selection reaching the shell list
    QTimer refreshTimer_;  // a refresh after folder changes
    IShellListLink* shellList_ = nullptr;
    TPTShellTreeOptions options_ = kDefaultShellTreeOptions;
    bool readOnly_ = false;
    bool immediateSync_ = true;
    int busy_ = 0;
    bool expanding_ = false;
    bool dragging_ = false;
    bool refreshPending_ = false;
    TTreeNode* editingNode_ = nullptr;
    TTreeRenameTrigger* renameTrigger_ = nullptr;  // a child of the tree
    HRESULT renameResult_ = S_OK;
    QPointer<QWidget> committed_;  // the editor whose text was applied, and the one last closed
    QPointer<QWidget> closed_;
    TSysImageList images_;
    TSendToList sendTo_;
    Clock clock_;
    std::chrono::steady_clock::time_point lastScrollTick_{};

    ComPtr<TDropTarget_shtv> dropTarget_;
    ComPtr<IDataObject> dataOver_;
    std::uint32_t keyStateAtEnter_ = 0;
    TTreeNode* dragNode_ = nullptr;
    TTreeNode* dropHighlight_ = nullptr;

    std::unique_ptr<TChangeHandlerThread> changeThread_;
    std::vector<TPTShTreeData*> watchOwners_;  // by slot
    std::vector<int> reportedSlots_;            // changed since the last re-sync
    std::vector<int> ignoredSlots_;             // the tree's own changes
    std::chrono::steady_clock::time_point ignoreUntil_{};
};

// The tree as the windows place it.
class TPTShellTree : public TPTCustomShellTree {
    Q_OBJECT

public:
    explicit TPTShellTree(QWidget* parent = nullptr, ShellTiming timing = {});
};

}  // namespace corvane::shell
