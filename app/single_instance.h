#pragma once
// TApplicata keeps Corvane to one running instance. The program creates it before any window and calls
// Loaded with its command-line parameters: the first instance serves the others from then on; a later
// start hands its parameters (made absolute) to the first instance and, as FoundAction says, asks it to
// come to the front and is told to end, without ever showing a window. The first instance raises its
// own window when asked and fires OnParam (per parameter, for "PARAM") or OnParams (once, for
// "PARAMS"), one hand-over at a time and only while no modal dialog is open, so that handlers which
// open dialogs never nest them. Loaded also copies the settings and the assigned application events
// onto the application object.

#include "app/application_object.h"
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
#include <vector>

namespace corvane {

class TDuplicateError : public std::logic_error {
public:
    TDuplicateError();
};

enum class TParamPassing { ppSeparate, ppOneTurn };
// What a start beyond the allowed instances does: ask the running one to come to the front, end itself.
enum class TFoundAction { faRestoreAndQuit, faRestore, faQuit, faNone };

class TApplicata : public QObject {
    Q_OBJECT
public:
    // The restore target is the owner's window, so the main window takes the component over with
    // setParent once it exists. A second component in the program throws TDuplicateError.
    // The handlers it copied are taken back from the application object.
    explicit TApplicata(QObject* owner = nullptr);
    ~TApplicata() override;
    // Takes the component over; its window is the one restored, and the application's main window.
    void SetOwner(QWidget* owner);

    // Applied to the application by Loaded.
    QString Hint;
    QString Title;
    QIcon Icon;
    QColor HintColor{0xFF, 0xFF, 0x80};  // $80FFFF as the colour word stores it (blue, green, red)
    int HintPause = 800;  // ms before a hint shows
    bool ShowHint = true;
    QString HelpFile;

    QString ProgramID = NewProgramID();
    TParamPassing ParamPassing = TParamPassing::ppOneTurn;
    // Instances that run before FoundAction applies (below 1 counts as 1: the program has to start).
    int AllowedInstances = 1;
    TFoundAction FoundAction = TFoundAction::faRestoreAndQuit;
    // Running instances found by Loaded, this one included; AllowedInstances + 1 for a start beyond them.
    int InstanceCount() const { return instanceCount_; }

    // Copied to the application object by Loaded when assigned (see TApplicationObject).
    TApplicationObject::TNotifyHandler OnActivate, OnDeactivate, OnMinimize, OnRestore, OnHint, OnIdle;
    TApplicationObject::TNotifyHandler OnActiveControlChange, OnActiveFormChange;
    decltype(TApplicationObject::OnShowHint) OnShowHint;
    decltype(TApplicationObject::OnHelp) OnHelp;
    decltype(TApplicationObject::OnMessage) OnMessage;
    decltype(TApplicationObject::OnException) OnException;
    TApplicationObject::TWindowHook OnWndProc;

    // Fired in a later start, before its parameters are sent.
    std::function<void(TApplicata& sender)> OnSecondInstance;
    std::function<void(TApplicata& sender, const QString& parameter)> OnParam;
    std::function<void(TApplicata& sender, const QStringList& parameters)> OnParams;

    // Where the lock and the socket live; the user's runtime folder unless set before Loaded.
    QString RuntimeFolder;
    // How long a later start waits for the first instance to take its message.
    int HandOverTimeoutMs = 5000;

    // Applies the settings, then elects or hands over. After a hand-over that ends this start, or when the
    // first instance did not answer in time (the reason is on stderr), Terminating is set and ExitCode
    // says 0 or 1.
    void Loaded(const QStringList& parameters);
    bool Terminating() const { return terminating_; }
    int ExitCode() const { return exitCode_; }

    // The parameters a later start sends: "PARAM" or "PARAMS" and the parameters, or nothing without any.
    // A message without lines asks the first instance to come to the front.
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
    std::vector<std::function<void()>> takeBack_;
    bool dispatching_ = false;
    QTimer dispatchTimer_;
};

}  // namespace corvane
