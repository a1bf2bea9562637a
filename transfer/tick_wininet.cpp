#include "transfer/tick_wininet.h"

#include "platform/rtl/main_loop.h"
#include "platform/rtl/wait_while_serving.h"
#include "transfer/kit_texts.h"

#include <algorithm>
#include <condition_variable>
#include <system_error>
#include <thread>

namespace corvane {

struct TickWinInet::Worker {
    std::thread thread;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;          // under mutex
    int result = 0;             // written before done is set
    MainLoop* loop = nullptr;   // under mutex: the loop a main-thread waiter serves
    int main_waiters = 0;       // under mutex

    // The action's end: wakes a waiter on another thread through the condition variable and one on
    // the main thread with an empty call, so neither sits out its step.
    void Finish(int code) {
        std::lock_guard lock(mutex);
        result = code;
        done = true;
        ended.notify_all();
        if (main_waiters > 0 && loop) loop->Post([] {});
    }
};

TickWinInet::TickWinInet() { TickWinInet::Initialize(); }

TickWinInet::~TickWinInet() {
    StopWorker();
    CloseSlot(request_);
    CloseSlot(connection_);
    CloseSlot(internet_);
}

bool TickWinInet::Initialize() {
    TickCore::Initialize();
    User.clear();
    Password.clear();
    ProxyBypass.clear();
    ProxyServer.clear();
    UseCache = true;
    destroying_ = false;
    return true;
}

void TickWinInet::CloneFromComponent(const TickCore& source) {
    TickCore::CloneFromComponent(source);
    if (const auto* other = dynamic_cast<const TickWinInet*>(&source)) {
        ProxyBypass = other->ProxyBypass;
        ProxyServer = other->ProxyServer;
        UseCache = other->UseCache;
        OnStatus = other->OnStatus;
    }
}

std::string TickWinInet::WinInetVersion() const { return InternetLayerVersion(); }

void TickWinInet::SetWaitStep(std::chrono::milliseconds step) {
    wait_step_ = std::max(step, std::chrono::milliseconds(1));
}

// On the main thread the loop's queued calls are served meanwhile (in slices of at most 10 ms), so a
// worker whose event handler calls onto the main thread cannot deadlock with us.
void TickWinInet::WaitFor(Worker& worker) const {
    const auto step = WaitStep();
    MainLoop* loop = CurrentMainLoop();
    if (loop && loop->IsMainThread()) {
        {
            std::lock_guard lock(worker.mutex);
            worker.loop = loop;
            ++worker.main_waiters;
        }
        WaitWhileServing(*loop, [&] {
            std::lock_guard lock(worker.mutex);
            return worker.done;
        }, step);
        // Taken after done was seen: the worker's wake-up call has been posted by now, so the loop
        // may go away once we return.
        std::lock_guard lock(worker.mutex);
        --worker.main_waiters;
        return;
    }
    std::unique_lock lock(worker.mutex);
    while (!worker.done) worker.ended.wait_for(lock, step);
}

bool TickWinInet::Busy() const {
    std::lock_guard lock(worker_mutex_);
    return worker_ != nullptr;
}

void TickWinInet::Execute(int action) {
    if (action == 0) {
        Cancel();
        return;
    }
    auto worker = std::make_shared<Worker>();
    {
        std::unique_lock lock(worker_mutex_);
        if (worker_) {
            lock.unlock();
            Error(kBusy, "Busy performing current action");
            return;
        }
        cancel_ = false;
        worker_ = worker;
    }
    // The action clears this when it starts and sets its own text when it fails.
    SetLastErrorText("Error waiting for worker thread.");
    try {
        worker->thread = std::thread([this, worker, action] {
            int result = 0;
            try {
                result = DoAction(action);
            } catch (...) {
                result = static_cast<int>(ERROR_INTERNET_INTERNAL_ERROR);
            }
            worker->Finish(result);
        });
    } catch (const std::system_error&) {
        std::lock_guard lock(worker_mutex_);
        worker_.reset();
    }
    if (!worker->thread.joinable()) {
        Error(kCantWait, "Can't create worker thread");
        return;
    }
    WaitFor(*worker);
    worker->thread.join();
    {
        std::lock_guard lock(worker_mutex_);
        worker_.reset();
    }
    if (worker->result != 0) Error(worker->result, LastErrorText());
}

void TickWinInet::Cancel() {
    std::shared_ptr<Worker> worker;
    {
        std::lock_guard lock(worker_mutex_);
        worker = worker_;
        if (worker) cancel_ = true;
    }
    if (!worker) {
        DoAction(0);
        return;
    }
    // Closing the handles ends the blocked call on the worker; the flag stops it from going on.
    CloseSlot(connection_);
    CloseSlot(internet_);
    WaitFor(*worker);
}

void TickWinInet::StopWorker() {
    destroying_ = true;
    std::shared_ptr<Worker> worker;
    {
        std::lock_guard lock(worker_mutex_);
        worker = worker_;
        if (worker) cancel_ = true;
    }
    if (!worker) return;
    CloseSlot(connection_);
    CloseSlot(internet_);
    WaitFor(*worker);
}

bool TickWinInet::Keep(std::atomic<HINTERNET>& slot, HINTERNET handle) {
    CloseSlot(slot);
    slot = handle;
    // A cancel that came before the store did not see this handle: close it here.
    if (cancel_) {
        CloseSlot(slot);
        return false;
    }
    return true;
}

void TickWinInet::CloseSlot(std::atomic<HINTERNET>& slot) {
    if (HINTERNET h = slot.exchange(nullptr)) InternetCloseHandle(h);
}

int TickWinInet::DoAction(int) { return 0; }

void TickWinInet::DoStatus(int code, const std::string& text) {
    if (OnStatus) OnStatus(*this, code, text);
}

void TickWinInet::DoEndTransfer() {
    if (OnEndTransfer) OnEndTransfer(*this);
}

void TickWinInet::DoStartTransfer() {
    if (OnStartTransfer) OnStartTransfer(*this);
}

void TickWinInet::DoTransfer(std::int64_t bytes, const std::string& text) {
    if (OnTransfer) OnTransfer(*this, bytes, text);
}

void TickWinInet::StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, void* info, DWORD info_length) {
    auto* self = reinterpret_cast<TickWinInet*>(context);
    if (!self || self->destroying_) return;
    std::string text;
    if (KitStatusText(status, info, info_length, text)) self->DoStatus(static_cast<int>(status), text);
}

}  // namespace corvane
