// The playlist manager's controls and handlers.
#include "windows/playlists/playlist_window.h"

#include "core/format/line_writer.h"
#include "platform/core_text.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/field_text.h"
#include "platform/look.h"
#include "platform/widgets.h"
#include "windows/common/changed_elsewhere.h"
#include "windows/common/shared_state.h"
#include "windows/common/version_notice.h"
#include "windows/playlists/set_list_dialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>

namespace folio {
namespace {

constexpr QSize kClientSize{737, 505};
const QString kWarningTitle = QStringLiteral("Warning!");

// Names compared as the file carries them, so that a name shown as loaded matches itself.
bool sameNameInFile(const std::string& name, const std::string& other) {
    return safeFieldValue(name) == safeFieldValue(other);
}

bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// A row of the track list: its text, and the entry it plays, named in its tip.
QListWidgetItem* trackItem(const QString& text, int number) {
    auto* item = new QListWidgetItem(text);
    item->setData(Qt::UserRole, number);
    item->setToolTip(QStringLiteral("Entry %1").arg(number));
    return item;
}

} // namespace

playlistfrm::playlistfrm(SharedState& state, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), dialogs_(dialogs), store_(state.installation) {
    setObjectName(QStringLiteral("playlistfrm"));
    setWindowTitle(QStringLiteral("Playlist Manager"));
    buildControls();
    Form_Load();
}

void playlistfrm::buildControls() {
    setFixedSize(kClientSize);
    look::setWhiteBackground(this);

    // The frames first, so that the controls inside them are drawn over them.
    Shape1 = place<QFrame>(this, "Shape1", {344, 4, 389, 74});
    Shape2 = place<QFrame>(this, "Shape2", {344, 84, 389, 372});
    for (QFrame* shape : {Shape1, Shape2}) {
        shape->setFrameShape(QFrame::Box);
        shape->setStyleSheet(QStringLiteral("QFrame { border: 1px solid #4095FD; }"));
    }

    auto button = [&](const char* name, const char* caption, const char* tip, const QRect& where,
                      int points) {
        auto* command = place<QPushButton>(this, name, where, QString::fromUtf8(caption));
        if (tip)
            command->setToolTip(QString::fromUtf8(tip));
        look::styleButton(command, points);
        return command;
    };

    titleFilter = place<QLineEdit>(this, "titleFilter", {8, 8, 281, 26});
    titleFilter->setPlaceholderText(QStringLiteral("Filter titles"));
    titleFilter->setClearButtonEnabled(true);
    List1 = place<QListWidget>(this, "List1", {8, 40, 281, 417});
    // Rows of one height spare the list measuring each of up to 9999 titles when shown.
    List1->setUniformItemSizes(true);
    // Ctrl+click and Shift+click choose several titles for one "ADD".
    List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    titles_.emplace(List1);
    Command2 = button("Command2", "ADD", nullptr, {296, 8, 41, 449}, 9);

    Combo1 = place<QComboBox>(this, "Combo1", {352, 12, 377, 24});
    Combo1->setEditable(true);
    // Enter in the box's text must not slip a name into the list that the file does not hold.
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    // The box has its place; measuring up to 999 names for a size hint would only cost time.
    Combo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Label1 = place<QLabel>(this, "Label1", {352, 42, 49, 25});
    Label1->setText(QStringLiteral("0"));
    Command5 = button("Command5", "New playlist", nullptr, {408, 42, 153, 25}, 10);
    Command8 = button("Command8", "Delete playlist", "Cancella Playlist", {568, 42, 161, 25}, 10);

    List2 = place<QListWidget>(this, "List2", {352, 90, 281, 305});
    List2->setUniformItemSizes(true);
    // A track is dragged to its place in the running order.
    List2->setDragDropMode(QAbstractItemView::InternalMove);
    List2->setDefaultDropAction(Qt::MoveAction);
    Command3 =
        button("Command3", "Move up", "Seleziona un brano per spostare su", {640, 90, 89, 33}, 9);
    Command6 =
        button("Command6", "Remove", "Elimina un brano dalla playlist", {640, 130, 89, 33}, 9);
    Command4 = button("Command4", "Move down", "Seleziona un brano per spostaregiu",
                      {640, 170, 89, 33}, 9);

    Label2 = place<QLabel>(this, "Label2", {352, 402, 377, 20});
    Label2->setText(QStringLiteral("Playlist name"));
    Text1 = place<QLineEdit>(this, "Text1", {352, 424, 377, 26});
    acceptOnlyFieldText(Text1);

    Command7 = button("Command7", "Esc", nullptr, {8, 464, 97, 33}, 12);
    Command1 = button("Command1", "Save", nullptr, {632, 464, 97, 33}, 12);
    CommandPrint = button("CommandPrint", "Print…", "Print the set list", {408, 464, 97, 33}, 10);
    CommandPdf = button("CommandPdf", "Save as PDF…", "Save the set list as a PDF file",
                        {512, 464, 113, 33}, 10);

    for (QWidget* text : {static_cast<QWidget*>(titleFilter), static_cast<QWidget*>(List1),
                          static_cast<QWidget*>(List2), static_cast<QWidget*>(Combo1),
                          static_cast<QWidget*>(Text1)})
        look::styleBlueText(text, 10);
    look::styleBlueText(Label1, 12);
    look::styleBlueText(Label2, 10);

    setTabOrder(titleFilter, List1);
    setTabOrder(List1, Command2);
    setTabOrder(Command2, Combo1);
    setTabOrder(Combo1, Command5);
    setTabOrder(Command5, Command8);
    setTabOrder(Command8, List2);
    setTabOrder(List2, Command3);
    setTabOrder(Command3, Command6);
    setTabOrder(Command6, Command4);
    setTabOrder(Command4, Text1);
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command7);

    connect(Combo1, &QComboBox::activated, this, &playlistfrm::Combo1_Click);
    connect(Command2, &QPushButton::clicked, this, &playlistfrm::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &playlistfrm::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &playlistfrm::Command4_Click);
    connect(Command6, &QPushButton::clicked, this, &playlistfrm::Command6_Click);
    connect(Command5, &QPushButton::clicked, this, &playlistfrm::Command5_Click);
    connect(Command1, &QPushButton::clicked, this, &playlistfrm::Command1_Click);
    connect(Command8, &QPushButton::clicked, this, &playlistfrm::Command8_Click);
    connect(Command7, &QPushButton::clicked, this, &playlistfrm::Command7_Click);
    const auto toPaper = [this](SetListOutput output) {
        putSetListOnPaper(this, state_, dialogs_, store_.playlists(), Text1->text(), trackNumbers_,
                          output);
    };
    connect(CommandPrint, &QPushButton::clicked, this,
            [toPaper] { toPaper(SetListOutput::Printer); });
    connect(CommandPdf, &QPushButton::clicked, this, [toPaper] { toPaper(SetListOutput::Pdf); });

    // A double click or Enter on a title adds it; Delete removes the selected track; Ctrl+Up
    // and Ctrl+Down move it.
    connect(List1, &QListWidget::itemDoubleClicked, this, &playlistfrm::Command2_Click);
    connect(titleFilter, &QLineEdit::textChanged, this,
            [this](const QString& text) { titles_->filter(text); });
    connect(titleFilter, &QLineEdit::returnPressed, this, &playlistfrm::addTheOneTitleLeft);
    connect(List2->model(), &QAbstractItemModel::rowsMoved, this,
            &playlistfrm::takeTrackOrderFromRows);
    titleFilter->installEventFilter(this);
    List1->installEventFilter(this);
    List2->installEventFilter(this);
}

void playlistfrm::showArchiveTitles() {
    titles_->show(state_.archive);
}

void playlistfrm::Form_Load() {
    showArchiveTitles();

    trackNumbers_.clear();
    switch (store_.read()) {
    case PlaylistFileState::Missing: {
        if (state_.readOnly)
            break;
        // Only where nothing at all stands at the name: a dangling link or a folder is unreadable.
        const FileResult created = store_.create();
        if (!created.ok)
            dialogs_.error(this, QStringLiteral("The playlist file could not be created.\n%1")
                                     .arg(fromCoreText(created.error)));
        break;
    }
    case PlaylistFileState::Unreadable:
        Command1->setEnabled(false);
        Command8->setEnabled(false);
        dialogs_.error(this,
                       QStringLiteral("The playlist file %1 is there but cannot be read. "
                                      "It is left as it is, and nothing can be saved "
                                      "into it until it can be read.\n%2")
                           .arg(toShownPath(store_.path()), fromCoreText(store_.readError())));
        break;
    case PlaylistFileState::Read:
        break;
    }
    noteDataFile(state_, DataFile::Playlists);
    if (state_.readOnly) {
        Command1->setEnabled(false);
        Command8->setEnabled(false);
    }
    showPlaylists(QStringLiteral("Playlist"));
    keepAsShown();
    // The user decides what to do about lines that the next save would drop.
    if (const int unread = store_.unreadLineCount(); unread > 0)
        dialogs_.message(this,
                         unread == 1 ? QStringLiteral("1 line of playlist.js could not be read "
                                                      "and will be dropped at the next save")
                                     : QStringLiteral("%1 lines of playlist.js could not be read "
                                                      "and will be dropped at the next save")
                                           .arg(unread),
                         kWarningTitle);
}

void playlistfrm::showPlaylists(const QString& text) {
    Label1->setText(QString::number(store_.playlistCount()));
    QStringList names;
    names.reserve(store_.playlistCount());
    for (const Playlist& playlist : store_.playlists())
        names.append(fromCp1252(playlist.name));
    Combo1->clear();
    Combo1->addItems(names);
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(text);
}

// The row a track shows: the title alone, or " _<n>" for a number the archive does not reach.
QString playlistfrm::rowTextOf(int number) const {
    if (number > state_.archive.entryCount())
        return QStringLiteral(" _%1").arg(number);
    return fromCp1252(state_.archive.slot(number).title);
}

void playlistfrm::Combo1_Click(int index) {
    if (!mayDropChanges()) {
        // The box goes back to naming the playlist that is still being edited.
        const QSignalBlocker quiet(Combo1);
        Combo1->setCurrentIndex(-1);
        Combo1->setEditText(Text1->text());
        return;
    }
    List2->clear();
    trackNumbers_.clear();
    if (index < 0 || index >= store_.playlistCount())
        return;
    const Playlist& playlist = store_.playlists()[static_cast<std::size_t>(index)];
    chosen_ = PlaylistPlace{static_cast<std::size_t>(index), playlist};
    // The name as the file holds it, unfiltered: saving it unchanged replaces this playlist.
    showFieldText(Text1, fromCp1252(playlist.name));
    trackNumbers_ = splitTrackString(playlist.tracks);
    for (int number : trackNumbers_)
        List2->addItem(trackItem(rowTextOf(number), number));
    keepAsShown();
}

// The selected titles, in list order; each row adds the entry it stands for, even where
// another entry has the same title.
void playlistfrm::Command2_Click() {
    std::vector<int> entries;
    for (int row : titles_->selectedRows())
        entries.push_back(titles_->entryOf(row));
    addTracks(entries);
}

void playlistfrm::addTheOneTitleLeft() {
    if (titles_->shownCount() == 1)
        addTracks({titles_->entryOf(0)});
}

void playlistfrm::addTracks(const std::vector<int>& entries) {
    if (entries.empty())
        return;
    if (trackCount() + static_cast<int>(entries.size()) > PlaylistStore::kMaxTracks) {
        dialogs_.message(this,
                         (entries.size() == 1 ? QStringLiteral("A playlist holds at most %1 "
                                                               "tracks: the title was not added.")
                                              : QStringLiteral("A playlist holds at most %1 "
                                                               "tracks: the titles were not "
                                                               "added."))
                             .arg(PlaylistStore::kMaxTracks),
                         kWarningTitle);
        return;
    }
    // The first place of each entry in the set, to name it when the entry is added again.
    std::vector<int> placeOf(ScoreArchive::kSlotCount, 0);
    for (std::size_t i = trackNumbers_.size(); i-- > 0;)
        if (ScoreArchive::isSlot(trackNumbers_[i]))
            placeOf[static_cast<std::size_t>(trackNumbers_[i])] = static_cast<int>(i) + 1;
    for (int entry : entries) {
        if (entry < 1 || entry > state_.archive.entryCount()) {
            dialogs_.message(this,
                             QStringLiteral("Entry %1 is no longer in the archive. Close the "
                                            "window and open it again to see the titles as "
                                            "they are now.")
                                 .arg(entry),
                             kWarningTitle);
            continue;
        }
        const QString title = fromCp1252(state_.archive.slot(entry).title);
        const int place = placeOf[static_cast<std::size_t>(entry)];
        if (place > 0 &&
            !dialogs_.questionDefaultNo(
                this,
                QStringLiteral("%1 is already track %2. Add it again?").arg(title).arg(place)))
            continue;
        // An added row names its entry after the title, as the stand's first version did.
        List2->addItem(trackItem(QStringLiteral("%1 _%2").arg(title).arg(entry), entry));
        trackNumbers_.push_back(entry);
        if (place == 0)
            placeOf[static_cast<std::size_t>(entry)] = trackCount();
    }
    List2->scrollToBottom();
}

void playlistfrm::takeTrackOrderFromRows() {
    trackNumbers_.clear();
    for (int row = 0; row < List2->count(); ++row)
        trackNumbers_.push_back(List2->item(row)->data(Qt::UserRole).toInt());
}

int playlistfrm::selectedTrackRow() const {
    const QListWidgetItem* current = List2->currentItem();
    return current && current->isSelected() ? List2->currentRow() : -1;
}

void playlistfrm::swapTracks(int row, int other) {
    std::swap(trackNumbers_[static_cast<std::size_t>(row)],
              trackNumbers_[static_cast<std::size_t>(other)]);
    // The row goes with its track, tip and entry included.
    QListWidgetItem* moved = List2->takeItem(row);
    List2->insertItem(other, moved);
    List2->setCurrentRow(other);
}

void playlistfrm::Command3_Click() {
    const int row = selectedTrackRow();
    if (row >= 1)
        swapTracks(row, row - 1);
}

void playlistfrm::Command4_Click() {
    const int row = selectedTrackRow();
    if (row >= 0 && row <= List2->count() - 2)
        swapTracks(row, row + 1);
}

void playlistfrm::Command6_Click() {
    const int row = selectedTrackRow();
    if (row < 0)
        return;
    delete List2->takeItem(row);
    trackNumbers_.erase(trackNumbers_.begin() + row);
    // The next track is selected, so that Delete can thin the list row after row.
    if (List2->count() > 0)
        List2->setCurrentRow(std::min(row, List2->count() - 1));
}

void playlistfrm::Command5_Click() {
    if (!mayDropChanges())
        return;
    chosen_.reset();
    List2->clear();
    Text1->clear();
    trackNumbers_.clear();
    keepAsShown();
    Text1->setFocus();
}

void playlistfrm::Command1_Click() {
    const QString shownName = Text1->text();
    if (shownName.isEmpty()) {
        dialogs_.message(this, QStringLiteral("You must type a name for the playlist"),
                         kWarningTitle);
        return;
    }
    const std::string name = toCp1252(shownName);
    if (!isSavablePlaylistName(name)) {
        dialogs_.message(this,
                         QStringLiteral("A playlist cannot be named %1: the stand would read it "
                                        "as the end of the playlist file.")
                             .arg(shownName),
                         kWarningTitle);
        return;
    }
    std::optional<PlaylistPlace> replacing;
    if (!placeToSave(name, replacing) || !maySaveOver(state_, dialogs_, this, DataFile::Playlists))
        return;
    KeepVersion keep;
    keep.what = "playlist";
    const PlaylistWriteResult saved =
        store_.writeBack(name, buildTrackString(trackNumbers_), replacing, &keep);
    if (!saved.written()) {
        reportFailure(saved, QStringLiteral("The playlist %1 was not saved.").arg(shownName));
        return;
    }
    noteDataFile(state_, DataFile::Playlists);
    chosen_ = saved.place;
    keepAsShown();
    // The box now lists the file as written and names the saved playlist; the next "Save"
    // replaces the playlist just written.
    showPlaylists(shownName);
    if (replacing && saved.outcome == PlaylistWrite::Added)
        dialogs_.message(this,
                         QStringLiteral("The playlist %1 was changed or removed in the playlist "
                                        "file since it was read, so it was saved as a new "
                                        "playlist after the others.")
                             .arg(shownName),
                         QStringLiteral("Ok!"));
    else
        dialogs_.message(this, QStringLiteral("Successfully saved"), QStringLiteral("Ok!"));
    reportVersionNotKept(state_, dialogs_, this, DataFile::Playlists, keep.notKept);
}

bool playlistfrm::placeToSave(const std::string& name, std::optional<PlaylistPlace>& replacing) {
    replacing.reset();
    if (!chosen_)
        return true;
    if (sameNameInFile(name, chosen_->asRead.name)) {
        replacing = chosen_;
        return true;
    }
    // A renamed playlist takes the old one's place or is saved beside it, as the user says;
    // another of the new name is never written over.
    const QStringList buttons{QStringLiteral("Rename"), QStringLiteral("Keep both"),
                              QStringLiteral("Cancel")};
    switch (dialogs_.choose(this,
                            QStringLiteral("Rename \"%1\" to \"%2\", or keep both?")
                                .arg(fromCp1252(chosen_->asRead.name), fromCp1252(name)),
                            buttons)) {
    case 0:
        replacing = chosen_;
        break;
    case 1:
        break;
    default:
        return false;
    }
    const std::vector<Playlist>& playlists = store_.playlists();
    const bool taken = std::any_of(playlists.begin(), playlists.end(),
                                   [&](const Playlist& p) { return sameNameInFile(name, p.name); });
    return !taken ||
           dialogs_.question(this, QStringLiteral("A playlist named %1 already exists. Save "
                                                  "anyway?")
                                       .arg(fromCp1252(name)));
}

void playlistfrm::Command8_Click() {
    // Only the playlist chosen in the box is deleted, never another one of the same name.
    const QString shownName = Combo1->currentText();
    if (!chosen_ || !sameNameInFile(toCp1252(shownName), chosen_->asRead.name)) {
        dialogs_.message(this,
                         QStringLiteral("Choose the playlist to delete in the playlists box."),
                         kWarningTitle);
        return;
    }
    if (!dialogs_.question(this, QStringLiteral("Delete the playlist %1?").arg(shownName)) ||
        !maySaveOver(state_, dialogs_, this, DataFile::Playlists))
        return;
    KeepVersion keep;
    keep.what = "playlist";
    const PlaylistWriteResult deleted = store_.deletePlaylist(*chosen_, &keep);
    if (!deleted.written()) {
        reportFailure(deleted, QStringLiteral("The playlist %1 was not deleted.").arg(shownName));
        return;
    }
    noteDataFile(state_, DataFile::Playlists);
    chosen_.reset();
    showPlaylists(QString());
    Text1->clear();
    List2->clear();
    trackNumbers_.clear();
    keepAsShown();
    reportVersionNotKept(state_, dialogs_, this, DataFile::Playlists, keep.notKept);
}

void playlistfrm::reportFailure(const PlaylistWriteResult& result, const QString& what) {
    switch (result.outcome) {
    case PlaylistWrite::TooMany:
        dialogs_.message(this,
                         QStringLiteral("%1 The playlist file already holds %2 playlists, as "
                                        "many as the stand can take.")
                             .arg(what)
                             .arg(PlaylistStore::kMaxPlaylists),
                         kWarningTitle);
        break;
    case PlaylistWrite::NotFound:
        // Someone else removed it since the file was read: show the file as it is now.
        store_.read();
        chosen_.reset();
        showPlaylists(QString());
        dialogs_.message(this, QStringLiteral("%1 It is no longer in the playlist file.").arg(what),
                         kWarningTitle);
        break;
    case PlaylistWrite::FileUnreadable:
        dialogs_.error(
            this, QStringLiteral("%1 The playlist file %2 cannot be read, so it is "
                                 "left as it is.\n%3")
                      .arg(what, toShownPath(store_.path()), fromCoreText(store_.readError())));
        break;
    default:
        dialogs_.error(this, QStringLiteral("%1\n%2").arg(what, fromCoreText(result.error)));
        break;
    }
}

void playlistfrm::Command7_Click() {
    close();
}

void playlistfrm::keepAsShown() {
    shownTracks_ = trackNumbers_;
    shownName_ = Text1->text();
}

bool playlistfrm::hasUnsavedChanges() const {
    return trackNumbers_ != shownTracks_ || Text1->text() != shownName_;
}

// Choosing another playlist or starting a new one drops the track list being edited: only
// after the user agrees, and only when there is something that could have been saved.
bool playlistfrm::mayDropChanges() {
    return !hasUnsavedChanges() || !Command1->isEnabled() ||
           dialogs_.questionDefaultNo(this,
                                      QStringLiteral("Drop the unsaved changes to this playlist?"));
}

// While the playlist file cannot be read, Save is off: nothing could be saved, so nothing is
// asked.
void playlistfrm::closeEvent(QCloseEvent* event) {
    if (hasUnsavedChanges() && Command1->isEnabled() &&
        !dialogs_.question(this, QStringLiteral("Leave without saving?"))) {
        event->ignore();
        return;
    }
    event->accept();
}

bool playlistfrm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (watched == titleFilter && key->key() == Qt::Key_Escape &&
            !titleFilter->text().isEmpty()) {
            titleFilter->clear();
            return true;
        }
        if (watched == List1 && isEnter(key) && key->modifiers() == Qt::NoModifier) {
            Command2_Click();
            return true;
        }
        if (watched == List2 && key->key() == Qt::Key_Delete &&
            key->modifiers() == Qt::NoModifier) {
            Command6_Click();
            return true;
        }
        // Before the list's own Ctrl+arrow, which moves the cursor without the track.
        if (watched == List2 && moveTrackByKey(key))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool playlistfrm::moveTrackByKey(const QKeyEvent* key) {
    if (key->modifiers() != Qt::ControlModifier)
        return false;
    if (key->key() == Qt::Key_Up)
        Command3_Click();
    else if (key->key() == Qt::Key_Down)
        Command4_Click();
    else
        return false;
    return true;
}

void playlistfrm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Command7_Click();
        return;
    }
    if (moveTrackByKey(event))
        return;
    // Enter on a button presses it, as the stand's other windows do.
    if (isEnter(event)) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

} // namespace folio
