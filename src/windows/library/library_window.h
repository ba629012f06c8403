// The library window: every score in one table to sort, filter, fix in bulk and export as a
// song list. Its edits change the archive in memory only; the main window's Save writes them.
#pragma once

#include "core/archive/library.h"
#include "core/archive/score_search.h"
#include "core/files/file_ops.h"

#include <QStringList>
#include <QUndoStack>
#include <QWidget>
#include <functional>
#include <optional>
#include <set>
#include <vector>

class QAction;
class QComboBox;
class QIODevice;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace folio {

class Dialogs;
class LibraryModel;
class PlaylistStore;
struct SharedState;

class LibraryWindow : public QWidget {
    Q_OBJECT
public:
    // unsavedEntries gives the entries that differ from the archive file.
    LibraryWindow(SharedState& state, Dialogs& dialogs,
                  std::function<std::vector<int>()> unsavedEntries, QWidget* parent = nullptr);
    ~LibraryWindow() override;

    QLineEdit* filterText = nullptr;
    QComboBox* showChoice = nullptr;
    QLabel* countLabel = nullptr;
    QTableView* table = nullptr;
    QPushButton* setAuthorButton = nullptr;     // "Set author…"
    QPushButton* setCategoryButton = nullptr;   // "Set category…"
    QPushButton* addTagButton = nullptr;        // "Add tag…"
    QPushButton* removeTagButton = nullptr;     // "Remove tag…"
    QPushButton* exportButton = nullptr;        // "Export…"
    QPushButton* addToPlaylistButton = nullptr; // "Add to playlist…"
    QPushButton* removeButton = nullptr;        // "Remove…"
    QPushButton* mergeButton = nullptr;         // "Merge into…"
    // What the last edit changed: letters the stand's files cannot hold.
    QLabel* lettersNote = nullptr;
    QAction* saveAction = nullptr; // Ctrl+S
    QAction* undoAction = nullptr; // Ctrl+Z
    QAction* redoAction = nullptr; // Ctrl+Shift+Z, Ctrl+Y

    LibraryModel* model() const { return model_; }
    QUndoStack& undoStack() { return undo_; }
    // Selects entry's row, as the main window shows it, without choosing it again.
    void showEntry(int entry);
    // The archive in memory changed elsewhere (an edit in the main window, a load, a save).
    void archiveChanged(int entry = 0);
    // Selects the rows of entries, the first one current, without choosing it again.
    void selectEntries(const std::vector<int>& entries);
    // Lists the pages and recordings again, off the window thread.
    void refreshFacts();
    // True while a listing is under way.
    bool factsPending() const { return factsPending_; }
    // The stand's name, as the song list's heading gives it; the folder's name until told.
    void setStandName(const QString& name) { standName_ = name; }
    // What an open window would lose when playlist.js is read again ("" when nothing): named in
    // the question before "Add to playlist…" writes the file.
    void setPlaylistWork(std::function<QString()> unsaved) { playlistWork_ = std::move(unsaved); }

signals:
    // The user chose entry's row: the main window shows it.
    void entryChosen(int entry);
    // Edits of the table changed these entries in memory.
    void entriesEdited(const std::vector<int>& entries);
    // Ctrl+S: the main window saves the archive.
    void saveRequested();
    // "Remove…": the selected entries are to be taken out of the archive.
    void removeRequested(const std::vector<int>& entries);
    // "Merge into…": entries are to be merged into kept, one of them.
    void mergeRequested(int kept, const std::vector<int>& entries);
    // "Add to playlist…" rewrote playlist.js: a window showing it reads it again.
    void playlistsWritten();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void filterText_Change();
    void showChoice_Change();
    void setAuthor_Click();
    void setCategory_Click();
    void addTag_Click();
    void removeTag_Click();
    void export_Click();
    void remove_Click();
    void merge_Click();
    void addToPlaylist_Click();

private:
    void buildControls();
    void showRows();
    std::vector<int> selectedEntries() const;
    // The selected entries in the order of the rows.
    std::vector<int> selectedInRowOrder() const;
    // Writes tracks into the playlist at place of store's table, or as a new playlist named
    // name; says how it went.
    void addTracks(PlaylistStore& store, const QString& name, std::optional<std::size_t> place,
                   const std::vector<int>& entries);
    // The selected entries for a bulk edit; none, after saying so, when nothing is selected.
    std::vector<int> chosenEntries();
    // Sets field of each entry through the undo stack, as one step.
    void setField(const std::vector<int>& entries, LibraryColumn column,
                  const std::function<std::string(const ScoreEntry&)>& value, const QString& what);
    void applied(const std::vector<int>& entries);
    // Marks the rows of the entries that differ from the archive file.
    void markUnsaved();
    QString askTag(const QString& question);
    // Writes the rows shown as CSV; formulasGuarded tells whether a field was written with a
    // leading '.
    FileResult writeCsv(const QString& file, bool& formulasGuarded) const;
    // Writes the rows shown as a PDF song list.
    FileResult writePdf(const QString& file) const;
    // Draws the song list into device as a PDF; false when it could not be drawn.
    bool drawSongList(QIODevice& device) const;
    // The category names of generi.js, with the number each stands for.
    std::vector<std::pair<int, QString>> categoryChoices() const;

    SharedState& state_;
    Dialogs& dialogs_;
    std::function<std::vector<int>()> unsavedEntries_;
    CategoryNames names_;
    ScoreSearch search_;
    LibraryQuery query_;
    LibraryModel* model_ = nullptr;
    QUndoStack undo_;
    // The fields an undo or redo step left as they were, one sentence each, until said.
    QStringList notApplied_;
    bool factsPending_ = false;
    bool followingMainWindow_ = false;
    QString standName_;
    std::function<QString()> playlistWork_;
    // Set while this window is destroyed: a listing that ends later finds nobody to tell.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace folio
