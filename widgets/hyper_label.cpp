#include "widgets/hyper_label.h"

#include <QMouseEvent>

namespace corvane {

THyperLabel::THyperLabel(QWidget* parent) : THyperLabel(QString(), parent) {}

THyperLabel::THyperLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
    SetTextColor(color_leave_);
}

void THyperLabel::SetColorLeave(const QColor& color) {
    color_leave_ = color;
    SetTextColor(color);
}

QColor THyperLabel::TextColor() const { return palette().color(QPalette::WindowText); }

void THyperLabel::SetTextColor(const QColor& color) {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color);
    setPalette(colours);
}

void THyperLabel::enterEvent(QEnterEvent* event) {
    SetTextColor(color_enter_);
    QLabel::enterEvent(event);
}

void THyperLabel::leaveEvent(QEvent* event) {
    SetTextColor(color_leave_);
    QLabel::leaveEvent(event);
}

void THyperLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void THyperLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit clicked();
}

}  // namespace corvane
