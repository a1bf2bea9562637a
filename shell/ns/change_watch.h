#pragma once
// Folder change watching for the shell controls: one thread per watching control, over inotify.
//
// The control adds watches (a folder and a filter) and gets a slot index for each; when something in
// a watched folder changes, the thread posts a TChangeEvent carrying that slot to the control. At most
// one message per slot waits to be delivered at a time, so a burst of changes (or a rename, which the
// kernel reports as two events) gives one message. The control refreshes on the main thread; the
// thread never calls it.
//
// A folder that goes away (deleted, moved, or its file system unmounted) posts its slot once more and
// frees it; the slot can then be handed out again. A lost kernel queue (overflow) posts every slot.
//
// Make, command and destroy it on the owner's thread. Destruction joins the thread and drops every
// message still waiting, so the owner hears nothing from it afterwards.

#include "platform/rtl/thread.h"

#include <QEvent>
#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace corvane {

// "Something changed in the folder of this slot."
class TChangeEvent final : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 101);

    TChangeEvent(int slot, std::uint32_t generation) : QEvent(kType), slot_(slot), generation_(generation) {}

    int Slot() const { return slot_; }

private:
    friend class TChangeHandlerThread;

    int slot_;
    std::uint32_t generation_;  // of the slot when posted: a remove since then withdraws the message
};

struct ChangeWatchTiming {
    // How long a command waits for the thread before it is withdrawn and answers failure.
    std::chrono::milliseconds CommandTimeout{2000};
};

class TChangeHandlerThread final : public TThread {
public:
    // The filter bits of AddWatch: names of files, names of folders (created, deleted, moved).
    static constexpr unsigned kFileNames = 1;
    static constexpr unsigned kFolderNames = 2;
    static constexpr int kDefaultCapacity = 64;

    // A null owner watches but posts nothing. Starts at once. When the kernel refuses the watch
    // resources the object still works, but every AddWatch fails (logged once).
    explicit TChangeHandlerThread(QObject* owner, int capacity = kDefaultCapacity,
                                  ChangeWatchTiming timing = {});
    ~TChangeHandlerThread() override;

    // Watches the folder at an absolute path (bytes, as on disk) and answers its slot. Fails for an
    // empty or relative path or one holding a NUL, a filter without the two bits or with others, a
    // subtree watch (inotify has none), a missing folder, a full slot table, the kernel's watch
    // limit, or a thread that did not answer in time (the command is then withdrawn, never applied
    // later). Slots on one folder share its kernel watch.
    bool AddWatch(const std::string& path, unsigned filter, bool subtree, int& slot);
    // Ends one slot's watch and drops its message still waiting. False for a slot out of range or a
    // thread that did not answer in time.
    bool RemoveWatch(int slot);
    // Ends every watch and drops every message still waiting.
    bool RemoveAllWatches();

    int Capacity() const { return capacity_; }

protected:
    void Execute() override;

private:
    class Relay;
    struct Command;
    struct Slot {
        bool used = false;
        int wd = -1;
        unsigned filter = 0;
    };

    bool Submit(const std::shared_ptr<Command>& command);
    void Wake();
    void RunCommands();
    bool Apply(Command& command);
    void ReadChanges();
    void HandleChange(int wd, std::uint32_t mask);
    void Post(int slot);
    void FreeSlot(int slot, bool dropKernelWatch);
    void Withdraw(int slot);
    // Relay side (owner's thread): false when the message was withdrawn by a remove.
    bool TakeForDelivery(const TChangeEvent& event);

    const ChangeWatchTiming timing_;
    const int capacity_;
    int inotifyFd_ = -1;
    int wakeFd_ = -1;

    // Watch thread only.
    std::vector<Slot> slots_;
    std::unordered_map<int, std::vector<int>> slotsByWd_;
    std::vector<std::uint64_t> readBuffer_;

    // Shared with the relay: a message waiting per slot, and the slot's generation, which a remove
    // bumps so that a message posted before it is dropped.
    std::unique_ptr<std::atomic<bool>[]> waiting_;
    std::unique_ptr<std::atomic<std::uint32_t>[]> generation_;
    std::unique_ptr<Relay> relay_;
    // Bumped (release) after each message is made and before it is posted; the relay loads it
    // (acquire) before it looks at a message. The event queue's own lock already orders the two
    // threads, but the race detector cannot see into Qt: this pair is what it sees.
    std::atomic<std::uint64_t> posted_{0};

    std::mutex commandMutex_;
    std::condition_variable commandDone_;
    std::deque<std::shared_ptr<Command>> commands_;
    bool accepting_ = false;  // under commandMutex_: the thread runs and takes commands
};

}  // namespace corvane
