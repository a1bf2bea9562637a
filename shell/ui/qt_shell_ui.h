#pragma once
// The shell's dialogs in the program: questions and warnings go through the message box seam (so
// tests script them like every box), the progress is a modal QProgressDialog "ShellProgressDlg"
// shown once an operation has taken longer than ShellTiming's delay, never while a question is up.
// Main thread only.

#include <QElapsedTimer>
#include <QPointer>
#include <functional>

#include "shell/ns/shell_ui.h"
#include "shell/ui/shell_timing.h"

class QProgressDialog;

namespace corvane::shell {

class TQtShellUi : public TShellUi {
public:
    explicit TQtShellUi(ShellTiming timing = {});
    ~TQtShellUi() override;
    TQtShellUi(const TQtShellUi&) = delete;
    TQtShellUi& operator=(const TQtShellUi&) = delete;

    ShellAnswer Confirm(QObject* parent, const std::string& title, const std::string& text,
                        ShellButtons buttons) override;
    void Warn(QObject* parent, const std::string& text) override;
    void ProgressBegin(QObject* parent, const std::string& title, std::size_t total, bool simple) override;
    void ProgressStep(std::size_t done, const std::string& item) override;
    bool ProgressCancelled() override;
    void ProgressEnd() override;
    // A QMenu "ShellDropMenu" at the drop point: "Copy Here", "Move Here", "Link Here", "Cancel".
    std::uint32_t ChooseDropEffect(QObject* parent, int x, int y, std::uint32_t allowed,
                                   std::uint32_t preferred) override;

    // The progress window while an operation runs, else null.
    QProgressDialog* ProgressDialog() const { return progress_.data(); }
    // Called after each step has been shown (tests press buttons from here).
    std::function<void(std::size_t done)> OnProgressStep;

private:
    void ShowProgressWhenDue();

    ShellTiming timing_;
    QPointer<QProgressDialog> progress_;
    QElapsedTimer clock_;  // since the progress began, less the time spent answering
    bool simple_ = false;
};

}  // namespace corvane::shell
