#include "platform/qt/qt_main_loop.h"

#include "platform/rtl/error_report.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <stdexcept>

namespace corvane {

QtMainLoop::QtMainLoop() : receiver_(std::make_unique<QObject>()) {
    auto* app = QCoreApplication::instance();
    if (app == nullptr) throw std::logic_error("QtMainLoop needs a QCoreApplication");
    if (QThread::currentThread() != app->thread()) throw std::logic_error("QtMainLoop made off the GUI thread");
}

QtMainLoop::~QtMainLoop() {
    // Close first: after it Wake is never called again, so the receiver can go.
    Close();
    for (auto& [id, timer] : timers_) delete timer.timer;
    timers_.clear();
    receiver_.reset();  // drops the drain events still queued for it
}

void QtMainLoop::Wake() {
    // Called with the queue lock held; posting an event only queues it.
    QMetaObject::invokeMethod(receiver_.get(), [this] { RunQueued(); }, Qt::QueuedConnection);
}

MainLoop::TimerId QtMainLoop::StartTimer(std::chrono::milliseconds interval, Callback fn, bool repeating) {
    RequireMainThread("StartTimer");
    if (interval.count() < 0) interval = std::chrono::milliseconds(0);
    const TimerId id = nextTimer_++;
    auto* timer = new QTimer(receiver_.get());
    timer->setSingleShot(!repeating);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, receiver_.get(), [this, id] { Fire(id); });
    timers_[id] = Timer{timer, std::move(fn), repeating};
    timer->start(interval);
    return id;
}

void QtMainLoop::StopTimer(TimerId id) {
    RequireMainThread("StopTimer");
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    it->second.timer->stop();
    it->second.timer->deleteLater();  // it may be the timer whose signal is running now
    timers_.erase(it);
}

void QtMainLoop::Fire(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    Callback fn = it->second.fn;
    if (!it->second.repeating) {
        it->second.timer->deleteLater();
        timers_.erase(it);
    }
    try {
        fn();
    } catch (...) {
        ReportError("timer", CurrentExceptionText());
    }
}

void QtMainLoop::ProcessPending() {
    RequireMainThread("ProcessPending");
    RunQueued();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace corvane
