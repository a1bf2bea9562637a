#pragma once
// Keeps a growing chart series drawable: at most `limit` points, taken evenly from all points added.
// Every stride-th point is kept; when the kept points pass the limit, every other one goes and the
// stride doubles, so a long run costs the chart the same as a short one.

#include <QList>
#include <QPointF>
#include <cstddef>

namespace corvane {

inline constexpr std::size_t kChartPointLimit = 2000;

class TChartDecimator {
public:
    explicit TChartDecimator(std::size_t limit = kChartPointLimit) : limit_(limit < 2 ? 2 : limit) {}

    void Clear();
    // True when the kept points changed.
    bool Add(QPointF point);
    const QList<QPointF>& Points() const { return points_; }
    std::size_t Stride() const { return stride_; }

private:
    std::size_t limit_;
    std::size_t stride_ = 1;
    std::size_t seen_ = 0;
    QList<QPointF> points_;
};

}  // namespace corvane
