// The choices before a set list goes to paper: which playlists, the date on the heading, the
// stage copy and whether the playlists run on without a new page.
#pragma once

#include "core/playlists/playlist_store.h"
#include "windows/playlists/set_list.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QDateEdit;
class QListWidget;

namespace folio {

class Dialogs;
struct SharedState;

class SetListDialog : public QDialog {
    Q_OBJECT
public:
    // The first row is the playlist being edited, ticked; the saved playlists follow, each of
    // another name than the edited one.
    SetListDialog(const QString& editedName, const std::vector<Playlist>& saved,
                  QWidget* parent = nullptr);

    QListWidget* playlists = nullptr;
    QDateEdit* date = nullptr;
    QCheckBox* stageCopy = nullptr;
    QCheckBox* continuous = nullptr;

    // Row k of playlists stands for this playlist: -1 for the edited one, else its index among
    // the saved ones.
    const std::vector<int>& rowPlaylists() const { return rowPlaylists_; }
    SetListOptions options() const;

private:
    std::vector<int> rowPlaylists_;
};

enum class SetListOutput { Printer, Pdf };

// Asks for the choices, then prints the set list through the print dialog or saves it as a PDF
// file. edited is the track list being edited under editedName.
void putSetListOnPaper(QWidget* parent, const SharedState& state, Dialogs& dialogs,
                       const std::vector<Playlist>& saved, const QString& editedName,
                       const std::vector<int>& edited, SetListOutput output);

} // namespace folio
