#pragma once
// The connections view: one row per connection of the pool with its job's URL, progress, bytes, size
// and state, and the two track bars that set the pool's size ("Connections") and the balance of
// pages against media files ("Priority").
//
// Main thread only. Rows are read through each connection's snapshot of its job, never its live
// fields.

#include <QWidget>
#include <cstdint>

class QLabel;
class QTreeWidget;

namespace corvane {

class TKMLang;
class TSocketList;
class TTrackBar95;

// The block character a progress cell holds once for each full ten percent; drawn as a bar.
inline constexpr char16_t kProgressBlock = 0x1E;
// "  ?" without a size; else a block per full ten percent, two blanks, the percent and "%".
QString SocketProgressText(std::int64_t bytes, std::int64_t size);

class TFormDownloader : public QWidget {
    Q_OBJECT
public:
    // The pool outlives the view.
    explicit TFormDownloader(TSocketList& sockets, QWidget* parent = nullptr);

    // Refreshes the rows from the pool (only while the list is showing).
    void UpdateSockets();

    QTreeWidget* lvSockets;
    QLabel* lblSockets;
    TTrackBar95* tbSockets;
    TTrackBar95* tbPriority;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void tbSocketsChange(int position);
    void tbPriorityChange(int position);

    TSocketList& sockets_;
    TKMLang* lang_;
};

}  // namespace corvane
