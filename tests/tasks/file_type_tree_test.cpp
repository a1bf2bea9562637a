#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "localisation/app_language.h"
#include "localisation/message_ids.h"
#include "tasks/entry_dialogs.h"
#include "tasks/file_type_tree.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/tasks/profile_window_support.h"

namespace corvane {
namespace {

using testing::OnModal;

// A form with just the widgets the controller binds to, as the task dialog has them.
class TreeForm : public QWidget {
public:
    TreeForm() {
        setObjectName("frmTree");
        auto* layout = new QVBoxLayout(this);
        for (const char* name : {"btnNew", "btnEdit", "btnDelete"}) {
            auto* button = new QPushButton(name, this);
            button->setObjectName(name);
            layout->addWidget(button);
        }
        tree = new QTreeWidget(this);
        tree->setObjectName("tvFileTypes");
        all = new QCheckBox("All", this);
        all->setObjectName("cbAll");
        layout->addWidget(tree);
        layout->addWidget(all);
        controller = new FileTypeTreeController(this, FileTypeTreeController::DeleteTexts::Numbered);
        resize(300, 400);
        show();
    }
    QTreeWidgetItem* Node(const QString& group, const QString& ext = {}) const {
        for (int g = 0; g < tree->topLevelItemCount(); ++g) {
            QTreeWidgetItem* item = tree->topLevelItem(g);
            if (item->text(0) != group) continue;
            if (ext.isEmpty()) return item;
            for (int i = 0; i < item->childCount(); ++i)
                if (item->child(i)->text(0) == ext) return item->child(i);
        }
        return nullptr;
    }
    void ClickState(QTreeWidgetItem* node) const {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, controller->StateImageRect(node).center());
    }
    void Select(QTreeWidgetItem* node) const {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    }
    QPushButton* Button(const char* name) const { return findChild<QPushButton*>(name); }
    int State(const QString& group, const QString& ext = {}) const {
        return FileTypeTreeController::State(Node(group, ext));
    }

    QTreeWidget* tree;
    QCheckBox* all;
    FileTypeTreeController* controller;
};

class FileTypeTree : public testing::ProfileWindowHome {};

TEST_F(FileTypeTree, FillTicksFromTheListAndGroupsFollow) {
    TreeForm form;
    form.controller->FillFileTypes(TStringList({".HTML", ".gif", ".jpg", ".txt"}));
    form.tree->expandAll();
    EXPECT_EQ(form.State("HTML", ".html"), kStateTicked);  // the list compares without regard to case
    EXPECT_EQ(form.State("HTML", ".htm"), kStateUnticked);
    EXPECT_EQ(form.State("HTML"), kStatePartly);
    EXPECT_EQ(form.State("Images"), kStateTicked);
    EXPECT_EQ(form.State("Empty"), kStateNone);
    EXPECT_EQ(form.State("Docs"), kStatePartly);
    EXPECT_EQ(form.Node("Docs")->childCount(), 3);  // "left over" has no ";"
    EXPECT_EQ(form.State("Docs", ".HTM"), kStateUnticked);
    EXPECT_EQ(form.Node("Empty")->data(0, Qt::CheckStateRole), QVariant());
    EXPECT_FALSE(form.all->isChecked());
    EXPECT_TRUE(form.tree->isEnabled());
    EXPECT_EQ(form.controller->GetCheckedFileTypes(), TStringList({".html", ".gif", ".jpg", ".txt"}));

    form.controller->FillFileTypes(TStringList());
    EXPECT_TRUE(form.all->isChecked());
    EXPECT_FALSE(form.tree->isEnabled());
    EXPECT_EQ(form.State("Images"), kStateUnticked);
    // The next profile's list unticks "All" again.
    form.controller->FillFileTypes(TStringList({".doc"}));
    EXPECT_FALSE(form.all->isChecked());
    EXPECT_TRUE(form.tree->isEnabled());
}

TEST_F(FileTypeTree, StateClicksTickGroupsAndChildren) {
    TreeForm form;
    QSignalSpy changed(form.controller, &FileTypeTreeController::userChanged);
    form.controller->FillFileTypes(TStringList({".html"}));
    form.tree->expandAll();

    // A partly ticked group becomes unticked, with every child.
    form.ClickState(form.Node("HTML"));
    EXPECT_EQ(form.State("HTML"), kStateUnticked);
    EXPECT_EQ(form.State("HTML", ".html"), kStateUnticked);
    form.ClickState(form.Node("HTML"));
    EXPECT_EQ(form.State("HTML"), kStateTicked);
    EXPECT_EQ(form.State("HTML", ".shtm"), kStateTicked);
    form.ClickState(form.Node("HTML", ".htm"));
    EXPECT_EQ(form.State("HTML", ".htm"), kStateUnticked);
    EXPECT_EQ(form.State("HTML"), kStatePartly);
    EXPECT_EQ(changed.count(), 3);

    // Only the state image counts: a click on the text selects.
    form.Select(form.Node("Images", ".gif"));
    EXPECT_EQ(form.State("Images", ".gif"), kStateUnticked);
    EXPECT_EQ(form.tree->currentItem(), form.Node("Images", ".gif"));
    EXPECT_EQ(changed.count(), 3);

    // "All" stores an empty list whatever is ticked.
    testing::ClickBox(form.all);
    EXPECT_FALSE(form.tree->isEnabled());
    EXPECT_EQ(changed.count(), 4);
    EXPECT_TRUE(form.controller->ProfileFileTypes().Empty());
    EXPECT_EQ(form.controller->GetCheckedFileTypes(), TStringList({".html", ".shtm"}));
}

TEST_F(FileTypeTree, DeleteTakesWholeItemsAndKeepsTheListedOnes) {
    EXPECT_EQ(RemoveFileTypeItem(".htm;.html;", ".htm"), ".html;");
    EXPECT_EQ(RemoveFileTypeItem(".html;.htm;", ".htm"), ".html;");
    EXPECT_EQ(RemoveFileTypeItem(".shtm;.x;", ".htm"), ".shtm;.x;");

    TreeForm form;
    form.controller->FillFileTypes(TStringList({".txt", ".gif"}));
    form.tree->expandAll();
    QPushButton* del = form.Button("btnDelete");
    EXPECT_FALSE(del->isEnabled());  // nothing selected
    form.Select(form.Node("HTML", ".htm"));
    EXPECT_FALSE(del->isEnabled());
    form.Select(form.Node("Images"));
    EXPECT_FALSE(del->isEnabled());
    form.Select(form.Node("Docs", ".HTM"));  // the list is exact: another case is deletable
    EXPECT_TRUE(del->isEnabled());

    testing::ScriptedMessageBoxes boxes;
    const std::string ask = AppLanguage().GetLangStr(msg::ConfirmDeleteType1) + ".HTM" +
                            AppLanguage().GetLangStr(msg::ConfirmDeleteType3);
    boxes.Expect(MsgButton::Yes, QString::fromStdString(ask));
    QTest::mouseClick(del, Qt::LeftButton);
    EXPECT_EQ(Group("Docs"), ".doc;.txt;left over");
    EXPECT_EQ(form.Node("Docs")->childCount(), 2);
    EXPECT_EQ(form.controller->GetCheckedFileTypes(), TStringList({".gif", ".txt"}));

    form.Select(form.Node("Docs"));
    boxes.Expect(MsgButton::No, "\" and every extension");
    QTest::mouseClick(del, Qt::LeftButton);
    EXPECT_EQ(Group("Docs"), ".doc;.txt;left over");
    boxes.Expect(MsgButton::Yes);
    QTest::mouseClick(del, Qt::LeftButton);
    EXPECT_EQ(Group("Docs"), "<missing>");
    EXPECT_EQ(Groups(), (std::vector<std::string>{"HTML", "Images", "Empty"}));
    EXPECT_EQ(form.controller->GetCheckedFileTypes(), TStringList({".gif"}));
}

TEST_F(FileTypeTree, NewAndEditRebuildKeepingTicksAndAll) {
    TreeForm form;
    form.controller->FillFileTypes(TStringList({".jpg"}));
    {
        OnModal<TdlgEditFileType> script([](TdlgEditFileType& d) {
            QTest::keyClicks(d.edFileType, "Audio");
            QTest::keyClicks(d.edExtensions, ".mp3;.ogg");
            QTest::mouseClick(d.Button1, Qt::LeftButton);
        });
        QTest::mouseClick(form.Button("btnNew"), Qt::LeftButton);
    }
    EXPECT_EQ(form.Node("Audio")->childCount(), 2);
    EXPECT_EQ(form.State("Audio"), kStateUnticked);
    EXPECT_EQ(form.State("Images", ".jpg"), kStateTicked);

    // Edit works on the group of a selected extension; "All" ticked by the user stays ticked.
    form.tree->expandAll();
    form.Select(form.Node("Images", ".jpg"));
    testing::ClickBox(form.all);
    {
        OnModal<TdlgEditFileType> script([](TdlgEditFileType& d) {
            EXPECT_EQ(d.edFileType->text(), "Images");
            QTest::keyClicks(d.edExtensions, ".webp");
            QTest::mouseClick(d.Button1, Qt::LeftButton);
        });
        QTest::mouseClick(form.Button("btnEdit"), Qt::LeftButton);
    }
    EXPECT_EQ(Group("Images"), ".gif;.jpg;.webp;");
    EXPECT_EQ(form.Node("Images")->childCount(), 3);
    EXPECT_EQ(form.State("Images", ".jpg"), kStateTicked);
    EXPECT_TRUE(form.all->isChecked());
    EXPECT_FALSE(form.tree->isEnabled());
    EXPECT_TRUE(form.controller->ProfileFileTypes().Empty());
}

}  // namespace
}  // namespace corvane
