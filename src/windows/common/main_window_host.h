// What the main window asks of the program: showing the other windows and ending the run.
#pragma once

#include <QList>
#include <QString>
#include <vector>

namespace folio {

enum class PageSide;

// Whether "Undo last absorption" can be chosen now, and the tip that says what it does or why
// it cannot. The command takes back the newer of the last absorption and the last removal.
struct UndoOffer {
    bool available = false;
    QString tip;
    // The last one imported new scores from files: the command is named after that.
    bool import = false;
    // The last removal is newer than the last absorption: the command takes it back.
    bool removal = false;
};

// A stand opened before, for the "Recent stands" menu: its folder, whether it is still there,
// and the end of its path that tells it from the other stands listed.
struct RecentStand {
    QString folder;
    bool there = false;
    QString name;
};

// Every function is pure: a host that forgets one does not build, rather than quietly losing a
// command.
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
    virtual void showPdfImport() = 0;
    // Opens the window that imports many PDF files as new scores.
    virtual void showScoreImport() = 0;
    // A file dropped on a page picture: a JPEG becomes that page as the page's window would
    // attach it; a PDF opens in the import window, that side picked first.
    virtual void pageFileDropped(PageSide side, const QString& file) = 0;
    // Ends the program at once with every window; nothing is saved or asked.
    virtual void exitProgram() = 0;
    // Closes the windows that hold work of their own before the run ends, each asking about
    // its unsaved work; false when one stays open.
    virtual bool closeWindowsBeforeLeaving() = 0;
    // Opens the "Restore…" window.
    virtual void showRestoreWindow() = 0;
    // Opens the library of every score.
    virtual void showLibrary() = 0;
    // Whether the last absorption can be taken back now.
    virtual UndoOffer undoOffer() = 0;
    // Takes back the last absorption, or the last removal when that is newer, reporting what it
    // did.
    virtual void undoLastAbsorption() = 0;
    // Takes the scores entries out of the archive, renumbering the later ones, once the user
    // has agreed.
    virtual void removeScores(const std::vector<int>& entries) = 0;
    // Asks for a stand folder and opens it in place of the open stand.
    virtual void chooseStand() = 0;
    // Opens the stand in folder in place of the open stand.
    virtual void openRecentStand(const QString& folder) = 0;
    // The stands opened last, newest first.
    virtual QList<RecentStand> recentStands() = 0;
};

} // namespace folio
