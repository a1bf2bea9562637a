// The archive window driven like a user, against our real zip libraries.

#include "archive/form_zip.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "archive/form_zip_hooks.h"
#include "archive/zip_jobs.h"
#include "archive/zip_library.h"
#include "archive/zip_tree_model.h"
#include "engine/run/engine_host.h"
#include "engine/model/task.h"
#include "platform/qt/qt_main_loop.h"
#include "platform/rtl/paths.h"
#include "shell/ns/sys_icons.h"
#include "tests/archive/hostile_archive.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"
#include "tests/support/recording_app_host.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/screenshot.h"
#include "widgets/ext_list_view.h"
#include "widgets/lang_adapters/widget_lang_adapters.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::EntryContents;
using testing::MakeZip;
using testing::ReadBytes;
using testing::WriteBytes;

// The status line; a test may act when a text shows.
class StatusLine : public EngineHost {
public:
    void ShowStatus(const std::string& text, int, int) override {
        lines.push_back(text);
        if (on_status) on_status(text);
    }
    bool Shown(const std::string& part) const {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }
    std::vector<std::string> lines;
    std::function<void(const std::string&)> on_status;
};

class Host : public testing::RecordingAppHost {
public:
    void RemoveRecentArchive(const std::string& zip_file) override { calls.push_back("RemoveRecentArchive(" + zip_file + ")"); }
    int Count(const std::string& call) const { return static_cast<int>(std::count(calls.begin(), calls.end(), call)); }
};

// Every comment of the archive, read with libzip: name -> comment.
std::map<std::string, std::string> Comments(const std::string& path) {
    std::map<std::string, std::string> out;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_uint32_t length = 0;
        const char* comment = zip_file_get_comment(archive, static_cast<zip_uint64_t>(i), &length, ZIP_FL_ENC_RAW);
        out[zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW)] = comment ? std::string(comment, length) : "";
    }
    zip_discard(archive);
    return out;
}

std::vector<std::string> Names(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& [name, content] : testing::ReadZip(path)) names.push_back(name);
    return names;
}

class FormZipTest : public testing::FreshHome {
protected:
    void SetUp() override {
        RegisterWidgetLangAdapters();
        FreshHome::SetUp();
        static QtMainLoop* loop = CurrentMainLoop() == nullptr ? new QtMainLoop : nullptr;
        (void)loop;
        ASSERT_TRUE(store_->ImportFile(ResourcesDir() + "/FTypes.reg").Ok);
        SetZipLibraryFolder(CORVANE_ZIPDLL_DIR);
        SetEngineHost(&status_);
        form_ = new TFormZip;
        form_->resize(640, 520);
        form_->show();
        files_ = home_ + "files/";
    }
    void TearDown() override {
        delete form_.data();
        JoinZipJobs();
        SetEngineHost(nullptr);
        SetZipLibraryFolder("");
        FreshHome::TearDown();
    }
    void Idle() {
        for (int i = 0; i < 2000 && ((form_ && form_->ArchiveBusy()) || ZipJobCount() > 0); ++i) {
            QTest::qWait(5);
            JoinZipJobsIfEnded();
        }
        QTest::qWait(30);  // the browse poll
    }
    static void JoinZipJobsIfEnded() {}
    TZipNodeId Find(const std::string& text) {
        TZipTree& tree = form_->Tree();
        std::function<TZipNodeId(TZipNodeId)> walk = [&](TZipNodeId id) -> TZipNodeId {
            for (TZipNodeId child : tree.Children(id)) {
                if (tree.Text(child) == text) return child;
                if (TZipNodeId found = walk(child)) return found;
            }
            return 0;
        };
        return walk(kZipRoot);
    }
    void Click(TZipNodeId node) {
        QTreeView* tv = form_->tvZip;
        const QModelIndex index = form_->TreeModel().IndexOf(node);
        tv->scrollTo(index);
        QTest::mouseClick(tv->viewport(), Qt::LeftButton, {}, tv->visualRect(index).center());
    }
    std::string Open(const std::string& path, const EntryContents& entries) {
        MakeZip(path, entries);
        form_->OpenZip(path);
        Idle();
        return path;
    }

    bool app_made_ = (testing::GuiApp(), true);
    testing::ScriptedMessageBoxes boxes_;
    Host host_;
    StatusLine status_;
    QPointer<TFormZip> form_;
    std::string files_;
};

TEST_F(FormZipTest, OpeningListsOnceAndAgainOnlySelects) {
    const std::string a = home_ + "a.zip";
    Open(a, {{"a/b/c.htm", "<html>c</html>"}, {"a/d.gif", "GIF89a"}, {"top.txt", "top"}});
    const TZipNodeId archive = form_->Tree().FindArchive(a);
    ASSERT_NE(archive, 0u);
    EXPECT_EQ(form_->Selected(), archive);
    EXPECT_EQ(form_->Tree().Children(archive).size(), 2u);  // folder a once, top.txt
    EXPECT_NE(Find("b"), 0u);
    EXPECT_EQ(form_->lvZip->Items().Count(), 3);
    EXPECT_TRUE(status_.Shown("Total: 3 files  " + std::to_string(14 + 6 + 3) + " / "));
    EXPECT_EQ(form_->PagesModel().Count(), 1);  // c.htm

    // Icons: the shell's small icon of each extension, asked once per extension.
    const int htm = form_->GetIconIndex("a/b/c.htm");
    EXPECT_EQ(shell::SysIconKey(htm), "text-html");
    EXPECT_EQ(form_->GetIconIndex("X.HTM"), htm);
    EXPECT_EQ(shell::SysIconKey(form_->GetIconIndex("")), "folder");
    EXPECT_EQ(form_->ilSmallIcons.Size(), 16);
    const QModelIndex c = form_->TreeModel().IndexOf(Find("c.htm"));
    EXPECT_EQ(c.data(TZipTreeModel::ImageIndexRole).toInt(), htm);
    EXPECT_FALSE(qvariant_cast<QIcon>(c.data(Qt::DecorationRole)).isNull());

    const auto opened = [&] { return std::count(status_.lines.begin(), status_.lines.end(), "Opening archive " + a); };
    EXPECT_EQ(opened(), 1);
    Click(Find("a"));
    Idle();
    EXPECT_EQ(form_->OpenZip(a), archive);
    Idle();
    EXPECT_EQ(form_->Selected(), archive);
    EXPECT_EQ(opened(), 1);
    EXPECT_EQ(host_.Count("AddRecentArchive(" + a + ")"), 1);

    // The picture: a folder selected, its entries listed.
    Click(Find("a"));
    form_->tvZip->expandAll();
    Idle();
    EXPECT_EQ(form_->lvZip->Items().Count(), 2);
    testing::SaveScreenshot(*form_);
}

TEST_F(FormZipTest, CaptureAddStoresTheRelativeNameWithTheTitle) {
    TCVTask task;
    task.IntranetMode = false;
    task.Destination = home_ + "Downloads/site.zip";
    TFormZipArchiveHooks hooks([this](bool) { return form_.data(); });
    TRunControlHooks& run = hooks;
    ASSERT_NE(run.OpenArchive(task), nullptr);
    Idle();
    const std::string local = task.GetFolder() + "site/index.htm";
    WriteBytes(local, "<html>captured</html>");
    bool busy_while_adding = false;
    status_.on_status = [&](const std::string& text) {
        if (text.rfind("Adding: ", 0) == 0) busy_while_adding = run.ArchiveBusy();
    };
    EXPECT_TRUE(run.AddToArchive(task, local, "Index Title"));
    EXPECT_TRUE(busy_while_adding);
    EXPECT_FALSE(run.ArchiveBusy());
    EXPECT_EQ(Comments(task.Destination), (std::map<std::string, std::string>{{"site/index.htm", "Index Title"}}));
    EXPECT_NE(Find("index.htm   (Index Title)"), 0u);

    // Closed by the user, the archive is opened again for the next file.
    form_->SelectNode(form_->Tree().FindArchive(task.Destination));
    form_->CloseZip();
    WriteBytes(task.GetFolder() + "site/two.htm", "two");
    EXPECT_TRUE(run.AddToArchive(task, task.GetFolder() + "site/two.htm", "Two"));
    Idle();
    EXPECT_NE(Find("index.htm   (Index Title)"), 0u);
    EXPECT_NE(Find("two.htm   (Two)"), 0u);

    // Browsing another archive never touches the capture's files.
    const std::string b = home_ + "b.zip";
    Open(b, {{"site/index.htm", "<html>other</html>"}});
    Click(Find("index.htm"));
    Idle();
    EXPECT_EQ(ReadBytes(local), "<html>captured</html>");
    ASSERT_FALSE(host_.calls.empty());
    const std::string shown = host_.calls.back();
    EXPECT_EQ(shown.rfind("ShowBrowserView(" + home_ + "temp/Corvane/Browse/", 0), 0u) << shown;
}

// While its capture runs, the archive is browsed in the capture folder; once it has ended, the zipped
// files leave that folder and the archive is browsed from a root of its own.
TEST_F(FormZipTest, AnEndedCapturesArchiveIsBrowsedFromItsOwnRoot) {
    auto task = std::make_shared<TCVTask>();
    task->IntranetMode = false;
    task->Destination = home_ + "Downloads/site.zip";
    task->Status = tsDownloading;
    App->SetCurrentTask(task);
    TFormZipArchiveHooks hooks([this](bool) { return form_.data(); });
    TRunControlHooks& run = hooks;
    ASSERT_NE(run.OpenArchive(*task), nullptr);
    Idle();
    const std::string local = task->GetFolder() + "site/index.htm";
    WriteBytes(local, "<html>captured</html>");
    ASSERT_TRUE(run.AddToArchive(*task, local, "Index"));
    Idle();
    const TZipNodeId entry = Find("index.htm   (Index)");
    ASSERT_NE(entry, 0u);
    EXPECT_EQ(form_->BrowseFileFor(entry), local);

    task->Status = tsZipped;
    fs::remove(local);
    const std::string shown = form_->BrowseFileFor(entry);
    EXPECT_EQ(shown.rfind(home_ + "temp/Corvane/Browse/", 0), 0u) << shown;
    EXPECT_EQ(ReadBytes(shown), "<html>captured</html>");
    EXPECT_EQ(form_->OpenForBrowsing(task->Destination), shown.substr(0, shown.size() - std::string("site/index.htm").size()));
    App->SetCurrentTask(nullptr);
}

TEST_F(FormZipTest, AddFilesPlacesTheNamesTheLibraryStored) {
    for (const char* name : {"one.txt", "two.txt", "three.txt"}) WriteBytes(files_ + name, name);
    const std::string zip = home_ + "user.zip";
    form_->NewZip(zip);
    form_->UserAddMode = true;
    EXPECT_EQ(form_->AddFiles({files_ + "two.txt"}), 0);
    Idle();
    EXPECT_EQ(form_->AddFiles({files_ + "one.txt", files_ + "two.txt", files_ + "three.txt"}), 0);
    Idle();
    const std::string stored = files_.substr(1);  // the library drops the leading "/"
    EXPECT_EQ(form_->Tree().Obj(form_->Selected())->Entries.size(), 3u);
    for (const char* name : {"one.txt", "two.txt", "three.txt"})
        EXPECT_EQ(form_->Tree().Obj(form_->Selected())->Entries.count(stored + name), 1u) << name;
    // The list shows the archive's entries with their listed sizes.
    ASSERT_EQ(form_->lvZip->Items().Count(), 3);
    for (int row = 0; row < 3; ++row) EXPECT_NE(form_->lvZip->Items().Text(row, 1), "0");
}

TEST_F(FormZipTest, ResultCodesBecomeOutcomesAndBoxes) {
    EXPECT_EQ(form_->ReportZipResult(0, "adding"), 0);
    EXPECT_EQ(form_->ReportZipResult(190, "adding"), 2);
    EXPECT_TRUE(boxes_.shown.empty());
    boxes_.Expect(MsgButton::OK, "Some files were skipped while adding.");
    EXPECT_EQ(form_->ReportZipResult(40, "adding"), 1);
    EXPECT_EQ(boxes_.shown.back().kind, MsgKind::Information);
    // Busy while a box is open.
    struct Probe : MessageBoxBackend {
        TFormZip* form;
        bool busy = false;
        MsgButton Show(QWidget*, const MessageBoxRequest&) override {
            busy = form->ArchiveBusy();
            return MsgButton::OK;
        }
    } probe;
    probe.form = form_;
    MessageBoxBackend* previous = SetMessageBoxBackend(&probe);
    EXPECT_EQ(form_->ReportZipResult(110, "deleting"), 2);
    SetMessageBoxBackend(previous);
    EXPECT_TRUE(probe.busy);
    EXPECT_FALSE(form_->ArchiveBusy());
}

TEST_F(FormZipTest, DeletePrunesEmptyFoldersAndAFailedDeleteKeepsTheTree) {
    const std::string zip = Open(home_ + "d.zip", {{"x/y/z.htm", "z"}, {"top.htm", "top"}});
    // The keys and mouse reach the main window's commands.
    Click(Find("z.htm"));
    Idle();
    QTest::keyClick(form_->tvZip, Qt::Key_Delete);
    EXPECT_EQ(host_.Count("RunZipDelete()"), 1);
    ASSERT_EQ(form_->lvZip->Items().Count(), 1);
    TExtListView* lv = form_->lvZip;
    const QPoint row = lv->visualRect(lv->model()->index(0, 0)).center();
    QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, row);
    EXPECT_TRUE(status_.Shown("Selected 1 files  1 / "));
    QTest::mouseDClick(lv->viewport(), Qt::LeftButton, {}, row);
    EXPECT_EQ(host_.Count("RunZipBrowse(lvZip)"), 1);

    form_->DeleteFiles(form_->EntryNamesOf(form_->Selection()));
    Idle();
    EXPECT_EQ(Names(zip), std::vector<std::string>{"top.htm"});
    const TZipNodeId archive = form_->Tree().FindArchive(zip);
    EXPECT_EQ(Find("x"), 0u);
    EXPECT_EQ(Find("y"), 0u);
    ASSERT_EQ(form_->Tree().Children(archive).size(), 1u);

    WriteBytes(zip, std::string(300, 'j'));
    form_->SelectNode(Find("top.htm"));
    Idle();
    boxes_.Expect(MsgButton::OK, "The archive file is corrupted. Try using the Fix option on it.");
    form_->DeleteFiles({"top.htm"});
    EXPECT_EQ(form_->LastResult().Outcome, 2);
    EXPECT_NE(Find("top.htm"), 0u);
}

TEST_F(FormZipTest, RenameTakesAFreeNameAndRefusesPaths) {
    const std::string zip = Open(home_ + "r.zip", {{"a.htm", "a"}});
    WriteBytes(home_ + "taken.zip", "x");
    const TZipNodeId archive = form_->Tree().FindArchive(zip);
    auto rename = [&](const QString& text) {
        form_->tvZip->setFocus();
        QTest::keyClick(form_->tvZip, Qt::Key_F2);
        auto* editor = form_->tvZip->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::qWait(10);  // the edit is committed from the event queue
    };
    rename("taken.zip");
    EXPECT_EQ(form_->Tree().Obj(archive)->ZipFileName, home_ + "taken(0).zip");
    EXPECT_EQ(form_->Tree().Text(archive), "taken(0).zip");
    EXPECT_TRUE(fs::exists(home_ + "taken(0).zip"));
    EXPECT_EQ(host_.Count("RemoveRecentArchive(" + zip + ")"), 1);
    EXPECT_EQ(host_.calls.back(), "AddRecentArchive(" + home_ + "taken(0).zip)");

    boxes_.Expect(MsgButton::OK, "Unable to rename file to: a/b\nA file may not contain any of the following characters: \n\\/:*?\"<>|");
    rename("a/b");
    EXPECT_EQ(form_->Tree().Text(archive), "taken(0).zip");
    EXPECT_TRUE(fs::exists(home_ + "taken(0).zip"));

    // A running zip-mode task's archive keeps its name: the task's Destination names it.
    auto task = std::make_shared<TCVTask>();
    task->IntranetMode = false;
    task->Destination = home_ + "taken(0).zip";
    task->Status = tsDownloading;
    App->SetCurrentTask(task);
    EXPECT_FALSE(form_->TreeModel().flags(form_->TreeModel().IndexOf(archive)) & Qt::ItemIsEditable);
    EXPECT_FALSE(form_->RenameZip(archive, "other.zip"));
    App->SetCurrentTask(nullptr);
}

TEST_F(FormZipTest, ArchiveIdentityEnterWithoutAChangeKeepsTheName) {
    const std::string zip = Open(home_ + "127_0.zip", {{"a.htm", "a"}});
    const TZipNodeId archive = form_->Tree().FindArchive(zip);
    const std::size_t calls = host_.calls.size();
    for (int round = 0; round < 2; ++round) {
        form_->tvZip->setFocus();
        QTest::keyClick(form_->tvZip, Qt::Key_F2);
        auto* editor = form_->tvZip->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->text(), "127_0.zip");
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::qWait(10);  // the edit is committed from the event queue
    }
    testing::SaveScreenshot(*form_, "-RenameUnchanged");
    EXPECT_EQ(form_->Tree().Obj(archive)->ZipFileName, zip);
    EXPECT_EQ(form_->Tree().Text(archive), "127_0.zip");
    EXPECT_TRUE(fs::exists(zip));
    EXPECT_FALSE(fs::exists(home_ + "127_0(0).zip"));
    EXPECT_EQ(host_.calls.size(), calls);  // the recent list is as it was
}

TEST_F(FormZipTest, ReplaceAnswersReachTheLibrary) {
    Open(home_ + "p.zip", {{"r1.txt", "new1"}, {"r2.txt", "new2"}, {"r3.txt", "new3"}, {"r4.txt", "new4"}});
    const std::string target = home_ + "out/";
    for (const char* name : {"r1.txt", "r2.txt", "r3.txt", "r4.txt"}) WriteBytes(target + name, "old");
    boxes_.Expect(MsgButton::Yes, "Replace File : r1.txt\nWith File: r1.txt");
    boxes_.Expect(MsgButton::No, "r2.txt");
    boxes_.Expect(MsgButton::All, "r3.txt");
    form_->ExtractFile(target, {"r1.txt", "r2.txt", "r3.txt", "r4.txt"}, xowAsk);
    EXPECT_EQ(ReadBytes(target + "r1.txt"), "new1");
    EXPECT_EQ(ReadBytes(target + "r2.txt"), "old");
    EXPECT_EQ(ReadBytes(target + "r3.txt"), "new3");
    EXPECT_EQ(ReadBytes(target + "r4.txt"), "new4");
    EXPECT_TRUE(status_.Shown("Unzipped: "));
    WriteBytes(target + "r1.txt", "old");
    boxes_.Expect(MsgButton::Cancel, "r1.txt");
    form_->ExtractFile(target, {"r1.txt"}, xowAsk);
    EXPECT_EQ(ReadBytes(target + "r1.txt"), "old");
    EXPECT_EQ(form_->LastResult().Outcome, 2);
}

TEST_F(FormZipTest, HostileEntriesAreNeverWrittenOutsideNorBrowsed) {
    // Selected when opened, the archive is extracted once for browsing, into its own root.
    boxes_.Expect(MsgButton::OK, "Some files were skipped while extracting.");
    const std::string zip = Open(home_ + "hostile.zip", testing::HostileEntries());
    const std::string target = home_ + "deep/out/";
    fs::create_directories(target);
    boxes_.Expect(MsgButton::OK, "Some files were skipped while extracting.");
    form_->ExtractFile(target, form_->EntryNamesOf({form_->Tree().FindArchive(zip)}), xowAlways);
    EXPECT_FALSE(fs::exists(home_ + "deep/e"));
    EXPECT_FALSE(fs::exists(home_ + "e"));
    EXPECT_FALSE(fs::exists("/abs"));
    std::vector<std::string> outside;
    for (const auto& entry : fs::directory_iterator(home_ + "deep")) outside.push_back(entry.path().filename());
    EXPECT_EQ(outside, std::vector<std::string>{"out"});

    // Only safe paths are shown.
    Click(Find("dup.htm"));
    Idle();
    const std::size_t shown = host_.calls.size();
    ASSERT_FALSE(host_.calls.empty());
    EXPECT_EQ(host_.calls.back().rfind("ShowBrowserView(" + home_ + "temp/Corvane/Browse/", 0), 0u);
    Click(Find("../e"));
    Idle();
    EXPECT_EQ(host_.calls.size(), shown);
    EXPECT_FALSE(fs::exists(home_ + "temp/Corvane/Browse/e"));
    EXPECT_EQ(form_->BrowseFileFor(Find("../e")), "");
}

TEST_F(FormZipTest, SelectionIsRefusedWhileBusy) {
    const std::string a = Open(home_ + "a.zip", {{"a.htm", "a"}});
    std::vector<std::pair<std::string, std::string>> many;
    for (int i = 0; i < 3000; ++i) many.emplace_back("f" + std::to_string(i / 100) + "/e" + std::to_string(i) + ".htm", "x");
    MakeZip(home_ + "b.zip", many);
    const TZipNodeId b = form_->OpenZip(home_ + "b.zip");
    EXPECT_TRUE(form_->ArchiveBusy());
    Click(form_->Tree().FindArchive(a));
    EXPECT_EQ(form_->Selected(), b);
    Idle();
    Click(form_->Tree().FindArchive(a));
    Idle();
    EXPECT_EQ(form_->Selected(), form_->Tree().FindArchive(a));

    // During a capture add, no other archive may be selected.
    TCVTask task;
    task.IntranetMode = false;
    task.Destination = home_ + "b.zip";
    TFormZipArchiveHooks hooks([this](bool) { return form_.data(); });
    WriteBytes(task.GetFolder() + "n.htm", "n");
    TZipNodeId during = 0;
    status_.on_status = [&](const std::string& text) {
        if (text.rfind("Adding: ", 0) != 0) return;
        Click(form_->Tree().FindArchive(a));
        during = form_->Selected();
    };
    EXPECT_TRUE(hooks.AddToArchive(task, task.GetFolder() + "n.htm", "N"));
    EXPECT_EQ(during, b);
}

TEST_F(FormZipTest, ReleasedInsideItsOwnWorkTheWindowGoesAfterwards) {
    WriteBytes(files_ + "f.txt", "f");
    form_->NewZip(home_ + "c.zip");
    form_->UserAddMode = true;
    status_.on_status = [&](const std::string& text) {
        if (text.rfind("Adding: ", 0) == 0 && form_) form_->Release();
    };
    form_->AddFiles({files_ + "f.txt"});
    EXPECT_TRUE(form_);  // still there: its add is on the stack
    QTest::qWait(20);
    EXPECT_FALSE(form_);
    JoinZipJobs();

    // From inside a listing slice.
    form_ = new TFormZip;
    form_->show();
    MakeZip(home_ + "l.zip", {{"a.htm", "a"}});
    status_.on_status = [&](const std::string& text) {
        if (text.rfind("Total: ", 0) == 0 && form_) form_->Release();
    };
    form_->OpenZip(home_ + "l.zip");
    for (int i = 0; i < 200 && form_; ++i) QTest::qWait(5);
    EXPECT_FALSE(form_);
}

}  // namespace
}  // namespace corvane
