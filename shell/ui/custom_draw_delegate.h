#pragma once
// The item painter of the custom-draw views: it asks the view for an item's text and image when the
// item is drawn, sends the item stages of the custom-draw protocol around it and obeys the result
// word (skip the default drawing, a new font, the colours the handler chose).

#include <QStyledItemDelegate>
#include <cstdint>

#include "shell/ui/custom_draw.h"

namespace corvane::shell {

class ICustomDrawHost {
public:
    // The pre-paint stage asked for item notifications.
    virtual bool ItemDrawRequested() const = 0;
    // One notification through the view's custom-draw dispatch; the result word.
    virtual std::uint32_t CustomDrawNotify(TNMCustomDraw& notification) = 0;
    // Fills the item's text and image, asked on demand.
    virtual void DecorateItem(QStyleOptionViewItem& option, const QModelIndex& index) = 0;

protected:
    ~ICustomDrawHost() = default;
};

class TPTCustomDrawDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    TPTCustomDrawDelegate(ICustomDrawHost& host, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // A label editor covers the text, not the item's image.
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // The option the item is drawn with, before any handler; and the rectangle of its text.
    QStyleOptionViewItem ItemOption(const QStyleOptionViewItem& base, const QModelIndex& index) const;
    QRect TextRect(const QStyleOptionViewItem& base, const QModelIndex& index) const;

private:
    ICustomDrawHost& host_;
};

}  // namespace corvane::shell
