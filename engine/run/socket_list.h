#pragma once
// The pool of connections, in list order. The list has its own lock; a caller never holds it while
// a connection is stopped or joined. Connections are shared, so one that the dispatcher picked stays
// a valid object even when a resize releases it; the hand-over then finds it gone from the list.

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/run/engine_timing.h"
#include "engine/run/socket_thread.h"

namespace corvane {

class TSocketList {
public:
    explicit TSocketList(const EngineTiming& timing);
    ~TSocketList();
    TSocketList(const TSocketList&) = delete;
    TSocketList& operator=(const TSocketList&) = delete;

    // Grows the pool to n running connections, or shrinks it by releasing idle connections from the
    // end; busy ones stay, so the count may stay above n until a later call. Dispatch or main thread.
    void SetSocketCount(int n);
    // Stops every connection's transfer, in list order.
    void StopAllSockets();
    // Releases every connection (shut-down).
    void Clear();

    // Gives the job to the connection when it is still in the list and idle; false otherwise (the
    // job is left unused).
    bool HandOver(TThreadSocket& socket, TSocketJob& job);

    std::vector<std::shared_ptr<TThreadSocket>> Sockets() const;
    std::shared_ptr<TThreadSocket> FirstIdle() const;
    bool Contains(const TThreadSocket* socket) const;
    int Count() const;
    bool AllIdle() const;

    // Shown while the pool changes (the hourglass); the caller posts it to the main thread.
    std::function<void(bool busy)> OnBusyCursor;

private:
    const EngineTiming timing_;
    mutable std::mutex lock_;
    std::mutex sizing_;  // one resize at a time
    std::vector<std::shared_ptr<TThreadSocket>> list_;
};

}  // namespace corvane
