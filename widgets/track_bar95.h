#pragma once
// A slider with the track bar's extra looks: a handle of fixed thickness, or no handle at all.

#include <QSlider>

namespace corvane {

class TTrackBar95 : public QSlider {
    Q_OBJECT
public:
    explicit TTrackBar95(QWidget* parent = nullptr);
    explicit TTrackBar95(Qt::Orientation orientation, QWidget* parent = nullptr);

    // With FixedLength the handle is ThumbSize pixels thick (across the groove); otherwise the
    // style's own size holds.
    bool FixedLength() const { return fixed_length_; }
    void SetFixedLength(bool value);
    int ThumbSize() const { return thumb_size_; }
    void SetThumbSize(int value);
    // False paints no handle; the value still changes by keys and clicks on the groove.
    bool Thumb() const { return thumb_; }
    void SetThumb(bool value);
    // Kept for the forms that set it: Qt sliders draw no selection range.
    bool SelEnabled() const { return sel_enabled_; }
    void SetSelEnabled(bool value) { sel_enabled_ = value; }

    // The handle's rectangle as the style lays it out now.
    QRect HandleRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void StyleChanged();

    bool fixed_length_ = false;
    int thumb_size_ = 0;
    bool thumb_ = true;
    bool sel_enabled_ = false;
};

}  // namespace corvane
