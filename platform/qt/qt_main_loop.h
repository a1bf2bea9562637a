#pragma once
// The program's main loop over the Qt event loop. Calls wait in the shared queue; each one queued
// posts an event to a main-thread object that drains the queue, so they also run while a wait on the
// main thread serves the queue by itself. Timers are QTimers. Make it on the GUI thread after the
// QCoreApplication.

#include "platform/rtl/queued_main_loop.h"

#include <map>
#include <memory>

class QObject;
class QTimer;

namespace corvane {

class QtMainLoop : public QueuedMainLoop {
public:
    QtMainLoop();
    ~QtMainLoop() override;

    TimerId StartTimer(std::chrono::milliseconds interval, Callback fn, bool repeating) override;
    void StopTimer(TimerId id) override;
    void ProcessPending() override;

protected:
    void Wake() override;

private:
    void Fire(TimerId id);

    std::unique_ptr<QObject> receiver_;
    struct Timer {
        QTimer* timer;
        Callback fn;
        bool repeating;
    };
    std::map<TimerId, Timer> timers_;  // main thread only
    TimerId nextTimer_ = 1;
};

}  // namespace corvane
