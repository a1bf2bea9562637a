#include "archive/zip_tree_model.h"

namespace corvane {

TZipTreeModel::TZipTreeModel(TZipTree& tree, QObject* parent) : QAbstractItemModel(parent), tree_(tree) {
    tree_.SetListener(this);
}

TZipTreeModel::~TZipTreeModel() { tree_.SetListener(nullptr); }

void TZipTreeModel::EndBatch() {
    if (batch_ > 0 && --batch_ == 0) Flush();
}

void TZipTreeModel::Flush() {
    // One at a time: announcing a parent's rows makes its new child folders known with the
    // counts still held back for them.
    while (!shown_.empty()) {
        const auto it = shown_.begin();
        const TZipNodeId parent = it->first;
        const int known = it->second;
        const int count = static_cast<int>(tree_.Children(parent).size());
        if (count <= known) {
            shown_.erase(it);
            continue;
        }
        beginInsertRows(IndexOf(parent), known, count - 1);
        shown_.erase(it);
        endInsertRows();
    }
}

QModelIndex TZipTreeModel::IndexOf(TZipNodeId id) const {
    const TZipNode* node = tree_.Node(id);
    if (node == nullptr) return {};
    return createIndex(node->Row, 0, static_cast<quintptr>(id));
}

TZipNodeId TZipTreeModel::NodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<TZipNodeId>(index.internalId()) : kZipRoot;
}

void TZipTreeModel::NodeChanged(TZipNodeId id) {
    const QModelIndex at = IndexOf(id);
    if (at.isValid()) emit dataChanged(at, at);
}

QModelIndex TZipTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || row >= rowCount(parent)) return {};
    const std::vector<TZipNodeId>& children = tree_.Children(NodeOf(parent));
    return createIndex(row, 0, static_cast<quintptr>(children[static_cast<std::size_t>(row)]));
}

QModelIndex TZipTreeModel::parent(const QModelIndex& child) const {
    const TZipNode* node = tree_.Node(NodeOf(child));
    if (node == nullptr || node->Parent == kZipRoot) return {};
    return IndexOf(node->Parent);
}

int TZipTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    const TZipNodeId id = NodeOf(parent);
    const auto held = shown_.find(id);
    if (held != shown_.end()) return held->second;
    return static_cast<int>(tree_.Children(id).size());
}

int TZipTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant TZipTreeModel::data(const QModelIndex& index, int role) const {
    const TZipNodeId id = NodeOf(index);
    if (tree_.Node(id) == nullptr) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: return QString::fromStdString(tree_.Text(id));
        case ImageIndexRole: return IconIndex ? IconIndex(id) : 0;
        case Qt::DecorationRole:
            if (Icon && IconIndex) return Icon(IconIndex(id));
            return {};
        case NodeRole: return QVariant::fromValue<qulonglong>(id);
        default: return {};
    }
}

bool TZipTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !Rename) return false;
    const TZipNodeId id = NodeOf(index);
    if (!Rename(id, value.toString().toStdString())) return false;
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags TZipTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const TZipNode* node = tree_.Node(NodeOf(index));
    if (node != nullptr && node->Kind == TZipNodeKind::Archive && CanEdit && CanEdit(node->Id))
        flags |= Qt::ItemIsEditable;
    return flags;
}

void TZipTreeModel::RowsAboutToBeInserted(TZipNodeId parent, int first, int last) {
    if (batch_ > 0) {
        shown_.try_emplace(parent, first);
        return;
    }
    beginInsertRows(IndexOf(parent), first, last);
}

void TZipTreeModel::RowsInserted(TZipNodeId, int, int) {
    if (batch_ == 0) endInsertRows();
}

void TZipTreeModel::RowsAboutToBeRemoved(TZipNodeId parent, int first, int last) {
    // Rows held back must be known before any row moves.
    Flush();
    beginRemoveRows(IndexOf(parent), first, last);
}

void TZipTreeModel::RowsRemoved(TZipNodeId, int, int) { endRemoveRows(); }

TZipPagesModel::TZipPagesModel(QObject* parent) : QAbstractItemModel(parent) {}

void TZipPagesModel::Clear() {
    beginResetModel();
    pages_.clear();
    shown_ = 0;
    endResetModel();
}

void TZipPagesModel::Add(Page page) {
    pages_.push_back(std::move(page));
    if (batch_ == 0) Flush();
}

void TZipPagesModel::EndBatch() {
    if (batch_ > 0 && --batch_ == 0) Flush();
}

void TZipPagesModel::Flush() {
    const int count = static_cast<int>(pages_.size());
    if (count <= shown_) return;
    beginInsertRows({}, shown_, count - 1);
    shown_ = count;
    endInsertRows();
}

const TCVFileInfo* TZipPagesModel::InfoAt(int row) const {
    return row >= 0 && row < shown_ ? &pages_[static_cast<std::size_t>(row)].Info : nullptr;
}

QModelIndex TZipPagesModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || column != 0 || row < 0 || row >= shown_) return {};
    return createIndex(row, 0);
}

QModelIndex TZipPagesModel::parent(const QModelIndex&) const { return {}; }

int TZipPagesModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int TZipPagesModel::columnCount(const QModelIndex&) const { return 1; }

QVariant TZipPagesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_) return {};
    const Page& page = pages_[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) return page.Text;
    if (role == TZipTreeModel::ImageIndexRole) return page.Image;
    if (role == Qt::DecorationRole && Icon) return Icon(page.Image);
    return {};
}

Qt::ItemFlags TZipPagesModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemFlags{};
}

}  // namespace corvane
