// The window host of the main program: creates each window when first asked, keeps or
// rebuilds it as its lifecycle says, and ends the run.
#pragma once

#include "core/removal/removal.h"
#include "platform/stand_lock.h"
#include "platform/window_place.h"
#include "windows/audio/mp3_window.h"
#include "windows/common/main_window_host.h"
#include "windows/library/library_window.h"
#include "windows/main/form1.h"
#include "windows/merging/merging_host.h"
#include "windows/merging/merging_window.h"
#include "windows/merging/premerge.h"
#include "windows/midi/midifrm.h"
#include "windows/pages/page_window.h"
#include "windows/pdf_import/pdf_import_window.h"
#include "windows/pdf_import/score_import_window.h"
#include "windows/playlists/playlist_window.h"
#include "windows/restore/restore_window.h"
#include "windows/start/start_window.h"

#include <QPointer>
#include <memory>
#include <optional>
#include <vector>

namespace folio {

class Dialogs;
struct SharedState;

class ProgramWindows : public MainWindowHost, public MergingHost {
public:
    ProgramWindows(SharedState& state, Dialogs& dialogs);
    ~ProgramWindows() override;
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    // Opens the main window (again, after an absorption): its load reads the archive anew.
    void openMainWindow();
    // Opens the stand the start finds, the first that applies: the folder on the command line,
    // the working folder if it is a stand, the newest recent stand still there. Without one,
    // the start window asks for one.
    void start(const QStringList& arguments, const QString& workingFolder);
    // Opens the stand in folder in place of the open one, once the open stand's windows have
    // closed, each asking about its unsaved work; false when the user stays with the open stand.
    bool openStand(const QString& folder);
    // The start window while it is shown, else nullptr.
    StartWindow* startWindow() const { return startWindow_; }
    Form1* mainWindow() const { return mainWindow_; }
    // The audio window while it exists (shown or hidden), else nullptr.
    mp3* audioWindow() const { return audioWindow_; }
    // The MIDI device window while it is open, else nullptr.
    midifrm* midiWindow() const { return midiWindow_; }

    void showLeftPageWindow() override;
    void showRightPageWindow() override;
    void showAudioWindow() override;
    void showPlaylistManager() override;
    void showMidiDevice() override;
    void showMerging() override;
    void showPdfImport() override;
    void showScoreImport() override;
    void pageFileDropped(PageSide side, const QString& file) override;
    void exitProgram() override;
    bool closeWindowsBeforeLeaving() override;
    void showAbsorptionWindow() override;
    void reopenMainWindow() override;
    bool settleTypedAfterLast() override;
    void showRestoreWindow() override;
    void showLibrary() override;
    LibraryWindow* libraryWindow() const { return library_; }
    UndoOffer undoOffer() override;
    void undoLastAbsorption() override;
    void removeScores(const std::vector<int>& entries) override;
    // Merges entries into kept, one of them: the tracks that named the others name kept, and the
    // others are removed.
    void mergeScores(int kept, const std::vector<int>& entries);
    void chooseStand() override;
    void openRecentStand(const QString& folder) override;
    QList<RecentStand> recentStands() override;

    // The "Restore…" window while it is open, else nullptr.
    RestoreWindow* restoreWindow() const { return restoreWindow_; }

    // The merging windows while they are open, else nullptr.
    Premerge* sourceSelectionWindow() const { return premerge_; }
    merging* absorptionWindow() const { return absorptionWindow_; }

    bool exitRequested() const { return exitRequested_; }

    // The page windows while they exist (shown or hidden); null before their first showing
    // and after their close box.
    sinistra* leftPageWindow() const { return leftPageWindow_; }
    destra* rightPageWindow() const { return rightPageWindow_; }
    // The PDF import window while it is open, else nullptr.
    PdfImportWindow* pdfImportWindow() const { return pdfImport_; }
    // The window that imports many PDF files while it is open, else nullptr.
    ScoreImportWindow* scoreImportWindow() const { return scoreImport_; }
    // The playlist manager while it is open, else nullptr.
    playlistfrm* playlistManager() const { return playlistManager_; }

private:
    // Destroys every window of the open stand; the main window goes once its event is over.
    void closeStandWindows();
    void deleteStandWindows();
    void showStartWindow(const QString& why);
    // Takes the lock of the stand in folder, or asks whether to open it read-only. False when
    // the user calls the opening off; readOnly tells how it opens.
    bool lockStand(const QString& folder, std::unique_ptr<StandLock>& lock, bool& readOnly);
    // The window a question about choosing a stand belongs to.
    QWidget* standParent() const;
    // The MIDI window follows the entry the main window shows.
    void letMidiWindowFollow();
    // The page and audio windows name the entry the main window shows, and the main window shows
    // what they attach at once.
    void followMainWindow();
    void nameShownEntry();
    void listArchiveTitles();
    void showAttachmentsOnAttach(PageWindow* window);
    void showAttachments();
    // What a restore of file would drop, named for the question; empty when nothing.
    QString unsavedWork(DataFile file) const;
    // The windows that show file load it anew.
    void showRestored(DataFile file);
    // Puts the stand opened last at the head of the recent stands, once.
    void rememberOpenedStand();
    template <typename Window> void rebuild(QPointer<Window>& slot);
    // The removal of scores (program_removal.cpp).
    // The undo offer for the last removal when it is newer than the last absorption.
    std::optional<UndoOffer> removalUndoOffer() const;
    void undoLastRemoval();
    // A removal stopped part-way, found when a stand opens, is completed or rolled back.
    void settleUnfinishedRemoval();
    // Whether scores may be removed now: the stand is written by this program, no import runs,
    // and the main window's edits are saved first.
    bool mayRemoveNow(QWidget* parent);
    // Takes plan's scores out and shows the result in every window: the main window stays on
    // the score it showed, the library selects selected (numbered as before); intro opens the
    // report.
    void removePlanned(QWidget* parent, const RemovalPlan& plan, const std::vector<int>& selected,
                       const QString& intro);
    // Every window shows the data files anew, the main window at shown.
    void showRenumbered(int shown, const std::vector<int>& selected);
    // What the playlist and MIDI windows would drop by reading their files again.
    QString unsavedReferenceWork() const;
    // The main window takes the keyboard again when window is hidden or closed.
    void giveKeyboardBackOnHide(QWidget* window);

    // Shows a window opened from the main window beside it, or where the user left it.
    template <typename Window, typename Create>
    Window* showPlaced(QPointer<Window>& slot, Create create);

    // Declared before the windows, so that it outlives them while they are destroyed.
    WindowPlaces places_;
    SharedState& state_;
    Dialogs& dialogs_;
    QPointer<Form1> mainWindow_;
    QPointer<mp3> audioWindow_;
    bool exitRequested_ = false;
    // Each page window's last clicked file, kept here so that it survives the close box.
    QString leftSelectedPagePath_;
    QString rightSelectedPagePath_;
    QPointer<sinistra> leftPageWindow_;
    QPointer<destra> rightPageWindow_;
    QPointer<playlistfrm> playlistManager_;
    QPointer<midifrm> midiWindow_;
    QPointer<Premerge> premerge_;
    QPointer<merging> absorptionWindow_;
    QPointer<PdfImportWindow> pdfImport_;
    QPointer<ScoreImportWindow> scoreImport_;
    QPointer<RestoreWindow> restoreWindow_;
    QPointer<LibraryWindow> library_;
    QPointer<StartWindow> startWindow_;
    // The open stand's lock, while this program is its writer.
    std::unique_ptr<StandLock> standLock_;
    // The stand opened last, until it is remembered in the settings.
    QString standToRemember_;
};

} // namespace folio
