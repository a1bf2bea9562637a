#pragma once
// A short list of recently used entries (URLs, archives, programs), newest first, kept in the
// registry as "F0", "F1", ... and shown as numbered menu items.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QAction;
class QMenu;

namespace corvane {

class TMRUFileList : public QObject {
    Q_OBJECT
public:
    using TMRUClick = std::function<void(TMRUFileList& sender, const QString& filename)>;

    explicit TMRUFileList(QObject* parent = nullptr);
    // Saves the list when AutoSave is set.
    ~TMRUFileList() override;

    // Newest first; lookups ignore letter case.
    const QStringList& Items() const { return items_; }

    // A new text goes first and the oldest beyond Maximum drop out; a known one moves first.
    void AddItem(const QString& text);
    void RemoveItem(const QString& text);

    int Maximum() const { return maximum_; }
    // Clamped to 0..255; lowering keeps the newest entries.
    void SetMaximum(int maximum);

    bool RemoveOnClick = true;
    bool AutoSave = true;
    QString AutoSaveName = "\\Software\\My Application";
    QString AutoSaveKey = "MRU Items";
    TMRUClick OnMRUItemClick;

    bool UseSubmenu() const { return use_submenu_; }
    void SetUseSubmenu(bool value);
    const QString& SubmenuName() const { return submenu_name_; }
    void SetSubmenuName(const QString& name);
    // The items go into FileMenu's submenu when it has one, else into its menu just above it.
    QAction* FileMenu() const { return file_menu_; }
    void SetFileMenu(QAction* action);

    // False when AutoSaveName or AutoSaveKey is empty.
    bool LoadFromRegistry();
    bool SaveToRegistry() const;

    virtual void RebuildMenu();

private:
    void RemoveMenuItems();
    void ItemClicked(int number);
    QString RegistryKey() const;

    QStringList items_;
    int maximum_ = 5;
    bool use_submenu_ = false;
    QString submenu_name_ = "Reopen";
    QPointer<QAction> file_menu_;
    // Everything RebuildMenu put into a menu: separator, submenu and numbered items.
    std::vector<QPointer<QAction>> inserted_;
    QPointer<QMenu> submenu_;
};

}  // namespace corvane
