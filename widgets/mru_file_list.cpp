#include "widgets/mru_file_list.h"

#include <algorithm>

#include <QAction>
#include <QMenu>

#include "engine/model/registry_routines.h"
#include "platform/registry/current_user.h"

namespace corvane {
namespace {

// The menu that shows the action: the first menu it was added to.
QMenu* MenuOf(QAction& action) {
    for (QObject* object : action.associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(object))
            return menu;
    }
    return nullptr;
}

qsizetype IndexOfNoCase(const QStringList& items, const QString& text) {
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

}  // namespace

TMRUFileList::TMRUFileList(QObject* parent) : QObject(parent) {}

TMRUFileList::~TMRUFileList() {
    if (AutoSave)
        SaveToRegistry();
    RemoveMenuItems();
}

void TMRUFileList::AddItem(const QString& text) {
    const qsizetype at = IndexOfNoCase(items_, text);
    if (at >= 0)
        items_.removeAt(at);
    items_.prepend(text);
    while (items_.size() > maximum_)
        items_.removeLast();
    RebuildMenu();
}

void TMRUFileList::RemoveItem(const QString& text) {
    const qsizetype at = IndexOfNoCase(items_, text);
    if (at < 0)
        return;
    items_.removeAt(at);
    RebuildMenu();
}

void TMRUFileList::SetMaximum(int maximum) {
    maximum_ = std::clamp(maximum, 0, 255);  // a byte, as stored settings expect
    while (items_.size() > maximum_)
        items_.removeLast();
    RebuildMenu();
}

void TMRUFileList::SetUseSubmenu(bool value) {
    if (value == use_submenu_)
        return;
    use_submenu_ = value;
    RebuildMenu();
}

void TMRUFileList::SetSubmenuName(const QString& name) {
    if (name == submenu_name_)
        return;
    submenu_name_ = name;
    if (use_submenu_)
        RebuildMenu();
}

void TMRUFileList::SetFileMenu(QAction* action) {
    RemoveMenuItems();
    file_menu_ = action;
    RebuildMenu();
}

QString TMRUFileList::RegistryKey() const { return AutoSaveName + "\\" + AutoSaveKey; }

bool TMRUFileList::LoadFromRegistry() {
    items_.clear();
    if (AutoSaveName.isEmpty() || AutoSaveKey.isEmpty())
        return false;
    // In the store's order, which is the order SaveToRegistry wrote (F0 first).
    TStringList values;
    RegValueList(RegistryKey().toStdString(), values);
    for (const std::string& value : values) {
        const QString text = QString::fromStdString(value);
        if (items_.size() < maximum_ && !text.isEmpty() && !items_.contains(text, Qt::CaseInsensitive))
            items_.append(text);
    }
    RebuildMenu();
    return true;
}

bool TMRUFileList::SaveToRegistry() const {
    if (AutoSaveName.isEmpty() || AutoSaveKey.isEmpty())
        return false;
    const std::string key = RegistryKey().toStdString();
    const std::shared_ptr<RegistryStore> store = CurrentUserRegistry();
    RegistryStore::Hold hold(*store);  // one file write for the whole list
    store->DeleteKey(key);
    store->CreateKey(key);
    for (qsizetype i = 0; i < items_.size(); ++i)
        store->SetString(key, "F" + std::to_string(i), items_[i].toStdString());
    return hold.Commit();
}

void TMRUFileList::RemoveMenuItems() {
    // deleteLater: the action being clicked may be among them, and its slot is still running.
    for (QPointer<QAction>& action : inserted_) {
        if (!action)
            continue;
        for (QObject* object : action->associatedObjects()) {
            if (auto* widget = qobject_cast<QWidget*>(object))
                widget->removeAction(action);
        }
        if (!submenu_ || action != submenu_->menuAction())  // that one goes with its menu
            action->deleteLater();
    }
    inserted_.clear();
    if (submenu_)
        submenu_->deleteLater();
    submenu_ = nullptr;
}

void TMRUFileList::RebuildMenu() {
    RemoveMenuItems();
    if (!file_menu_ || items_.isEmpty())
        return;
    QMenu* target = file_menu_->menu();
    QAction* before = nullptr;  // append to the submenu; else insert above FileMenu
    if (!target) {
        target = MenuOf(*file_menu_);
        before = file_menu_;
    }
    if (!target)
        return;

    auto insert = [&](QMenu& menu, QAction* action, QAction* position) {
        menu.insertAction(position, action);
        inserted_.emplace_back(action);
    };
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    insert(*target, separator, before);

    QMenu* items_menu = target;
    QAction* items_before = before;
    if (use_submenu_) {
        submenu_ = new QMenu(submenu_name_);
        QAction* submenu_action = submenu_->menuAction();
        insert(*target, submenu_action, before);
        items_menu = submenu_;
        items_before = nullptr;
    }
    for (qsizetype i = 0; i < items_.size(); ++i) {
        QString caption = items_[i];
        caption.replace("&", "&&");  // an entry's "&" is text, not a mnemonic
        auto* action = new QAction(QString("&%1 %2").arg(i + 1).arg(caption), this);
        const int number = static_cast<int>(i + 1);
        action->setData(number);
        connect(action, &QAction::triggered, this, [this, number] { ItemClicked(number); });
        insert(*items_menu, action, items_before);
    }
}

void TMRUFileList::ItemClicked(int number) {
    if (!OnMRUItemClick || number < 1 || number > items_.size())
        return;
    const QString text = items_[number - 1];
    if (RemoveOnClick)
        RemoveItem(text);
    OnMRUItemClick(*this, text);
}

}  // namespace corvane
