#pragma once
// The file-type tree of the task and profile windows. Groups come from the registry's File Types key
// (one value per group, its extensions each followed by ";"); the user ticks the extensions a profile
// wants, or "All". The controller binds to the form's widgets by name: tvFileTypes (QTreeWidget),
// cbAll, btnNew, btnEdit and btnDelete.

#include <QObject>
#include <QRect>
#include <string>

#include "platform/rtl/string_list.h"

class QAbstractButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace corvane {

// State images of the tree's nodes.
inline constexpr int kStateNone = 0;  // a group without extensions
inline constexpr int kStateUnticked = 1;
inline constexpr int kStateTicked = 2;
inline constexpr int kStatePartly = 3;  // groups only

// Entries whose Delete button stays disabled (exact text).
bool IsUndeletableFileType(const std::string& text);

// The group's extension text with the item equal to `ext` (and its ";") taken out; text after the
// last ";" stays as it was.
std::string RemoveFileTypeItem(const std::string& extensions, const std::string& ext);

class FileTypeTreeController : public QObject {
    Q_OBJECT
public:
    // Which confirmation texts Delete asks with: the numbered messages (task dialog) or the profile
    // editor's own English texts.
    enum class DeleteTexts { Numbered, Literal };

    // Throws std::logic_error when the form lacks one of the named widgets.
    FileTypeTreeController(QWidget* form, DeleteTexts texts);

    // Rebuilds the tree from the registry; extensions found in `checked` (without regard to case)
    // are ticked, and "All" is ticked exactly when the list is empty.
    void FillFileTypes(const TStringList& checked);
    // The ticked extensions in tree order.
    TStringList GetCheckedFileTypes() const;
    // What a profile stores: empty with "All" ticked, else the ticked extensions.
    TStringList ProfileFileTypes() const;

    static int GroupState(const QTreeWidgetItem* group);
    static int State(const QTreeWidgetItem* node);
    static void SetState(QTreeWidgetItem* node, int state);
    // Where the node's state image is drawn, in viewport coordinates.
    QRect StateImageRect(const QTreeWidgetItem* node) const;

    QTreeWidget* tvFileTypes() const { return tree_; }

signals:
    // A tick, "All" or the tree was changed by the user.
    void userChanged();

public slots:
    void tvFileTypesChange();
    void cbAllClick();
    void btnNewClick();
    void btnEditClick();
    void btnDeleteClick();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void StateClick(QTreeWidgetItem* node);
    // Rebuild after a registry change, keeping the ticks and "All" as they are.
    void Rebuild();
    void EnableTree();
    bool Confirm(const std::string& name, bool group) const;

    QWidget* form_;
    DeleteTexts texts_;
    QTreeWidget* tree_;
    QObject* viewport_;
    QAbstractButton* cbAll_;
    QAbstractButton* btnNew_;
    QAbstractButton* btnEdit_;
    QAbstractButton* btnDelete_;
};

}  // namespace corvane
