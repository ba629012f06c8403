// Window lifecycles of the main program.
#include "app/program_windows.h"

#include "archive/form1.h"
#include "platform/modeless.h"

#include <QApplication>

namespace folio {

ProgramWindows::ProgramWindows(SharedState& state, Dialogs& dialogs)
    : state_(state), dialogs_(dialogs) {}

template <typename Window, typename Create>
Window* ProgramWindows::showPlaced(QPointer<Window>& slot, Create create) {
    return showModeless(slot, create,
                        [this](QWidget* window) { places_.place(window, mainWindow_); });
}

ProgramWindows::~ProgramWindows() {
    delete audioWindow_.data();
    delete midiWindow_.data();
    delete leftPageWindow_.data();
    delete rightPageWindow_.data();
    delete playlistManager_.data();
    delete premerge_.data();
    delete absorptionWindow_.data();
    delete mainWindow_.data();
}

void ProgramWindows::openMainWindow() {
    delete mainWindow_.data();
    mainWindow_ = new Form1(state_, dialogs_, *this);
    mainWindow_->show();
}

// Created at its first showing, then only hidden, so its folder and chosen file survive.
void ProgramWindows::showAudioWindow() {
    showPlaced(audioWindow_, [this] { return new mp3(state_, dialogs_); });
}

void ProgramWindows::showLeftPageWindow() {
    showPlaced(leftPageWindow_,
               [this] { return new sinistra(state_, dialogs_, leftSelectedPagePath_); });
}

void ProgramWindows::showRightPageWindow() {
    showPlaced(rightPageWindow_,
               [this] { return new destra(state_, dialogs_, rightSelectedPagePath_); });
}

// Brought to the front while open; "Esc" and the close box destroy it, so that the next
// showing loads the archive's titles and the playlist file afresh.
void ProgramWindows::showPlaylistManager() {
    showPlaced(playlistManager_, [this] { return new playlistfrm(state_, dialogs_); });
}

// Brought to the front while open; closed by "Esc" or its close box, and loaded afresh at the
// next showing.
void ProgramWindows::showMidiDevice() {
    showPlaced(midiWindow_, [this] { return new midifrm(state_, dialogs_); });
}

// The merging windows close completely with their own buttons and start afresh.
void ProgramWindows::showMerging() {
    showPlaced(premerge_, [this] { return new Premerge(state_, *this); });
}

void ProgramWindows::showAbsorptionWindow() {
    const bool open = absorptionWindow_;
    merging* window =
        showPlaced(absorptionWindow_, [this] { return new merging(state_, dialogs_, *this); });
    if (open)
        window->Form_Load();
}

// The reopened window takes the place of the one it replaces, not wherever a new window goes.
void ProgramWindows::reopenMainWindow() {
    if (!mainWindow_) {
        openMainWindow();
        return;
    }
    // The inner area: a new window's frame is not known before it is shown.
    const QRect where = mainWindow_->geometry();
    delete mainWindow_.data();
    mainWindow_ = new Form1(state_, dialogs_, *this);
    mainWindow_->setGeometry(where);
    mainWindow_->show();
}

void ProgramWindows::exitProgram() {
    exitRequested_ = true;
    QCoreApplication::quit();
}

} // namespace folio
