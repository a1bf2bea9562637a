#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QTest>

#include "platform/registry/current_user.h"
#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "widgets/mru_file_list.h"

namespace corvane {
namespace {

const std::string kKey = "\\Software\\Brellium\\Corvane\\Recent ZIP files";

class MRUFileList : public ::testing::Test {
protected:
    void SetUp() override {
        testing::GuiApp();
        previous_ = SetCurrentUserRegistry(store_);
    }
    void TearDown() override { SetCurrentUserRegistry(previous_); }

    static void Configure(TMRUFileList& list) {
        list.AutoSaveName = "\\Software\\Brellium\\Corvane";
        list.AutoSaveKey = "Recent ZIP files";
        list.AutoSave = false;
    }
    std::vector<std::pair<std::string, std::string>> Stored() const {
        std::vector<RegValue> values;
        store_->Values(kKey, values);
        std::vector<std::pair<std::string, std::string>> pairs;
        for (const RegValue& value : values)
            pairs.emplace_back(value.Name, value.Data);
        return pairs;
    }
    static QStringList Captions(const QMenu& menu) {
        QStringList captions;
        for (const QAction* action : menu.actions())
            captions.append(action->isSeparator() ? "-" : action->text());
        return captions;
    }
    static void RunDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    std::shared_ptr<RegistryStore> store_ = std::make_shared<RegistryStore>();
    std::shared_ptr<RegistryStore> previous_;
};

TEST_F(MRUFileList, NewestFirstWithinMaximum) {
    TMRUFileList list;
    Configure(list);
    for (const char* text : {"a.zip", "b.zip", "c.zip"})
        list.AddItem(text);
    EXPECT_EQ(list.Items(), QStringList({"c.zip", "b.zip", "a.zip"}));
    list.AddItem("A.ZIP");  // third, in another case: moves first, the count stays
    EXPECT_EQ(list.Items().size(), 3);
    EXPECT_EQ(list.Items().first().toLower(), "a.zip");
    list.SetMaximum(3);
    list.AddItem("d.zip");
    EXPECT_EQ(list.Items(), QStringList({"d.zip", "A.ZIP", "c.zip"}));

    list.SetMaximum(10);
    for (int i = 0; i < 10; ++i)
        list.AddItem(QString("url%1").arg(i));
    list.SetMaximum(4);
    EXPECT_EQ(list.Items(), QStringList({"url9", "url8", "url7", "url6"}));
    list.RemoveItem("URL8");
    EXPECT_EQ(list.Items(), QStringList({"url9", "url7", "url6"}));
    // A byte, as the stored settings hold it.
    list.SetMaximum(1000);
    EXPECT_EQ(list.Maximum(), 255);
    list.SetMaximum(-3);
    EXPECT_EQ(list.Maximum(), 0);
    EXPECT_TRUE(list.Items().isEmpty());
}

TEST_F(MRUFileList, RegistryHoldsExactlyTheEntriesInOrder) {
    {
        TMRUFileList list;
        Configure(list);
        list.SetMaximum(20);
        for (int i = 0; i < 12; ++i)
            list.AddItem(QString("http://example.com/%1").arg(i));
        ASSERT_TRUE(list.SaveToRegistry());
        TMRUFileList loaded;
        Configure(loaded);
        loaded.SetMaximum(20);
        ASSERT_TRUE(loaded.LoadFromRegistry());
        EXPECT_EQ(loaded.Items(), list.Items());
        EXPECT_EQ(loaded.Items().first(), "http://example.com/11");
    }
    {
        // A shorter list leaves no stale values behind; AutoSave writes at destruction.
        TMRUFileList list;
        Configure(list);
        list.AutoSave = true;
        list.AddItem("first = one.zip");
        list.AddItem("second.zip");
    }
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(Stored(), (Pairs{{"F0", "second.zip"}, {"F1", "first = one.zip"}}));

    TMRUFileList unnamed;
    unnamed.AutoSave = false;
    unnamed.AutoSaveKey.clear();
    EXPECT_FALSE(unnamed.LoadFromRegistry());
    EXPECT_FALSE(unnamed.SaveToRegistry());
}

TEST_F(MRUFileList, MenuItemsGoAboveTheItemOrIntoItsSubmenu) {
    QMenu file_menu("&File");
    file_menu.setObjectName("mnuFile");
    file_menu.addAction("&Open...");
    QAction* close = file_menu.addAction("&Close");
    file_menu.addAction("E&xit");

    TMRUFileList list;
    Configure(list);
    list.SetFileMenu(close);
    EXPECT_EQ(Captions(file_menu), QStringList({"&Open...", "&Close", "E&xit"})) << "empty list: nothing shown";
    list.AddItem("Tom & Jerry.zip");
    list.AddItem("b.zip");
    list.AddItem("c.zip");
    RunDeferredDeletes();
    // Every rebuild removes what the last one put in: one separator, however often.
    EXPECT_EQ(Captions(file_menu),
              QStringList({"&Open...", "-", "&1 c.zip", "&2 b.zip", "&3 Tom && Jerry.zip", "&Close", "E&xit"}));
    file_menu.popup(QPoint(0, 0));
    testing::SaveScreenshot(file_menu);
    file_menu.close();

    list.SetUseSubmenu(true);
    list.SetSubmenuName("&Reopen");
    RunDeferredDeletes();
    ASSERT_EQ(Captions(file_menu), QStringList({"&Open...", "-", "&Reopen", "&Close", "E&xit"}));
    QMenu* reopen = file_menu.actions()[2]->menu();
    ASSERT_NE(reopen, nullptr);
    EXPECT_EQ(Captions(*reopen), QStringList({"&1 c.zip", "&2 b.zip", "&3 Tom && Jerry.zip"}));

    // An item with a submenu of its own gets the entries after its last child.
    QMenu recent("Recent");
    QAction* clear = recent.addAction("Clear");
    file_menu.insertMenu(close, &recent);
    list.SetUseSubmenu(false);
    list.SetFileMenu(recent.menuAction());
    RunDeferredDeletes();
    EXPECT_EQ(Captions(file_menu), QStringList({"&Open...", "Recent", "&Close", "E&xit"}));
    EXPECT_EQ(Captions(recent), QStringList({"Clear", "-", "&1 c.zip", "&2 b.zip", "&3 Tom && Jerry.zip"}));
    EXPECT_EQ(recent.actions().first(), clear);
}

TEST_F(MRUFileList, ClickHandsTheEntryAndRemovesIt) {
    QMenu file_menu("&File");
    file_menu.setObjectName("mnuFileClick");
    QAction* close = file_menu.addAction("&Close");
    TMRUFileList list;
    Configure(list);
    list.SetFileMenu(close);
    list.AddItem("a.zip");
    list.AddItem("b.zip");
    QStringList clicked;
    list.OnMRUItemClick = [&](TMRUFileList& sender, const QString& text) {
        EXPECT_EQ(&sender, &list);
        clicked.append(text);
    };

    // The user opens the menu and clicks the second entry.
    file_menu.popup(QPoint(0, 0));
    QAction* second = file_menu.actions()[2];
    ASSERT_EQ(second->text(), "&2 a.zip");
    QTest::mouseClick(&file_menu, Qt::LeftButton, {}, file_menu.actionGeometry(second).center());
    RunDeferredDeletes();
    EXPECT_EQ(clicked, QStringList({"a.zip"}));
    EXPECT_EQ(list.Items(), QStringList({"b.zip"}));
    EXPECT_EQ(Captions(file_menu), QStringList({"-", "&1 b.zip", "&Close"}));

    // Kept when RemoveOnClick is off.
    list.RemoveOnClick = false;
    file_menu.actions()[1]->trigger();
    RunDeferredDeletes();
    EXPECT_EQ(clicked, QStringList({"a.zip", "b.zip"}));
    EXPECT_EQ(list.Items(), QStringList({"b.zip"}));
}

}  // namespace
}  // namespace corvane
