#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <thread>

#include "platform/rtl/log.h"
#include "tests/support/gui_app.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/screenshot.h"
#include "widgets/message_box.h"

namespace corvane {
namespace {

using testing::ScriptedMessageBoxes;

class MessageBox : public ::testing::Test {
protected:
    void SetUp() override { testing::GuiApp(); }
};

TEST_F(MessageBox, ScriptAnswersInOrderAndSeesTheRequests) {
    ScriptedMessageBoxes boxes;
    boxes.Expect(MsgButton::No, "Delete");
    boxes.Expect(MsgButton::All);
    boxes.Expect(MsgButton::OK);
    EXPECT_EQ(AskQuestion(nullptr, "Delete the folder?"), MsgButton::No);
    EXPECT_EQ(AskQuestion(nullptr, "Overwrite?", MsgButton::Yes | MsgButton::No | MsgButton::All | MsgButton::Cancel),
              MsgButton::All);
    ShowError(nullptr, "Cannot open the file.");

    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].kind, MsgKind::Question);
    EXPECT_EQ(boxes.shown[0].caption, "Corvane");
    EXPECT_EQ(boxes.shown[0].default_button, MsgButton::Yes);
    EXPECT_EQ(boxes.shown[2].kind, MsgKind::Error);
    EXPECT_EQ(boxes.shown[2].buttons, static_cast<unsigned>(MsgButton::OK));
}

TEST_F(MessageBox, UnexpectedOrMismatchedBoxesFailTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedMessageBoxes boxes;
            EXPECT_EQ(AskQuestion(nullptr, "Stop the task?"), MsgButton::Cancel);
        },
        "Unexpected message box");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedMessageBoxes boxes;
            boxes.Expect(MsgButton::Yes);
        },
        "never came");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedMessageBoxes boxes;
            boxes.Expect(MsgButton::Yes);
            ShowInformation(nullptr, "Done.");  // offers OK only
        },
        "offers no button");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedMessageBoxes boxes;
            boxes.Expect(MsgButton::OK, "zip");
            ShowWarning(nullptr, "Task file missing.");
        },
        "lacks");
}

TEST_F(MessageBox, OffTheMainThreadIsLoggedAndAnsweredCancel) {
    ScriptedMessageBoxes boxes;
    std::vector<std::string> log;
    const LogSink previous = SetLogSink([&log](const std::string& message) { log.push_back(message); });
    MsgButton answer = MsgButton::None;
    std::thread worker([&answer] { answer = AskQuestion(nullptr, "From a worker?"); });
    worker.join();
    SetLogSink(previous);
    EXPECT_EQ(answer, MsgButton::Cancel);
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("From a worker?"), std::string::npos);
}

// The program's own backend: a real QMessageBox whose buttons map back to ours.
TEST_F(MessageBox, QtBackendShowsTheButtonsAndReturnsTheOneClicked) {
    MessageBoxBackend* previous = SetMessageBoxBackend(nullptr);
    QStringList captions;
    auto answer_with = [&captions](const QString& button_text, bool escape) {
        QTimer::singleShot(0, [&captions, button_text, escape] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                if (QWidget* other = QApplication::activeModalWidget()) other->close();
                FAIL() << "no message box is up";
            }
            captions.clear();
            EXPECT_EQ(box->textFormat(), Qt::PlainText);  // names from sites may hold markup
            for (QAbstractButton* button : box->buttons()) captions << button->text().remove('&');
            if (box->text().contains("index.htm")) {
                box->setObjectName("MessageBoxQuestion");
                testing::SaveScreenshot(*box);
            }
            if (escape) {
                box->reject();
                return;
            }
            for (QAbstractButton* button : box->buttons())
                if (button->text().remove('&') == button_text) button->click();
        });
    };
    const MsgButtons buttons = MsgButton::Yes | MsgButton::No | MsgButton::All | MsgButton::Cancel;
    answer_with("Yes to All", false);
    EXPECT_EQ(AskQuestion(nullptr, "Replace the file \"<b>index.htm</b>\"?", buttons), MsgButton::All);
    EXPECT_EQ(captions.size(), 4);
    answer_with("No", false);
    EXPECT_EQ(AskQuestion(nullptr, "Replace?", buttons), MsgButton::No);
    answer_with("", true);
    EXPECT_EQ(AskQuestion(nullptr, "Replace?", buttons), MsgButton::Cancel);
    answer_with("", true);
    EXPECT_EQ(AskQuestion(nullptr, "Keep it?"), MsgButton::No);  // closed without Cancel to give
    SetMessageBoxBackend(previous);
}

}  // namespace
}  // namespace corvane
