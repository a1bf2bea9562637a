#include "widgets/gif_image.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <span>

namespace corvane {

TGIFImage::TGIFImage(QWidget* parent) : QWidget(parent), color_(palette().color(QPalette::Window)) {
    resize(105, 105);
    timer_ = std::make_unique<TTimerEx>();
    timer_->SetEnabled(false);
    timer_->SetOnTimer([this] { AnimationTimer(); });
    UpdateOpaque();
}

TGIFImage::~TGIFImage() {
    // Joins the timer thread (serving the main loop) before the frames it would draw go away.
    timer_.reset();
}

// ---- loading ----

bool TGIFImage::LoadFromFile(const QString& fileName) {
    if (!QFileInfo::exists(fileName)) return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Clear();
        return false;
    }
    return LoadFromBytes(file.readAll());
}

bool TGIFImage::LoadFromStream(QIODevice& stream) { return LoadFromBytes(stream.readAll()); }

bool TGIFImage::LoadFromBytes(const QByteArray& bytes) {
    bool ok = false;
    try {
        ok = ReadGIF(bytes);
    } catch (...) {
        ok = false;
    }
    if (!ok) Clear();
    return ok;
}

void TGIFImage::SetData(const QByteArray& bytes) {
    if (bytes.isEmpty())
        Clear();
    else
        LoadFromBytes(bytes);
}

void TGIFImage::WriteData(QDataStream& out) const {
    if (data_.isEmpty()) return;
    const auto length = qToLittleEndian<qint32>(static_cast<qint32>(data_.size()));
    out.writeRawData(reinterpret_cast<const char*>(&length), sizeof length);
    out.writeRawData(data_.constData(), static_cast<int>(data_.size()));
}

void TGIFImage::ReadData(QDataStream& in) {
    qint32 raw = 0;
    if (in.readRawData(reinterpret_cast<char*>(&raw), sizeof raw) != sizeof raw) return;
    const qint32 length = qFromLittleEndian(raw);
    if (length < 1) return;
    QByteArray bytes(length, Qt::Uninitialized);
    // A short stream is a damaged form: the control stays as it is rather than showing half a file.
    if (in.readRawData(bytes.data(), length) != length) return;
    LoadFromBytes(bytes);
}

void TGIFImage::Assign(const TGIFImage* source) {
    if (source == this) return;
    if (source == nullptr || source->Empty()) {
        Clear();
        return;
    }
    const QByteArray bytes = source->Data();  // a copy: loading empties our own Data first
    LoadFromBytes(bytes);
}

QImage TGIFImage::FirstFrameImage() const {
    if (empty_ || frameImages_.empty()) return {};
    QImage image(composite_.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(document_.TransparentAnywhere ? QColor(0, 0, 0, 0) : QColor(Qt::black));
    QPainter painter(&image);
    const TGIFFrame& frame = document_.Frames.front();
    painter.drawImage(QPoint(static_cast<int>(frame.Left), static_cast<int>(frame.Top)), frameImages_.front());
    return image;
}

bool TGIFImage::ReadGIF(const QByteArray& bytes) {
    ClearFrames();
    TGIFDecoder decoder;
    decoder.FirstImageOnly = firstImageOnly_;
    decoder.OnProgress = [this](std::int64_t done, std::int64_t total, int percent, bool& keep) {
        if (OnProgress) OnProgress(this, done, total, percent, keep);
    };
    const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    if (!decoder.ReadGIF(std::span<const std::uint8_t>(begin, static_cast<std::size_t>(bytes.size())))) return false;
    document_ = decoder.TakeDocument();
    data_ = bytes;
    BuildComposite();
    return true;
}

static QImage FrameToImage(const TGIFFrame& frame) {
    const int width = static_cast<int>(frame.Width);
    const int height = static_cast<int>(frame.Height);
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (frame.IsTransparentAt(x, y)) {
                line[x] = 0;
            } else {
                const TGIFColor& c = frame.Palette[frame.PixelAt(x, y)];
                line[x] = qRgb(c.Red, c.Green, c.Blue);
            }
        }
    }
    return image;
}

void TGIFImage::BuildComposite() {
    const QSize size(static_cast<int>(document_.Width), static_cast<int>(document_.Height));
    composite_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
    if (autoSize_) setGeometry(x(), y(), size.width(), size.height());
    animated_ = FrameCount() > 1;
    empty_ = false;
    UpdateOpaque();
    // Where no frame drew stays transparent, or black when the file has no transparency at all.
    composite_.fill(document_.TransparentAnywhere ? QColor(0, 0, 0, 0) : QColor(Qt::black));
    frameImages_.clear();
    for (const TGIFFrame& frame : document_.Frames) frameImages_.push_back(FrameToImage(frame));
    savedUnder_.assign(document_.Frames.size(), QImage());

    timer_->SetInterval(1);
    Changing();
    currentFrame_ = 1;
    DrawFrame(1);
    Change();
    update();  // the animation itself starts at the next paint
}

void TGIFImage::ClearFrames() {
    empty_ = true;
    timer_->SetEnabled(false);
    document_ = TGIFDocument{};
    frameImages_.clear();
    savedUnder_.clear();
    data_.clear();
    currentFrame_ = 1;
    loopsDone_ = 1;
    skipFirstDispose_ = true;
    animated_ = false;
}

void TGIFImage::Clear() {
    ClearFrames();
    composite_ = QImage();
    UpdateOpaque();
    update();
}

// ---- composing ----

void TGIFImage::FillRect(const QRect& rect) {
    QPainter painter(&composite_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect, document_.TransparentAnywhere ? QColor(0, 0, 0, 0) : QColor(Qt::black));
}

static QRect FrameRect(const TGIFFrame& frame) {
    return QRect(static_cast<int>(frame.Left), static_cast<int>(frame.Top), static_cast<int>(frame.Width),
                 static_cast<int>(frame.Height));
}

void TGIFImage::DrawFrame(int index) {
    if (index < 1 || index > FrameCount() || composite_.isNull()) return;
    const TGIFFrame& frame = document_.Frames[static_cast<std::size_t>(index - 1)];
    const QRect rect = FrameRect(frame);
    if (frame.Disposal == 3) savedUnder_[static_cast<std::size_t>(index - 1)] = composite_.copy(rect);
    QPainter painter(&composite_);
    // A transparent frame keeps what its clear pixels lie over; an opaque one replaces the rectangle.
    painter.setCompositionMode(frame.Transparent ? QPainter::CompositionMode_SourceOver
                                                 : QPainter::CompositionMode_Source);
    painter.drawImage(rect.topLeft(), frameImages_[static_cast<std::size_t>(index - 1)]);
}

void TGIFImage::DisposeFrame(int index) {
    if (index < 1 || index > FrameCount() || composite_.isNull()) return;
    const TGIFFrame& frame = document_.Frames[static_cast<std::size_t>(index - 1)];
    const QRect rect = FrameRect(frame);
    if (frame.Disposal == 2) {
        FillRect(rect);
    } else if (frame.Disposal == 3) {
        const QImage& saved = savedUnder_[static_cast<std::size_t>(index - 1)];
        if (saved.isNull()) return;
        QPainter painter(&composite_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(rect.topLeft(), saved);
    }
}

// ---- playing ----

unsigned TGIFImage::AnimationInterval(int delay, int speed) {
    const long long paced = static_cast<long long>(std::max(delay, 50)) * 100 / std::max(speed, 1);
    return static_cast<unsigned>(std::clamp<long long>(paced, 1, 0xFFFFFFFFLL));
}

void TGIFImage::AnimationTimer() {
    if (empty_ || !animate_ || FrameCount() == 0) return;
    if (currentFrame_ < 1 || currentFrame_ > FrameCount()) currentFrame_ = 1;
    Changing();
    if (skipFirstDispose_) {
        skipFirstDispose_ = false;  // frame 1 is on show since the load
    } else {
        DisposeFrame(currentFrame_ == 1 ? FrameCount() : currentFrame_ - 1);
        DrawFrame(currentFrame_);
        repaint();
    }
    timer_->SetInterval(AnimationInterval(document_.Frames[static_cast<std::size_t>(currentFrame_ - 1)].Delay, speed_));
    ++currentFrame_;
    const bool wrapped = currentFrame_ > FrameCount();
    if (!loop_ && document_.LoopCount >= 1 && wrapped) {
        // A loop count n plays n times; the frame stays past the end until the next tick.
        ++loopsDone_;
        timer_->SetEnabled(loopsDone_ <= document_.LoopCount);
    } else if (wrapped) {
        currentFrame_ = 1;
    }
    Change();
    if (wrapped && OnWrapAnimation) OnWrapAnimation(this);
}

void TGIFImage::SetAnimate(bool value) {
    if (animate_ == value) return;
    animate_ = value;
    loopsDone_ = 1;
    if (value && FrameCount() >= 2) {
        const int shown = std::clamp(currentFrame_, 1, FrameCount());
        timer_->SetInterval(AnimationInterval(document_.Frames[static_cast<std::size_t>(shown - 1)].Delay, speed_));
    }
    timer_->SetEnabled(value && animated_ && !empty_);
    if (!value && currentFrame_ > 1) {
        // A tick leaves the current frame one ahead of the one on show.
        DisposeFrame(currentFrame_ - 1);
        currentFrame_ = 1;
        DrawFrame(1);
        update();
    }
}

void TGIFImage::SetCurrentFrame(int value) {
    if (value == currentFrame_ || value < 1 || value > FrameCount()) return;
    Changing();
    DisposeFrame(currentFrame_);
    currentFrame_ = value;
    DrawFrame(value);
    repaint();
    Change();
}

void TGIFImage::SetLoop(bool value) {
    if (loop_ == value) return;
    loop_ = value;
    if (value && document_.LoopCount > 0 && loopsDone_ > document_.LoopCount) {
        currentFrame_ = 1;
        loopsDone_ = 1;
        if (animate_ && FrameCount() >= 2)
            timer_->SetInterval(AnimationInterval(document_.Frames.front().Delay, speed_));
        timer_->SetEnabled(animate_ && animated_);
    }
}

void TGIFImage::SetSpeed(int value) {
    speed_ = std::max(value, 1);
    if (animate_ && FrameCount() >= 2) timer_->SetInterval(1);
}

void TGIFImage::SetAutoSize(bool value) {
    if (autoSize_ == value) return;
    autoSize_ = value;
    if (value && !empty_) {
        resize(composite_.size());
        update();
    }
}

void TGIFImage::SetColor(const QColor& value) {
    if (color_ == value) return;
    color_ = value;
    update();
}

void TGIFImage::SetFlag(bool& flag, bool value) {
    if (flag == value) return;
    flag = value;
    UpdateOpaque();
    update();
}

void TGIFImage::Changing() {
    if (OnChanging) OnChanging(this);
}

void TGIFImage::Change() {
    if (OnChange) OnChange(this);
}

// ---- painting ----

QPoint TGIFImage::CenterPosition(QSize image, QSize control) {
    return QPoint((control.width() - image.width()) / 2, (control.height() - image.height()) / 2);
}

QRect TGIFImage::StretchRect(QSize image, QSize control, bool stretch, bool stretchRatio) {
    const QRect client(QPoint(0, 0), control);
    if (stretch || !stretchRatio || image.isEmpty()) return client;
    const float rx = static_cast<float>(control.width()) / static_cast<float>(image.width());
    const float ry = static_cast<float>(control.height()) / static_cast<float>(image.height());
    // nearbyint rounds halves to the even neighbour.
    if (rx <= ry) {
        const int top = static_cast<int>(std::nearbyint((control.height() - image.height() * rx) / 2));
        const int bottom = static_cast<int>(std::nearbyint(control.height() - (control.height() - image.height() * rx) / 2));
        return QRect(0, top, control.width(), bottom - top);
    }
    const int left = static_cast<int>(std::nearbyint((control.width() - image.width() * ry) / 2));
    const int right = static_cast<int>(std::nearbyint(control.width() - (control.width() - image.width() * ry) / 2));
    return QRect(left, 0, right - left, control.height());
}

std::vector<QPoint> TGIFImage::TilePositions(QSize image, QSize control) {
    std::vector<QPoint> positions;
    if (image.isEmpty()) return positions;
    for (int row = 0; row <= control.height() / image.height(); ++row)
        for (int column = 0; column <= control.width() / image.width(); ++column)
            positions.emplace_back(column * image.width(), row * image.height());
    return positions;
}

bool TGIFImage::IsStretched() const { return (stretch_ || stretchRatio_) && size() != composite_.size(); }

QRect TGIFImage::GetDrawRect() const {
    if (IsStretched()) return StretchRect(composite_.size(), size(), stretch_, stretchRatio_);
    if (tile_) return rect();
    if (center_) return QRect(CenterPosition(composite_.size(), size()), composite_.size());
    return QRect(QPoint(0, 0), composite_.size());
}

void TGIFImage::UpdateOpaque() {
    const bool covers = GetDrawRect().contains(rect());
    const bool opaque = opaque_ || (!empty_ && !document_.Frames.empty() && !document_.Frames.front().Transparent && covers);
    setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}

void TGIFImage::PaintTo(QPainter& painter, const QRect& client) {
    if (opaque_) painter.fillRect(client, color_);
    if (empty_ || document_.Frames.empty() || composite_.isNull()) return;
    // A transparent first frame lets the parent show through; otherwise the picture is copied
    // whole, its cleared parts black.
    const bool seeThrough = document_.Frames.front().Transparent;
    auto put = [&](const QRect& target) {
        if (!seeThrough) painter.fillRect(target, Qt::black);
        painter.drawImage(target, composite_);
    };
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);  // nearest neighbour when stretched
    if (IsStretched()) {
        put(StretchRect(composite_.size(), client.size(), stretch_, stretchRatio_).translated(client.topLeft()));
    } else if (tile_) {
        for (const QPoint& at : TilePositions(composite_.size(), client.size()))
            put(QRect(client.topLeft() + at, composite_.size()));
    } else if (center_) {
        put(QRect(client.topLeft() + CenterPosition(composite_.size(), client.size()), composite_.size()));
    } else {
        put(QRect(client.topLeft(), composite_.size()));
    }
}

void TGIFImage::paintEvent(QPaintEvent*) {
    UpdateOpaque();
    QPainter painter(this);
    PaintTo(painter, rect());
    const int loops = document_.LoopCount;
    timer_->SetEnabled(animated_ && animate_ && !empty_ && (loops >= loopsDone_ || loop_ || loops == 0));
}

void TGIFImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateOpaque();
}

}  // namespace corvane
