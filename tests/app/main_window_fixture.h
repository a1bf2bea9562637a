#pragma once
// The main window as the program makes it, over a fresh data root, an in-memory registry, the Qt main
// loop and fake browser controls, with shortened engine pauses.

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/form_corvane.h"
#include "app/view_manager.h"
#include "engine/support/system_info.h"
#include "platform/qt/qt_main_loop.h"
#include "tests/app/fake_browser_control.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"
#include "widgets/lang_adapters/widget_lang_adapters.h"

namespace corvane::testing {

class MainWindowFixture : public FreshHome {
protected:
    void SetUp() override {
        GuiApp();
        RegisterWidgetLangAdapters();
        // The program's colours are chosen by the screen's depth, as the program reports it.
        SetScreenDepthHook([] { return 24; });
        FreshHome::SetUp();
        loop_ = std::make_unique<QtMainLoop>();
        browsers_ = std::make_unique<FakeBrowserFactory>();
    }
    void TearDown() override {
        form_.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        browsers_.reset();
        loop_.reset();
        FreshHome::TearDown();
    }

    TFormCorvane& Make(const QStringList& parameters = {}) {
        form_ = std::make_unique<TFormCorvane>();
        form_->Timing = EngineTiming::Shortened();
        form_->Parameters = parameters;
        return *form_;
    }
    // Shown, exposed and through its first paint.
    TFormCorvane& Start(const QStringList& parameters = {}) {
        TFormCorvane& form = Make(parameters);
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        EXPECT_TRUE(QTest::qWaitFor([&] { return form.Tag == kTagPainted; }, 5000));
        return form;
    }
    // Runs answer on the next modal dialog that opens (within the timeout) and returns its title.
    static void OnModal(std::function<void(QWidget&)> answer) {
        auto* timer = new QTimer();
        timer->setInterval(10);
        auto tries = std::make_shared<int>(0);
        QObject::connect(timer, &QTimer::timeout, [timer, answer, tries] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal && ++*tries < 500) return;
            timer->stop();
            timer->deleteLater();
            if (modal) answer(*modal);
        });
        timer->start();
    }

    std::unique_ptr<QtMainLoop> loop_;
    std::unique_ptr<FakeBrowserFactory> browsers_;
    std::unique_ptr<TFormCorvane> form_;
};

}  // namespace corvane::testing
