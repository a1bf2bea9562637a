#include "app/explore_draw.h"

#include <QPainter>
#include <QPainterPath>

#include "app/explore_model.h"

namespace corvane {
namespace {

QPixmap Box(const QColor& fill) {
    QPixmap image(TExploreDelegate::kImageSize, TExploreDelegate::kImageSize);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.setBrush(fill);
    p.drawRect(2, 2, 11, 11);
    return image;
}

QPixmap Disc(const QColor& fill) {
    QPixmap image(TExploreDelegate::kImageSize, TExploreDelegate::kImageSize);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    return image;
}

void Tick(QPixmap& image, const QColor& color) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 2));
    p.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 10.5), QPointF(11.5, 5)}));
}

}  // namespace

std::vector<QPixmap> ExploreCheckImages() {
    std::vector<QPixmap> images(eiImageCount);
    images[eiNoMark] = Box(Qt::white);

    images[eiDownload] = Box(Qt::white);
    Tick(images[eiDownload], QColor(0x00, 0x80, 0x00));

    images[eiMapping] = Box(Qt::white);
    {
        QPainter p(&images[eiMapping]);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x00, 0x00, 0xC0));
        p.drawRect(5, 5, 6, 6);  // a filled square: the page is mapped, not its files
    }

    images[eiUpdate] = Box(Qt::white);
    {
        QPainter p(&images[eiUpdate]);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0xC0, 0x60, 0x00), 1.6));
        p.drawArc(QRectF(4.5, 4.5, 7, 7), 30 * 16, 270 * 16);  // circling arrow: fetch again
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xC0, 0x60, 0x00));
        p.drawPolygon(QPolygonF({QPointF(10, 3.5), QPointF(13, 6.5), QPointF(9, 7.5)}));
    }

    images[eiError] = Disc(QColor(0xC0, 0x00, 0x00));
    {
        QPainter p(&images[eiError]);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
    }

    // Finished: a green disc with a white tick, unlike the download mark's box.
    images[eiFinished] = Disc(QColor(0x20, 0x90, 0x30));
    Tick(images[eiFinished], Qt::white);
    return images;
}

TExploreDelegate::TExploreDelegate(const TExploreModel& model, const std::vector<QPixmap>& images, QObject* parent)
    : QStyledItemDelegate(parent), model_(model), images_(images) {}

void TExploreDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    // The state's colour for the text; a row past the queue's end keeps the list's.
    if (const auto color = model_.RowColor(index.row())) cell.palette.setColor(QPalette::Text, *color);
    QStyledItemDelegate::paint(painter, cell, index);
    if (index.column() != ecMark) return;
    const int image = model_.RowImage(index.row());
    if (image < 0 || image >= static_cast<int>(images_.size())) return;
    const QRect& r = option.rect;
    painter->drawPixmap(r.left() + kImageLeft, r.top() + (r.height() - kImageSize) / 2,
                        images_[static_cast<std::size_t>(image)]);
}

QSize TExploreDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(size.height(), kImageSize + 2));
    return size;
}

}  // namespace corvane
