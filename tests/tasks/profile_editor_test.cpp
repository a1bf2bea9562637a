#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "engine/model/settings.h"
#include "tasks/entry_dialogs.h"
#include "tasks/file_type_tree.h"
#include "tasks/profile_editor.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/screenshot.h"
#include "tests/tasks/profile_window_support.h"

namespace corvane {
namespace {

using testing::OnModal;
using testing::ScriptedMessageBoxes;

class ProfileEditor : public testing::ProfileWindowHome {
protected:
    static std::string PathOf(const std::string& name) { return App->ProfilesDir + name + ".cvp"; }
    static void Write(const std::string& name, const std::function<void(TCVProfile&)>& set) {
        TCVProfile profile;
        profile.LoadDefaults();
        profile.Name = name;
        profile.FileName = PathOf(name);
        set(profile);
        profile.Save();
    }
    static TCVProfile Read(const std::string& name) {
        TCVProfile profile;
        profile.FileName = PathOf(name);
        profile.Load();
        return profile;
    }
    static bool Exists(const std::string& name) { return std::filesystem::exists(PathOf(name)); }

    void SetUp() override {
        ProfileWindowHome::SetUp();
        Write("Alpha", [](TCVProfile& p) {
            p.Depth = 3;
            p.PageLocation = lcDirectory;
            p.ResourceLocation = lcSite;
            p.FileTypes = TStringList({".gif", ".txt"});
            p.URLFiltersInclude = TStringList({"[AL]news"});
            p.URLFiltersExclude = TStringList({"[RL].zip", "[PL]login"});
            p.UseStartPageTitle = false;
            p.AggressiveParser = 2;
            p.ConvertFollowedLinks = 0;
            p.ConvertUnfollowedLinks = 2;
            p.PageFileSizeMax = 4096;
        });
        Write("Beta", [](TCVProfile& p) { p.Depth = 0; });
    }

    static QStringList Captions(const TdlgEditProfile& editor) {
        QStringList captions;
        for (int i = 0; i < editor.lvProfiles->count(); ++i) captions << editor.lvProfiles->item(i)->text();
        return captions;
    }
    static void Select(TdlgEditProfile& editor, const QString& caption) {
        const auto found = editor.lvProfiles->findItems(caption, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << caption.toStdString();
        QListWidget* list = editor.lvProfiles;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found[0]).center());
        ASSERT_EQ(list->currentItem(), found[0]);
    }
    // Edits the selected caption in place (F2), as a user renames a profile.
    static void Rename(TdlgEditProfile& editor, const QString& caption) {
        QTest::keyClick(editor.lvProfiles, Qt::Key_F2);
        TypeCaption(editor, caption);
    }
    static void TypeCaption(TdlgEditProfile& editor, const QString& caption) {
        QLineEdit* box = nullptr;
        for (QLineEdit* edit : editor.lvProfiles->viewport()->findChildren<QLineEdit*>())
            if (edit->isVisible()) box = edit;
        ASSERT_NE(box, nullptr);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, caption);
        QTest::keyClick(box, Qt::Key_Return);
        QCoreApplication::processEvents();  // the view commits the edit queued
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static void AddRule(TdlgEditProfile& editor, const char* text) {
        OnModal<TdlgEditURLFilter> script([text](TdlgEditURLFilter& d) {
            QTest::keyClicks(d.edURLFilter, text);
            QTest::mouseClick(d.btnOK, Qt::LeftButton);
        });
        QTest::mouseClick(editor.findChild<QPushButton*>("btnExAdd"), Qt::LeftButton);
        editor.findChild<QAction*>("pmiExAll")->trigger();
        editor.findChild<QMenu*>("pmiExFilter")->hide();
    }
};

TEST_F(ProfileEditor, SelectingLoadsEveryControl) {
    TdlgEditProfile editor;
    editor.show();
    EXPECT_EQ(editor.windowTitle(), "Profiles Editor");
    EXPECT_EQ(Captions(editor), QStringList({"Alpha", "Beta"}));
    EXPECT_FALSE(editor.btnProfileDelete->isEnabled());
    Select(editor, "Alpha");
    EXPECT_TRUE(editor.btnProfileDelete->isEnabled());
    EXPECT_EQ(editor.edProfileName->text(), "Alpha");
    EXPECT_TRUE(editor.rbLevels->isChecked());
    EXPECT_EQ(editor.edLevels->value(), 3);
    EXPECT_TRUE(editor.rbPagesDir->isChecked());
    EXPECT_TRUE(editor.rbResSite->isChecked());
    EXPECT_FALSE(editor.cbUseStartPageTitle->isChecked());
    EXPECT_FALSE(editor.cbAll->isChecked());
    EXPECT_EQ(editor.FileTypes().GetCheckedFileTypes(), TStringList({".gif", ".txt"}));
    EXPECT_EQ(editor.lbInc->item(0)->text(), "[AL]news");
    EXPECT_EQ(editor.lbEx->count(), 2);
    EXPECT_FALSE(editor.Changed);
    editor.tvFileTypes->expandAll();
    testing::SaveScreenshot(editor);

    Select(editor, "Beta");
    EXPECT_TRUE(editor.rbPageOnly->isChecked());
    EXPECT_TRUE(editor.rbPagesSite->isChecked());  // the defaults of a profile without the keys
    EXPECT_TRUE(editor.rbResAnywhere->isChecked());
    EXPECT_TRUE(editor.cbAll->isChecked());
    EXPECT_EQ(editor.lbInc->count(), 0);
    EXPECT_FALSE(editor.Changed);
}

TEST_F(ProfileEditor, LeavingAChangedProfileAsksAndKeepsWhatHasNoControl) {
    TdlgEditProfile editor;
    editor.show();
    ScriptedMessageBoxes boxes;
    Select(editor, "Alpha");
    Select(editor, "Beta");  // unchanged: no question
    Select(editor, "Alpha");
    testing::ClickBox(editor.rbAll);
    testing::ClickBox(editor.rbPagesAnywhere);
    boxes.Expect(MsgButton::Yes, "Save changes to profile: Alpha?");
    Select(editor, "Beta");
    const TCVProfile alpha = Read("Alpha");
    EXPECT_EQ(alpha.Depth, -1);
    EXPECT_EQ(alpha.PageLocation, lcAnywhere);
    EXPECT_EQ(alpha.URLFiltersExclude, TStringList({"[RL].zip", "[PL]login"}));
    EXPECT_EQ(alpha.AggressiveParser, 2);
    EXPECT_EQ(alpha.ConvertFollowedLinks, 0);
    EXPECT_EQ(alpha.ConvertUnfollowedLinks, 2);
    EXPECT_EQ(alpha.PageFileSizeMax, 4096);

    const std::string beta = testing::ReadBytes(PathOf("Beta"));
    testing::ClickBox(editor.cbUseStartPageTitle);
    boxes.Expect(MsgButton::No, "Save changes to profile: Beta?");
    Select(editor, "Alpha");
    EXPECT_EQ(testing::ReadBytes(PathOf("Beta")), beta);
    Select(editor, "Beta");  // the answer cleared the change
    EXPECT_TRUE(editor.cbUseStartPageTitle->isChecked());
}

TEST_F(ProfileEditor, RuleChangesAndTicksMarkTheProfileChanged) {
    TdlgEditProfile editor;
    editor.show();
    Select(editor, "Beta");
    AddRule(editor, "ads");
    EXPECT_TRUE(editor.Changed);
    editor.Changed = false;
    editor.lbEx->setCurrentRow(0);
    {
        OnModal<TdlgEditURLFilter> script([](TdlgEditURLFilter& d) {
            QTest::keyClicks(d.edURLFilter, "2");
            QTest::mouseClick(d.btnOK, Qt::LeftButton);
        });
        QTest::mouseClick(editor.findChild<QPushButton*>("btnExEdit"), Qt::LeftButton);
    }
    EXPECT_TRUE(editor.Changed);
    editor.Changed = false;
    QTest::mouseClick(editor.findChild<QPushButton*>("btnExRemove"), Qt::LeftButton);
    EXPECT_TRUE(editor.Changed);
    editor.Changed = false;
    testing::ClickBox(editor.cbAll);
    EXPECT_TRUE(editor.Changed);
    editor.Changed = false;

    // An edited rule reaches the file when the user agrees to save.
    Select(editor, "Alpha");
    AddRule(editor, "tracker");
    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::Yes);
    Select(editor, "Beta");
    EXPECT_EQ(Read("Alpha").URLFiltersExclude, TStringList({"[RL].zip", "[PL]login", "[AL]tracker"}));
}

TEST_F(ProfileEditor, RenameWritesTheNewFileBeforeTheOldGoes) {
    TdlgEditProfile editor;
    editor.show();
    Select(editor, "Alpha");
    testing::ClickBox(editor.rbPageOnly);
    Rename(editor, "Gamma");
    EXPECT_FALSE(Exists("Alpha"));
    ASSERT_TRUE(Exists("Gamma"));
    EXPECT_EQ(Read("Gamma").Name, "Gamma");
    EXPECT_EQ(Read("Gamma").Depth, 0);
    EXPECT_EQ(Read("Gamma").URLFiltersInclude, TStringList({"[AL]news"}));
    EXPECT_EQ(editor.edProfileName->text(), "Gamma");
    EXPECT_FALSE(editor.Changed);

    // The new file cannot be written: the old file, name and caption stay.
    std::filesystem::create_directories(PathOf("Delta"));
    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::OK, "The profile could not be saved: ");
    Rename(editor, "Delta");
    EXPECT_TRUE(Exists("Gamma"));
    EXPECT_EQ(editor.lvProfiles->currentItem()->text(), "Gamma");
    EXPECT_EQ(editor.Current.FileName, PathOf("Gamma"));

    // Refused names revert the caption and touch no file.
    const std::string gamma = testing::ReadBytes(PathOf("Gamma"));
    for (const char* name : {"", "custom", "BETA", "a/b", ".."}) {
        boxes.Expect(MsgButton::OK);
        Rename(editor, name);
        EXPECT_EQ(editor.lvProfiles->currentItem()->text(), "Gamma") << name;
    }
    EXPECT_EQ(testing::ReadBytes(PathOf("Gamma")), gamma);
    EXPECT_EQ(Captions(editor), QStringList({"Gamma", "Beta"}));
    EXPECT_EQ(boxes.shown.size(), 6u);
}

TEST_F(ProfileEditor, NewNeverTakesAnExistingProfilesName) {
    Write("New Profile", [](TCVProfile& p) { p.Depth = 7; });
    const std::string kept = testing::ReadBytes(PathOf("New Profile"));
    TdlgEditProfile editor;
    editor.show();
    QTest::mouseClick(editor.btnProfileNew, Qt::LeftButton);
    EXPECT_EQ(editor.edProfileName->text(), "New Profile (0)");
    EXPECT_TRUE(editor.rbAll->isChecked());  // a missing file's defaults
    TypeCaption(editor, "Fresh");
    ASSERT_TRUE(Exists("Fresh"));
    EXPECT_EQ(Read("Fresh").Depth, -1);
    EXPECT_EQ(Read("Fresh").ResourceLocation, lcAnywhere);
    EXPECT_EQ(testing::ReadBytes(PathOf("New Profile")), kept);
    EXPECT_FALSE(Exists("New Profile (0)"));
}

TEST_F(ProfileEditor, DeleteIsSilentAndFileTypeDeletionAsksInItsOwnWords) {
    TdlgEditProfile editor;
    editor.show();
    Select(editor, "Beta");
    testing::ClickBox(editor.cbUseStartPageTitle);
    QTest::mouseClick(editor.btnProfileDelete, Qt::LeftButton);  // no box: the strict script would fail
    EXPECT_FALSE(Exists("Beta"));
    EXPECT_EQ(Captions(editor), QStringList({"Alpha"}));
    EXPECT_FALSE(editor.btnProfileDelete->isEnabled());

    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::No, "Are you sure you want to delete the Docs file type group?");
    editor.tvFileTypes->setCurrentItem(editor.tvFileTypes->findItems("Docs", Qt::MatchExactly)[0]);
    QTest::mouseClick(editor.findChild<QPushButton*>("btnDelete"), Qt::LeftButton);
    EXPECT_EQ(Group("Docs"), ".doc;.HTM;.txt;left over");
}

TEST_F(ProfileEditor, ClosingWithChangesAsks) {
    TdlgEditProfile editor;
    editor.show();
    Select(editor, "Beta");
    testing::ClickBox(editor.rbLevels);
    editor.edLevels->setFocus();
    QTest::keyClick(editor.edLevels, Qt::Key_Up);
    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::Yes, "Save changes to profile: Beta?");
    QTest::mouseClick(editor.btnCancel, Qt::LeftButton);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(Read("Beta").Depth, 2);

    const std::string beta = testing::ReadBytes(PathOf("Beta"));
    editor.show();
    testing::ClickBox(editor.rbAll);
    boxes.Expect(MsgButton::No);
    QTest::keyClick(&editor, Qt::Key_Escape);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(testing::ReadBytes(PathOf("Beta")), beta);
}

}  // namespace
}  // namespace corvane
