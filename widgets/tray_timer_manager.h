#pragma once
// Soft timers of the tray icon: any number of items driven by one interface timer whose period is
// the smallest enabled interval, at most 150 ms. The clock can be replaced, so tests step time.

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace corvane {

class TPGTimerManager;

class TPGTimerItem {
public:
    explicit TPGTimerItem(TPGTimerManager& manager, int interval = 1000, std::function<void()> callback = {});
    ~TPGTimerItem();
    TPGTimerItem(const TPGTimerItem&) = delete;
    TPGTimerItem& operator=(const TPGTimerItem&) = delete;

    int Interval() const { return interval_; }
    void SetInterval(int value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    void SetCallback(std::function<void()> callback) { callback_ = std::move(callback); }

private:
    friend class TPGTimerManager;

    TPGTimerManager& manager_;
    int interval_;
    bool enabled_ = false;
    std::function<void()> callback_;
    std::int64_t startTick_ = 0;
};

class TPGTimerManager : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<std::int64_t()>;  // milliseconds

    explicit TPGTimerManager(QObject* parent = nullptr);
    ~TPGTimerManager() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    void SetClock(Clock clock);
    std::int64_t Now() const { return clock_(); }

    // 0 while the interface timer is off.
    int Period() const { return timer_.isActive() ? timer_.interval() : 0; }
    // One round of the interface timer: fires every enabled item whose interval has passed.
    void Tick();

private:
    friend class TPGTimerItem;

    void Add(TPGTimerItem* item) { items_.push_back(item); }
    void Remove(TPGTimerItem* item);
    void Update();

    bool enabled_ = true;
    Clock clock_;
    QTimer timer_;
    std::vector<TPGTimerItem*> items_;
};

}  // namespace corvane
