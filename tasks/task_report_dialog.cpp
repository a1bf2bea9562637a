#include "tasks/task_report_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/model/task.h"
#include "localisation/form_capture.h"
#include "localisation/kmlang.h"
#include "localisation/message_ids.h"
#include "tasks/report/task_report.h"
#include "widgets/app_host.h"
#include "widgets/message_box.h"

namespace corvane {
namespace {

const bool kRegistered = RegisterCaptureForm("dlgTaskReport", [] {
    return std::unique_ptr<QObject>(new TdlgTaskReport);
});

// Restores the cursor however the run ends.
struct OverrideCursor {
    explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
    void Change(Qt::CursorShape shape) { QApplication::changeOverrideCursor(shape); }
};

}  // namespace

TdlgTaskReport::TdlgTaskReport(QWidget* parent) : QDialog(parent) {
    (void)kRegistered;
    setObjectName("dlgTaskReport");
    setWindowTitle("Task Reports");
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
    resize(360, 80);
    Translator = new TKMLang(this);
    Translator->Loaded();
}

void TdlgTaskReport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Only the label and the bar show.
    setFixedHeight(80);
    if (Started) return;
    Started = true;
    // After the window has painted once.
    QTimer::singleShot(0, this, [this] { Run(); });
}

void TdlgTaskReport::closeEvent(QCloseEvent* event) {
    // The run lets events through while it writes; closing under it would end the window mid-way.
    if (running_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void TdlgTaskReport::reject() {
    if (!running_) QDialog::reject();
}

void TdlgTaskReport::Run() {
    if (!Task) {
        done(Rejected);
        return;
    }
    running_ = true;
    bool written = false;
    std::string error;
    {
        OverrideCursor cursor(Qt::WaitCursor);
        try {
            TTaskReport report(*Task, CaptureFolder.empty() ? Task->GetFolder() : CaptureFolder);
            report.OnProgress = [this](const std::string& step, int percent) {
                if (!step.empty()) Label1->setText(QString::fromStdString(step));
                if (percent >= 0) ProgressBar1->setValue(percent);
                QApplication::processEvents();
            };
            SummaryFile = report.SummaryFile();
            report.CreateSummary(AppLanguage().GetLangStr(msg::ReportCreating));
            report.CreatePageIndex();
            report.CreateImageIndex();
            written = true;
        } catch (const std::exception& e) {
            error = e.what();
        }
        if (written) {
            cursor.Change(Qt::BusyCursor);
            QApplication::processEvents();
            AppHostInstance().ShowBrowserView(SummaryFile);
        }
    }
    running_ = false;
    // A report that could not be written is said so, never shown half-made as if it were done.
    if (!written) ShowError(this, QString::fromStdString(AppLanguage().GetLangStr(msg::ReportWriteFailed) + error));
    done(written ? Accepted : Rejected);
}

}  // namespace corvane
