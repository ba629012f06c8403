// The window host of the main program: creates each window when first asked, keeps or
// rebuilds it as its lifecycle says, and ends the run.
#pragma once

#include "archive/form1.h"
#include "archive/main_window_host.h"
#include "audio/mp3_window.h"

#include <QPointer>

namespace folio {

class Dialogs;
struct SharedState;

class ProgramWindows : public MainWindowHost {
public:
    ProgramWindows(SharedState& state, Dialogs& dialogs);
    ~ProgramWindows() override;
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // Opens the main window (again, after an absorption): its load reads the archive anew.
    void openMainWindow();
    Form1* mainWindow() const { return mainWindow_; }
    // The audio window while it exists (shown or hidden), else nullptr.
    mp3* audioWindow() const { return audioWindow_; }

    void showLeftPageWindow() override;
    void showRightPageWindow() override;
    void showAudioWindow() override;
    void showPlaylistManager() override;
    void showMidiDevice() override;
    void showMerging() override;
    void exitProgram() override;

    bool exitRequested() const { return exitRequested_; }

private:
    SharedState& state_;
    Dialogs& dialogs_;
    QPointer<Form1> mainWindow_;
    QPointer<mp3> audioWindow_;
    bool exitRequested_ = false;
};

} // namespace folio
