// What the main window asks of the program: showing the other windows and ending the run.
#pragma once

class QString;

namespace folio {

enum class PageSide;

class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;

    virtual void showLeftPageWindow() = 0;
    virtual void showRightPageWindow() = 0;
    virtual void showAudioWindow() = 0;
    virtual void showPlaylistManager() = 0;
    virtual void showMidiDevice() = 0;
    virtual void showMerging() = 0;
    // Opens the window that imports the shown entry's pages from a PDF file.
    virtual void showPdfImport() {}
    // A file dropped on a page picture: a JPEG becomes that page as the page's window would
    // attach it; a PDF opens in the import window, that side picked first.
    virtual void pageFileDropped(PageSide side, const QString& file) {
        static_cast<void>(side);
        static_cast<void>(file);
    }
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
