// What the main window asks of the program: showing the other windows and ending the run.
#pragma once

namespace folio {

class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;

    virtual void showLeftPageWindow() = 0;
    virtual void showRightPageWindow() = 0;
    virtual void showAudioWindow() = 0;
    virtual void showPlaylistManager() = 0;
    virtual void showMidiDevice() = 0;
    virtual void showMerging() = 0;
    // Ends the program at once with every window; nothing is saved or asked.
    virtual void exitProgram() = 0;
    // Closes the windows that hold work of their own before the run ends, each asking about
    // its unsaved work; false when one stays open.
    virtual bool closeWindowsBeforeLeaving() { return true; }
    // Opens the "Restore…" window.
    virtual void showRestoreWindow() {}
    // Takes back the last absorption, reporting what it did.
    virtual void undoLastAbsorption() {}
};

} // namespace folio
