#pragma once
// The bases of the shell tree and the shell list: custom drawing through draw objects handed to the
// application per paint stage, context menus on the item under the mouse or, from the keyboard
// (Shift+F10, the Menu key), on the selection, with a hook that may swap the menu, the view colours,
// and a hook for every tree node that goes. Both draw images from a system image list; the list
// asks its texts and images when it draws them.

#include <QColor>
#include <QMenu>
#include <QPointer>
#include <QTreeView>
#include <QTreeWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "shell/ui/custom_draw.h"
#include "shell/ui/custom_draw_delegate.h"
#include "shell/ui/guarded_handler.h"
#include "shell/ui/sys_image_list.h"
#include "widgets/list_items.h"

namespace corvane::shell {

class TPTCustomTreeView;

class TTreeNode : public QTreeWidgetItem {
public:
    explicit TTreeNode(TPTCustomTreeView* owner);
    // Tells the owner (DeletingNode) while the node and its data are still whole.
    ~TTreeNode() override;
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    TPTCustomTreeView* Owner() const { return owner_; }
    TTreeNode* Parent() const { return static_cast<TTreeNode*>(parent()); }
    int Count() const { return childCount(); }
    TTreeNode* Item(int index) const { return static_cast<TTreeNode*>(child(index)); }
    QString Text() const { return text(0); }
    void SetText(const QString& text) { setText(0, text); }

    void* Data = nullptr;

    int ImageIndex() const { return image_; }
    void SetImageIndex(int index);
    int SelectedIndex() const { return selected_image_; }
    void SetSelectedIndex(int index);
    // kOverlayNone, kOverlayShared or kOverlayLink.
    int OverlayIndex() const { return overlay_; }
    void SetOverlayIndex(int index);
    // Drawn dimmed (cut to the clipboard, or ghosted).
    bool Cut() const { return cut_; }
    void SetCut(bool cut);
    // The expand button, before the children are there.
    bool HasChildren() const;
    void SetHasChildren(bool has);

private:
    friend class TPTCustomTreeView;
    TPTCustomTreeView* owner_;
    int image_ = -1;
    int selected_image_ = -1;
    int overlay_ = kOverlayNone;
    bool cut_ = false;
};

// What the two bases share: the colours and the custom-draw protocol around a paint.
class TPTViewCommon {
public:
    explicit TPTViewCommon(QAbstractItemView& view) : view_(view) {}

    void SetImages(const TSysImageList* images);
    const TSysImageList* Images() const { return images_; }
    // The control's own menu (not owned), shown where no hook chose another.
    QMenu* PopupMenu() const { return popup_.data(); }
    void SetPopupMenu(QMenu* menu) { popup_ = menu; }
    // Background (palette Base) and text colour (palette Text); an invalid colour is clNone, the
    // palette's default.
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    QColor FontColor() const { return font_color_; }
    void SetFontColor(const QColor& color);

private:
    void ApplyColor(QPalette::ColorRole role, const QColor& color);

    QAbstractItemView& view_;
    const TSysImageList* images_ = nullptr;
    QPointer<QMenu> popup_;
    QColor color_;
    QColor font_color_;
};

struct TPTCustomDrawFrame {
    using Dispatch = std::function<std::unique_ptr<TPTCustomDraw>(std::uint32_t& result)>;
    using Create = std::function<std::unique_ptr<TPTCustomDraw>()>;
    using Fire = std::function<void(TPTCustomDraw& draw, bool ex)>;

    // Pre-paint, the view's own paint, post-paint when asked for; the pre-paint result.
    std::uint32_t Paint(QAbstractItemView& view, ICustomDrawHost& host, const std::function<void()>& paint);
    // One notification: the previous draw object goes, the dispatch makes the next.
    std::uint32_t Notify(QObject* owner, const Dispatch& dispatch);
    // The Ex event at every stage, the plain one at item pre-paint, then Apply.
    static std::unique_ptr<TPTCustomDraw> FireEvents(std::uint32_t stage, bool hasEx, bool hasPlain,
                                                     const Create& create, const Fire& fire);
    // An item's image as the views draw it.
    static void Decorate(QStyleOptionViewItem& option, const TSysImageList& images, int image, int overlay,
                         bool cut);
    bool ItemDrawRequested() const { return (prepaint_result & CDRF_NOTIFYITEMDRAW) != 0; }

    std::unique_ptr<TPTCustomDraw> draw;
    std::uint32_t prepaint_result = 0;
};

class TPTCustomTreeView : public QTreeWidget, public TPTViewCommon, protected ICustomDrawHost {
    Q_OBJECT

public:
    explicit TPTCustomTreeView(QWidget* parent = nullptr);
    ~TPTCustomTreeView() override;

    using PopupMenuEvent = std::function<void(TPTCustomTreeView&, TTreeNode*, QPoint, QMenu*&)>;
    using CustomDrawEvent = std::function<void(TPTCustomTreeView&, TPTCustomDraw&, TTreeNode*)>;
    using NodeEvent = std::function<void(TPTCustomTreeView&, TTreeNode*)>;
    PopupMenuEvent OnGetPopupMenu;
    CustomDrawEvent OnTvCustomDraw;    // item pre-paint only
    CustomDrawEvent OnTvCustomDrawEx;  // every stage
    NodeEvent OnGetImageIndex;
    NodeEvent OnGetSelectedIndex;

    // Nodes.
    TTreeNode* AddChild(TTreeNode* parent, const QString& text, void* nodeData = nullptr);
    void Clear();
    int TopCount() const { return topLevelItemCount(); }
    TTreeNode* TopItem(int index) const { return static_cast<TTreeNode*>(topLevelItem(index)); }
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    // In viewport (client) co-ordinates; null on empty space.
    TTreeNode* NodeAt(QPoint point) const;
    QRect DisplayRect(TTreeNode* node, bool textOnly) const;


    // The draw object of the last notification (null before any); valid until the next one.
    TPTCustomDraw* CustomDraw() const { return frame_.draw.get(); }
    // One notification through the dispatch: frees the previous draw object, runs DoCustomDraw.
    std::uint32_t CustomDrawNotify(TNMCustomDraw& notification) override;

protected:
    virtual std::unique_ptr<TPTCustomDraw> CreateCustomDraw(TNMCustomDraw& notification, std::uint32_t& result);
    virtual std::unique_ptr<TPTCustomDraw> DoCustomDraw(TNMCustomDraw& notification, std::uint32_t& result);
    // Called for every node that goes (also by Clear and the destructor), before its data does.
    virtual void DeletingNode(TTreeNode* node);
    virtual void GetPopupMenu(TTreeNode* node, QPoint point, QMenu*& menu);
    // point: viewport co-ordinates.
    virtual void ContextMenu(TTreeNode* node, QPoint point);
    virtual void ContextMenuAtSelection();
    // The image indexes, asked when a node is drawn.
    virtual void GetImageIndex(TTreeNode* node);
    virtual void GetSelectedIndex(TTreeNode* node);
    // Shows a menu at a point of the viewport.
    virtual void ShowPopup(QMenu& menu, QPoint globalPoint);

    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    bool ItemDrawRequested() const override;
    void DecorateItem(QStyleOptionViewItem& option, const QModelIndex& index) override;

private:
    friend class TTreeNode;
    void NodeGoing(TTreeNode* node);
    QStyleOptionViewItem BaseOption() const;

    TPTCustomDrawDelegate* delegate_;
    TPTCustomDrawFrame frame_;
};

class TPTCustomListView : public QTreeView, public TPTViewCommon, protected ICustomDrawHost {
    Q_OBJECT

public:
    explicit TPTCustomListView(QWidget* parent = nullptr);
    ~TPTCustomListView() override;

    // item: a row of Items(), -1 for none.
    using PopupMenuEvent = std::function<void(TPTCustomListView&, int, QPoint, QMenu*&)>;
    using CustomDrawEvent = std::function<void(TPTCustomListView&, TPTCustomDraw&, int)>;
    PopupMenuEvent OnGetPopupMenu;
    CustomDrawEvent OnLvCustomDraw;
    CustomDrawEvent OnLvCustomDrawEx;

    TListItems& Items() { return items_; }
    const TListItems& Items() const { return items_; }
    // The first selected row, the row with the focus, and how many are selected (-1 for none).
    int Selected() const;
    int ItemFocused() const;
    int SelCount() const;
    int ItemAt(QPoint point) const;
    QRect DisplayRect(int row, bool textOnly) const;


    // Set when a drag of items began; the owner clears it.
    bool DragBegan() const { return drag_began_; }
    void SetDragBegan(bool began) { drag_began_ = began; }

    TPTCustomDraw* CustomDraw() const { return frame_.draw.get(); }
    std::uint32_t CustomDrawNotify(TNMCustomDraw& notification) override;

protected:
    // A cell's text and image, asked when it is drawn.
    virtual QString GetItemText(int row, int column);
    virtual int GetItemImage(int row, int column);

    virtual std::unique_ptr<TPTCustomDraw> CreateCustomDraw(TNMCustomDraw& notification, std::uint32_t& result);
    virtual std::unique_ptr<TPTCustomDraw> DoCustomDraw(TNMCustomDraw& notification, std::uint32_t& result);
    virtual void GetPopupMenu(int item, QPoint point, QMenu*& menu);
    virtual void ContextMenu(int item, QPoint point);
    virtual void ContextMenuAtFocus();
    virtual void ShowPopup(QMenu& menu, QPoint globalPoint);

    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions actions) override;

    bool ItemDrawRequested() const override;
    void DecorateItem(QStyleOptionViewItem& option, const QModelIndex& index) override;

private:
    QStyleOptionViewItem BaseOption() const;

    TListItems items_;
    TPTCustomDrawDelegate* delegate_;
    TPTCustomDrawFrame frame_;
    bool drag_began_ = false;
};

// The keys that open the context menu at the selection: the Menu key alone, Shift+F10.
bool IsContextMenuKey(const QKeyEvent& event);

}  // namespace corvane::shell
