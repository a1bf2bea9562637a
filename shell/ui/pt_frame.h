#pragma once
// Framed panels: TPTFrame, a frame or bevel with a one-line caption (the folder dialog's status
// line), and TPTGroup, a container whose frame lies around its contents. They share the eleven
// frame styles, drawn with the palette: Dark = shadow, Light = highlight, Shadow = dark shadow,
// Button = face, WindowText = the frame line. TPTPane is a group used as a splitter's pane.

#include <QComboBox>
#include <QMargins>
#include <QObject>
#include <QWidget>
#include <functional>

class QPainter;

namespace corvane::shell {

enum class TPTFrameStyle {
    ptfsNone,
    ptfsGroup,
    ptfsLowered,
    ptfsRaised,
    ptfsDint,
    ptfsBump,
    ptfsSingle,
    ptfsHorzLine,
    ptfsHorzEdge,
    ptfsVertLine,
    ptfsVertEdge
};
inline constexpr int kFrameStyleCount = 11;

using TPTFramePaintEvent = std::function<void(QObject* sender, QPainter& painter)>;

// The frame of a style on rect (every style but the group box).
void DrawFrameStyle(QPainter& painter, const QRect& rect, TPTFrameStyle style, const QPalette& palette);
// The width of the frame on each side (the group box: by its caption, see TPTCustomGroup).
QMargins FrameInsets(TPTFrameStyle style);
// The size a caption takes; an empty caption or a lone "&" is measured as " ".
QSize MeasureCaption(const QString& caption, const QFont& font);

// What the frame and the group share.
class TPTFramedWidget : public QWidget {
    Q_OBJECT

public:
    TPTFramedWidget(TPTFrameStyle style, QWidget* parent);

    Qt::Alignment Alignment() const { return alignment_; }
    void SetAlignment(Qt::Alignment alignment);
    bool DefaultDrawing() const { return default_drawing_; }
    void SetDefaultDrawing(bool on);
    int FrameSpace() const { return frame_space_; }
    void SetFrameSpace(int pixels);
    TPTFrameStyle FrameStyle() const { return style_; }
    void SetFrameStyle(TPTFrameStyle style);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    TPTFramePaintEvent OnPaint;

    // The caption as last drawn (elided to fit).
    QString DisplayedCaption() const { return displayed_; }

protected:
    // The rectangle inside the frame's lines.
    virtual QRect InnerRect() const;
    virtual void Restyled() {}
    void DrawCaption(QPainter& painter, const QRect& area);
    // OnPaint, its exceptions shown as warnings after the paint.
    void FireOnPaint(QPainter& painter);
    void changeEvent(QEvent* event) override;

private:
    Qt::Alignment alignment_ = Qt::AlignHCenter;
    bool default_drawing_ = true;
    int frame_space_ = 2;
    TPTFrameStyle style_;
    QString caption_;
    QString displayed_;
};

class TPTFrame : public TPTFramedWidget {
    Q_OBJECT

public:
    explicit TPTFrame(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TPTGroup : public TPTFramedWidget {
    Q_OBJECT

public:
    explicit TPTGroup(QWidget* parent = nullptr, TPTFrameStyle style = TPTFrameStyle::ptfsGroup);

protected:
    QRect InnerRect() const override;
    void Restyled() override;
    void paintEvent(QPaintEvent* event) override;

private:
    int CaptionHeight() const;
};

class TPTPane : public TPTGroup {
    Q_OBJECT

public:
    explicit TPTPane(QWidget* parent = nullptr);

    int MinSize = 20;
    int Index = 0;
};

// The object an image combo box keeps with each entry (as a QObject* in its user data).
class TPTImageComboItem : public QObject {
    Q_OBJECT

public:
    explicit TPTImageComboItem(QObject* parent = nullptr) : QObject(parent) {}
    int ImageIndex = -1;
    int Indent = 0;
};

// The entry's object; null when it has none; an object of another class throws EShellError.
TPTImageComboItem* ImageComboItem(const QComboBox& combo, int index);

}  // namespace corvane::shell
