#include "engine/run/socket_list.h"

#include <algorithm>

#include "engine/run/dispatch_rules.h"

namespace corvane {

TSocketList::TSocketList(const EngineTiming& timing) : timing_(timing) {}

TSocketList::~TSocketList() { Clear(); }

void TSocketList::SetSocketCount(int n) {
    std::lock_guard sizing(sizing_);
    std::vector<std::shared_ptr<TThreadSocket>> released;
    bool changed = false;
    {
        std::lock_guard guard(lock_);
        changed = static_cast<int>(list_.size()) != n;
    }
    if (!changed) return;
    if (OnBusyCursor) OnBusyCursor(true);
    {
        std::lock_guard guard(lock_);
        while (static_cast<int>(list_.size()) < n) {
            auto socket = std::make_shared<TThreadSocket>(timing_);
            socket->Resume();
            list_.push_back(std::move(socket));
        }
        std::vector<bool> busy;
        busy.reserve(list_.size());
        for (const auto& socket : list_) busy.push_back(socket->Busy());
        // Indexes come last first, so erasing keeps the earlier ones valid.
        for (const std::size_t index : ConnectionsToRelease(busy, n)) {
            released.push_back(list_[index]);
            list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(index));
        }
    }
    // Joined outside the lock: an idle connection ends at its next poll.
    for (auto& socket : released) socket->Release();
    if (OnBusyCursor) OnBusyCursor(false);
}

void TSocketList::StopAllSockets() {
    for (const auto& socket : Sockets()) socket->Stop();
}

void TSocketList::Clear() {
    std::lock_guard sizing(sizing_);
    std::vector<std::shared_ptr<TThreadSocket>> all;
    {
        std::lock_guard guard(lock_);
        all.swap(list_);
    }
    for (auto& socket : all) socket->Stop();
    for (auto& socket : all) socket->Release();
}

bool TSocketList::HandOver(TThreadSocket& socket, TSocketJob& job) {
    // Under the list lock, so a resize cannot release the connection between the test and the job.
    std::lock_guard guard(lock_);
    const bool listed =
        std::any_of(list_.begin(), list_.end(), [&](const auto& s) { return s.get() == &socket; });
    return listed && socket.StartJob(job);
}

std::vector<std::shared_ptr<TThreadSocket>> TSocketList::Sockets() const {
    std::lock_guard guard(lock_);
    return list_;
}

std::shared_ptr<TThreadSocket> TSocketList::FirstIdle() const {
    std::lock_guard guard(lock_);
    for (const auto& socket : list_)
        if (!socket->Busy()) return socket;
    return nullptr;
}

bool TSocketList::Contains(const TThreadSocket* socket) const {
    std::lock_guard guard(lock_);
    return std::any_of(list_.begin(), list_.end(), [&](const auto& s) { return s.get() == socket; });
}

int TSocketList::Count() const {
    std::lock_guard guard(lock_);
    return static_cast<int>(list_.size());
}

bool TSocketList::AllIdle() const {
    std::lock_guard guard(lock_);
    return std::none_of(list_.begin(), list_.end(), [](const auto& s) { return s->Busy(); });
}

}  // namespace corvane
