#include "tests/support/gui_app.h"

#include <QApplication>

#include "tests/support/scripted_dialogs.h"

namespace corvane::testing {

QApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "corvane-tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's input-device registry is a static made after the application (with the
    // first mouse or key event), so it is gone before an application destroyed at exit, whose
    // devices then unregister from freed memory.
    static QApplication& app = *new QApplication(argc, argv);
    // Never removed: scripts installed later restore it when they go.
    static ScriptedMessageBoxes* strict_boxes = new ScriptedMessageBoxes;
    static ScriptedFileDialogs* strict_dialogs = new ScriptedFileDialogs;
    (void)strict_boxes;
    (void)strict_dialogs;
    return app;
}

}  // namespace corvane::testing
