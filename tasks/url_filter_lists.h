#pragma once
// The include and exclude URL filter lists of the task and profile windows. Each rule is a marker
// ("[AL]" all links, "[PL]" page links, "[RL]" resource links) followed by the text the user typed.
// The controller binds to the form's widgets by name: lbInc and lbEx (QListWidget), btnIncAdd,
// btnIncEdit, btnIncRemove, btnExAdd, btnExEdit, btnExRemove, and the popup menus pmiIncFilter and
// pmiExFilter with the actions pmiIncAll, pmiIncPages, pmiIncResources, pmiExAll, pmiExPages and
// pmiExResources (CreateURLFilterMenus makes the two menus).

#include <QObject>
#include <string>

#include "platform/rtl/string_list.h"

class QAbstractButton;
class QListWidget;
class QMenu;
class QWidget;

namespace corvane {

// The two popup menus of the Add buttons, with their captions, owned by the form.
void CreateURLFilterMenus(QWidget* form);

class UrlFilterListsController : public QObject {
    Q_OBJECT
public:
    // Throws std::logic_error when the form lacks one of the named widgets.
    explicit UrlFilterListsController(QWidget* form);

    void SetLists(const TStringList& include, const TStringList& exclude);
    TStringList Include() const;
    TStringList Exclude() const;

    // Asks for a new rule with the marker and appends it to the list of the kind ("Inc" or "Ex").
    void AddURLFilter(const std::string& prefix, const std::string& kind);
    // Edits the selected rule of the kind's list, marker included.
    void EditURLFilter(const std::string& prefix, const std::string& kind);

signals:
    // A rule was added, edited or removed by the user.
    void userChanged();

public slots:
    void lbIncClick();
    void lbExClick();
    void btnIncEditClick();
    void btnExEditClick();
    void btnIncRemoveClick();
    void btnExRemoveClick();

private:
    struct Side {
        QListWidget* list;
        QAbstractButton* add;
        QAbstractButton* edit;
        QAbstractButton* remove;
        QMenu* menu;
    };
    const Side& SideOf(const std::string& kind) const;
    void Bind(const Side& side, const char* kind, const char* all, const char* pages, const char* resources);
    void UpdateButtons(const Side& side);
    void EditSelected(const std::string& kind);
    void RemoveSelected(const std::string& kind);

    QWidget* form_;
    Side inc_;
    Side ex_;
};

}  // namespace corvane
