// The shell list over a folder of many files keeps the event loop turning while it fills and sorts,
// and stays whole when a timer reloads, refreshes or destroys it meanwhile.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/ns/shell_locator.h"
#include "shell/ui/shell_list.h"
#include "tests/shell/ns/scratch_home.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

using namespace shell;
using Texts = std::vector<std::string>;

constexpr TPTShellListOptions kPlain = kDefaultShellListOptions & ~ptsloAutoFill & ~ptsloDynamicRefresh;
// Enough files that reading them takes many turns of the loop on any machine.
constexpr int kFiles = 10000;

class ResponsiveShellList : public ScratchHome {
protected:
    // The files are made once for the suite: making them takes longer than the tests.
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/shell-many-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        many_ = pattern;
        // Made out of order; their names sort as their numbers.
        for (int i = 0; i < kFiles; ++i) {
            const int fd = ::open((many_ + "/" + Name((i * 7919) % kFiles)).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        std::filesystem::remove_all(many_, ignored);
    }
    void SetUp() override {
        ScratchHome::SetUp();
        GuiApp();
        TPTCustomShellList::ForgetColumnWidths();
    }

    static std::string Name(int number) {
        char name[32];
        std::snprintf(name, sizeof name, "page%05d.htm", number);
        return name;
    }
    static Texts Names(TPTCustomShellList& list) {
        Texts names;
        for (int row = 0; row < list.Items().Count(); ++row)
            names.push_back(list.ItemData(row) != nullptr ? list.ItemData(row)->DisplayName() : "-");
        return names;
    }
    static Texts Expected(bool descending) {
        Texts names;
        for (int i = 0; i < kFiles; ++i) names.push_back(Name(descending ? kFiles - 1 - i : i));
        return names;
    }

    static std::string many_;
};

std::string ResponsiveShellList::many_;

TEST_F(ResponsiveShellList, FillAndHeaderSortLetTheLoopTurnAndGiveTheSameOrder) {
    TPTShellList list;
    list.resize(560, 300);
    list.SetOptions(kPlain);
    list.show();
    int rowsAtTurn = -1;
    QTimer::singleShot(0, &list, [&] { rowsAtTurn = list.Items().Count(); });
    TPTShellLocator locator;
    locator.SetPath(many_);
    list.SetFolder(&locator);
    // The timer ran while the fill was under way; the rows came in whole.
    EXPECT_EQ(rowsAtTurn, 0);
    EXPECT_EQ(Names(list), Expected(false));

    bool turned = false;
    QTimer::singleShot(0, &list, [&] { turned = true; });
    list.SetSortColumn(-1);
    EXPECT_TRUE(turned);
    EXPECT_EQ(Names(list), Expected(true));
    SaveScreenshot(list, QStringLiteral("-many"));
}

TEST_F(ResponsiveShellList, RefreshReloadOrDestructionDuringAFillLeavesOneWholeList) {
    TPTShellList list;
    list.SetOptions(kPlain);
    TPTShellLocator locator;
    locator.SetPath(many_);
    list.SetFolder(&locator);
    // A refresh asked for while the rows are being made waits for them: each file once.
    bool asked = false;
    QTimer::singleShot(0, &list, [&] {
        asked = true;
        list.Refresh();
    });
    list.Reload();
    EXPECT_TRUE(asked);
    EXPECT_EQ(Names(list), Expected(false));
    QApplication::processEvents();
    EXPECT_EQ(Names(list), Expected(false));

    // A second fill takes over from the first.
    asked = false;
    QTimer::singleShot(0, &list, [&] {
        asked = true;
        list.Reload();
    });
    list.Reload();
    EXPECT_TRUE(asked);
    EXPECT_EQ(Names(list), Expected(false));

    // A list destroyed while it fills is left alone.
    auto* doomed = new TPTShellList;
    doomed->SetOptions(kPlain);
    doomed->SetFolder(&locator);
    QPointer<TPTShellList> watched(doomed);
    QTimer::singleShot(0, doomed, [doomed] { delete doomed; });
    doomed->Reload();
    EXPECT_TRUE(watched.isNull());
    QApplication::processEvents();
}

}  // namespace
}  // namespace corvane::testing
