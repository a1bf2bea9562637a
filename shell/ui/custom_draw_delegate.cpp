#include "shell/ui/custom_draw_delegate.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>

namespace corvane::shell {

TPTCustomDrawDelegate::TPTCustomDrawDelegate(ICustomDrawHost& host, QObject* parent)
    : QStyledItemDelegate(parent), host_(host) {}

QStyleOptionViewItem TPTCustomDrawDelegate::ItemOption(const QStyleOptionViewItem& base,
                                                       const QModelIndex& index) const {
    QStyleOptionViewItem option = base;
    initStyleOption(&option, index);
    host_.DecorateItem(option, index);
    return option;
}

QRect TPTCustomDrawDelegate::TextRect(const QStyleOptionViewItem& base, const QModelIndex& index) const {
    const QStyleOptionViewItem option = ItemOption(base, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const QRect cell = style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget);
    // The label's own extent, as far as the cell shows it.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const int width = std::min(cell.width(), option.fontMetrics.horizontalAdvance(option.text) + 2 * margin);
    const Qt::Alignment horizontal = option.displayAlignment & Qt::AlignHorizontal_Mask;
    return QStyle::alignedRect(option.direction, horizontal | Qt::AlignVCenter, QSize(width, cell.height()), cell);
}

void TPTCustomDrawDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& base,
                                                 const QModelIndex& index) const {
    const QStyleOptionViewItem option = ItemOption(base, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    editor->setGeometry(style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget));
}

QSize TPTCustomDrawDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QStyleOptionViewItem item = ItemOption(option, index);
    const QWidget* widget = item.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    return style->sizeFromContents(QStyle::CT_ItemViewItem, &item, QSize(), widget);
}

void TPTCustomDrawDelegate::paint(QPainter* painter, const QStyleOptionViewItem& base,
                                  const QModelIndex& index) const {
    QStyleOptionViewItem option = ItemOption(base, index);
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    if (!host_.ItemDrawRequested()) {
        style->drawControl(QStyle::CE_ItemViewItem, &option, painter, widget);
        return;
    }
    TNMCustomDraw nm;
    nm.dwDrawStage = CDDS_ITEMPREPAINT;
    nm.painter = painter;
    nm.rc = option.rect;
    nm.item = index;
    nm.selected = (option.state & QStyle::State_Selected) != 0;
    nm.focused = (option.state & QStyle::State_HasFocus) != 0;
    nm.font = option.font;
    const QPalette::ColorRole textRole = nm.selected ? QPalette::HighlightedText : QPalette::Text;
    nm.clrText = option.palette.color(QPalette::Active, textRole);
    nm.clrTextBk = option.backgroundBrush.style() != Qt::NoBrush ? option.backgroundBrush.color()
                                                                 : option.palette.color(QPalette::Base);
    const QColor textBefore = nm.clrText;
    const QColor backBefore = nm.clrTextBk;
    const std::uint32_t result = host_.CustomDrawNotify(nm);
    if ((result & CDRF_SKIPDEFAULT) == 0) {
        if ((result & CDRF_NEWFONT) != 0) {
            option.font = nm.font;
            option.fontMetrics = QFontMetrics(nm.font);
        }
        if (nm.clrText != textBefore) {
            option.palette.setColor(QPalette::Text, nm.clrText);
            option.palette.setColor(QPalette::HighlightedText, nm.clrText);
        }
        if (nm.clrTextBk != backBefore && nm.clrTextBk.isValid()) option.backgroundBrush = nm.clrTextBk;
        style->drawControl(QStyle::CE_ItemViewItem, &option, painter, widget);
    }
    if ((result & CDRF_NOTIFYPOSTPAINT) != 0) {
        TNMCustomDraw post = nm;
        post.dwDrawStage = CDDS_ITEMPOSTPAINT;
        host_.CustomDrawNotify(post);
    }
}

}  // namespace corvane::shell
