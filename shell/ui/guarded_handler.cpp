#include "shell/ui/guarded_handler.h"

#include <QPointer>
#include <QTimer>
#include <exception>
#include <string>

#include "shell/ns/com.h"
#include "shell/ns/shell_ui.h"

namespace corvane::shell {

void RunGuarded(QObject* owner, bool deferWarning, const std::function<void()>& body) {
    std::string message;
    try {
        body();
        return;
    } catch (const std::exception& error) {
        message = error.what();
    } catch (...) {
        message = SystemMessage(E_FAIL);
    }
    if (!deferWarning) {
        ShellUi().Warn(owner, message);
        return;
    }
    // A paint handler that fails fails at every repaint, and closing the box repaints: the same
    // failure of the same control is shown once.
    static QPointer<QObject> lastOwner;
    static std::string lastMessage;
    if (lastOwner == owner && lastMessage == message) return;
    lastOwner = owner;
    lastMessage = message;
    QPointer<QObject> guard(owner);
    QTimer::singleShot(0, [guard, message] { ShellUi().Warn(guard.data(), message); });
}

}  // namespace corvane::shell
