#pragma once
// The shell's own dialogs: the questions and warnings a file operation asks and its progress. The
// program installs a window-backed one; with none installed every question is answered Cancel and
// logged, so nothing is ever done on an answer nobody gave.

#include <cstddef>
#include <cstdint>
#include <string>

class QObject;

namespace corvane::shell {

enum class ShellAnswer : unsigned { None = 0, Yes = 1, No = 2, Cancel = 4, YesToAll = 8, OK = 16 };
using ShellButtons = unsigned;
constexpr ShellButtons operator|(ShellAnswer a, ShellAnswer b) {
    return static_cast<unsigned>(a) | static_cast<unsigned>(b);
}
constexpr ShellButtons operator|(ShellButtons a, ShellAnswer b) { return a | static_cast<unsigned>(b); }

class TShellUi {
public:
    virtual ~TShellUi() = default;

    // parent: the owner of the operation (may be null).
    virtual ShellAnswer Confirm(QObject* parent, const std::string& title, const std::string& text,
                                ShellButtons buttons) = 0;
    virtual void Warn(QObject* parent, const std::string& text) = 0;

    // Progress over total items; simple: no item names shown. Step reports the items done so far
    // and the one at hand; Cancelled says whether the user asked to stop.
    virtual void ProgressBegin(QObject* parent, const std::string& title, std::size_t total, bool simple) = 0;
    virtual void ProgressStep(std::size_t done, const std::string& item) = 0;
    virtual bool ProgressCancelled() = 0;
    virtual void ProgressEnd() = 0;

    // A drop made with the right button: the user picks copy, move or link (DROPEFFECT_ bits) among
    // `allowed`, `preferred` first; 0 for Cancel. (x, y): where it was dropped, on the screen.
    virtual std::uint32_t ChooseDropEffect(QObject* parent, int x, int y, std::uint32_t allowed,
                                           std::uint32_t preferred);
};

// The installed UI (never null: without one, the logging one that answers Cancel).
TShellUi& ShellUi();
// Installs ui (null: back to none) and returns the previous one, null if none was installed.
// The caller keeps ownership.
TShellUi* SetShellUi(TShellUi* ui);

}  // namespace corvane::shell
