#include "tests/support/gui_app.h"

#include <QApplication>
#include <QIcon>
#include <QInputDevice>
#include <QOpenGLContext>
#include <cstdlib>

#include "tests/support/qt_pool_threads.h"
#include "tests/support/scripted_dialogs.h"

namespace corvane::testing {

QApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "corvane-tests";
    static char* argv[] = {name, nullptr};
    // Qt's input-device registry is a static made with the first mouse or key event. Made after the
    // application, it would be gone before the application is destroyed at exit, and the devices the
    // application owns would unregister from freed memory; made first, it outlives the application.
    static const bool device_registry_made = (QInputDevice::devices(), true);
    (void)device_registry_made;
    // The same for the theme icon cache, which the application's clean-up empties.
    static const bool icon_cache_made = (QIcon::fromTheme(QStringLiteral("corvane-no-icon")), true);
    (void)icon_cache_made;
    // On a real X display, the store of current GL contexts too: a drag's window goes with the
    // application and reads it then. Offscreen it is left alone, where making it early changes the
    // order of Qt's exit clean-up and leaves the font engines behind.
    static const bool context_store_made =
        (qEnvironmentVariableIsSet("CORVANE_REAL_DISPLAY") && (QOpenGLContext::currentContext(), true));
    (void)context_store_made;
    // Registered before the application, so it runs after the application's destructor: the
    // process leaves only once Qt's pool workers, stopped by that destructor, are gone.
    static const bool pool_wait_registered = (std::atexit(WaitForQtPoolThreadsToEnd), true);
    (void)pool_wait_registered;
    static QApplication app(argc, argv);
    // Never removed: scripts installed later restore it when they go.
    static ScriptedMessageBoxes* strict_boxes = new ScriptedMessageBoxes;
    static ScriptedFileDialogs* strict_dialogs = new ScriptedFileDialogs;
    (void)strict_boxes;
    (void)strict_dialogs;
    return app;
}

}  // namespace corvane::testing
