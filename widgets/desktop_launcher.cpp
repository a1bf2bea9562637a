#include "widgets/desktop_launcher.h"

#include <QDesktopServices>
#include <QUrl>

namespace corvane {

bool DesktopLauncher::Open(const LaunchTarget& target) {
    const QString location = QString::fromStdString(target.location);
    const QUrl url = target.kind == LaunchTarget::Kind::WebAddress ? QUrl(location, QUrl::StrictMode)
                                                                   : QUrl::fromLocalFile(location);
    return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace corvane
