// The run dialog and the run command: the summary, the situation and method texts, the method the
// user picks, and the task saved as due so that the schedule tick starts it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "engine/run/engine_timing.h"
#include "engine/model/task.h"
#include "engine/run/task_runner.h"
#include "localisation/message_ids.h"
#include "platform/rtl/headless_main_loop.h"
#include "tasks/lang_text.h"
#include "tasks/run_task.h"
#include "tasks/run_task_dialog.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

class RunFixture : public FreshHome {
protected:
    void SetUp() override {
        GuiApp();
        FreshHome::SetUp();
    }

    std::shared_ptr<TCVTask> SavedTask(const std::string& name) {
        auto task = std::make_shared<TCVTask>();
        task->Name = name;
        task->FileName = home_ + "Tasks/General/" + name + ".cvt";
        task->URL = "http://127.0.0.1:9/index.htm";
        task->IntranetMode = true;
        task->Destination = home_ + "site/";
        task->Save();
        return task;
    }

    // Acts on the next run dialog once it is up, while the returned watcher lives.
    static std::unique_ptr<QTimer> OnNextDialog(std::function<void(TdlgRunTask&)> act) {
        auto timer = std::make_unique<QTimer>();
        timer->setInterval(10);
        QTimer* raw = timer.get();
        QObject::connect(raw, &QTimer::timeout, [raw, act] {
            auto* dialog = qobject_cast<TdlgRunTask*>(QApplication::activeModalWidget());
            if (!dialog) return;
            raw->stop();
            act(*dialog);
        });
        timer->start();
        return timer;
    }
};

using RunDialog = RunFixture;

TEST_F(RunDialog, ShowsTheCountersTheSituationAndTheMethodDescriptions) {
    auto task = SavedTask("site one");
    task->SetCounters({5, 7, 1, 2, 10, 12, 4096});
    task->Status = tsDownloadStopped;
    TdlgRunTask dialog(*task);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), LangText(msg::RunTaskCaption) + "site one)");
    const char* expected[4][3] = {{"5", "7", "12"}, {"4", "3", "7"}, {"", "", ""}, {"1", "2", "3"}};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 3; ++column) {
            QTableWidgetItem* cell = dialog.lvSummary->item(row, column);
            EXPECT_EQ(cell ? cell->text() : QString(), expected[row][column]) << row << "," << column;
        }
    EXPECT_EQ(dialog.Label1->text(), LangText(msg::RunStopped));
    EXPECT_TRUE(dialog.rbSmartRecovery->isEnabled());
    EXPECT_TRUE(dialog.rbResume->isChecked());
    EXPECT_EQ(dialog.ChosenRunMethod(rmMap), rmResume);
    SaveScreenshot(dialog);

    const std::pair<QRadioButton*, std::uint16_t> clicks[] = {{dialog.rbRestart, msg::RunDescRestart},
                                                              {dialog.rbSmartUpdate, msg::RunDescSmartUpdate},
                                                              {dialog.rbSmartRecovery, msg::RunDescSmartRecovery},
                                                              {dialog.rbResume, msg::RunDescResume}};
    for (const auto& [button, message] : clicks) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
        EXPECT_EQ(dialog.lblDesc->text(), LangText(message)) << button->objectName().toStdString();
    }
}

TEST_F(RunDialog, CompletedTasksAndTasksWithoutErrors) {
    struct Case {
        TCVTaskCounters counters;
        TCVTaskStatus status;
        std::uint16_t situation;
        bool recovery;
    };
    const Case cases[] = {{{4, 4, 0, 0, 4, 4, 100}, tsZipped, msg::RunCompleted, false},
                          {{4, 3, 0, 1, 4, 4, 100}, tsTaskComplete, msg::RunCompletedWithErrors, true}};
    auto task = SavedTask("done");
    for (const Case& c : cases) {
        task->SetCounters(c.counters);
        task->Status = c.status;
        TdlgRunTask dialog(*task);
        dialog.show();
        EXPECT_EQ(dialog.Label1->text(), LangText(c.situation));
        EXPECT_EQ(dialog.rbSmartRecovery->isEnabled(), c.recovery);
        EXPECT_EQ(dialog.lvSummary->item(1, 2)->text(), "0");  // nothing queued, never negative
    }
}

using RunTaskCommand = RunFixture;

TEST_F(RunTaskCommand, ATaskWithoutQueueIsScheduledNowWithoutAsking) {
    auto task = SavedTask("fresh");
    task->Schedule = "Daily at 10:00:00";
    task->NextRun = 80000.5;  // long past, yet a leftover must not hold "Now" back
    task->Save();
    const auto watcher = OnNextDialog([](TdlgRunTask& dialog) {
        ADD_FAILURE() << "no run dialog expected";
        dialog.reject();
    });
    ASSERT_TRUE(RunTask(task));
    auto stored = LoadTask(task->FileName);
    EXPECT_EQ(stored->Status, tsScheduled);
    EXPECT_EQ(stored->Schedule, "Now");
    EXPECT_EQ(stored->NextRun, 0);
    EXPECT_NE(ReadBytes(home_ + "Tasks/ActiveTasks.lst").find(task->FileName), std::string::npos);
}

TEST_F(RunTaskCommand, WithAQueueTheDialogDecidesAndTheTickStartsTheTask) {
    auto task = SavedTask("queued");
    TCVQItem item(task.get());
    item.URL = task->URL;
    item.Type = "HTML";
    task->AddQItem(item);
    task->Status = tsDownloadStopped;
    task->RunMethod = rmRestart;
    ASSERT_TRUE(task->SaveQueue());
    const std::string before = ReadBytes(task->FileName);

    auto cancelled = LoadTask(task->FileName);
    auto watcher = OnNextDialog([](TdlgRunTask& dialog) { QTest::mouseClick(dialog.btnCancel, Qt::LeftButton); });
    EXPECT_FALSE(RunTask(cancelled));
    EXPECT_EQ(ReadBytes(task->FileName), before);

    auto chosen = LoadTask(task->FileName);
    watcher = OnNextDialog([](TdlgRunTask& dialog) {
        QTest::mouseClick(dialog.rbSmartUpdate, Qt::LeftButton, {}, QPoint(8, dialog.rbSmartUpdate->height() / 2));
        QTest::mouseClick(dialog.btnRun, Qt::LeftButton);
    });
    ASSERT_TRUE(RunTask(chosen));
    auto stored = LoadTask(task->FileName);
    EXPECT_EQ(stored->RunMethod, rmSmartUpdate);
    EXPECT_EQ(stored->Status, tsScheduled);
    EXPECT_EQ(stored->Schedule, "Now");

    HeadlessMainLoop loop;
    TRunControlHooks hooks;
    TaskRunner runner(loop, EngineTiming::Shortened(), hooks);
    runner.Start(false);
    runner.ScheduleTick();
    auto current = App->GetCurrentTask();
    ASSERT_TRUE(current);
    EXPECT_EQ(current->FileName, task->FileName);
    EXPECT_TRUE(current->IsRunning());
    runner.Shutdown();
}

}  // namespace
}  // namespace corvane::testing
