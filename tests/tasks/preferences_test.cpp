// The preferences: the settings snapshot through the registry, and the dialog as a user drives it.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QApplication>
#include <QTest>
#include <algorithm>

#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "localisation/message_ids.h"
#include "tasks/lang_text.h"
#include "tasks/options_dialog.h"
#include "tasks/preferences_store.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"
#include "tests/support/recording_app_host.h"
#include "tests/support/screenshot.h"
#include "tests/support/scripted_dialogs.h"
#include "widgets/transparent_button.h"

namespace corvane::testing {
namespace {

class Preferences : public FreshHome {
protected:
    static std::string Setting(const char* name) { return RegRead<std::string>(kSettingsKey, name, "<none>"); }
    static bool Flag(const char* name) { return RegRead<bool>(kSettingsKey, name, false); }
    bool Called(const std::string& call) const {
        return std::find(host_.calls.begin(), host_.calls.end(), call) != host_.calls.end();
    }
    static void Type(QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }

    QApplication& app_ = GuiApp();  // before the host, whose menu needs it
    RecordingAppHost host_;
    ScriptedMessageBoxes boxes_;
    ScriptedFileDialogs dialogs_;
};

TEST_F(Preferences, EveryValueRoundTripsThroughTheRegistry) {
    TPreferences p;
    p.ZipLast = true;
    p.ZipPropertiesFirst = true;
    p.BeepOnCompletion = false;
    p.ShowSummary = false;
    p.MaxURLHistory = "37";
    p.MaxFileHistory = "0";
    p.TempFolder = home_ + "scratch/Corvane/";
    p.DownloadsFolder = home_ + "dl/";
    p.LastZipFolder = false;
    p.ZipFolder = home_ + "zips";
    p.LastUnzipFolder = false;
    p.UnzipFolder = home_ + "out";
    p.UseProxy = true;
    p.ProxyAddress = "proxy.example";
    p.ProxyPort = "8080";
    p.ProxyUserName = "u";
    p.ProxyPassword = "p:q";  // the user name ends at the first colon
    p.UserAgent = "Anonymous";
    p.IntranetFolder = home_ + "intra/";
    StorePreferences(p);
    RestartApp();
    EXPECT_EQ(ReadPreferences(), p);
    EXPECT_EQ(App->ProxyAuthorization, "u:p:q");
    EXPECT_EQ(App->UserAgent, "");  // "Anonymous" sends no agent
    EXPECT_TRUE(Flag("Zip Properties First"));

    // The last-folder choices keep the stored folder names.
    p.LastZipFolder = true;
    p.ZipFolder = "/elsewhere";
    StorePreferences(p);
    EXPECT_EQ(Setting("Zip Folder"), home_ + "zips");
    EXPECT_TRUE(Flag("Last Zip Folder"));
}

TEST_F(Preferences, ProxyAndHistoryValuesAreCleanedOnStore) {
    TPreferences p = ReadPreferences();
    p.ProxyAddress = " http://x ";
    p.ProxyPort = " 3128 ";
    p.ProxyUserName = "user";
    p.MaxURLHistory = "lots";
    p.MaxFileHistory = "300";
    StorePreferences(p);
    EXPECT_EQ(App->ProxyAddress, "x");
    EXPECT_EQ(App->ProxyPort, "3128");
    EXPECT_EQ(App->ProxyAuthorization, "");  // no password, no authorization
    EXPECT_EQ(App->MaxURLHistory, 20);
    EXPECT_EQ(App->MaxFileHistory, kMaxHistoryLength);
    p.ProxyAddress = "HTTP://x";
    StorePreferences(p);
    EXPECT_EQ(Setting("Proxy Address"), "HTTP://x");
}

TEST_F(Preferences, TheDialogShowsTheSettingsAndStoresWhatTheUserChanges) {
    App->SetProxyAuthorization("u:p:q");
    App->SetUseProxy(true);
    App->SetMaxURLHistory(42);
    TdlgOptions dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Corvane - Preferences");
    EXPECT_EQ(dialog.edMaxURLHistory->value(), 42);
    EXPECT_EQ(dialog.edProxyUsername->text(), "u");
    EXPECT_EQ(dialog.edProxyPassword->text(), "p:q");
    EXPECT_TRUE(dialog.edAddress->isEnabled());
    EXPECT_EQ(dialog.cmbUserAgent->itemText(0), "Corvane");
    EXPECT_EQ(dialog.edTempFolder->text().toStdString(), App->GetTempFolder());
    EXPECT_TRUE(dialog.rbLastZipFolder->isChecked());
    for (int tab = 0; tab < dialog.PageControl1->count(); ++tab) {
        dialog.PageControl1->setCurrentIndex(tab);
        SaveScreenshot(dialog, QString("-%1").arg(tab + 1));
    }

    QTest::mouseClick(dialog.cbProxy, Qt::LeftButton, {}, QPoint(8, dialog.cbProxy->height() / 2));
    EXPECT_FALSE(dialog.edAddress->isEnabled());
    Type(dialog.edZipFolder, QString::fromStdString(home_ + "typed"));
    EXPECT_TRUE(dialog.rbZipFolder->isChecked());
    // The downloads box is a setting of its own: it leaves the unzip choice alone.
    Type(dialog.edDownloadsFolder, QString::fromStdString(home_ + "dl2"));
    EXPECT_TRUE(dialog.rbLastUnzipFolder->isChecked());
    dialogs_.Expect(FileDialogKind::ChooseFolder, {home_ + "chosen"});
    QTest::mouseClick(dialog.btnUnzipFolder, Qt::LeftButton);
    EXPECT_EQ(dialog.edUnzipFolder->text().toStdString(), home_ + "chosen");
    EXPECT_TRUE(dialog.rbUnzipFolder->isChecked());
    dialog.edMaxFileHistory->setValue(7);

    QTest::mouseClick(dialog.TransparentButton2, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Setting("Zip Folder"), home_ + "typed");
    EXPECT_EQ(Setting("Unzip Folder"), home_ + "chosen");
    EXPECT_FALSE(Flag("Last Unzip Folder"));
    EXPECT_FALSE(App->UseProxy);
    EXPECT_EQ(App->DownloadsFolder, home_ + "dl2/");
    EXPECT_EQ(App->MaxFileHistory, 7);
    EXPECT_EQ(App->ProxyAuthorization, "u:p:q");
}

TEST_F(Preferences, CancelAndARefusedFolderStoreNothing) {
    TdlgOptions dialog;
    dialog.show();
    const std::string before = store_->ExportText();
    Type(dialog.edIntranetFolder, "My Sites");
    dialog.cbBeepOnCompletion->setChecked(false);
    boxes_.Expect(MsgButton::OK, "My Sites");
    QTest::mouseClick(dialog.TransparentButton2, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(store_->ExportText(), before);

    QTest::mouseClick(dialog.TransparentButton3, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(store_->ExportText(), before);
}

TEST_F(Preferences, TheClearButtonsAskFirst) {
    TdlgOptions dialog;
    dialog.show();
    boxes_.Expect(MsgButton::No, LangText(msg::ConfirmClearUrlHistory));
    QTest::mouseClick(dialog.btnURLHistoryClear, Qt::LeftButton);
    boxes_.Expect(MsgButton::No, LangText(msg::ConfirmClearFileHistory));
    QTest::mouseClick(dialog.btnFileHistoryClear, Qt::LeftButton);
    EXPECT_TRUE(host_.calls.empty());
    boxes_.Expect(MsgButton::Yes, LangText(msg::ConfirmClearUrlHistory));
    QTest::mouseClick(dialog.btnURLHistoryClear, Qt::LeftButton);
    EXPECT_TRUE(Called("ClearRecentURLs()"));
    EXPECT_FALSE(Called("ClearRecentArchives()"));
    boxes_.Expect(MsgButton::Yes, LangText(msg::ConfirmClearFileHistory));
    QTest::mouseClick(dialog.btnFileHistoryClear, Qt::LeftButton);
    EXPECT_TRUE(Called("ClearRecentArchives()"));
}

}  // namespace
}  // namespace corvane::testing
