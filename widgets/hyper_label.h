#pragma once
// A label that behaves like a link: hand cursor, its own colour under the mouse, a click signal.

#include <QColor>
#include <QLabel>

namespace corvane {

class THyperLabel : public QLabel {
    Q_OBJECT
public:
    explicit THyperLabel(QWidget* parent = nullptr);
    explicit THyperLabel(const QString& text, QWidget* parent = nullptr);

    QColor ColorEnter() const { return color_enter_; }
    void SetColorEnter(const QColor& color) { color_enter_ = color; }
    QColor ColorLeave() const { return color_leave_; }
    // Applied at once: the mouse is taken to be outside.
    void SetColorLeave(const QColor& color);

    QColor TextColor() const;

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetTextColor(const QColor& color);

    QColor color_enter_ = Qt::blue;
    QColor color_leave_ = Qt::black;
    bool pressed_ = false;
};

}  // namespace corvane
