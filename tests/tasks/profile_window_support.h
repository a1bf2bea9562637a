#pragma once
// Support for the profile windows' tests: a fresh data root whose registry is the store file in it,
// with the File Types groups the tests work on, and a way to act on a modal dialog once it is shown.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

#include "engine/parse/file_types.h"
#include "engine/model/registry_routines.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"

namespace corvane::testing {

class ProfileWindowHome : public FreshHome {
protected:
    void SetUp() override {
        GuiApp();
        FreshHome::SetUp();
        store_ = std::make_shared<RegistryStore>(home_ + "registry.reg");
        SetCurrentUserRegistry(store_);
        // Text after the last ";" is not an extension.
        for (const auto& [group, extensions] : std::vector<std::pair<std::string, std::string>>{
                 {"HTML", ".htm;.html;.shtm;"},
                 {"Images", ".gif;.jpg;"},
                 {"Empty", ""},
                 {"Docs", ".doc;.HTM;.txt;left over"}})
            RegWriteValue(kFileTypesKey, group, RegVariant(extensions));
    }

    static std::vector<std::string> Groups() {
        TStringList names;
        RegValueNames(kFileTypesKey, names);
        return names.Items();
    }
    static std::string Group(const std::string& name) {
        return RegRead(kFileTypesKey, name, std::string("<missing>"));
    }
};

// Clicks a check box or radio button on its indicator: only the indicator and the label take clicks,
// and a box stretched by its layout has neither at its centre.
inline void ClickBox(QAbstractButton* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// Acts on the next modal dialog of type D once it is up (within 5 s). The dialog must appear before
// the object goes, unless it was made with expect_shown false: then a dialog that does appear is
// refused and fails the test.
template <class D>
class OnModal {
public:
    explicit OnModal(std::function<void(D&)> act, bool expect_shown = true)
        : act_(std::move(act)), expect_shown_(expect_shown), started_(std::chrono::steady_clock::now()) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }
    ~OnModal() {
        if (expect_shown_) {
            EXPECT_TRUE(done_) << "the expected dialog was never shown";
        }
    }
    OnModal(const OnModal&) = delete;
    OnModal& operator=(const OnModal&) = delete;

private:
    void Poll() {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            timer_.stop();
            done_ = true;
            if (expect_shown_) {
                act_(*dialog);
            } else {
                ADD_FAILURE() << "a dialog was shown that should not be";
                dialog->reject();
            }
        } else if (std::chrono::steady_clock::now() - started_ > std::chrono::seconds(5)) {
            timer_.stop();
        }
    }

    std::function<void(D&)> act_;
    bool expect_shown_;
    bool done_ = false;
    std::chrono::steady_clock::time_point started_;
    QTimer timer_;
};

}  // namespace corvane::testing
