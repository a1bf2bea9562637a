#include "app/gauge.h"

#include <QPainter>
#include <algorithm>

namespace corvane {

TGauge::TGauge(QWidget* parent) : QWidget(parent) {}

void TGauge::SetProgress(int value) {
    if (value == progress_) return;
    progress_ = value;
    update();
    emit progressChanged(progress_);
}

void TGauge::SetMaxValue(int value) {
    if (value == max_) return;
    max_ = value;
    update();
}

void TGauge::SetShowText(bool value) {
    if (value == show_text_) return;
    show_text_ = value;
    update();
}

void TGauge::SetForeColor(const QColor& color) {
    fore_ = color;
    update();
}

void TGauge::SetBackColor(const QColor& color) {
    back_ = color;
    update();
}

int TGauge::PercentDone() const {
    if (max_ <= 0) return 0;
    // 64-bit: counters near the 32-bit limit would overflow times 100.
    const long long percent = static_cast<long long>(std::clamp(progress_, 0, max_)) * 100 / max_;
    return static_cast<int>(percent);
}

void TGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), back_);
    const int filled =
        max_ > 0 ? static_cast<int>(static_cast<long long>(std::clamp(progress_, 0, max_)) * width() / max_) : 0;
    painter.fillRect(QRect(0, 0, filled, height()), fore_);
    if (!show_text_ || height() < 8) return;
    QFont small = font();
    small.setPixelSize(std::max(7, height() - 1));
    painter.setFont(small);
    const QString text = QString::number(PercentDone()) + QLatin1Char('%');
    // Dark over the filled part, light over the rest.
    painter.setClipRect(QRect(0, 0, filled, height()));
    painter.setPen(Qt::black);
    painter.drawText(rect(), Qt::AlignCenter, text);
    painter.setClipRect(QRect(filled, 0, width() - filled, height()));
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter, text);
}

}  // namespace corvane
