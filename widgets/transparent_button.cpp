#include "widgets/transparent_button.h"

#include <algorithm>

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include "widgets/skin_image.h"

namespace corvane {
namespace {

// The classic 3-D colours, from the palette.
struct BevelColours {
    QColor Highlight, Shadow, Face, DarkShadow;
};

BevelColours Bevel(const QPalette& palette) {
    return {palette.color(QPalette::Light), palette.color(QPalette::Dark), palette.color(QPalette::Button),
            palette.color(QPalette::Shadow)};
}

// A bevel of `width` lines inside the rectangle (left, top) to (right, bottom), both exclusive:
// top and left in one colour, bottom and right in the other. The rectangle shrinks by the width.
void Frame3D(QPainter& painter, QRect& box, const QColor& top_left, const QColor& bottom_right, int width) {
    for (int i = 0; i < width && box.width() > 0 && box.height() > 0; ++i) {
        const int l = box.left(), t = box.top(), r = box.right(), b = box.bottom();
        painter.setPen(top_left);
        painter.drawLine(l, b, l, t);
        painter.drawLine(l, t, r, t);
        painter.setPen(bottom_right);
        painter.drawLine(r, t, r, b);
        painter.drawLine(r, b, l, b);
        box.adjust(1, 1, -1, -1);
    }
}

bool InBottomRow(TTextAlign align) {
    return align == TTextAlign::ttaBottomRight || align == TTextAlign::ttaBottom || align == TTextAlign::ttaBottomLeft;
}
bool InTopRow(TTextAlign align) {
    return align == TTextAlign::ttaTopLeft || align == TTextAlign::ttaTop || align == TTextAlign::ttaTopRight;
}
bool InLeftColumn(TTextAlign align) {
    return align == TTextAlign::ttaTopLeft || align == TTextAlign::ttaLeft || align == TTextAlign::ttaBottomLeft;
}
bool InRightColumn(TTextAlign align) {
    return align == TTextAlign::ttaTopRight || align == TTextAlign::ttaRight || align == TTextAlign::ttaBottomRight;
}

}  // namespace

int GlyphIndex(int num_glyphs, int image_count, bool enabled, bool pressed_look, bool hot, TFrameStyle style,
               bool auto_gray) {
    int index = 0;
    if (num_glyphs == 2)
        index = enabled ? 0 : 1;
    else if (num_glyphs >= 3)
        index = !enabled ? 1 : pressed_look ? 2 : 0;
    // Explorer buttons stay grey until the mouse comes; a single image has no grey one (-1: none).
    if (style == TFrameStyle::fsExplorer && auto_gray && !hot)
        index = image_count - 2;
    if (!enabled && num_glyphs == 1)
        index = image_count - 1;
    return index >= 0 && index < image_count ? index : -1;
}

QRect GlyphRect(QSize client, QSize glyph_box, TTextAlign align, int spacing) {
    int top;
    if (InBottomRow(align))
        top = spacing;
    else if (InTopRow(align))
        top = client.height() - glyph_box.height() - spacing;
    else
        top = (client.height() - glyph_box.height()) / 2;
    int left;
    if (align == TTextAlign::ttaLeft)
        left = client.width() - glyph_box.width() - spacing;
    else if (align == TTextAlign::ttaRight)
        left = spacing;
    else
        left = (client.width() - glyph_box.width()) / 2;
    return {QPoint(left, top), glyph_box};
}

QRect CaptionRect(QSize client, const QRect& glyph_box, QSize text, TTextAlign align, int spacing) {
    int top;
    if (InTopRow(align))
        top = glyph_box.top() - spacing - text.height();
    else if (InBottomRow(align))
        top = glyph_box.top() + glyph_box.height() + spacing;
    else
        top = (client.height() - text.height()) / 2;
    int left;
    if (InLeftColumn(align))
        left = spacing;
    else if (InRightColumn(align))
        left = client.width() - spacing - text.width();
    else
        left = (client.width() - text.width()) / 2;
    return {QPoint(left, top), text};
}

TTransparentButton::TTransparentButton(QWidget* parent) : QAbstractButton(parent) {
    hilite_font_ = font();
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, false);
    resize(40, 40);
}

void TTransparentButton::SetHiliteFont(const QFont& font) {
    hilite_font_ = font;
    update();
}

void TTransparentButton::SetGlyph(const QImage& glyph) {
    glyph_ = glyph;
    if (glyph_.height() > 0 && glyph_.width() % glyph_.height() == 0) {
        const int count = glyph_.width() / glyph_.height();
        num_glyphs_ = count > 4 ? 1 : std::max(count, 1);
    }
    RebuildImages();
    update();
}

void TTransparentButton::SetNumGlyphs(int value) {
    value = std::clamp(value, 1, 4);
    if (value == num_glyphs_)
        return;
    num_glyphs_ = value;
    RebuildImages();
    update();
}

void TTransparentButton::RebuildImages() {
    images_.clear();
    if (glyph_.isNull())
        return;
    const int width = glyph_.width() / num_glyphs_;
    if (width < 1)
        return;
    // The key colour is the strip's bottom-left pixel, as in the skin's bitmaps.
    QImage strip = glyph_.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = strip.pixel(0, strip.height() - 1);
    for (int y = 0; y < strip.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
        for (int x = 0; x < strip.width(); ++x) {
            if (line[x] == key)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    for (int i = 0; i < num_glyphs_; ++i)
        images_.push_back(strip.copy(i * width, 0, width, strip.height()));
}

void TTransparentButton::SetDown(bool value) {
    if (value == down_)
        return;
    down_ = value;
    pressed_ = value;
    update();
}

int TTransparentButton::CurrentGlyphIndex() const {
    return GlyphIndex(num_glyphs_, static_cast<int>(images_.size()), isEnabled(), pressed_, hot_, frame_style_,
                      auto_gray_);
}

void TTransparentButton::PaintFrame(QPainter& painter) {
    const BevelColours c = Bevel(palette());
    const int w = width(), h = height();
    const QColor fill = hot_ ? hilite_color_ : color_;
    QRect box;
    switch (frame_style_) {
    case TFrameStyle::fsRegular:
        box = QRect(1, 1, w - 1, h - 1);
        if (!transparent_)
            painter.fillRect(box, fill);
        Frame3D(painter, box, Qt::black, Qt::black, border_width_);
        break;
    case TFrameStyle::fsIndent:
        box = QRect(0, 0, w - 1, h - 1);
        if (!transparent_)
            painter.fillRect(box, fill);
        Frame3D(painter, box, c.Shadow, c.Shadow, border_width_);
        box = QRect(1, 1, w - 1, h - 1);
        Frame3D(painter, box, c.Highlight, c.Highlight, border_width_);
        break;
    default:
        if (!transparent_)
            painter.fillRect(rect(), fill);
        break;
    }

    const bool look = pressed_ && show_pressed_;
    box = rect();
    switch (frame_style_) {
    case TFrameStyle::fsRegular:
    case TFrameStyle::fsIndent:
        if (look) {
            Frame3D(painter, box, Qt::black, c.Highlight, border_width_);
            Frame3D(painter, box, c.Shadow, c.Face, border_width_);
        } else if (frame_style_ == TFrameStyle::fsRegular) {
            Frame3D(painter, box, c.Highlight, Qt::black, border_width_);
            Frame3D(painter, box, c.Face, c.Shadow, border_width_);
        } else {
            Frame3D(painter, box, c.Shadow, c.Highlight, border_width_);
        }
        break;
    case TFrameStyle::fsExplorer:
        if (pressed_ && (hot_ || down_)) {
            if (show_pressed_)
                Frame3D(painter, box, c.Shadow, c.Highlight, border_width_);
            else
                Frame3D(painter, box, c.Highlight, c.Shadow, border_width_);
        } else if (hot_) {
            Frame3D(painter, box, c.Highlight, c.Shadow, border_width_);
        }
        break;
    case TFrameStyle::fsNone:
        break;
    case TFrameStyle::fsLight:
        Frame3D(painter, box, look ? c.Shadow : c.Highlight, look ? c.Highlight : c.Shadow, 1);
        break;
    case TFrameStyle::fsDark:
        Frame3D(painter, box, look ? c.DarkShadow : c.Face, look ? c.Face : c.DarkShadow, 1);
        break;
    case TFrameStyle::fsMono:
        Frame3D(painter, box, look ? c.DarkShadow : c.Highlight, look ? c.Highlight : c.DarkShadow, 1);
        break;
    }
}

void TTransparentButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintFrame(painter);

    const bool shift = pressed_ && show_pressed_;
    const QPoint offset = shift ? QPoint(1, 1) : QPoint(0, 0);
    const int image_width = images_.empty() ? 0 : images_.front().width();
    const QSize glyph_box(image_width < 1 ? glyph_.width() : image_width, glyph_.height());
    const QRect glyph_rect = GlyphRect(size(), glyph_box, text_align_, spacing_);
    const int index = CurrentGlyphIndex();
    if (index >= 0) {
        const QImage& image = images_[static_cast<std::size_t>(index)];
        if (!transparent_)
            painter.fillRect(QRect(glyph_rect.topLeft() + offset, image.size()), Bevel(palette()).Face);
        painter.drawImage(glyph_rect.topLeft() + offset, image);
    }

    if (text().isEmpty())
        return;
    painter.setFont(hot_ ? hilite_font_ : font());
    const int flags = Qt::TextShowMnemonic | (word_wrap_ ? Qt::TextWordWrap : Qt::TextSingleLine);
    const QSize text_size = painter.fontMetrics().boundingRect(rect(), flags, text()).size();
    const QRect caption = CaptionRect(size(), glyph_rect, text_size, text_align_, spacing_).translated(offset);
    const int draw_flags = flags | Qt::AlignCenter | Qt::TextDontClip;
    if (!isEnabled()) {
        const BevelColours c = Bevel(palette());
        painter.setPen(c.Highlight);
        painter.drawText(caption.translated(1, 1), draw_flags, text());
        painter.setPen(c.Shadow);
    } else {
        painter.setPen(hot_ ? hilite_font_color_ : font_color_);
    }
    painter.drawText(caption, draw_flags, text());
}

void TTransparentButton::mousePressEvent(QMouseEvent* event) {
    if (!isEnabled() || held_)
        return;
    const QPoint point = event->position().toPoint();
    held_ = true;
    if (movable_)
        drag_origin_ = point;
    emit MouseDown(event->button(), point);
    if (rect().contains(point)) {
        pressed_ = true;
        update();
    }
    QMenu* menu = dropdown_menu_ ? dropdown_menu_.data()
                                 : event->button() == Qt::RightButton ? popup_menu_.data() : nullptr;
    if (!menu)
        return;
    // The menu takes the mouse until it closes; then the press ends here, without a click, and the
    // release that follows finds no press under way.
    const QPointer<TTransparentButton> self(this);
    menu->exec(mapToGlobal(QPoint(0, height())));
    if (self)
        Release(event->button(), mapFromGlobal(QCursor::pos()), false);
}

void TTransparentButton::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    emit MouseMove(point);
    if (!held_)
        return;
    if (movable_) {
        move(mapToParent(point - drag_origin_));
        return;
    }
    const bool inside = rect().contains(point);
    if (!down_ && inside != pressed_) {
        pressed_ = inside;
        update();
    }
}

void TTransparentButton::mouseReleaseEvent(QMouseEvent* event) {
    Release(event->button(), event->position().toPoint(), true);
}

void TTransparentButton::Release(Qt::MouseButton button, QPoint point, bool may_click) {
    if (!isEnabled() || !held_)
        return;
    held_ = false;
    if (!down_) {
        pressed_ = false;
        update();
    }
    emit MouseUp(button, point);
    if (may_click && button == Qt::LeftButton && rect().contains(point))
        click();
}

// Double clicks arrive as presses: the button counts each press.
void TTransparentButton::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void TTransparentButton::enterEvent(QEnterEvent* event) {
    if (isEnabled()) {
        hot_ = true;
        emit MouseEnter();
        update();  // transparent buttons too: the hot frame and colours must show
    }
    QAbstractButton::enterEvent(event);
}

void TTransparentButton::leaveEvent(QEvent* event) {
    if (isEnabled()) {
        hot_ = false;
        emit MouseExit();
        update();
    }
    QAbstractButton::leaveEvent(event);
}

void TTransparentButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        hot_ = false;
        held_ = false;
        pressed_ = down_;  // a latched button stays latched
        update();
    }
    QAbstractButton::changeEvent(event);
}

bool LoadSkinGlyph(TTransparentButton& button, const std::string& name) {
    const QImage strip = LoadSkinImage(name);
    if (strip.isNull())
        return false;
    button.SetGlyph(strip);
    return true;
}

}  // namespace corvane
