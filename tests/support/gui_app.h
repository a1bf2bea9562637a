#pragma once
// The application object window tests need, made once. While no test installs scripts of its own,
// every message box and file dialog fails the test instead of waiting for a user who is not there.

class QApplication;

namespace corvane::testing {

QApplication& GuiApp();

}  // namespace corvane::testing
