// The task explorer: rows read from a queue file, the mark column and colours, the popup's marking
// commands saved to disk, marking refused while the task runs, browsing, and following the current
// task and a growing queue.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <filesystem>

#include "app/explore_draw.h"
#include "app/explore_model.h"
#include "app/form_explore.h"
#include "engine/run/engine_host.h"
#include "engine/model/task.h"
#include "localisation/app_language.h"
#include "localisation/lang_file_edit.h"
#include "localisation/lang_source.h"
#include "platform/qt/qt_main_loop.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"
#include "tests/support/launch_recorder.h"
#include "tests/support/recording_app_host.h"
#include "tests/support/screenshot.h"
#include "tests/support/scripted_dialogs.h"
#include "widgets/ext_list_view.h"
#include "widgets/lang_adapters/widget_lang_adapters.h"

namespace corvane::testing {
namespace {

// A record line: state, status text, type, level, mark (as written: may be empty), title, size.
std::string Rec(const std::string& state, const std::string& status, const std::string& type, const std::string& mark,
                const std::string& title = {}, const std::string& size = "0", const std::string& referrer = {},
                const std::string& modified = {}) {
    const std::string f[] = {state, status, type, "", "1", referrer, modified, mark, title, size, ""};
    std::string record;
    for (const std::string& field : f) record += field + '\xB6';
    return record;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

const char* const kHome = "http://site.test/";

// Rows: 0 Parsed page, 1 Saved image, 2 Error page, 3 None page mark 0, 4 None image with an empty
// mark, 5 unreadable record, 6 None image, 7 Downloaded archive mark 3, 8 None page mark 2.
std::string FixtureQueue() {
    return Lines({kHome, Rec("10", "200 OK", "HTML", "1", "Home", "1200", "", "Mon, 01 Jan 2024 10:00:00 GMT"),
                  "http://site.test/a.gif", Rec("5", "200 OK", "Images", "1", "", "300", kHome),
                  "http://site.test/b.html", Rec("3", "404 Not Found", "HTML", "1", "Bee", "0", kHome),
                  "http://site.test/c.html", Rec("0", "", "HTML", "0", "Sea", "0", kHome),
                  "http://site.test/d.png", Rec("0", "", "Images", "", "", "0", kHome),
                  "http://site.test/bad", Rec("x", "", "HTML", "1"),
                  "http://site.test/g.jpg", Rec("0", "Transfer Incomplete", "Images", "1", "", "0", kHome),
                  "http://site.test/f.zip", Rec("4", "200 OK", "Archives", "3", "", "50", kHome),
                  "http://site.test/h.html", Rec("0", "", "HTML", "2", "Aitch", "0", kHome)});
}

// Forwards the engine's calls to the explorer, as the main window does.
class ExploreHost : public EngineHost {
public:
    explicit ExploreHost(TFormExplore& view) : view_(view) { SetEngineHost(this); }
    ~ExploreHost() override { SetEngineHost(nullptr); }
    void UpdateStats() override { view_.UpdateRowCount(); }
    void CurrentTaskChanged(const std::shared_ptr<TCVTask>&) override { view_.RefreshList(); }

private:
    TFormExplore& view_;
};

class ExploreFixture : public FreshHome {
protected:
    void SetUp() override {
        GuiApp();
        FreshHome::SetUp();
        loop_ = std::make_unique<QtMainLoop>();
        view_ = std::make_unique<TFormExplore>();
        host_ = std::make_unique<ExploreHost>(*view_);
        view_->resize(900, 260);
    }
    void TearDown() override {
        host_.reset();
        view_.reset();
        loop_.reset();
        FreshHome::TearDown();
    }
    // A Personal Intranet task whose queue file holds queue; made current (which refreshes the view).
    std::shared_ptr<TCVTask> Explore(const std::string& queue, bool intranet = true) {
        auto task = std::make_shared<TCVTask>();
        task->Name = "site";
        task->FileName = home_ + "Tasks/site.cvt";
        task->URL = kHome;
        task->IntranetMode = intranet;
        task->Destination = intranet ? home_ + "site/" : home_ + "site.zip";
        task->Status = tsDownloadStopped;
        WriteBytes(task->GetQueueFileName(), queue);
        App->SetCurrentTask(task);
        return task;
    }
    std::string Record(TCVTask& task, int row) { return task.QueueLines().at(static_cast<std::size_t>(2 * row + 1)); }
    // The record of row as the queue file on disk holds it.
    std::string DiskRecord(TCVTask& task, int row) {
        const std::string text = ReadBytes(task.GetQueueFileName());
        std::size_t at = 0;
        for (int line = 0; line < 2 * row + 1; ++line) at = text.find("\r\n", at) + 2;
        return text.substr(at, text.find("\r\n", at) - at);
    }
    // Field 7 (the mark) and field 0 (the state) of a record.
    static std::string Field(const std::string& record, int n) {
        std::size_t start = 0;
        for (int i = 0; i < n; ++i) start = record.find('\xB6', start) + 1;
        return record.substr(start, record.find('\xB6', start) - start);
    }
    QPoint RowPoint(int row, int column) {
        QRect cell = view_->lvExplore->visualRect(view_->lvExplore->model()->index(row, column));
        return column == ecMark ? QPoint(cell.left() + TExploreDelegate::kImageLeft + 8, cell.center().y())
                                : cell.center();
    }
    void Select(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(view_->lvExplore->viewport(), Qt::LeftButton, modifiers, RowPoint(row, ecURL));
    }

    std::unique_ptr<QtMainLoop> loop_;
    std::unique_ptr<TFormExplore> view_;
    std::unique_ptr<ExploreHost> host_;
};

TEST(ExploreModel, ImagesAndColoursFollowStateAndMark) {
    const int images[][3] = {{isNone, mkSkip, eiNoMark},     {isDownloading, mkMap, eiMapping},
                             {isUpdating, mkUpdate, eiUpdate}, {isError, mkFetch, eiError},
                             {isDownloaded, mkFetch, -1},      {isZipped, mkSkip, eiFinished}};
    for (const auto& [state, mark, image] : images) EXPECT_EQ(ExploreImageFor(state, mark), image) << state;
    EXPECT_EQ(ExploreImageFor(isNone, 9), -1) << "a mark out of range has no image";
    EXPECT_EQ(*ExploreColorFor("Saved"), QColor(0x00, 0x00, 0x80));
    EXPECT_EQ(*ExploreColorFor("Downloading"), QColor(0x00, 0x80, 0x00));
    EXPECT_FALSE(ExploreColorFor("Downloaded"));
}

using ExploreModelFixture = ExploreFixture;

TEST_F(ExploreModelFixture, RowsAreReadFromTheQueueAndAShrunkQueueLeavesThemEmpty) {
    // Seven lines: the last URL has no record and is no row.
    auto task = Explore(Lines({kHome, Rec("10", "200 OK", "HTML", "1", "Home", "1200", "", "Mon, 01 Jan 2024"),
                               "http://site.test/a.gif", Rec("3", "404 Not Found", "Images", "1", "", "0", kHome),
                               "http://site.test/b.gif", Rec("4", "", "Images", "1"), "http://site.test/orphan"}));
    TExploreModel& model = view_->Model();
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(view_->lvExplore->model()->rowCount(), 3);
    const QStringList row0 = {"", "Parsed", "Home", kHome, "HTML", "1200", "Mon, 01 Jan 2024", "200 OK", "1", ""};
    for (int column = 0; column < ecColumnCount; ++column)
        EXPECT_EQ(model.CellText(0, column), row0[column]) << column;
    EXPECT_EQ(model.CellText(1, ecReferrer), QString(kHome));
    EXPECT_EQ(model.CellText(1, ecDownloadResult), QStringLiteral("404 Not Found"));
    EXPECT_EQ(model.RowImage(0), eiFinished);
    EXPECT_EQ(model.RowImage(1), eiError);
    EXPECT_EQ(model.RowImage(2), -1);
    EXPECT_EQ(model.data(model.index(1, ecURL), Qt::ForegroundRole).value<QColor>(), QColor(0x80, 0x00, 0x00));
    EXPECT_FALSE(model.data(model.index(2, ecURL), Qt::ForegroundRole).isValid());
    // The list's cells come from the model.
    EXPECT_EQ(view_->lvExplore->model()->index(0, ecTitle).data().toString(), QStringLiteral("Home"));

    // The queue shrinks between two paints: the rows past its end are empty and undecorated, and the
    // count follows once the main loop runs.
    task->Reset();
    EXPECT_TRUE(model.CellText(2, ecURL).isEmpty());
    EXPECT_EQ(model.RowImage(2), -1);
    EXPECT_FALSE(model.RowColor(2));
    view_->show();
    view_->lvExplore->viewport()->repaint();
    QApplication::processEvents();
    EXPECT_EQ(view_->lvExplore->model()->rowCount(), 0);
}

using ExploreView = ExploreFixture;

TEST_F(ExploreView, RightClickPopsTheMenuWithItsSubmenusOnlyForASelection) {
    Explore(FixtureQueue());
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
    const QPoint below(200, view_->lvExplore->viewport()->height() - 5);
    QTest::mousePress(view_->lvExplore->viewport(), Qt::RightButton, {}, below);
    ASSERT_TRUE(view_->popExplore->isVisible());
    for (QMenu* menu : {view_->miMarkDownload, view_->miMarkUpdate, view_->miMarkMapping, view_->miUnmark, view_->miBrowse})
        EXPECT_FALSE(menu->menuAction()->isEnabled()) << menu->objectName().toStdString();
    view_->popExplore->close();

    QTest::mousePress(view_->lvExplore->viewport(), Qt::RightButton, {}, RowPoint(2, ecURL));
    ASSERT_TRUE(view_->popExplore->isVisible());
    EXPECT_EQ(view_->lvExplore->currentIndex().row(), 2);
    for (QMenu* menu : {view_->miMarkDownload, view_->miMarkUpdate, view_->miMarkMapping, view_->miUnmark, view_->miBrowse})
        EXPECT_TRUE(menu->menuAction()->isEnabled()) << menu->objectName().toStdString();
    view_->popExplore->close();
}

TEST_F(ExploreView, IconClickTogglesTheMarkOfANoneRowAndSavesIt) {
    auto task = Explore(FixtureQueue());
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
    auto* viewport = view_->lvExplore->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, RowPoint(3, ecMark));
    EXPECT_EQ(Field(DiskRecord(*task, 3), 7), "1");
    EXPECT_TRUE(std::filesystem::exists(task->FileName)) << "the task file is written too";
    QTest::mouseClick(viewport, Qt::LeftButton, {}, RowPoint(3, ecMark));
    EXPECT_EQ(Field(DiskRecord(*task, 3), 7), "0");
    EXPECT_EQ(view_->Model().RowImage(3), eiNoMark);

    // An Error row, a None row marked for mapping and a click beside the icon change nothing.
    const std::string before = ReadBytes(task->GetQueueFileName());
    QTest::mouseClick(viewport, Qt::LeftButton, {}, RowPoint(2, ecMark));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, RowPoint(8, ecMark));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, RowPoint(6, ecURL));
    EXPECT_EQ(ReadBytes(task->GetQueueFileName()), before);
    EXPECT_EQ(Field(Record(*task, 2), 7), "1");
}

TEST_F(ExploreView, DownloadCommandsMarkTheirRowsAndSaveEveryOne) {
    auto task = Explore(FixtureQueue());
    const TCVTaskCounters loaded = task->Counters();
    ASSERT_EQ(loaded.PageErrors, 2) << "the unreadable record counts as an error";
    // "All errors": the Error page goes back to None, off the error count; the unreadable record is
    // not rewritten.
    view_->miDownloadErrors->trigger();
    EXPECT_EQ(Field(DiskRecord(*task, 2), 0), "0");
    EXPECT_EQ(Field(DiskRecord(*task, 2), 1), "") << "the status text is emptied";
    EXPECT_EQ(task->Counters().PageErrors, 1);
    EXPECT_EQ(Field(DiskRecord(*task, 1), 0), "5");

    // "All unmarked": only the mark that reads 0; an empty mark reads as 1. The unreadable record is
    // left as it was and the rows after it are still done.
    view_->miDownloadUnmarked->trigger();
    EXPECT_EQ(Field(DiskRecord(*task, 3), 7), "1");
    EXPECT_EQ(Field(DiskRecord(*task, 4), 7), "");
    EXPECT_EQ(Field(DiskRecord(*task, 5), 0), "x");

    // "All" marks every readable row for download, saved rows going back to None.
    view_->miDownloadAll->trigger();
    for (int row : {0, 1, 4, 6, 7, 8}) {
        EXPECT_EQ(Field(DiskRecord(*task, row), 7), "1") << row;
        EXPECT_EQ(Field(DiskRecord(*task, row), 0), "0") << row;
    }
    EXPECT_EQ(Field(DiskRecord(*task, 5), 0), "x");
    EXPECT_EQ(task->Counters().PagesSaved, 0);
    EXPECT_EQ(task->Counters().ResourcesSaved, 0);
    EXPECT_FALSE(task->QueueDirty());
}

TEST_F(ExploreView, AMarkThatCannotBeSavedIsReported) {
    ScriptedMessageBoxes boxes;
    auto task = Explore(FixtureQueue());
    std::filesystem::remove(task->GetQueueFileName());
    std::filesystem::create_directory(task->GetQueueFileName());  // the queue file cannot be written
    boxes.Expect(MsgButton::OK, QStringLiteral("The marks could not be saved: "));
    view_->miDownloadAll->trigger();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(task->QueueDirty());
}

TEST_F(ExploreView, UpdateMappingAndUnmarkCommandsTakeOnlyTheirRows) {
    auto task = Explore(FixtureQueue());
    view_->show();
    // "Mark for update" > "All": the Parsed page, not the image that ended as Saved.
    view_->miUpdateAll->trigger();
    EXPECT_EQ(Field(DiskRecord(*task, 0), 7), "3");
    EXPECT_EQ(Field(DiskRecord(*task, 0), 0), "0");
    EXPECT_EQ(Field(DiskRecord(*task, 1), 7), "1");
    EXPECT_EQ(Field(DiskRecord(*task, 1), 0), "5");
    EXPECT_EQ(task->Counters().PagesSaved, 0);
    EXPECT_EQ(task->Counters().ResourcesSaved, 1);

    // "Mark for mapping" > "Selected" on images changes nothing, and still saves.
    Select(1);
    Select(6, Qt::ControlModifier);
    std::filesystem::remove(task->GetQueueFileName());
    const std::string lines = Lines(task->QueueLines());
    view_->miMappingSelected->trigger();
    ASSERT_TRUE(std::filesystem::exists(task->GetQueueFileName()));
    EXPECT_EQ(ReadBytes(task->GetQueueFileName()), lines);

    // On a page it marks for mapping.
    Select(2, Qt::ControlModifier);
    view_->miMappingSelected->trigger();
    EXPECT_EQ(Field(DiskRecord(*task, 2), 7), "2");

    // "Unmark" > "All": every None row, the others kept.
    view_->miUnmarkAll->trigger();
    for (int row : {0, 2, 3, 4, 6, 8}) EXPECT_EQ(Field(DiskRecord(*task, row), 7), "0") << row;
    EXPECT_EQ(Field(DiskRecord(*task, 7), 7), "3");
    EXPECT_EQ(Field(DiskRecord(*task, 1), 7), "1");

    Select(7);
    view_->miUnmarkSelected->trigger();
    EXPECT_EQ(Field(DiskRecord(*task, 7), 7), "0");
    EXPECT_EQ(Field(DiskRecord(*task, 7), 0), "0");
}

TEST_F(ExploreView, MarksCannotChangeWhileTheTaskRuns) {
    auto task = Explore(FixtureQueue());
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
    for (TCVTaskStatus running : {tsDownloading, tsDownloadComplete}) {
        task->Status = running;
        const std::string before = ReadBytes(task->GetQueueFileName());
        QTest::mouseClick(view_->lvExplore->viewport(), Qt::LeftButton, {}, RowPoint(3, ecMark));
        QTest::mousePress(view_->lvExplore->viewport(), Qt::RightButton, {}, RowPoint(3, ecURL));
        ASSERT_TRUE(view_->popExplore->isVisible());
        EXPECT_FALSE(view_->miMarkDownload->menuAction()->isEnabled());
        EXPECT_FALSE(view_->miUnmark->menuAction()->isEnabled());
        EXPECT_TRUE(view_->miBrowse->menuAction()->isEnabled());
        view_->popExplore->close();
        view_->miDownloadAll->trigger();  // a shortcut past the disabled menu does nothing either
        EXPECT_EQ(ReadBytes(task->GetQueueFileName()), before);
        EXPECT_EQ(Field(Record(*task, 3), 7), "0");
    }
}

TEST_F(ExploreView, BrowseShowsTheLocalFileOrOpensTheAddress) {
    RecordingAppHost app_host;
    LaunchRecorder launcher;
    auto task = Explore(FixtureQueue());
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));

    // A double click on a Personal Intranet row shows its local file.
    Select(0);
    QTest::mouseDClick(view_->lvExplore->viewport(), Qt::LeftButton, {}, RowPoint(0, ecURL));
    const std::string page = task->GetQItem(0)->GetLocalFileName();
    ASSERT_EQ(app_host.calls, std::vector<std::string>{"ShowBrowserView(" + page + ")"});
    EXPECT_EQ(page.rfind(home_ + "site/", 0), 0u);

    // "&Offline" on an image goes to the browser view, never to the launcher.
    Select(1);
    view_->miBrowseOffline->trigger();
    EXPECT_EQ(app_host.calls.back(), "ShowBrowserView(" + task->GetQItem(2)->GetLocalFileName() + ")");
    EXPECT_TRUE(launcher.Opened().empty());

    // "&Offline" on a captured page hands it to the launcher.
    SetCaptureFolder("intranet", home_ + "site/");
    WriteBytes(page, "<html></html>");
    Select(0);
    view_->miBrowseOffline->trigger();
    ASSERT_EQ(launcher.Opened().size(), 1u);
    EXPECT_EQ(launcher.Opened()[0].kind, LaunchTarget::Kind::File);
    ClearCaptureFolders();

    // "Online" gives the launcher the address.
    view_->miBrowseOnline->trigger();
    ASSERT_EQ(launcher.Opened().size(), 2u);
    EXPECT_EQ(launcher.Opened()[1].location, kHome);
    EXPECT_EQ(app_host.calls.size(), 2u);
}

using UserPathsExplore = ExploreFixture;

TEST_F(UserPathsExplore, ALaunchThatNothingCanOpenIsToldToTheUser) {
    RecordingAppHost app_host;
    LaunchRecorder launcher;
    launcher.fail = true;
    ScriptedMessageBoxes boxes;
    auto task = Explore(FixtureQueue());
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
    SetCaptureFolder("intranet", home_ + "site/");
    WriteBytes(task->GetQItem(0)->GetLocalFileName(), "<html></html>");
    Select(0);
    boxes.Expect(MsgButton::OK, QStringLiteral("No program could be started to open ") +
                                    QString::fromStdString(task->GetQItem(0)->GetLocalFileName()));
    view_->miBrowseOffline->trigger();
    boxes.Expect(MsgButton::OK, QStringLiteral("No program could be started to open ") + kHome);
    view_->miBrowseOnline->trigger();
    ClearCaptureFolders();
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(launcher.Opened().size(), 2u);
    SaveScreenshot(*view_, QStringLiteral("-launch-failed"));
}

TEST_F(ExploreView, OnlineOpensOnlyWebAddresses) {
    LaunchRecorder launcher;
    RecordingAppHost app_host;
    Explore(Lines({"javascript:alert(1)", Rec("0", "", "HTML", "1"), "/etc/passwd", Rec("0", "", "Text", "1")}));
    view_->show();
    for (int row : {0, 1}) {
        Select(row);
        view_->miBrowseOnline->trigger();
    }
    EXPECT_TRUE(launcher.Opened().empty());
    EXPECT_TRUE(app_host.calls.empty());
}

TEST_F(ExploreView, ZipTaskBrowsesFromItsArchivesBrowseRoot) {
    RecordingAppHost app_host;
    ScriptedMessageBoxes boxes;
    auto task = Explore(FixtureQueue(), /*intranet=*/false);
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
    Select(0);
    const auto double_click = [&] {
        QTest::mouseDClick(view_->lvExplore->viewport(), Qt::LeftButton, {}, RowPoint(0, ecURL));
    };
    // Without its archive: the message, and no archive is opened.
    boxes.Expect(MsgButton::OK, QStringLiteral("This task has not been run, or its resulting zip file no longer exists."));
    double_click();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(app_host.calls.empty());

    // An archive that cannot be opened shows nothing.
    WriteBytes(task->Destination, "PK");
    double_click();
    ASSERT_EQ(app_host.calls, std::vector<std::string>{"OpenArchiveForBrowsing(" + task->Destination + ")"});

    // Otherwise the file is shown from the archive's browse root, under its path in the capture folder.
    app_host.browse_root = home_ + "browse/";
    WriteBytes(app_host.browse_root + "site.test/site.html", "<html></html>");
    double_click();
    ASSERT_EQ(app_host.calls.size(), 3u);
    EXPECT_EQ(app_host.calls[2], "ShowBrowserView(" + app_host.browse_root + "site.test/site.html)");
}

TEST_F(ExploreView, FollowsTheCurrentTaskAndItsGrowingQueue) {
    auto first = Explore(FixtureQueue());
    EXPECT_EQ(view_->lvExplore->model()->rowCount(), 9);

    // A refresh asked for while the queue opens (the main loop runs then) is not run inside it, and
    // the list ends on the task current at the end.
    auto second = std::make_shared<TCVTask>();
    second->Name = "other";
    second->FileName = home_ + "Tasks/other.cvt";
    WriteBytes(second->GetQueueFileName(), Lines({kHome, Rec("0", "", "HTML", "1")}));
    int nested = 0;
    second->SetOnProgress([&](const std::string&, int, int) {
        ++nested;
        view_->RefreshList();
    });
    App->SetCurrentTask(second);
    EXPECT_GT(nested, 0);
    EXPECT_EQ(view_->Model().Task(), second);
    EXPECT_EQ(view_->lvExplore->model()->rowCount(), 1);

    // New rows of a running task appear at the next stats update.
    TCVQItem item(second.get());
    item.URL = "http://site.test/new.html";
    item.Type = "HTML";
    second->AddQItem(item);
    Host().UpdateStats();
    EXPECT_EQ(view_->lvExplore->model()->rowCount(), 2);
    EXPECT_EQ(view_->lvExplore->model()->index(1, ecURL).data().toString(), QStringLiteral("http://site.test/new.html"));
}

TEST_F(ExploreView, ColumnCaptionsAreTranslated) {
    RegisterWidgetLangAdapters();
    const std::string dir = home_ + "lang/";
    std::filesystem::create_directories(dir);
    {
        TkLangFileEdit file(dir + "Test.lng");
        ParseLangSource("charset 0\nbidimode 0\nprop 791 FormExplore lvExplore.Columns.Item3.Caption \"Adresse\"\n"
                        "prop 792 FormExplore miMarkDownload.Caption \"Zum Laden\"\n",
                        file);
        file.Save();
    }
    const std::string old_dir = AppLanguage().LangDir();
    AppLanguage().SetLangDir(dir);
    ASSERT_TRUE(AppLanguage().SetLangFileName("Test"));
    TFormExplore translated;
    AppLanguage().SetLangFileName("Native");
    AppLanguage().SetLangDir(old_dir);
    const auto caption = [&](int column) {
        return translated.lvExplore->model()->headerData(column, Qt::Horizontal).toString();
    };
    EXPECT_EQ(caption(ecURL), QStringLiteral("Adresse"));
    EXPECT_EQ(caption(ecTitle), QStringLiteral("Title"));
    EXPECT_EQ(translated.miMarkDownload->title(), QStringLiteral("Zum Laden"));
}

TEST_F(ExploreView, Screenshot) {
    auto task = Explore(FixtureQueue());
    auto running = task->GetQItem(16);
    running->SetState(isDownloading);
    running->Put();
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
    Select(3);
    const QImage picture = view_->grab().toImage();
    const QRect error_cell = view_->lvExplore->visualRect(view_->lvExplore->model()->index(2, ecMark));
    const QPoint icon = view_->lvExplore->viewport()->mapTo(view_.get(), QPoint(error_cell.left() + TExploreDelegate::kImageLeft + 3, error_cell.center().y()));
    EXPECT_EQ(QColor(picture.pixel(icon)), QColor(0xC0, 0x00, 0x00)) << "the error image is drawn";
    SaveScreenshot(*view_);
}

}  // namespace
}  // namespace corvane::testing
