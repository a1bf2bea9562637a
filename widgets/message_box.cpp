#include "widgets/message_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "platform/rtl/log.h"
#include "widgets/gui_thread.h"

namespace corvane {
namespace {

constexpr MsgButton kOrder[] = {MsgButton::Yes, MsgButton::No, MsgButton::All, MsgButton::OK, MsgButton::Cancel};

QMessageBox::StandardButton ToQt(MsgButton button) {
    switch (button) {
        case MsgButton::Yes: return QMessageBox::Yes;
        case MsgButton::No: return QMessageBox::No;
        case MsgButton::Cancel: return QMessageBox::Cancel;
        case MsgButton::All: return QMessageBox::YesToAll;
        case MsgButton::OK: return QMessageBox::Ok;
        case MsgButton::None: break;
    }
    return QMessageBox::NoButton;
}

QMessageBox::Icon IconOf(MsgKind kind) {
    switch (kind) {
        case MsgKind::Information: return QMessageBox::Information;
        case MsgKind::Warning: return QMessageBox::Warning;
        case MsgKind::Error: return QMessageBox::Critical;
        case MsgKind::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// The answer of a box closed without a button (Escape, the close box).
MsgButton EscapeAnswer(MsgButtons buttons) {
    if (HasButton(buttons, MsgButton::Cancel)) return MsgButton::Cancel;
    if (HasButton(buttons, MsgButton::No)) return MsgButton::No;
    return MsgButton::OK;
}

class QtMessageBoxes : public MessageBoxBackend {
public:
    MsgButton Show(QWidget* parent, const MessageBoxRequest& request) override {
        QMessageBox box(IconOf(request.kind), request.caption, request.text, QMessageBox::NoButton, parent);
        // Texts carry names from captured sites; markup in them must never be rendered.
        box.setTextFormat(Qt::PlainText);
        for (const MsgButton button : kOrder)
            if (HasButton(request.buttons, button)) box.addButton(ToQt(button));
        if (request.default_button != MsgButton::None) box.setDefaultButton(ToQt(request.default_button));
        box.setEscapeButton(ToQt(EscapeAnswer(request.buttons)));
        box.exec();
        for (const MsgButton button : kOrder)
            if (HasButton(request.buttons, button) && box.clickedButton() == box.button(ToQt(button))) return button;
        return EscapeAnswer(request.buttons);
    }
};

QtMessageBoxes qt_boxes;
MessageBoxBackend* installed = nullptr;  // main thread only

}  // namespace

MessageBoxBackend* SetMessageBoxBackend(MessageBoxBackend* backend) {
    MessageBoxBackend* previous = installed;
    installed = backend;
    return previous;
}

MsgButton ShowMessageBox(QWidget* parent, const MessageBoxRequest& request) {
    if (!OnGuiThread()) {
        LogWarning("Message box asked for off the main thread, answered Cancel: " + request.text.toStdString());
        return MsgButton::Cancel;
    }
    MessageBoxRequest complete = request;
    if (complete.buttons == 0) complete.buttons = static_cast<unsigned>(MsgButton::OK);
    if (complete.caption.isEmpty()) complete.caption = QStringLiteral("Corvane");
    if (complete.default_button == MsgButton::None || !HasButton(complete.buttons, complete.default_button)) {
        for (const MsgButton button : kOrder)
            if (HasButton(complete.buttons, button)) {
                complete.default_button = button;
                break;
            }
    }
    return (installed != nullptr ? *installed : qt_boxes).Show(parent, complete);
}

namespace {

void Notice(QWidget* parent, MsgKind kind, const QString& text) {
    MessageBoxRequest request;
    request.kind = kind;
    request.text = text;
    ShowMessageBox(parent, request);
}

}  // namespace

void ShowInformation(QWidget* parent, const QString& text) { Notice(parent, MsgKind::Information, text); }
void ShowWarning(QWidget* parent, const QString& text) { Notice(parent, MsgKind::Warning, text); }
void ShowError(QWidget* parent, const QString& text) { Notice(parent, MsgKind::Error, text); }

MsgButton AskQuestion(QWidget* parent, const QString& text, MsgButtons buttons) {
    MessageBoxRequest request;
    request.kind = MsgKind::Question;
    request.text = text;
    request.buttons = buttons;
    return ShowMessageBox(parent, request);
}

}  // namespace corvane
