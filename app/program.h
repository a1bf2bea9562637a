#pragma once
// The desktop program's start and end: the single-instance decision before any window, the
// program's backends (launcher, message boxes, file dialogs, shell, browser control), the main
// window and its message loop, and the settings object released last.

#include <QApplication>
#include <functional>

class QSocketNotifier;

namespace corvane {

// An exception that reaches the event loop is reported and the program goes on.
class TCorvaneApplication : public QApplication {
public:
    TCorvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// SIGTERM, SIGINT and SIGHUP reach the main thread through a pipe and run the handler there.
class TSignalClose {
public:
    explicit TSignalClose(std::function<void()> handler);
    ~TSignalClose();
    TSignalClose(const TSignalClose&) = delete;
    TSignalClose& operator=(const TSignalClose&) = delete;

private:
    std::function<void()> handler_;
    QSocketNotifier* notifier_ = nullptr;
};

// The whole program: the exit code.
int RunProgram(int argc, char* argv[]);

}  // namespace corvane
