// The report window offscreen: it writes the report once shown, opens the summary through the host
// and closes itself; a report that cannot be written is said so and nothing is opened.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

#include "tasks/task_report_dialog.h"
#include "tests/support/gui_app.h"
#include "tests/support/recording_app_host.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/screenshot.h"
#include "tests/tasks/report/report_fixture.h"

namespace corvane::testing {
namespace {

class TaskReportDialogTest : public ReportTest {
protected:
    void SetUp() override {
        GuiApp();
        ReportTest::SetUp();
        task_->IntranetMode = true;
        task_->Destination = folder_;
    }
};

TEST_F(TaskReportDialogTest, WritesTheReportOpensTheSummaryAndCloses) {
    AddPages(25);
    Add("http://www.site.test/i.gif", "Images", isSaved, "Picture");
    WriteBytes(task_->GetQueueFileName(), queue_);
    RecordingAppHost host;
    TdlgTaskReport dialog;
    dialog.Task = task_;
    std::vector<QString> labels;
    bool shot = false;
    QObject::connect(dialog.ProgressBar1, &QProgressBar::valueChanged, &dialog, [&](int value) {
        labels.push_back(dialog.Label1->text());
        if (value == 50 && !shot) {
            shot = true;
            SaveScreenshot(dialog);
            // Escape while it writes does not end the window half-way.
            QTest::keyClick(&dialog, Qt::Key_Escape);
            EXPECT_TRUE(dialog.isVisible());
        }
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);

    EXPECT_TRUE(shot);
    EXPECT_TRUE(dialog.Started);
    EXPECT_EQ(dialog.windowTitle(), "Task Reports");
    EXPECT_EQ(dialog.height(), 80);
    EXPECT_EQ(dialog.SummaryFile, ReportFile("_summary.htm"));
    ASSERT_EQ(host.calls, std::vector<std::string>{"ShowBrowserView(" + dialog.SummaryFile + ")"});
    EXPECT_TRUE(Exists(ReportFile("_summary.htm")));
    EXPECT_TRUE(Exists(ReportFile("_pages_2.htm")));
    EXPECT_TRUE(Exists(ReportFile("_images_1.htm")));
    EXPECT_TRUE(Exists(folder_ + "www.site.test/!images/cvbackground.jpg"));
    ASSERT_FALSE(labels.empty());
    EXPECT_EQ(labels.front(), "Creating Page Index");
    EXPECT_EQ(labels.back(), "Creating Image Index");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TaskReportDialogTest, AFailedWriteIsReportedAndNothingOpened) {
    WriteBytes(folder_ + "www.site.test", "a file where the report folder should be");
    RecordingAppHost host;
    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::OK, "The task report could not be written: ");
    TdlgTaskReport dialog;
    dialog.Task = task_;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace corvane::testing
