// The application object: it runs the main form modally and ends when the form closes; there is
// no message loop of its own and no command line. RunConfigApp is the program's whole life.
#pragma once

#include <wx/app.h>

namespace tq {

class CConfigApp : public wxApp {
public:
    // Runs the form, then returns false: the program ends without a loop of its own.
    bool OnInit() override;
    // 0 once the form has run, 1 when it could not be made.
    int ExitCode() const { return exitCode_; }

private:
    int exitCode_ = 0;
};

// Diagnostics to standard error, never a box that nobody may be there to answer.
void SendDiagnosticsToStderr();

// Starts the toolkit, runs CConfigApp and tears down; returns the process's exit code.
int RunConfigApp(int argc, char** argv);

}  // namespace tq
