// The program's main window at work, driven as a user would: the address typed into the URL box, the
// profile picked, the save mode and GO pressed; the schedule tick runs the task against the generated
// site on the loopback server while the status view follows it; the explorer lists what was queued
// and the browser view shows a captured file. Once into a folder, once into an archive.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <vector>

#include "app/explore_model.h"
#include "app/form_explore.h"
#include "app/form_status.h"
#include "app/gauge.h"
#include "app/run_hooks.h"
#include "archive/form_zip.h"
#include "archive/zip_browse.h"
#include "archive/zip_tree_model.h"
#include "engine/model/profile.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/parse/url_model.h"
#include "engine/run/task_runner.h"
#include "engine/support/file_routines.h"
#include "localisation/app_language.h"
#include "tasks/task_tree_window.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/launch_recorder.h"
#include "tests/support/link_checker.h"
#include "tests/support/loopback_server.h"
#include "tests/support/screenshot.h"
#include "tests/support/test_site.h"
#include "widgets/ext_list_view.h"
#include "widgets/hyper_label.h"
#include "widgets/transparent_button.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kWait = 60000;  // ms; generous, for loaded machines

// Looks at the status line before every event the main thread handles, so each text that stood until
// the next event is recorded, whoever wrote it; and notes every dialog shown.
class WindowWatch : public QObject {
public:
    explicit WindowWatch(QLabel* status_line) : status_line_(status_line) { qApp->installEventFilter(this); }
    ~WindowWatch() override { qApp->removeEventFilter(this); }

    std::vector<QString> status_texts;
    std::vector<QString> dialogs;

    bool Showed(const QString& text) const {
        return std::find(status_texts.begin(), status_texts.end(), text) != status_texts.end();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (status_line_ && (status_texts.empty() || status_texts.back() != status_line_->text()))
            status_texts.push_back(status_line_->text());
        if (event->type() == QEvent::Show && qobject_cast<QDialog*>(watched)) dialogs.push_back(watched->objectName());
        return false;
    }

private:
    QPointer<QLabel> status_line_;
};

class GuiEndToEnd : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        site_ = test::ServeTestSite(server_, {});
        ASSERT_FALSE(site_.DeepestPage.empty());
        server_.Hold(site_.DeepestPage);
        TCVProfile profile;
        profile.LoadDefaults();
        profile.FileName = App->ProfilesDir + "Site" + kProfileFileExt;
        profile.Name = "Site";
        profile.Depth = -1;
        profile.PageLocation = lcSite;
        profile.ResourceLocation = lcSite;
        profile.Save();
    }
    void TearDown() override {
        server_.Release(site_.DeepestPage);
        watch_.reset();
        MainWindowFixture::TearDown();
    }

    // Types the address, picks "Site", presses the mode button and GO; the new task is selected in
    // the task tree and started by the tick. Holds its deepest page until the page gauge shows a
    // value short of its maximum, then waits for the run to end with final_status.
    void RunFromTheWindow(TFormCorvane& form, TTransparentButton* mode, int final_status) {
        TFormStatus* status = form.Views().FormStatus;
        ASSERT_NE(status, nullptr);
        watch_ = std::make_unique<WindowWatch>(status->lblStatus);
        QObject::connect(status->GaugePages, &TGauge::progressChanged, status, [this](int value) { gauge_.push_back(value); });

        QLineEdit* edit = form.cmbURL->lineEdit();
        ASSERT_NE(edit, nullptr);
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClicks(edit, QString::fromStdString(site_.StartURL));
        ASSERT_EQ(form.cmbURL->currentText().toStdString(), site_.StartURL);

        QTest::mouseClick(form.cmbProfile, Qt::LeftButton);
        QAbstractItemView* profiles = form.cmbProfile->view();
        ASSERT_TRUE(QTest::qWaitFor([&] { return profiles->isVisible(); }, kWait)) << "the profile list drops down";
        QTest::keyClicks(profiles, QStringLiteral("Site"));
        QTest::keyClick(profiles, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !profiles->isVisible(); }, kWait));
        ASSERT_EQ(form.cmbProfile->currentText(), QStringLiteral("Site"));

        QTest::mouseClick(mode, Qt::LeftButton);
        ASSERT_TRUE(mode->Down());
        QTest::mouseClick(form.btnGO, Qt::LeftButton);

        const std::string name = ReplaceInvalidFileChars(SiteShortName(site_.StartURL), '_');
        task_file_ = DirectoryOf(TaskFileName(App->GetLastCategory(), "x")) + name + kTaskFileExt;
        ASSERT_TRUE(fs::exists(task_file_)) << task_file_;
        TFormScheduler* tree = form.Views().FormScheduler;
        ASSERT_NE(tree, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return tree->SelectedPath() == task_file_; }, kWait))
            << "the task tree selects the new task: " << tree->SelectedPath();

        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const auto current = App->GetCurrentTask();
                return current && current->FileName == task_file_ && current->Status == tsDownloading;
            },
            kWait))
            << "the tick starts the task";
        task_ = App->GetCurrentTask();
        EXPECT_EQ(task_->Profile.Name, "Site");

        ASSERT_TRUE(QTest::qWaitFor([&] { return server_.Held(site_.DeepestPage) == 1; }, kWait))
            << "the deepest page is asked for";
        const QString task_name = QString::fromStdString(task_->Name);
        const bool part_way = QTest::qWaitFor(
            [&] {
                // The value last signalled, against the maximum the gauge has now (a new maximum
                // alone signals nothing).
                return !gauge_.empty() && gauge_.back() > 0 && gauge_.back() < status->GaugePages->MaxValue() &&
                       status->lblTaskName->text() == task_name;
            },
            kWait);
        std::string seen;
        for (const int value : gauge_) seen += " " + std::to_string(value);
        ASSERT_TRUE(part_way) << "the page gauge shows the run part-way while the page is held:" << seen
                              << " of " << status->GaugePages->MaxValue() << "; "
                              << status->lblTaskName->text().toStdString();
        EXPECT_EQ(status->GaugePages->Progress(), gauge_.back());
        EXPECT_EQ(task_->Status, tsDownloading);
        server_.Release(site_.DeepestPage);

        ASSERT_TRUE(QTest::qWaitFor([&] { return task_->Status == final_status && !form.Runner()->Busy(); }, kWait))
            << "status " << task_->Status;
        EXPECT_EQ(TaskStatusText(task_->Status), final_status == tsZipped ? "Zipped!" : "Task Complete");
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

        const QString done = QString::fromStdString(AppLanguage().GetLangStr(kMsgTaskDone) + task_->Name + ")");
        EXPECT_TRUE(watch_->Showed(done)) << "the status line showed: " << done.toStdString();

        // The page gauge only ever rose, and ends full.
        ASSERT_TRUE(QTest::qWaitFor([&] { return status->GaugePages->Progress() == status->GaugePages->MaxValue(); }, kWait));
        EXPECT_TRUE(std::is_sorted(gauge_.begin(), gauge_.end()));
        EXPECT_EQ(gauge_.back(), status->GaugePages->MaxValue());
        EXPECT_EQ(status->GaugePages->MaxValue(), task_->Counters().TotalPages);
        EXPECT_GE(task_->Counters().TotalPages, site_.Pages) << "every page of the site";
    }

    // Opens the explorer by its label: one row per queued item, each in one of states, every address
    // one the server was asked for.
    TFormExplore* ExploreRows(TFormCorvane& form, const std::set<QString>& states) {
        QTest::mouseClick(form.lblExplore, Qt::LeftButton);
        TFormExplore* explore = form.Views().FormExplore;
        if (explore == nullptr) {
            ADD_FAILURE() << "no explorer";
            return nullptr;
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return explore->isVisible(); }, kWait));
        std::set<std::string> requested;
        for (const auto& request : server_.Requests()) requested.insert(server_.Url(request.target));
        QAbstractItemModel* rows = explore->lvExplore->model();
        EXPECT_EQ(rows->rowCount(), task_->QueueLineCount() / 2);
        EXPECT_GE(rows->rowCount(), site_.Pages);
        for (int row = 0; row < rows->rowCount(); ++row) {
            const QString state = rows->index(row, ecStatus).data().toString();
            const std::string url = rows->index(row, ecURL).data().toString().toStdString();
            EXPECT_TRUE(states.count(state)) << url << ": " << state.toStdString();
            EXPECT_TRUE(requested.count(url)) << "never asked for " << url;
        }
        return explore;
    }

    // Double-clicks the explorer's first row: the browser view is sent to a file, which exists.
    void DoubleClickFirstRow(TFormExplore& explore, std::string& shown) {
        QAbstractItemView* list = explore.lvExplore;
        // On its state, which stays in view however narrow the docked list is.
        const QModelIndex cell = list->model()->index(0, ecStatus);
        list->scrollTo(cell);
        const QPoint row0 = list->visualRect(cell).center();
        ASSERT_TRUE(list->viewport()->rect().contains(row0));
        ASSERT_NE(browsers_->last, nullptr);
        const std::size_t before = browsers_->last->calls.size();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row0);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row0);
        const std::string call = browsers_->last->calls.back();
        ASSERT_GT(browsers_->last->calls.size(), before);
        ASSERT_EQ(call.rfind("Navigate ", 0), 0u) << call;
        shown = QUrl(QString::fromStdString(call.substr(9))).toLocalFile().toStdString();
        EXPECT_TRUE(fs::is_regular_file(shown)) << shown;
    }

    static void ExpectNothingBroken(const std::string& folder) {
        const LinkCheckReport report = CheckCapturedLinks(folder);
        EXPECT_GT(report.PagesChecked, 0) << folder;
        for (const BrokenLink& broken : report.Broken)
            ADD_FAILURE() << broken.Page << ": " << broken.Link << " -> " << broken.Target;
    }

    test::LoopbackServer server_;
    test::TestSite site_;
    LaunchRecorder launcher_;
    std::unique_ptr<WindowWatch> watch_;
    std::vector<int> gauge_;  // the page gauge's values, as signalled
    std::string task_file_;
    std::shared_ptr<TCVTask> task_;
};

TEST_F(GuiEndToEnd, IntranetModeFromGoToExplorerAndBrowser) {
    TFormCorvane& form = Start();
    ASSERT_NO_FATAL_FAILURE(RunFromTheWindow(form, form.btnIntranetMode, tsTaskComplete));

    // The report window ran, closed by itself and showed its summary.
    EXPECT_EQ(std::count(watch_->dialogs.begin(), watch_->dialogs.end(), QStringLiteral("dlgTaskReport")), 1);
    bool summary = false;
    for (const std::string& call : browsers_->last->calls) summary = summary || call.find("_summary.htm") != std::string::npos;
    EXPECT_TRUE(summary);
    SaveScreenshot(form, QStringLiteral("-e2e"));

    TFormExplore* explore = ExploreRows(form, {QStringLiteral("Parsed"), QStringLiteral("Saved")});
    ASSERT_NE(explore, nullptr);
    SaveScreenshot(*explore, QStringLiteral("-e2e"));
    std::string shown;
    ASSERT_NO_FATAL_FAILURE(DoubleClickFirstRow(*explore, shown));
    EXPECT_EQ(shown, task_->GetQItem(0)->GetLocalFileName());

    ExpectNothingBroken(task_->GetFolder());
    EXPECT_TRUE(launcher_.Opened().empty()) << "nothing went to the shell";
}

TEST_F(GuiEndToEnd, ZipModeEndsZippedAndBrowsesFromTheArchive) {
    TFormCorvane& form = Start();
    ASSERT_NO_FATAL_FAILURE(RunFromTheWindow(form, form.btnCorvaneMode, tsZipped));

    // The archive is listed in the archive view and passes the archiver's own test.
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    const TZipNodeId archive = zip->Tree().FindArchive(task_->Destination);
    ASSERT_NE(archive, 0u) << task_->Destination;
    bool listed = false;
    QAbstractItemModel* tree = zip->tvZip->model();
    for (int row = 0; row < tree->rowCount(); ++row)
        listed = listed || tree->index(row, 0).data().toString().toStdString() == fs::path(task_->Destination).filename();
    EXPECT_TRUE(listed);
    EXPECT_EQ(std::system(("unzip -tqq '" + task_->Destination + "' >/dev/null").c_str()), 0);
    SaveScreenshot(form, QStringLiteral("-e2e-zip"));

    TFormExplore* explore = ExploreRows(form, {QStringLiteral("Zipped")});
    ASSERT_NE(explore, nullptr);
    // The first row's file, shown from the archive's own browse root (the capture's files are gone).
    std::string shown;
    ASSERT_NO_FATAL_FAILURE(DoubleClickFirstRow(*explore, shown));
    const TZipObj* obj = zip->Tree().Obj(archive);
    ASSERT_NE(obj, nullptr);
    const std::string root = BrowseRootFor(*obj);
    std::string folder = task_->RunFolder();
    if (folder.back() != '/') folder += '/';
    const std::string local = task_->GetQItem(0)->GetLocalFileName();
    ASSERT_EQ(local.rfind(folder, 0), 0u) << local;
    EXPECT_EQ(shown, SafeBrowsePath(root, local.substr(folder.size())));
    EXPECT_NE(root, folder);

    ExpectNothingBroken(root);
    EXPECT_TRUE(launcher_.Opened().empty()) << "nothing went to the shell";
}

// The archive the run wrote, still highlighted when it ends, has its entries in the list and its
// pages on the Pages tab.
TEST_F(GuiEndToEnd, ArchiveIdentityTheListShowsTheArchiveOnceTheCaptureEnds) {
    TFormCorvane& form = Start();
    ASSERT_NO_FATAL_FAILURE(RunFromTheWindow(form, form.btnCorvaneMode, tsZipped));
    TFormZip* zip = form.Views().FormZip;
    ASSERT_NE(zip, nullptr);
    zip->WaitForListing();
    const TZipObj* obj = zip->Tree().Obj(zip->Selected());
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->ZipFileName, task_->Destination);
    const std::string count = "unzip -Z1 '" + task_->Destination + "' | wc -l";
    std::FILE* pipe = ::popen(count.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    int entries = 0;
    EXPECT_EQ(std::fscanf(pipe, "%d", &entries), 1);
    ::pclose(pipe);
    EXPECT_GE(entries, site_.Pages);
    EXPECT_EQ(zip->lvZip->Items().Count(), entries);
    EXPECT_GE(zip->PagesModel().Count(), site_.Pages);
    SaveScreenshot(form, QStringLiteral("-capture-listed"));
}

}  // namespace
}  // namespace corvane::testing
