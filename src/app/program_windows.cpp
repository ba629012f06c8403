// Window lifecycles of the main program.
#include "app/program_windows.h"

#include "archive/form1.h"

#include <QApplication>

namespace folio {

ProgramWindows::ProgramWindows(SharedState& state, Dialogs& dialogs)
    : state_(state), dialogs_(dialogs) {}

ProgramWindows::~ProgramWindows() {
    delete mainWindow_.data();
}

void ProgramWindows::openMainWindow() {
    delete mainWindow_.data();
    mainWindow_ = new Form1(state_, dialogs_, *this);
    mainWindow_->show();
}

// The windows below come with their own parts of the program.
void ProgramWindows::showLeftPageWindow() {}
void ProgramWindows::showRightPageWindow() {}
void ProgramWindows::showAudioWindow() {}
void ProgramWindows::showPlaylistManager() {}
void ProgramWindows::showMidiDevice() {}
void ProgramWindows::showMerging() {}

void ProgramWindows::exitProgram() {
    exitRequested_ = true;
    QCoreApplication::quit();
}

} // namespace folio
