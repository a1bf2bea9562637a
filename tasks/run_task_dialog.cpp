#include "tasks/run_task_dialog.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "localisation/message_ids.h"
#include "tasks/lang_text.h"

namespace corvane {

namespace {

QString Count(std::int64_t value) { return QString::number(std::max<std::int64_t>(value, 0)); }

}  // namespace

TRunSummary RunSummary(const TCVTaskCounters& c) {
    const std::int64_t queued_pages = std::int64_t(c.TotalPages) - c.PagesSaved - c.PageErrors;
    const std::int64_t queued_media = std::int64_t(c.TotalResources) - c.ResourcesSaved - c.ResourceErrors;
    auto row = [](std::int64_t pages, std::int64_t media) {
        pages = std::max<std::int64_t>(pages, 0);
        media = std::max<std::int64_t>(media, 0);
        return std::array<QString, 3>{Count(pages), Count(media), Count(pages + media)};
    };
    return {row(c.PagesSaved, c.ResourcesSaved), row(queued_pages, queued_media), std::array<QString, 3>{},
            row(c.PageErrors, c.ResourceErrors)};
}

TdlgRunTask::TdlgRunTask(const TCVTask& task, QWidget* parent)
    : QDialog(parent), name_(task.Name), status_(task.Status), counters_(task.Counters()) {
    setObjectName("dlgRunTask");
    setWindowTitle("Run Task");

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);

    lvSummary = new QTableWidget(4, 3, this);
    lvSummary->setObjectName("lvSummary");
    lvSummary->setHorizontalHeaderLabels({"Pages", "Media", "Total"});
    lvSummary->setVerticalHeaderLabels({LangText(msg::RunRowDownloaded), LangText(msg::RunRowQueued),
                                        LangText(msg::RunRowNewModified), LangText(msg::RunRowErrors)});
    lvSummary->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvSummary->setSelectionMode(QAbstractItemView::NoSelection);
    lvSummary->setFocusPolicy(Qt::NoFocus);
    lvSummary->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    lvSummary->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lvSummary->verticalHeader()->setDefaultSectionSize(lvSummary->fontMetrics().height() + 8);
    lvSummary->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lvSummary->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* methods = new QGroupBox(this);
    auto* method_layout = new QVBoxLayout(methods);
    rbRestart = new QRadioButton("Restart", methods);
    rbRestart->setObjectName("rbRestart");
    rbResume = new QRadioButton("Resume", methods);
    rbResume->setObjectName("rbResume");
    rbResume->setChecked(true);
    rbSmartUpdate = new QRadioButton("SmartUpdate", methods);
    rbSmartUpdate->setObjectName("rbSmartUpdate");
    rbSmartRecovery = new QRadioButton("SmartRecovery", methods);
    rbSmartRecovery->setObjectName("rbSmartRecovery");

    actShowDescription = new QAction(this);
    actShowDescription->setObjectName("actShowDescription");
    connect(actShowDescription, &QAction::triggered, this, [this] { actShowDescriptionExecute(); });
    for (QRadioButton* button : {rbRestart, rbResume, rbSmartUpdate, rbSmartRecovery}) {
        method_layout->addWidget(button);
        connect(button, &QRadioButton::clicked, actShowDescription, &QAction::trigger);
    }

    lblDesc = new QLabel(this);
    lblDesc->setObjectName("lblDesc");
    lblDesc->setWordWrap(true);
    lblDesc->setMinimumHeight(lblDesc->fontMetrics().lineSpacing() * 3);
    lblDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    btnRun = new QPushButton("&Run", this);
    btnRun->setObjectName("btnRun");
    btnRun->setDefault(true);
    btnCancel = new QPushButton("&Cancel", this);
    btnCancel->setObjectName("btnCancel");
    connect(btnRun, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* middle = new QHBoxLayout;
    middle->addWidget(methods);
    middle->addWidget(lblDesc, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnRun);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(lvSummary);
    layout->addLayout(middle);
    layout->addLayout(buttons);

    const int rows_height = lvSummary->horizontalHeader()->sizeHint().height() +
                            4 * lvSummary->verticalHeader()->defaultSectionSize() + 2 * lvSummary->frameWidth();
    lvSummary->setFixedHeight(rows_height);
    resize(460, sizeHint().height());

    translator_ = new TKMLang(this);
    translator_->Loaded();
}

TCVRunMethod TdlgRunTask::ChosenRunMethod(TCVRunMethod current) const {
    if (rbResume->isChecked()) return rmResume;
    if (rbSmartUpdate->isChecked()) return rmSmartUpdate;
    if (rbSmartRecovery->isChecked()) return rmSmartRecovery;
    if (rbRestart->isChecked()) return rmRestart;
    return current;
}

void TdlgRunTask::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TdlgRunTask::FormShow() {
    for (QRadioButton* button : {rbRestart, rbResume, rbSmartUpdate, rbSmartRecovery}) button->setEnabled(true);
    const TRunSummary cells = RunSummary(counters_);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(cells[row][column]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            lvSummary->setItem(row, column, item);
        }
    setWindowTitle(LangText(msg::RunTaskCaption) + QString::fromStdString(name_) + ")");
    const bool has_errors = std::int64_t(counters_.PageErrors) + counters_.ResourceErrors >= 1;
    rbSmartRecovery->setEnabled(has_errors);
    if (status_ != tsZipped && status_ != tsTaskComplete)
        Label1->setText(LangText(msg::RunStopped));
    else
        Label1->setText(LangText(has_errors ? msg::RunCompletedWithErrors : msg::RunCompleted));
    actShowDescriptionExecute();
}

void TdlgRunTask::actShowDescriptionExecute() {
    if (rbRestart->isChecked())
        lblDesc->setText(LangText(msg::RunDescRestart));
    else if (rbResume->isChecked())
        lblDesc->setText(LangText(msg::RunDescResume));
    else if (rbSmartUpdate->isChecked())
        lblDesc->setText(LangText(msg::RunDescSmartUpdate));
    else if (rbSmartRecovery->isChecked())
        lblDesc->setText(LangText(msg::RunDescSmartRecovery));
}

static const bool registered = RegisterCaptureForm("dlgRunTask", [] {
    TCVTask task;
    return std::unique_ptr<QObject>(new TdlgRunTask(task));
});

}  // namespace corvane
