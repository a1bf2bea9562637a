#include "tasks/url_filter_lists.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <stdexcept>

#include "tasks/entry_dialogs.h"

namespace corvane {

namespace {

constexpr const char* kMarkers[] = {"[AL]", "[PL]", "[RL]"};

template <class W>
W* Named(QWidget* form, const char* name) {
    W* widget = form->findChild<W*>(name);
    if (!widget) throw std::logic_error(std::string("The form has no ") + name);
    return widget;
}

QAction* NamedAction(QWidget* form, const char* name) {
    QAction* action = form->findChild<QAction*>(name);
    if (!action) throw std::logic_error(std::string("The form has no ") + name);
    return action;
}

void AddAction(QMenu* menu, const char* name, const char* text) {
    auto* action = new QAction(text, menu);
    action->setObjectName(name);
    menu->addAction(action);
}

TStringList Items(const QListWidget* list) {
    TStringList items;
    for (int i = 0; i < list->count(); ++i) items.Add(list->item(i)->text().toStdString());
    return items;
}

void SetItems(QListWidget* list, const TStringList& items) {
    list->clear();
    for (const std::string& item : items) list->addItem(QString::fromStdString(item));
}

}  // namespace

void CreateURLFilterMenus(QWidget* form) {
    auto* inc = new QMenu(form);
    inc->setObjectName("pmiIncFilter");
    AddAction(inc, "pmiIncAll", "All links must contain...");
    AddAction(inc, "pmiIncPages", "Page links must contain...");
    AddAction(inc, "pmiIncResources", "Resource links must contain...");
    auto* ex = new QMenu(form);
    ex->setObjectName("pmiExFilter");
    AddAction(ex, "pmiExAll", "All links must not contain...");
    AddAction(ex, "pmiExPages", "Page links must not contain...");
    AddAction(ex, "pmiExResources", "Resource links must not contain...");
}

UrlFilterListsController::UrlFilterListsController(QWidget* form)
    : QObject(form),
      form_(form),
      inc_{Named<QListWidget>(form, "lbInc"), Named<QAbstractButton>(form, "btnIncAdd"),
           Named<QAbstractButton>(form, "btnIncEdit"), Named<QAbstractButton>(form, "btnIncRemove"),
           Named<QMenu>(form, "pmiIncFilter")},
      ex_{Named<QListWidget>(form, "lbEx"), Named<QAbstractButton>(form, "btnExAdd"),
          Named<QAbstractButton>(form, "btnExEdit"), Named<QAbstractButton>(form, "btnExRemove"),
          Named<QMenu>(form, "pmiExFilter")} {
    Bind(inc_, "Inc", "pmiIncAll", "pmiIncPages", "pmiIncResources");
    Bind(ex_, "Ex", "pmiExAll", "pmiExPages", "pmiExResources");
    connect(inc_.list, &QListWidget::itemSelectionChanged, this, &UrlFilterListsController::lbIncClick);
    connect(ex_.list, &QListWidget::itemSelectionChanged, this, &UrlFilterListsController::lbExClick);
    connect(inc_.edit, &QAbstractButton::clicked, this, &UrlFilterListsController::btnIncEditClick);
    connect(ex_.edit, &QAbstractButton::clicked, this, &UrlFilterListsController::btnExEditClick);
    connect(inc_.remove, &QAbstractButton::clicked, this, &UrlFilterListsController::btnIncRemoveClick);
    connect(ex_.remove, &QAbstractButton::clicked, this, &UrlFilterListsController::btnExRemoveClick);
    UpdateButtons(inc_);
    UpdateButtons(ex_);
}

void UrlFilterListsController::Bind(const Side& side, const char* kind, const char* all, const char* pages,
                                    const char* resources) {
    side.list->setSelectionMode(QAbstractItemView::SingleSelection);
    // The popup opens below the Add button when it is released.
    QAbstractButton* add = side.add;
    QMenu* menu = side.menu;
    connect(add, &QAbstractButton::clicked, menu,
            [add, menu] { menu->popup(add->mapToGlobal(QPoint(0, add->height()))); });
    const char* actions[] = {all, pages, resources};
    for (int i = 0; i < 3; ++i) {
        const std::string prefix = kMarkers[i];
        const std::string k = kind;
        connect(NamedAction(form_, actions[i]), &QAction::triggered, this,
                [this, prefix, k] { AddURLFilter(prefix, k); });
    }
}

const UrlFilterListsController::Side& UrlFilterListsController::SideOf(const std::string& kind) const {
    return kind == "Ex" ? ex_ : inc_;
}

void UrlFilterListsController::SetLists(const TStringList& include, const TStringList& exclude) {
    SetItems(inc_.list, include);
    SetItems(ex_.list, exclude);
    UpdateButtons(inc_);
    UpdateButtons(ex_);
}

TStringList UrlFilterListsController::Include() const { return Items(inc_.list); }
TStringList UrlFilterListsController::Exclude() const { return Items(ex_.list); }

void UrlFilterListsController::UpdateButtons(const Side& side) {
    const bool selected = !side.list->selectedItems().isEmpty();
    side.edit->setEnabled(selected);
    side.remove->setEnabled(selected);
}

void UrlFilterListsController::lbIncClick() { UpdateButtons(inc_); }
void UrlFilterListsController::lbExClick() { UpdateButtons(ex_); }

void UrlFilterListsController::AddURLFilter(const std::string& prefix, const std::string& kind) {
    TdlgEditURLFilter dialog(form_);
    dialog.Prefix = prefix;
    dialog.Kind = kind;
    if (dialog.exec() != QDialog::Accepted) return;
    SideOf(kind).list->addItem(QString::fromStdString(prefix) + dialog.edURLFilter->text());
    emit userChanged();
}

void UrlFilterListsController::EditURLFilter(const std::string& prefix, const std::string& kind) {
    QListWidgetItem* item = SideOf(kind).list->currentItem();
    if (!item) return;
    TdlgEditURLFilter dialog(form_);
    dialog.Prefix = prefix;
    dialog.Kind = kind;
    dialog.edURLFilter->setText(item->text());
    if (dialog.exec() != QDialog::Accepted) return;
    item->setText(dialog.edURLFilter->text());
    emit userChanged();
}

void UrlFilterListsController::EditSelected(const std::string& kind) {
    const QListWidgetItem* item = SideOf(kind).list->currentItem();
    if (!item || !item->isSelected()) return;
    const std::string text = item->text().toStdString();
    for (const char* marker : kMarkers)
        if (text.find(marker) != std::string::npos) {
            EditURLFilter(marker, kind);
            return;
        }
}

void UrlFilterListsController::RemoveSelected(const std::string& kind) {
    const Side& side = SideOf(kind);
    QListWidgetItem* item = side.list->currentItem();
    if (!item || !item->isSelected()) return;
    delete item;
    UpdateButtons(side);
    emit userChanged();
}

void UrlFilterListsController::btnIncEditClick() { EditSelected("Inc"); }
void UrlFilterListsController::btnExEditClick() { EditSelected("Ex"); }
void UrlFilterListsController::btnIncRemoveClick() { RemoveSelected("Inc"); }
void UrlFilterListsController::btnExRemoveClick() { RemoveSelected("Ex"); }

}  // namespace corvane
