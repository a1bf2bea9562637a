#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "localisation/app_language.h"
#include "tasks/entry_dialogs.h"
#include "tasks/url_filter_lists.h"
#include "tests/tasks/profile_window_support.h"

namespace corvane {
namespace {

using testing::OnModal;

class FilterForm : public QWidget {
public:
    FilterForm() {
        setObjectName("frmFilters");
        auto* layout = new QVBoxLayout(this);
        for (const char* name : {"lbInc", "lbEx"}) {
            auto* list = new QListWidget(this);
            list->setObjectName(name);
            layout->addWidget(list);
        }
        for (const char* name : {"btnIncAdd", "btnIncEdit", "btnIncRemove", "btnExAdd", "btnExEdit", "btnExRemove"}) {
            auto* button = new QPushButton(name, this);
            button->setObjectName(name);
            layout->addWidget(button);
        }
        CreateURLFilterMenus(this);
        controller = new UrlFilterListsController(this);
        show();
    }
    QListWidget* List(const char* name) const { return findChild<QListWidget*>(name); }
    QPushButton* Button(const char* name) const { return findChild<QPushButton*>(name); }
    void Select(const char* list, int row) const {
        QListWidget* l = List(list);
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
    }
    // Opens the Add button's popup and picks the entry, as a user does.
    void Pick(const char* button, const char* menu, const char* action) const {
        QTest::mouseClick(Button(button), Qt::LeftButton);
        auto* popup = findChild<QMenu*>(menu);
        EXPECT_TRUE(popup->isVisible());
        popup->findChild<QAction*>(action)->trigger();
        popup->hide();
    }

    UrlFilterListsController* controller;
};

class UrlFilterLists : public testing::ProfileWindowHome {};

TEST_F(UrlFilterLists, AddEditAndRemoveRules) {
    FilterForm form;
    QSignalSpy changed(form.controller, &UrlFilterListsController::userChanged);
    {
        OnModal<TdlgEditURLFilter> script([](TdlgEditURLFilter& d) {
            EXPECT_EQ(d.Label1->text().toStdString(), AppLanguage().GetLangStr(748));
            QTest::keyClicks(d.edURLFilter, "news");
            QTest::mouseClick(d.btnOK, Qt::LeftButton);
        });
        form.Pick("btnIncAdd", "pmiIncFilter", "pmiIncPages");
    }
    {
        OnModal<TdlgEditURLFilter> script([](TdlgEditURLFilter& d) {
            EXPECT_EQ(d.Label1->text().toStdString(), AppLanguage().GetLangStr(752));
            QTest::keyClicks(d.edURLFilter, ".zip");
            QTest::mouseClick(d.btnOK, Qt::LeftButton);
        });
        form.Pick("btnExAdd", "pmiExFilter", "pmiExResources");
    }
    {
        OnModal<TdlgEditURLFilter> script([](TdlgEditURLFilter& d) {
            QTest::keyClicks(d.edURLFilter, "dropped");
            QTest::mouseClick(d.btnCancel, Qt::LeftButton);
        });
        form.Pick("btnIncAdd", "pmiIncFilter", "pmiIncAll");
    }
    EXPECT_EQ(form.controller->Include(), TStringList({"[PL]news"}));
    EXPECT_EQ(form.controller->Exclude(), TStringList({"[RL].zip"}));
    EXPECT_EQ(changed.count(), 2);

    // Edit and Remove need a selection; Edit changes the whole text, marker included.
    EXPECT_FALSE(form.Button("btnIncEdit")->isEnabled());
    EXPECT_FALSE(form.Button("btnIncRemove")->isEnabled());
    form.Select("lbInc", 0);
    EXPECT_TRUE(form.Button("btnIncEdit")->isEnabled());
    EXPECT_FALSE(form.Button("btnExEdit")->isEnabled());
    {
        OnModal<TdlgEditURLFilter> script([](TdlgEditURLFilter& d) {
            EXPECT_EQ(d.edURLFilter->text(), "[PL]news");
            d.edURLFilter->selectAll();
            QTest::keyClicks(d.edURLFilter, "[AL]sport");
            QTest::mouseClick(d.btnOK, Qt::LeftButton);
        });
        QTest::mouseClick(form.Button("btnIncEdit"), Qt::LeftButton);
    }
    EXPECT_EQ(form.controller->Include(), TStringList({"[AL]sport"}));
    EXPECT_EQ(changed.count(), 3);
    QTest::mouseClick(form.Button("btnIncRemove"), Qt::LeftButton);
    EXPECT_TRUE(form.controller->Include().Empty());
    EXPECT_FALSE(form.Button("btnIncEdit")->isEnabled());
    EXPECT_EQ(changed.count(), 4);
}

TEST_F(UrlFilterLists, EditFindsTheMarkerInOrderAndSkipsRulesWithout) {
    FilterForm form;
    form.controller->SetLists(TStringList({"x[RL]y[AL]z", "plain"}), TStringList({"[PL]a"}));
    form.Select("lbInc", 0);
    {
        // "[AL]" is looked for first, wherever it stands; the explanation follows it and the list's kind.
        OnModal<TdlgEditURLFilter> script([](TdlgEditURLFilter& d) {
            EXPECT_EQ(d.Prefix, "[AL]");
            EXPECT_EQ(d.Kind, "Inc");
            EXPECT_EQ(d.Label1->text().toStdString(), AppLanguage().GetLangStr(747));
            QTest::mouseClick(d.btnCancel, Qt::LeftButton);
        });
        QTest::mouseClick(form.Button("btnIncEdit"), Qt::LeftButton);
    }
    form.Select("lbInc", 1);
    {
        OnModal<TdlgEditURLFilter> none([](TdlgEditURLFilter&) {}, false);
        QTest::mouseClick(form.Button("btnIncEdit"), Qt::LeftButton);
        QTest::qWait(50);
    }
    form.Select("lbEx", 0);
    {
        OnModal<TdlgEditURLFilter> script([](TdlgEditURLFilter& d) {
            EXPECT_EQ(d.Kind, "Ex");
            EXPECT_EQ(d.Label1->text().toStdString(), AppLanguage().GetLangStr(751));
            QTest::mouseClick(d.btnCancel, Qt::LeftButton);
        });
        QTest::mouseClick(form.Button("btnExEdit"), Qt::LeftButton);
    }
    EXPECT_EQ(form.controller->Include(), TStringList({"x[RL]y[AL]z", "plain"}));
}

}  // namespace
}  // namespace corvane
