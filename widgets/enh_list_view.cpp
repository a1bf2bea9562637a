#include "widgets/enh_list_view.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <algorithm>
#include <charconv>

#include "platform/registry/current_user.h"
#include "widgets/sliced_resort.h"
#include "platform/registry/registry_store.h"

namespace corvane {
namespace {

// Row heights come from OnMeasureItem while rows are owner-drawn.
class MeasuringDelegate : public QStyledItemDelegate {
public:
    explicit MeasuringDelegate(TCustomEnhListView& view) : QStyledItemDelegate(&view), view_(view) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (view_.Style() == TLVStyle::lvOwnerDrawFixed && view_.OnMeasureItem) {
            int height = size.height();
            view_.OnMeasureItem(&view_, height);
            if (height > 0) size.setHeight(height);
        }
        return size;
    }

private:
    TCustomEnhListView& view_;
};

std::optional<int> ReadInt(const RegistryStore& store, const std::string& key, const std::string& name) {
    const std::optional<RegValue> v = store.GetValue(key, name);
    if (!v) return std::nullopt;
    if (v->IsDWord()) return static_cast<std::int32_t>(v->AsDWord());
    if (!v->IsString()) return std::nullopt;
    int n = 0;
    const auto [end, ec] = std::from_chars(v->Data.data(), v->Data.data() + v->Data.size(), n);
    if (ec != std::errc() || end != v->Data.data() + v->Data.size()) return std::nullopt;
    return n;
}

}  // namespace

// ---- header ----

TEnhHeaderView::TEnhHeaderView(TCustomEnhListView& owner) : QHeaderView(Qt::Horizontal, &owner), owner_(owner) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void TEnhHeaderView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = logicalIndexAt(event->position().toPoint());
    QHeaderView::mousePressEvent(event);
    viewport()->update();
}

void TEnhHeaderView::mouseReleaseEvent(QMouseEvent* event) {
    pressed_ = -1;
    QHeaderView::mouseReleaseEvent(event);
    viewport()->update();
}

void TEnhHeaderView::paintSection(QPainter* painter, const QRect& rect, int logical) const {
    if (!owner_.HeaderOwnerDrawn()) {
        QHeaderView::paintSection(painter, rect, logical);
        return;
    }
    painter->save();
    owner_.DrawHeaderSection(*painter, rect, logical);
    painter->restore();
}

// ---- list ----

TCustomEnhListView::TCustomEnhListView(QWidget* parent) : QTreeView(parent) {
    header_ = new TEnhHeaderView(*this);
    setHeader(header_);
    setModel(&items_);
    setItemDelegate(new MeasuringDelegate(*this));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSortingEnabled(false);  // the list sorts itself; this also turns header clicks off
    header_->setSectionsClickable(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(header_, &QHeaderView::sectionClicked, this, [this](int logical) { HeaderClicked(logical); });
    connect(&items_, &QAbstractItemModel::rowsInserted, this, [this] { RowsInserted(); });
}

TCustomEnhListView::~TCustomEnhListView() { AutoSaveOnce(); }

int TCustomEnhListView::AddColumn(const QString& caption, int width, Qt::Alignment alignment) {
    const int column = items_.AddColumn(caption, alignment);
    setColumnWidth(column, width);
    return column;
}

void TCustomEnhListView::SetSmallImages(const std::vector<QPixmap>& images) {
    small_images_ = images;
    viewport()->update();
    header_->viewport()->update();
}

int TCustomEnhListView::ImageWidth() const {
    return small_images_.empty() ? 0 : small_images_.front().width();
}

void TCustomEnhListView::SetStyle(TLVStyle style) {
    if (style == style_) return;
    style_ = style;
    scheduleDelayedItemsLayout();
    viewport()->update();
}

void TCustomEnhListView::SetAutoColumnSort(TAutoColumnSort value) {
    auto_column_sort_ = value;
    if (value != TAutoColumnSort::acsNoSort) Resort();
    header_->viewport()->update();
}

void TCustomEnhListView::SetAutoSortStyle(TAutoSortStyle value) {
    auto_sort_style_ = value;
    Resort();
}

void TCustomEnhListView::SetAutoSortAscending(bool value) {
    auto_sort_ascending_ = value;
    SetCurrentSortAscending(value);
}

void TCustomEnhListView::SetCurrentSortAscending(bool value) {
    if (value == ascending_) return;
    ascending_ = value;
    header_->viewport()->update();
}

void TCustomEnhListView::SetCurrentSortColumn(int column) {
    if (column == sort_column_) return;
    sort_column_ = column;
    header_->viewport()->update();
}

void TCustomEnhListView::SetShowSortArrows(bool value) {
    show_sort_arrows_ = value;
    MakeArrows();
    header_->viewport()->update();
}

void TCustomEnhListView::SetReverseSortArrows(bool value) {
    reverse_sort_arrows_ = value;
    header_->viewport()->update();
}

void TCustomEnhListView::SetHideSelection(bool value) {
    hide_selection_ = value;
    viewport()->update();
}

bool TCustomEnhListView::SortsAtAll() const {
    return auto_column_sort_ != TAutoColumnSort::acsNoSort || static_cast<bool>(OnSortItems);
}

void TCustomEnhListView::SortColumn(int column, bool ascending) {
    resort_pending_ = false;
    SetCurrentSortColumn(column);
    SetCurrentSortAscending(ascending);
    if (OnSortBegin) OnSortBegin(this, column, ascending);
    TListItems::RowCompare custom;
    if (OnSortItems)
        custom = [this](int a, int b, int c) {
            int result = 0;
            OnSortItems(this, a, b, c - 1, result);
            return result;
        };
    items_.Sort(column, ascending, auto_sort_style_, custom);
    if (OnSortFinished) OnSortFinished(this, column, ascending);
}

void TCustomEnhListView::Resort() {
    resort_pending_ = true;
    if (!SortsAtAll() || sort_column_ < 0 || sort_column_ >= ColumnCount()) return;
    if (update_count_ == 0) SortColumn(sort_column_, ascending_);
}

void TCustomEnhListView::BeginUpdate() {
    ++update_count_;
    items_.BeginUpdate();
}

void TCustomEnhListView::EndUpdate() {
    if (update_count_ > 0) --update_count_;
    // Rows held back by the bracket arrive here (and may resort on their own).
    if (items_.UpdateCount() > 0) items_.EndUpdate();
    if (update_count_ == 0 && resort_pending_) Resort();
}

void TCustomEnhListView::RowsInserted() {
    if (auto_resort_) Resort();
}

void TCustomEnhListView::SizeColumns(bool to_headers) {
    BeginUpdate();
    for (int c = 0; c < ColumnCount(); ++c) {
        int width = sizeHintForColumn(c);
        if (to_headers) width = std::max(width, header_->sectionSizeHint(c));
        setColumnWidth(c, std::max(width, 1));
    }
    EndUpdate();
}

void TCustomEnhListView::HeaderClicked(int logical) {
    if (auto_column_sort_ == TAutoColumnSort::acsSortToggle)
        SetCurrentSortAscending(logical == sort_column_ ? !ascending_ : auto_sort_ascending_);
    if (OnColumnClick) OnColumnClick(this, logical);
    SetCurrentSortColumn(logical);
    if (auto_column_sort_ == TAutoColumnSort::acsNoSort) return;
    // A click on a long list sorts it a slice per turn of the event loop, so the window keeps
    // answering; a short one (or one sorted by the owner's own comparison) sorts at once.
    if (update_count_ > 0) {
        SortColumn(logical, ascending_);
        return;
    }
    ResortInSlices(*this, nullptr);
}

void TCustomEnhListView::Loaded() {
    if (loaded_) return;
    loaded_ = true;
    update_count_ = 0;
    if (SaveSettingsOptions().AutoSave) LoadSettings();
    if (!sort_loaded_ && ColumnCount() > 0) {
        SetCurrentSortColumn(0);
        Resort();
    } else if (resort_pending_) {
        Resort();
    }
}

void TCustomEnhListView::showEvent(QShowEvent* event) {
    Loaded();
    QTreeView::showEvent(event);
}

void TCustomEnhListView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) MakeArrows();
    QTreeView::changeEvent(event);
}

// Selected rows change colour with the focus.
void TCustomEnhListView::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    viewport()->update();
}

void TCustomEnhListView::focusOutEvent(QFocusEvent* event) {
    QTreeView::focusOutEvent(event);
    viewport()->update();
}

// ---- settings ----

void TCustomEnhListView::SaveSettings() {
    if (SaveSettingsOptions().RegistryKey.empty()) return;
    std::shared_ptr<RegistryStore> store = CurrentUserRegistry();
    RegistryStore::Hold hold(*store);
    WriteSettings(*store, SaveSettingsOptions().RegistryKey);
}

void TCustomEnhListView::LoadSettings() {
    if (SaveSettingsOptions().RegistryKey.empty()) return;
    ReadSettings(*CurrentUserRegistry(), SaveSettingsOptions().RegistryKey);
}

void TCustomEnhListView::AutoSaveOnce() {
    if (saved_ || !loaded_ || !SaveSettingsOptions().AutoSave) return;
    saved_ = true;
    SaveSettings();
}

void TCustomEnhListView::WriteSettings(RegistryStore& store, const std::string& key) {
    if (SaveSettingsOptions().SaveColumnSizes && ColumnCount() > 0) {
        std::string sizes;
        for (int c = 0; c < ColumnCount(); ++c) sizes += (c ? "," : "") + std::to_string(columnWidth(c));
        store.SetString(key + "\\Columns", "Sizes", sizes);
    }
    if (SaveSettingsOptions().SaveCurrentSort) {
        store.SetDWord(key + "\\Sort", "Ascending", ascending_ ? 1 : 0);
        store.SetDWord(key + "\\Sort", "SortCol", static_cast<std::uint32_t>(std::max(sort_column_, 0)));
    }
}

void TCustomEnhListView::ReadSettings(RegistryStore& store, const std::string& key) {
    if (SaveSettingsOptions().SaveColumnSizes) {
        const std::optional<RegValue> sizes = store.GetValue(key + "\\Columns", "Sizes");
        if (sizes && sizes->IsString() && !sizes->Data.empty()) {
            const std::string& text = sizes->Data;
            int column = 0;
            for (std::size_t start = 0; column < ColumnCount(); ++column) {
                const std::size_t comma = text.find(',', start);
                const std::string piece = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                int width = 0;
                const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), width);
                // A piece that is no width leaves its column alone.
                if (!piece.empty() && ec == std::errc() && end == piece.data() + piece.size() && width >= 0)
                    setColumnWidth(column, width);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        }
    }
    if (SaveSettingsOptions().SaveCurrentSort && ColumnCount() > 0) {
        const bool ascending = ReadInt(store, key + "\\Sort", "Ascending").value_or(1) != 0;
        const int column = std::clamp(ReadInt(store, key + "\\Sort", "SortCol").value_or(0), 0, ColumnCount() - 1);
        BeginUpdate();
        SetCurrentSortAscending(ascending);
        SetCurrentSortColumn(column);
        Resort();
        EndUpdate();
        sort_loaded_ = true;
    }
}

// ---- drawing ----

QRect TCustomEnhListView::SelectionRect(int row, const QRect& row_rect, bool full_row) const {
    QRect r = row_rect;
    r.setLeft(row_rect.left() + kTextMargin - 2 + ImageWidth());
    if (full_row) return r;
    const int caption_column = ColumnAt(0);
    r.setWidth(fontMetrics().horizontalAdvance(items_.Text(row, caption_column)) + 2 * kTextMargin);
    if (ColumnCount() > 0) r.setRight(std::min(r.right(), row_rect.left() + columnWidth(caption_column) - 1));
    return r;
}

void TCustomEnhListView::SetItemColours(QPainter& p, TOwnerDrawState state, bool selected_colours) const {
    const QPalette& pal = palette();
    if (selected_colours && state.Selected && hasFocus()) p.setPen(pal.color(QPalette::Active, QPalette::HighlightedText));
    else if (selected_colours && state.Selected && !hide_selection_) p.setPen(pal.color(QPalette::ButtonText));
    else p.setPen(pal.color(QPalette::Text));
}

bool TCustomEnhListView::RowSelected(int row) const {
    return selectionModel() && selectionModel()->rowIntersectsSelection(row, {});
}

void TCustomEnhListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (style_ != TLVStyle::lvOwnerDrawFixed) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    const int row = index.row();
    const QRect rect(header_->sectionViewportPosition(ColumnAt(0)), option.rect.top(), header_->length(),
                     option.rect.height());
    TOwnerDrawState state;
    state.Selected = RowSelected(row);
    state.Focused = currentIndex().isValid() && currentIndex().row() == row;

    QPainter& p = *painter;
    p.save();
    p.setFont(RowFont(row));
    p.setBrush(palette().base());
    bool default_drawing = !OnDrawItem;
    bool full_row = FullRowForDrawing();
    if (OnDrawItem) OnDrawItem(const_cast<TCustomEnhListView*>(this), p, row, rect, state, default_drawing, full_row);
    if (default_drawing) {
        p.fillRect(rect, palette().base());
        const QRect selection = SelectionRect(row, rect, full_row);
        if (state.Selected && !(hide_selection_ && !hasFocus()))
            p.fillRect(selection, hasFocus() ? palette().color(QPalette::Active, QPalette::Highlight)
                                             : palette().color(QPalette::Button));
        DefaultDrawItem(p, row, rect, full_row, state);
        if (state.Focused && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = selection;
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
        }
        if (OnAfterDefaultDrawItem) OnAfterDefaultDrawItem(const_cast<TCustomEnhListView*>(this), p, row, rect, state);
    }
    p.restore();
}

void TCustomEnhListView::DefaultDrawItem(QPainter& p, int row, const QRect& rect, bool full_row,
                                         TOwnerDrawState state) const {
    if (ColumnCount() == 0) return;
    SetItemColours(p, state, true);
    const int caption_column = ColumnAt(0);
    QRect cell(rect.left(), rect.top(), columnWidth(caption_column) - 2, rect.height());
    const int image = items_.ImageIndex(row, caption_column);
    const bool left_aligned = !(items_.ColumnAlignment(caption_column) & (Qt::AlignRight | Qt::AlignHCenter));
    if (!small_images_.empty()) {
        if (image >= 0 && image < static_cast<int>(small_images_.size()))
            p.drawPixmap(cell.left() + kImageOffset, rect.top(), small_images_[static_cast<size_t>(image)]);
        if (left_aligned) cell.setLeft(cell.left() + ImageWidth() + kTextMargin);
    } else {
        cell.setLeft(cell.left() + kTextMargin);
    }
    DrawSubItem(p, row, caption_column, cell, state);
    for (int position = 1; position < ColumnCount(); ++position) {
        const int column = ColumnAt(position);
        if (header_->isSectionHidden(column)) continue;
        if (!full_row) SetItemColours(p, state, false);
        QRect sub(header_->sectionViewportPosition(column), rect.top(), columnWidth(column), rect.height());
        if (items_.ColumnAlignment(column) & (Qt::AlignRight | Qt::AlignHCenter)) sub.adjust(kTextMargin, 0, -kTextMargin, 0);
        else sub.adjust(kTextMargin, 0, 0, 0);
        DrawSubItem(p, row, column, sub, state);
    }
}

bool TCustomEnhListView::DrawSubItem(QPainter& p, int row, int column, const QRect& rect, TOwnerDrawState state) const {
    bool default_drawing = !OnDrawSubItem;
    if (OnDrawSubItem) OnDrawSubItem(const_cast<TCustomEnhListView*>(this), p, row, column - 1, rect, state, default_drawing);
    if (default_drawing) DrawCellText(p, items_.Text(row, column), rect, items_.ColumnAlignment(column));
    return default_drawing;
}

void TCustomEnhListView::DrawCellText(QPainter& p, const QString& text, const QRect& rect, Qt::Alignment alignment) const {
    if (rect.width() <= 0 || text.isEmpty()) return;
    const QString shown = p.fontMetrics().elidedText(text, Qt::ElideRight, rect.width());
    p.drawText(rect, static_cast<int>((alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | Qt::TextSingleLine), shown);
}

// ---- header drawing ----

bool TCustomEnhListView::HeaderOwnerDrawn() const { return show_sort_arrows_ || static_cast<bool>(OnDrawHeader); }

int TCustomEnhListView::ArrowSide() const {
    const int side = (QFontMetrics(font()).boundingRect(QStringLiteral("Wy")).height() - 6) & ~1;
    return side < 1 ? 0 : side;
}

void TCustomEnhListView::MakeArrows() {
    arrow_up_ = arrow_down_ = QPixmap();
    const int side = ArrowSide();
    if (!show_sort_arrows_ || side == 0) return;
    const QPalette& pal = palette();
    auto make = [&](bool up) {
        QPixmap pixmap(side, side);
        pixmap.fill(pal.color(QPalette::Button));
        QPainter p(&pixmap);
        const QPointF top(side / 2.0, 0.5), left(0.5, side - 0.5), right(side - 0.5, side - 0.5);
        const QPointF bottom(side / 2.0, side - 0.5), tl(0.5, 0.5), tr(side - 0.5, 0.5);
        if (up) {
            p.setPen(pal.color(QPalette::Dark));
            p.drawLine(top, left);
            p.setPen(pal.color(QPalette::Light));
            p.drawLine(top, right);
            p.drawLine(left, right);
        } else {
            p.setPen(pal.color(QPalette::Dark));
            p.drawLine(tl, tr);
            p.drawLine(tl, bottom);
            p.setPen(pal.color(QPalette::Light));
            p.drawLine(tr, bottom);
        }
        return pixmap;
    };
    arrow_up_ = make(true);
    arrow_down_ = make(false);
}

void TCustomEnhListView::DrawArrow(QPainter& p, int x, const QRect& item) const {
    const bool up = ascending_ != reverse_sort_arrows_;
    const QPixmap& arrow = up ? arrow_up_ : arrow_down_;
    if (arrow.isNull()) return;
    const QRect where(x, item.top() + (item.height() - arrow.height()) / 2, arrow.width(), arrow.height());
    if (item.contains(where)) p.drawPixmap(where, arrow);
}

void TCustomEnhListView::DrawHeaderSection(QPainter& p, const QRect& rect, int logical) const {
    p.setFont(font());
    const bool pressed = header_->PressedSection() == logical;
    bool default_drawing = !OnDrawHeader;
    if (OnDrawHeader) OnDrawHeader(const_cast<TCustomEnhListView*>(this), p, logical, rect, pressed, default_drawing);
    if (default_drawing) DefaultDrawHeader(p, rect, logical, pressed);
}

QRect TCustomEnhListView::DrawHeaderFrame(QPainter& p, const QRect& rect, int logical, bool pressed) const {
    QStyleOptionHeader opt;
    opt.initFrom(header_);
    opt.rect = rect;
    opt.section = logical;
    opt.orientation = Qt::Horizontal;
    if (pressed) opt.state |= QStyle::State_Sunken;
    style()->drawControl(QStyle::CE_HeaderSection, &opt, &p, header_);
    // The item's text area, 2 pixels inside; a pressed item's contents move 1 pixel right and down.
    QRect item = rect.adjusted(2, 2, -2, -2);
    if (pressed) item.translate(1, 1);
    return item;
}

void TCustomEnhListView::DefaultDrawHeader(QPainter& p, const QRect& rect, int logical, bool pressed) const {
    const QRect item = DrawHeaderFrame(p, rect, logical, pressed);
    const Qt::Alignment alignment = items_.ColumnAlignment(logical);
    const bool right = alignment & Qt::AlignRight;
    QRect space = item;
    if (right) space.setRight(space.right() - kTextMargin);
    else space.setLeft(space.left() + kTextMargin);
    const bool arrow = logical == sort_column_ && show_sort_arrows_ && auto_column_sort_ != TAutoColumnSort::acsNoSort &&
                       !arrow_up_.isNull();
    const int reserve = arrow ? arrow_up_.width() + 8 : 0;
    if (right) space.setLeft(space.left() + reserve);
    else space.setRight(space.right() - reserve);

    const QString caption = items_.headerData(logical, Qt::Horizontal).toString();
    const QString shown = p.fontMetrics().elidedText(caption, Qt::ElideRight, std::max(space.width(), 0));
    const int width = std::min(p.fontMetrics().horizontalAdvance(shown), std::max(space.width(), 0));
    int left = space.left();
    if (right) left = space.right() + 1 - width;
    else if (alignment & Qt::AlignHCenter) left = space.left() + (space.width() - width) / 2;
    const QRect text(left, item.top(), width, item.height());
    p.setPen(palette().color(QPalette::ButtonText));
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    if (arrow) DrawArrow(p, right ? text.left() - 8 - arrow_up_.width() : text.right() + 1 + 8, rect);
}

}  // namespace corvane
