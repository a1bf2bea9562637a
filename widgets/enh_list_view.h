#pragma once
// A report-style list that sorts itself by the clicked column (dates, then numbers, then text),
// defers sorting inside counted update brackets, draws its rows and header items through events,
// shows sort arrows and keeps column widths and the current sort in the registry.

#include <QHeaderView>
#include <QPixmap>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

#include "widgets/list_items.h"

class QPainter;

namespace corvane {

class RegistryStore;
class TCustomEnhListView;

enum class TLVStyle { lvStandard, lvOwnerDrawFixed };
enum class TAutoColumnSort { acsNoSort, acsSort, acsSortToggle };

struct TOwnerDrawState {
    bool Selected = false;
    bool Focused = false;
};

struct TEnhLVSaveSettings {
    bool AutoSave = false;
    std::string RegistryKey;
    bool SaveColumnSizes = true;
    bool SaveCurrentSort = true;
};

// The header of the list: its items are drawn by the list when arrows, header images or
// OnDrawHeader ask for it.
class TEnhHeaderView : public QHeaderView {
    Q_OBJECT

public:
    explicit TEnhHeaderView(TCustomEnhListView& owner);
    int PressedSection() const { return pressed_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logical) const override;

private:
    TCustomEnhListView& owner_;
    int pressed_ = -1;
};

class TCustomEnhListView : public QTreeView {
    Q_OBJECT

public:
    static constexpr int kTextMargin = 4;
    static constexpr int kImageOffset = 2;

    explicit TCustomEnhListView(QWidget* parent = nullptr);
    ~TCustomEnhListView() override;

    TListItems& Items() { return items_; }
    const TListItems& Items() const { return items_; }
    int AddColumn(const QString& caption, int width, Qt::Alignment alignment = Qt::AlignLeft);
    int ColumnCount() const { return items_.ColumnCount(); }

    // The small images of the rows (and, in the extended list, of the header items).
    void SetSmallImages(const std::vector<QPixmap>& images);
    const std::vector<QPixmap>& SmallImages() const { return small_images_; }

    TLVStyle Style() const { return style_; }
    void SetStyle(TLVStyle style);
    TAutoColumnSort AutoColumnSort() const { return auto_column_sort_; }
    void SetAutoColumnSort(TAutoColumnSort value);
    TAutoSortStyle AutoSortStyle() const { return auto_sort_style_; }
    void SetAutoSortStyle(TAutoSortStyle value);
    bool AutoResort() const { return auto_resort_; }
    void SetAutoResort(bool value) { auto_resort_ = value; }
    bool AutoSortAscending() const { return auto_sort_ascending_; }
    void SetAutoSortAscending(bool value);
    bool CurrentSortAscending() const { return ascending_; }
    void SetCurrentSortAscending(bool value);
    int CurrentSortColumn() const { return sort_column_; }
    void SetCurrentSortColumn(int column);
    bool ShowSortArrows() const { return show_sort_arrows_; }
    void SetShowSortArrows(bool value);
    bool ReverseSortArrows() const { return reverse_sort_arrows_; }
    void SetReverseSortArrows(bool value);
    bool HideSelection() const { return hide_selection_; }
    void SetHideSelection(bool value);
    virtual TEnhLVSaveSettings& SaveSettingsOptions() { return save_settings_; }

    // Sorts by a column in a direction at once; Resort sorts by the current column unless an
    // update bracket is open, in which case the closing of the last one does.
    void SortColumn(int column, bool ascending);
    void Resort();
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return update_count_; }
    // Every column as wide as its header (true) or its contents (false).
    void SizeColumns(bool to_headers);

    void SaveSettings();
    void LoadSettings();
    // The control is ready: nothing sorted before this. Runs once, at the latest when first shown.
    void Loaded();

    // The rectangle of a row's selection highlight in the default drawing (see DrawItem).
    QRect SelectionRect(int row, const QRect& row_rect, bool full_row) const;
    // The pixel side of the sort arrows (0: none).
    int ArrowSide() const;
    // Whether header clicks or OnSortItems sort the rows.
    bool SortsAtAll() const;

    // Events. Columns given to OnSortItems and the drawing events count the caption as -1.
    std::function<void(TCustomEnhListView*, int column, bool ascending)> OnSortBegin;
    std::function<void(TCustomEnhListView*, int column, bool ascending)> OnSortFinished;
    std::function<void(TCustomEnhListView*, int row_a, int row_b, int sort_column, int& result)> OnSortItems;
    std::function<void(TCustomEnhListView*, int& height)> OnMeasureItem;
    std::function<void(TCustomEnhListView*, QPainter& canvas, int index, QRect rect, TOwnerDrawState state,
                       bool& default_drawing, bool& full_row_select)>
        OnDrawItem;
    std::function<void(TCustomEnhListView*, QPainter& canvas, int index, int sub_item, QRect rect,
                       TOwnerDrawState state, bool& default_drawing)>
        OnDrawSubItem;
    std::function<void(TCustomEnhListView*, QPainter& canvas, int index, QRect rect, TOwnerDrawState state)>
        OnAfterDefaultDrawItem;
    std::function<void(TCustomEnhListView*, QPainter& canvas, int column, QRect rect, bool pressed,
                       bool& default_drawing)>
        OnDrawHeader;
    std::function<void(TCustomEnhListView*, int column)> OnColumnClick;
    std::function<void(TCustomEnhListView*, int row)> OnEditCanceled;

    // Whether the list draws its header items itself.
    virtual bool HeaderOwnerDrawn() const;
    void DrawHeaderSection(QPainter& painter, const QRect& rect, int logical) const;

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    // Drawing steps a derived list may replace.
    virtual bool FullRowForDrawing() const { return false; }
    virtual void DefaultDrawItem(QPainter& p, int row, const QRect& rect, bool full_row, TOwnerDrawState state) const;
    virtual void DefaultDrawHeader(QPainter& p, const QRect& rect, int logical, bool pressed) const;
    // Draws the item's background and returns the rectangle its contents go in.
    QRect DrawHeaderFrame(QPainter& p, const QRect& rect, int logical, bool pressed) const;
    bool DrawSubItem(QPainter& p, int row, int sub_item, const QRect& rect, TOwnerDrawState state) const;
    void DrawCellText(QPainter& p, const QString& text, const QRect& rect, Qt::Alignment alignment) const;
    void DrawArrow(QPainter& p, int x, const QRect& item) const;
    void SetItemColours(QPainter& p, TOwnerDrawState state, bool on) const;
    virtual QFont RowFont(int) const { return font(); }
    bool RowSelected(int row) const;
    // The logical column at a display position.
    int ColumnAt(int position) const { return header()->logicalIndex(position); }
    int ImageWidth() const;

    virtual void WriteSettings(RegistryStore& store, const std::string& key);
    virtual void ReadSettings(RegistryStore& store, const std::string& key);
    // Called by the destructor of the most derived list that saves with AutoSave.
    void AutoSaveOnce();

private:
    void HeaderClicked(int logical);
    void MakeArrows();
    void RowsInserted();

    TListItems items_;
    TEnhHeaderView* header_ = nullptr;
    std::vector<QPixmap> small_images_;
    bool resort_pending_ = false;
    int update_count_ = 1;  // until Loaded
    bool loaded_ = false;
    bool saved_ = false;
    TLVStyle style_ = TLVStyle::lvStandard;
    TAutoColumnSort auto_column_sort_ = TAutoColumnSort::acsNoSort;
    TAutoSortStyle auto_sort_style_ = TAutoSortStyle::assSmart;
    bool auto_resort_ = true;
    bool auto_sort_ascending_ = true;
    bool ascending_ = true;
    int sort_column_ = -1;
    bool sort_loaded_ = false;
    TEnhLVSaveSettings save_settings_;
    bool show_sort_arrows_ = false;
    bool reverse_sort_arrows_ = false;
    bool hide_selection_ = true;
    QPixmap arrow_up_, arrow_down_;
};

}  // namespace corvane
