#include "widgets/tray_backend.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace corvane {

QtTrayBackend::QtTrayBackend() : icon_(std::make_unique<QSystemTrayIcon>()) {
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated, icon_.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         switch (reason) {
                         case QSystemTrayIcon::Trigger:
                             if (OnPress) OnPress(TrayButton::Left);
                             break;
                         case QSystemTrayIcon::Context:
                             if (OnPress) OnPress(TrayButton::Right);
                             break;
                         case QSystemTrayIcon::MiddleClick:
                             if (OnPress) OnPress(TrayButton::Middle);
                             break;
                         case QSystemTrayIcon::DoubleClick:
                             if (OnDoubleClick) OnDoubleClick(TrayButton::Left);
                             break;
                         case QSystemTrayIcon::Unknown:
                             break;
                         }
                     });
}

QtTrayBackend::~QtTrayBackend() = default;

void QtTrayBackend::SetVisible(bool visible) { icon_->setVisible(visible); }
void QtTrayBackend::SetIcon(const QIcon& icon) { icon_->setIcon(icon); }
void QtTrayBackend::SetToolTip(const QString& tip) { icon_->setToolTip(tip); }
// Qt opens its context menu itself on the right button; the tray icon's own popup then has
// nothing left to do for that menu.
void QtTrayBackend::SetMenu(QMenu* menu) { icon_->setContextMenu(menu); }
void QtTrayBackend::PopupMenu(QMenu& menu, const QPoint& at) {
    if (icon_->contextMenu() != &menu) menu.popup(at);
}
QPoint QtTrayBackend::CursorPos() const { return QCursor::pos(); }

}  // namespace corvane
