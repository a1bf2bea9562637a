#include "app/program.h"

#include <fcntl.h>
#include <unistd.h>

#include <QProgressDialog>
#include <QScreen>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>

#include "app/application_object.h"
#include "app/browser_control.h"
#include "app/folder_dialog_backend.h"
#include "app/form_corvane.h"
#include "app/single_instance.h"
#include "app/webengine_browser.h"
#include "engine/model/settings.h"
#include "engine/support/system_info.h"
#include "platform/launch/launcher.h"
#include "platform/qt/qt_main_loop.h"
#include "platform/rtl/log.h"
#include "platform/rtl/paths.h"
#include "shell/ns/shell_clipboard.h"
#include "shell/ns/shell_ui.h"
#include "shell/ui/qt_shell_clipboard.h"
#include "shell/ui/qt_shell_ui.h"
#include "widgets/desktop_launcher.h"
#include "widgets/file_dialogs.h"
#include "widgets/lang_adapters/widget_lang_adapters.h"
#include "widgets/message_box.h"

namespace corvane {
namespace {

int signalPipe[2] = {-1, -1};

extern "C" void OnCloseSignal(int) {
    const char byte = 1;
    // Nothing else is safe in a signal handler; a full pipe already holds a close request.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

TCorvaneApplication::TCorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TCorvaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        if (!TApplicationObject::Instance().HandleException(&e)) LogWarning(std::string("unhandled error: ") + e.what());
    } catch (...) {
        if (!TApplicationObject::Instance().HandleException(nullptr)) LogWarning("unhandled error");
    }
    return false;
}

TSignalClose::TSignalClose(std::function<void()> handler) : handler_(std::move(handler)) {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        LogWarning("no signal pipe: signals end the program at once");
        return;
    }
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_, &QSocketNotifier::activated, [this] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        if (handler_) handler_();
    });
    struct sigaction action = {};
    action.sa_handler = OnCloseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(number, &action, nullptr);
}

TSignalClose::~TSignalClose() {
    if (!notifier_) return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    for (int number : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(number, &action, nullptr);
    delete notifier_;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

int RunProgram(int argc, char* argv[]) {
    // Qt WebEngine shares its OpenGL context; this must be set before the application object.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    MakeDataRootAbsolute();
    TCorvaneApplication application(argc, argv);
    const QStringList parameters = QApplication::arguments().mid(1);

    // Owned by the main window once it exists.
    auto* applicata = new TApplicata();
    TFormCorvane::SetUpApplicata(*applicata);
    applicata->Loaded(parameters);
    if (applicata->Terminating()) {
        const int code = applicata->ExitCode();
        delete applicata;
        return code;
    }

    SetScreenDepthHook([] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->depth() : 24;
    });
    RegisterWidgetLangAdapters();
    CreateApp();
    int code = 0;
    {
        QtMainLoop loop;
        DesktopLauncher launcher;
        SetLaunchBackend(&launcher);
        shell::TQtShellUi shell_ui;
        shell::TShellUi* previous_ui = shell::SetShellUi(&shell_ui);
        shell::TQtShellClipboard clipboard;
        shell::TShellClipboard* previous_clipboard = shell::SetShellClipboard(&clipboard);
        SetMessageBoxBackend(nullptr);
        TProgramFileDialogs file_dialogs;
        SetFileDialogBackend(&file_dialogs);
        UseWebEngineBrowser();
        try {
            SetCaptureFolder("intranet", App->GetIntranetFolder());
            SetCaptureFolder("temp", App->GetTempFolder());
        } catch (const std::exception& e) {
            LogWarning(std::string("capture folders: ") + e.what());
        }
        {
            TFormCorvane form;
            form.Parameters = parameters;
            form.AttachApplicata(*applicata);
            TSignalClose close_on_signal([&form] { form.CloseQuietly(); });
            // The program ends with its window. Qt's last-window rule posts its quit, and a box that
            // a worker's end opens meanwhile (parented to a docked view) would cancel it for good.
            QObject::connect(&form, &TFormCorvane::Closed, &application, [] { QCoreApplication::exit(0); });
            form.show();
            code = application.exec();
        }
        SetBrowserControlFactory({});
        SetFileDialogBackend(nullptr);
        shell::SetShellClipboard(previous_clipboard);
        shell::SetShellUi(previous_ui);
        SetLaunchBackend(nullptr);
        ClearCaptureFolders();
    }
    ReleaseApp();
    return code;
}

}  // namespace corvane
