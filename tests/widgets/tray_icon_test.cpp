// The tray icon through a recording backend and a stepped clock: the tip, clicks and
// double-clicks, the popup menu, the icon animation, the soft timers' period, the owner and state
// rules, and hiding and showing the program.

#include "widgets/tray_icon.h"

#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace corvane {
namespace {

class RecordingTrayBackend : public TrayBackend {
public:
    void SetVisible(bool visible) override { Visible = visible; }
    void SetIcon(const QIcon& icon) override { Icon = icon; }
    void SetToolTip(const QString& tip) override { ToolTip = tip; }
    void SetMenu(QMenu* menu) override { Menu = menu; }
    void PopupMenu(QMenu& menu, const QPoint&) override { Popups.push_back(&menu); }
    QPoint CursorPos() const override { return {}; }

    bool Visible = false;
    QIcon Icon;
    QString ToolTip;
    QMenu* Menu = nullptr;
    std::vector<QMenu*> Popups;
};

QRgb ColourOf(const QIcon& icon) { return icon.isNull() ? 0 : icon.pixmap(16, 16).toImage().pixel(8, 8); }

QIcon Plain(QColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

class TrayIcon : public ::testing::Test {
protected:
    void SetUp() override {
        form_.setObjectName("frmTrayOwner");
        auto backend = std::make_unique<RecordingTrayBackend>();
        backend_ = backend.get();
        tray_ = new TPGTrayIcon95(&form_, std::move(backend));
        tray_->Timers().SetClock([this] { return now_; });
    }
    // Moves the stepped clock on, one interface-timer round at a time.
    void Advance(int ms) {
        for (int step = 0; step < ms; step += 10) {
            now_ += 10;
            tray_->Timers().Tick();
        }
    }

    bool app_ = (testing::GuiApp(), true);  // before the form
    QWidget form_;
    RecordingTrayBackend* backend_ = nullptr;
    TPGTrayIcon95* tray_ = nullptr;  // owned by the form
    std::int64_t now_ = 1000;
};

TEST_F(TrayIcon, OwnerAndStateRules) {
    QObject notAForm;
    QWidget child(&form_);
    for (QObject* owner : {static_cast<QObject*>(nullptr), &notAForm, static_cast<QObject*>(&child)}) {
        try {
            TPGTrayIcon95 icon(owner, std::make_unique<RecordingTrayBackend>());
            ADD_FAILURE() << "accepted an owner that is not a form";
        } catch (const EInvalidOperation& e) {
            EXPECT_STREQ(e.what(), "TrayIcons must be owned by a Form !");
        }
    }

    tray_->SetIcon(Plain(Qt::green));
    tray_->SetDisabledIcon(Plain(Qt::gray));
    tray_->SetState(TPGTrayIconState::tsDisabled);  // inactive: only stored, the handler not asked
    tray_->SetState(TPGTrayIconState::tsEnabled);
    tray_->SetActive(true);
    EXPECT_TRUE(backend_->Visible);
    EXPECT_EQ(ColourOf(backend_->Icon), QColor(Qt::green).rgb());

    // The handler may alter the new state, but not set State itself.
    tray_->OnStateChanging = [](TPGTrayIcon95*, TPGTrayIconState& next) { next = TPGTrayIconState::tsDisabled; };
    tray_->SetState(TPGTrayIconState::tsAnimated);
    EXPECT_EQ(tray_->State(), TPGTrayIconState::tsDisabled);
    EXPECT_EQ(ColourOf(backend_->Icon), QColor(Qt::gray).rgb());
    tray_->OnStateChanging = [](TPGTrayIcon95* icon, TPGTrayIconState&) { icon->SetState(TPGTrayIconState::tsEnabled); };
    try {
        tray_->SetState(TPGTrayIconState::tsEnabled);
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "You cannot modify the state property in the OnStateChanging event !!!");
    }
    EXPECT_EQ(tray_->State(), TPGTrayIconState::tsDisabled);
    tray_->OnStateChanging = nullptr;
    tray_->SetState(TPGTrayIconState::tsEnabled);  // the guard was released by the exception
    EXPECT_EQ(tray_->State(), TPGTrayIconState::tsEnabled);

    tray_->EndSession();
    EXPECT_FALSE(backend_->Visible);
    EXPECT_FALSE(tray_->Active());
}

TEST_F(TrayIcon, TipIsTheHintsFirst63Characters) {
    tray_->SetHint(QString(100, 'h'));
    EXPECT_TRUE(backend_->ToolTip.isEmpty()) << "nothing is sent while inactive";
    tray_->SetActive(true);
    EXPECT_EQ(backend_->ToolTip, QString(63, 'h'));
    tray_->SetShowHint(false);
    EXPECT_EQ(backend_->ToolTip, "");
    tray_->SetShowHint(true);
    tray_->SetHint("Corvane");
    EXPECT_EQ(backend_->ToolTip, "Corvane");
}

TEST_F(TrayIcon, ClicksDoubleClicksAndTheMenu) {
    int clicks = 0, doubles = 0;
    tray_->OnClick = [&](TPGTrayIcon95*) { ++clicks; };
    tray_->OnDblClick = [&](TPGTrayIcon95*) { ++doubles; };
    tray_->SetActive(true);

    backend_->OnPress(TrayButton::Left);
    Advance(390);
    EXPECT_EQ(clicks, 0) << "waits for a second press";
    Advance(10);
    EXPECT_EQ(clicks, 1);
    Advance(1000);
    EXPECT_EQ(clicks, 1);

    backend_->OnPress(TrayButton::Left);
    Advance(100);
    backend_->OnDoubleClick(TrayButton::Left);
    Advance(1000);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(doubles, 1);

    // Without a double-click handler the click comes as soon as the loop runs, not after 400 ms.
    tray_->OnDblClick = nullptr;
    backend_->OnPress(TrayButton::Left);
    EXPECT_EQ(clicks, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks, 2);

    // The right button with AutoPopup and a menu opens the menu only.
    QMenu menu;
    menu.addAction("Open");
    tray_->SetPopupMenu(&menu);
    backend_->OnPress(TrayButton::Right);
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks, 3) << "no AutoPopup: a plain click";
    tray_->SetAutoPopup(true);
    EXPECT_EQ(backend_->Menu, &menu);
    backend_->OnPress(TrayButton::Right);
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks, 3);
    ASSERT_EQ(backend_->Popups.size(), 1u);
    EXPECT_EQ(backend_->Popups[0], &menu);

    // A later deferred call replaces one not yet run.
    std::vector<int> ran;
    tray_->DeferredCall([&] { ran.push_back(1); });
    tray_->DeferredCall([&] { ran.push_back(2); });
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, std::vector<int>{2});
}

TEST_F(TrayIcon, AnimationCyclesThroughItsIcons) {
    QTemporaryDir dir;
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        files << dir.filePath(QString("frame%1.png").arg(i));
        QPixmap pixmap(16, 16);
        pixmap.fill(colours[i]);
        ASSERT_TRUE(pixmap.save(files.back()));
    }
    int steps = 0;
    tray_->OnAnimation = [&](TPGTrayIcon95*) { ++steps; };
    tray_->SetIcon(Plain(Qt::yellow));

    // An empty list keeps the icon on show.
    tray_->SetActive(true);
    tray_->SetState(TPGTrayIconState::tsAnimated);
    Advance(3000);
    EXPECT_EQ(ColourOf(backend_->Icon), QColor(Qt::yellow).rgb());

    tray_->SetState(TPGTrayIconState::tsEnabled);
    tray_->Animation().SetIcons(files);
    tray_->Animation().SetInterval(200);
    steps = 0;
    tray_->SetState(TPGTrayIconState::tsAnimated);
    std::vector<QRgb> shown{ColourOf(backend_->Icon)};
    for (int i = 0; i < 3; ++i) {
        Advance(200);
        shown.push_back(ColourOf(backend_->Icon));
    }
    EXPECT_EQ(shown, (std::vector<QRgb>{colours[0].rgb(), colours[1].rgb(), colours[2].rgb(), colours[0].rgb()}));
    EXPECT_EQ(steps, 4);
    tray_->SetActive(false);
    Advance(1000);
    EXPECT_EQ(steps, 4) << "stops with the icon";
}

TEST_F(TrayIcon, SoftTimerPeriod) {
    TPGTimerManager manager;
    TPGTimerItem slow(manager, 400), fast(manager, 70);
    EXPECT_EQ(manager.Period(), 0);
    slow.SetEnabled(true);
    EXPECT_EQ(manager.Period(), 150);
    fast.SetEnabled(true);
    EXPECT_EQ(manager.Period(), 70);
    fast.SetEnabled(false);
    EXPECT_EQ(manager.Period(), 150);
}

TEST_F(TrayIcon, HideAppThenShowApp) {
    auto* layout = new QVBoxLayout(&form_);
    layout->addWidget(new QLabel("Corvane is in the notification area"));
    QWidget other;
    other.setObjectName("frmOther");
    other.setAttribute(Qt::WA_DeleteOnClose, false);
    // Shown off-screen: a window really shown makes Qt register input devices after the test
    // program's application object, and their clean-up at exit then crashes.
    form_.setAttribute(Qt::WA_DontShowOnScreen);
    other.setAttribute(Qt::WA_DontShowOnScreen);
    form_.show();
    other.show();
    tray_->SetOptions(toCloseFormsOnHideApp);
    tray_->SetActive(true);

    tray_->HideApp();
    EXPECT_FALSE(form_.isVisible());
    EXPECT_FALSE(other.isVisible());
    EXPECT_TRUE(backend_->Visible) << "the icon stays to bring it back";

    tray_->ShowApp();
    EXPECT_FALSE(form_.isVisible()) << "runs as a deferred call";
    QCoreApplication::processEvents();
    EXPECT_TRUE(form_.isVisible());
    EXPECT_FALSE(other.isVisible()) << "closed forms stay closed";
    testing::SaveScreenshot(form_);

    // Minimising with toMinimizeToTray hides the program and tells the handler.
    int minimised = 0;
    tray_->OnAppMinimize = [&](TPGTrayIcon95*) { ++minimised; };
    tray_->SetOptions(toMinimizeToTray | toCloseFormsOnHideApp);
    tray_->AppMinimized();
    EXPECT_FALSE(form_.isVisible());
    EXPECT_EQ(minimised, 1);
}

}  // namespace
}  // namespace corvane
