#include "widgets/gui_thread.h"

#include <QCoreApplication>
#include <QThread>

namespace corvane {

bool OnGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

}  // namespace corvane
