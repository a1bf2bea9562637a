// The skin chooser: the skins of the folder, a click stores and applies at once, Cancel keeps it.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QApplication>
#include <QTest>
#include <filesystem>

#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "tasks/select_skin_dialog.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"
#include "tests/support/recording_app_host.h"
#include "tests/support/screenshot.h"
#include "widgets/transparent_button.h"

namespace corvane::testing {
namespace {

class SelectSkin : public FreshHome {
protected:
    void SetUp() override {
        FreshHome::SetUp();
        App->SkinsDir = home_ + "Skins/";
        for (const char* skin : {"Ocean", "Default", "Amber"}) std::filesystem::create_directories(App->SkinsDir + skin);
        WriteBytes(App->SkinsDir + "readme.txt", "not a skin");
        App->SetSkin("Default");
    }
    static QStringList Items(const QListWidget& list) {
        QStringList items;
        for (int i = 0; i < list.count(); ++i) items << list.item(i)->text();
        return items;
    }
    static void Click(QListWidget& list, int row) {
        const QRect rect = list.visualItemRect(list.item(row));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
    }

    QApplication& app_ = GuiApp();  // before the host, whose menu needs it
    RecordingAppHost host_;
};

TEST_F(SelectSkin, AClickStoresAndAppliesTheSkinAndCancelKeepsIt) {
    TdlgSelectSkin dialog;
    dialog.show();
    EXPECT_EQ(Items(*dialog.lbSkins), QStringList({"Amber", "Default", "Ocean"}));
    EXPECT_EQ(dialog.lbSkins->currentRow(), 1);
    const std::uint32_t bgr = App->Colors()[1];
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
    EXPECT_FALSE(dialog.btnDownload->isVisible());  // no address for more skins
    SaveScreenshot(dialog);

    Click(*dialog.lbSkins, 2);
    EXPECT_EQ(App->Skin, "Ocean");
    EXPECT_EQ(RegRead<std::string>(kSettingsKey, "Skin", ""), "Ocean");
    EXPECT_EQ(host_.calls, std::vector<std::string>{"ApplySkin()"});

    QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    RestartApp();
    EXPECT_EQ(App->Skin, "Ocean");
}

}  // namespace
}  // namespace corvane::testing
