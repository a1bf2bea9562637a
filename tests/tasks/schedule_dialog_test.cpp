#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

#include "localisation/app_language.h"
#include "localisation/message_ids.h"
#include "tasks/schedule_dialog.h"
#include "tests/support/gui_app.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/screenshot.h"
#include "tests/tasks/profile_window_support.h"

namespace corvane {
namespace {

using testing::ClickBox;
using testing::ScriptedMessageBoxes;

// Wednesday 4 March 2026, 10:30:00.
const TDateTime kNow = EncodeDate(2026, 3, 4) + EncodeTime(10, 30, 0);

class ScheduleDialog : public ::testing::Test {
protected:
    void SetUp() override {
        testing::GuiApp();
        dialog_ = std::make_unique<TdlgSchedule>(nullptr, [] { return kNow; });
        dialog_->show();
    }
    static void TypeInto(QSpinBox* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }
    std::unique_ptr<TdlgSchedule> dialog_;
};

TEST_F(ScheduleDialog, OnceOffThenTouchingMinutesChoosesEvery) {
    TdlgSchedule& d = *dialog_;
    EXPECT_EQ(d.windowTitle(), "Schedule Task");
    EXPECT_EQ(d.dtAtDate->date(), QDate(2026, 3, 4));
    EXPECT_TRUE(d.rbAt->isChecked());
    EXPECT_EQ(d.Schedule, "Once at 03/4/26  10:30:00");
    EXPECT_EQ(d.lblSchedule->text(), " Run once at 03/4/26  10:30:00");
    EXPECT_EQ(d.lblNextRun->text(), " Next Run: 03/4/26  10:30:00");
    EXPECT_DOUBLE_EQ(d.NextRun, kNow);
    testing::SaveScreenshot(d);

    TypeInto(d.edMins, "45");
    EXPECT_TRUE(d.rbEvery->isChecked());
    EXPECT_EQ(d.Schedule, "Every 0 hours, 45 mins");
    EXPECT_EQ(d.lblNextRun->text(), " Next Run: 03/4/26  11:15:00");
    // The hours box takes no more than 23, whatever is typed.
    TypeInto(d.edHours, "30");
    EXPECT_LE(d.edHours->value(), 23);
    EXPECT_EQ(d.Schedule, "Every " + std::to_string(d.edHours->value()) + " hours, 45 mins");
}

TEST_F(ScheduleDialog, DailyAtTheClockTimeIsTodayAndASecondEarlierTomorrow) {
    TdlgSchedule& d = *dialog_;
    d.dtDailyAt->setTime(QTime(10, 30, 0));
    EXPECT_TRUE(d.rbDaily->isChecked());
    EXPECT_EQ(d.Schedule, "Daily at 10:30:00");
    EXPECT_EQ(d.lblSchedule->text(), " Run daily at 10:30:00");
    EXPECT_DOUBLE_EQ(d.NextRun, kNow);
    d.dtDailyAt->setTime(QTime(10, 29, 59));
    EXPECT_EQ(d.lblNextRun->text(), " Next Run: 03/5/26  10:29:59");
}

TEST_F(ScheduleDialog, WeeklyNeedsADayBeforeOK) {
    TdlgSchedule& d = *dialog_;
    ClickBox(d.rbWeekly);
    const TDateTime shown = d.NextRun;
    EXPECT_EQ(d.Days, "");
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::OK, QString::fromStdString(AppLanguage().GetLangStr(msg::WeeklyNeedsDay)));
        QTest::mouseClick(d.btnOK, Qt::LeftButton);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].kind, MsgKind::Warning);
    }
    EXPECT_TRUE(d.isVisible());
    EXPECT_DOUBLE_EQ(d.NextRun, shown);  // no day, no next run worked out

    d.dtWeeklyAt->setTime(QTime(9, 0, 0));  // already passed today
    ClickBox(d.cbWed);
    ClickBox(d.cbFri);
    EXPECT_EQ(d.Days, "Wed, Fri");
    EXPECT_EQ(d.Schedule, "Weekly every Wed, Fri at 09:00:00");
    EXPECT_EQ(d.lblNextRun->text(), " Next Run: 03/6/26  09:00:00");
    QTest::mouseClick(d.btnOK, Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace corvane
