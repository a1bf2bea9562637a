#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "localisation/app_language.h"
#include "tasks/entry_dialogs.h"
#include "tests/support/screenshot.h"
#include "tests/tasks/profile_window_support.h"

namespace corvane {
namespace {

using testing::OnModal;

class EntryDialogs : public testing::ProfileWindowHome {};

TEST_F(EntryDialogs, LoginNeedsAccountAndPassword) {
    TdlgUserNamePassword dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Account/Password");
    EXPECT_EQ(dialog.edPassword->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(dialog.btnOK->isEnabled());
    QTest::keyClicks(dialog.edUserName, "anna");
    EXPECT_FALSE(dialog.btnOK->isEnabled());
    QTest::keyClicks(dialog.edPassword, "secret");
    EXPECT_TRUE(dialog.btnOK->isEnabled());
    testing::SaveScreenshot(dialog);
    dialog.edUserName->selectAll();
    QTest::keyClick(dialog.edUserName, Qt::Key_Delete);
    EXPECT_FALSE(dialog.btnOK->isEnabled());
}

// Runs the file-type dialog modally; `act` types and ends it. Returns the dialog's result.
int RunFileType(const std::string& mode, const QString& group, std::function<void(TdlgEditFileType&)> act) {
    TdlgEditFileType dialog;
    dialog.Mode = mode;
    dialog.edFileType->setText(group);
    OnModal<TdlgEditFileType> script(std::move(act));
    return dialog.exec();
}

TEST_F(EntryDialogs, FileTypeWritesTheGroupWithAFinalSeparator) {
    EXPECT_EQ(RunFileType("", "", [](TdlgEditFileType& d) {
                  EXPECT_EQ(d.windowTitle(), "New File Type");
                  QTest::keyClicks(d.edExtensions, ".a;.b");
                  // An empty group name would write the key's default value.
                  EXPECT_FALSE(d.Button1->isEnabled());
                  QTest::keyClicks(d.edFileType, "Office");
                  testing::SaveScreenshot(d);
                  QTest::mouseClick(d.Button1, Qt::LeftButton);
              }),
              QDialog::Accepted);
    EXPECT_EQ(Group("Office"), ".a;.b;");

    RunFileType("", "", [](TdlgEditFileType& d) {
        QTest::keyClicks(d.edFileType, "Nothing");
        QTest::mouseClick(d.Button1, Qt::LeftButton);
    });
    EXPECT_EQ(Group("Nothing"), "");
}

TEST_F(EntryDialogs, FileTypeEditPrefillsAndRenameKeepsTheOldGroup) {
    RunFileType("Edit", "Images", [](TdlgEditFileType& d) {
        EXPECT_EQ(d.windowTitle(), "Edit File Type");
        EXPECT_EQ(d.edExtensions->text(), ".gif;.jpg;");
        d.edFileType->selectAll();
        QTest::keyClicks(d.edFileType, "Pictures");
        QTest::keyClicks(d.edExtensions, ".png");
        QTest::mouseClick(d.Button1, Qt::LeftButton);
    });
    EXPECT_EQ(Group("Pictures"), ".gif;.jpg;.png;");
    EXPECT_EQ(Group("Images"), ".gif;.jpg;");

    // Esc cancels from inside a box and writes nothing.
    const std::vector<std::string> before = Groups();
    EXPECT_EQ(RunFileType("Edit", "Docs", [](TdlgEditFileType& d) {
                  d.edExtensions->clear();
                  QTest::keyClicks(d.edExtensions, ".x");
                  QTest::keyClick(d.edExtensions, Qt::Key_Escape);
              }),
              QDialog::Rejected);
    EXPECT_EQ(Groups(), before);
    EXPECT_EQ(Group("Docs"), ".doc;.HTM;.txt;left over");
}

TEST_F(EntryDialogs, FilterExplainsEachKindAndMarker) {
    const std::pair<const char*, const char*> cases[] = {{"Inc", "[AL]"}, {"Inc", "[PL]"}, {"Inc", "[RL]"},
                                                         {"Ex", "[AL]"},  {"Ex", "[PL]"},  {"Ex", "[RL]"}};
    std::uint16_t id = 747;
    for (const auto& [kind, prefix] : cases) {
        TdlgEditURLFilter dialog;
        dialog.Kind = kind;
        dialog.Prefix = prefix;
        dialog.show();
        EXPECT_EQ(dialog.Label1->text().toStdString(), AppLanguage().GetLangStr(id++)) << kind << prefix;
        if (id == 751) testing::SaveScreenshot(dialog);
    }
    TdlgEditURLFilter other;
    const QString layout = other.Label1->text();
    other.Kind = "Inc";
    other.Prefix = "[XL]";
    other.show();
    EXPECT_EQ(other.Label1->text(), layout);
    EXPECT_FALSE(other.btnOK->isEnabled());
    QTest::keyClicks(other.edURLFilter, "x");
    EXPECT_TRUE(other.btnOK->isEnabled());
    QTest::keyClick(other.edURLFilter, Qt::Key_Backspace);
    EXPECT_FALSE(other.btnOK->isEnabled());
}

}  // namespace
}  // namespace corvane
