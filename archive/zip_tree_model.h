#pragma once
// Item models over the archive window's data: the Zips tree follows TZipTree, and the Pages tab
// holds the archive's HTML pages. Insertions made between BeginBatch and EndBatch reach the views
// as one insertion per parent, so a listing of many entries costs the views a few signals per
// slice instead of one per entry. Main thread only.

#include <QAbstractItemModel>
#include <QIcon>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "archive/zip_tree.h"

namespace corvane {

class TZipTreeModel : public QAbstractItemModel, public TZipTreeListener {
    Q_OBJECT

public:
    static constexpr int ImageIndexRole = Qt::UserRole + 1;
    static constexpr int NodeRole = Qt::UserRole + 2;

    explicit TZipTreeModel(TZipTree& tree, QObject* parent = nullptr);
    ~TZipTreeModel() override;

    void BeginBatch() { ++batch_; }
    void EndBatch();

    QModelIndex IndexOf(TZipNodeId id) const;
    TZipNodeId NodeOf(const QModelIndex& index) const;
    // The node's text changed.
    void NodeChanged(TZipNodeId id);

    // The system image index of a node, and the icon drawn for an index (none until bound).
    std::function<int(TZipNodeId)> IconIndex;
    std::function<QIcon(int)> Icon;
    // Label edits: which nodes may be edited, and the rename (false keeps the text).
    std::function<bool(TZipNodeId)> CanEdit;
    std::function<bool(TZipNodeId, const std::string&)> Rename;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // No header: the trees show none.
    QVariant headerData(int, Qt::Orientation, int) const override { return {}; }
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void RowsAboutToBeInserted(TZipNodeId parent, int first, int last) override;
    void RowsInserted(TZipNodeId parent, int first, int last) override;
    void RowsAboutToBeRemoved(TZipNodeId parent, int first, int last) override;
    void RowsRemoved(TZipNodeId parent, int first, int last) override;

private:
    void Flush();

    TZipTree& tree_;
    int batch_ = 0;
    // Parents with rows held back: the row count the views know. Ordered by id, so a parent made
    // in the batch is announced before its own children.
    std::map<TZipNodeId, int> shown_;
};

// The data of a page node: its path in the archive.
struct TCVFileInfo {
    std::string FullPath;
};

class TZipPagesModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit TZipPagesModel(QObject* parent = nullptr);

    struct Page {
        QString Text;
        TCVFileInfo Info;
        int Image = 0;
    };
    void Clear();
    void BeginBatch() { ++batch_; }
    void Add(Page page);
    void EndBatch();
    int Count() const { return static_cast<int>(pages_.size()); }
    const TCVFileInfo* InfoAt(int row) const;

    std::function<QIcon(int)> Icon;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int, Qt::Orientation, int) const override { return {}; }
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void Flush();

    std::vector<Page> pages_;
    int shown_ = 0;
    int batch_ = 0;
};

}  // namespace corvane
