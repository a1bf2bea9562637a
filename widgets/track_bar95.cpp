#include "widgets/track_bar95.h"

#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionSlider>
#include <QStylePainter>

namespace corvane {
namespace {

// Gives the owning track bar's handle thickness when it asks for a fixed one.
class FixedThumbStyle : public QProxyStyle {
public:
    explicit FixedThumbStyle(TTrackBar95& owner) : QProxyStyle(nullptr), owner_(&owner) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        const int base = QProxyStyle::pixelMetric(metric, option, widget);
        // Styles ask without naming the widget; this style serves only its owner.
        if (!owner_ || !owner_->FixedLength() || owner_->ThumbSize() <= 0)
            return base;
        // Some styles size the handle by the one, some by the other.
        if (metric == PM_SliderControlThickness || metric == PM_SliderThickness)
            return owner_->ThumbSize();
        return base;
    }

private:
    QPointer<TTrackBar95> owner_;
};

}  // namespace

TTrackBar95::TTrackBar95(QWidget* parent) : TTrackBar95(Qt::Horizontal, parent) {}

TTrackBar95::TTrackBar95(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {
    auto* style = new FixedThumbStyle(*this);
    style->setParent(this);
    setStyle(style);
}

void TTrackBar95::SetFixedLength(bool value) {
    if (value == fixed_length_)
        return;
    fixed_length_ = value;
    StyleChanged();
}

void TTrackBar95::SetThumbSize(int value) {
    if (value == thumb_size_)
        return;
    thumb_size_ = value;
    StyleChanged();
}

void TTrackBar95::SetThumb(bool value) {
    if (value == thumb_)
        return;
    thumb_ = value;
    update();
}

void TTrackBar95::StyleChanged() {
    updateGeometry();
    update();
}

QRect TTrackBar95::HandleRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void TTrackBar95::paintEvent(QPaintEvent* event) {
    if (thumb_) {
        QSlider::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove;
    if (tickPosition() != NoTicks)
        option.subControls |= QStyle::SC_SliderTickmarks;
    option.activeSubControls = QStyle::SC_None;
    painter.drawComplexControl(QStyle::CC_Slider, option);
}

}  // namespace corvane
