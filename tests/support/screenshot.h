#pragma once
// Pictures of windows under test, for a reviewer to open: SaveScreenshot writes
// <build>/screenshots/<objectName><suffix>.png (the folder comes from the build) and returns the
// path written. A widget without an object name, or a picture that cannot be written, fails the test.

#include <QString>
#include <string>

class QWidget;

namespace corvane::testing {

std::string ScreenshotDir();
std::string SaveScreenshot(QWidget& widget, const QString& suffix = {});

}  // namespace corvane::testing
