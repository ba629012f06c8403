// Window lifecycles of the main program.
#include "app/program_windows.h"

#include "archive/form1.h"
#include "platform/modeless.h"

#include <QApplication>

namespace folio {

ProgramWindows::ProgramWindows(SharedState& state, Dialogs& dialogs)
    : state_(state), dialogs_(dialogs) {}

ProgramWindows::~ProgramWindows() {
    delete audioWindow_.data();
    delete leftPageWindow_.data();
    delete rightPageWindow_.data();
    delete playlistManager_.data();
    delete mainWindow_.data();
}

void ProgramWindows::openMainWindow() {
    delete mainWindow_.data();
    mainWindow_ = new Form1(state_, dialogs_, *this);
    mainWindow_->show();
}

// Created at its first showing, then only hidden, so its folder and chosen file survive.
void ProgramWindows::showAudioWindow() {
    showModeless(audioWindow_, [this] { return new mp3(state_, dialogs_); });
}

void ProgramWindows::showLeftPageWindow() {
    showModeless(leftPageWindow_,
                 [this] { return new sinistra(state_, dialogs_, leftSelectedPagePath_); });
}

void ProgramWindows::showRightPageWindow() {
    showModeless(rightPageWindow_,
                 [this] { return new destra(state_, dialogs_, rightSelectedPagePath_); });
}

// Brought to the front while open; "Esc" and the close box destroy it, so that the next
// showing loads the archive's titles and the playlist file afresh.
void ProgramWindows::showPlaylistManager() {
    showModeless(playlistManager_, [this] { return new playlistfrm(state_, dialogs_); });
}

// The MIDI window and the merging windows are not built yet: their menu commands do nothing
// for now.
void ProgramWindows::showMidiDevice() {}
void ProgramWindows::showMerging() {}

void ProgramWindows::exitProgram() {
    exitRequested_ = true;
    QCoreApplication::quit();
}

} // namespace folio
