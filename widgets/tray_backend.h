#pragma once
// What the tray icon needs of a notification area: show or hide an icon with a tip and a menu,
// open the menu, and report presses and double-clicks. The program uses QSystemTrayIcon; tests
// record the calls and play the presses.

#include <QIcon>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace corvane {

enum class TrayButton { Left, Right, Middle };

class TrayBackend {
public:
    virtual ~TrayBackend() = default;

    virtual void SetVisible(bool visible) = 0;
    virtual void SetIcon(const QIcon& icon) = 0;
    virtual void SetToolTip(const QString& tip) = 0;
    virtual void SetMenu(QMenu* menu) = 0;
    virtual void PopupMenu(QMenu& menu, const QPoint& at) = 0;
    // Where the cursor is, for the menu.
    virtual QPoint CursorPos() const = 0;

    // Set by the tray icon.
    std::function<void(TrayButton)> OnPress;
    std::function<void(TrayButton)> OnDoubleClick;
};

// Over QSystemTrayIcon. Its activation reasons map to presses: a click to the left button, the
// context request to the right one, the middle click to the middle one.
class QtTrayBackend : public TrayBackend {
public:
    QtTrayBackend();
    ~QtTrayBackend() override;

    void SetVisible(bool visible) override;
    void SetIcon(const QIcon& icon) override;
    void SetToolTip(const QString& tip) override;
    void SetMenu(QMenu* menu) override;
    void PopupMenu(QMenu& menu, const QPoint& at) override;
    QPoint CursorPos() const override;

    QSystemTrayIcon& Icon() { return *icon_; }

private:
    std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace corvane
