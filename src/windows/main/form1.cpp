// The main window's controls and handlers.
#include "windows/main/form1.h"

#include "platform/core_text.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/field_text.h"
#include "platform/look.h"
#include "platform/warm_up.h"
#include "platform/widgets.h"
#include "windows/common/changed_elsewhere.h"
#include "windows/common/main_window_host.h"
#include "windows/common/shared_state.h"
#include "windows/common/version_notice.h"
#include "windows/main/find_box.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QWheelEvent>
#include <algorithm>
#include <functional>
#include <future>
#include <string_view>

namespace folio {
namespace {

constexpr QSize kClientSize{734, 624};
constexpr QSize kPageFrame{329, 281};
// Between the two pages, and from the right page to the scroll bar's far edge.
constexpr int kPageGap = 23;
const QColor kPlaceholderGrey{0x9A, 0x9A, 0x9A};
const QColor kReadOnlyGrey{0xF0, 0xF0, 0xF0};
const QColor kNoteText{0xD0, 0x10, 0x10};

QString countText(int count) {
    return QStringLiteral("There are %1 titles").arg(count);
}

QString unreadableArchiveText(const std::string& why) {
    return QStringLiteral(
               "The archive spartiti/archivio.js is there but cannot be read. It is left "
               "as it is, and \"Save\" stays off until Folioscribe is started again "
               "with a readable archive.\n%1")
        .arg(fromCoreText(why));
}

QString tooManyEntriesText(std::size_t entriesInFile) {
    return QStringLiteral(
               "The archive spartiti/archivio.js holds %1 titles, more than the %2 that "
               "Folioscribe can hold. The first %2 are shown. The file is left as it is, and "
               "\"Save\" stays off so that no title is lost.")
        .arg(entriesInFile)
        .arg(ScoreArchive::kMaxEntries);
}

QString wrongFolderText(const std::filesystem::path& folder) {
    return QStringLiteral(
               "This folder is not a music-stand installation folder: it has no spartiti "
               "folder.\n%1\n\nOpen the stand's folder, the one that holds the spartiti "
               "folder, with \"Open stand…\" in the menu \"Work\". Until then nothing can be "
               "saved or attached.")
        .arg(toShownPath(folder));
}

} // namespace

Form1::Form1(SharedState& state, Dialogs& dialogs, MainWindowHost& host, QWidget* parent)
    : QMainWindow(parent), state_(state), dialogs_(dialogs), host_(host) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Folioscribe 5.0"));
    pages_ = new PageImageLoader(kPageFrame, this);
    connect(pages_, &PageImageLoader::pageReady, this, &Form1::pageReady);
    // Read before the controls are built: the program sets up the fonts that they need on a
    // thread of its own meanwhile. The entry count is known once the file is read: the opening
    // pages decode from then on, and the entries are taken in on a thread while the controls and
    // the menu are built, which never touch the archive.
    const ArchiveRead read = readArchive();
    requestOpeningPages(read);
    std::future<void> takenIn = std::async(std::launch::async, [this, &read] { takeIn(read); });
    awaitFontConfiguration();
    buildControls();
    // A sheet with a folded corner, a note and "MP3": a picture, not drawn at start-up, where
    // its lettering would load a typeface of its own.
    Picture1->setPixmap(QPixmap(QStringLiteral(":/folio/mp3.png")));
    buildMenu();
    resize(kClientSize + QSize(0, menuBar()->sizeHint().height()));
    takenIn.get();
    showArchive(read);
}

void Form1::buildControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setMinimumSize(kClientSize);
    client_->resize(kClientSize);
    client_->installEventFilter(this);
    look::setWhiteBackground(client_);
    setCentralWidget(client_);
    QWidget* client = client_;

    auto textBox = [&](const char* name, int points, const char* tip) {
        auto* box = place<QLineEdit>(client, name, {});
        look::styleBlueText(box, points);
        look::cacheFramePainting(box);
        if (tip)
            box->setToolTip(QString::fromUtf8(tip));
        return box;
    };
    Text2 = textBox("Text2", 14, "Title");
    Text3 = textBox("Text3", 14, "Author");
    Text4 = textBox("Text4", 14,
                    "Tags: add more words separated by spaces. Do not use accents or commas.");
    const char* roles[] = {"Title", "Author", "Tags"};
    int role = 0;
    // Its note shows in the number's row, under the fields, until another entry is shown.
    lettersNote = place<QLabel>(client, "lettersNote", {});
    look::styleBlueText(lettersNote, 9);
    QPalette notePalette = lettersNote->palette();
    notePalette.setColor(QPalette::WindowText, kNoteText);
    lettersNote->setPalette(notePalette);
    lettersNote->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lettersNote->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (QLineEdit* box : {Text2, Text3, Text4}) {
        acceptOnlyFieldText(box, [this](const QString& note) { lettersNote->setText(note); });
        box->setPlaceholderText(QString::fromLatin1(roles[role++]));
        QPalette palette = box->palette();
        palette.setColor(QPalette::PlaceholderText, kPlaceholderGrey);
        box->setPalette(palette);
    }
    // The number is shown, never typed: it looks like a label in a grey box, takes no focus,
    // and a click on it takes the keyboard away from the text boxes, so that typing cannot
    // land unseen in a title.
    Text1 = textBox("Text1", 24, nullptr);
    Text1->setReadOnly(true);
    Text1->setFocusPolicy(Qt::NoFocus);
    Text1->setFrame(false);
    Text1->setCursor(Qt::ArrowCursor);
    QPalette numberPalette = Text1->palette();
    numberPalette.setColor(QPalette::Base, kReadOnlyGrey);
    Text1->setPalette(numberPalette);
    Text1->installEventFilter(this);
    lettersNote->raise();

    for (QFrame*& line : Line1) {
        line = place<QFrame>(client, "Line1", {});
        line->setFrameShape(QFrame::HLine);
        line->setStyleSheet(QStringLiteral("color: #4095FD; background: #4095FD;"));
    }

    Image1 = place<QLabel>(client, "Image1", {});
    Image2 = place<QLabel>(client, "Image2", {});
    for (QLabel* image : {Image1, Image2}) {
        image->setAlignment(Qt::AlignCenter);
        image->setAcceptDrops(true);
        image->installEventFilter(this);
    }

    auto button = [&](const char* name, const char* caption, const char* tip, int width,
                      int height) {
        auto* command = place<QPushButton>(client, name, {0, 0, width, height});
        command->setText(QString::fromUtf8(caption));
        if (tip)
            command->setToolTip(QString::fromUtf8(tip));
        look::styleButton(command, 12);
        return command;
    };
    // Alt and the underlined letter press the page and audio buttons; their tips name the keys.
    Command3 = button("Command3", "&Left", "Enter the left paper (Alt+L)", 329, 33);
    Command4 = button("Command4", "&Right", "Enter the right paper (Alt+R)", 329, 33);
    Command2 = button("Command2", "&Mp3", "Attach an mp3 recording (Alt+M)", 73, 57);
    Command1 = button("Command1", "Save", nullptr, 73, 57);
    Command5 = button("Command5", "Add", "Aggiungi nuovo titolo", 73, 57);

    Picture1 = place<QLabel>(client, "Picture1", {});
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setToolTip(QStringLiteral("This score has a recording"));
    Picture1->hide();

    Label6 = place<QLabel>(client, "Label6", {});
    look::styleBlueText(Label6, 16);
    standLabel = place<QLabel>(client, "standLabel", {});
    look::styleBlueText(standLabel, 9);

    VScroll1 = place<QScrollBar>(client, "VScroll1", {});
    VScroll1->setOrientation(Qt::Vertical);
    VScroll1->setRange(1, 1);
    VScroll1->setValue(1);
    VScroll1->setPageStep(10);
    layOut(kClientSize);

    setTabOrder(Text2, Text3);
    setTabOrder(Text3, Text4);

    // Keyboard use: Page Up / Page Down move through the entries while typing, Ctrl+S saves.
    auto step = [this](QKeySequence keys, QAbstractSlider::SliderAction action) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this,
                [this, action] { VScroll1->triggerAction(action); });
    };
    step(QKeySequence(Qt::Key_PageDown), QAbstractSlider::SliderSingleStepAdd);
    step(QKeySequence(Qt::Key_PageUp), QAbstractSlider::SliderSingleStepSub);
    Command1->setShortcut(QKeySequence::Save);

    connect(VScroll1, &QScrollBar::valueChanged, this, &Form1::VScroll1_Change);
    // Only the user's edits are stored: showing an entry fills the boxes without an edit.
    connect(Text2, &QLineEdit::textEdited, this, &Form1::Text2_Change);
    connect(Text3, &QLineEdit::textEdited, this, &Form1::Text3_Change);
    connect(Text4, &QLineEdit::textEdited, this, &Form1::Text4_Change);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
}

// The smallest layout places every control as the window was drawn; the extra room of a larger
// window goes to the two pages, half each in width and all of it in height. The fields keep
// their size, centred over the pages; the buttons follow the pages' corners.
void Form1::layOut(QSize area) {
    const int wider = std::max(0, area.width() - kClientSize.width());
    const int taller = std::max(0, area.height() - kClientSize.height());
    const QSize page = kPageFrame + QSize(wider / 2, taller);
    const int rightPage = 8 + page.width() + kPageGap;
    const int fields = 8 + (2 * page.width() + kPageGap - 681) / 2;
    Text2->setGeometry(fields, 8, 681, 33);
    Text3->setGeometry(fields, 72, 681, 33);
    Text4->setGeometry(fields, 136, 681, 33);
    const int lineHeights[3] = {48, 112, 176};
    for (int i = 0; i < 3; ++i)
        Line1[i]->setGeometry(fields, lineHeights[i], 681, 1);
    Text1->setGeometry(fields, 184, 681, 41);
    // Beside the number, which stays at the left of its box.
    lettersNote->setGeometry(fields + 120, 184, 681 - 128, 41);
    Image1->setGeometry(8, 232, page.width(), page.height());
    Image2->setGeometry(rightPage, 232, page.width(), page.height());
    const int underPages = 520 + taller;
    const int bottomRow = 560 + taller;
    const int pagesRight = rightPage + page.width();
    Command3->move(8 + (page.width() - Command3->width()) / 2, underPages);
    Command4->move(rightPage + (page.width() - Command4->width()) / 2, underPages);
    Command2->move(8, bottomRow);
    Picture1->setGeometry(96, bottomRow, 56, 57);
    Label6->setGeometry(160, bottomRow + 16, 369, 41);
    standLabel->setGeometry(160, bottomRow, 369, 16);
    Command1->move(pagesRight - 153, bottomRow);
    Command5->move(pagesRight - 73, bottomRow);
    VScroll1->setGeometry(pagesRight + 7, 8, 33, 609 + taller);
    // The pages are decoded at the size they are shown at: ask again at the new size.
    if (pages_ && pages_->setFrameSize(page)) {
        showAttachments();
        pages_->prefetch(neighbourPages(state_.currentEntryNumber));
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize)
        layOut(static_cast<QResizeEvent*>(event)->size());
    if (watched == client_ && event->type() == QEvent::Paint && !painted_) {
        painted_ = true;
        QMetaObject::invokeMethod(this, &Form1::firstPainted, Qt::QueuedConnection);
    }
    if (watched == Text1 && event->type() == QEvent::MouseButtonPress && focusWidget())
        focusWidget()->clearFocus();
    if ((watched == Image1 || watched == Image2) && pageDrop(static_cast<QLabel*>(watched), event))
        return true;
    if ((watched == Image1 || watched == Image2) && event->type() == QEvent::Wheel) {
        wheelOverPages(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

namespace {
// The one local .jpg or .pdf file that a drag carries, else an empty text.
QString droppedPageFile(const QMimeData* data) {
    if (!data || data->urls().size() != 1 || !data->urls().front().isLocalFile())
        return {};
    const QString file = data->urls().front().toLocalFile();
    const bool page = file.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive) ||
                      file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
    return page ? file : QString();
}
} // namespace

bool Form1::pageDrop(QLabel* frame, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    // Outside a stand's folder nothing is attached, by the buttons or by a drop.
    const QString file = Command3->isEnabled() ? droppedPageFile(drop->mimeData()) : QString();
    if (file.isEmpty()) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    // Acted on once the drop is over: the drag's source waits while a message box is open.
    if (type == QEvent::Drop) {
        const PageSide side = frame == Image1 ? PageSide::Left : PageSide::Right;
        QMetaObject::invokeMethod(
            this, [this, side, file] { host_.pageFileDropped(side, file); }, Qt::QueuedConnection);
    }
    return true;
}

void Form1::buildMenu() {
    QMenu* work = menuBar()->addMenu(QStringLiteral("&Work"));
    work->setObjectName(QStringLiteral("Work"));
    auto command = [&](const char* name, const char* caption) {
        QAction* action = work->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    // The "&" only underlines the key letter of each command; the caption reads the same.
    openStand = command("openStand", "&Open stand…");
    openStand->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(openStand, &QAction::triggered, this, [this] { host_.chooseStand(); });
    recentStands = work->addMenu(QStringLiteral("Recent &stands"));
    recentStands->setObjectName(QStringLiteral("recentStands"));
    recentStands->setToolTipsVisible(true);
    // Listed afresh each time the menu opens: a stand may have gone (or come back) meanwhile, and
    // the start does not read the settings for it.
    connect(work, &QMenu::aboutToShow, this, &Form1::listRecentStands);
    work->addSeparator();
    playlist = command("playlist", "&Playlist Manager");
    midi = command("midi", "&Midi device");
    merging = command("merging", "M&erging");
    cerca = command("cerca", "&Find…");
    cerca->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    goTo = command("goTo", "&Go to number…");
    goTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(goTo, &QAction::triggered, this, &Form1::goTo_Click);
    library = command("library", "&Library");
    library->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(library, &QAction::triggered, this, [this] { host_.showLibrary(); });
    importPdf = command("importPdf", "&Import PDF…");
    connect(importPdf, &QAction::triggered, this, [this] { host_.showPdfImport(); });
    importScores = command("importScores", "Import &scores…");
    connect(importScores, &QAction::triggered, this, [this] { host_.showScoreImport(); });
    removeScore = command("removeScore", "Remo&ve this score…");
    connect(removeScore, &QAction::triggered, this,
            [this] { host_.removeScores({VScroll1->value()}); });
    work->addSeparator();
    restore = command("restore", "&Restore…");
    undoAbsorption = command("undoAbsorption", "&Undo last absorption");
    work->setToolTipsVisible(true);
    connect(work, &QMenu::aboutToShow, this, &Form1::updateUndoCommand);
    connect(restore, &QAction::triggered, this, [this] { host_.showRestoreWindow(); });
    connect(undoAbsorption, &QAction::triggered, this, [this] { host_.undoLastAbsorption(); });
    work->addSeparator();
    chiudi = command("chiudi", "E&xit");
    // Ctrl+Q on every system: not every platform names a standard key for quitting.
    chiudi->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(playlist, &QAction::triggered, this, [this] { host_.showPlaylistManager(); });
    connect(midi, &QAction::triggered, this, [this] { host_.showMidiDevice(); });
    connect(merging, &QAction::triggered, this, [this] { host_.showMerging(); });
    connect(chiudi, &QAction::triggered, this, &Form1::chiudi_Click);
    connect(cerca, &QAction::triggered, this, &Form1::cerca_Click);
}

// A stand that is no longer there stays in the list, greyed, so that the user sees where it was.
void Form1::listRecentStands() {
    recentStands->clear();
    for (const RecentStand& stand : host_.recentStands()) {
        QAction* action = recentStands->addAction(stand.name);
        action->setToolTip(QDir::toNativeSeparators(stand.folder));
        action->setEnabled(stand.there);
        const QString folder = stand.folder;
        connect(action, &QAction::triggered, this,
                [this, folder] { host_.openRecentStand(folder); });
    }
    recentStands->menuAction()->setEnabled(!recentStands->isEmpty());
}

void Form1::showStand() {
    const QString folder = QDir::toNativeSeparators(toQtPath(state_.installation.root()));
    const QString name = QFileInfo(folder).fileName();
    showStandName(name.isEmpty() ? folder : name);
    standLabel->setToolTip(folder);
    if (state_.readOnly) {
        setWindowTitle(QStringLiteral("Folioscribe 5.0 (read-only)"));
        turnOffWriting();
    }
}

void Form1::showStandName(const QString& name) {
    standLabel->setText(name + (state_.readOnly ? QStringLiteral(", read-only") : QString()));
}

// Another program writes this stand: looking is all this window offers.
void Form1::turnOffWriting() {
    for (QPushButton* command : {Command1, Command2, Command3, Command4, Command5})
        command->setEnabled(false);
    for (QAction* command :
         {merging, importPdf, importScores, removeScore, restore, undoAbsorption})
        command->setEnabled(false);
    // A page dropped is attached only while "Left" is on; typing has nowhere to go.
    for (QLineEdit* box : {Text2, Text3, Text4})
        box->setReadOnly(true);
}

void Form1::start() {
    const ArchiveRead read = readArchive();
    takeIn(read);
    showArchive(read);
    emit archiveTaken();
}

Form1::ArchiveRead Form1::readArchive() {
    ArchiveRead read;
    read.dataFolder = state_.installation.hasDataFolder();
    if (read.dataFolder)
        read.file = readArchiveBytes(state_.installation);
    return read;
}

// The file's stamp is taken from the bytes already read, on the same thread: the window's
// start never reads the archive a second time. The entries are remembered as saved there too,
// while the window thread builds the controls.
void Form1::takeIn(const ArchiveRead& read) {
    folio::takeIn(state_.archive, read.file);
    openedArchive_ = {};
    if (read.file.load == ArchiveLoad::Unreadable)
        openedArchive_.state = DataFileStamp::State::Unreadable;
    else if (read.file.load != ArchiveLoad::Missing)
        openedArchive_ = dataFileStampOf(read.file.bytes);
    if (read.dataFolder)
        keepAsSaved();
}

bool Form1::ArchiveRead::shown() const {
    return dataFolder && file.load != ArchiveLoad::Missing && file.load != ArchiveLoad::Unreadable;
}

void Form1::requestOpeningPages(const ArchiveRead& read) {
    const int opening = std::max(read.file.entryCount(), 1);
    if (read.shown())
        pages_->request(opening, state_.installation.resolve(leftPagePath(opening)),
                        state_.installation.resolve(rightPagePath(opening)));
}

void Form1::showArchive(const ArchiveRead& read) {
    ScoreArchive& archive = state_.archive;
    showStand();
    state_.archiveWritable = true;
    searchBuilt_ = false;
    if (!read.dataFolder) {
        refuseWrongFolder();
        return;
    }
    noteDataFile(state_, DataFile::Archive, openedArchive_);
    const bool shown = read.shown();
    const int opening = std::max(archive.entryCount(), 1);
    if (findBox_)
        buildSearch();
    if (read.file.load == ArchiveLoad::Unreadable)
        keepArchiveAsItIs(unreadableArchiveText(read.file.whyUnreadable));
    if (read.file.load == ArchiveLoad::TooManyEntries)
        keepArchiveAsItIs(tooManyEntriesText(read.file.entriesInFile));
    if (!shown)
        return;
    showCount();
    // One past the last entry, the empty slot a new entry is typed into, while there is a slot.
    VScroll1->setMaximum(std::min(archive.entryCount() + 1, ScoreArchive::kMaxEntries));
    moveTo(opening);
}

// Saving would replace the musician's archive with what memory holds of it.
void Form1::keepArchiveAsItIs(const QString& reason) {
    state_.archiveWritable = false;
    archiveKeptReason_ = reason;
    Command1->setEnabled(false);
    dialogs_.error(this, reason);
}

// Started outside a stand's folder: say so once and offer nothing that writes a file.
void Form1::refuseWrongFolder() {
    state_.archiveWritable = false;
    archiveKeptReason_ = wrongFolderText(state_.installation.root());
    for (QPushButton* command : {Command1, Command2, Command3, Command4})
        command->setEnabled(false);
    for (QAction* window :
         {playlist, midi, merging, importPdf, importScores, removeScore, restore, undoAbsorption})
        window->setEnabled(false);
    dialogs_.error(this, archiveKeptReason_);
}

void Form1::moveTo(int position) {
    if (VScroll1->value() == position)
        showEntry(position);
    else
        VScroll1->setValue(position);
}

// Each notch turned towards the user over the pages is a Page Down, away from the user a
// Page Up: the same step, so the pages kept ahead are there for the wheel too.
void Form1::wheelOverPages(const QWheelEvent* wheel) {
    constexpr int kNotch = QWheelEvent::DefaultDeltasPerStep;
    wheelTurn_ += wheel->angleDelta().y();
    for (; wheelTurn_ <= -kNotch; wheelTurn_ += kNotch)
        VScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    for (; wheelTurn_ >= kNotch; wheelTurn_ -= kNotch)
        VScroll1->triggerAction(QAbstractSlider::SliderSingleStepSub);
}

void Form1::goTo_Click() {
    const int last = std::max(state_.archive.entryCount(), 1);
    const std::optional<int> number =
        dialogs_.askNumber(this, QStringLiteral("Go to score number (1 to %1):").arg(last), 1, last,
                           VScroll1->value());
    if (!number)
        return;
    if (*number < 1 || *number > last) {
        dialogs_.error(this,
                       QStringLiteral("There is no score %1: the scores are numbered 1 to %2.")
                           .arg(*number)
                           .arg(last));
        return;
    }
    moveTo(*number);
}

void Form1::showCount() {
    Label6->setText(countText(state_.archive.entryCount()));
}

void Form1::VScroll1_Change(int position) {
    showEntry(position);
}

void Form1::showEntry(int position) {
    if (!ScoreArchive::isEntryNumber(position))
        return;
    const ScoreEntry& entry = state_.archive.slot(position);
    Text1->setText(QString::number(position));
    showFieldText(Text2, fromCp1252(entry.title));
    showFieldText(Text3, fromCp1252(entry.author));
    showFieldText(Text4, fromCp1252(entry.tags));
    if (position != lastShownPosition_)
        lettersNote->clear();
    state_.currentEntryNumber = position;
    Image1->clear();
    Image2->clear();
    showAttachments();
    pages_->prefetch(neighbourPages(position));
    lastShownPosition_ = position;
    emit shownEntryChanged(position);
}

void Form1::showAttachments() {
    const int position = state_.currentEntryNumber;
    if (!ScoreArchive::isEntryNumber(position))
        return;
    const Installation& installation = state_.installation;
    pages_->request(position, installation.resolve(leftPagePath(position)),
                    installation.resolve(rightPagePath(position)));
    Picture1->setVisible(fileExists(installation.resolve(audioPath(position))));
}

std::vector<std::filesystem::path> Form1::neighbourPages(int position) const {
    // The next position in the direction of travel first, then the one behind: what a step
    // either way asks for next. Their pages decode in less time than a quick hand takes to step.
    const int ahead = position >= lastShownPosition_ ? 1 : -1;
    std::vector<std::filesystem::path> files;
    for (int neighbour : {position + ahead, position - ahead}) {
        if (neighbour < VScroll1->minimum() || neighbour > VScroll1->maximum() ||
            !ScoreArchive::isEntryNumber(neighbour))
            continue;
        files.push_back(state_.installation.resolve(leftPagePath(neighbour)));
        files.push_back(state_.installation.resolve(rightPagePath(neighbour)));
    }
    return files;
}

void Form1::pageReady(int position, PageSide side, const QImage& image) {
    if (!VScroll1 || position != VScroll1->value())
        return;
    QLabel* frame = side == PageSide::Left ? Image1 : Image2;
    if (image.isNull())
        frame->clear();
    else
        frame->setPixmap(QPixmap::fromImage(image));
}

void Form1::storeText(std::string ScoreEntry::*field, const QString& text) {
    int position = VScroll1->value();
    if (!ScoreArchive::isSlot(position))
        return;
    state_.archive.slot(position).*field = toCp1252(text);
    if (searchBuilt_)
        search_->update(state_.archive, position);
    emit entryEdited(position);
}

void Form1::entriesChangedElsewhere(const std::vector<int>& entries) {
    for (int entry : entries) {
        if (searchBuilt_)
            search_->update(state_.archive, entry);
        if (entry == VScroll1->value())
            showEntry(entry);
    }
}

std::vector<int> Form1::changedEntries() const {
    return savedEntries_.changedIn(state_.archive);
}

void Form1::Text2_Change(const QString& text) {
    storeText(&ScoreEntry::title, text);
    emit shownEntryChanged(state_.currentEntryNumber);
}
void Form1::Text3_Change(const QString& text) {
    storeText(&ScoreEntry::author, text);
}
void Form1::Text4_Change(const QString& text) {
    storeText(&ScoreEntry::tags, text);
}

void Form1::Command5_Click() {
    ScoreArchive& archive = state_.archive;
    int count = archive.entryCount();
    if (count >= ScoreArchive::kMaxEntries) {
        dialogs_.error(this, QStringLiteral("The archive is full: it cannot hold more than %1 "
                                            "titles.")
                                 .arg(ScoreArchive::kMaxEntries));
        return;
    }
    if (count > 0 && archive.slot(count).title.empty())
        return;
    addTypedAfterLast();
}

void Form1::addTypedAfterLast() {
    ScoreArchive& archive = state_.archive;
    const int added = archive.entryCount() + 1;
    archive.setEntryCount(added);
    if (searchBuilt_)
        search_->update(archive, added);
    VScroll1->setMaximum(added);
    moveTo(added);
    emit archiveTaken();
}

int Form1::typedAfterLast() const {
    const int slot = state_.archive.entryCount() + 1;
    if (!state_.archiveWritable || !ScoreArchive::isSlot(slot))
        return 0;
    const ScoreEntry& typed = state_.archive.slot(slot);
    const bool any = !typed.title.empty() || !typed.author.empty() || !typed.tags.empty() ||
                     !typed.category.empty();
    return any ? slot : 0;
}

QString Form1::typedAfterLastText() const {
    const int slot = typedAfterLast();
    return slot != 0 && !state_.archive.slot(slot).title.empty()
               ? QStringLiteral("The title typed after the last score")
               : QStringLiteral("The text typed after the last score");
}

bool Form1::settleTypedAfterLast(const QString& command) {
    const int slot = typedAfterLast();
    if (slot == 0)
        return true;
    const QStringList buttons{QStringLiteral("Add it"), QStringLiteral("Drop it"),
                              QStringLiteral("Cancel")};
    switch (dialogs_.choose(this,
                            QStringLiteral("%1 is not a score yet. Add it as score %2 before the "
                                           "%3, or drop it?")
                                .arg(typedAfterLastText())
                                .arg(slot)
                                .arg(command),
                            buttons)) {
    case 0:
        addTypedAfterLast();
        return true;
    case 1:
        state_.archive.slot(slot) = {};
        if (VScroll1->value() == slot)
            showEntry(slot);
        return true;
    default:
        return false;
    }
}

void Form1::Command1_Click() {
    save();
}

bool Form1::save() {
    if (!state_.archiveWritable) {
        dialogs_.error(this, archiveKeptReason_);
        return false;
    }
    // Typed after the last score, text is no score until it is added: the save would not keep it.
    QString typedNotSaved;
    if (const int slot = typedAfterLast()) {
        if (dialogs_.question(this,
                              QStringLiteral("%1 is not a score yet. Add it as score %2 and save?")
                                  .arg(typedAfterLastText())
                                  .arg(slot)))
            addTypedAfterLast();
        else
            typedNotSaved = QStringLiteral("\n\n%1 was not saved: it becomes a score with "
                                           "\"Add\".")
                                .arg(typedAfterLastText());
    }
    if (!maySaveOver(state_, dialogs_, this, DataFile::Archive))
        return false;
    // The file holds the entries as last loaded or saved: counted without reading it again.
    KeepVersion keep;
    keep.what = "save";
    keep.count = savedEntries_.size();
    FileResult saved = saveArchive(state_.archive, state_.installation, &keep);
    if (!saved.ok) {
        dialogs_.error(
            this, QStringLiteral("The archive was not saved.\n%1").arg(fromCoreText(saved.error)));
        return false;
    }
    noteDataFile(state_, DataFile::Archive);
    keepAsSaved();
    showCount();
    updateUndoCommand();
    emit archiveTaken();
    dialogs_.message(this, QStringLiteral("Successfully saved!") + typedNotSaved);
    reportVersionNotKept(state_, dialogs_, this, DataFile::Archive, keep.notKept);
    return true;
}

void Form1::reload() {
    // The page files may have changed under the same names: no page decoded before is reused.
    pages_->disconnect(this);
    pages_->deleteLater();
    pages_ = new PageImageLoader(kPageFrame, this);
    connect(pages_, &PageImageLoader::pageReady, this, &Form1::pageReady);
    // A restored archive may be readable where the one replaced was not: saving is on again
    // unless the new load finds a reason to keep it off.
    archiveKeptReason_.clear();
    Command1->setEnabled(!state_.readOnly);
    start();
}

void Form1::updateUndoCommand() {
    if (!state_.installation.hasDataFolder() || state_.readOnly)
        return;
    const UndoOffer offer = host_.undoOffer();
    undoAbsorption->setEnabled(offer.available);
    undoAbsorption->setToolTip(offer.tip);
    undoAbsorption->setText(offer.removal  ? QStringLiteral("&Undo last removal")
                            : offer.import ? QStringLiteral("&Undo last import")
                                           : QStringLiteral("&Undo last absorption"));
}

QString Form1::unsavedChangesText() const {
    QStringList changed;
    for (int n : savedEntries_.changedIn(state_.archive))
        changed << QString::number(n);
    const QString typed = typedAfterLast() != 0
                              ? QStringLiteral("%1, which is not a score yet, will be lost.")
                                    .arg(typedAfterLastText())
                              : QString();
    if (changed.isEmpty())
        return typed;
    constexpr int kNamed = 10;
    const QString entries = changed.size() > kNamed
                                ? changed.mid(0, kNamed).join(QStringLiteral(", ")) +
                                      QStringLiteral(" and %1 more").arg(changed.size() - kNamed)
                                : changed.join(QStringLiteral(", "));
    return (QStringLiteral("The unsaved changes in the main window (entries %1) will be lost.")
                .arg(entries) +
            QLatin1Char(' ') + typed)
        .trimmed();
}

void Form1::keepAsSaved() {
    savedEntries_.take(state_.archive);
}

// Edits, added entries and categories set in the audio window all show here, and so does text
// typed into the empty slot after the last entry: it is no entry until "Add", and leaving
// without it would lose it.
bool Form1::hasUnsavedChanges() const {
    return savedEntries_.anyChangedIn(state_.archive) || typedAfterLast() != 0;
}

// The archive first, then the windows with work of their own. An archive that must not be
// written has nothing to save, so it asks nothing.
bool Form1::mayLeave() {
    if (state_.archiveWritable && hasUnsavedChanges()) {
        switch (dialogs_.questionWithCancel(
            this, QStringLiteral("Save the changes to the archive before leaving?"))) {
        case Dialogs::Answer::Yes:
            if (!save())
                return false;
            break;
        case Dialogs::Answer::No:
            break;
        case Dialogs::Answer::Cancel:
            return false;
        }
    }
    return host_.closeWindowsBeforeLeaving();
}

bool Form1::mayCloseStand() {
    return mayLeave();
}

void Form1::letGoOfPages() {
    pages_->letGo();
    Image1->clear();
    Image2->clear();
}

void Form1::Command2_Click() {
    state_.audioEntryNumber = VScroll1->value();
    host_.showAudioWindow();
}

void Form1::Command3_Click() {
    host_.showLeftPageWindow();
}
void Form1::Command4_Click() {
    host_.showRightPageWindow();
}
// "Exit" leaves the way the close box does, so that the question is asked in one place.
void Form1::chiudi_Click() {
    close();
}

void Form1::buildSearch() {
    if (!search_)
        search_ = std::make_unique<ScoreSearch>();
    search_->rebuild(state_.archive);
    searchBuilt_ = true;
}

void Form1::cerca_Click() {
    if (!searchBuilt_)
        buildSearch();
    if (!findBox_)
        findBox_ = new FindBox(*search_, VScroll1, this);
    findBox_->open();
}

// Ending the run closes every window still open, this one among them, and a desktop that
// logs out closes it too: once the user has agreed to leave, no close asks again.
void Form1::closeEvent(QCloseEvent* event) {
    if (!leaving_ && !mayLeave()) {
        event->ignore();
        return;
    }
    leaving_ = true;
    event->accept();
    host_.exitProgram();
}

} // namespace folio
