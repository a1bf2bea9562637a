#pragma once
// Event handlers of the shell controls run the application's code through here: an exception is
// shown as a warning by the shell UI instead of leaving the Qt handler (after the current event
// when deferred, e.g. while painting, so no box opens inside a paint; a deferred failure repeated
// by the same control is shown once).

#include <functional>

class QObject;

namespace corvane::shell {

void RunGuarded(QObject* owner, bool deferWarning, const std::function<void()>& body);

}  // namespace corvane::shell
