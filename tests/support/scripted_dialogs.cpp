#include "tests/support/scripted_dialogs.h"

#include <gtest/gtest.h>

namespace corvane::testing {

ScriptedMessageBoxes::ScriptedMessageBoxes() : previous_(SetMessageBoxBackend(this)) {}

ScriptedMessageBoxes::~ScriptedMessageBoxes() {
    SetMessageBoxBackend(previous_);
    for (const Answer& answer : answers_)
        ADD_FAILURE() << "An expected message box never came (answer " << static_cast<unsigned>(answer.button)
                      << ", text with \"" << answer.text_part.toStdString() << "\")";
}

void ScriptedMessageBoxes::Expect(MsgButton answer, const QString& text_part) {
    answers_.push_back({answer, text_part});
}

MsgButton ScriptedMessageBoxes::Show(QWidget* /*parent*/, const MessageBoxRequest& request) {
    shown.push_back(request);
    if (answers_.empty()) {
        ADD_FAILURE() << "Unexpected message box: \"" << request.text.toStdString() << "\"";
        return MsgButton::Cancel;
    }
    const Answer answer = answers_.front();
    answers_.pop_front();
    if (!answer.text_part.isEmpty() && !request.text.contains(answer.text_part))
        ADD_FAILURE() << "Message box \"" << request.text.toStdString() << "\" lacks \""
                      << answer.text_part.toStdString() << "\"";
    if (!HasButton(request.buttons, answer.button))
        ADD_FAILURE() << "Message box \"" << request.text.toStdString() << "\" offers no button "
                      << static_cast<unsigned>(answer.button);
    return answer.button;
}

ScriptedFileDialogs::ScriptedFileDialogs() : previous_(SetFileDialogBackend(this)) {}

ScriptedFileDialogs::~ScriptedFileDialogs() {
    SetFileDialogBackend(previous_);
    for (const Answer& answer : answers_)
        ADD_FAILURE() << "An expected file dialog never came (kind " << static_cast<int>(answer.kind) << ")";
}

void ScriptedFileDialogs::Expect(FileDialogKind kind, std::vector<std::string> paths) {
    answers_.push_back({kind, std::move(paths)});
}

std::vector<std::string> ScriptedFileDialogs::Run(QWidget* /*parent*/, const FileDialogRequest& request) {
    shown.push_back(request);
    if (answers_.empty()) {
        ADD_FAILURE() << "Unexpected file dialog: \"" << request.title.toStdString() << "\"";
        return {};
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.kind != request.kind)
        ADD_FAILURE() << "File dialog \"" << request.title.toStdString() << "\" is of kind "
                      << static_cast<int>(request.kind) << ", expected " << static_cast<int>(answer.kind);
    return std::move(answer.paths);
}

}  // namespace corvane::testing
