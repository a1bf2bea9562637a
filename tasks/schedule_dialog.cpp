#include "tasks/schedule_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "engine/model/schedule_rules.h"
#include "localisation/app_language.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "localisation/message_ids.h"
#include "widgets/message_box.h"

namespace corvane {

namespace {

[[maybe_unused]] const bool kRegistered =
    RegisterCaptureForm("dlgSchedule", [] { return std::unique_ptr<QObject>(new TdlgSchedule); });

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QTimeEdit* TimePicker(QWidget* parent, const char* name) {
    auto* picker = Named(new QTimeEdit(parent), name);
    picker->setDisplayFormat("HH:mm:ss");
    return picker;
}

QTime ToQTime(TDateTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    return QTime(p.hour, p.minute, p.second);
}

}  // namespace

TDateTime DateOfPicker(const QDateEdit* picker) {
    const QDate d = picker->date();
    return EncodeDate(d.year(), d.month(), d.day());
}

TDateTime TimeOfPicker(const QTimeEdit* picker) {
    const QTime t = picker->time();
    return EncodeTime(t.hour(), t.minute(), t.second());
}

TdlgSchedule::TdlgSchedule(QWidget* parent, std::function<TDateTime()> clock)
    : QDialog(parent), clock_(clock ? std::move(clock) : std::function<TDateTime()>(&Now)) {
    BuildForm();
    connect(rbAt, &QRadioButton::clicked, this, &TdlgSchedule::AtChange);
    connect(dtAtDate, &QDateEdit::dateChanged, this, &TdlgSchedule::AtChange);
    connect(dtAtTime, &QTimeEdit::timeChanged, this, &TdlgSchedule::AtChange);
    connect(rbEvery, &QRadioButton::clicked, this, &TdlgSchedule::EveryChange);
    connect(edHours, &QSpinBox::valueChanged, this, &TdlgSchedule::EveryChange);
    connect(edMins, &QSpinBox::valueChanged, this, &TdlgSchedule::EveryChange);
    connect(rbDaily, &QRadioButton::clicked, this, &TdlgSchedule::DailyChange);
    connect(dtDailyAt, &QTimeEdit::timeChanged, this, &TdlgSchedule::DailyChange);
    connect(rbWeekly, &QRadioButton::clicked, this, &TdlgSchedule::WeeklyChange);
    connect(dtWeeklyAt, &QTimeEdit::timeChanged, this, &TdlgSchedule::WeeklyChange);
    for (QCheckBox* day : {cbMon, cbTue, cbWed, cbThu, cbFri, cbSat, cbSun})
        connect(day, &QCheckBox::clicked, this, &TdlgSchedule::WeeklyChange);
    connect(btnOK, &QPushButton::clicked, this, &TdlgSchedule::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TdlgSchedule::reject);
    lang_ = new TKMLang(this);
    lang_->Loaded();
}

void TdlgSchedule::BuildForm() {
    setObjectName("dlgSchedule");
    setWindowTitle("Schedule Task");

    auto* once = Named(new QGroupBox("Schedule (Once-off): ", this), "gbOnce");
    auto* onceRow = new QHBoxLayout(once);
    rbAt = Named(new QRadioButton("At", once), "rbAt");
    dtAtDate = Named(new QDateEdit(once), "dtAtDate");
    dtAtDate->setCalendarPopup(true);
    dtAtDate->setDisplayFormat("MM/d/yy");
    dtAtTime = TimePicker(once, "dtAtTime");
    onceRow->addWidget(rbAt);
    onceRow->addWidget(dtAtDate);
    onceRow->addWidget(dtAtTime);
    onceRow->addStretch(1);

    auto* recurring = Named(new QGroupBox("Schedule (recurring): ", this), "gbRecurring");
    auto* grid = new QGridLayout(recurring);
    rbEvery = Named(new QRadioButton("Every", recurring), "rbEvery");
    edHours = Named(new QSpinBox(recurring), "edHours");
    edHours->setRange(0, 23);
    edMins = Named(new QSpinBox(recurring), "edMins");
    edMins->setRange(0, 59);
    auto* everyRow = new QHBoxLayout;
    everyRow->addWidget(edHours);
    everyRow->addWidget(Named(new QLabel("Hours", recurring), "lblHours"));
    everyRow->addWidget(edMins);
    everyRow->addWidget(Named(new QLabel("Minutes", recurring), "lblMinutes"));
    everyRow->addStretch(1);
    grid->addWidget(rbEvery, 0, 0);
    grid->addLayout(everyRow, 0, 1);

    rbDaily = Named(new QRadioButton("Daily at", recurring), "rbDaily");
    dtDailyAt = TimePicker(recurring, "dtDailyAt");
    grid->addWidget(rbDaily, 1, 0);
    grid->addWidget(dtDailyAt, 1, 1, Qt::AlignLeft);

    rbWeekly = Named(new QRadioButton("Weekly at", recurring), "rbWeekly");
    dtWeeklyAt = TimePicker(recurring, "dtWeeklyAt");
    auto* weekRow = new QHBoxLayout;
    weekRow->addWidget(dtWeeklyAt);
    weekRow->addWidget(Named(new QLabel("on", recurring), "lblOn"));
    QCheckBox** days[] = {&cbMon, &cbTue, &cbWed, &cbThu, &cbFri, &cbSat, &cbSun};
    const char* names[][2] = {{"cbMon", "Mon"}, {"cbTue", "Tue"}, {"cbWed", "Wed"}, {"cbThu", "Thu"},
                              {"cbFri", "Fri"}, {"cbSat", "Sat"}, {"cbSun", "Sun"}};
    for (int i = 0; i < 7; ++i) {
        *days[i] = Named(new QCheckBox(names[i][1], recurring), names[i][0]);
        weekRow->addWidget(*days[i]);
    }
    weekRow->addStretch(1);
    grid->addWidget(rbWeekly, 2, 0);
    grid->addLayout(weekRow, 2, 1);
    grid->setColumnStretch(1, 1);

    // The four rules sit in two frames but are one choice.
    auto* rules = new QButtonGroup(this);
    for (QRadioButton* radio : {rbAt, rbEvery, rbDaily, rbWeekly}) rules->addButton(radio);
    rbAt->setChecked(true);

    lblSchedule = Named(new QLabel("Schedule:", this), "lblSchedule");
    lblNextRun = Named(new QLabel("Next Run:", this), "lblNextRun");
    for (QLabel* label : {lblSchedule, lblNextRun}) label->setStyleSheet("color: blue;");

    btnOK = Named(new QPushButton("&OK", this), "btnOK");
    btnOK->setDefault(true);
    btnCancel = Named(new QPushButton("&Cancel", this), "btnCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(once);
    layout->addWidget(recurring);
    layout->addWidget(lblSchedule);
    layout->addWidget(lblNextRun);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TdlgSchedule::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TdlgSchedule::FormShow() {
    const TDateTime now = clock_();
    const DateTimeParts p = DecodeDateTime(now);
    {
        // Filling the pickers is not the user choosing the once-off rule.
        const QSignalBlocker blockDate(dtAtDate), blockTime(dtAtTime);
        dtAtDate->setDate(QDate(p.year, p.month, p.day));
        dtAtTime->setTime(ToQTime(now));
    }
    UpdateSchedule();
}

void TdlgSchedule::AtChange() {
    rbAt->setChecked(true);
    UpdateSchedule();
}

void TdlgSchedule::EveryChange() {
    rbEvery->setChecked(true);
    UpdateSchedule();
}

void TdlgSchedule::DailyChange() {
    rbDaily->setChecked(true);
    UpdateSchedule();
}

void TdlgSchedule::WeeklyChange() {
    rbWeekly->setChecked(true);
    UpdateSchedule();
}

void TdlgSchedule::UpdateSchedule() {
    ScheduleChoice choice;
    if (rbAt->isChecked()) {
        choice = ScheduleOnce(DateOfPicker(dtAtDate), TimeOfPicker(dtAtTime));
    } else if (rbEvery->isChecked()) {
        choice = ScheduleEvery(edHours->value(), edMins->value(), clock_());
    } else if (rbDaily->isChecked()) {
        choice = ScheduleDaily(TimeOfPicker(dtDailyAt), clock_());
    } else if (rbWeekly->isChecked()) {
        const WeekDaysMonFirst days = {cbMon->isChecked(), cbTue->isChecked(), cbWed->isChecked(), cbThu->isChecked(),
                                       cbFri->isChecked(), cbSat->isChecked(), cbSun->isChecked()};
        choice = ScheduleWeekly(days, TimeOfPicker(dtWeeklyAt), clock_());
    } else {
        return;
    }
    Schedule = choice.Schedule;
    Days = choice.Days;
    lblSchedule->setText(QString::fromStdString(choice.ScheduleLabel));
    // A weekly rule without a day names no run: the last one shown stays.
    if (choice.NextRun) {
        NextRun = *choice.NextRun;
        lblNextRun->setText(QString::fromStdString(choice.NextRunLabel));
    }
}

void TdlgSchedule::btnOKClick() {
    if (rbWeekly->isChecked() && Days.empty()) {
        ShowWarning(this, QString::fromStdString(AppLanguage().GetLangStr(msg::WeeklyNeedsDay)));
        return;
    }
    accept();
}

}  // namespace corvane
