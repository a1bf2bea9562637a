#include "widgets/list_items.h"

#include <QLocale>
#include <QSet>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numeric>
#include <unordered_map>

#include "platform/rtl/date_time.h"

namespace corvane {
namespace {

// A complete decimal floating-point conversion; infinities and NaN would break the ordering.
bool ReadNumber(const std::string& s, double& out) {
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(out);
}

// A date when the text holds a separator and converts the way its separators say.
bool ReadDate(const std::string& s, double& out) {
    const FormatSettings& f = DisplayFormats();
    const bool date = s.find(f.DateSeparator) != std::string::npos;
    const bool time = s.find(f.TimeSeparator) != std::string::npos;
    if (date && time) return TryStrToDateTime(s, out, f);
    if (date) return TryStrToDate(s, out, f);
    if (time) return TryStrToTime(s, out, f);
    return false;
}

}  // namespace

TListItems::TListItems(QObject* parent) : QAbstractTableModel(parent), collator_(QLocale()) {
    collator_.setCaseSensitivity(Qt::CaseSensitive);
}

int TListItems::AddColumn(const QString& caption, Qt::Alignment alignment) {
    const int at = ColumnCount();
    ++changes_;
    beginInsertColumns({}, at, at);
    columns_.push_back({caption, alignment});
    for (Row& row : rows_) row.Cells.resize(columns_.size());
    endInsertColumns();
    return at;
}

Qt::Alignment TListItems::ColumnAlignment(int column) const {
    return column >= 0 && column < ColumnCount() ? columns_[static_cast<size_t>(column)].Alignment : Qt::AlignLeft;
}

void TListItems::SetCell(Cell& cell, const QString& text) const {
    cell.Text = text;
    cell.TextKey.reset();
    if (text.isEmpty()) {
        cell.Kind = Cell::Empty;
        return;
    }
    cell.TextKey = collator_.sortKey(text);
    const std::string bytes = text.toStdString();
    if (ReadDate(bytes, cell.Value)) cell.Kind = Cell::Date;
    else if (ReadNumber(bytes, cell.Value)) cell.Kind = Cell::Number;
    else cell.Kind = Cell::Plain;
}

TListItems::Row TListItems::MakeRow(const QStringList& texts, const QVariant& data) const {
    Row row;
    row.Data = data;
    row.Cells.resize(std::max<size_t>(columns_.size(), static_cast<size_t>(texts.size())));
    for (int i = 0; i < texts.size(); ++i) SetCell(row.Cells[static_cast<size_t>(i)], texts[i]);
    return row;
}

int TListItems::AddRow(const QStringList& texts, const QVariant& data) {
    ++changes_;
    rows_.push_back(MakeRow(texts, data));
    if (update_count_ == 0) Flush();
    return Count() - 1;
}

int TListItems::InsertRow(int at, const QStringList& texts, const QVariant& data) {
    Flush();
    at = std::clamp(at, 0, Count());
    ++changes_;
    beginInsertRows({}, at, at);
    rows_.insert(rows_.begin() + at, MakeRow(texts, data));
    ++shown_;
    endInsertRows();
    return at;
}

void TListItems::DeleteRow(int row) {
    if (row < 0 || row >= Count()) return;
    ++changes_;
    if (row >= shown_) {
        rows_.erase(rows_.begin() + row);
        return;
    }
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    --shown_;
    endRemoveRows();
}

void TListItems::Clear() {
    ++changes_;
    beginResetModel();
    rows_.clear();
    shown_ = 0;
    endResetModel();
}

int TListItems::Count() const { return virtual_ ? virtual_count_ : static_cast<int>(rows_.size()); }

void TListItems::EndUpdate() {
    if (update_count_ == 0) return;
    if (--update_count_ == 0) Flush();
}

void TListItems::Flush() {
    const int total = static_cast<int>(rows_.size());
    if (total <= shown_) return;
    beginInsertRows({}, shown_, total - 1);
    shown_ = total;
    endInsertRows();
}

const TListItems::Cell* TListItems::CellAt(int row, int column) const {
    if (virtual_ || row < 0 || row >= static_cast<int>(rows_.size()) || column < 0) return nullptr;
    const Row& r = rows_[static_cast<size_t>(row)];
    return column < static_cast<int>(r.Cells.size()) ? &r.Cells[static_cast<size_t>(column)] : nullptr;
}

QString TListItems::Text(int row, int column) const {
    if (virtual_) return virtual_text_ && row >= 0 && row < virtual_count_ ? virtual_text_(row, column) : QString();
    const Cell* cell = CellAt(row, column);
    return cell ? cell->Text : QString();
}

void TListItems::SetText(int row, int column, const QString& text) {
    if (virtual_ || row < 0 || row >= Count() || column < 0) return;
    ++changes_;
    Row& r = rows_[static_cast<size_t>(row)];
    if (column >= static_cast<int>(r.Cells.size())) r.Cells.resize(static_cast<size_t>(column) + 1);
    SetCell(r.Cells[static_cast<size_t>(column)], text);
    if (row < shown_ && column < ColumnCount()) emit dataChanged(index(row, column), index(row, column));
}

QVariant TListItems::Data(int row) const {
    return !virtual_ && row >= 0 && row < Count() ? rows_[static_cast<size_t>(row)].Data : QVariant();
}

void TListItems::SetData(int row, const QVariant& data) {
    if (!virtual_ && row >= 0 && row < Count()) rows_[static_cast<size_t>(row)].Data = data;
}

int TListItems::ImageIndex(int row, int column) const {
    const Cell* cell = CellAt(row, column);
    return cell ? cell->Image : -1;
}

void TListItems::SetImageIndex(int row, int column, int image) {
    if (virtual_ || row < 0 || row >= Count() || column < 0) return;
    ++changes_;
    Row& r = rows_[static_cast<size_t>(row)];
    if (column >= static_cast<int>(r.Cells.size())) r.Cells.resize(static_cast<size_t>(column) + 1);
    r.Cells[static_cast<size_t>(column)].Image = image;
    if (row < shown_ && column < ColumnCount()) emit dataChanged(index(row, column), index(row, column));
}

void TListItems::SetSortKey(int row, int column, double key) {
    if (virtual_ || row < 0 || row >= Count() || column < 0 || !std::isfinite(key)) return;
    ++changes_;
    Row& r = rows_[static_cast<size_t>(row)];
    if (column >= static_cast<int>(r.Cells.size())) r.Cells.resize(static_cast<size_t>(column) + 1);
    Cell& cell = r.Cells[static_cast<size_t>(column)];
    cell.Kind = Cell::Number;
    cell.Value = key;
}

void TListItems::Sort(int column, bool ascending, TAutoSortStyle style, const RowCompare& custom) {
    if (virtual_ || column < 0) return;
    Flush();
    if (rows_.size() < 2) return;
    const RowLess less = SortOrder(column, ascending, style, custom);
    std::vector<int> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    // By reference: the order holds the column's keys, and the sort copies its comparison around.
    std::stable_sort(order.begin(), order.end(), [&less](int a, int b) { return less(a, b); });
    ApplyOrder(order);
}

TListItems::RowLess TListItems::SortOrder(int column, bool ascending, TAutoSortStyle style,
                                          const RowCompare& custom) const {
    const RowLess less = SortOrderAscending(column, style, custom);
    if (ascending) return less;
    return [less](int a, int b) { return less(b, a); };
}

TListItems::RowLess TListItems::SortOrderAscending(int column, TAutoSortStyle style, const RowCompare& custom) const {
    const int n = static_cast<int>(rows_.size());
    // One kind for the whole column, so that the comparison is a total order.
    enum { ByText, ByNumber, ByDate } kind = ByText;
    if (style == TAutoSortStyle::assSmart && !custom) {
        bool all_dates = true, all_numbers = true;
        for (const Row& row : rows_) {
            const Cell* cell = column < static_cast<int>(row.Cells.size()) ? &row.Cells[static_cast<size_t>(column)] : nullptr;
            if (!cell || cell->Kind == Cell::Empty) continue;
            all_dates = all_dates && cell->Kind == Cell::Date;
            all_numbers = all_numbers && cell->Kind == Cell::Number;
        }
        kind = all_dates ? ByDate : all_numbers ? ByNumber : ByText;
    }
    if (custom) return [custom, column](int a, int b) { return custom(a, b, column) < 0; };
    if (kind != ByText) {
        // The keys side by side; an empty cell sorts before every value.
        std::vector<double> keys(static_cast<size_t>(n));
        for (int r = 0; r < n; ++r) {
            const Cell* cell = CellAt(r, column);
            keys[static_cast<size_t>(r)] =
                cell && cell->Kind != Cell::Empty ? cell->Value : -std::numeric_limits<double>::infinity();
        }
        return [keys = std::move(keys)](int a, int b) { return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)]; };
    }
    if (FewDistinctTexts(column))
        return [ranks = TextRanks(column)](int a, int b) {
            return ranks[static_cast<size_t>(a)] < ranks[static_cast<size_t>(b)];
        };
    // Empty cells (no key) first; cells keyed by the caller alone compare equal to each other.
    std::vector<const QCollatorSortKey*> keys(static_cast<size_t>(n), nullptr);
    std::vector<unsigned char> rank(static_cast<size_t>(n), 0);
    for (int r = 0; r < n; ++r) {
        const Cell* cell = CellAt(r, column);
        if (!cell || cell->Kind == Cell::Empty) continue;
        keys[static_cast<size_t>(r)] = cell->TextKey ? &*cell->TextKey : nullptr;
        rank[static_cast<size_t>(r)] = cell->TextKey ? 2 : 1;
    }
    return [keys = std::move(keys), rank = std::move(rank)](int a, int b) {
        const auto ra = rank[static_cast<size_t>(a)], rb = rank[static_cast<size_t>(b)];
        if (ra != rb) return ra < rb;
        return ra == 2 && keys[static_cast<size_t>(a)]->compare(*keys[static_cast<size_t>(b)]) < 0;
    };
}

void TListItems::ApplyOrder(const std::vector<int>& order) {
    const int n = static_cast<int>(rows_.size());
    if (static_cast<int>(order.size()) != n) return;
    ++changes_;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    std::vector<int> new_row_of(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        sorted.push_back(std::move(rows_[static_cast<size_t>(order[static_cast<size_t>(i)])]));
        new_row_of[static_cast<size_t>(order[static_cast<size_t>(i)])] = i;
    }
    rows_ = std::move(sorted);
    const QModelIndexList old_list = persistentIndexList();
    QModelIndexList new_list;
    new_list.reserve(old_list.size());
    for (const QModelIndex& old : old_list)
        new_list << index(new_row_of[static_cast<size_t>(old.row())], old.column());
    changePersistentIndexList(old_list, new_list);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// Whether the column's first texts repeat often enough that ranking each distinct text once pays.
bool TListItems::FewDistinctTexts(int column) const {
    constexpr int kSample = 512;
    QSet<QString> seen;
    int sampled = 0;
    for (int r = 0; r < static_cast<int>(rows_.size()) && sampled < kSample; ++r) {
        const Cell* cell = CellAt(r, column);
        if (!cell || !cell->TextKey) continue;
        seen.insert(cell->Text);
        ++sampled;
    }
    return sampled == kSample && seen.size() * 4 <= sampled;
}

// Each row's place in the column's text order: empty cells (no key) first, then cells keyed by the
// caller alone, equal to each other, then the collation order. Rows of one text share one key
// comparison, so a column of few distinct texts (a folder on every row) sorts at the speed of numbers.
std::vector<int> TListItems::TextRanks(int column) const {
    const int n = static_cast<int>(rows_.size());
    std::vector<int> ranks(static_cast<size_t>(n), 0);
    std::unordered_map<QString, int> group_of;
    std::vector<const QCollatorSortKey*> keys;  // by group
    for (int r = 0; r < n; ++r) {
        const Cell* cell = CellAt(r, column);
        if (!cell || cell->Kind == Cell::Empty) continue;
        if (!cell->TextKey) {
            ranks[static_cast<size_t>(r)] = 1;
            continue;
        }
        const auto [at, added] = group_of.try_emplace(cell->Text, static_cast<int>(keys.size()));
        if (added) keys.push_back(&*cell->TextKey);
        ranks[static_cast<size_t>(r)] = -1 - at->second;  // the group, ranked below
    }
    std::vector<int> groups(keys.size());
    std::iota(groups.begin(), groups.end(), 0);
    std::sort(groups.begin(), groups.end(), [&](int a, int b) {
        return keys[static_cast<size_t>(a)]->compare(*keys[static_cast<size_t>(b)]) < 0;
    });
    // Texts whose keys compare equal share a rank.
    std::vector<int> rank_of(keys.size());
    int rank = 1;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (i == 0 || keys[static_cast<size_t>(groups[i - 1])]->compare(*keys[static_cast<size_t>(groups[i])]) < 0)
            ++rank;
        rank_of[static_cast<size_t>(groups[i])] = rank;
    }
    for (int& r : ranks)
        if (r < 0) r = rank_of[static_cast<size_t>(-1 - r)];
    return ranks;
}

void TListItems::SetVirtual(bool on) {
    if (on == virtual_) return;
    ++changes_;
    beginResetModel();
    rows_.clear();
    shown_ = 0;
    virtual_count_ = 0;
    virtual_ = on;
    endResetModel();
}

void TListItems::SetVirtualCount(int count) {
    if (!virtual_) return;
    count = std::max(count, 0);
    beginResetModel();
    virtual_count_ = count;
    endResetModel();
}

int TListItems::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return virtual_ ? virtual_count_ : shown_;
}

int TListItems::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount(); }

QVariant TListItems::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
        case Qt::DisplayRole: return Text(index.row(), index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(ColumnAlignment(index.column()) | Qt::AlignVCenter);
        case ImageIndexRole: return ImageIndex(index.row(), index.column());
        case Qt::CheckStateRole:
            if (checkboxes_ && index.column() == 0) return Checked(index.row()) ? Qt::Checked : Qt::Unchecked;
            return {};
        default: return {};
    }
}

QVariant TListItems::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount()) return {};
    const Column& c = columns_[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole || role == Qt::EditRole) return c.Caption;
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(c.Alignment | Qt::AlignVCenter);
    return {};
}

bool TListItems::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount()) return false;
    Column& c = columns_[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole || role == Qt::EditRole) c.Caption = value.toString();
    else if (role == Qt::TextAlignmentRole) c.Alignment = Qt::Alignment(value.toInt()) & Qt::AlignHorizontal_Mask;
    else return false;
    emit headerDataChanged(orientation, section, section);
    return true;
}

Qt::ItemFlags TListItems::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (checkboxes_ && index.column() == 0 && !virtual_) f |= Qt::ItemIsUserCheckable;
    return f;
}

bool TListItems::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !checkboxes_ || !index.isValid() || index.column() != 0) return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

void TListItems::SetCheckboxes(bool on) {
    if (on == checkboxes_) return;
    checkboxes_ = on;
    if (shown_ > 0) emit dataChanged(index(0, 0), index(shown_ - 1, 0), {Qt::CheckStateRole});
}

bool TListItems::Checked(int row) const {
    return !virtual_ && row >= 0 && row < Count() && rows_[static_cast<size_t>(row)].Checked;
}

void TListItems::SetChecked(int row, bool checked) {
    if (virtual_ || row < 0 || row >= Count()) return;
    rows_[static_cast<size_t>(row)].Checked = checked;
    if (row < shown_) emit dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
}

}  // namespace corvane
