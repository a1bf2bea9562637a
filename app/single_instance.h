#pragma once
// TApplicata keeps Corvane to one running instance. The program creates it before any window and calls
// Loaded with its command-line parameters: the first instance serves the others from then on; a later
// start hands its parameters (made absolute) to the first instance and is told to end, without ever
// showing a window. The first instance raises its own window on every hand-over and fires OnParam
// (per parameter, for "PARAM") or OnParams (once, for "PARAMS"), one hand-over at a time and only while
// no modal dialog is open, so that handlers which open dialogs never nest them.

#include "app/instance_link.h"

#include <QColor>
#include <QIcon>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <stdexcept>

namespace corvane {

class TDuplicateError : public std::logic_error {
public:
    TDuplicateError();
};

enum class TParamPassing { ppSeparate, ppOneTurn };

class TApplicata : public QObject {
    Q_OBJECT
public:
    // The restore target is the owner's window, so the main window takes the component over with
    // setParent once it exists. A second component in the program throws TDuplicateError.
    explicit TApplicata(QObject* owner = nullptr);
    ~TApplicata() override;

    // Applied to the application by Loaded.
    QString Title;
    QIcon Icon;
    QColor HintColor{0xFF, 0xFF, 0x80};  // $80FFFF as the colour word stores it (blue, green, red)
    int HintPause = 800;  // ms before a hint shows

    QString ProgramID = NewProgramID();
    TParamPassing ParamPassing = TParamPassing::ppOneTurn;
    int AllowedInstances() const { return 1; }
    // Running instances found by Loaded, this one included: 1 for the first instance, 2 for a later start.
    int InstanceCount() const { return instanceCount_; }

    // Fired in a later start, before its parameters are sent.
    std::function<void(TApplicata& sender)> OnSecondInstance;
    std::function<void(TApplicata& sender, const QString& parameter)> OnParam;
    std::function<void(TApplicata& sender, const QStringList& parameters)> OnParams;

    // Where the lock and the socket live; the user's runtime folder unless set before Loaded.
    QString RuntimeFolder;
    // How long a later start waits for the first instance to take its message.
    int HandOverTimeoutMs = 5000;

    // Applies the settings, then elects or hands over. After a hand-over, or when the first instance did
    // not answer in time (the reason is on stderr), Terminating is set and ExitCode says 0 or 1.
    void Loaded(const QStringList& parameters);
    bool Terminating() const { return terminating_; }
    int ExitCode() const { return exitCode_; }

    // What a later start sends: "PARAM" or "PARAMS" and the parameters, or nothing for a plain restore.
    static QStringList HandOverLines(TParamPassing passing, const QStringList& absoluteParameters);
    // Ten random capital letters from "A" to "X".
    static QString NewProgramID();

private:
    struct Request {
        bool oneTurn = false;
        QStringList parameters;
    };

    void Apply();
    void HandOver(const QString& folder, const QStringList& parameters);
    void Receive(const QStringList& lines);
    void RestoreWindow();
    void Dispatch();
    void Fire(const Request& request);

    TInstanceLink* link_ = nullptr;
    int instanceCount_ = 0;
    bool terminating_ = false;
    int exitCode_ = 0;
    std::deque<Request> queue_;
    bool dispatching_ = false;
    QTimer dispatchTimer_;
};

}  // namespace corvane
