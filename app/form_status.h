#pragma once
// The status view: the current task's name, Run and Stop, its counters with gauges, the elapsed time,
// the kilobytes fetched and the mean rate, the transfer chart, and the application's one status line
// with its progress gauge.
//
// Main thread only. The task's progress event fires on worker threads: it is bound to reach this view
// queued through the engine host (whose TaskProgress the main window forwards here), and counter
// changes are merged into one UpdateStats per event-loop turn. Closing the view only hides it; it
// lives until shut-down.

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

class QLabel;

namespace corvane {

class TCVTask;
class TGauge;
class TKMLang;
class TStatusChart;
class TTransparentButton;

// What the counters show, worked out from the task's figures.
struct TStatusFigures {
    QString time;        // "h: m: s"
    QString kbytes;      // one decimal
    QString kbytes_sec;  // one decimal, "0.0" before the first second
};
TStatusFigures StatusFigures(double elapsed_days, std::int64_t total_bytes);

class TFormStatus : public QWidget {
    Q_OBJECT
public:
    explicit TFormStatus(QWidget* parent = nullptr);
    ~TFormStatus() override;

    void ShowStatus(const QString& message, int position, int maximum);
    // A plain message saying why a run failed: the browser's texts leave it in view.
    void ShowReason(const QString& message);
    // The browser's status texts ("Done.", a link's address): shown unless a reason is in view.
    void ShowBrowserStatus(const QString& text);
    // A view's line: shown unless the line says why a run failed.
    void ShowViewStatus(const QString& message, int position, int maximum);
    void UpdateStats();
    // Binds the view to App's current task (none: empty name, buttons off).
    void SetCurrentTask();
    void TaskProgress(const QString& message, int position, int maximum);
    void UpdateResources();
    void ApplySkin();
    // A new point of the transfer chart.
    void ChartPoint(double seconds, double kilobytes, double rate, int connections);

    std::shared_ptr<TCVTask> Task() const { return task_; }

    QLabel* lblTaskName;
    TTransparentButton* btnRun;
    TTransparentButton* btnStop;
    QLabel* lblTime;
    QLabel* lblKbytes;
    QLabel* lblKbytessec;
    TGauge* GaugePages;
    TGauge* GaugeRes;
    TGauge* GaugeErrors;
    TStatusChart* chartStats;
    QWidget* pnlStatusBar;
    QLabel* lblStatus;
    TGauge* ProgressBar;
    TGauge* GaugeResources;  // null: the system keeps no resource heaps

signals:
    // Each time the counters were redrawn.
    void StatsUpdated();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildLeftPanel(QWidget* panel);
    void BuildStatusBar();
    void ScheduleStats();
    void PlaceProgressBar();
    void btnRunClick();
    void btnStopClick();

    TKMLang* lang_;
    std::shared_ptr<TCVTask> task_;
    bool stats_pending_ = false;
    bool low_resources_warned_ = false;
    bool reason_shown_ = false;  // the status line says why a run failed
};

}  // namespace corvane
