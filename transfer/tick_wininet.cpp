#include "transfer/tick_wininet.h"

#include "platform/rtl/wait_while_serving.h"
#include "transfer/kit_texts.h"

#include <chrono>
#include <system_error>
#include <thread>

namespace corvane {

namespace {

constexpr std::chrono::milliseconds kWaitStep{10};

// Waits in 10 ms steps; on the main thread the main loop's queued calls are served meanwhile, so a
// worker whose event handler calls onto the main thread cannot deadlock with us.
void WaitServing(const std::function<bool()>& done) { WaitWhileServing(done, kWaitStep); }

}  // namespace

struct TickWinInet::Worker {
    std::thread thread;
    std::atomic<bool> done{false};
    int result = 0;  // written before done is set
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
            worker->result = result;
            worker->done = true;
        });
    } catch (const std::system_error&) {
        std::lock_guard lock(worker_mutex_);
        worker_.reset();
    }
    if (!worker->thread.joinable()) {
        Error(kCantWait, "Can't create worker thread");
        return;
    }
    WaitServing([&] { return worker->done.load(); });
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
    WaitServing([&] { return worker->done.load(); });
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
    WaitServing([&] { return worker->done.load(); });
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
