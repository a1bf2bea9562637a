#include "widgets/ext_list_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <charconv>

#include "platform/registry/registry_store.h"

namespace corvane {
namespace {

// The common-controls version the list stands in for; a demand for 4.70 always passes.
constexpr int kComCtlMajor = 6, kComCtlMinor = 0;

bool IsPermutation(const std::vector<int>& order, int count) {
    if (static_cast<int>(order.size()) != count) return false;
    std::vector<bool> seen(static_cast<size_t>(count), false);
    for (int c : order) {
        if (c < 0 || c >= count || seen[static_cast<size_t>(c)]) return false;
        seen[static_cast<size_t>(c)] = true;
    }
    return true;
}

}  // namespace

TExtListView::TExtListView(QWidget* parent) : TCustomEnhListView(parent) {
    Items().SetVirtualText([this](int row, int column) {
        QString text;
        if (!OnVMGetItemInfo) return text;
        int image = -1, indent = 0;
        OnVMGetItemInfo(this, row, column - 1, vmText, image, indent, text);
        return text;
    });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex&) {
        if ((extended_styles_ & lvxOneClickActivate) && OnItemActivate) OnItemActivate(this);
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex&) {
        if (!(extended_styles_ & lvxOneClickActivate) && OnItemActivate) OnItemActivate(this);
    });
    hover_timer_ = new QTimer(this);
    hover_timer_->setSingleShot(true);
    connect(hover_timer_, &QTimer::timeout, this, [this] {
        if (hover_hot_ == hot_row_ && hover_row_ >= 0 && hover_row_ < model()->rowCount())
            setCurrentIndex(model()->index(hover_row_, 0));
    });
    // Emptied, the list has no mark left.
    connect(model(), &QAbstractItemModel::modelReset, this, [this] { selection_mark_ = -1; });
    SetExtendedStyles(0);
}

TExtListView::~TExtListView() { AutoSaveOnce(); }

void TExtListView::SetExtendedStyles(TLVExtendedStyles styles) {
    // Underlined items are activated by clicks; the cold underline needs one click.
    if (styles & (lvxUnderlineHot | lvxUnderlineCold)) {
        if ((styles & lvxUnderlineCold) && !(styles & lvxOneClickActivate)) styles |= lvxOneClickActivate;
        if ((styles & lvxUnderlineHot) && !(styles & (lvxOneClickActivate | lvxTwoClickActivate)))
            styles |= lvxOneClickActivate;
    }
    extended_styles_ = styles;
    setSelectionBehavior(styles & lvxFullRowSelect ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    header()->setSectionsMovable(styles & lvxHeaderDragDrop);
    header()->setFirstSectionMovable(styles & lvxHeaderDragDrop);  // a tree keeps its first column; a list does not
    setMouseTracking(styles & (lvxUnderlineHot | lvxUnderlineCold | lvxTrackSelect));
    Items().SetCheckboxes(styles & lvxCheckboxes);
    viewport()->update();
}

void TExtListView::SetVirtualMode(bool on) {
    if (on == VirtualMode()) return;
    hint_from_ = hint_to_ = -1;
    Items().SetVirtual(on);
}

void TExtListView::SetItemCount(int count, unsigned flags) {
    item_count_flags_ = flags;
    hint_from_ = hint_to_ = -1;
    Items().SetVirtualCount(count);
}

void TExtListView::SetColumnsFormat(const std::vector<TExtListColumn>& format) {
    columns_format_ = format;
    header()->viewport()->update();
}

std::vector<int> TExtListView::ColumnOrder() const {
    std::vector<int> order;
    for (int position = 0; position < ColumnCount(); ++position) order.push_back(ColumnAt(position));
    return order;
}

bool TExtListView::SetColumnOrder(const std::vector<int>& order) {
    if (!IsPermutation(order, ColumnCount())) return false;
    for (int position = 0; position < ColumnCount(); ++position) {
        const int logical = order[static_cast<size_t>(position)];
        header()->moveSection(header()->visualIndex(logical), position);
    }
    viewport()->update();
    return true;
}

void TExtListView::SetRequireComCtlUpdate(bool value) {
    require_comctl_update_ = value;
    if (value && (kComCtlMajor < 4 || (kComCtlMajor == 4 && kComCtlMinor < 70))) throw EELVOldComCtl();
}

// ---- settings ----

void TExtListView::WriteSettings(RegistryStore& store, const std::string& key) {
    if (save_settings_.SaveColumnOrder && ColumnCount() > 0) {
        std::string order;
        for (int c : ColumnOrder()) order += (order.empty() ? "" : ",") + std::to_string(c);
        store.SetString(key + "\\Columns", "Order", order);
    }
    TCustomEnhListView::WriteSettings(store, key);
}

void TExtListView::ReadSettings(RegistryStore& store, const std::string& key) {
    if (save_settings_.SaveColumnOrder) {
        const std::optional<RegValue> saved = store.GetValue(key + "\\Columns", "Order");
        std::vector<int> order;
        bool readable = true;
        if (saved && saved->IsString() && !saved->Data.empty()) {
            const std::string& text = saved->Data;
            for (std::size_t start = 0;;) {
                const std::size_t comma = text.find(',', start);
                const std::string piece = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                int n = 0;
                const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), n);
                readable = readable && !piece.empty() && ec == std::errc() && end == piece.data() + piece.size();
                order.push_back(n);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else {
            for (int c = 0; c < ColumnCount(); ++c) order.push_back(c);
        }
        if (readable) SetColumnOrder(order);
    }
    TCustomEnhListView::ReadSettings(store, key);
}

// ---- rows ----

QFont TExtListView::RowFont(int row) const {
    QFont f = font();
    if ((extended_styles_ & lvxUnderlineCold) && row != hot_row_) f.setUnderline(true);
    if ((extended_styles_ & lvxUnderlineHot) && row == hot_row_) f.setUnderline(true);
    return f;
}

void TExtListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (Style() == TLVStyle::lvStandard) {
        QStyleOptionViewItem opt = option;
        opt.font = RowFont(index.row());
        TCustomEnhListView::drawRow(painter, opt, index);
    } else {
        TCustomEnhListView::drawRow(painter, option, index);
    }
    if (extended_styles_ & lvxGridLines) {
        painter->save();
        painter->setPen(palette().color(QPalette::Mid));
        const int left = header()->sectionViewportPosition(ColumnAt(0));
        const int bottom = option.rect.bottom();
        painter->drawLine(left, bottom, left + header()->length() - 1, bottom);
        for (int position = 0; position < ColumnCount(); ++position) {
            const int column = ColumnAt(position);
            const int x = header()->sectionViewportPosition(column) + header()->sectionSize(column) - 1;
            painter->drawLine(x, option.rect.top(), x, bottom);
        }
        painter->restore();
    }
}

void TExtListView::DefaultDrawItem(QPainter& p, int row, const QRect& rect, bool full_row, TOwnerDrawState state) const {
    if (!VirtualMode()) {
        TCustomEnhListView::DefaultDrawItem(p, row, rect, full_row, state);
        if (!(extended_styles_ & lvxSubItemImages) || SmallImages().empty()) return;
        for (int position = 1; position < ColumnCount(); ++position) {
            const int column = ColumnAt(position);
            const int image = Items().ImageIndex(row, column);
            if (image < 0 || image >= static_cast<int>(SmallImages().size())) continue;
            p.drawPixmap(header()->sectionViewportPosition(column) + kImageOffset, rect.top(),
                         SmallImages()[static_cast<size_t>(image)]);
        }
        return;
    }
    // Virtual rows: the cells follow the columns, 4 pixels apart; only the events draw into them.
    if (ColumnCount() == 0) return;
    SetItemColours(p, state, true);
    QRect cell(rect.left(), rect.top(), columnWidth(ColumnAt(0)) - 2, rect.height());
    auto draw = [&](int column, const QRect& where) {
        p.save();
        bool default_drawing = false;
        if (OnDrawSubItem)
            OnDrawSubItem(const_cast<TExtListView*>(this), p, row, column - 1, where, state, default_drawing);
        p.restore();
    };
    draw(ColumnAt(0), cell);
    int previous_right = cell.left() + cell.width();  // exclusive
    for (int position = 1; position < ColumnCount(); ++position) {
        const int column = ColumnAt(position);
        if (!full_row) SetItemColours(p, state, false);
        const int right = previous_right + columnWidth(column);
        cell = QRect(previous_right + kTextMargin, rect.top(), right - previous_right - kTextMargin, rect.height());
        draw(column, cell);
        previous_right = right;
    }
}

void TExtListView::paintEvent(QPaintEvent* event) {
    if (VirtualMode() && OnVMCacheHint && model()->rowCount() > 0) {
        const int from = std::max(indexAt(QPoint(0, 0)).row(), 0);
        int to = indexAt(QPoint(0, viewport()->height() - 1)).row();
        if (to < 0) to = model()->rowCount() - 1;
        if (from != hint_from_ || to != hint_to_) {
            hint_from_ = from;
            hint_to_ = to;
            OnVMCacheHint(this, from, to);
        }
    }
    TCustomEnhListView::paintEvent(event);
}

void TExtListView::mouseMoveEvent(QMouseEvent* event) {
    const int row = indexAt(event->position().toPoint()).row();
    if (row != hot_row_) {
        hot_row_ = row;
        hover_timer_->stop();
        if (extended_styles_ & (lvxUnderlineHot | lvxUnderlineCold)) viewport()->update();
        if (row >= 0) HotTrack(row, event->position().toPoint());
    }
    if (mark_drag_ && (event->buttons() & Qt::LeftButton)) {
        if (row >= 0) SelectFromMark(row, event->modifiers() & Qt::ControlModifier);
        event->accept();
        return;
    }
    TCustomEnhListView::mouseMoveEvent(event);
}

void TExtListView::leaveEvent(QEvent* event) {
    hover_timer_->stop();
    if (hot_row_ != -1) {
        hot_row_ = -1;
        viewport()->update();
    }
    TCustomEnhListView::leaveEvent(event);
}

void TExtListView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid() &&
        OnItemActivate) {
        OnItemActivate(this);
        return;
    }
    CursorAction action{};
    bool moves = true;
    switch (event->key()) {
    case Qt::Key_Up: action = MoveUp; break;
    case Qt::Key_Down: action = MoveDown; break;
    case Qt::Key_Home: action = MoveHome; break;
    case Qt::Key_End: action = MoveEnd; break;
    case Qt::Key_PageUp: action = MovePageUp; break;
    case Qt::Key_PageDown: action = MovePageDown; break;
    default: moves = false; break;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (moves && shift && selectionMode() == ExtendedSelection && MarkValid()) {
        const QModelIndex next = moveCursor(action, event->modifiers());
        if (next.isValid()) {
            SelectFromMark(next.row(), event->modifiers() & Qt::ControlModifier);
            scrollTo(next);
        }
        event->accept();
        return;
    }
    const int before = currentIndex().row();
    TCustomEnhListView::keyPressEvent(event);
    if (moves && !shift && currentIndex().isValid() && currentIndex().row() != before)
        selection_mark_ = currentIndex().row();
}

// ---- header ----

bool TExtListView::HasColumnImage(int logical) const {
    if (logical < 0 || logical >= static_cast<int>(columns_format_.size())) return false;
    const int image = columns_format_[static_cast<size_t>(logical)].ImageIndex;
    return image >= 0 && image < static_cast<int>(SmallImages().size());
}

bool TExtListView::HeaderOwnerDrawn() const {
    if (TCustomEnhListView::HeaderOwnerDrawn()) return true;
    for (int c = 0; c < ColumnCount(); ++c)
        if (HasColumnImage(c)) return true;
    return false;
}

void TExtListView::DefaultDrawHeader(QPainter& p, const QRect& rect, int logical, bool pressed) const {
    const QRect item = DrawHeaderFrame(p, rect, logical, pressed);
    const Qt::Alignment alignment = Items().ColumnAlignment(logical);
    QRect space = item;
    if (alignment & Qt::AlignRight) space.setRight(space.right() - kTextMargin);
    else space.setLeft(space.left() + kTextMargin);

    const bool image = HasColumnImage(logical);
    const TExtListColumn format = image ? columns_format_[static_cast<size_t>(logical)] : TExtListColumn{};
    const int image_width = image ? SmallImages()[static_cast<size_t>(format.ImageIndex)].width() : 0;
    const bool image_left = format.ImageAlignment == TColumnImageAlign::ciaLeftOfText;
    if (image && image_left) space.setLeft(space.left() + image_width + kTextMargin);
    if (image && !image_left) space.setRight(space.right() - image_width - kTextMargin);
    const bool arrow = logical == CurrentSortColumn() && ShowSortArrows() && SortsAtAll() && ArrowSide() > 0;
    const int arrow_side = ArrowSide();
    if (arrow) space.setRight(space.right() - arrow_side - 8);

    const QString caption = Items().headerData(logical, Qt::Horizontal).toString();
    const int room = std::max(space.width(), 0);
    const QString shown = p.fontMetrics().elidedText(caption, Qt::ElideRight, room);
    const int width = std::min(p.fontMetrics().horizontalAdvance(shown), room);
    int left = space.left();
    if (alignment & Qt::AlignRight) left = space.right() + 1 - width;
    else if (alignment & Qt::AlignHCenter) left = space.left() + (room - width) / 2;
    const QRect text(left, item.top(), width, item.height());
    p.setPen(palette().color(QPalette::ButtonText));
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);

    int after_text = text.right() + 1;
    if (image) {
        const QPixmap& pixmap = SmallImages()[static_cast<size_t>(format.ImageIndex)];
        const int x = image_left ? text.left() - kTextMargin - image_width : after_text + kTextMargin;
        const QRect where(x, item.top() + (item.height() - pixmap.height()) / 2, pixmap.width(), pixmap.height());
        if (arrow || rect.contains(where)) p.drawPixmap(where, pixmap);
        if (!image_left) after_text = where.right() + 1;
    }
    if (arrow) DrawArrow(p, after_text + 8, rect);
}

}  // namespace corvane
