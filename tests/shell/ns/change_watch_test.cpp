#include "shell/ns/change_watch.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace corvane::testing {
namespace {

using namespace std::chrono_literals;

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "change_watch_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// The owner: records the slot of every change message it is given.
class Recorder : public QObject {
public:
    std::vector<int> received;

    bool event(QEvent* e) override {
        if (e->type() != TChangeEvent::kType) return QObject::event(e);
        received.push_back(static_cast<TChangeEvent*>(e)->Slot());
        return true;
    }
    // Lets the watch thread read what the kernel queued, then delivers; answers what arrived.
    std::vector<int> Settle() {
        std::this_thread::sleep_for(150ms);
        QCoreApplication::processEvents();
        std::vector<int> got;
        got.swap(received);
        return got;
    }
    void WaitForAny() {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (received.empty() && std::chrono::steady_clock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
};

// Kernel watches held by the process's inotify instances, as the kernel lists them.
int KernelWatchCount() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(entry.path(), ec).string() != "anon_inode:inotify") continue;
        std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
        for (std::string line; std::getline(info, line);)
            if (line.rfind("inotify wd:", 0) == 0) ++count;
    }
    return count;
}

class ChangeWatch : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        ASSERT_TRUE(scratch_.isValid());
    }
    std::string Folder(const std::string& name) {
        const std::string path = scratch_.path().toStdString() + "/" + name;
        ::mkdir(path.c_str(), 0700);
        return path;
    }
    static void Touch(const std::string& path) { std::ofstream(path).put('x'); }
    int Watch(TChangeHandlerThread& watcher, const std::string& path, unsigned filter = 3) {
        int slot = -1;
        EXPECT_TRUE(watcher.AddWatch(path, filter, false, slot)) << path;
        return slot;
    }

    QTemporaryDir scratch_;
    Recorder owner_;
};

TEST_F(ChangeWatch, CreateDeleteRenameAndABurstGiveOneMessageEach) {
    TChangeHandlerThread watcher(&owner_);
    const std::string a = Folder("a");
    ASSERT_EQ(Watch(watcher, a), 0);

    Touch(a + "/page.htm");
    EXPECT_EQ(owner_.Settle(), std::vector<int>{0});
    ASSERT_EQ(std::rename((a + "/page.htm").c_str(), (a + "/index.htm").c_str()), 0);
    EXPECT_EQ(owner_.Settle(), std::vector<int>{0});
    ASSERT_EQ(::unlink((a + "/index.htm").c_str()), 0);
    EXPECT_EQ(owner_.Settle(), std::vector<int>{0});
    for (int i = 0; i < 200; ++i) Touch(a + "/f" + std::to_string(i));
    EXPECT_EQ(owner_.Settle(), std::vector<int>{0});
    // Writing into an existing file changes no name.
    std::ofstream(a + "/f1", std::ios::app).put('y');
    EXPECT_TRUE(owner_.Settle().empty());
}

TEST_F(ChangeWatch, FailedWatchesLeaveNoKernelWatch) {
    TChangeHandlerThread watcher(&owner_);
    const std::string a = Folder("a");
    Touch(a + "/file");
    int slot = 7;
    for (const auto& bad : {std::string(), std::string("relative/a"), a + std::string("\0/x", 3)})
        EXPECT_FALSE(watcher.AddWatch(bad, 3, false, slot));
    EXPECT_FALSE(watcher.AddWatch(a, 3, true, slot));  // subtree
    EXPECT_FALSE(watcher.AddWatch(a, 0, false, slot));
    EXPECT_FALSE(watcher.AddWatch(a, 3 | 4, false, slot));
    EXPECT_FALSE(watcher.AddWatch(a + "/missing", 3, false, slot));
    EXPECT_FALSE(watcher.AddWatch(a + "/file", 3, false, slot));
    EXPECT_EQ(slot, -1);
    EXPECT_EQ(KernelWatchCount(), 0);

    for (int i = 0; i < 64; ++i) ASSERT_EQ(Watch(watcher, Folder("d" + std::to_string(i))), i);
    EXPECT_FALSE(watcher.AddWatch(a, 3, false, slot));  // the 65th
    EXPECT_FALSE(watcher.AddWatch(Folder("d0"), 3, false, slot));
    EXPECT_EQ(KernelWatchCount(), 64);
    Touch(a + "/x");
    EXPECT_TRUE(owner_.Settle().empty());

    ASSERT_TRUE(watcher.RemoveAllWatches());
    EXPECT_EQ(KernelWatchCount(), 0);
    EXPECT_EQ(Watch(watcher, a), 0);
}

TEST_F(ChangeWatch, LaterSlotReportsItsOwnIndexAfterMiddleSlotsWent) {
    TChangeHandlerThread watcher(&owner_);
    const std::string a = Folder("a"), b = Folder("b"), c = Folder("c"), d = Folder("d");
    for (const auto& path : {a, b, c, d}) Watch(watcher, path);

    ASSERT_TRUE(watcher.RemoveWatch(1));
    ASSERT_EQ(::rmdir(c.c_str()), 0);
    EXPECT_EQ(owner_.Settle(), std::vector<int>{2});
    Touch(d + "/x");
    Touch(b + "/x");
    EXPECT_EQ(owner_.Settle(), std::vector<int>{3});
}

TEST_F(ChangeWatch, DeletedOrMovedFolderPostsThenFreesItsSlot) {
    TChangeHandlerThread watcher(&owner_, 2);
    const std::string a = Folder("a"), b = Folder("b");
    Watch(watcher, a);
    Watch(watcher, b);

    ASSERT_EQ(::rmdir(a.c_str()), 0);
    EXPECT_EQ(owner_.Settle(), std::vector<int>{0});
    EXPECT_EQ(KernelWatchCount(), 1);
    EXPECT_EQ(Watch(watcher, Folder("c")), 0);

    // The kernel keeps watching a moved folder: the watch is ended by us.
    ASSERT_EQ(std::rename(b.c_str(), (b + "2").c_str()), 0);
    EXPECT_EQ(owner_.Settle(), std::vector<int>{1});
    EXPECT_EQ(KernelWatchCount(), 1);
    Touch(b + "2/x");
    EXPECT_TRUE(owner_.Settle().empty());
    EXPECT_EQ(Watch(watcher, Folder("d")), 1);
}

TEST_F(ChangeWatch, TwoSlotsOnOneFolderShareItsWatchAndSplitByKind) {
    TChangeHandlerThread watcher(&owner_);
    const std::string a = Folder("a");
    ASSERT_EQ(Watch(watcher, a, TChangeHandlerThread::kFileNames), 0);
    ASSERT_EQ(Watch(watcher, a, TChangeHandlerThread::kFolderNames), 1);
    EXPECT_EQ(KernelWatchCount(), 1);

    Touch(a + "/file");
    EXPECT_EQ(owner_.Settle(), std::vector<int>{0});
    Folder("a/sub");
    EXPECT_EQ(owner_.Settle(), std::vector<int>{1});

    ASSERT_TRUE(watcher.RemoveWatch(0));
    EXPECT_EQ(KernelWatchCount(), 1);
    Touch(a + "/file2");
    Folder("a/sub2");
    EXPECT_EQ(owner_.Settle(), std::vector<int>{1});
    ASSERT_TRUE(watcher.RemoveWatch(1));
    EXPECT_EQ(KernelWatchCount(), 0);
}

TEST_F(ChangeWatch, RemoveWatchStopsThatSlotOnlyAndDropsItsWaitingMessage) {
    TChangeHandlerThread watcher(&owner_);
    const std::string a = Folder("a"), b = Folder("b");
    Watch(watcher, a);
    Watch(watcher, b);

    Touch(a + "/x");  // posted, not yet delivered
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(watcher.RemoveWatch(0));
    Touch(a + "/y");
    Touch(b + "/y");
    EXPECT_EQ(owner_.Settle(), std::vector<int>{1});
}

TEST_F(ChangeWatch, LostKernelQueuePostsEverySlot) {
    TChangeHandlerThread watcher(&owner_);
    const std::string a = Folder("a"), b = Folder("b");
    Watch(watcher, a);
    Watch(watcher, b);

    int limit = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> limit;
    // The thread parks at its next wake-up and reads nothing until resumed: the queue overflows.
    watcher.Suspend();
    for (int i = 0; i <= limit; ++i) Touch(a + "/f" + std::to_string(i));
    watcher.Resume();
    auto got = owner_.Settle();
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<int>{0, 1}));
}

TEST_F(ChangeWatch, CommandTheThreadDidNotAnswerInTimeIsWithdrawn) {
    TChangeHandlerThread watcher(&owner_, 64, ChangeWatchTiming{100ms});
    Watch(watcher, Folder("a"));
    const std::string late = Folder("late");

    watcher.Suspend();
    int slot = 0;
    EXPECT_FALSE(watcher.AddWatch(late, 3, false, slot));
    EXPECT_FALSE(watcher.RemoveWatch(0));
    watcher.Resume();

    EXPECT_EQ(Watch(watcher, Folder("c")), 1);
    EXPECT_EQ(KernelWatchCount(), 2);
    Touch(late + "/x");
    EXPECT_TRUE(owner_.Settle().empty());
}

TEST_F(ChangeWatch, DestructionWithMessagesInFlightPostsNothingAfter) {
    const std::string a = Folder("a");
    auto watcher = std::make_unique<TChangeHandlerThread>(&owner_);
    Watch(*watcher, a);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) Touch(a + "/f" + std::to_string(i % 500));
    });
    owner_.WaitForAny();
    EXPECT_FALSE(owner_.received.empty());

    watcher.reset();
    owner_.received.clear();
    std::this_thread::sleep_for(50ms);
    stop = true;
    writer.join();
    EXPECT_TRUE(owner_.Settle().empty());
}

}  // namespace
}  // namespace corvane::testing
