// The shell's context menu as the user sees it: chosen by keys, default and grayed items, hints,
// and the Send To submenu filled from the Send To folder.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

#include "shell/ns/shell_utils.h"
#include "shell/ns/special_folders.h"
#include "shell/ui/shell_commands.h"
#include "shell/ui/shell_menu.h"
#include "tests/shell/ns/scratch_home.h"
#include "tests/support/gui_app.h"
#include "tests/support/scoped_env.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

using namespace shell;

// A context menu with: Open (default), Edit, a separator, Send To (the placeholder), Grayed,
// Delete; verbs and help texts per command.
class FakeContextMenu : public IContextMenu2 {
public:
    HRESULT QueryInterface(Iid iid, void** out) override {
        if (iid != Iid::Unknown && iid != Iid::ContextMenu && (iid != Iid::ContextMenu2 || !offers2)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *out = static_cast<IContextMenu2*>(this);
        return S_OK;
    }
    std::uint32_t AddRef() override { return ++refs; }
    std::uint32_t Release() override { return --refs; }

    HRESULT QueryContextMenu(TMenuHandle& menu, std::uint32_t, std::uint32_t first, std::uint32_t,
                             std::uint32_t) override {
        menu.Append(first + 0, "&Open");
        menu.SetDefault(first + 0);
        menu.Append(first + 1, "&Edit");
        menu.AppendSeparator();
        TMenuHandle& sendTo = menu.InsertSubmenu(menu.Count(), 0, "Se&nd To");
        sendTo.Append(kSendToPlaceholderId, kSendToPlaceholderText);
        sendTo.SetGrayed(kSendToPlaceholderId, true);
        menu.Append(first + 3, "&Grayed");
        menu.SetGrayed(first + 3, true);
        menu.Append(first + 4, "&Delete");
        return S_OK;
    }
    HRESULT InvokeCommand(const CMINVOKECOMMANDINFO& info) override {
        invoked.push_back(info.verbOffset);
        lastShow = info.nShow;
        return S_OK;
    }
    HRESULT GetCommandString(std::uint32_t offset, std::uint32_t type, std::string& out) override {
        static const char* verbs[] = {"open", "edit", "", "grayed", "delete"};
        if (offset > 4) return E_INVALIDARG;
        out = type == GCS_VERBA ? verbs[offset] : std::string("Help for ") + verbs[offset];
        return S_OK;
    }
    HRESULT HandleMenuMsg(TMenuHandle& submenu) override {
        if (fillsSendTo) submenu.Append(500, "shell's own entry");
        return S_OK;
    }

    bool offers2 = true;
    bool fillsSendTo = false;
    std::uint32_t refs = 1;
    std::vector<int> invoked;
    int lastShow = 0;
};

class ShellMenu : public ScratchHome {
protected:
    void SetUp() override {
        GuiApp();
        ScratchHome::SetUp();
        ::setenv("CORVANE_HOME", root_.c_str(), 1);
        sendTo_ = GetSpecialFolderPath(nullptr, CSIDL_SENDTO);
        ASSERT_FALSE(sendTo_.empty());
        ASSERT_EQ(menu_.QueryContextMenu(model_, 0, kFirstShellCommand, kLastShellCommand, 0), S_OK);
    }
    void LinkTo(const std::string& target, const std::string& name) {
        ASSERT_EQ(::symlink(target.c_str(), (sendTo_ + "/" + name).c_str()), 0) << name;
    }
    // Runs the keys on the menu once it is up; the popup open at that moment goes to `seen`.
    unsigned Track(const std::function<void(QMenu&)>& keys) {
        QTimer::singleShot(0, [keys] {
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (popup == nullptr) {
                ADD_FAILURE() << "no menu is up";
                return;
            }
            keys(*popup);
            // Whatever is still open is closed, so a wrong key never hangs the test.
            while (QWidget* open = QApplication::activePopupWidget()) open->close();
        });
        TTrackPopupParams params;
        params.At = QPoint(20, 20);
        params.Menu = &menu_;
        params.SendTo = &sendToList_;
        params.OnHint = [this](const std::string& hint) { hints_.push_back(hint); };
        return TrackPopupMenu(model_, params);
    }

    SavedEnv savedCorvaneHome_{"CORVANE_HOME"};
    std::string sendTo_;
    FakeContextMenu menu_;
    TMenuHandle model_;
    TSendToList sendToList_;
    std::vector<std::string> hints_;
};

TEST_F(ShellMenu, ChosenByKeysWithDefaultGrayedAndHints) {
    const unsigned chosen = Track([](QMenu& menu) {
        ASSERT_NE(menu.defaultAction(), nullptr);
        EXPECT_EQ(menu.defaultAction()->text(), "&Open");
        QTest::keyClick(&menu, Qt::Key_Down);
        QTest::keyClick(&menu, Qt::Key_Down);
        QTest::keyClick(&menu, Qt::Key_Return);
    });
    EXPECT_EQ(chosen, kFirstShellCommand + 1);
    ASSERT_GE(hints_.size(), 2u);
    EXPECT_EQ(hints_[0], "Help for open");
    EXPECT_EQ(hints_[1], "Help for edit");

    EXPECT_EQ(Track([](QMenu& menu) { QTest::keyClick(&menu, Qt::Key_Escape); }), 0u);
    // The grayed item cannot be chosen, by its letter nor by Return.
    EXPECT_EQ(Track([](QMenu& menu) {
                  QTest::keyClick(&menu, Qt::Key_G);
                  EXPECT_TRUE(menu.isVisible());
                  QTest::keyClick(&menu, Qt::Key_Return);
              }),
              0u);
    EXPECT_EQ(Track([](QMenu& menu) { QTest::keyClick(&menu, Qt::Key_D); }), kFirstShellCommand + 4);
}

TEST_F(ShellMenu, VerbsDefaultsAndHints) {
    EXPECT_EQ(FindVerbOffset(&menu_, "DELETE"), 4);
    EXPECT_EQ(FindVerbOffset(&menu_, "edit"), 1);
    EXPECT_EQ(FindVerbOffset(&menu_, "nothing"), 0);
    EXPECT_EQ(InvokeShellCommand(&menu_, nullptr, "delete"), S_OK);
    EXPECT_EQ(InvokeShellCommand(&menu_, nullptr, 1), S_OK);
    EXPECT_EQ(menu_.invoked, (std::vector<int>{4, 1}));
    EXPECT_EQ(menu_.lastShow, 1);
    EXPECT_EQ(GetMenuDefaultItem(model_), static_cast<int>(kFirstShellCommand));
    TMenuHandle empty;
    EXPECT_EQ(GetMenuDefaultItem(empty), -1);

    // A folder that offers no menu: its answer, and no menu.
    ComPtr<IShellFolder> desktop;
    ASSERT_EQ(GetShellFolder(nullptr, desktop.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IContextMenu> none;
    EXPECT_TRUE(Failed(GetItemsContextMenu(nullptr, desktop.Get(), 0, nullptr, CMF_NORMAL, empty, none)));
    EXPECT_FALSE(none);
    EXPECT_EQ(empty.Count(), 0u);

    std::vector<std::string> got;
    const auto record = [&](const std::string& hint) { got.push_back(hint); };
    GetMenuHint(&menu_, 54, 0, record);
    GetMenuHint(&menu_, 49, 0, record);  // a Send To entry
    GetMenuHint(&menu_, 50, MF_POPUP, record);
    GetMenuHint(&menu_, 99, 0, record);  // unknown to the shell
    EXPECT_EQ(got, (std::vector<std::string>{"Help for delete", "", "", ""}));
}

TEST_F(ShellMenu, SendToListsOnlyLinksToFolders) {
    const std::string backup = MakeDir("Backup");
    const std::string file = MakeFile("notes.txt");
    LinkTo(backup, "Backup");
    LinkTo(backup, "R&D");
    LinkTo(backup, ".hidden");
    LinkTo(file, "file link");
    LinkTo(home_ + "/gone", "dangling");
    std::filesystem::create_directory(sendTo_ + "/plain folder");
    std::ofstream(sendTo_ + "/app.desktop") << "[Desktop Entry]\nExec=/bin/false\n";
    std::ofstream(sendTo_ + "/script.sh") << "#!/bin/sh\n";

    TMenuHandle& submenu = *model_.At(3).submenu;
    UpdateSendToMenu(submenu, &menu_, sendToList_);
    ASSERT_EQ(submenu.Count(), 2u);
    EXPECT_EQ(submenu.At(0).id, 1u);
    EXPECT_EQ(submenu.At(0).text, "&Backup");
    EXPECT_EQ(submenu.At(1).id, 2u);
    EXPECT_EQ(submenu.At(1).text, "&R&&D");
    ASSERT_EQ(sendToList_.size(), 2u);
    EXPECT_EQ(sendToList_[1].Path, sendTo_ + "/R&D");

    // Opened again: the shell keeps its hands off, the filled submenu stays.
    UpdateSendToMenu(submenu, &menu_, sendToList_);
    EXPECT_EQ(submenu.Count(), 2u);
}

TEST_F(ShellMenu, SendToResetAfterTheShellFillsItAndCapped) {
    const std::string target = MakeDir("t");
    for (int i = 0; i < 60; ++i) LinkTo(target, "link " + std::to_string(100 + i));
    menu_.fillsSendTo = true;
    TMenuHandle& submenu = *model_.At(3).submenu;
    UpdateSendToMenu(submenu, &menu_, sendToList_);
    ASSERT_EQ(submenu.Count(), kMaxSendToEntries);
    EXPECT_EQ(submenu.At(0).text, "&link 100");
    EXPECT_EQ(submenu.At(48).id, 49u);  // below the shell's first id
    EXPECT_EQ(submenu.FindById(500), nullptr);
}

TEST_F(ShellMenu, EmptySendToLeavesTheSubmenuEmpty) {
    TMenuHandle& submenu = *model_.At(3).submenu;
    menu_.offers2 = false;
    UpdateSendToMenu(submenu, &menu_, sendToList_);
    EXPECT_EQ(submenu.Count(), 0u) << "no placeholder left behind";
    EXPECT_TRUE(sendToList_.empty());
}

TEST_F(ShellMenu, SendToByKeysWithUniqueAndSharedLetters) {
    const std::string target = MakeDir("t");
    LinkTo(target, "Alpha");
    LinkTo(target, "Beta");
    LinkTo(target, "Bravo");
    // Send To, then "b" twice (two entries share it) and Return: the second "b" entry.
    const unsigned chosen = Track([](QMenu& menu) {
        QTest::keyClick(&menu, Qt::Key_N);
        auto* sub = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(sub, nullptr);
        ASSERT_NE(sub, &menu);
        ASSERT_EQ(sub->actions().size(), 3);
        EXPECT_FALSE(sub->actions()[0]->icon().isNull());
        SaveScreenshot(menu);
        sub->setObjectName("ShellContextMenu");
        SaveScreenshot(*sub, "SendTo");
        QTest::keyClick(sub, Qt::Key_B);
        EXPECT_TRUE(sub->isVisible());
        QTest::keyClick(sub, Qt::Key_B);
        EXPECT_TRUE(sub->isVisible());
        QTest::keyClick(sub, Qt::Key_Return);
    });
    EXPECT_EQ(chosen, 3u);
    ASSERT_EQ(sendToList_.size(), 3u);
    EXPECT_EQ(sendToList_[chosen - 1].Name, "Bravo");
    // A letter only one entry has chooses it at once.
    EXPECT_EQ(Track([](QMenu& menu) {
                  QTest::keyClick(&menu, Qt::Key_N);
                  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_A);
              }),
              1u);
}

}  // namespace
}  // namespace corvane::testing
