#include "shell/ns/shell_ui.h"

#include <atomic>

#include "platform/rtl/log.h"

namespace corvane::shell {

namespace {

// Without windows nobody can answer: every question is Cancel, every warning goes to the log.
class HeadlessShellUi final : public TShellUi {
public:
    ShellAnswer Confirm(QObject*, const std::string& title, const std::string& text, ShellButtons) override {
        LogWarning("Shell question with no UI installed, answered Cancel: " + title + ": " + text);
        return ShellAnswer::Cancel;
    }
    void Warn(QObject*, const std::string& text) override { LogWarning("Shell warning: " + text); }
    void ProgressBegin(QObject*, const std::string&, std::size_t, bool) override {}
    void ProgressStep(std::size_t, const std::string&) override {}
    bool ProgressCancelled() override { return false; }
    void ProgressEnd() override {}
};

HeadlessShellUi headless;
std::atomic<TShellUi*> installed{nullptr};

}  // namespace

std::uint32_t TShellUi::ChooseDropEffect(QObject*, int, int, std::uint32_t, std::uint32_t) {
    LogWarning("Shell drop menu with no UI installed, answered Cancel");
    return 0;
}

TShellUi& ShellUi() {
    TShellUi* ui = installed.load();
    return ui != nullptr ? *ui : headless;
}

TShellUi* SetShellUi(TShellUi* ui) { return installed.exchange(ui); }

}  // namespace corvane::shell
