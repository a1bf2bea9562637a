#pragma once
// The rows of a list view: cells of text with an image index and a sort key, and a value per row.
// Sort keys are made once when a cell is set (dates, numbers and the locale's collation key), so a
// header click compares prepared keys instead of parsing texts per comparison.

#include <QAbstractTableModel>
#include <QCollator>
#include <QCollatorSortKey>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace corvane {

enum class TAutoSortStyle { assSmart, assDefault };

class TListItems : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int ImageIndexRole = Qt::UserRole + 1;

    explicit TListItems(QObject* parent = nullptr);

    int AddColumn(const QString& caption, Qt::Alignment alignment = Qt::AlignLeft);
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    Qt::Alignment ColumnAlignment(int column) const;

    // Rows. Inside an update bracket added rows are kept back and reach the views in one insertion
    // when the outermost bracket closes; Count and Text see them at once.
    int AddRow(const QStringList& texts, const QVariant& data = {});
    int InsertRow(int at, const QStringList& texts, const QVariant& data = {});
    void DeleteRow(int row);
    void Clear();
    int Count() const;
    QString Text(int row, int column) const;
    void SetText(int row, int column, const QString& text);
    QVariant Data(int row) const;
    void SetData(int row, const QVariant& data);
    int ImageIndex(int row, int column) const;
    void SetImageIndex(int row, int column, int image);
    // A key of the caller's that the cell sorts by instead of its text (sizes shown as "1,234").
    void SetSortKey(int row, int column, double key);

    // Rows with a check box in their first cell.
    void SetCheckboxes(bool on);
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);

    void BeginUpdate() { ++update_count_; }
    void EndUpdate();
    int UpdateCount() const { return update_count_; }

    // Sorts the rows stably by one column. A column sorts as dates when every non-empty cell is
    // one, else as numbers when every non-empty cell is one, else as text; empty cells come first.
    // The custom comparison, when given, answers <0, 0 or >0 for two rows (model row numbers).
    using RowCompare = std::function<int(int row_a, int row_b, int column)>;
    void Sort(int column, bool ascending, TAutoSortStyle style = TAutoSortStyle::assSmart,
              const RowCompare& custom = {});
    // Sort in parts, for a caller that sorts a slice at a time: the order Sort sorts by, over the
    // rows as they stand (valid while Changes is unchanged; added rows must have reached the views),
    // and the rows put into a sorted order of row numbers.
    using RowLess = std::function<bool(int row_a, int row_b)>;
    RowLess SortOrder(int column, bool ascending, TAutoSortStyle style = TAutoSortStyle::assSmart,
                      const RowCompare& custom = {}) const;
    void ApplyOrder(const std::vector<int>& order);
    // Counts every change of the rows and their cells.
    std::uint64_t Changes() const { return changes_; }

    // Virtual rows: the model holds none; rowCount is the given count and texts come from the source.
    void SetVirtual(bool on);
    bool IsVirtual() const { return virtual_; }
    void SetVirtualCount(int count);
    using VirtualText = std::function<QString(int row, int column)>;
    void SetVirtualText(VirtualText source) { virtual_text_ = std::move(source); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Cell {
        QString Text;
        int Image = -1;
        enum Kind : unsigned char { Empty, Date, Number, Plain } Kind = Empty;
        double Value = 0;  // the date or the number
        std::optional<QCollatorSortKey> TextKey;
    };
    struct Row {
        std::vector<Cell> Cells;
        QVariant Data;
        bool Checked = false;
    };
    struct Column {
        QString Caption;
        Qt::Alignment Alignment;
    };

    void SetCell(Cell& cell, const QString& text) const;
    Row MakeRow(const QStringList& texts, const QVariant& data) const;
    void Flush();
    const Cell* CellAt(int row, int column) const;
    RowLess SortOrderAscending(int column, TAutoSortStyle style, const RowCompare& custom) const;
    bool FewDistinctTexts(int column) const;
    std::vector<int> TextRanks(int column) const;

    std::vector<Column> columns_;
    std::vector<Row> rows_;
    int shown_ = 0;  // rows the views know of; rows_ beyond them wait for the bracket to close
    int update_count_ = 0;
    std::uint64_t changes_ = 0;
    bool virtual_ = false;
    bool checkboxes_ = false;
    int virtual_count_ = 0;
    VirtualText virtual_text_;
    QCollator collator_;
};

}  // namespace corvane
