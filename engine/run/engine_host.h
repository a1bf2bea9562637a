#pragma once
// How the engine reaches the windows. The program installs its own host; the default does nothing,
// so a whole capture runs without a display.
//
// Every method runs on the main thread. Worker threads never call a host method directly: they use
// PostToHost, which queues the call (it runs inline when already on the main thread). No lock may be
// held across a host call.

#include <functional>
#include <memory>
#include <string>

namespace corvane {

class TCVTask;

class EngineHost {
public:
    virtual ~EngineHost() = default;

    // Status view: counters of the current task; the free-resources gauge.
    virtual void UpdateStats() {}
    virtual void UpdateResources() {}
    // Connections view.
    virtual void UpdateSockets() {}
    // A new point of the transfer chart (seconds since the start).
    virtual void ChartPoint(double /*seconds*/, double /*kilobytes*/, double /*rate*/, int /*connections*/) {}
    // The status line: a plain message when position equals maximum.
    virtual void ShowStatus(const std::string& /*text*/, int /*position*/, int /*maximum*/) {}
    // A view's own line (an archive's listing and totals): it leaves the reason a run failed in view.
    virtual void ShowViewStatus(const std::string& text, int position, int maximum) { ShowStatus(text, position, maximum); }
    // Main window's "Work Offline" box.
    virtual void SetOfflineIndicator(bool /*offline*/) {}
    virtual void SetBusyCursor(bool /*busy*/) {}
    // A task's progress event (state changes, opening a queue).
    virtual void TaskProgress(const std::string& /*message*/, int /*position*/, int /*maximum*/) {}
    // The schedule tick found a due task: make it App's current task and start it.
    virtual void StartDueTask(std::shared_ptr<TCVTask> /*task*/) {}
    // App's current task was replaced: rebind the status view, refresh the explorer.
    virtual void CurrentTaskChanged(const std::shared_ptr<TCVTask>& /*task*/) {}
};

// The installed host (a do-nothing one until SetEngineHost). The caller keeps ownership.
EngineHost& Host();
void SetEngineHost(EngineHost* host);

// Runs fn with the host on the main thread: inline there, else posted to the current main loop
// (dropped when there is none).
void PostToHost(std::function<void(EngineHost&)> fn);

}  // namespace corvane
