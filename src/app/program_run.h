// One run of the main program: the application, the shared state of the installation in the
// working folder, and the windows, with the main window open. main() and the start-up benchmark's
// probe start the program the same way through it.
#pragma once

#include "app/program_windows.h"
#include "platform/dialogs.h"
#include "platform/warm_up.h"
#include "windows/common/shared_state.h"

#include <QApplication>

namespace folio {

// Settings of the process that must come before anything else: a write past the shell's file
// size limit fails instead of ending the program, and memory that decoded pages gave back is
// returned to the system rather than kept by the allocator.
struct ProcessSettings {
    ProcessSettings();
};

class ProgramRun {
public:
    ProgramRun(int& argc, char** argv);
    ProgramWindows& windows() { return windows_; }
    // Runs the event loop until the program ends; gives its exit code.
    int exec();

private:
    ProcessSettings settings_; // first: in force before the application exists
    // Reads the font configuration while the application is made, then sets up Qt's fonts
    // while the archive is made and read.
    WarmUp warmUp_;
    QApplication application_;
    WarmUp::WithApplication warmUpWithApplication_{warmUp_};
    SharedState state_;
    MessageBoxDialogs dialogs_;
    ProgramWindows windows_;
};

} // namespace folio
