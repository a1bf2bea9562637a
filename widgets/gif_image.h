#pragma once
// The animated GIF control: composes the decoder's frames into one picture the size of the whole
// image and paints it at the top left, centred, tiled or stretched, playing the frames on a
// TTimerEx whose ticks reach the main thread through the main loop. Palette messages have no
// counterpart here (every surface is true colour) and are dropped.

#include "widgets/gif/gif_decoder.h"
#include "widgets/timer/timer_ex.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class QDataStream;
class QPainter;

namespace corvane {

class TGIFImage : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TGIFImage*)>;
    using TProgressEvent = std::function<void(TGIFImage*, std::int64_t bytesProcessed, std::int64_t bytesToProcess,
                                              int percentageProcessed, bool& keepOnProcessing)>;

    explicit TGIFImage(QWidget* parent = nullptr);
    ~TGIFImage() override;

    // False when the file is missing (the image shown stays) or refused (the control is cleared).
    bool LoadFromFile(const QString& fileName);
    bool LoadFromStream(QIODevice& stream);
    bool LoadFromBytes(const QByteArray& bytes);
    // Null or an empty control clears; otherwise a copy through the source's GIF bytes.
    void Assign(const TGIFImage* source);
    // Frame 1's picture, for assignment to a plain picture.
    QImage FirstFrameImage() const;
    void Clear();

    // The GIF bytes last loaded; SetData loads them.
    const QByteArray& Data() const { return data_; }
    void SetData(const QByteArray& bytes);
    // The stored form: a 32-bit length, then the bytes (nothing at all when empty).
    void WriteData(QDataStream& out) const;
    void ReadData(QDataStream& in);

    bool Animate() const { return animate_; }
    void SetAnimate(bool value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value) { SetFlag(center_, value); }
    int CurrentFrame() const { return currentFrame_; }
    void SetCurrentFrame(int value);
    // Qt paints through a back buffer anyway; kept for forms that set it.
    bool DoubleBuffered() const { return doubleBuffered_; }
    void SetDoubleBuffered(bool value) { doubleBuffered_ = value; }
    bool FirstImageOnly() const { return firstImageOnly_; }
    void SetFirstImageOnly(bool value) { firstImageOnly_ = value; }
    bool Loop() const { return loop_; }
    void SetLoop(bool value);
    bool Opaque() const { return opaque_; }
    void SetOpaque(bool value) { SetFlag(opaque_, value); }
    int Speed() const { return speed_; }
    void SetSpeed(int value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value) { SetFlag(stretch_, value); }
    bool StretchRatio() const { return stretchRatio_; }
    void SetStretchRatio(bool value) { SetFlag(stretchRatio_, value); }
    bool Tile() const { return tile_; }
    void SetTile(bool value) { SetFlag(tile_, value); }
    bool Threaded() const { return timer_->Threaded(); }
    void SetThreaded(bool value) { timer_->SetThreaded(value); }
    TThreadPriority ThreadPriority() const { return timer_->ThreadPriority(); }
    void SetThreadPriority(TThreadPriority value) { timer_->SetThreadPriority(value); }
    QColor Color() const { return color_; }
    void SetColor(const QColor& value);
    TGIFVersion Version() const { return document_.Version; }

    TNotifyEvent OnChanging;
    TNotifyEvent OnChange;
    TNotifyEvent OnWrapAnimation;
    TProgressEvent OnProgress;

    bool Empty() const { return empty_; }
    int FrameCount() const { return static_cast<int>(document_.Frames.size()); }
    int LoopCount() const { return document_.LoopCount; }
    int LoopsDone() const { return loopsDone_; }
    bool TransparentAnywhere() const { return document_.TransparentAnywhere; }
    QSize ImageSize() const { return composite_.size(); }
    // The composed picture: transparent where no frame drew (black when no frame is transparent).
    const QImage& Composite() const { return composite_; }
    const TTimerEx& FrameTimer() const { return *timer_; }

    // One frame step; the frame timer calls it.
    void AnimationTimer();
    // Draws the control's content into client on painter.
    void PaintTo(QPainter& painter, const QRect& client);
    // Where the picture goes in the client area (the stretch rectangle when stretched).
    QRect GetDrawRect() const;

    // The frame timer's next interval for a frame delay (ms) at a speed (percent).
    static unsigned AnimationInterval(int delay, int speed);
    // The rectangle a picture of image size fills in a control of control size.
    static QRect StretchRect(QSize image, QSize control, bool stretch, bool stretchRatio);
    // The top-left corners of the tiled copies.
    static std::vector<QPoint> TilePositions(QSize image, QSize control);
    // Integer halving toward zero, as the centring needs for a control smaller than the image.
    static QPoint CenterPosition(QSize image, QSize control);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool ReadGIF(const QByteArray& bytes);
    void BuildComposite();
    void ClearFrames();
    void DrawFrame(int index);     // 1-based
    void DisposeFrame(int index);  // 1-based
    void UpdateOpaque();
    bool IsStretched() const;
    void Changing();
    void Change();
    void SetFlag(bool& flag, bool value);
    void FillRect(const QRect& rect);

    TGIFDocument document_;
    std::vector<QImage> frameImages_;  // each frame as ARGB32 premultiplied, transparent pixels clear
    std::vector<QImage> savedUnder_;   // what disposal 3 puts back
    QByteArray data_;
    QImage composite_;
    bool empty_ = true;
    bool animated_ = false;
    bool skipFirstDispose_ = true;
    int currentFrame_ = 1;
    int loopsDone_ = 1;
    bool animate_ = false;
    bool autoSize_ = false;
    bool center_ = false;
    bool doubleBuffered_ = true;
    bool firstImageOnly_ = false;
    bool loop_ = false;
    bool opaque_ = false;
    bool stretch_ = false;
    bool stretchRatio_ = false;
    bool tile_ = false;
    int speed_ = 100;
    QColor color_;
    std::unique_ptr<TTimerEx> timer_;
};

}  // namespace corvane
