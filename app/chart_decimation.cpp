#include "app/chart_decimation.h"

namespace corvane {

void TChartDecimator::Clear() {
    stride_ = 1;
    seen_ = 0;
    points_.clear();
}

bool TChartDecimator::Add(QPointF point) {
    if (seen_++ % stride_ != 0) return false;
    points_.append(point);
    if (static_cast<std::size_t>(points_.size()) > limit_) {
        // The kept points stand for indices 0, s, 2s...; keeping the even ones leaves 0, 2s, 4s...
        QList<QPointF> halved;
        halved.reserve(points_.size() / 2 + 1);
        for (qsizetype i = 0; i < points_.size(); i += 2) halved.append(points_[i]);
        points_.swap(halved);
        stride_ *= 2;
    }
    return true;
}

}  // namespace corvane
