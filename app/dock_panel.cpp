#include "app/dock_panel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QRubberBand>
#include <QSplitterHandle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>

namespace corvane {
namespace {

const QColor kSplitterColor(0xFF, 0xC0, 0x00);  // $00C0FF
constexpr int kSplitterWidth = 3;
constexpr int kGrabberHeight = 18;
// What an empty panel previews beyond its edge.
constexpr int kStatusPreview = 140;
constexpr int kBottomPreview = 160;
// How far into the window a shut panel takes a drop.
constexpr int kShutDropStrip = 12;

}  // namespace

TDockZone DockZoneAt(const QRect& panel, const QPoint& mouse) {
    const int l = panel.left(), t = panel.top(), w = panel.width(), h = panel.height();
    TDockZone zone;
    if (!panel.contains(mouse)) return zone;
    const int x = mouse.x(), y = mouse.y();
    if (x < l + w / 5) {
        zone = {TDockAlign::Left, QRect(l, t, w / 5, h)};
    } else if (y < t + h / 5) {
        zone = {TDockAlign::Top, QRect(l, t, w, h / 5)};
    } else if (x >= l + w / 5 * 4) {
        zone = {TDockAlign::Right, QRect(l + w / 5 * 4, t, w - w / 5 * 4, h)};
    } else if (y >= t + h / 5 * 4) {
        zone = {TDockAlign::Bottom, QRect(l, t + h / 5 * 4, w, h - h / 5 * 4)};
    } else {
        zone = {TDockAlign::Client, QRect(l + w / 5, t + h / 5, w / 5 * 3, h / 5 * 3)};
    }
    return zone;
}

// TDockSplitter --------------------------------------------------------------------------------

TDockSplitter::TDockSplitter(Qt::Orientation orientation, QWidget* parent) : QSplitter(orientation, parent) {
    setHandleWidth(kSplitterWidth);
    setChildrenCollapsible(false);
}

QSplitterHandle* TDockSplitter::createHandle() {
    auto* handle = QSplitter::createHandle();
    QPalette palette = handle->palette();
    palette.setColor(QPalette::Window, kSplitterColor);
    handle->setPalette(palette);
    handle->setAutoFillBackground(true);
    return handle;
}

void TDockSplitter::NameHandle(int index, const QString& name) {
    if (QSplitterHandle* h = handle(index)) h->setObjectName(name);
}

// TDockFrame -----------------------------------------------------------------------------------

TDockFrame::TDockFrame(QWidget* view, TDockSite& site) : view_(view), site_(site) {
    grabber_ = new QWidget(this);
    grabber_->setFixedHeight(kGrabberHeight);
    grabber_->setCursor(Qt::SizeAllCursor);
    QPalette palette = grabber_->palette();
    palette.setColor(QPalette::Window, QColor(0x00, 0x33, 0x66));
    palette.setColor(QPalette::WindowText, Qt::white);
    grabber_->setPalette(palette);
    grabber_->setAutoFillBackground(true);
    caption_ = new QLabel(grabber_);
    caption_->setPalette(palette);
    QFont font = caption_->font();
    font.setPixelSize(11);
    font.setBold(true);
    caption_->setFont(font);
    close_ = new QToolButton(grabber_);
    close_->setText(QStringLiteral("\u00D7"));
    close_->setAutoRaise(true);
    close_->setFixedSize(kGrabberHeight - 2, kGrabberHeight - 2);
    close_->setCursor(Qt::ArrowCursor);
    auto* row = new QHBoxLayout(grabber_);
    row->setContentsMargins(4, 0, 1, 0);
    row->addWidget(caption_, 1);
    row->addWidget(close_);
    connect(close_, &QToolButton::clicked, this, [this] {
        if (OnClose) OnClose(*this);
    });
    grabber_->installEventFilter(this);
    caption_->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(grabber_);
    view->setParent(this);
    view->setWindowFlags(Qt::Widget);
    layout->addWidget(view, 1);
    view->installEventFilter(this);
    UpdateCaption();
}

TDockFrame::~TDockFrame() {
    // A view still inside goes with the frame only when nobody took it out first.
    if (view_) view_->removeEventFilter(this);
}

void TDockFrame::UpdateCaption() {
    if (!view_) return;
    caption_->setText(view_->windowTitle());
    setWindowTitle(view_->windowTitle());
}

bool TDockFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_) {
        if (event->type() == QEvent::WindowTitleChange) UpdateCaption();
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) break;
        pressed_ = true;
        dragging_ = false;
        press_ = mouse->globalPosition().toPoint();
        press_offset_ = press_ - mapToGlobal(QPoint(0, 0));
        return true;
    }
    case QEvent::MouseMove: {
        if (!pressed_) break;
        const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        if (!dragging_ && (global - press_).manhattanLength() < QApplication::startDragDistance()) return true;
        dragging_ = true;
        site_.DragMove(*this, global, press_offset_);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!pressed_) break;
        pressed_ = false;
        if (dragging_) {
            dragging_ = false;
            if (QWidget::mouseGrabber() == grabber_) grabber_->releaseMouse();
            site_.DragDrop(*this, static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        }
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TDockFrame::closeEvent(QCloseEvent* event) {
    if (event->spontaneous()) {
        // The floating window's close box: the view closes as from its grabber.
        event->ignore();
        if (OnClose) OnClose(*this);
        return;
    }
    // Closed by the program (the tray hiding the application): only hidden, the view lives on.
    event->accept();
    if (isVisible()) site_.NoteHidden(*this);
}

// TDockPanel -----------------------------------------------------------------------------------

TDockPanel::TDockPanel(const QString& name, bool side_panel, int open_size, TDockSplitter& splitter, int index,
                       int filler, QWidget* parent)
    : QWidget(parent), side_(side_panel), open_size_(open_size), splitter_(splitter), index_(index), filler_(filler) {
    setObjectName(name);
    clients_ = new QSplitter(side_panel ? Qt::Vertical : Qt::Horizontal, this);
    clients_->setHandleWidth(kSplitterWidth);
    clients_->setChildrenCollapsible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(clients_);
    setMinimumSize(0, 0);
    splitter.insertWidget(index, this);
    splitter.setStretchFactor(index, 0);
    hide();
}

int TDockPanel::Extent() const {
    if (isHidden()) return 0;
    return side_ ? width() : height();
}

QSplitterHandle* TDockPanel::Handle() const { return splitter_.handle(index_ == 0 ? 1 : index_); }

std::vector<TDockFrame*> TDockPanel::Clients() const {
    std::vector<TDockFrame*> clients;
    for (int i = 0; i < clients_->count(); ++i)
        if (auto* frame = qobject_cast<TDockFrame*>(clients_->widget(i))) clients.push_back(frame);
    return clients;
}

int TDockPanel::CountVisibleDockClients() const {
    int count = 0;
    for (TDockFrame* frame : Clients())
        if (!frame->isHidden()) ++count;
    return count;
}

void TDockPanel::DockDrop(TDockFrame& frame, TDockAlign align) {
    const bool first = Clients().empty();
    // Across the panel's long side only: a side panel stacks its clients top to bottom, the others
    // left to right.
    const bool front = align == TDockAlign::Top || align == TDockAlign::Left;
    clients_->insertWidget(front ? 0 : clients_->count(), &frame);
    frame.show();
    if (first) ShowDockPanel(true);
    // Equal shares after every arrival, as the dock manager laid its zones out again.
    const int count = clients_->count();
    const int extent = side_ ? clients_->height() : clients_->width();
    clients_->setSizes(QList<int>(count, std::max(1, extent / std::max(1, count))));
}

void TDockPanel::UnDock(TDockFrame& frame) {
    (void)frame;
    // The frame has left the splitter already (re-parented or released).
    if (Clients().empty()) ShowDockPanel(false);
}

QRect TDockPanel::DockOverPreview(const QPoint& global) const {
    const QRect area = Place();
    if (!Clients().empty()) return DockZoneAt(area, global).rect;
    const QPoint at = area.topLeft();
    if (objectName() == QLatin1String("pnlLeftDock")) return QRect(at, QSize(open_size_, area.height()));
    if (objectName() == QLatin1String("pnlRightDock"))
        return QRect(at - QPoint(open_size_, 0), QSize(open_size_, area.height()));
    const int above = objectName() == QLatin1String("pnlStatus") ? kStatusPreview : kBottomPreview;
    return QRect(at - QPoint(0, above), QSize(area.width(), above));
}

QRect TDockPanel::Place() const {
    if (isVisible()) return QRect(mapToGlobal(QPoint(0, 0)), size());
    // A hidden widget keeps a stale geometry: the splitter says where the panel would open.
    const QRect whole(splitter_.mapToGlobal(QPoint(0, 0)), splitter_.size());
    const bool first = index_ < filler_;
    if (side_) return QRect(first ? whole.left() : whole.right() + 1, whole.top(), 0, whole.height());
    return QRect(whole.left(), first ? whole.top() : whole.bottom() + 1, whole.width(), 0);
}

QRect TDockPanel::DropArea(int stacked) const {
    if (isVisible()) return Place();
    if (!splitter_.isVisible()) return {};
    const QRect line = Place();
    const bool first = index_ < filler_;
    const int inward = (first ? stacked : -stacked - 1) * kShutDropStrip;
    if (side_) return QRect(line.left() + inward, line.top(), kShutDropStrip, line.height());
    return QRect(line.left(), line.top() + inward, line.width(), kShutDropStrip);
}

void TDockPanel::ShowDockPanel(bool open, QWidget* client) {
    if (!open && CountVisibleDockClients() > 1) {
        if (client) client->show();
        return;
    }
    if (QSplitterHandle* handle = Handle()) handle->setVisible(open);
    if (open && !open_) {
        open_ = true;
        QList<int> sizes = splitter_.sizes();
        setVisible(true);
        if (sizes.size() > std::max(index_, filler_)) {
            const int total = std::accumulate(sizes.begin(), sizes.end(), 0);
            sizes[index_] = open_size_;
            int others = 0;
            for (int i = 0; i < sizes.size(); ++i)
                if (i != filler_) others += sizes[i];
            sizes[filler_] = std::max(0, total - others);
            splitter_.setSizes(sizes);
        }
        if (side_)
            resize(open_size_, height());
        else
            resize(width(), open_size_);
    } else if (!open && open_) {
        open_ = false;
        setVisible(false);
    }
    if (client) client->show();
}

// TDockSite ------------------------------------------------------------------------------------

TDockSite::TDockSite(QWidget* window) : QObject(window), window_(window) {}

TDockSite::~TDockSite() = default;

TDockFrame* TDockSite::FindFrame(const QWidget* view) const {
    for (const auto& frame : frames_)
        if (frame && frame->View() == view) return frame;
    return nullptr;
}

TDockFrame& TDockSite::FrameOf(QWidget* view) {
    if (TDockFrame* frame = FindFrame(view)) return *frame;
    auto* frame = new TDockFrame(view, *this);
    frame->OnClose = [this](TDockFrame& f) {
        if (OnCloseView) OnCloseView(f.View());
    };
    frames_.emplace_back(frame);
    return *frame;
}

TDockPanel* TDockSite::PanelOf(const TDockFrame& frame) const {
    for (TDockPanel* panel : panels_)
        for (TDockFrame* client : panel->Clients())
            if (client == &frame) return panel;
    return nullptr;
}

TDockPanel* TDockSite::PanelAt(const QPoint& global) const {
    // An open panel owns its area; a shut one only the strip at its edge that no open one covers.
    for (TDockPanel* panel : panels_)
        if (panel->isVisible() && panel->DropArea().contains(global)) return panel;
    // Shut panels opening across the same way from one edge (the status panel and the bottom panel
    // both at the window's foot) would share a strip: each later one takes the strip inside the last.
    std::vector<std::pair<const TDockPanel*, QRect>> strips;
    for (TDockPanel* panel : panels_) {
        if (panel->isVisible()) continue;
        QRect strip = panel->DropArea();
        for (int stacked = 1; !strip.isEmpty(); ++stacked) {
            const bool shared = std::any_of(strips.begin(), strips.end(), [&](const auto& other) {
                return other.first->SidePanel() == panel->SidePanel() && other.second.intersects(strip);
            });
            if (!shared) break;
            strip = panel->DropArea(stacked);
        }
        if (strip.contains(global)) return panel;
        strips.emplace_back(panel, strip);
    }
    return nullptr;
}

void TDockSite::Detach(TDockFrame& frame) {
    TDockPanel* panel = PanelOf(frame);
    if (!panel) return;
    frame.hide();
    frame.setParent(nullptr);
    panel->UnDock(frame);
}

void TDockSite::Dock(QWidget* view, TDockPanel& panel, TDockAlign align) {
    TDockFrame& frame = FrameOf(view);
    TDockPanel* from = PanelOf(frame);
    if (from == &panel) {
        frame.show();
        view->show();
        return;
    }
    if (from) Detach(frame);
    if (frame.isWindow()) {
        // Straight from tool window to child: through a parentless step its window handle stayed
        // behind, at the floating place, and took the mouse meant for the docked view.
        frame.hide();
        frame.setParent(window_, Qt::Widget);
    }
    hidden_.erase(std::remove(hidden_.begin(), hidden_.end(), &frame), hidden_.end());
    panel.DockDrop(frame, align);
    view->show();
}

void TDockSite::Float(QWidget* view, const QRect& bounds) {
    TDockFrame& frame = FrameOf(view);
    if (frame.isWindow() && frame.parentWidget() == window_) return;
    const QRect was(frame.isVisible() ? frame.mapToGlobal(QPoint(0, 0)) : window_->mapToGlobal(QPoint(40, 40)),
                    frame.size().isValid() && !frame.size().isEmpty() ? frame.size() : view->sizeHint());
    Detach(frame);
    frame.setParent(window_, Qt::Tool);
    frame.setGeometry(bounds.isEmpty() ? was : bounds);
    frame.show();
    view->show();
}

void TDockSite::Release(QWidget* view) {
    TDockFrame* frame = FindFrame(view);
    if (!frame) return;
    Detach(*frame);
    frame->hide();
    view->hide();
    view->removeEventFilter(frame);
    view->setParent(nullptr);
    frames_.erase(std::remove(frames_.begin(), frames_.end(), frame), frames_.end());
    hidden_.erase(std::remove(hidden_.begin(), hidden_.end(), frame), hidden_.end());
    // The frame may be the sender of the click that closes its view.
    frame->deleteLater();
}

void TDockSite::DragMove(TDockFrame& frame, const QPoint& global, const QPoint& offset) {
    if (!frame.isWindow()) {
        Float(frame.View());
        frame.Grabber()->grabMouse();
    }
    frame.move(global - offset);
    TDockPanel* panel = PanelAt(global);
    if (!panel) {
        if (preview_) preview_->hide();
        return;
    }
    if (!preview_) preview_ = new QRubberBand(QRubberBand::Rectangle);
    preview_->setGeometry(panel->DockOverPreview(global));
    preview_->show();
}

void TDockSite::DragDrop(TDockFrame& frame, const QPoint& global) {
    if (preview_) {
        delete preview_;
        preview_ = nullptr;
    }
    TDockPanel* panel = PanelAt(global);
    if (!panel) return;
    const TDockAlign align = panel->Clients().empty()
                                 ? TDockAlign::Client
                                 : DockZoneAt(panel->DropArea(), global).align;
    Dock(frame.View(), *panel, align);
}

void TDockSite::RestoreHidden() {
    for (const auto& frame : hidden_)
        if (frame && frame->isWindow()) frame->show();
    hidden_.clear();
}

}  // namespace corvane
