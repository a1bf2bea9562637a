#pragma once
// The flat, owner-drawn toolbar button: seven frame styles, a glyph strip of up to four state
// images, a caption in one of nine places, a hover look, a pressed look, a latched Down state,
// and menus that drop below it.

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <string>
#include <vector>

namespace corvane {

enum class TFrameStyle { fsRegular, fsIndent, fsExplorer, fsNone, fsLight, fsDark, fsMono };
// In this order: the top row, then clockwise, then the centre.
enum class TTextAlign { ttaTopLeft, ttaTop, ttaTopRight, ttaRight, ttaBottomRight, ttaBottom, ttaBottomLeft, ttaLeft,
                        ttaCenter };

// The state image to draw, or -1 for none.
int GlyphIndex(int num_glyphs, int image_count, bool enabled, bool pressed_look, bool hot, TFrameStyle style,
               bool auto_gray);
// The glyph's box: one state image wide, placed opposite the caption.
QRect GlyphRect(QSize client, QSize glyph_box, TTextAlign align, int spacing);
// The caption's box beside the glyph box.
QRect CaptionRect(QSize client, const QRect& glyph_box, QSize text, TTextAlign align, int spacing);

class TTransparentButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TTransparentButton(QWidget* parent = nullptr);

    bool AutoGray() const { return auto_gray_; }
    void SetAutoGray(bool value) { Set(auto_gray_, value); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { Set(transparent_, value); }
    bool ShowPressed() const { return show_pressed_; }
    void SetShowPressed(bool value) { Set(show_pressed_, value); }
    bool Movable() const { return movable_; }
    void SetMovable(bool value) { movable_ = value; }

    // The caption's "&" marks its accelerator key, which clicks the button.
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    QFont HiliteFont() const { return hilite_font_; }
    void SetHiliteFont(const QFont& font);
    QColor FontColor() const { return font_color_; }
    void SetFontColor(const QColor& color) { Set(font_color_, color); }
    QColor HiliteFontColor() const { return hilite_font_color_; }
    void SetHiliteFontColor(const QColor& color) { Set(hilite_font_color_, color); }
    QColor Color() const { return color_; }
    void SetColor(const QColor& color) { Set(color_, color); }
    QColor HiliteColor() const { return hilite_color_; }
    void SetHiliteColor(const QColor& color) { Set(hilite_color_, color); }
    int BorderWidth() const { return border_width_; }
    void SetBorderWidth(int value) { Set(border_width_, value); }
    int Spacing() const { return spacing_; }
    void SetSpacing(int value) { Set(spacing_, value); }
    bool WordWrap() const { return word_wrap_; }
    void SetWordWrap(bool value) { Set(word_wrap_, value); }
    TTextAlign TextAlign() const { return text_align_; }
    void SetTextAlign(TTextAlign value) { Set(text_align_, value); }
    TFrameStyle FrameStyle() const { return frame_style_; }
    void SetFrameStyle(TFrameStyle value) { Set(frame_style_, value); }

    // A strip of state images side by side (normal, disabled, pressed, fourth). A strip whose width is
    // a whole multiple of its height sets NumGlyphs from it (1 beyond four). The colour of the
    // bottom-left pixel becomes transparent.
    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& glyph);
    int NumGlyphs() const { return num_glyphs_; }
    void SetNumGlyphs(int value);
    // The state images cut from the strip, masked.
    const std::vector<QImage>& Images() const { return images_; }

    // A Down button keeps its pressed look.
    bool Down() const { return down_; }
    void SetDown(bool value);
    // Right press shows PopUpMenu; any press shows DropDownMenu, which wins. Both open at the
    // bottom-left corner and no click follows.
    QMenu* PopUpMenu() const { return popup_menu_; }
    void SetPopUpMenu(QMenu* menu) { popup_menu_ = menu; }
    QMenu* DropDownMenu() const { return dropdown_menu_; }
    void SetDropDownMenu(QMenu* menu) { dropdown_menu_ = menu; }

    bool Hot() const { return hot_; }
    bool PressedLook() const { return pressed_; }
    int CurrentGlyphIndex() const;

    QSize sizeHint() const override { return {40, 40}; }

signals:
    void MouseDown(Qt::MouseButton button, QPoint point);
    void MouseMove(QPoint point);
    void MouseUp(Qt::MouseButton button, QPoint point);
    void MouseEnter();
    void MouseExit();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    template <class T>
    void Set(T& field, const T& value) {
        if (field == value)
            return;
        field = value;
        update();
    }
    void RebuildImages();
    void Release(Qt::MouseButton button, QPoint point, bool may_click);
    void PaintFrame(QPainter& painter);

    bool auto_gray_ = true;
    bool transparent_ = true;
    bool show_pressed_ = true;
    bool movable_ = false;
    QFont hilite_font_;
    QColor font_color_ = Qt::black;
    QColor hilite_font_color_ = Qt::white;
    QColor color_ = Qt::white;
    QColor hilite_color_ = Qt::black;
    int border_width_ = 1;
    int spacing_ = 2;
    bool word_wrap_ = false;
    TTextAlign text_align_ = TTextAlign::ttaCenter;
    TFrameStyle frame_style_ = TFrameStyle::fsExplorer;
    QImage glyph_;
    int num_glyphs_ = 1;
    std::vector<QImage> images_;
    bool down_ = false;
    QPointer<QMenu> popup_menu_;
    QPointer<QMenu> dropdown_menu_;

    bool hot_ = false;
    bool held_ = false;     // a press is under way
    bool pressed_ = false;  // the pressed look
    QPoint drag_origin_;
};

// The skin's picture as the button's glyph strip. False (and the glyph left alone) when the picture
// is missing in both skins.
bool LoadSkinGlyph(TTransparentButton& button, const std::string& name);

}  // namespace corvane
