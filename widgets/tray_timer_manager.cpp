#include "widgets/tray_timer_manager.h"

#include <QElapsedTimer>

#include <algorithm>

namespace corvane {

namespace {
constexpr int kLongestPeriod = 150;
}

TPGTimerItem::TPGTimerItem(TPGTimerManager& manager, int interval, std::function<void()> callback)
    : manager_(manager), interval_(interval), callback_(std::move(callback)) {
    manager_.Add(this);
}

TPGTimerItem::~TPGTimerItem() { manager_.Remove(this); }

void TPGTimerItem::SetInterval(int value) {
    interval_ = value;
    manager_.Update();
}

void TPGTimerItem::SetEnabled(bool value) {
    enabled_ = value;
    manager_.Update();
}

TPGTimerManager::TPGTimerManager(QObject* parent) : QObject(parent) {
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    clock_ = [started] { return started->elapsed(); };
    connect(&timer_, &QTimer::timeout, this, &TPGTimerManager::Tick);
}

TPGTimerManager::~TPGTimerManager() { timer_.stop(); }

void TPGTimerManager::SetEnabled(bool value) {
    enabled_ = value;
    if (!value)
        timer_.stop();
    else
        Update();
}

void TPGTimerManager::SetClock(Clock clock) {
    clock_ = std::move(clock);
    Update();
}

void TPGTimerManager::Remove(TPGTimerItem* item) {
    items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
    Update();
}

void TPGTimerManager::Update() {
    if (!enabled_) return;
    timer_.stop();
    const std::int64_t now = clock_();
    int period = 0;
    for (TPGTimerItem* item : items_) {
        if (!item->enabled_) continue;
        item->startTick_ = now;
        period = period == 0 ? item->interval_ : std::min(period, item->interval_);
    }
    if (period <= 0) return;
    timer_.start(std::min(period, kLongestPeriod));
}

void TPGTimerManager::Tick() {
    // A callback may stop, start or delete items: walk a copy and skip what went away.
    const std::vector<TPGTimerItem*> snapshot = items_;
    for (TPGTimerItem* item : snapshot) {
        if (std::find(items_.begin(), items_.end(), item) == items_.end() || !item->enabled_) continue;
        const std::int64_t now = clock_();
        if (now - item->startTick_ < item->interval_) continue;
        item->startTick_ = now;
        if (item->callback_) item->callback_();
    }
}

}  // namespace corvane
