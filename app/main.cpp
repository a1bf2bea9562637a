// Corvane's desktop program. Whether this start is the first instance is settled before any window
// exists, so a later start hands its parameters over and ends without showing one.

#include "app/single_instance.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);

    corvane::TApplicata applicata;
    applicata.Title = QStringLiteral("Corvane");
    applicata.HintColor = QColor(0x86, 0xAE, 0xD7);
    applicata.ProgramID = QStringLiteral("BTXEVTWFCT");
    applicata.ParamPassing = corvane::TParamPassing::ppSeparate;
    applicata.Loaded(QApplication::arguments().mid(1));
    if (applicata.Terminating()) return applicata.ExitCode();

    // The main window takes the component over here (setParent, OnParam) and the event loop runs.
    std::puts("Corvane's desktop windows are not built yet: this checkout holds the capture engine and the "
              "single-instance start only.");
    std::puts("Run scripts/test.sh to build and test what exists.");
    return 1;
}
