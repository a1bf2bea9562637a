// The items' context menu as the shell hands it out: what it offers, and what each verb does to real
// files through the clipboard, the launcher, the trash and the Send To folder.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "platform/launch/launcher.h"
#include "shell/ns/clip_formats.h"
#include "shell/ns/drop_helpers.h"
#include "shell/ns/file_uris.h"
#include "shell/ns/shell_clipboard.h"
#include "shell/ns/shell_utils.h"
#include "shell/ns/special_folders.h"
#include "shell/ui/shell_commands.h"
#include "tests/shell/ns/fs_helpers.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/shell/ns/scratch_home.h"
#include "tests/support/launch_recorder.h"

namespace corvane::testing {
namespace {

using namespace shell;

class FakeClipboard final : public TShellClipboard {
public:
    FakeClipboard() : previous_(SetShellClipboard(this)) {}
    ~FakeClipboard() override { SetShellClipboard(previous_); }
    void SetFormats(const Formats& formats) override {
        held.clear();
        for (const auto& [type, bytes] : formats) held[type] = bytes;
    }
    std::string Format(const std::string& mime) const override {
        const auto it = held.find(mime);
        return it != held.end() ? it->second : std::string();
    }
    void Clear() override { held.clear(); }
    std::map<std::string, std::string> held;

private:
    TShellClipboard* previous_;
};

class ShellVerbs : public ScratchHome {
protected:
    void SetUp() override {
        ScratchHome::SetUp();
        ::setenv("CORVANE_HOME", (root_ + "/corvane").c_str(), 1);
        SetCaptureFolder("verbs", home_);
    }
    void TearDown() override {
        ClearCaptureFolders();
        ScratchHome::TearDown();
    }

    // The context menu of the item at path, as the item's folder hands it out.
    ComPtr<IContextMenu> MenuOf(const std::string& path, TMenuHandle& menu) {
        PItemIDList list = nullptr;
        EXPECT_TRUE(Succeeded(PathToPidl(path, &list)));
        UniquePidl owner(list);
        ComPtr<IContextMenu> context;
        const HRESULT hr = GetPidlUIObject(list, Iid::ContextMenu, context.ReleaseAndGetVoidAddress());
        if (Succeeded(hr)) {
            EXPECT_TRUE(Succeeded(context->QueryContextMenu(menu, 0, 50, 0x7FFF, 0)));
        }
        return context;
    }
    HRESULT Invoke(const std::string& path, const std::string& verb) {
        TMenuHandle menu;
        ComPtr<IContextMenu> context = MenuOf(path, menu);
        return context ? InvokeShellCommand(context.Get(), nullptr, verb) : E_NOINTERFACE;
    }
    static std::vector<std::string> Texts(const TMenuHandle& menu) {
        std::vector<std::string> texts;
        for (std::size_t i = 0; i < menu.Count(); ++i)
            if (!menu.At(i).separator) texts.push_back(menu.At(i).text);
        return texts;
    }

    FakeClipboard clipboard;
    LaunchRecorder launcher;
    RecordingShellUi ui;
    SavedEnv savedCorvaneHome_{"CORVANE_HOME"};
};

TEST_F(ShellVerbs, MenuOffersOpenOnlyForWhatTheLauncherTakes) {
    const std::string page = MakeFile("site/page.htm");
    TMenuHandle menu;
    ComPtr<IContextMenu> context = MenuOf(page, menu);
    ASSERT_TRUE(context);
    EXPECT_EQ(Texts(menu), (std::vector<std::string>{"&Open", "Send &To", "Cu&t", "&Copy", "Delete"}));
    EXPECT_EQ(GetMenuDefaultItem(menu), 50);
    EXPECT_EQ(FindVerbOffset(context.Get(), "delete"), 5);
    std::string hint;
    EXPECT_EQ(context->GetCommandString(5, GCS_HELPTEXTA, hint), S_OK);
    EXPECT_EQ(hint, "Deletes the selected items.");

    ASSERT_EQ(Invoke(page, "open"), S_OK);
    ASSERT_EQ(launcher.Opened().size(), 1u);
    EXPECT_EQ(launcher.Opened()[0].kind, LaunchTarget::Kind::File);
    EXPECT_EQ(launcher.Opened()[0].location, page);

    // A launcher file, a program, and a harmless-looking link to a program are never offered.
    const std::string desktop = MakeFile("site/run.desktop");
    const std::string program = MakeFile("site/setup.bin");
    ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
    ASSERT_EQ(::symlink(program.c_str(), (home_ + "/site/index.htm").c_str()), 0);
    for (const std::string& path : {desktop, program, home_ + "/site/index.htm"}) {
        TMenuHandle other;
        MenuOf(path, other);
        EXPECT_EQ(Texts(other).front(), "Send &To") << path;
        EXPECT_EQ(GetMenuDefaultItem(other), -1) << path;
        EXPECT_EQ(Invoke(path, "open"), E_FAIL) << path;
    }
    EXPECT_EQ(launcher.Opened().size(), 1u);

    // Home opens only; the trash has no menu.
    UniquePidl home(MakeItem(ItemTag::Home, {}));
    ComPtr<IContextMenu> homeMenu;
    ASSERT_EQ(GetPidlUIObject(home.get(), Iid::ContextMenu, homeMenu.ReleaseAndGetVoidAddress()), S_OK);
    TMenuHandle homeItems;
    homeMenu->QueryContextMenu(homeItems, 0, 50, 0x7FFF, 0);
    EXPECT_EQ(Texts(homeItems), std::vector<std::string>{"&Open"});
    UniquePidl trash(MakeItem(ItemTag::Trash, {}));
    void* none = nullptr;
    EXPECT_EQ(GetPidlUIObject(trash.get(), Iid::ContextMenu, &none), E_NOINTERFACE);
}

TEST_F(ShellVerbs, CopyAndCutPasteThroughTheClipboard) {
    const std::string file = MakeFile("a/f 1.txt", "data");
    const std::string to = MakeDir("b");
    TMenuHandle folderMenu;
    MenuOf(to, folderMenu);
    ASSERT_NE(folderMenu.FindById(50 + 4), nullptr);
    EXPECT_TRUE(folderMenu.FindById(50 + 4)->grayed);  // nothing to paste yet

    ASSERT_EQ(Invoke(file, "copy"), S_OK);
    EXPECT_EQ(clipboard.held[kMimeUriList], "file://" + home_ + "/a/f%201.txt\r\n");
    EXPECT_EQ(clipboard.held[kMimeCopiedFiles], "copy\nfile://" + home_ + "/a/f%201.txt");
    EXPECT_EQ(clipboard.held[kMimeText], file);
    const std::string cidaBytes = clipboard.held[kMimeShellIdList];
    TCida cida;
    ASSERT_TRUE(ParseCida(cidaBytes.data(), cidaBytes.size(), cida));
    UniquePidl child(cida.AbsoluteChild(0));
    EXPECT_EQ(PidlToPath(child.get()), file);

    TMenuHandle again;
    MenuOf(to, again);
    EXPECT_FALSE(again.FindById(50 + 4)->grayed);
    ASSERT_EQ(Invoke(to, "paste"), S_OK);
    EXPECT_EQ(ReadText(to + "/f 1.txt"), "data");
    EXPECT_TRUE(Exists(file));
    EXPECT_FALSE(clipboard.held.empty());  // a copy can be pasted again

    ASSERT_EQ(Invoke(file, "cut"), S_OK);
    EXPECT_EQ(clipboard.held[kMimeCopiedFiles].substr(0, 4), "cut\n");
    ASSERT_EQ(Invoke(to, "paste"), S_OK);
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(ReadText(to + "/f 1 (2).txt"), "data");  // never replaces the earlier copy
    EXPECT_TRUE(clipboard.held.empty());
    EXPECT_TRUE(ui.questions.empty());
}

TEST_F(ShellVerbs, DeleteTrashesOnlyAfterYes) {
    const std::string file = MakeFile("a/gone.txt");
    ui.answers = {ShellAnswer::No};
    ASSERT_EQ(Invoke(file, "delete"), E_FAIL);
    EXPECT_TRUE(Exists(file));
    ui.answers = {ShellAnswer::Yes};
    ASSERT_EQ(Invoke(file, "delete"), S_OK);
    EXPECT_FALSE(Exists(file));
    EXPECT_TRUE(Exists(root_ + "/data/Trash/files/gone.txt"));
    ASSERT_EQ(ui.questions.size(), 2u);
    EXPECT_NE(ui.questions[1].find("gone.txt"), std::string::npos);
}

// The menu's Paste and Delete act on the chosen item only, though its name reads as a pattern;
// the siblings a pattern would reach stay where they are.
using DeleteSafetyVerbs = ShellVerbs;

TEST_F(DeleteSafetyVerbs, PasteAndDeleteTakeTheNameAsItIs) {
    const std::string odd = MakeFile("a/report?.txt", "odd");
    for (const char* sibling : {"a/report1.txt", "a/reportX.txt"}) MakeFile(sibling, "sibling");
    const std::string to = MakeDir("b");
    ASSERT_EQ(Invoke(odd, "copy"), S_OK);
    ASSERT_EQ(Invoke(to, "paste"), S_OK);
    EXPECT_EQ(ReadText(to + "/report?.txt"), "odd");
    EXPECT_EQ(CountEntries(to), 1u);

    ui.answers = {ShellAnswer::Yes};
    ASSERT_EQ(Invoke(odd, "delete"), S_OK);
    EXPECT_EQ(ui.questions, std::vector<std::string>{"Are you sure you want to move 'report?.txt' to the Trash?"});
    EXPECT_FALSE(Exists(odd));
    EXPECT_EQ(CountEntries(home_ + "/a"), 2u);
    EXPECT_EQ(CountEntries(root_ + "/data/Trash/files"), 1u);
}

TEST_F(ShellVerbs, SendToCopiesIntoTheLinkedFolderAndRunsNothing) {
    const std::string file = MakeFile("a/f.txt", "sent");
    const std::string target = MakeDir("backup");
    const std::string sendTo = GetSpecialFolderPath(nullptr, CSIDL_SENDTO);
    ASSERT_FALSE(sendTo.empty());
    ASSERT_EQ(::symlink(target.c_str(), (sendTo + "/Backup").c_str()), 0);
    WriteText(sendTo + "/script.sh", "#!/bin/sh\n");

    PItemIDList list = nullptr;
    ASSERT_EQ(PathToPidl(file, &list), S_OK);
    UniquePidl owner(list);
    ComPtr<IDataObject> data;
    ASSERT_EQ(GetPidlUIObject(list, Iid::DataObject, data.ReleaseAndGetVoidAddress()), S_OK);
    ASSERT_EQ(SendToItem("Backup", data.Get(), DROPEFFECT_COPY | DROPEFFECT_MOVE), S_OK);
    EXPECT_EQ(ReadText(target + "/f.txt"), "sent");
    EXPECT_TRUE(Exists(file));
    // A plain file there is no folder to send to, and names never climb out of the folder.
    EXPECT_TRUE(Failed(SendToItem("script.sh", data.Get())));
    EXPECT_TRUE(Failed(SendToItem("../x", data.Get())));
    EXPECT_TRUE(launcher.Opened().empty());
}

}  // namespace
}  // namespace corvane::testing
