#include "shell/ui/sys_image_list.h"

#include <QCoreApplication>
#include <QFileIconProvider>
#include <algorithm>
#include <QPainter>
#include <QPainterPath>
#include <string>
#include <unordered_map>

#include "shell/ns/sys_icons.h"

namespace corvane::shell {

namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

QFileIconProvider::IconType KindOf(const std::string& key) {
    if (StartsWith(key, "folder") || key == "user-home" || key == "user-desktop") return QFileIconProvider::Folder;
    if (key == "computer") return QFileIconProvider::Computer;
    if (StartsWith(key, "drive-")) return QFileIconProvider::Drive;
    if (StartsWith(key, "user-trash")) return QFileIconProvider::Trashcan;
    if (StartsWith(key, "network")) return QFileIconProvider::Network;
    return QFileIconProvider::File;
}

// Icons by key; theme look-ups are slow enough to keep. The cache empties before the application
// object goes: icons kept past it crash its clean-up.
std::unordered_map<std::string, QIcon>& IconCache() {
    static std::unordered_map<std::string, QIcon>* cache = [] {
        qAddPostRoutine([] { IconCache().clear(); });
        return new std::unordered_map<std::string, QIcon>;
    }();
    return *cache;
}

QIcon IconForKey(const std::string& key) {
    auto& cache = IconCache();
    const auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    const QFileIconProvider provider;
    QIcon icon = QIcon::fromTheme(QString::fromStdString(key), provider.icon(KindOf(key)));
    if (icon.isNull()) icon = provider.icon(QFileIconProvider::File);
    cache.emplace(key, icon);
    return icon;
}

// A bent arrow on a white tile, for themes without a link emblem.
QPixmap PaintedLinkArrow(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5, 0.5, s - 1, s - 1));
    QPainterPath shaft;
    shaft.moveTo(s * 0.25, s * 0.8);
    shaft.quadTo(s * 0.25, s * 0.35, s * 0.65, s * 0.35);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, std::max(1.0, s / 8)));
    p.drawPath(shaft);
    QPolygonF head;
    head << QPointF(s * 0.55, s * 0.15) << QPointF(s * 0.85, s * 0.35) << QPointF(s * 0.55, s * 0.55);
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    p.drawPolygon(head);
    return pixmap;
}

// An open hand stand-in: a blue disc, for themes without a shared emblem.
QPixmap PaintedShareMark(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(QColor(0x20, 0x60, 0xC0));
    p.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
    return pixmap;
}

}  // namespace

TSysImageList::TSysImageList(int kind) : size_(GetSysImageList(kind).size) {}

int TSysImageList::Count() const { return SysIconCount(); }

QIcon TSysImageList::Icon(int index) const {
    const std::string key = SysIconKey(index);
    return IconForKey(key.empty() ? SysIconKey(0) : key);
}

QPixmap TSysImageList::OverlayPixmap(int overlayIndex, int size) {
    const char* emblem = overlayIndex == kOverlayLink ? "emblem-symbolic-link" : "emblem-shared";
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(emblem));
    if (!themed.isNull()) {
        QPixmap pixmap = themed.pixmap(size, size);
        if (!pixmap.isNull()) return pixmap;
    }
    return overlayIndex == kOverlayLink ? PaintedLinkArrow(size) : PaintedShareMark(size);
}

QPixmap TSysImageList::Pixmap(int index, int overlayIndex, bool cut) const {
    // Always size x size: an icon that has only smaller pictures is scaled up, centred.
    QPixmap base(size_, size_);
    base.fill(Qt::transparent);
    {
        QPainter p(&base);
        QPixmap image = Icon(index).pixmap(size_, size_, cut ? QIcon::Disabled : QIcon::Normal);
        if (!image.isNull()) {
            image.setDevicePixelRatio(1);
            if (image.width() != size_ && image.height() != size_)
                image = image.scaled(size_, size_, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            p.drawPixmap((size_ - image.width()) / 2, (size_ - image.height()) / 2, image);
        }
    }
    if (overlayIndex == kOverlayShared || overlayIndex == kOverlayLink) {
        QPainter p(&base);
        const int overlay = std::max(8, size_ / 2);
        p.drawPixmap(0, size_ - overlay, OverlayPixmap(overlayIndex, overlay));
    }
    return base;
}

void TSysImageList::Draw(QPainter& painter, QPoint at, int index, int overlayIndex, bool cut) const {
    painter.drawPixmap(QRect(at, QSize(size_, size_)), Pixmap(index, overlayIndex, cut));
}

}  // namespace corvane::shell
