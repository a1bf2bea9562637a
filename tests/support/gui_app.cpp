#include "tests/support/gui_app.h"

#include <QApplication>
#include <QInputDevice>

#include "tests/support/scripted_dialogs.h"

namespace corvane::testing {

QApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "corvane-tests";
    static char* argv[] = {name, nullptr};
    // Qt's list of input devices must outlive the application: made after it (by the first QTest
    // mouse event), it is gone when the application deletes its devices at exit, which then crashes.
    (void)QInputDevice::devices();
    static QApplication app(argc, argv);
    // Never removed: scripts installed later restore it when they go.
    static ScriptedMessageBoxes* strict_boxes = new ScriptedMessageBoxes;
    static ScriptedFileDialogs* strict_dialogs = new ScriptedFileDialogs;
    (void)strict_boxes;
    (void)strict_dialogs;
    return app;
}

}  // namespace corvane::testing
