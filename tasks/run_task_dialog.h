#pragma once
// The run dialog: how a task that has a queue continues (restart, resume, update or recover), with
// its counters. The caller reads the run method after an OK close.

#include <QDialog>
#include <array>

#include "engine/model/task.h"

class QAction;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace corvane {

class TKMLang;

// The summary table's cells by row (Downloaded, Queued, New/Modified, Errors) and column (pages,
// media, total). The saved counts already leave out the failed items, so nothing is subtracted from
// them; what is queued is what is neither saved nor failed.
using TRunSummary = std::array<std::array<QString, 3>, 4>;
TRunSummary RunSummary(const TCVTaskCounters& counters);

class TdlgRunTask : public QDialog {
    Q_OBJECT
public:
    TdlgRunTask(const TCVTask& task, QWidget* parent = nullptr);

    // The method of the checked button (Resume, SmartUpdate, SmartRecovery, Restart, tested in that
    // order); `current` when none is checked.
    TCVRunMethod ChosenRunMethod(TCVRunMethod current) const;

    QTableWidget* lvSummary;
    QRadioButton* rbRestart;
    QRadioButton* rbResume;
    QRadioButton* rbSmartUpdate;
    QRadioButton* rbSmartRecovery;
    QLabel* lblDesc;
    QLabel* Label1;
    QPushButton* btnRun;
    QPushButton* btnCancel;
    QAction* actShowDescription;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void actShowDescriptionExecute();

    std::string name_;
    TCVTaskStatus status_;
    TCVTaskCounters counters_;
    TKMLang* translator_;
};

}  // namespace corvane
