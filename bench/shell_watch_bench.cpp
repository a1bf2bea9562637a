// The folder change watch's cost: 1,000 watched folders idle for 5 s (CPU ticks of the watch thread,
// which must stay 0), then 10,000 files made in one watched folder (messages delivered to the owner
// and the first one's latency). One run: build/bench/shell_watch_bench [idle seconds] [files]

#include "shell/ns/change_watch.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <sys/stat.h>

namespace {

using Clock = std::chrono::steady_clock;

// utime + stime of the thread named "change-watch", from its /proc stat line; -1 when not found.
long WatchThreadTicks() {
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name != "change-watch") continue;
        std::ifstream statFile(task.path() / "stat");
        std::string line;
        std::getline(statFile, line);
        // Fields after the command name (which may hold blanks) start at state, field 3.
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        std::string field;
        long utime = 0, stime = 0;
        for (int index = 3; rest >> field; ++index) {
            if (index == 14) utime = std::stol(field);
            if (index == 15) {
                stime = std::stol(field);
                break;
            }
        }
        return utime + stime;
    }
    return -1;
}

class Owner : public QObject {
public:
    long messages = 0;
    Clock::time_point first{};
    bool event(QEvent* e) override {
        if (e->type() != corvane::TChangeEvent::kType) return QObject::event(e);
        if (messages++ == 0) first = Clock::now();
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 5;
    const int files = argc > 2 ? std::atoi(argv[2]) : 10000;
    QTemporaryDir scratch;
    const std::string root = scratch.path().toStdString();

    Owner owner;
    corvane::TChangeHandlerThread watcher(&owner, 1024);
    for (int i = 0; i < 1000; ++i) {
        const std::string folder = root + "/idle" + std::to_string(i);
        ::mkdir(folder.c_str(), 0700);
        int slot = -1;
        if (!watcher.AddWatch(folder, 3, false, slot)) {
            std::fprintf(stderr, "watch %d failed\n", i);
            return 1;
        }
    }
    const long idleBefore = WatchThreadTicks();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const long idleTicks = WatchThreadTicks() - idleBefore;
    std::printf("idle: 1000 watches for %d s: %ld CPU ticks on the watch thread\n", idleSeconds, idleTicks);

    const std::string busy = root + "/busy";
    ::mkdir(busy.c_str(), 0700);
    int slot = -1;
    if (!watcher.AddWatch(busy, 3, false, slot)) return 1;
    // The main thread waits in the event loop as the program's does; a timer bounds each wait.
    QTimer pace;
    pace.start(20);
    std::atomic<bool> written{false};
    Clock::time_point start;
    const long burstBefore = WatchThreadTicks();
    std::thread writer([&] {
        start = Clock::now();
        for (int i = 0; i < files; ++i) std::ofstream(busy + "/f" + std::to_string(i)).put('x');
        written = true;
    });
    Clock::time_point quietSince = Clock::now();
    long seen = 0;
    while (!written || Clock::now() - quietSince < std::chrono::milliseconds(300)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (owner.messages != seen) {
            seen = owner.messages;
            quietSince = Clock::now();
        }
    }
    writer.join();
    const auto latency = std::chrono::duration<double, std::milli>(owner.first - start).count();
    std::printf("burst: %d files made: %ld messages delivered, first after %.2f ms, %ld CPU ticks on the watch thread\n",
                files, owner.messages, latency, WatchThreadTicks() - burstBefore);
    return idleTicks == 0 ? 0 : 3;
}
