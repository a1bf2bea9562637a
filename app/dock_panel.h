#pragma once
// Docking for the main window's views. A view is docked inside a frame that carries a grabber (its
// caption and a close button); dragging the grabber floats the frame as a tool window, and dropping
// it on a dock panel docks it there in the zone under the mouse. Each panel sits in a splitter whose
// handle is shown only while the panel has clients; the panel opens to its own width or height when
// its first client arrives and shuts when its last one leaves.
//
// Main thread only.

#include <QPointer>
#include <QSplitter>
#include <QWidget>
#include <functional>
#include <vector>

class QLabel;
class QRubberBand;
class QToolButton;

namespace corvane {

enum class TDockAlign { None, Left, Top, Right, Bottom, Client };

struct TDockZone {
    TDockAlign align = TDockAlign::None;
    QRect rect;  // the preview, in the coordinates of the panel rectangle given
};

// The zone of a panel (left L, top T, width W, height H) that the mouse is in: the left fifth, the
// top fifth, the right fifth, the bottom fifth, then the centre, tested in that order, so a corner
// belongs to the left or the top zone. Outside every zone: None and an empty rectangle.
TDockZone DockZoneAt(const QRect& panel, const QPoint& mouse);

// A splitter whose 3-pixel handles are drawn in the dock colour and named after the panels they serve.
class TDockSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit TDockSplitter(Qt::Orientation orientation, QWidget* parent = nullptr);
    // Names the handle before widget index (1 and up).
    void NameHandle(int index, const QString& name);

protected:
    QSplitterHandle* createHandle() override;
};

class TDockSite;

// A docked or floating view with its grabber.
class TDockFrame : public QWidget {
    Q_OBJECT
public:
    TDockFrame(QWidget* view, TDockSite& site);
    ~TDockFrame() override;

    QWidget* View() const { return view_; }
    bool Floating() const { return isWindow(); }
    QWidget* Grabber() const { return grabber_; }
    QToolButton* CloseButton() const { return close_; }
    // The grabber's caption follows the view's window title.
    void UpdateCaption();

    // The user asked to close the view (grabber button, the floating window's close box).
    std::function<void(TDockFrame&)> OnClose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<QWidget> view_;
    TDockSite& site_;
    QWidget* grabber_;
    QLabel* caption_;
    QToolButton* close_;
    QPoint press_;       // the grabber press, global
    QPoint press_offset_;  // from the frame's top-left corner
    bool pressed_ = false;
    bool dragging_ = false;
};

// One of the main window's dock panels. Clients are stacked in a splitter of their own, across the
// panel's long side.
class TDockPanel : public QWidget {
    Q_OBJECT
public:
    // side_panel: opens to a width (left, right), else to a height (status, bottom). index is the
    // panel's place in its splitter, filler the place of the widget that gives up the room.
    TDockPanel(const QString& name, bool side_panel, int open_size, TDockSplitter& splitter, int index, int filler,
               QWidget* parent = nullptr);

    bool SidePanel() const { return side_; }
    int OpenSize() const { return open_size_; }
    bool IsOpen() const { return open_; }
    // The panel's current extent across its splitter (width or height).
    int Extent() const;
    TDockSplitter& Splitter() const { return splitter_; }
    QSplitterHandle* Handle() const;

    std::vector<TDockFrame*> Clients() const;
    int CountVisibleDockClients() const;
    // Docks the frame in the zone (None and Client append; Top and Left go first).
    void DockDrop(TDockFrame& frame, TDockAlign align);
    // The frame left the panel.
    void UnDock(TDockFrame& frame);
    // What a drag over the panel previews, in global coordinates: the area an empty panel opens to,
    // else the zone under the mouse.
    QRect DockOverPreview(const QPoint& global) const;
    // Where a dragged view may be dropped on the panel, in global coordinates: the panel itself, or,
    // shut, a strip along the edge of its splitter it opens from (empty without a visible splitter),
    // moved inward by stacked strips where other shut panels' strips lie on that edge.
    QRect DropArea(int stacked = 0) const;

    // Opens or shuts the panel (shutting is skipped while more than one visible client is docked)
    // and shows the client when given.
    void ShowDockPanel(bool open, QWidget* client = nullptr);

private:
    // The panel's place in global coordinates; shut, the line at its splitter's edge.
    QRect Place() const;

    bool side_;
    int open_size_;
    TDockSplitter& splitter_;
    int index_;
    int filler_;
    QSplitter* clients_;
    bool open_ = false;
};

// The four panels and the floating frames.
class TDockSite : public QObject {
    Q_OBJECT
public:
    explicit TDockSite(QWidget* window);
    ~TDockSite() override;

    void AddPanel(TDockPanel* panel) { panels_.push_back(panel); }
    const std::vector<TDockPanel*>& Panels() const { return panels_; }
    QWidget* Window() const { return window_; }

    // The frame of the view, made when needed.
    TDockFrame& FrameOf(QWidget* view);
    TDockFrame* FindFrame(const QWidget* view) const;
    TDockPanel* PanelOf(const TDockFrame& frame) const;
    // The visible panel under the global point, or null.
    TDockPanel* PanelAt(const QPoint& global) const;

    void Dock(QWidget* view, TDockPanel& panel, TDockAlign align = TDockAlign::Client);
    // Floats the view's frame as a tool window; an empty rectangle keeps its current size.
    void Float(QWidget* view, const QRect& bounds = {});
    // Takes the view out of its frame (which goes) and out of its panel; the view stays alive,
    // without parent.
    void Release(QWidget* view);

    // A grabber drag: the frame floats at the first move, follows the mouse, and the panel under it
    // previews the drop; the release docks it there.
    void DragMove(TDockFrame& frame, const QPoint& global, const QPoint& offset);
    void DragDrop(TDockFrame& frame, const QPoint& global);

    // Floating frames closed by the program (the tray hiding the application) come back.
    void RestoreHidden();
    void NoteHidden(TDockFrame& frame) { hidden_.push_back(&frame); }

    std::function<void(QWidget* view)> OnCloseView;

private:
    void Detach(TDockFrame& frame);
    QWidget* window_;
    std::vector<TDockPanel*> panels_;
    std::vector<QPointer<TDockFrame>> frames_;
    std::vector<QPointer<TDockFrame>> hidden_;
    QRubberBand* preview_ = nullptr;
};

}  // namespace corvane
