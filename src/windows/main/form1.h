// The main window: one archive entry at a time, its pages and recording icon, and the way to
// every other window.
#pragma once

#include "core/archive/saved_entries.h"
#include "core/archive/score_archive.h"
#include "core/archive/score_search.h"
#include "core/versions/data_file_stamp.h"
#include "windows/main/page_image_loader.h"

#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QWheelEvent;

namespace folio {

class Dialogs;
class FindBox;
class MainWindowHost;
struct SharedState;

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    Form1(SharedState& state, Dialogs& dialogs, MainWindowHost& host, QWidget* parent = nullptr);

    // Controls, named as the window's parts are known.
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QFrame* Line1[3] = {};
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QLabel* Picture1 = nullptr;
    QLabel* Label6 = nullptr;
    // The open stand's folder name; its full path in the tip.
    QLabel* standLabel = nullptr;
    // What typing changed in the shown entry's fields: letters the stand's files cannot hold.
    QLabel* lettersNote = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QAction* openStand = nullptr;  // "Open stand…"
    QMenu* recentStands = nullptr; // "Recent stands"
    QAction* playlist = nullptr;
    QAction* midi = nullptr;
    QAction* merging = nullptr;
    QAction* cerca = nullptr;
    QAction* goTo = nullptr;    // "Go to number…"
    QAction* library = nullptr; // "Library"
    QAction* importPdf = nullptr;
    QAction* importScores = nullptr;   // "Import scores…"
    QAction* restore = nullptr;        // "Restore…"
    QAction* undoAbsorption = nullptr; // "Undo last absorption", "… import" or "… removal"
    QAction* removeScore = nullptr;    // "Remove this score…"
    QAction* chiudi = nullptr;

    // Shows the current entry's pages and recording icon again, after a window attached one.
    void showAttachments();
    // True while the entries in memory differ from those last loaded or saved.
    bool hasUnsavedChanges() const;
    // A sentence naming the entries with unsaved changes, empty when there are none.
    QString unsavedChangesText() const;
    // Loads archivio.js anew, after a restore or an undo replaced it; unsaved edits are dropped.
    void reload();
    // "Undo last absorption" is on only while archivio.js is what the last absorption wrote.
    void updateUndoCommand();
    // Another window changed these entries in memory: the shown one shows its new values.
    void entriesChangedElsewhere(const std::vector<int>& entries);
    // The entries that differ from the archive file, in order.
    std::vector<int> changedEntries() const;
    // Before a command that appends scores (an import, an absorption) writes the archive: what
    // was typed into the empty slot after the last score is added as a score or dropped, as the
    // user chooses. False when the user calls the command off.
    bool settleTypedAfterLast(const QString& command);
    // Before another stand is opened in its place: offers to save unsaved changes, then has the
    // windows with work of their own closed. False when the user stays with this stand.
    bool mayCloseStand();
    // Its stand is closing and it goes once the command that closed it is over: its pictures go
    // at once, so that the next stand's window is built without them beside it.
    void letGoOfPages();
    // Names the open stand by the end of its path that tells it from the recent stands.
    void showStandName(const QString& name);

signals:
    // The shown entry changed, or its title did: windows that act on it follow.
    void shownEntryChanged(int position);
    // The archive in memory was read anew or saved, or an entry added: windows that list its
    // titles list them again.
    void archiveTaken();
    // A field of entry was typed into.
    void entryEdited(int entry);
    // The window was painted for the first time: work its first paint does not need may follow.
    void firstPainted();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void VScroll1_Change(int position);     // the entry scroll bar
    void Text2_Change(const QString& text); // the "Title" box
    void Text3_Change(const QString& text); // the "Author" box
    void Text4_Change(const QString& text); // the "Tags" box
    void Command1_Click();                  // "Save"
    void Command2_Click();                  // "Mp3"
    void Command3_Click();                  // "Left"
    void Command4_Click();                  // "Right"
    void Command5_Click();                  // "Add"
    void chiudi_Click();                    // "Exit"
    void cerca_Click();                     // "Find…"
    void goTo_Click();                      // "Go to number…"
    void pageReady(int position, folio::PageSide side, const QImage& image);
    // A .jpg or .pdf file dragged onto a page picture.
    bool pageDrop(QLabel* frame, QEvent* event);

private:
    void buildControls();
    void layOut(QSize area);
    void buildMenu();
    // What reading the archive found, for the controls to show once they are built.
    struct ArchiveRead {
        bool dataFolder = false;
        ArchiveFile file;
        // Whether there are entries to show: a stand's folder with a readable archive file.
        bool shown() const;
    };
    // Loading the window: reading the archive needs no control; showing what was read does.
    // Outside a stand's folder nothing is read, and the archive is emptied when taken in.
    ArchiveRead readArchive();
    void takeIn(const ArchiveRead& read);
    void requestOpeningPages(const ArchiveRead& read);
    void showArchive(const ArchiveRead& read);
    void start();
    void refuseWrongFolder();
    void keepArchiveAsItIs(const QString& reason);
    void moveTo(int position);
    // The wheel turned over the pages.
    void wheelOverPages(const QWheelEvent* wheel);
    void showEntry(int position);
    void showCount();
    void showStand();
    void turnOffWriting();
    void listRecentStands();
    std::vector<std::filesystem::path> neighbourPages(int position) const;
    void storeText(std::string ScoreEntry::*field, const QString& text);
    bool save();
    void keepAsSaved();
    // The empty slot after the last score, when something was typed into it; 0 otherwise.
    int typedAfterLast() const;
    // "The title typed after the last score" (or "The text", when no title was typed).
    QString typedAfterLastText() const;
    // Makes the slot after the last score a score, as "Add" does.
    void addTypedAfterLast();
    // Offers to save unsaved changes; false when the user stays (or the save failed).
    bool mayLeave();

    SharedState& state_;
    Dialogs& dialogs_;
    MainWindowHost& host_;
    // The window's inner area; it grows with the window, and the pages with it.
    QWidget* client_ = nullptr;
    PageImageLoader* pages_ = nullptr;
    // Whether the window has been painted once; the page loader is told then.
    bool painted_ = false;
    // Why "Save" is off while the shared state says the archive must not be written.
    QString archiveKeptReason_;
    int lastShownPosition_ = 0;
    // The wheel's turn over the pages not yet made into a step: a touch pad turns in parts.
    int wheelTurn_ = 0;
    // Set once the user has agreed to leave: the run is ending.
    bool leaving_ = false;
    // The entries as last loaded or saved, to tell whether leaving would lose anything.
    SavedEntries savedEntries_;
    // archivio.js as the last load read it, for noticing changes made by another program.
    DataFileStamp openedArchive_;
    // Folded titles, authors and tags for the find box, made and built when the box is first
    // opened (not on the way to the first paint) and from then on kept up to date by every edit.
    std::unique_ptr<ScoreSearch> search_;
    bool searchBuilt_ = false;
    void buildSearch();
    QPointer<FindBox> findBox_;
};

} // namespace folio
