#include "tasks/file_type_tree.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeWidget>
#include <array>
#include <stdexcept>

#include "engine/parse/file_types.h"
#include "engine/model/registry_routines.h"
#include "localisation/app_language.h"
#include "localisation/message_ids.h"
#include "tasks/entry_dialogs.h"
#include "widgets/message_box.h"

namespace corvane {

namespace {

constexpr int kStateRole = Qt::UserRole + 1;

template <class W>
W* Named(QWidget* form, const char* name) {
    W* widget = form->findChild<W*>(name);
    if (!widget) throw std::logic_error(std::string("The form has no ") + name);
    return widget;
}

std::string Text(const QTreeWidgetItem* node) { return node->text(0).toStdString(); }

std::string Message(std::uint16_t id) { return AppLanguage().GetLangStr(id); }

}  // namespace

bool IsUndeletableFileType(const std::string& text) {
    static const std::array<const char*, 10> kKept = {"HTML",   ".htm", ".html", ".shtm", ".shtml",
                                                      ".asp",   "Images", ".gif", ".jpg", ".jpeg"};
    for (const char* kept : kKept)
        if (text == kept) return true;
    return false;
}

std::string RemoveFileTypeItem(const std::string& extensions, const std::string& ext) {
    std::string result;
    std::string item;
    bool removed = false;
    for (char c : extensions) {
        if (c != ';') {
            item += c;
            continue;
        }
        if (!removed && item == ext)
            removed = true;
        else
            result += item + ';';
        item.clear();
    }
    return result + item;
}

FileTypeTreeController::FileTypeTreeController(QWidget* form, DeleteTexts texts)
    : QObject(form),
      form_(form),
      texts_(texts),
      tree_(Named<QTreeWidget>(form, "tvFileTypes")),
      cbAll_(Named<QAbstractButton>(form, "cbAll")),
      btnNew_(Named<QAbstractButton>(form, "btnNew")),
      btnEdit_(Named<QAbstractButton>(form, "btnEdit")),
      btnDelete_(Named<QAbstractButton>(form, "btnDelete")) {
    tree_->setColumnCount(1);
    tree_->setHeaderHidden(true);
    tree_->setHeaderLabels({QString()});
    viewport_ = tree_->viewport();
    viewport_->installEventFilter(this);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &FileTypeTreeController::tvFileTypesChange);
    connect(cbAll_, &QAbstractButton::clicked, this, &FileTypeTreeController::cbAllClick);
    connect(btnNew_, &QAbstractButton::clicked, this, &FileTypeTreeController::btnNewClick);
    connect(btnEdit_, &QAbstractButton::clicked, this, &FileTypeTreeController::btnEditClick);
    connect(btnDelete_, &QAbstractButton::clicked, this, &FileTypeTreeController::btnDeleteClick);
    tvFileTypesChange();
}

int FileTypeTreeController::State(const QTreeWidgetItem* node) { return node->data(0, kStateRole).toInt(); }

void FileTypeTreeController::SetState(QTreeWidgetItem* node, int state) {
    node->setData(0, kStateRole, state);
    if (state == kStateNone)
        node->setData(0, Qt::CheckStateRole, QVariant());
    else
        node->setCheckState(0, state == kStateTicked  ? Qt::Checked
                               : state == kStatePartly ? Qt::PartiallyChecked
                                                       : Qt::Unchecked);
}

int FileTypeTreeController::GroupState(const QTreeWidgetItem* group) {
    if (group->childCount() == 0) return kStateNone;
    bool anyTicked = false;
    bool anyUnticked = false;
    for (int i = 0; i < group->childCount(); ++i) {
        const int state = State(group->child(i));
        anyTicked = anyTicked || state == kStateTicked;
        anyUnticked = anyUnticked || state == kStateUnticked;
    }
    if (!anyTicked) return kStateUnticked;
    if (!anyUnticked) return kStateTicked;
    return kStatePartly;
}

void FileTypeTreeController::FillFileTypes(const TStringList& checked) {
    tree_->clear();
    TStringList names;
    TStringList values;
    if (RegValueNames(kFileTypesKey, names)) RegValueList(kFileTypesKey, values);
    // The tree draws the states itself; Qt's own check handling would tick a partly ticked group.
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    for (int i = 0; i < names.Count(); ++i) {
        auto* group = new QTreeWidgetItem(tree_, QStringList(QString::fromStdString(names[i])));
        group->setFlags(flags);
        const std::string data = i < values.Count() ? values[i] : std::string();
        std::string ext;
        for (char c : data) {
            if (c != ';') {
                ext += c;
                continue;
            }
            auto* child = new QTreeWidgetItem(group, QStringList(QString::fromStdString(ext)));
            child->setFlags(flags);
            SetState(child, checked.IndexOf(ext) >= 0 ? kStateTicked : kStateUnticked);
            ext.clear();
        }
        SetState(group, GroupState(group));
    }
    cbAll_->setChecked(checked.Empty());
    EnableTree();
}

TStringList FileTypeTreeController::GetCheckedFileTypes() const {
    TStringList list;
    for (int g = 0; g < tree_->topLevelItemCount(); ++g) {
        const QTreeWidgetItem* group = tree_->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i)
            if (State(group->child(i)) == kStateTicked) list.Add(Text(group->child(i)));
    }
    return list;
}

TStringList FileTypeTreeController::ProfileFileTypes() const {
    return cbAll_->isChecked() ? TStringList() : GetCheckedFileTypes();
}

QRect FileTypeTreeController::StateImageRect(const QTreeWidgetItem* node) const {
    QStyleOptionViewItem option;
    option.initFrom(tree_);
    option.rect = tree_->visualItemRect(node);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = node->text(0);
    option.font = tree_->font();
    option.widget = tree_;
    return tree_->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, tree_);
}

bool FileTypeTreeController::eventFilter(QObject* watched, QEvent* event) {
    // The viewport is compared by its saved address: it still sends events while the tree is destroyed.
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) &&
        watched == viewport_) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        QTreeWidgetItem* node = tree_->itemAt(at);
        // Only a click on the state image counts.
        if (mouse->button() == Qt::LeftButton && node && State(node) != kStateNone &&
            StateImageRect(node).contains(at)) {
            StateClick(node);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void FileTypeTreeController::StateClick(QTreeWidgetItem* node) {
    // Anything but unticked (partly ticked too) becomes unticked.
    const int state = State(node) == kStateUnticked ? kStateTicked : kStateUnticked;
    SetState(node, state);
    if (QTreeWidgetItem* group = node->parent())
        SetState(group, GroupState(group));
    else
        for (int i = 0; i < node->childCount(); ++i) SetState(node->child(i), state);
    emit userChanged();
}

void FileTypeTreeController::EnableTree() { tree_->setEnabled(!cbAll_->isChecked()); }

void FileTypeTreeController::cbAllClick() {
    EnableTree();
    emit userChanged();
}

void FileTypeTreeController::tvFileTypesChange() {
    const QTreeWidgetItem* node = tree_->currentItem();
    btnDelete_->setEnabled(node != nullptr && !IsUndeletableFileType(Text(node)));
}

void FileTypeTreeController::Rebuild() {
    const bool all = cbAll_->isChecked();
    QStringList expanded;
    for (int g = 0; g < tree_->topLevelItemCount(); ++g)
        if (tree_->topLevelItem(g)->isExpanded()) expanded << tree_->topLevelItem(g)->text(0);
    FillFileTypes(GetCheckedFileTypes());
    cbAll_->setChecked(all);
    EnableTree();
    for (int g = 0; g < tree_->topLevelItemCount(); ++g)
        if (expanded.contains(tree_->topLevelItem(g)->text(0))) tree_->topLevelItem(g)->setExpanded(true);
}

void FileTypeTreeController::btnNewClick() {
    TdlgEditFileType dialog(form_);
    if (dialog.exec() == QDialog::Accepted) Rebuild();
}

void FileTypeTreeController::btnEditClick() {
    const QTreeWidgetItem* node = tree_->currentItem();
    if (!node) return;
    const QTreeWidgetItem* group = node->parent() ? node->parent() : node;
    TdlgEditFileType dialog(form_);
    dialog.Mode = "Edit";
    dialog.edFileType->setText(group->text(0));
    if (dialog.exec() == QDialog::Accepted) Rebuild();
}

bool FileTypeTreeController::Confirm(const std::string& name, bool group) const {
    std::string text;
    if (texts_ == DeleteTexts::Literal)
        text = "Are you sure you want to delete the " + name + (group ? " file type group?" : " file type?");
    else
        text = Message(msg::ConfirmDeleteType1) + name +
               Message(group ? msg::ConfirmDeleteType2 : msg::ConfirmDeleteType3);
    return AskQuestion(form_, QString::fromStdString(text)) == MsgButton::Yes;
}

void FileTypeTreeController::btnDeleteClick() {
    const QTreeWidgetItem* node = tree_->currentItem();
    if (!node || IsUndeletableFileType(Text(node))) return;
    if (const QTreeWidgetItem* group = node->parent()) {
        const std::string name = Text(group);
        const std::string value = RegRead(kFileTypesKey, name, std::string());
        if (!Confirm(Text(node), false)) return;
        RegWriteValue(kFileTypesKey, name, RegVariant(RemoveFileTypeItem(value, Text(node))));
    } else {
        if (!Confirm(Text(node), true)) return;
        RegDeleteValue(kFileTypesKey, Text(node));
    }
    Rebuild();
}

}  // namespace corvane
