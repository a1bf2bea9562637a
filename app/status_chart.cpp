#include "app/status_chart.h"

#include <QGraphicsLayout>
#include <QLineSeries>
#include <QLinearGradient>
#include <QValueAxis>
#include <algorithm>
#include <mutex>

#include "engine/model/task.h"

namespace corvane {
namespace {

// The task's series are stored in this order (rate, total kilobytes, connections).
constexpr int kTaskRate = 0;
constexpr int kTaskTotal = 1;
constexpr int kTaskConnections = 2;

QLineSeries* MakeSeries(QChart& chart, const char* name, const QString& title, const QColor& color) {
    auto* series = new QLineSeries(&chart);
    series->setObjectName(QString::fromLatin1(name));
    series->setName(title);
    series->setColor(color);
    chart.addSeries(series);
    return series;
}

QValueAxis* MakeAxis(const QString& title) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setTitleBrush(Qt::white);
    axis->setLabelsBrush(Qt::white);
    axis->setGridLineColor(QColor(0x33, 0x66, 0x99));
    axis->setLinePenColor(Qt::gray);
    QFont small = axis->labelsFont();
    small.setPixelSize(7);
    axis->setLabelsFont(small);
    axis->setTitleFont(small);
    axis->setRange(0, 1);
    return axis;
}

}  // namespace

TStatusChart::TStatusChart(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("chartStats"));
    setRenderHint(QPainter::Antialiasing, false);
    // Redrawing a long series costs milliseconds: points that arrive close together are drawn together.
    flush_timer_.setSingleShot(true);
    flush_timer_.setInterval(kFlushDelayMs);
    connect(&flush_timer_, &QTimer::timeout, this, &TStatusChart::Flush);
    // The view's own chart: one set over it would leave this one for the caller to delete.
    QChart* chart = this->chart();
    chart->setTitle(QStringLiteral("Transfer Rate"));
    chart->setTitleBrush(Qt::white);
    QFont title_font = chart->titleFont();
    title_font.setPixelSize(9);
    title_font.setBold(true);
    chart->setTitleFont(title_font);
    chart->legend()->hide();
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->layout()->setContentsMargins(2, 0, 2, 0);
    chart->setBackgroundRoundness(0);

    rate_ = MakeSeries(*chart, "seriesTransferRate", QStringLiteral("Transfer Rate"), QColor(0xff, 0xff, 0x00));
    total_ = MakeSeries(*chart, "seriesTotalKBytes", QStringLiteral("Total Bytes Transferred"), Qt::green);
    connections_ = MakeSeries(*chart, "seriesConnections", QStringLiteral("Connections"), Qt::red);
    total_->setVisible(false);
    connections_->setVisible(false);

    axis_x_ = MakeAxis(QStringLiteral("Time (secs)"));
    axis_x_->setLabelFormat(QStringLiteral("%g"));
    axis_x_->setTickCount(6);
    axis_y_ = MakeAxis(QStringLiteral("( KB/sec )"));
    axis_y_->setLabelFormat(QStringLiteral("%.2f"));
    axis_y_->setTickCount(3);
    axis_right_ = MakeAxis(QStringLiteral("Connections"));
    chart->addAxis(axis_x_, Qt::AlignBottom);
    chart->addAxis(axis_y_, Qt::AlignLeft);
    chart->addAxis(axis_right_, Qt::AlignRight);
    axis_right_->setVisible(false);
    for (QLineSeries* series : {rate_, total_}) {
        series->attachAxis(axis_x_);
        series->attachAxis(axis_y_);
    }
    connections_->attachAxis(axis_x_);
    connections_->attachAxis(axis_right_);
    SetGradient(true);
}

void TStatusChart::resizeEvent(QResizeEvent* event) {
    // In a short view the time axis's title takes the room its numbers need, and Qt Charts would cut
    // both to "...": the numbers matter more.
    axis_x_->setTitleVisible(height() >= kRoomForTimeTitle);
    QChartView::resizeEvent(event);
}

void TStatusChart::SetGradient(bool on) {
    gradient_ = on;
    if (on) {
        QLinearGradient gradient(0, 0, 0, 1);
        gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
        gradient.setColorAt(0, QColor(0x00, 0x33, 0x66));
        gradient.setColorAt(1, Qt::black);
        chart()->setBackgroundBrush(gradient);
    } else {
        chart()->setBackgroundBrush(Qt::black);
    }
    setBackgroundBrush(Qt::black);
    viewport()->update();
}

void TStatusChart::Clear() {
    for (auto& series : points_) series.Clear();
    max_x_ = 0;
    max_rate_ = 0;
    Flush();
}

void TStatusChart::Load(TCVChart* chart) {
    for (auto& series : points_) series.Clear();
    max_x_ = 0;
    max_rate_ = 0;
    if (chart != nullptr) {
        std::lock_guard guard(chart->Lock);
        const auto& rate = chart->Series[kTaskRate];
        const auto& total = chart->Series[kTaskTotal];
        const auto& connections = chart->Series[kTaskConnections];
        for (const auto& p : rate) {
            points_[kRate].Add({p.X, p.Y});
            max_x_ = std::max(max_x_, p.X);
            max_rate_ = std::max(max_rate_, p.Y);
        }
        for (const auto& p : total) points_[kTotal].Add({p.X, p.Y});
        for (const auto& p : connections) points_[kConnections].Add({p.X, p.Y});
    }
    Flush();
}

void TStatusChart::AddPoint(double seconds, double kilobytes, double rate, int connections) {
    bool changed = points_[kRate].Add({seconds, rate});
    changed = points_[kTotal].Add({seconds, kilobytes}) || changed;
    changed = points_[kConnections].Add({seconds, static_cast<double>(connections)}) || changed;
    max_x_ = std::max(max_x_, seconds);
    max_rate_ = std::max(max_rate_, rate);
    if (changed) ScheduleFlush();
}

void TStatusChart::ScheduleFlush() {
    if (!flush_timer_.isActive()) flush_timer_.start();
}

void TStatusChart::Flush() {
    flush_timer_.stop();
    rate_->replace(points_[kRate].Points());
    total_->replace(points_[kTotal].Points());
    connections_->replace(points_[kConnections].Points());
    axis_x_->setRange(0, std::max(1.0, max_x_));
    axis_y_->setRange(0, std::max(1.0, max_rate_ * 1.1));
    axis_right_->setRange(0, 16);
}

}  // namespace corvane
