#include "shell/ns/change_watch.h"

#include "platform/rtl/log.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace corvane {

namespace {

// Entries made, deleted or moved in the folder, and the folder's own end. IN_ONLYDIR: a file is
// not a folder to watch.
constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                     IN_MOVE_SELF | IN_ONLYDIR;
constexpr std::uint32_t kEntryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

}  // namespace

// --- Relay --------------------------------------------------------------------------------------

// The thread posts to this object rather than to the owner: it drops a message that a remove has
// withdrawn and clears the slot's waiting mark just before the owner sees it, so a change during the
// owner's handling posts again. Destroying it drops whatever is still queued for it.
class TChangeHandlerThread::Relay final : public QObject {
public:
    Relay(TChangeHandlerThread& watcher, QObject* owner) : watcher_(watcher), owner_(owner) {}

    bool event(QEvent* e) override {
        (void)watcher_.posted_.load(std::memory_order_acquire);  // before the first look at e
        if (e->type() != TChangeEvent::kType) return QObject::event(e);
        auto* change = static_cast<TChangeEvent*>(e);
        if (watcher_.TakeForDelivery(*change) && owner_ != nullptr) QCoreApplication::sendEvent(owner_, change);
        return true;
    }

private:
    TChangeHandlerThread& watcher_;
    QPointer<QObject> owner_;
};

// --- Commands -----------------------------------------------------------------------------------

struct TChangeHandlerThread::Command {
    enum class Kind { Add, Remove, RemoveAll } kind;
    enum class State { Queued, Running, Done, Withdrawn } state = State::Queued;
    std::string path;
    unsigned filter = 0;
    int slot = -1;  // Add: the answer; Remove: the slot to end
    bool ok = false;
};

namespace {

int CheckedCapacity(int capacity) {
    if (capacity <= 0) throw std::invalid_argument("a change watch needs at least one slot");
    return capacity;
}

}  // namespace

TChangeHandlerThread::TChangeHandlerThread(QObject* owner, int capacity, ChangeWatchTiming timing)
    : TThread("change-watch"),
      timing_(timing),
      capacity_(CheckedCapacity(capacity)),
      slots_(static_cast<std::size_t>(capacity_)),
      readBuffer_(64 * 1024 / sizeof(std::uint64_t)),
      waiting_(std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(capacity_))),
      generation_(std::make_unique<std::atomic<std::uint32_t>[]>(static_cast<std::size_t>(capacity_))) {
    if (owner != nullptr) relay_ = std::make_unique<Relay>(*this, owner);
    inotifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (inotifyFd_ < 0 || wakeFd_ < 0) {
        LogWarning(std::string("Folders are not watched for changes: ") + std::strerror(errno));
        return;
    }
    accepting_ = true;
    Resume();
}

TChangeHandlerThread::~TChangeHandlerThread() {
    Terminate();
    Wake();
    WaitFor();
    // Joined: nothing posts any more. The relay takes the messages still queued with it.
    relay_.reset();
    if (inotifyFd_ >= 0) ::close(inotifyFd_);
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void TChangeHandlerThread::Wake() {
    if (wakeFd_ < 0) return;
    const std::uint64_t one = 1;
    // Only fails when the counter is saturated, and then the thread is woken anyway.
    [[maybe_unused]] ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

bool TChangeHandlerThread::AddWatch(const std::string& path, unsigned filter, bool subtree, int& slot) {
    slot = -1;
    // A NUL inside would cut the path short and watch another folder.
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos || subtree) return false;
    if ((filter & (kFileNames | kFolderNames)) == 0 || (filter & ~(kFileNames | kFolderNames)) != 0) return false;
    auto command = std::make_shared<Command>();
    command->kind = Command::Kind::Add;
    command->path = path;
    command->filter = filter;
    if (!Submit(command)) return false;
    slot = command->slot;
    return true;
}

bool TChangeHandlerThread::RemoveWatch(int slot) {
    if (slot < 0 || slot >= capacity_) return false;
    auto command = std::make_shared<Command>();
    command->kind = Command::Kind::Remove;
    command->slot = slot;
    return Submit(command);
}

bool TChangeHandlerThread::RemoveAllWatches() {
    auto command = std::make_shared<Command>();
    command->kind = Command::Kind::RemoveAll;
    return Submit(command);
}

bool TChangeHandlerThread::Submit(const std::shared_ptr<Command>& command) {
    std::unique_lock lock(commandMutex_);
    if (!accepting_) return false;
    commands_.push_back(command);
    Wake();
    const bool answered = commandDone_.wait_for(lock, timing_.CommandTimeout,
                                                [&] { return command->state == Command::State::Done; });
    if (answered) return command->ok;
    // Too late: a queued command is taken back; one being applied is undone by the thread.
    if (command->state == Command::State::Queued)
        commands_.erase(std::find(commands_.begin(), commands_.end(), command));
    command->state = Command::State::Withdrawn;
    return false;
}

// --- The watch thread ---------------------------------------------------------------------------

void TChangeHandlerThread::Execute() {
    ::pthread_setname_np(::pthread_self(), "change-watch");
    // However the loop ends, waiting callers are answered (failure) at once.
    struct StopAccepting {
        TChangeHandlerThread& self;
        ~StopAccepting() {
            std::lock_guard lock(self.commandMutex_);
            self.accepting_ = false;
            for (auto& command : self.commands_) command->state = Command::State::Done;  // ok stays false
            self.commands_.clear();
            self.commandDone_.notify_all();
        }
    } stopAccepting{*this};

    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {inotifyFd_, POLLIN, 0}};
    while (!Terminated()) {
        // No timeout: an idle watch costs nothing.
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), "poll");
        }
        CheckSuspend();
        if (Terminated()) break;
        // Changes before commands: a change made before a remove was asked is posted first, and the
        // remove then withdraws it.
        if (fds[1].revents != 0) ReadChanges();
        if (fds[0].revents != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] ssize_t got = ::read(wakeFd_, &count, sizeof count);
            RunCommands();
        }
    }
}

void TChangeHandlerThread::RunCommands() {
    for (;;) {
        // A suspended thread takes no further command, also one queued while it was answering.
        CheckSuspend();
        if (Terminated()) return;
        std::shared_ptr<Command> command;
        {
            std::lock_guard lock(commandMutex_);
            if (commands_.empty()) return;
            command = commands_.front();
            commands_.pop_front();
            command->state = Command::State::Running;
        }
        const bool ok = Apply(*command);
        bool withdrawn;
        {
            std::lock_guard lock(commandMutex_);
            withdrawn = command->state == Command::State::Withdrawn;
            if (!withdrawn) {
                command->ok = ok;
                command->state = Command::State::Done;
                commandDone_.notify_all();
            }
        }
        // The caller gave up and answered failure: a watch it does not know of must not stay.
        if (withdrawn && ok && command->kind == Command::Kind::Add) {
            FreeSlot(command->slot, true);
            Withdraw(command->slot);
        }
    }
}

bool TChangeHandlerThread::Apply(Command& command) {
    switch (command.kind) {
    case Command::Kind::Add: {
        // The slot first: with the table full nothing is asked of the kernel, so nothing can leak.
        const auto free = std::find_if(slots_.begin(), slots_.end(), [](const Slot& s) { return !s.used; });
        if (free == slots_.end()) return false;
        const int wd = ::inotify_add_watch(inotifyFd_, command.path.c_str(), kWatchMask);
        if (wd < 0) return false;
        const int slot = static_cast<int>(free - slots_.begin());
        *free = Slot{true, wd, command.filter};
        slotsByWd_[wd].push_back(slot);
        command.slot = slot;
        return true;
    }
    case Command::Kind::Remove:
        if (slots_[static_cast<std::size_t>(command.slot)].used) FreeSlot(command.slot, true);
        Withdraw(command.slot);
        return true;
    case Command::Kind::RemoveAll:
        for (int slot = 0; slot < capacity_; ++slot) {
            if (slots_[static_cast<std::size_t>(slot)].used) FreeSlot(slot, true);
            Withdraw(slot);
        }
        return true;
    }
    return false;
}

void TChangeHandlerThread::ReadChanges() {
    auto* const buffer = reinterpret_cast<char*>(readBuffer_.data());
    const std::size_t size = readBuffer_.size() * sizeof(std::uint64_t);
    for (;;) {
        const ssize_t got = ::read(inotifyFd_, buffer, size);
        if (got < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) return;
            throw std::system_error(errno, std::generic_category(), "reading folder changes");
        }
        if (got == 0) return;
        for (std::size_t at = 0; at + sizeof(inotify_event) <= static_cast<std::size_t>(got);) {
            inotify_event header;
            std::memcpy(&header, buffer + at, sizeof header);
            HandleChange(header.wd, header.mask);
            at += sizeof header + header.len;
        }
    }
}

void TChangeHandlerThread::HandleChange(int wd, std::uint32_t mask) {
    if ((mask & IN_Q_OVERFLOW) != 0) {
        // Changes were lost: every folder may have changed.
        for (int slot = 0; slot < capacity_; ++slot)
            if (slots_[static_cast<std::size_t>(slot)].used) Post(slot);
        return;
    }
    const auto found = slotsByWd_.find(wd);
    if (found == slotsByWd_.end()) return;  // an end we asked for ourselves, or a late event
    if ((mask & kFolderGone) != 0) {
        const std::vector<int> gone = found->second;
        for (int slot : gone) Post(slot);
        // The kernel keeps the watch of a moved folder; the others it has dropped (IN_IGNORED follows
        // or came).
        const bool dropKernelWatch = (mask & IN_MOVE_SELF) != 0;
        for (int slot : gone) FreeSlot(slot, dropKernelWatch);
        return;
    }
    if ((mask & kEntryEvents) == 0) return;
    const unsigned kind = (mask & IN_ISDIR) != 0 ? kFolderNames : kFileNames;
    for (int slot : found->second)
        if ((slots_[static_cast<std::size_t>(slot)].filter & kind) != 0) Post(slot);
}

void TChangeHandlerThread::Post(int slot) {
    if (!relay_) return;
    const auto index = static_cast<std::size_t>(slot);
    if (waiting_[index].exchange(true, std::memory_order_acq_rel)) return;  // one is waiting already
    auto* event = new TChangeEvent(slot, generation_[index].load(std::memory_order_relaxed));
    posted_.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(relay_.get(), event);
}

void TChangeHandlerThread::FreeSlot(int slot, bool dropKernelWatch) {
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    const auto found = slotsByWd_.find(s.wd);
    if (found != slotsByWd_.end()) {
        auto& sharing = found->second;
        sharing.erase(std::remove(sharing.begin(), sharing.end(), slot), sharing.end());
        // Slots on one folder share its kernel watch: it ends with the last of them.
        if (sharing.empty()) {
            if (dropKernelWatch) ::inotify_rm_watch(inotifyFd_, s.wd);
            slotsByWd_.erase(found);
        }
    }
    s = Slot{};
}

void TChangeHandlerThread::Withdraw(int slot) {
    const auto index = static_cast<std::size_t>(slot);
    generation_[index].fetch_add(1, std::memory_order_relaxed);
    waiting_[index].store(false, std::memory_order_release);
}

bool TChangeHandlerThread::TakeForDelivery(const TChangeEvent& event) {
    const int slot = event.slot_;
    if (slot < 0 || slot >= capacity_) return false;
    const auto index = static_cast<std::size_t>(slot);
    if (event.generation_ != generation_[index].load(std::memory_order_acquire)) return false;
    waiting_[index].store(false, std::memory_order_release);
    return true;
}

}  // namespace corvane
