#include "shell/ui/qt_shell_ui.h"

#include <QCoreApplication>
#include <QMenu>
#include <QPointer>
#include <QProgressDialog>
#include <QWidget>
#include <limits>
#include <utility>

#include "shell/ns/com.h"
#include "shell/ns/sh_consts.h"
#include "widgets/message_box.h"

namespace corvane::shell {

namespace {

constexpr std::pair<ShellAnswer, MsgButton> kButtons[] = {
    {ShellAnswer::Yes, MsgButton::Yes},       {ShellAnswer::No, MsgButton::No},
    {ShellAnswer::Cancel, MsgButton::Cancel}, {ShellAnswer::YesToAll, MsgButton::All},
    {ShellAnswer::OK, MsgButton::OK},
};

QWidget* WidgetOf(QObject* parent) { return qobject_cast<QWidget*>(parent); }

// The progress count of a QProgressDialog is an int.
int Clamp(std::size_t value) { return static_cast<int>(std::min<std::size_t>(value, 0x7fffffff)); }

}  // namespace

TQtShellUi::TQtShellUi(ShellTiming timing) : timing_(timing) {}

TQtShellUi::~TQtShellUi() { ProgressEnd(); }

ShellAnswer TQtShellUi::Confirm(QObject* parent, const std::string& title, const std::string& text,
                                ShellButtons buttons) {
    MessageBoxRequest request;
    request.kind = MsgKind::Question;
    request.caption = QString::fromStdString(title);
    request.text = QString::fromStdString(text);
    request.buttons = 0;
    for (const auto& [ours, box] : kButtons)
        if ((buttons & static_cast<unsigned>(ours)) != 0) request.buttons |= static_cast<unsigned>(box);
    // While the progress window is up the question belongs to it.
    QWidget* owner = progress_ != nullptr && progress_->isVisible() ? progress_.data() : WidgetOf(parent);
    const MsgButton answer = ShowMessageBox(owner, request);
    // The time the user took to answer is not the operation's.
    if (progress_ != nullptr && !progress_->isVisible()) clock_.restart();
    for (const auto& [ours, box] : kButtons)
        if (box == answer) return ours;
    return ShellAnswer::Cancel;
}

void TQtShellUi::Warn(QObject* parent, const std::string& text) {
    ShowWarning(progress_ != nullptr && progress_->isVisible() ? progress_.data() : WidgetOf(parent),
                QString::fromStdString(text));
}

void TQtShellUi::ProgressBegin(QObject* parent, const std::string& title, std::size_t total, bool simple) {
    ProgressEnd();
    simple_ = simple;
    progress_ = new QProgressDialog(WidgetOf(parent));
    progress_->setObjectName(QStringLiteral("ShellProgressDlg"));
    progress_->setWindowTitle(QString::fromStdString(title));
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    // Shown by the steps, never by the dialog's own timer: a timer would draw the modal progress over
    // a question the operation asks in between, and the question could no longer be answered.
    progress_->setMinimumDuration(std::numeric_limits<int>::max());
    progress_->setRange(0, Clamp(total));
    progress_->setValue(0);
    clock_.start();
}

void TQtShellUi::ShowProgressWhenDue() {
    if (progress_ != nullptr && !progress_->isVisible() && !progress_->wasCanceled() &&
        clock_.elapsed() >= timing_.ProgressDelay.count())
        progress_->show();
}

void TQtShellUi::ProgressStep(std::size_t done, const std::string& item) {
    if (progress_ == nullptr) return;
    if (!simple_) progress_->setLabelText(QString::fromStdString(item));
    progress_->setValue(Clamp(done));
    ShowProgressWhenDue();
    QCoreApplication::processEvents();
    if (OnProgressStep) OnProgressStep(done);
}

bool TQtShellUi::ProgressCancelled() {
    if (progress_ == nullptr) return false;
    ShowProgressWhenDue();
    QCoreApplication::processEvents();
    return progress_->wasCanceled();
}

void TQtShellUi::ProgressEnd() {
    if (progress_ != nullptr) delete progress_.data();
    progress_.clear();
}

std::uint32_t TQtShellUi::ChooseDropEffect(QObject* parent, int x, int y, std::uint32_t allowed,
                                           std::uint32_t preferred) {
    QMenu menu(WidgetOf(parent));
    menu.setObjectName(QStringLiteral("ShellDropMenu"));
    const std::pair<std::uint32_t, ShResString> kChoices[] = {
        {DROPEFFECT_COPY, SCopyHere}, {DROPEFFECT_MOVE, SMoveHere}, {DROPEFFECT_LINK, SLinkHere}};
    for (const auto& [effect, text] : kChoices) {
        QAction* action = menu.addAction(QString::fromStdString(LoadShString(text.id)));
        action->setData(effect);
        action->setEnabled((allowed & effect) != 0);
        if (effect == preferred) menu.setDefaultAction(action);
    }
    menu.addSeparator();
    menu.addAction(QString::fromStdString(LoadShString(SCancel.id)))->setData(0u);
    QPointer<QAction> chosen = menu.exec(QPoint(x, y));
    return chosen != nullptr ? chosen->data().toUInt() & allowed : 0;
}

}  // namespace corvane::shell
