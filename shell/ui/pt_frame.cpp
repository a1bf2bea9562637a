#include "shell/ui/pt_frame.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include "shell/ns/com.h"
#include "shell/ui/guarded_handler.h"

namespace corvane::shell {

namespace {

constexpr int kGroupCaptionIndent = 8;
constexpr int kTextFlags = Qt::TextSingleLine | Qt::TextShowMnemonic;

// One-pixel lines: top-left colour on the top row and left column, bottom-right colour on the
// bottom row and right column (which own the two far corners).
void Bevel(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    if (r.width() <= 0 || r.height() <= 0) return;
    p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
}

void HorzPair(QPainter& p, const QRect& r, int y, const QPalette& pal) {
    p.fillRect(QRect(r.left(), y, r.width(), 1), pal.color(QPalette::Dark));
    p.fillRect(QRect(r.left(), y + 1, r.width(), 1), pal.color(QPalette::Light));
}

void VertPair(QPainter& p, const QRect& r, int x, const QPalette& pal) {
    p.fillRect(QRect(x, r.top(), 1, r.height()), pal.color(QPalette::Dark));
    p.fillRect(QRect(x + 1, r.top(), 1, r.height()), pal.color(QPalette::Light));
}

}  // namespace

void DrawFrameStyle(QPainter& p, const QRect& r, TPTFrameStyle style, const QPalette& pal) {
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor highlight = pal.color(QPalette::Light);
    const QColor darkShadow = pal.color(QPalette::Shadow);
    const QColor face = pal.color(QPalette::Button);
    switch (style) {
        case TPTFrameStyle::ptfsNone:
        case TPTFrameStyle::ptfsGroup: break;
        case TPTFrameStyle::ptfsLowered:
            Bevel(p, r, shadow, highlight);
            Bevel(p, r.adjusted(1, 1, -1, -1), darkShadow, face);
            break;
        case TPTFrameStyle::ptfsRaised:
            Bevel(p, r, highlight, darkShadow);
            Bevel(p, r.adjusted(1, 1, -1, -1), face, shadow);
            break;
        case TPTFrameStyle::ptfsDint: Bevel(p, r, shadow, highlight); break;
        case TPTFrameStyle::ptfsBump: Bevel(p, r, highlight, shadow); break;
        case TPTFrameStyle::ptfsSingle:
            Bevel(p, r, pal.color(QPalette::WindowText), pal.color(QPalette::WindowText));
            break;
        case TPTFrameStyle::ptfsHorzEdge: HorzPair(p, r, r.bottom() - 1, pal); [[fallthrough]];
        case TPTFrameStyle::ptfsHorzLine: HorzPair(p, r, r.top(), pal); break;
        case TPTFrameStyle::ptfsVertEdge: VertPair(p, r, r.right() - 1, pal); [[fallthrough]];
        case TPTFrameStyle::ptfsVertLine: VertPair(p, r, r.left(), pal); break;
    }
}

QMargins FrameInsets(TPTFrameStyle style) {
    switch (style) {
        case TPTFrameStyle::ptfsLowered:
        case TPTFrameStyle::ptfsRaised: return {2, 2, 2, 2};
        case TPTFrameStyle::ptfsDint:
        case TPTFrameStyle::ptfsBump:
        case TPTFrameStyle::ptfsSingle: return {1, 1, 1, 1};
        case TPTFrameStyle::ptfsHorzLine: return {0, 2, 0, 0};
        case TPTFrameStyle::ptfsHorzEdge: return {0, 2, 0, 2};
        case TPTFrameStyle::ptfsVertLine: return {2, 0, 0, 0};
        case TPTFrameStyle::ptfsVertEdge: return {2, 0, 2, 0};
        case TPTFrameStyle::ptfsGroup: return {2, 2, 2, 2};
        case TPTFrameStyle::ptfsNone: break;
    }
    return {};
}

QSize MeasureCaption(const QString& caption, const QFont& font) {
    const QString measured = caption.isEmpty() || caption == QStringLiteral("&") ? QStringLiteral(" ") : caption;
    return QFontMetrics(font).size(kTextFlags, measured);
}

// ---- shared properties

TPTFramedWidget::TPTFramedWidget(TPTFrameStyle style, QWidget* parent) : QWidget(parent), style_(style) {
    resize(64, 48);
}

void TPTFramedWidget::SetAlignment(Qt::Alignment alignment) {
    alignment_ = alignment & Qt::AlignHorizontal_Mask;
    update();
}

void TPTFramedWidget::SetDefaultDrawing(bool on) {
    default_drawing_ = on;
    update();
}

void TPTFramedWidget::SetFrameSpace(int pixels) {
    frame_space_ = pixels;
    update();
}

void TPTFramedWidget::SetFrameStyle(TPTFrameStyle style) {
    style_ = style;
    Restyled();
    update();
}

void TPTFramedWidget::SetCaption(const QString& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    Restyled();
    update(InnerRect());
}

QRect TPTFramedWidget::InnerRect() const { return rect().marginsRemoved(FrameInsets(style_)); }

void TPTFramedWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::EnabledChange) {
        Restyled();
        update();
    }
    QWidget::changeEvent(event);
}

void TPTFramedWidget::FireOnPaint(QPainter& painter) {
    if (OnPaint) RunGuarded(this, true, [&] { OnPaint(this, painter); });
}

void TPTFramedWidget::DrawCaption(QPainter& painter, const QRect& area) {
    const QRect text = area.adjusted(frame_space_, 0, -frame_space_, 0);
    const QFontMetrics metrics(font());
    displayed_ = metrics.elidedText(caption_, Qt::ElideRight, std::max(0, text.width()), kTextFlags);
    const int height = MeasureCaption(caption_, font()).height();
    const QRect line(text.left(), text.top() + (text.height() - height) / 2, text.width(), height);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(line, static_cast<int>(alignment_ | Qt::AlignVCenter) | kTextFlags, displayed_);
}

// ---- TPTFrame

TPTFrame::TPTFrame(QWidget* parent) : TPTFramedWidget(TPTFrameStyle::ptfsLowered, parent) {
    setAutoFillBackground(true);
}

void TPTFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawFrameStyle(painter, rect(), FrameStyle(), palette());
    if (DefaultDrawing() && FrameStyle() != TPTFrameStyle::ptfsGroup) DrawCaption(painter, InnerRect());
    FireOnPaint(painter);
}

// ---- TPTGroup

TPTGroup::TPTGroup(QWidget* parent, TPTFrameStyle style) : TPTFramedWidget(style, parent) {
    setAutoFillBackground(true);
    Restyled();
}

int TPTGroup::CaptionHeight() const {
    return Caption().isEmpty() ? 2 : QFontMetrics(font()).size(kTextFlags, QStringLiteral("0")).height();
}

QRect TPTGroup::InnerRect() const {
    if (FrameStyle() != TPTFrameStyle::ptfsGroup) return TPTFramedWidget::InnerRect();
    return rect().adjusted(2, CaptionHeight(), -2, -2);
}

void TPTGroup::Restyled() {
    // Children sit inside the frame.
    if (FrameStyle() == TPTFrameStyle::ptfsGroup) setContentsMargins(2, CaptionHeight(), 2, 2);
    else setContentsMargins(FrameInsets(FrameStyle()));
}

void TPTGroup::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (FrameStyle() != TPTFrameStyle::ptfsGroup) {
        DrawFrameStyle(painter, rect(), FrameStyle(), palette());
        FireOnPaint(painter);
        return;
    }
    const int h = CaptionHeight();
    const QRect box = rect().adjusted(0, h / 2, 0, 0);
    const QPalette& pal = palette();
    // Etched: the highlight one pixel down and right, the shadow over it.
    painter.setPen(pal.color(QPalette::Light));
    painter.drawRect(box.adjusted(1, 1, -1, -1));
    painter.setPen(pal.color(QPalette::Dark));
    painter.drawRect(box.adjusted(0, 0, -2, -2));
    if (!Caption().isEmpty()) {
        const QFontMetrics metrics(font());
        const QString text = metrics.elidedText(Caption(), Qt::ElideRight,
                                                std::max(0, width() - 2 * kGroupCaptionIndent), kTextFlags);
        QRect line(kGroupCaptionIndent, 0, metrics.size(kTextFlags, text).width(), h);
        if ((Alignment() & Qt::AlignRight) != 0) line.moveRight(width() - 1 - kGroupCaptionIndent);
        else if ((Alignment() & Qt::AlignHCenter) != 0) line.moveLeft((width() - line.width()) / 2);
        painter.fillRect(line, pal.color(QPalette::Window));
        painter.setFont(font());
        if (isEnabled()) {
            painter.setPen(pal.color(QPalette::WindowText));
            painter.drawText(line, kTextFlags, text);
        } else {
            painter.setPen(pal.color(QPalette::Light));
            painter.drawText(line.translated(1, 1), kTextFlags, text);
            painter.setPen(pal.color(QPalette::Dark));
            painter.drawText(line, kTextFlags, text);
        }
    }
    FireOnPaint(painter);
}

// ---- TPTPane and the image combo's items

TPTPane::TPTPane(QWidget* parent) : TPTGroup(parent, TPTFrameStyle::ptfsLowered) {}

TPTImageComboItem* ImageComboItem(const QComboBox& combo, int index) {
    const QVariant data = combo.itemData(index);
    if (!data.isValid() || data.isNull()) return nullptr;
    if (data.canConvert<QObject*>()) {
        QObject* object = data.value<QObject*>();
        if (object == nullptr) return nullptr;
        if (auto* item = qobject_cast<TPTImageComboItem*>(object)) return item;
    }
    throw EShellError("Invalid class typecast");
}

}  // namespace corvane::shell
