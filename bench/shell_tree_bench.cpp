// The shell tree's cost: 1,000 expanded, watched folders (10 x 10 x 10) idle for 5 s (CPU ticks of
// every thread, which must stay 0, and no job waiting), one change (one refresh, its time), and the
// expansion of a folder of 10,000 subfolders. One run: build/bench/shell_tree_bench [idle seconds]

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "shell/ns/shell_locator.h"
#include "shell/ui/shell_tree.h"

namespace {

using namespace corvane::shell;
using Steady = std::chrono::steady_clock;

// utime + stime of every thread of the process, by thread id.
std::map<std::string, long> ThreadTicks() {
    std::map<std::string, long> ticks;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream statFile(task.path() / "stat");
        std::string line;
        std::getline(statFile, line);
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        std::string field;
        long utime = 0;
        for (int index = 3; rest >> field; ++index) {
            if (index == 14) utime = std::stol(field);
            if (index == 15) {
                ticks[task.path().filename().string()] = utime + std::stol(field);
                break;
            }
        }
    }
    return ticks;
}

class CountingTree : public TPTShellTree {
public:
    using TPTShellTree::TPTShellTree;
    void Refresh() override {
        const auto start = Steady::now();
        TPTShellTree::Refresh();
        lastRefresh = Steady::now() - start;
        ++refreshes;
    }
    int refreshes = 0;
    Steady::duration lastRefresh{};
};

double Ms(Steady::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Pump(int ms) {
    QTimer::singleShot(ms, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 5;
    QTemporaryDir scratch;
    const std::string base = scratch.path().toStdString();
    for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b)
            for (int c = 0; c < 10; ++c)
                std::filesystem::create_directories(base + "/w/" + std::to_string(a) + "/" + std::to_string(b) + "/" +
                                                    std::to_string(c));
    for (int i = 0; i < 10000; ++i) std::filesystem::create_directories(base + "/big/sub" + std::to_string(i));

    ShellTiming timing;
    timing.RefreshDelayFocused = timing.RefreshDelayUnfocused = std::chrono::milliseconds(10);
    CountingTree tree(nullptr, timing);
    tree.SetOptions((kDefaultShellTreeOptions & ~ptstoAutoFill) | ptstoIncludeNonFolders);
    TPTShellLocator locator;
    locator.SetPath(base + "/w");
    tree.SetBaseFolder(&locator);
    tree.Reload();
    // Every folder expanded, so every one is filled and watched.
    std::vector<TTreeNode*> stack{tree.TopItem(0)};
    while (!stack.empty()) {
        TTreeNode* node = stack.back();
        stack.pop_back();
        node->setExpanded(true);
        for (int i = 0; i < node->Count(); ++i) stack.push_back(node->Item(i));
    }
    std::printf("watched folders: %d\n", tree.WatchCount());
    Pump(200);

    const auto before = ThreadTicks();
    Pump(idleSeconds * 1000);
    const auto after = ThreadTicks();
    long busiest = 0;
    for (const auto& [id, ticks] : after) {
        const auto found = before.find(id);
        busiest = std::max(busiest, ticks - (found != before.end() ? found->second : 0));
    }
    std::printf("idle %d s: most CPU ticks on one thread: %ld, job waiting: %s, refreshes: %d\n", idleSeconds,
                busiest, tree.JobWaiting() ? "yes" : "no", tree.refreshes);

    std::filesystem::create_directory(base + "/w/5/5/5/new");
    Pump(1000);
    std::printf("one change: %d refresh(es), the refresh took %.1f ms\n", tree.refreshes, Ms(tree.lastRefresh));

    CountingTree wide(nullptr, timing);
    wide.SetOptions(kDefaultShellTreeOptions & ~ptstoAutoFill);
    locator.SetPath(base);
    wide.SetBaseFolder(&locator);
    wide.Reload();
    TTreeNode* big = nullptr;
    for (int i = 0; i < wide.TopItem(0)->Count(); ++i)
        if (wide.TopItem(0)->Item(i)->Text() == "big") big = wide.TopItem(0)->Item(i);
    if (big == nullptr) return 1;
    const auto start = Steady::now();
    big->setExpanded(true);
    std::printf("expanding a folder of %d subfolders: %.1f ms\n", big->Count(), Ms(Steady::now() - start));
    return 0;
}
