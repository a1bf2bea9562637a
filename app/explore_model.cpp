#include "app/explore_model.h"

#include "engine/queue/queue_item.h"
#include "engine/model/task.h"

namespace corvane {

int ExploreImageFor(int state, int mark) {
    if (state <= isUpdating) return mark >= mkSkip && mark <= mkUpdate ? mark : -1;
    if (state == isError) return eiError;
    if (state >= isSaved) return eiFinished;
    return -1;  // Downloaded
}

std::optional<QColor> ExploreColorFor(const QString& state_text) {
    if (state_text == QLatin1String("None")) return QColor(0x80, 0x80, 0x80);
    if (state_text == QLatin1String("Parsed") || state_text == QLatin1String("Saved")) return QColor(0x00, 0x00, 0x80);
    if (state_text == QLatin1String("Downloading")) return QColor(0x00, 0x80, 0x00);
    if (state_text == QLatin1String("Error")) return QColor(0x80, 0x00, 0x00);
    return std::nullopt;
}

TExploreModel::TExploreModel(QObject* parent) : QAbstractTableModel(parent) {}

void TExploreModel::SetTask(std::shared_ptr<TCVTask> task) {
    beginResetModel();
    task_ = std::move(task);
    rows_ = QueueRows();
    endResetModel();
}

bool TExploreModel::SyncRowCount() {
    const int rows = QueueRows();
    if (rows == rows_) return false;
    beginResetModel();
    rows_ = rows;
    endResetModel();
    return true;
}

int TExploreModel::QueueRows() const { return task_ ? task_->QueueLineCount() / 2 : 0; }

int TExploreModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TExploreModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ecColumnCount; }

QVariant TExploreModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
        case Qt::DisplayRole: return CellText(index.row(), index.column());
        case ImageRole: return RowImage(index.row());
        case Qt::ForegroundRole: {
            const auto color = RowColor(index.row());
            return color ? QVariant(*color) : QVariant();
        }
        default: return {};
    }
}

QString TExploreModel::CellText(int row, int column) const {
    if (!task_ || row < 0 || column <= ecMark || column >= ecColumnCount) return {};
    const auto item = task_->GetQItem(2 * row);
    if (!item) return {};
    const auto text = [](const std::string& s) { return QString::fromStdString(s); };
    switch (column) {
        case ecStatus: return text(item->StateText());
        case ecTitle: return text(item->Title);
        case ecURL: return text(item->URL);
        case ecType: return text(item->Type);
        case ecSize: return QString::number(item->Size);
        case ecLastModified: return text(item->LastModified);
        case ecDownloadResult: return text(item->StatusText);
        case ecLevel: return QString::number(item->Level);
        case ecReferrer: return text(item->Referrer);
        default: return {};
    }
}

int TExploreModel::RowImage(int row) const {
    if (!task_ || row < 0) return -1;
    const auto item = task_->GetQItem(2 * row);
    return item ? ExploreImageFor(item->State, item->Mark) : -1;
}

std::optional<QColor> TExploreModel::RowColor(int row) const {
    if (!task_ || row < 0) return std::nullopt;
    const auto item = task_->GetQItem(2 * row);
    if (!item) return std::nullopt;
    return ExploreColorFor(QString::fromStdString(item->StateText()));
}

}  // namespace corvane
