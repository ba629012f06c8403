// The page image windows: their controls, browsing, and the copies behind "Ok".
#include "windows/pages/page_window.h"

#include "core/archive/score_archive.h"
#include "platform/browsing_lists.h"
#include "platform/core_text.h"
#include "platform/dialogs.h"
#include "platform/last_folders.h"
#include "platform/look.h"
#include "platform/widgets.h"
#include "windows/common/entry_name.h"
#include "windows/common/shared_state.h"
#include "windows/common/version_notice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <exception>

namespace folio {
namespace {

// The left page window has a line below the path for the entry's name.
const PageWindowLayout kLeftLayout{
    .client = {613, 421},
    .Dir1 = {8, 40, 225, 266},
    .File1 = {240, 40, 209, 258},
    .Command1 = {8, 312, 225, 41},
    .Command2 = {240, 312, 209, 41},
    .Label1 = {8, 360, 441, 25},
    .entryLabel = {8, 390, 441, 25},
    .preview = {457, 40, 148, 210},
    .picker = "leftPage",
};
// The right page window is a little shorter, with a taller path label.
const PageWindowLayout kRightLayout{
    .client = {617, 374},
    .Dir1 = {8, 40, 225, 246},
    .File1 = {240, 40, 209, 240},
    .Command1 = {8, 288, 225, 41},
    .Command2 = {240, 288, 209, 41},
    .Label1 = {8, 336, 441, 33},
    .entryLabel = {},
    .preview = {461, 40, 148, 210},
    .picker = "rightPage",
};
constexpr QRect kHeading{8, 8, 441, 33};

} // namespace

PageWindow::PageWindow(SharedState& state, Dialogs& dialogs, QString& selectedPagePath,
                       const QString& caption, const QString& heading,
                       const PageWindowLayout& layout, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), dialogs_(dialogs),
      selectedPagePath_(selectedPagePath) {
    setWindowTitle(caption);
    setFixedSize(layout.client);
    look::setWhiteBackground(this);
    buildControls(heading, layout);
    // The folder list starts where it was last left, else in the installation, the working
    // folder of the program.
    openWhereLastLeft(Dir1, QString::fromLatin1(layout.picker),
                      toQtPath(state_.installation.root()));
    showPreview();
}

void PageWindow::buildControls(const QString& heading, const PageWindowLayout& layout) {
    Label2 = place<QLabel>(this, "Label2", kHeading);
    Label2->setText(heading);
    look::styleBlueText(Label2, 14);

    Dir1 = place<FolderList>(this, "Dir1", layout.Dir1);
    File1 = place<FileList>(this, "File1", layout.File1, QStringLiteral("*.jpg"));
    for (QWidget* list : {static_cast<QWidget*>(Dir1), static_cast<QWidget*>(File1)})
        look::styleBlueText(list, 9);

    Command1 = place<QPushButton>(this, "Command1", layout.Command1);
    Command1->setText(QStringLiteral("ESC"));
    Command2 = place<QPushButton>(this, "Command2", layout.Command2);
    Command2->setText(QStringLiteral("Ok"));
    Command2->setDefault(true);
    for (QPushButton* button : {Command1, Command2})
        look::styleButton(button, 12);

    Label1 = place<QLabel>(this, "Label1", layout.Label1);
    look::styleBlueText(Label1, 8);

    preview = place<QLabel>(this, "preview", layout.preview);
    preview->setAlignment(Qt::AlignCenter);
    preview->setWordWrap(true);
    preview->setFrameShape(QFrame::Box);
    look::styleBlueText(preview, 8);

    if (layout.entryLabel.isEmpty()) {
        entryLabel = Label2;
    } else {
        entryLabel = place<QLabel>(this, "entryLabel", layout.entryLabel);
        look::styleBlueText(entryLabel, 12);
    }
    nameShownEntry();

    setTabOrder(Dir1, File1);
    setTabOrder(File1, Command2);
    setTabOrder(Command2, Command1);

    connect(Dir1, &FolderList::changed, this, &PageWindow::Dir1_Change);
    connect(File1, &FileList::fileClicked, this, &PageWindow::File1_Click);
    connect(Command1, &QPushButton::clicked, this, &PageWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &PageWindow::Command2_Click);
}

void PageWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        Command1->click();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter in the folder list opens the folder; on a button it presses that button;
        // anywhere else it is "Ok".
        if (focusWidget() == Dir1)
            return;
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        else
            Command2->click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void PageWindow::nameShownEntry() {
    showEntryName(entryLabel, state_);
}

// Each showing lists the folders and files as they are now, so that a file saved meanwhile is
// there; the chosen file stays chosen.
void PageWindow::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        Dir1->refresh();
        File1->refresh();
        const QFileInfo chosen(selectedPagePath_);
        if (!selectedPagePath_.isEmpty() && QDir(chosen.absolutePath()) == QDir(File1->path())) {
            const QSignalBlocker quiet(File1);
            File1->selectFile(chosen.fileName());
        }
        showPreview();
    }
    nameShownEntry();
    QWidget::showEvent(event);
}

void PageWindow::showPreview() {
    preview->clear();
    if (selectedPagePath_.isEmpty())
        return;
    // Decoded at the box's size: a page scanned at 300 dpi takes a fraction of its full decode.
    QImageReader reader(selectedPagePath_);
    const QSize full = reader.size();
    if (full.isValid())
        reader.setScaledSize(full.scaled(preview->contentsRect().size(), Qt::KeepAspectRatio));
    const QImage picture = reader.read();
    if (picture.isNull())
        preview->setText(QStringLiteral("No picture: the file cannot be read as a JPEG."));
    else
        preview->setPixmap(QPixmap::fromImage(picture));
}

void PageWindow::Dir1_Change(const QString& folder) {
    File1->setPath(folder);
}

void PageWindow::File1_Click(const QString& folder, const QString& fileName) {
    selectedPagePath_ = QDir::toNativeSeparators(QDir(folder).filePath(fileName));
    look::showPath(Label1, selectedPagePath_);
    showPreview();
}

void PageWindow::attachFile(const QString& file) {
    selectedPagePath_ = QDir::toNativeSeparators(file);
    look::showPath(Label1, selectedPagePath_);
    Command2_Click();
}

void PageWindow::Command1_Click() {
    hide();
}

void PageWindow::Command2_Click() {
    if (selectedPagePath_.isEmpty()) {
        dialogs_.message(this, QStringLiteral("You must select a jpg file!"));
        return;
    }
    // The main window may have moved since this window was shown: act on the entry shown now.
    const int n = state_.currentEntryNumber;
    if (!ScoreArchive::isEntryNumber(n)) {
        dialogs_.error(this, QStringLiteral("There is no entry %1 to attach the page to.").arg(n));
        return;
    }
    FileResult assigned;
    QStringList kept;
    try {
        assigned = assignPage(toFilePath(selectedPagePath_), n, kept);
    } catch (const std::exception& failure) {
        assigned = FileResult::failure(failure.what());
    }
    if (!assigned.ok) {
        if (!kept.isEmpty())
            emit pageAttached();
        dialogs_.error(this,
                       fromCoreText(assigned.error) + QStringLiteral("\n") + keptNotice(kept));
        return;
    }
    emit pageAttached();
    QString text = QStringLiteral("Perfect! The file was moved to the music folder.");
    if (!kept.isEmpty())
        text += QStringLiteral("\n") + keptNotice(kept);
    dialogs_.message(this, text);
    hide();
}

sinistra::sinistra(SharedState& state, Dialogs& dialogs, QString& selectedPagePath, QWidget* parent)
    : PageWindow(state, dialogs, selectedPagePath, QStringLiteral("Left page"),
                 QStringLiteral("Select left page"), kLeftLayout, parent) {
    setObjectName(QStringLiteral("sinistra"));
}

// Puts source in place of one of entry n's pages, keeping the page it replaces; the page kept
// is added to kept.
FileResult PageWindow::replacePage(const std::filesystem::path& source, EntryFileKind side, int n,
                                   QStringList& kept) {
    KeepVersion keep;
    const FileResult replaced =
        replaceKeepingVersion(state_.installation, EntryFile{side, n}, source, keep);
    if (!keep.folder.empty())
        kept << entryFileWord(side);
    return replaced;
}

FileResult sinistra::assignPage(const std::filesystem::path& chosen, int n, QStringList& kept) {
    const Installation& installation = state().installation;
    const std::filesystem::path placeholder = installation.resolve(placeholderPagePath);
    // Without the placeholder the right page could not be reset, so nothing is copied at all.
    if (!fileExists(placeholder))
        return FileResult::failure("The left page was not copied: the placeholder page " +
                                   quotedPath(placeholder) + " is missing.");
    if (FileResult left = replacePage(chosen, EntryFileKind::LeftPage, n, kept); !left.ok)
        return FileResult::failure("The left page was not copied.\n" + left.error);
    // A new left page starts a new score: its right page becomes the placeholder, and the right
    // page it had is kept as a version.
    if (FileResult right = replacePage(placeholder, EntryFileKind::RightPage, n, kept); !right.ok)
        return FileResult::failure("The left page was copied, but the right page was not reset "
                                   "to the placeholder page.\n" +
                                   right.error);
    return FileResult::success();
}

destra::destra(SharedState& state, Dialogs& dialogs, QString& selectedPagePath, QWidget* parent)
    : PageWindow(state, dialogs, selectedPagePath, QStringLiteral("Right page"),
                 QStringLiteral("Select right page"), kRightLayout, parent) {
    setObjectName(QStringLiteral("destra"));
}

FileResult destra::assignPage(const std::filesystem::path& chosen, int n, QStringList& kept) {
    if (FileResult right = replacePage(chosen, EntryFileKind::RightPage, n, kept); !right.ok)
        return FileResult::failure("The right page was not copied.\n" + right.error);
    return FileResult::success();
}

} // namespace folio
