#pragma once
// "Task Reports": a small progress window that writes a task's report pages once it is first shown,
// opens the summary in the browser view and closes itself with OK.

#include <QDialog>
#include <memory>
#include <string>

class QLabel;
class QProgressBar;

namespace corvane {

class TCVTask;
class TKMLang;

class TdlgTaskReport : public QDialog {
    Q_OBJECT
public:
    explicit TdlgTaskReport(QWidget* parent = nullptr);

    // Set by the caller before the window is shown.
    std::shared_ptr<TCVTask> Task;
    // The folder the task's files lie in; '' means the task's own folder. A zip-mode task's caller
    // gives the folder its archive was extracted into.
    std::string CaptureFolder;

    std::string SummaryFile;  // set while the summary is written
    bool Started = false;

    QLabel* Label1;
    QProgressBar* ProgressBar1;
    TKMLang* Translator;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Run();
    bool running_ = false;
};

}  // namespace corvane
