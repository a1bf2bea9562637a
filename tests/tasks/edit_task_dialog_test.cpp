#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QTimeEdit>
#include <filesystem>

#include "engine/support/file_routines.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "localisation/app_language.h"
#include "localisation/lang_file_edit.h"
#include "localisation/lang_source.h"
#include "localisation/message_ids.h"
#include "platform/rtl/paths.h"
#include "tasks/edit_task_dialog.h"
#include "tasks/entry_dialogs.h"
#include "tasks/file_type_tree.h"
#include "tasks/schedule_dialog.h"
#include "tests/support/recording_app_host.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/screenshot.h"
#include "tests/tasks/profile_window_support.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::ClickBox;
using testing::OnModal;
using testing::ReadBytes;
using testing::ScriptedFileDialogs;
using testing::ScriptedMessageBoxes;
using testing::WriteBytes;

const TDateTime kNow = EncodeDate(2026, 3, 4) + EncodeTime(10, 30, 0);

QString M(std::uint16_t id) { return QString::fromStdString(AppLanguage().GetLangStr(id)); }

std::string QueueOf(const std::string& task_file) {
    return task_file.substr(0, task_file.size() - 4) + kQueueFileExt;
}

void Type(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

class TaskDialog : public testing::ProfileWindowHome {
protected:
    std::shared_ptr<TCVTask> Store(const std::string& category, const std::string& name,
                                   TCVTaskStatus status = tsUnscheduled) {
        auto task = std::make_shared<TCVTask>();
        task->Name = name;
        task->URL = "http://www.example.com/";
        task->Destination = home_ + "zips/" + name + ".zip";
        task->FileName = TaskFileName(category, name);
        task->Status = status;
        task->NextRun = kNow - 5;
        task->Save();
        return LoadTask(task->FileName);
    }
    TdlgEditTask& Open(const QString& caption, std::shared_ptr<TCVTask> task) {
        dialog_ = std::make_unique<TdlgEditTask>();
        if (!caption.isEmpty()) dialog_->setWindowTitle(caption);
        dialog_->Task = std::move(task);
        dialog_->Clock = [] { return kNow; };
        dialog_->show();
        return *dialog_;
    }
    TdlgEditTask& OpenStored(const std::string& name = "Site") {
        return Open({}, LoadTask(TaskFileName("General", name)));
    }
    // OK with a failure expected: its box, and the dialog stays open with nothing saved.
    void Refused(const QString& text, const std::string& unsaved) {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::OK, text);
        QTest::mouseClick(dialog_->btnOK, Qt::LeftButton);
        EXPECT_TRUE(dialog_->isVisible()) << text.toStdString();
        EXPECT_FALSE(fs::exists(unsaved)) << text.toStdString();
    }
    void Accepted(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(dialog_->result(), QDialog::Accepted);
        EXPECT_FALSE(dialog_->isVisible());
    }
    std::unique_ptr<TdlgEditTask> dialog_;
};

TEST_F(TaskDialog, CreateModeNamesFromEachEditAndStartsWithTheLayoutDefaults) {
    WriteBytes(TaskFileName("General", "example"), "");
    TdlgEditTask& d = Open("Create New Task", std::make_shared<TCVTask>());
    EXPECT_EQ(d.cmbTaskCategory->currentText(), "General");
    EXPECT_EQ(d.cmbProfile->currentText(), "Custom");
    for (QAbstractButton* on : std::initializer_list<QAbstractButton*>{d.rbAll, d.rbPagesDir, d.rbResSite, d.rbAPScripts,
                                                                      d.rbcflAll, d.rbculWebsite, d.rbScheduleLater})
        EXPECT_TRUE(on->isChecked()) << on->objectName().toStdString();
    EXPECT_FALSE(d.cbAggressiveParser->isChecked());
    EXPECT_FALSE(d.rbAPAll->isEnabled());
    EXPECT_EQ(d.edLevels->value(), 1);

    Type(d.cmbURL->lineEdit(), "www.example.com");
    EXPECT_EQ(d.edTaskName->text(), "example(0)");
    EXPECT_EQ(d.edFileName->text().toStdString(), App->GetDownloadsFolder() + "example.zip");
    Type(d.edTaskName, "Mine");
    Type(d.cmbTaskCategory->lineEdit(), "Other");  // unique in the chosen category's folder
    EXPECT_EQ(d.edTaskName->text(), "example");
    Type(d.cmbURL->lineEdit(), "http://www.sample.org/");
    EXPECT_EQ(d.edTaskName->text(), "sample");
    testing::SaveScreenshot(d);

    Accepted(d.btnOK);
    EXPECT_TRUE(d.CategoryChanged);
    const auto saved = LoadTask(TaskFileName("Other", "sample"));
    EXPECT_EQ(saved->URL, "http://www.sample.org/");
    EXPECT_EQ(saved->Status, tsUnscheduled);
    EXPECT_EQ(saved->Schedule, "");
    EXPECT_EQ(saved->Profile.Depth, -1);
}

class TruthfulEndsDefaultArchive : public TaskDialog {};

TEST_F(TruthfulEndsDefaultArchive, ANewTaskIsNotGivenTheArchiveAnEarlierTaskWillWrite) {
    // Made a moment ago: its first run has not written its archive yet.
    TCVTask earlier;
    earlier.Name = "example";
    earlier.URL = "http://www.example.com/";
    earlier.FileName = TaskFileName("General", "example");
    earlier.Destination = App->GetDownloadsFolder() + "example.zip";
    earlier.Save();
    TdlgEditTask& d = Open("Create New Task", std::make_shared<TCVTask>());
    Type(d.cmbURL->lineEdit(), "www.example.com");
    EXPECT_EQ(d.edFileName->text().toStdString(), App->GetDownloadsFolder() + "example(0).zip");
    const QRect saveTo = d.ListView1->visualItemRect(d.ListView1->item(1));
    QTest::mouseClick(d.ListView1->viewport(), Qt::LeftButton, {}, saveTo.center());
    ASSERT_TRUE(d.edFileName->isVisible());
    testing::SaveScreenshot(d, "-default-archive");

    // The user may still choose to share it.
    Type(d.edFileName, QString::fromStdString(earlier.Destination));
    Accepted(d.btnOK);
    EXPECT_EQ(LoadTask(TaskFileName("General", "example(0)"))->Destination, earlier.Destination);
}

class TaskDialogUserFaults : public TaskDialog {};

// An unfollowed link is rewritten to the local file it will have: the choices say so, in the form
// and in the language source.
TEST_F(TaskDialogUserFaults, UnfollowedLinkChoicesSayTheLinksBecomeLocal) {
    TdlgEditTask& d = Open("Create New Task", std::make_shared<TCVTask>());
    const QString website = QStringLiteral("Convert those within the current website to local links");
    const QString all = QStringLiteral("Convert all of them to local links");
    EXPECT_EQ(d.rbculWebsite->text(), website);
    EXPECT_EQ(d.rbculAll->text(), all);
    TkLangFileEdit file(home_ + "scratch.lng");
    ParseLangSource(ReadBytes(ResourcesDir() + "lang/Native.txt"), file);
    const auto stored = [&](const char* path) {
        const auto text = file.FindStrByName("dlgEditTask", path);
        return text ? QString::fromStdString(text->Text()) : QString();
    };
    EXPECT_EQ(stored("rbculWebsite.Caption"), website);
    EXPECT_EQ(stored("rbculAll.Caption"), all);
}

TEST_F(TaskDialog, EditModeNeverRenamesAndPicturesEveryScreen) {
    Store("General", "Site");
    testing::RecordingAppHost host;
    host.recent_urls = {"http://recent.example/", "http://older.example/"};
    TdlgEditTask& d = OpenStored();
    EXPECT_EQ(d.windowTitle(), "Edit Task");
    Type(d.cmbURL->lineEdit(), "http://www.other.com/");
    EXPECT_EQ(d.edTaskName->text(), "Site");
    EXPECT_EQ(d.edFileName->text().toStdString(), home_ + "zips/Site.zip");
    d.cmbTaskCategory->showPopup();  // either box's drop-down fills the URL list
    d.cmbTaskCategory->hidePopup();
    ASSERT_EQ(d.cmbURL->count(), 2);
    EXPECT_EQ(d.cmbURL->itemText(0), "http://recent.example/");
    EXPECT_EQ(d.cmbURL->currentText(), "http://www.other.com/");

    for (int row = 0; row < 8; ++row) {
        QListWidget* list = d.ListView1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        EXPECT_EQ(d.PageControl1->currentIndex(), row);
        const qint64 tick = list->item(row)->icon().cacheKey();
        for (int i = 0; i < 8; ++i) EXPECT_EQ(list->item(i)->icon().cacheKey() == tick, i == row);
        testing::SaveScreenshot(d, "-" + QString::number(row + 1));
    }
}

TEST_F(TaskDialog, ValidationStopsAtTheFirstFailureInOrder) {
    TdlgEditTask& d = Open("Create New Task", std::make_shared<TCVTask>());
    const std::string file = TaskFileName("General", "Site");
    Refused("A valid Internet address (URL) is required", file);
    Type(d.cmbURL->lineEdit(), "ftp://x");
    Refused(M(msg::UrlNeedsHttp), file);
    Type(d.cmbURL->lineEdit(), "www.example.com");
    Type(d.edTaskName, "");
    Refused(M(msg::TaskNeedsName), file);
    EXPECT_EQ(d.cmbURL->currentText(), "http://www.example.com/");  // the URL checks passed
    Type(d.edTaskName, "../x");
    Refused(M(msg::TaskNameInvalid), file);
    Type(d.edTaskName, "Site");
    Type(d.cmbTaskCategory->lineEdit(), "../x");
    Refused(M(msg::TaskCategoryInvalid), file);
    Type(d.cmbTaskCategory->lineEdit(), "General");
    Type(d.edTaskName, "Site");

    const QString zip = M(msg::ZipNameNeedsFolder1) + "\n" + M(msg::ZipNameNeedsFolder2);
    for (const char* bad : {"/d/.zip", "x.zip", "d/x.zip"}) {
        Type(d.edFileName, bad);
        Refused(zip, file);
    }
    ClickBox(d.rbIntranet);
    EXPECT_FALSE(d.edFileName->isEnabled());
    const QString intranet = M(msg::IntranetNeedsFolder1) + "\n" + M(msg::IntranetNeedsFolder2);
    for (const char* bad : {"", "rel/dir"}) {
        Type(d.edIntranetFolder, bad);
        Refused(intranet, file);
    }
    ClickBox(d.rbZip);
    Type(d.edFileName, "/d/x");
    Accepted(d.btnOK);
    EXPECT_EQ(d.edFileName->text(), "/d/x.zip");
    EXPECT_EQ(LoadTask(file)->Destination, "/d/x.zip");
}

TEST_F(TaskDialog, ReplacingAnotherTaskIsAskedInEveryModeAndDropsItsQueue) {
    const std::string other = Store("General", "Other")->FileName;
    WriteBytes(QueueOf(other), "other's queue");
    const std::string other_bytes = ReadBytes(other);
    ScriptedMessageBoxes boxes;

    for (const QString caption : {"Add a Task", "Create New Task"}) {
        auto task = std::make_shared<TCVTask>();
        task->URL = "http://www.new.com/";
        task->Destination = home_ + "zips/new.zip";
        TdlgEditTask& d = Open(caption, task);
        Type(d.edTaskName, "Other");
        boxes.Expect(MsgButton::No, M(msg::TaskExists));
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(ReadBytes(other), other_bytes);
    }
    // Yes: the new task takes the place and never inherits the old queue.
    boxes.Expect(MsgButton::Yes, M(msg::TaskExists));
    Accepted(dialog_->btnOK);
    EXPECT_TRUE(dialog_->Overwrite);
    EXPECT_EQ(LoadTask(other)->URL, "http://www.new.com/");
    EXPECT_FALSE(fs::exists(QueueOf(other)));

    // Editing a task into another's name carries its own queue there.
    const std::string site = Store("General", "Site")->FileName;
    WriteBytes(QueueOf(site), "site's queue");
    TdlgEditTask& d = OpenStored();
    Type(d.edTaskName, "Other");
    boxes.Expect(MsgButton::Yes, M(msg::TaskExists));
    Accepted(d.btnOK);
    EXPECT_EQ(ReadBytes(QueueOf(other)), "site's queue");
    EXPECT_FALSE(fs::exists(site));
    EXPECT_EQ(LoadTask(other)->URL, "http://www.example.com/");
}

TEST_F(TaskDialog, EditMoveCarriesQueueActiveListAndCurrentTask) {
    const std::string old_file = Store("General", "Site", tsScheduled)->FileName;
    WriteBytes(QueueOf(old_file), "queued");
    App->SetCurrentTask(LoadTask(old_file));
    ASSERT_GE(App->ActiveTasks.IndexOf(old_file), 0);

    TdlgEditTask& d = OpenStored();
    Type(d.cmbTaskCategory->lineEdit(), "Work/News");
    Type(d.edTaskName, "Renamed");
    Type(d.cmbURL->lineEdit(), "http://www.moved.com/");
    ClickBox(d.rbScheduleNow);
    Accepted(d.btnOK);

    const std::string new_file = App->TasksDir + "Work/News/Renamed.cvt";
    EXPECT_TRUE(d.CategoryChanged);
    EXPECT_FALSE(fs::exists(old_file));
    EXPECT_FALSE(fs::exists(QueueOf(old_file)));
    EXPECT_EQ(ReadBytes(QueueOf(new_file)), "queued");
    const std::string active = ReadBytes(App->TasksDir + kActiveTasksFile);
    EXPECT_NE(active.find(new_file), std::string::npos);
    EXPECT_EQ(active.find(old_file), std::string::npos);
    // The status view's task follows, so a later run cannot write the old rules back.
    EXPECT_EQ(App->GetCurrentTask()->FileName, new_file);
    EXPECT_EQ(App->GetCurrentTask()->URL, "http://www.moved.com/");
}

TEST_F(TaskDialog, AddModeStartsLocalAndLeavesTheGivenFileAlone) {
    const std::string foreign = home_ + "mail/Site.cvt";
    {
        TCVTask task;
        task.Name = "Site";
        task.URL = "http://www.example.com/";
        task.Destination = "/elsewhere/site.zip";
        task.FileName = foreign;
        task.Save();
    }
    WriteBytes(QueueOf(foreign), "foreign queue");
    const std::string bytes = ReadBytes(foreign);
    TdlgEditTask& d = Open("Add a Task", LoadTask(foreign));
    EXPECT_EQ(d.edFileName->text().toStdString(), App->GetDownloadsFolder() + "example.zip");
    EXPECT_EQ(d.edTaskName->text(), "Site");  // the dialog's own fill renames nothing
    Accepted(d.btnOK);
    EXPECT_EQ(ReadBytes(foreign), bytes);
    EXPECT_EQ(ReadBytes(QueueOf(foreign)), "foreign queue");
    EXPECT_EQ(LoadTask(TaskFileName("General", "Site"))->Destination, App->GetDownloadsFolder() + "example.zip");
}

TEST_F(TaskDialog, ProfileBoxTurnsCustomOnManualChangesOnly) {
    TCVProfile alpha;
    alpha.LoadDefaults();
    alpha.Name = "Alpha";
    alpha.FileName = App->ProfilesDir + "Alpha.cvp";
    alpha.Depth = 3;
    alpha.FileTypes = TStringList({".gif"});
    alpha.URLFiltersExclude = TStringList({"[RL].zip"});
    alpha.AggressiveParser = 2;
    alpha.Save();
    Store("General", "Site");
    TdlgEditTask& d = OpenStored();
    auto pick_alpha = [&] {
        d.cmbProfile->setFocus();
        QTest::keyClick(d.cmbProfile, Qt::Key_Home);
        QTest::keyClick(d.cmbProfile, Qt::Key_Down);
        ASSERT_EQ(d.cmbProfile->currentText(), "Alpha");
    };
    pick_alpha();
    EXPECT_TRUE(d.rbLevels->isChecked());
    EXPECT_EQ(d.edLevels->value(), 3);
    EXPECT_TRUE(d.rbAPAll->isChecked() && d.rbAPAll->isEnabled());
    EXPECT_EQ(d.FileTypes().GetCheckedFileTypes(), TStringList({".gif"}));
    EXPECT_EQ(d.cmbProfile->currentText(), "Alpha");  // loading is no manual change

    ClickBox(d.rbPageOnly);
    EXPECT_EQ(d.cmbProfile->currentText(), "Custom");
    pick_alpha();
    d.lbEx->setCurrentRow(0);
    QTest::mouseClick(d.lbEx->viewport(), Qt::LeftButton, {}, d.lbEx->visualItemRect(d.lbEx->item(0)).center());
    QTest::mouseClick(d.findChild<QPushButton*>("btnExRemove"), Qt::LeftButton);
    EXPECT_EQ(d.cmbProfile->currentText(), "Custom");

    ClickBox(d.cbAll);  // "All" stores no types, whatever the tree shows ticked
    Accepted(d.btnOK);
    const auto saved = LoadTask(TaskFileName("General", "Site"));
    EXPECT_EQ(saved->Profile.FileTypes.Count(), 0);
    EXPECT_EQ(saved->Profile.Name, "Custom");
    EXPECT_EQ(saved->Profile.Depth, 3);
    EXPECT_EQ(saved->Profile.URLFiltersExclude.Count(), 0);
    EXPECT_EQ(saved->Profile.AggressiveParser, 2);
}

TEST_F(TaskDialog, ScheduleScreenDecidesStatusTextAndNextRun) {
    const std::string file = Store("General", "Site")->FileName;
    auto reopen = [&] { return &OpenStored(); };

    TdlgEditTask* d = reopen();
    ClickBox(d->rbScheduleNow);
    Accepted(d->btnOK);
    auto saved = LoadTask(file);
    EXPECT_EQ(saved->Schedule, "Now");
    EXPECT_EQ(saved->Status, tsScheduled);
    EXPECT_EQ(saved->NextRun, 0);  // an old next run would hold it back

    auto choose_daily = [](TdlgEditTask& dialog) {
        OnModal<TdlgSchedule> script([](TdlgSchedule& s) {
            s.dtDailyAt->setTime(QTime(9, 0, 0));
            QTest::mouseClick(s.btnOK, Qt::LeftButton);
        });
        QTest::mouseClick(dialog.btnSchedule, Qt::LeftButton);
    };
    d = reopen();
    EXPECT_TRUE(d->rbScheduleLater->isChecked());
    EXPECT_TRUE(d->edSchedule->text().isEmpty());
    choose_daily(*d);
    EXPECT_EQ(d->edSchedule->text(), "Daily at 09:00:00");
    EXPECT_TRUE(d->rbScheduleAt->isChecked());
    Accepted(d->btnOK);
    saved = LoadTask(file);
    EXPECT_EQ(saved->Schedule, "Daily at 09:00:00");
    EXPECT_EQ(saved->Status, tsScheduled);
    EXPECT_DOUBLE_EQ(saved->NextRun, EncodeDate(2026, 3, 5) + EncodeTime(9, 0, 0));

    d = reopen();
    choose_daily(*d);
    ClickBox(d->rbScheduleLater);
    EXPECT_TRUE(d->edSchedule->text().isEmpty());
    Accepted(d->btnOK);
    saved = LoadTask(file);
    EXPECT_EQ(saved->Status, tsUnscheduled);
    EXPECT_EQ(saved->Schedule, "");
    EXPECT_EQ(saved->NextRun, 0);
    EXPECT_LT(App->ActiveTasks.IndexOf(file), 0);

    d = reopen();
    Accepted(d->SpeedButton1);
    EXPECT_EQ(LoadTask(file)->Schedule, "Now");
    EXPECT_GE(App->ActiveTasks.IndexOf(file), 0);
}

TEST_F(TaskDialog, NewZipReplacesTheChosenFileOnlyWhenSaved) {
    Store("General", "Site");
    const std::string zip = home_ + "z/chosen.zip";
    WriteBytes(zip, "PK");
    ScriptedFileDialogs files;
    for (bool save : {false, true}) {
        TdlgEditTask& d = OpenStored();
        files.Expect(FileDialogKind::Save, {zip});
        QTest::mouseClick(d.btnNewZip, Qt::LeftButton);
        EXPECT_EQ(d.edFileName->text().toStdString(), zip);
        QTest::mouseClick(save ? d.btnOK : d.btnCancel, Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(fs::exists(zip), !save);
    }
    EXPECT_EQ(files.shown[0].title, "New Zip File");
    EXPECT_EQ(files.shown[0].filter, "Zip file (*.zip);;All files (*)");
    EXPECT_EQ(files.shown[0].folder, home_ + "zips/");
}

TEST_F(TaskDialog, LoginAndIntranetFolderDialogs) {
    Store("General", "Site");
    TdlgEditTask& d = OpenStored();
    {
        OnModal<TdlgUserNamePassword> cancel([](TdlgUserNamePassword& login) { login.reject(); });
        ClickBox(d.cbUserNamePassword);
    }
    EXPECT_FALSE(d.cbUserNamePassword->isChecked());
    {
        OnModal<TdlgUserNamePassword> fill([](TdlgUserNamePassword& login) {
            QTest::keyClicks(login.edUserName, "me");
            QTest::keyClicks(login.edPassword, "secret");
            QTest::mouseClick(login.btnOK, Qt::LeftButton);
        });
        QTest::mouseClick(d.btnUserNamePassword, Qt::LeftButton);
    }
    EXPECT_TRUE(d.cbUserNamePassword->isChecked());

    ScriptedFileDialogs files;
    files.Expect(FileDialogKind::ChooseFolder, {home_ + "web"});
    ClickBox(d.rbIntranet);
    QTest::mouseClick(d.btnNewIntranet, Qt::LeftButton);
    EXPECT_EQ(files.shown[0].title, "Browse for Folder");
    Accepted(d.btnOK);
    const auto saved = LoadTask(TaskFileName("General", "Site"));
    EXPECT_EQ(saved->UserName, "me");
    EXPECT_EQ(saved->Password, "secret");
    EXPECT_TRUE(saved->IntranetMode);
    EXPECT_EQ(saved->Destination, home_ + "web/");
}

}  // namespace
}  // namespace corvane
