#include "tests/support/screenshot.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLayout>
#include <QPixmap>
#include <QWidget>

namespace corvane::testing {

std::string ScreenshotDir() { return CORVANE_SCREENSHOT_DIR; }

std::string SaveScreenshot(QWidget& widget, const QString& suffix) {
    const QString name = widget.objectName() + suffix;
    if (widget.objectName().isEmpty() || name.contains('/')) {
        ADD_FAILURE() << "SaveScreenshot needs a widget with a plain object name";
        return {};
    }
    // A widget never shown still has to be laid out before it can be drawn.
    widget.ensurePolished();
    if (QLayout* layout = widget.layout(); layout != nullptr) layout->activate();
    if (widget.size().isEmpty()) widget.adjustSize();
    QApplication::processEvents();

    QDir().mkpath(QString::fromStdString(ScreenshotDir()));
    const QString path = QString::fromStdString(ScreenshotDir()) + '/' + name + ".png";
    if (!widget.grab().save(path, "PNG")) {
        ADD_FAILURE() << "Cannot write " << path.toStdString();
        return {};
    }
    return path.toStdString();
}

}  // namespace corvane::testing
