#pragma once
// Real message boxes answered as a user who reads them first: each box is left up while the event
// loop runs past the given pause, then checked for a progress window drawn over it, pictured when
// named, and answered with a click on the button of that caption. A box nobody expected fails the
// test and is closed. Installs the program's real boxes while it lives.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <deque>
#include <vector>

#include "tests/support/screenshot.h"
#include "widgets/message_box.h"

namespace corvane::testing {

class PatientBoxes {
public:
    explicit PatientBoxes(std::chrono::milliseconds pause) : pause_(pause), previous_(SetMessageBoxBackend(nullptr)) {
        poll_.setInterval(10);
        QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
        poll_.start();
    }
    ~PatientBoxes() {
        poll_.stop();
        SetMessageBoxBackend(previous_);
        EXPECT_TRUE(answers_.empty()) << "a box that was expected never came";
    }
    PatientBoxes(const PatientBoxes&) = delete;
    PatientBoxes& operator=(const PatientBoxes&) = delete;

    // The next box is answered with the button of this caption ("Yes", "No").
    void Expect(const QString& caption, const QString& screenshot_name = {}) {
        answers_.push_back({caption, screenshot_name});
    }

    std::vector<QString> texts;          // of every box answered, in order
    int progress_over_a_box = 0;         // boxes that had a visible progress window over them

private:
    struct Answer {
        QString caption;
        QString screenshot_name;
    };

    static QMessageBox* OpenBox() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) return box;
        return nullptr;
    }
    static bool ProgressVisible() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<QProgressDialog*>(widget) != nullptr && widget->isVisible()) return true;
        return false;
    }

    void Poll() {
        QMessageBox* box = OpenBox();
        if (box == nullptr) return;
        if (answers_.empty()) {
            ADD_FAILURE() << "unexpected box: " << box->text().toStdString();
            box->reject();
            return;
        }
        poll_.stop();
        const Answer answer = answers_.front();
        answers_.pop_front();
        QTest::qWait(static_cast<int>(pause_.count()));
        if (ProgressVisible()) ++progress_over_a_box;
        texts.push_back(box->text());
        if (!answer.screenshot_name.isEmpty()) {
            box->setObjectName(answer.screenshot_name);
            SaveScreenshot(*box);
        }
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* button : box->buttons())
            if (button->text().remove('&') == answer.caption) chosen = button;
        if (chosen != nullptr)
            chosen->click();
        else {
            ADD_FAILURE() << "no button " << answer.caption.toStdString() << " on " << box->text().toStdString();
            box->reject();
        }
        poll_.start();
    }

    std::chrono::milliseconds pause_;
    MessageBoxBackend* previous_;
    std::deque<Answer> answers_;
    QTimer poll_;
};

}  // namespace corvane::testing
