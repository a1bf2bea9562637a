#pragma once
// The published list of the family: the enhanced list plus the extended list styles, a virtual
// mode whose rows come from events, header images, a saved column order, the hover time and the
// selection mark.

#include <QTimer>
#include <cstdint>
#include <stdexcept>

#include "widgets/enh_list_view.h"

namespace corvane {

// The extended styles, as the bits the common controls give them.
enum TLVExtendedStyle : std::uint32_t {
    lvxGridLines = 0x1,
    lvxSubItemImages = 0x2,
    lvxCheckboxes = 0x4,
    lvxTrackSelect = 0x8,
    lvxHeaderDragDrop = 0x10,
    lvxFullRowSelect = 0x20,
    lvxOneClickActivate = 0x40,
    lvxTwoClickActivate = 0x80,
    lvxFlatScrollBar = 0x100,
    lvxUnderlineHot = 0x800,
    lvxUnderlineCold = 0x1000,
};
using TLVExtendedStyles = std::uint32_t;

enum class TColumnImageAlign { ciaLeftOfText, ciaRightOfText };

struct TExtListColumn {
    int ImageIndex = -1;
    TColumnImageAlign ImageAlignment = TColumnImageAlign::ciaRightOfText;
};

struct TExtLVSaveSettings : TEnhLVSaveSettings {
    bool SaveColumnOrder = true;
};

// What OnVMGetItemInfo is asked to fill in.
enum TVMAskedField : unsigned { vmText = 1, vmImage = 2, vmParam = 4, vmState = 8, vmIndent = 16 };

class EELVOldComCtl : public std::runtime_error {
public:
    EELVOldComCtl() : std::runtime_error("COMCTL32.DLL is older than required version") {}
};

class TExtListView : public TCustomEnhListView {
    Q_OBJECT

public:
    explicit TExtListView(QWidget* parent = nullptr);
    ~TExtListView() override;

    TLVExtendedStyles ExtendedStyles() const { return extended_styles_; }
    void SetExtendedStyles(TLVExtendedStyles styles);

    bool VirtualMode() const { return Items().IsVirtual(); }
    void SetVirtualMode(bool on);
    // The number of virtual rows; the flags are kept (the list always keeps its scroll position).
    void SetItemCount(int count, unsigned flags = 0);
    unsigned ItemCountFlags() const { return item_count_flags_; }

    const std::vector<TExtListColumn>& ColumnsFormat() const { return columns_format_; }
    void SetColumnsFormat(const std::vector<TExtListColumn>& format);

    // The logical column at each display position. A setting that is no permutation of the
    // columns is ignored.
    std::vector<int> ColumnOrder() const;
    bool SetColumnOrder(const std::vector<int>& order);

    // How long the pointer rests on a row before lvxTrackSelect selects it; -1: the system's.
    int HoverTime() const { return hover_time_; }
    void SetHoverTime(int ms) { hover_time_ = ms; }
    // The row a Shift range (click or arrow keys) runs from; -1: none. A click or a move of the focus
    // without Shift sets it.
    int SelectionMark() const { return selection_mark_; }
    void SetSelectionMark(int row) { selection_mark_ = row; }
    // Desktops give no hover time of their own: the common one.
    static constexpr int kSystemHoverTime = 400;
    bool RequireComCtlUpdate() const { return require_comctl_update_; }
    void SetRequireComCtlUpdate(bool value);

    TExtLVSaveSettings& SaveSettingsOptions() override { return save_settings_; }

    // Events. Marquee: a press on no item of a multiple-selection list. Hot track: the pointer comes
    // onto an item while a hot or activation style is on (lvxTrackSelect then selects it). Find item:
    // typed text in virtual mode. State change: each run of rows selected or deselected in virtual mode.
    std::function<void(TExtListView*, bool& can_begin)> OnMarqueeBegin;
    std::function<void(TExtListView*)> OnItemActivate;
    std::function<void(TExtListView*, int& item, int& sub_item, QPoint position, bool& can_select)> OnHotTrack;
    std::function<void(TExtListView*, int item, int sub_item, unsigned asked, int& image, int& indent, QString& text)>
        OnVMGetItemInfo;
    std::function<void(TExtListView*, int from, int to)> OnVMCacheHint;
    std::function<void(TExtListView*, const QString& search, int& found)> OnVMFindItem;
    std::function<void(TExtListView*, int from, int to, unsigned old_state, unsigned new_state)> OnVMStateChanged;

    bool HeaderOwnerDrawn() const override;
    int HotRow() const { return hot_row_; }
    void keyboardSearch(const QString& search) override;

    // The state bit OnVMStateChanged reports.
    static constexpr unsigned kItemSelected = 0x2;

protected:
    bool FullRowForDrawing() const override { return extended_styles_ & lvxFullRowSelect; }
    void DefaultDrawItem(QPainter& p, int row, const QRect& rect, bool full_row, TOwnerDrawState state) const override;
    void DefaultDrawHeader(QPainter& p, const QRect& rect, int logical, bool pressed) const override;
    QFont RowFont(int row) const override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void WriteSettings(RegistryStore& store, const std::string& key) override;
    void ReadSettings(RegistryStore& store, const std::string& key) override;

private:
    bool HasColumnImage(int logical) const;
    // The pointer came onto the row (ext_list_view_notify.cpp).
    void HotTrack(int row, const QPoint& position);
    // Selects the rows from the selection mark to the row, which takes the focus; add keeps the rest.
    bool MarkValid() const;
    void SelectFromMark(int row, bool add);

    TLVExtendedStyles extended_styles_ = 0;
    unsigned item_count_flags_ = 0;
    std::vector<TExtListColumn> columns_format_;
    int hover_time_ = -1;
    int selection_mark_ = -1;
    bool require_comctl_update_ = false;
    TExtLVSaveSettings save_settings_;
    int hot_row_ = -1;
    QTimer* hover_timer_;
    int hover_row_ = -1;  // to select once the pointer has rested on hover_hot_
    int hover_hot_ = -1;
    bool mark_drag_ = false;  // a Shift press from the mark is held
    int hint_from_ = -1, hint_to_ = -1;
};

}  // namespace corvane
