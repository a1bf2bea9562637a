#pragma once
// The status view's transfer chart: the rate series shown, the total and the connections series
// kept but inactive (the connections on a hidden right axis). Points arrive one by one from the
// dispatcher and are drawn together at most every kFlushDelayMs, at most kChartPointLimit per series.

#include <QChartView>
#include <QTimer>
#include <array>

#include "app/chart_decimation.h"

class QLineSeries;
class QValueAxis;

namespace corvane {

struct TCVChart;

class TStatusChart : public QChartView {
    Q_OBJECT
public:
    static constexpr int kFlushDelayMs = 100;

    explicit TStatusChart(QWidget* parent = nullptr);

    // Replaces the points by the task's series (empty without a chart).
    void Load(TCVChart* chart);
    void Clear();
    // One point of each series (seconds since the start).
    void AddPoint(double seconds, double kilobytes, double rate, int connections);
    // The gradient behind the chart, or plain black.
    void SetGradient(bool on);
    bool Gradient() const { return gradient_; }

    QLineSeries* TransferRate() const { return rate_; }
    QLineSeries* TotalKBytes() const { return total_; }
    QLineSeries* Connections() const { return connections_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int kRoomForTimeTitle = 100;

    enum Series { kRate, kTotal, kConnections };
    void ScheduleFlush();
    void Flush();

    QLineSeries* rate_;
    QLineSeries* total_;
    QLineSeries* connections_;
    QValueAxis* axis_x_;
    QValueAxis* axis_y_;
    QValueAxis* axis_right_;
    std::array<TChartDecimator, 3> points_;
    double max_x_ = 0;
    double max_rate_ = 0;
    QTimer flush_timer_;
    bool gradient_ = true;
};

}  // namespace corvane
