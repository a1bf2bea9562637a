#pragma once
// The rows of the task explorer: row i is the task's queue item i (queue lines 2i and 2i + 1), read
// from the queue whenever a cell is asked for; nothing is copied. The row count is kept until Refresh
// or SyncRowCount reads it again, so that a view can follow a queue that grows or shrinks.
//
// Main thread. The queue may change under the model (dispatcher, parse worker): a row shows the state
// it had when it was read, and a row past the queue's current end is empty.

#include <QAbstractTableModel>
#include <QColor>
#include <memory>
#include <optional>

namespace corvane {

class TCVTask;

// The list's columns, "Mark" first.
enum TExploreColumn {
    ecMark, ecStatus, ecTitle, ecURL, ecType, ecSize, ecLastModified, ecDownloadResult, ecLevel, ecReferrer,
    ecColumnCount
};

// Images of the mark column.
enum TExploreImage { eiNoMark, eiDownload, eiMapping, eiUpdate, eiError, eiFinished, eiImageCount };

// The image of an item: the mark while it waits or runs, the error or finished image, none (-1) for a
// Downloaded item.
int ExploreImageFor(int state, int mark);
// The text colour of a row by its state text; none keeps the list's colour.
std::optional<QColor> ExploreColorFor(const QString& state_text);

class TExploreModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ImageRole = Qt::UserRole + 1;

    explicit TExploreModel(QObject* parent = nullptr);

    std::shared_ptr<TCVTask> Task() const { return task_; }
    // Shows the task (none: no rows) and reads its row count.
    void SetTask(std::shared_ptr<TCVTask> task);
    // Reads the row count again; true when it changed.
    bool SyncRowCount();
    // The row count the queue has now (its lines divided by 2).
    int QueueRows() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // One cell, one row's image and colour, read from the queue now. Empty, -1 and none past its end.
    QString CellText(int row, int column) const;
    int RowImage(int row) const;
    std::optional<QColor> RowColor(int row) const;

private:
    std::shared_ptr<TCVTask> task_;
    int rows_ = 0;
};

}  // namespace corvane
