#pragma once
// The schedule dialog: a once-off date and time, or a recurring rule (every so many hours and minutes,
// daily, weekly on chosen days). The caller reads Schedule and NextRun after OK.

#include <QDialog>
#include <functional>
#include <string>

#include "platform/rtl/date_time.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimeEdit;

namespace corvane {

class TKMLang;

class TdlgSchedule : public QDialog {
    Q_OBJECT
public:
    // The clock gives "now" for the pickers' start values and the next-run arithmetic.
    explicit TdlgSchedule(QWidget* parent = nullptr, std::function<TDateTime()> clock = {});

    std::string Schedule;
    std::string Days;
    TDateTime NextRun = 0;

    QRadioButton* rbAt;
    QDateEdit* dtAtDate;
    QTimeEdit* dtAtTime;
    QRadioButton* rbEvery;
    QSpinBox* edHours;
    QSpinBox* edMins;
    QRadioButton* rbDaily;
    QTimeEdit* dtDailyAt;
    QRadioButton* rbWeekly;
    QTimeEdit* dtWeeklyAt;
    QCheckBox* cbMon;
    QCheckBox* cbTue;
    QCheckBox* cbWed;
    QCheckBox* cbThu;
    QCheckBox* cbFri;
    QCheckBox* cbSat;
    QCheckBox* cbSun;
    QLabel* lblSchedule;
    QLabel* lblNextRun;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    void UpdateSchedule();

public slots:
    void AtChange();
    void EveryChange();
    void DailyChange();
    void WeeklyChange();
    void btnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildForm();
    void FormShow();

    std::function<TDateTime()> clock_;
    TKMLang* lang_;
};

// Conversions between the pickers' values and TDateTime.
TDateTime DateOfPicker(const QDateEdit* picker);
TDateTime TimeOfPicker(const QTimeEdit* picker);

}  // namespace corvane
