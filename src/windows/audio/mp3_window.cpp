// The audio window's controls and handlers.
#include "windows/audio/mp3_window.h"

#include "core/categories/category_list.h"
#include "core/files/file_ops.h"
#include "platform/browsing_lists.h"
#include "platform/core_text.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/last_folders.h"
#include "platform/look.h"
#include "platform/widgets.h"
#include "windows/common/entry_name.h"
#include "windows/common/shared_state.h"
#include "windows/common/version_notice.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <exception>
#include <filesystem>

namespace folio {
namespace {

// A line at the bottom names the entry a click attaches to.
constexpr QSize kClientSize{793, 497};
constexpr int kRows = 11;
constexpr QPoint kFirstButton{480, 64};
constexpr QSize kButtonSize{97, 25};
constexpr int kRowStep = 32;
constexpr int kColumnStep = 104;
// The frame of a category button, one pixel on each side of its caption.
constexpr int kCaptionPadding = 2;

// Buttons 1 to 11 fill the first column from the top, 12 to 22 the second, 23 to 33 the third.
QRect categoryButtonPlace(int index) {
    const int column = (index - 1) / kRows;
    const int row = (index - 1) % kRows;
    return {kFirstButton + QPoint(column * kColumnStep, row * kRowStep), kButtonSize};
}

} // namespace

mp3::mp3(SharedState& state, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), dialogs_(dialogs) {
    setObjectName(QStringLiteral("mp3"));
    setWindowTitle(QStringLiteral("Mp3 Manager"));
    buildControls();
    Form_Load();
}

void mp3::buildControls() {
    setFixedSize(kClientSize);
    look::setWhiteBackground(this);

    Label2 = place<QLabel>(this, "Label2", {8, 8, 777, 25});
    Label2->setText(QStringLiteral("Connects mp3 files at the musical score"));
    look::styleBlueText(Label2, 14);

    Dir1 = place<FolderList>(this, "Dir1", {8, 40, 225, 369});
    File1 = place<FileList>(this, "File1", {241, 40, 225, 369}, QStringLiteral("*.mp3"));
    for (QWidget* list : {static_cast<QWidget*>(Dir1), static_cast<QWidget*>(File1)})
        look::styleBlueText(list, 9);

    Label3 = place<QLabel>(this, "Label3", {kFirstButton.x(), 40, 305, 21});
    Label3->setText(QStringLiteral("Select category"));
    look::styleBlueText(Label3, 10);

    for (int i = 1; i <= kCategoryCount; ++i) {
        auto* button = new QPushButton(QStringLiteral("Command3"), this);
        // One control array: every button is "Command3", told apart by its index.
        button->setObjectName(QStringLiteral("Command3"));
        button->setProperty("index", i);
        button->setGeometry(categoryButtonPlace(i));
        button->setFocusPolicy(Qt::StrongFocus);
        look::styleButton(button, 8);
        connect(button, &QPushButton::clicked, this, [this, i] { Command3_Click(i); });
        Command3[static_cast<std::size_t>(i)] = button;
    }

    // Long paths lose their middle rather than run under the "Close" button.
    Label1 = place<QLabel>(this, "Label1", {8, 416, 672, 41});
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    look::styleBlueText(Label1, 9);

    Command1 = place<QPushButton>(this, "Command1", {688, 420, 97, 33}, QStringLiteral("Close"));
    look::styleButton(Command1, 10);

    entryLabel = place<QLabel>(this, "entryLabel", {8, 464, 777, 25});
    look::styleBlueText(entryLabel, 12);
    nameShownEntry();

    setTabOrder(Dir1, File1);
    setTabOrder(File1, Command3[1]);
    for (int i = 1; i < kCategoryCount; ++i)
        setTabOrder(Command3[static_cast<std::size_t>(i)],
                    Command3[static_cast<std::size_t>(i + 1)]);
    setTabOrder(Command3[kCategoryCount], Command1);

    connect(Dir1, &FolderList::changed, this, &mp3::Dir1_Change);
    connect(File1, &FileList::fileClicked, this, &mp3::File1_Click);
    connect(Command1, &QPushButton::clicked, this, &mp3::Command1_Click);
}

void mp3::Form_Load() {
    openWhereLastLeft(Dir1, QStringLiteral("audio"), toQtPath(state_.installation.root()));
    File1->setPath(Dir1->path());

    const CategoryLoad load = loadCategoryNames(state_.installation, state_.categoryNames);
    for (int i = 1; i <= kCategoryCount; ++i) {
        const std::string& name = state_.categoryNames[static_cast<std::size_t>(i)];
        QPushButton* button = Command3[static_cast<std::size_t>(i)];
        // A name too long for its button ends in an ellipsis, with the whole name as its tip;
        // an "&" is shown as it is, not taken for a keyboard shortcut.
        const QString caption = fromCp1252(name);
        const QString shown = button->fontMetrics().elidedText(caption, Qt::ElideRight,
                                                               button->width() - kCaptionPadding);
        button->setText(QString(shown).replace(u'&', QStringLiteral("&&")));
        button->setToolTip(shown == caption ? QString() : caption);
        // A button without a category would store a number the list does not name.
        button->setEnabled(!name.empty());
    }
    if (!load.fileFound)
        dialogs_.error(this,
                       QStringLiteral("The category list %1 was not found: the category buttons "
                                      "have no names.")
                           .arg(toShownPath(state_.installation.resolve(kCategoryFileName))));
}

void mp3::nameShownEntry() {
    const int shown = state_.currentEntryNumber;
    if (shown != namedEntry_)
        forgetChosenFile();
    namedEntry_ = shown;
    showOneLine(entryLabel,
                ScoreArchive::isEntryNumber(shown)
                    ? QStringLiteral("Click a category to attach the chosen recording to %1")
                          .arg(shownEntryName(state_))
                    : shownEntryName(state_));
}

// Each showing starts without a chosen file, so that a click meant only to set a category never
// attaches a recording chosen for another score; the list shows the files the folder holds now.
void mp3::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        Dir1->refresh();
        forgetChosenFile();
    }
    nameShownEntry();
    QWidget::showEvent(event);
}

void mp3::forgetChosenFile() {
    File1->refresh();
    Label1->clear();
    Label1->setToolTip(QString());
}

void mp3::Dir1_Change(const QString& folder) {
    File1->setPath(folder);
}

void mp3::File1_Click(const QString& folder, const QString& fileName) {
    look::showPath(Label1, QDir::toNativeSeparators(folder + QLatin1Char('/') + fileName));
}

void mp3::Command3_Click(int index) {
    // The main window may have moved on unseen: a file chosen for the entry it left is let go.
    nameShownEntry();
    if (Label1->text().isEmpty()) {
        dialogs_.message(this, QStringLiteral("You must select an mp3 file!"));
        return;
    }
    try {
        if (!attach(index))
            return;
        emit recordingAttached();
        hide();
    } catch (const std::exception& failure) {
        dialogs_.error(this, QStringLiteral("The recording was not attached.\n%1")
                                 .arg(fromCoreText(failure.what())));
    }
}

// Attaches to the entry shown in the main window at the click, the one the window names, so that
// a score's recording and its category never end up on two entries.
bool mp3::attach(int category) {
    const int n = state_.currentEntryNumber;
    if (!ScoreArchive::isEntryNumber(n)) {
        dialogs_.error(this, QStringLiteral("No score is chosen: the recording was not attached."));
        return false;
    }
    // The source is what the file list shows now: after a change of folder that may be nothing,
    // even though the label still names the file chosen before.
    const QString fileName = File1->fileName();
    if (fileName.isEmpty()) {
        dialogs_.error(this, QStringLiteral("No mp3 file is selected in the folder %1: the "
                                            "recording was not attached.")
                                 .arg(QDir::toNativeSeparators(File1->path())));
        return false;
    }
    KeepVersion keep;
    const FileResult copied =
        attachRecording(state_.archive, state_.installation, n,
                        toFilePath(File1->path()) / toFilePath(fileName), category, keep);
    if (!copied.ok) {
        dialogs_.error(
            this,
            QStringLiteral("The recording was not attached.\n%1").arg(fromCoreText(copied.error)));
        return false;
    }
    if (!keep.folder.empty())
        dialogs_.message(this, keptNotice({entryFileWord(EntryFileKind::Recording)}));
    return true;
}

void mp3::Command1_Click() {
    hide();
}

void mp3::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Command1_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace folio
