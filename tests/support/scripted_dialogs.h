#pragma once
// Message boxes and file dialogs for window tests. A test queues the answers it expects before it
// acts; each box or dialog takes the next answer. A box nobody queued an answer for fails the test
// (and is answered Cancel), and so does an answer left over when the script goes. While a script
// lives it is the installed backend; it restores the previous one when it goes.

#include <QString>
#include <deque>
#include <string>
#include <vector>

#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"

namespace corvane::testing {

class ScriptedMessageBoxes : public MessageBoxBackend {
public:
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes() override;
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    // The next box is answered with this button, which it must offer; when text_part is given, the
    // box's text must contain it.
    void Expect(MsgButton answer, const QString& text_part = {});

    MsgButton Show(QWidget* parent, const MessageBoxRequest& request) override;

    // Every box shown, in order.
    std::vector<MessageBoxRequest> shown;

private:
    struct Answer {
        MsgButton button;
        QString text_part;
    };
    std::deque<Answer> answers_;
    MessageBoxBackend* previous_;
};

class ScriptedFileDialogs : public FileDialogBackend {
public:
    ScriptedFileDialogs();
    ~ScriptedFileDialogs() override;
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    // The next dialog, which must be of this kind, chooses these paths.
    void Expect(FileDialogKind kind, std::vector<std::string> paths);
    void ExpectCancel(FileDialogKind kind) { Expect(kind, {}); }

    std::vector<std::string> Run(QWidget* parent, const FileDialogRequest& request) override;

    std::vector<FileDialogRequest> shown;

private:
    struct Answer {
        FileDialogKind kind;
        std::vector<std::string> paths;
    };
    std::deque<Answer> answers_;
    FileDialogBackend* previous_;
};

}  // namespace corvane::testing
