#pragma once
// How the task explorer draws: the six images of its mark column, and the cell delegate that gives
// each row its image and its state's text colour.

#include <QPixmap>
#include <QStyledItemDelegate>
#include <vector>

namespace corvane {

class TExploreModel;

// No mark, download, mapping, update, error, finished; 16 x 16, drawn here.
std::vector<QPixmap> ExploreCheckImages();

class TExploreDelegate : public QStyledItemDelegate {
public:
    // The model and the images outlive the delegate.
    TExploreDelegate(const TExploreModel& model, const std::vector<QPixmap>& images, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static constexpr int kImageLeft = 2;
    static constexpr int kImageSize = 16;

private:
    const TExploreModel& model_;
    const std::vector<QPixmap>& images_;
};

}  // namespace corvane
