// Window lifecycles of the main program.
#include "app/program_windows.h"

#include "app/recent_stands.h"
#include "app/reference_texts.h"
#include "core/absorption/absorption_undo.h"
#include "platform/core_text.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/modeless.h"
#include "platform/widgets.h"
#include "windows/common/changed_elsewhere.h"
#include "windows/common/shared_state.h"
#include "windows/common/version_notice.h"
#include "windows/main/form1.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

namespace folio {

namespace {

// Gives the keyboard back to the main window when a window opened from it is hidden or closed,
// so that the next shortcut reaches it. Minimising a window leaves the keyboard where the
// desktop puts it.
class KeyboardBack : public QObject {
public:
    KeyboardBack(const QPointer<Form1>& mainWindow, QObject* parent)
        : QObject(parent), mainWindow_(mainWindow) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide && !event->spontaneous() && mainWindow_ &&
            mainWindow_->isVisible())
            mainWindow_->activateWindow();
        return false;
    }

private:
    const QPointer<Form1>& mainWindow_;
};

// What the undo of the scores an absorption added takes with them, for its question.
QString referencesQuestionText(const EntryReferences& references) {
    QString text;
    if (!references.playlists.empty())
        text += QStringLiteral(" The playlists hold tracks of the scores it added, which are "
                               "taken out: %1.")
                    .arg(playlistTracksText(references.playlists));
    if (!references.midiEntries.empty())
        text += QStringLiteral(" The MIDI set-ups of scores %1 are dropped.")
                    .arg(entryNumbersText(references.midiEntries));
    return text;
}

// What the undo took out of playlist.js and midi.js, for its report.
QString referencesReportText(const UndoReport& undone) {
    QString text;
    if (!undone.referencesGone.playlists.empty())
        text += QStringLiteral("\n\nTaken out of the playlists: %1.")
                    .arg(playlistTracksText(undone.referencesGone.playlists));
    if (!undone.referencesGone.midiEntries.empty())
        text += QStringLiteral("\nMIDI set-ups dropped: %1.")
                    .arg(entryNumbersText(undone.referencesGone.midiEntries));
    if (!undone.referencesError.empty())
        text += QStringLiteral("\n\n%1").arg(fromCoreText(undone.referencesError));
    for (const std::string& notKept : undone.referenceVersionsNotKept)
        text += QStringLiteral("\n%1").arg(fromCoreText(notKept));
    return text;
}

} // namespace

ProgramWindows::ProgramWindows(SharedState& state, Dialogs& dialogs)
    : state_(state), dialogs_(dialogs) {
    // The windows a musician sizes for the work keep their size and place from run to run.
    places_.keepAcrossRuns({QStringLiteral("library"), QStringLiteral("importScoresWindow"),
                            QStringLiteral("playlistfrm"), QStringLiteral("midifrm")});
}

void ProgramWindows::giveKeyboardBackOnHide(QWidget* window) {
    window->installEventFilter(new KeyboardBack(mainWindow_, window));
}

template <typename Window, typename Create>
Window* ProgramWindows::showPlaced(QPointer<Window>& slot, Create create) {
    return showModeless(
        slot,
        [this, &create] {
            Window* window = create();
            giveKeyboardBackOnHide(window);
            return window;
        },
        [this](QWidget* window) { places_.place(window, mainWindow_); });
}

ProgramWindows::~ProgramWindows() {
    rememberOpenedStand();
    deleteStandWindows();
    if (startWindow_)
        startWindow_->disconnect(); // destroyed with the run: not a user's close
    delete startWindow_.data();
    delete mainWindow_.data();
}

namespace {

QString notAStandText(const QString& folder) {
    return QStringLiteral("%1 is not a stand folder: a stand folder holds the folder spartiti, "
                          "with the stand's archive, playlists and page images.")
        .arg(QDir::toNativeSeparators(folder));
}

QString goneText(const QString& folder) {
    return QStringLiteral("%1 is no longer a stand folder: it is not there, or holds no folder "
                          "spartiti any more.")
        .arg(QDir::toNativeSeparators(folder));
}

} // namespace

// A stand the user declines to open (another program holds it) leaves the start window, never
// nothing at all.
void ProgramWindows::start(const QStringList& arguments, const QString& workingFolder) {
    if (!arguments.isEmpty()) {
        const QString named = QDir(workingFolder).absoluteFilePath(arguments.front());
        if (!isStandFolder(named))
            showStartWindow(notAStandText(named));
        else if (!openStand(named))
            showStartWindow({});
        return;
    }
    for (const QString& folder : {workingFolder, newestStandThere()}) {
        if (isStandFolder(folder)) {
            if (!openStand(folder))
                showStartWindow({});
            return;
        }
    }
    showStartWindow({});
}

void ProgramWindows::showStartWindow(const QString& why) {
    if (!startWindow_) {
        startWindow_ = new StartWindow(recentStands());
        startWindow_->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(startWindow_, &StartWindow::openFolderClicked, startWindow_,
                         [this] { chooseStand(); });
        QObject::connect(startWindow_, &StartWindow::recentChosen, startWindow_,
                         [this](const QString& folder) { openRecentStand(folder); });
        // Closing the start window without a stand ends the run.
        QObject::connect(startWindow_, &QObject::destroyed, startWindow_, [this] {
            if (!mainWindow_)
                exitProgram();
        });
    }
    startWindow_->show();
    if (!why.isEmpty())
        dialogs_.error(startWindow_, why);
}

QWidget* ProgramWindows::standParent() const {
    return mainWindow_ ? static_cast<QWidget*>(mainWindow_) : startWindow_;
}

void ProgramWindows::chooseStand() {
    QString from = toQtPath(state_.installation.root());
    for (;;) {
        const QString folder =
            dialogs_.chooseFolder(standParent(), QStringLiteral("Open stand"), from);
        if (folder.isEmpty())
            return;
        if (isStandFolder(folder)) {
            openStand(folder);
            return;
        }
        dialogs_.error(standParent(), notAStandText(folder));
        from = folder;
    }
}

void ProgramWindows::openRecentStand(const QString& folder) {
    if (!isStandFolder(folder)) {
        dialogs_.error(standParent(), goneText(folder));
        return;
    }
    openStand(folder);
}

QList<RecentStand> ProgramWindows::recentStands() {
    rememberOpenedStand();
    return folio::recentStands();
}

void ProgramWindows::rememberOpenedStand() {
    if (!standToRemember_.isEmpty())
        rememberStand(std::exchange(standToRemember_, QString()));
}

bool ProgramWindows::lockStand(const QString& folder, std::unique_ptr<StandLock>& lock,
                               bool& readOnly) {
    lock = std::make_unique<StandLock>(folder);
    readOnly = false;
    const QString stand = QDir::toNativeSeparators(folder);
    const QString readOnlyButton = QStringLiteral("Open read-only");
    const QString takeOverButton = QStringLiteral("Take over");
    const QString cancelButton = QStringLiteral("Cancel");
    for (;;) {
        QString why;
        QStringList buttons{readOnlyButton, takeOverButton, cancelButton};
        switch (lock->take()) {
        case StandLock::Outcome::Held:
            return true;
        case StandLock::Outcome::HeldElsewhere:
            why = lock->holderKnown()
                      ? QStringLiteral("%1 is open in another Folioscribe (%2), which may change "
                                       "it: only one program at a time may write a stand.")
                            .arg(stand, lock->holder())
                      : QStringLiteral("%1 holds a lock file that cannot be read: it may be left "
                                       "by a program that stopped, or come with a copy of the "
                                       "stand. Only one program at a time may write a stand.")
                            .arg(stand);
            why += QStringLiteral("\n\nOpen it read-only, to look without changing anything, or "
                                  "take the lock over?");
            break;
        case StandLock::Outcome::Failed:
            why = QStringLiteral("%1 cannot be locked for writing: %2.\n\nOpen it read-only, to "
                                 "look without changing anything?")
                      .arg(stand, lock->failure());
            buttons.removeOne(takeOverButton);
            break;
        }
        const QString pressed = buttons.value(dialogs_.choose(standParent(), why, buttons));
        if (pressed == readOnlyButton)
            break;
        if (pressed != takeOverButton) {
            lock.reset();
            return false;
        }
        const QString risk =
            QStringLiteral("Take the lock over only if no other Folioscribe has %1 open, on this "
                           "computer or on another. If one has, both programs write the stand's "
                           "files and each overwrites the other's changes.\n\nTake the lock over?")
                .arg(stand);
        if (!dialogs_.questionDefaultNo(standParent(), risk))
            continue;
        if (lock->takeOver())
            return true;
        dialogs_.error(standParent(),
                       QStringLiteral("The lock of %1 could not be taken over: a program on this "
                                      "computer still holds it.")
                           .arg(stand));
    }
    lock.reset();
    readOnly = true;
    return true;
}

bool ProgramWindows::openStand(const QString& folder) {
    std::unique_ptr<StandLock> lock;
    bool readOnly = state_.readOnly;
    const bool reopening =
        mainWindow_ && QFileInfo(folder) == QFileInfo(toQtPath(state_.installation.root()));
    // The open stand keeps the lock this program holds on it.
    if (!reopening && !lockStand(folder, lock, readOnly))
        return false;
    if (mainWindow_ && !mainWindow_->mayCloseStand())
        return false;
    if (!reopening)
        standLock_ = std::move(lock);
    const std::optional<QRect> where =
        mainWindow_ ? std::optional<QRect>(mainWindow_->geometry()) : std::nullopt;
    closeStandWindows();
    // Every store, cache and position of the old stand goes with the state it lived in.
    state_ = SharedState(
        Installation(toFilePath(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()))));
    state_.readOnly = readOnly;
    settleUnfinishedRemoval();
    // The settings file is written, and synced, once the main window has been painted: the
    // first paint does not wait for it.
    standToRemember_ = folder;
    openMainWindow();
    if (where)
        mainWindow_->setGeometry(*where);
    if (startWindow_) {
        startWindow_->disconnect(); // its close no longer ends the run
        startWindow_->close();
    }
    return true;
}

// Every window of the open stand but the main window.
void ProgramWindows::deleteStandWindows() {
    delete audioWindow_.data();
    delete midiWindow_.data();
    delete leftPageWindow_.data();
    delete rightPageWindow_.data();
    delete playlistManager_.data();
    delete premerge_.data();
    delete absorptionWindow_.data();
    delete pdfImport_.data();
    delete scoreImport_.data();
    delete restoreWindow_.data();
    // The library's edits are the archive's in memory: the main window has asked about them.
    delete library_.data();
}

void ProgramWindows::closeStandWindows() {
    // A stand left before its window was painted is remembered all the same.
    rememberOpenedStand();
    deleteStandWindows();
    leftSelectedPagePath_.clear();
    rightSelectedPagePath_.clear();
    if (Form1* old = mainWindow_) {
        // Asked from its own menu: it goes once that command is over, silent meanwhile.
        old->blockSignals(true);
        old->hide();
        old->letGoOfPages();
        old->deleteLater();
        mainWindow_ = nullptr;
    }
}

void ProgramWindows::openMainWindow() {
    delete mainWindow_.data();
    if (startWindow_)
        startWindow_->hide();
    mainWindow_ = new Form1(state_, dialogs_, *this);
    // Once painted, the window names the stand as the recent stands tell it apart ("usb/demo"
    // beside "music/demo"), which needs the settings read; a stand just opened is remembered
    // there first.
    QObject::connect(mainWindow_, &Form1::firstPainted, mainWindow_, [this] {
        rememberOpenedStand();
        mainWindow_->showStandName(standName(toQtPath(state_.installation.root())));
    });
    followMainWindow();
    // The main window starts at the screen's left edge: the room on its right takes the windows
    // opened beside it, where a centred main window would leave two strips too narrow for any.
    // A read-only second program places its window apart from the writer's, so that the two
    // are never taken for one another.
    const QPoint apart = state_.readOnly ? QPoint(48, 48) : QPoint();
    mainWindow_->move(mainWindow_->screen()->availableGeometry().topLeft() + apart);
    mainWindow_->show();
    letMidiWindowFollow();
}

// Created at its first showing, then only hidden, so its folder and chosen file survive.
void ProgramWindows::showAudioWindow() {
    showPlaced(audioWindow_, [this] {
        auto* window = new mp3(state_, dialogs_);
        QObject::connect(window, &mp3::recordingAttached, window, [this] { showAttachments(); });
        return window;
    });
}

void ProgramWindows::showLeftPageWindow() {
    showPlaced(leftPageWindow_, [this] {
        auto* window = new sinistra(state_, dialogs_, leftSelectedPagePath_);
        showAttachmentsOnAttach(window);
        return window;
    });
}

void ProgramWindows::showRightPageWindow() {
    showPlaced(rightPageWindow_, [this] {
        auto* window = new destra(state_, dialogs_, rightSelectedPagePath_);
        showAttachmentsOnAttach(window);
        return window;
    });
}

// Brought to the front while open; its close box destroys it.
void ProgramWindows::showPdfImport() {
    showPlaced(pdfImport_, [this] {
        auto* window = new PdfImportWindow(state_, dialogs_);
        QObject::connect(window, &PdfImportWindow::pagesAttached, window,
                         [this] { showAttachments(); });
        return window;
    });
}

// The scores an import added show at once: in the main window, read anew from the archive the
// import saved, and from there in every window that lists the archive.
void ProgramWindows::showScoreImport() {
    showPlaced(scoreImport_, [this] {
        auto* window = new ScoreImportWindow(state_, dialogs_);
        // The program itself, started again as a drawing worker, draws the pages.
        window->setDrawingProgram(QCoreApplication::applicationFilePath());
        window->setBeforeImport([this] {
            return !mainWindow_ || mainWindow_->settleTypedAfterLast(QStringLiteral("import"));
        });
        QObject::connect(window, &ScoreImportWindow::scoresImported, window, [this] {
            if (mainWindow_) {
                mainWindow_->reload();
                mainWindow_->updateUndoCommand();
            }
        });
        return window;
    });
}

// A dropped JPEG takes the page window's own way; a dropped PDF opens for import.
void ProgramWindows::pageFileDropped(PageSide side, const QString& file) {
    if (file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        showPdfImport();
        pdfImport_->choosePdf(file, side);
        return;
    }
    if (side == PageSide::Left)
        showLeftPageWindow();
    else
        showRightPageWindow();
    PageWindow* window = side == PageSide::Left ? static_cast<PageWindow*>(leftPageWindow_)
                                                : static_cast<PageWindow*>(rightPageWindow_);
    window->attachFile(file);
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
    letMidiWindowFollow();
}

// The MIDI window names and acts on the entry the main window shows, whichever main window
// that is (an absorption opens a new one).
void ProgramWindows::letMidiWindowFollow() {
    if (!mainWindow_ || !midiWindow_)
        return;
    QObject::connect(mainWindow_.data(), &Form1::shownEntryChanged, midiWindow_.data(),
                     &midifrm::followEntry, Qt::UniqueConnection);
    midiWindow_->followEntry(state_.currentEntryNumber);
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
bool ProgramWindows::settleTypedAfterLast() {
    return !mainWindow_ || mainWindow_->settleTypedAfterLast(QStringLiteral("absorption"));
}

void ProgramWindows::reopenMainWindow() {
    if (!mainWindow_) {
        openMainWindow();
        return;
    }
    // The inner area: a new window's frame is not known before it is shown.
    const QRect where = mainWindow_->geometry();
    delete mainWindow_.data();
    mainWindow_ = new Form1(state_, dialogs_, *this);
    // Once painted, the window names the stand as the recent stands tell it apart ("usb/demo"
    // beside "music/demo"), which needs the settings read; a stand just opened is remembered
    // there first.
    QObject::connect(mainWindow_, &Form1::firstPainted, mainWindow_, [this] {
        rememberOpenedStand();
        mainWindow_->showStandName(standName(toQtPath(state_.installation.root())));
    });
    followMainWindow();
    mainWindow_->setGeometry(where);
    mainWindow_->show();
    letMidiWindowFollow();
}

bool ProgramWindows::closeWindowsBeforeLeaving() {
    // An import in progress is never cut short: its window refuses to close until it ends.
    for (QWidget* window :
         {static_cast<QWidget*>(playlistManager_.data()), static_cast<QWidget*>(midiWindow_.data()),
          static_cast<QWidget*>(scoreImport_.data())}) {
        if (window && !window->close())
            return false;
    }
    return true;
}

void ProgramWindows::exitProgram() {
    exitRequested_ = true;
    QCoreApplication::quit();
}

// The windows that attach files act on the entry shown in the main window; they follow it, the
// reopened main window's first entry included.
void ProgramWindows::followMainWindow() {
    QObject::connect(mainWindow_, &Form1::shownEntryChanged, mainWindow_,
                     [this] { nameShownEntry(); });
    QObject::connect(mainWindow_, &Form1::archiveTaken, mainWindow_, [this] {
        listArchiveTitles();
        if (library_)
            library_->archiveChanged();
    });
    QObject::connect(mainWindow_, &Form1::entryEdited, mainWindow_, [this](int entry) {
        if (library_)
            library_->archiveChanged(entry);
    });
    nameShownEntry();
    // A main window opened anew, after an absorption, has read the archive as it is now: the
    // library shows it afresh, with nothing left to undo.
    listArchiveTitles();
    if (library_)
        library_->archiveChanged();
}

// The library shows the archive in memory, unsaved edits included, and follows the main window
// as the main window follows it.
void ProgramWindows::showLibrary() {
    const bool open = library_;
    LibraryWindow* window = showPlaced(library_, [this] {
        auto* created = new LibraryWindow(state_, dialogs_, [this] {
            return mainWindow_ ? mainWindow_->changedEntries() : std::vector<int>{};
        });
        QObject::connect(created, &LibraryWindow::entryChosen, created, [this](int entry) {
            if (mainWindow_ && entry >= 1)
                mainWindow_->VScroll1->setValue(entry);
        });
        QObject::connect(created, &LibraryWindow::entriesEdited, created,
                         [this](const std::vector<int>& entries) {
                             if (mainWindow_)
                                 mainWindow_->entriesChangedElsewhere(entries);
                         });
        QObject::connect(created, &LibraryWindow::saveRequested, created, [this] {
            if (mainWindow_ && mainWindow_->Command1->isEnabled())
                mainWindow_->Command1->click();
        });
        QObject::connect(created, &LibraryWindow::removeRequested, created,
                         [this](const std::vector<int>& entries) { removeScores(entries); });
        QObject::connect(
            created, &LibraryWindow::mergeRequested, created,
            [this](int kept, const std::vector<int>& entries) { mergeScores(kept, entries); });
        created->setStandName(standName(toQtPath(state_.installation.root())));
        // Scores added to a playlist show in the playlist window, read afresh where it stands.
        created->setPlaylistWork([this] { return unsavedWork(DataFile::Playlists); });
        QObject::connect(created, &LibraryWindow::playlistsWritten, created,
                         [this] { showRestored(DataFile::Playlists); });
        return created;
    });
    if (open)
        window->archiveChanged();
    window->showEntry(state_.currentEntryNumber);
}

// The playlist manager adds titles from the archive as the main window last read or saved it.
void ProgramWindows::listArchiveTitles() {
    if (playlistManager_)
        playlistManager_->showArchiveTitles();
}

void ProgramWindows::nameShownEntry() {
    for (PageWindow* window : {static_cast<PageWindow*>(leftPageWindow_.data()),
                               static_cast<PageWindow*>(rightPageWindow_.data())}) {
        if (window)
            window->nameShownEntry();
    }
    if (audioWindow_)
        audioWindow_->nameShownEntry();
    if (pdfImport_)
        pdfImport_->nameShownEntry();
    if (library_)
        library_->showEntry(state_.currentEntryNumber);
}

void ProgramWindows::showAttachmentsOnAttach(PageWindow* window) {
    QObject::connect(window, &PageWindow::pageAttached, window, [this] { showAttachments(); });
}

// What a window attached belongs to the entry the main window shows: it appears there at once.
void ProgramWindows::showAttachments() {
    if (mainWindow_)
        mainWindow_->showAttachments();
    // The library lists the pages and recordings anew after any attach.
    if (library_)
        library_->refreshFacts();
}

// Brought to the front while open, and listing the versions afresh.
void ProgramWindows::showRestoreWindow() {
    const bool open = restoreWindow_;
    RestoreWindow* window = showPlaced(restoreWindow_, [this] {
        auto* created = new RestoreWindow(state_, dialogs_,
                                          [this](DataFile file) { return unsavedWork(file); });
        QObject::connect(created, &RestoreWindow::restored, created,
                         [this](DataFile file) { showRestored(file); });
        // A page or recording put back shows at once when its entry is the one shown.
        QObject::connect(created, &RestoreWindow::entryFileRestored, created,
                         [this](int) { showAttachments(); });
        return created;
    });
    if (open)
        window->Form_Load();
}

QString ProgramWindows::unsavedWork(DataFile file) const {
    switch (file) {
    case DataFile::Archive:
        return mainWindow_ ? mainWindow_->unsavedChangesText() : QString();
    case DataFile::Playlists:
        return playlistManager_ && playlistManager_->hasUnsavedChanges()
                   ? QStringLiteral("The unsaved changes in the playlist manager will be lost.")
                   : QString();
    case DataFile::Midi:
        return midiWindow_ && midiWindow_->hasUnsavedChanges()
                   ? QStringLiteral("The unsaved changes in the MIDI window will be lost.")
                   : QString();
    }
    return {};
}

// A window holding the file as it was read is built afresh where it stood; the user agreed to
// drop its unsaved changes in the restore's question.
template <typename Window> void ProgramWindows::rebuild(QPointer<Window>& slot) {
    if (!slot)
        return;
    const QRect where = slot->geometry();
    delete slot.data();
    slot = new Window(state_, dialogs_);
    slot->setAttribute(Qt::WA_DeleteOnClose);
    giveKeyboardBackOnHide(slot);
    slot->setGeometry(where);
    slot->show();
}

void ProgramWindows::showRestored(DataFile file) {
    switch (file) {
    case DataFile::Archive:
        if (mainWindow_)
            mainWindow_->reload();
        break;
    case DataFile::Playlists:
        rebuild(playlistManager_);
        break;
    case DataFile::Midi:
        rebuild(midiWindow_);
        letMidiWindowFollow();
        break;
    }
}

UndoOffer ProgramWindows::undoOffer() {
    if (std::optional<UndoOffer> removal = removalUndoOffer())
        return *removal;
    const LastAbsorption last = lastAbsorption(state_.installation);
    switch (last.state) {
    case UndoState::Available:
        return {true,
                QStringLiteral("Puts back the archive as it was before the %1 of %2.")
                    .arg(last.imported ? QStringLiteral("import") : QStringLiteral("absorption"),
                         fromCoreText(last.version.when)),
                last.imported};
    case UndoState::SavedSince:
        return {false, QStringLiteral("The archive was saved after the last absorption: "
                                      "\"Restore…\" puts back an earlier version of it.")};
    case UndoState::None:
        break;
    case UndoState::Damaged:
        return {false, QStringLiteral("The record of the last absorption is damaged: "
                                      "\"Restore…\" puts back an earlier version of the archive.")};
    }
    return {false, QStringLiteral("There is no absorption to undo.")};
}

void ProgramWindows::undoLastAbsorption() {
    if (removalUndoOffer()) {
        undoLastRemoval();
        return;
    }
    QWidget* parent = mainWindow_;
    const LastAbsorption last = lastAbsorption(state_.installation);
    const QString what = last.imported ? QStringLiteral("import") : QStringLiteral("absorption");
    const EntryReferences references =
        last.count > 0 ? referencesGone(state_.installation,
                                        withoutEntries(last.first, last.first + last.count - 1))
                       : EntryReferences{};
    // The playlist and MIDI windows read their files again afterwards: their unsaved work is
    // named in the question, as the main window's is.
    QString unsaved = mainWindow_ ? mainWindow_->unsavedChangesText() : QString();
    if (!references.playlists.empty())
        unsaved += QLatin1Char(' ') + unsavedWork(DataFile::Playlists);
    if (!references.midiEntries.empty())
        unsaved += QLatin1Char(' ') + unsavedWork(DataFile::Midi);
    const QString consequences =
        (referencesQuestionText(references) + QLatin1Char(' ') + unsaved.trimmed()).trimmed();
    if (!consequences.isEmpty() &&
        !dialogs_.question(parent, QStringLiteral("Undo the last %1? %2").arg(what, consequences)))
        return;
    // Every data file the undo rewrites is checked against another program's change first. The
    // archive needs no question: the undo goes ahead only while it is byte for byte what the
    // absorption wrote.
    if ((!references.playlists.empty() &&
         !maySaveOver(state_, dialogs_, parent, DataFile::Playlists)) ||
        (!references.midiEntries.empty() && !maySaveOver(state_, dialogs_, parent, DataFile::Midi)))
        return;
    const UndoReport undone = folio::undoLastAbsorption(state_.installation);
    if (!undone.ok) {
        dialogs_.error(parent,
                       QStringLiteral("The last %1 was not undone, and nothing was changed.\n%2")
                           .arg(what, fromCoreText(undone.error)));
        return;
    }
    if (!undone.referencesGone.playlists.empty()) {
        noteDataFile(state_, DataFile::Playlists);
        showRestored(DataFile::Playlists);
    }
    if (!undone.referencesGone.midiEntries.empty()) {
        noteDataFile(state_, DataFile::Midi);
        showRestored(DataFile::Midi);
    }
    showRestored(DataFile::Archive);
    // Nothing is left to undo: the command turns off at once, not only when the menu next opens.
    if (mainWindow_)
        mainWindow_->updateUndoCommand();
    const auto shown = [this](const std::filesystem::path& file) {
        return toShownPath(file.lexically_relative(state_.installation.root()));
    };
    QString text =
        QStringLiteral("The %1 of %2 was undone: %3, %4 page image(s) it copied were "
                       "moved to %5, and %6 file(s) it had moved aside were put back.")
            .arg(what, fromCoreText(undone.when),
                 undone.entriesRemoved > 0
                     ? QStringLiteral("the %1 score(s) it added were taken out of the archive")
                           .arg(undone.entriesRemoved)
                     : QStringLiteral("the archive is back as it was before it"))
            .arg(undone.pagesMoved)
            .arg(shown(undone.pagesFolder))
            .arg(undone.filesPutBack);
    if (!undone.changedPages.empty()) {
        QStringList names;
        for (const std::filesystem::path& page : undone.changedPages)
            names << shown(page);
        text += QStringLiteral("\n\nThese pages were changed after the absorption and stay "
                               "where they are: %1.")
                    .arg(names.join(QStringLiteral(", ")));
    }
    if (!undone.stillAside.empty()) {
        QStringList names;
        for (const std::filesystem::path& file : undone.stillAside)
            names << shown(file);
        text += QStringLiteral("\nThe files set aside from under their names stay set aside: %1.")
                    .arg(names.join(QStringLiteral(", ")));
    }
    text += referencesReportText(undone);
    dialogs_.message(parent, text);
    reportVersionNotKept(state_, dialogs_, parent, DataFile::Archive, undone.versionNotKept);
}

} // namespace folio
