// The playlist manager: builds a playlist from the archive's titles, reorders and thins it,
// saves it into playlist.js under a name, and deletes playlists.
#pragma once

#include "core/playlists/playlist_store.h"
#include "windows/playlists/title_rows.h"

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace folio {

class Dialogs;
struct SharedState;

class playlistfrm : public QWidget {
    Q_OBJECT
public:
    // Builds the window and loads it: the archive's titles, the playlists of the file.
    playlistfrm(SharedState& state, Dialogs& dialogs, QWidget* parent = nullptr);

    // Controls, named as the window's parts are known.
    QListWidget* List1 = nullptr;
    QPushButton* Command2 = nullptr;
    QComboBox* Combo1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command8 = nullptr;
    QListWidget* List2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command4 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* CommandPrint = nullptr; // "Print…"
    QPushButton* CommandPdf = nullptr;   // "Save as PDF…"
    QFrame* Shape1 = nullptr;
    QFrame* Shape2 = nullptr;
    // Above the title list: narrows it to the titles, authors and tags holding the text.
    QLineEdit* titleFilter = nullptr;

    // The entry numbers of the track list's rows, top row first.
    const std::vector<int>& trackNumbers() const { return trackNumbers_; }
    int trackCount() const { return static_cast<int>(trackNumbers_.size()); }
    // True while the track list or the name differs from the playlist as chosen, started or
    // last saved.
    bool hasUnsavedChanges() const;
    // Lists the archive's titles anew, as the archive in memory now has them (after an earlier
    // archive was restored, say); the track list being built is left as it is.
    void showArchiveTitles();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void Combo1_Click(int index); // the playlists box
    void Command2_Click();        // "ADD"
    void Command3_Click();        // "Move up"
    void Command4_Click();        // "Move down"
    void Command6_Click();        // "Remove"
    void Command5_Click();        // "New playlist"
    void Command1_Click();        // "Save"
    void Command8_Click();        // "Delete playlist"
    void Command7_Click();        // "Esc"

private:
    void buildControls();
    void Form_Load();
    // Shows the table as read last: the count and the playlists box, whose text becomes text.
    void showPlaylists(const QString& text);
    // Takes the track list and the name as they are now as the ones that need no saving.
    void keepAsShown();
    // False when the user keeps the unsaved track list and name rather than drop them.
    bool mayDropChanges();
    int selectedTrackRow() const;
    // Ctrl+Up and Ctrl+Down move the selected track; true if key was one of them.
    bool moveTrackByKey(const QKeyEvent* key);
    void swapTracks(int row, int other);
    QString rowTextOf(int number) const;
    // Adds the entries at the end of the track list, asking first about each already in it.
    void addTracks(const std::vector<int>& entries);
    // Enter in the filter adds the one title it leaves.
    void addTheOneTitleLeft();
    // The track numbers read again from the rows, after a track was dragged to another place.
    void takeTrackOrderFromRows();
    void reportFailure(const PlaylistWriteResult& result, const QString& what);
    // The playlist that "Save" replaces, or nothing when it adds; asks whether a renamed chosen
    // playlist replaces the old one or goes beside it, and before it takes another's name.
    // False if the user called the save off.
    bool placeToSave(const std::string& name, std::optional<PlaylistPlace>& replacing);

    SharedState& state_;
    Dialogs& dialogs_;
    PlaylistStore store_;
    std::optional<TitleList> titles_;
    std::vector<int> trackNumbers_;
    // The playlist chosen in the box or last saved from this window: a save replaces only it.
    std::optional<PlaylistPlace> chosen_;
    std::vector<int> shownTracks_;
    QString shownName_;
};

} // namespace folio
