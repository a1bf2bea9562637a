#pragma once
// Every message box of the program goes through ShowMessageBox. The installed backend shows it: the
// program's shows a QMessageBox; tests install a script that answers boxes queued in advance and
// fails on a box nobody expected (tests/support/scripted_dialogs.h).
//
// A box asked for off the main thread is a programming error: it is logged and answered
// MsgButton::Cancel, and nothing is shown.

#include <QString>

class QWidget;

namespace corvane {

enum class MsgKind { Information, Warning, Error, Question };

// One button, or a set of them or-ed together.
enum class MsgButton : unsigned { None = 0, Yes = 1, No = 2, Cancel = 4, All = 8, OK = 16 };
using MsgButtons = unsigned;
constexpr MsgButtons operator|(MsgButton a, MsgButton b) { return static_cast<unsigned>(a) | static_cast<unsigned>(b); }
constexpr MsgButtons operator|(MsgButtons a, MsgButton b) { return a | static_cast<unsigned>(b); }
constexpr bool HasButton(MsgButtons set, MsgButton button) { return (set & static_cast<unsigned>(button)) != 0; }

struct MessageBoxRequest {
    MsgKind kind = MsgKind::Information;
    QString caption;  // empty: the program's name
    QString text;
    MsgButtons buttons = static_cast<unsigned>(MsgButton::OK);
    MsgButton default_button = MsgButton::None;  // None: the first offered
};

class MessageBoxBackend {
public:
    virtual ~MessageBoxBackend() = default;
    // Shows the box on the main thread and returns the button chosen (Cancel, else No, else OK when
    // it was closed without one).
    virtual MsgButton Show(QWidget* parent, const MessageBoxRequest& request) = 0;
};

// Installs a backend (null: the program's QMessageBox one) and returns the previous one. The caller
// keeps ownership.
MessageBoxBackend* SetMessageBoxBackend(MessageBoxBackend* backend);

MsgButton ShowMessageBox(QWidget* parent, const MessageBoxRequest& request);

// The usual boxes: one OK button, or a question with the buttons given.
void ShowInformation(QWidget* parent, const QString& text);
void ShowWarning(QWidget* parent, const QString& text);
void ShowError(QWidget* parent, const QString& text);
MsgButton AskQuestion(QWidget* parent, const QString& text,
                      MsgButtons buttons = MsgButton::Yes | MsgButton::No);

}  // namespace corvane
