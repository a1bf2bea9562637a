#pragma once
// A kit component that runs each network action on a worker thread of its own while the caller
// waits (serving the main loop when the caller is the main thread), plus the events every action
// can fire. The events run on the worker thread.

#include "platform/wininet/wininet.h"
#include "transfer/tick_core.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace corvane {

class TickWinInet : public TickCore {
public:
    using TNotifyEvent = std::function<void(TickWinInet& sender)>;
    using TickWinInetStatusEvent = std::function<void(TickWinInet& sender, int StatusCode, const std::string& Description)>;
    using TickWinInetTransferEvent =
        std::function<void(TickWinInet& sender, std::int64_t BytesTransferred, const std::string& Text)>;

    static constexpr int kBusy = 143;
    static constexpr int kCantWait = 120;

    TickWinInet();
    ~TickWinInet() override;

    // Runs one action and returns when it is over; a failure raises EInetKitError on this thread.
    // Action 0 cancels: with no action running it runs DoAction(0) here; otherwise it stops the
    // running action (it then fails with 12017) and waits for its worker. Cancelling may come from
    // any thread.
    void Execute(int action);
    bool Busy() const;
    // The longest a waiting caller goes without looking at the action (at most 10 ms on the main
    // thread, which serves its loop meanwhile). The action's end wakes the caller at once.
    void SetWaitStep(std::chrono::milliseconds step);
    std::chrono::milliseconds WaitStep() const { return wait_step_.load(); }

    bool Initialize() override;
    void CloneFromComponent(const TickCore& source) override;

    // The version of the handle layer, "a.b.c.d".
    std::string WinInetVersion() const;

    std::string User;
    std::string Password;
    std::string ProxyBypass;
    std::string ProxyServer;
    bool UseCache = true;
    TNotifyEvent OnEndTransfer;
    TickWinInetStatusEvent OnStatus;
    TNotifyEvent OnStartTransfer;
    TickWinInetTransferEvent OnTransfer;

protected:
    // Performs one action on the worker thread; returns 0 or an error code, never throws.
    virtual int DoAction(int action);
    virtual void DoStatus(int code, const std::string& text);
    virtual void DoEndTransfer();
    virtual void DoStartTransfer();
    virtual void DoTransfer(std::int64_t bytes, const std::string& text);

    // True once a cancel was asked for the running action.
    bool CancelRequested() const { return cancel_.load(); }
    // Stores a handle the action opened; false (and the handle closed) when a cancel came first.
    bool Keep(std::atomic<HINTERNET>& slot, HINTERNET handle);
    static void CloseSlot(std::atomic<HINTERNET>& slot);
    // Cancels and waits for a running action; the most-derived destructor calls it first.
    void StopWorker();

    static void StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, void* info, DWORD info_length);

    std::atomic<HINTERNET> internet_{nullptr};
    std::atomic<HINTERNET> connection_{nullptr};
    std::atomic<HINTERNET> request_{nullptr};
    std::atomic<bool> destroying_{false};

private:
    struct Worker;
    void Cancel();
    void WaitFor(Worker& worker) const;
    std::atomic<bool> cancel_{false};
    std::atomic<std::chrono::milliseconds> wait_step_{std::chrono::milliseconds(10)};
    mutable std::mutex worker_mutex_;
    std::shared_ptr<Worker> worker_;
};

}  // namespace corvane
