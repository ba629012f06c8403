// The "Restore…" window's controls and handlers.
#include "windows/restore/restore_window.h"

#include "core/archive/archive_difference.h"
#include "core/archive/score_archive.h"
#include "core/files/read_limits.h"
#include "core/midi/midi_store.h"
#include "core/playlists/playlist_store.h"
#include "platform/core_text.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/widgets.h"
#include "windows/common/changed_elsewhere.h"
#include "windows/common/shared_state.h"
#include "windows/common/version_notice.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace folio {
namespace {

// A data file by what it holds, as a sentence names it.
QString fileName(DataFile file) {
    switch (file) {
    case DataFile::Archive:
        return QStringLiteral("the archive");
    case DataFile::Playlists:
        return QStringLiteral("the playlists");
    case DataFile::Midi:
        return QStringLiteral("the MIDI set-ups");
    }
    return {};
}

QString capitalised(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

// "left page of 12 (Evening Prelude)": an entry's file by its entry's number and title.
QString entryFileText(const EntryFile& file, const ScoreArchive& archive) {
    QString text = QStringLiteral("%1 of %2").arg(entryFileWord(file.kind)).arg(file.number);
    if (file.number >= 1 && file.number <= archive.entryCount() &&
        !archive.slot(file.number).title.empty())
        text += QStringLiteral(" (%1)").arg(fromCp1252(archive.slot(file.number).title));
    return text;
}

QString rowText(const Version& version, const ScoreArchive& archive) {
    const QString what = capitalised(version.entryFile ? entryFileText(*version.entryFile, archive)
                                                       : fileName(version.file).mid(4));
    QString text = QStringLiteral("%1   %2   %3")
                       .arg(fromCoreText(version.when), fromCoreText(version.what), what);
    if (!version.entryFile)
        text += QStringLiteral("   ") + fromCoreText(versionSummary(version));
    if (version.damaged)
        text += QStringLiteral("   (damaged record)");
    if (version.undone)
        text += QStringLiteral("   (undone)");
    return text;
}

// How the records of each data file are counted for the version a restore keeps.
RecordCounter recordCounter(DataFile file) {
    switch (file) {
    case DataFile::Archive:
        return archiveEntriesIn;
    case DataFile::Playlists:
        return playlistsIn;
    case DataFile::Midi:
        return MidiStore::recordsIn;
    }
    return {};
}

QString setAsideText(const SetAside& aside) {
    return QStringLiteral("%1 %2 set aside by the absorption of %3")
        .arg(aside.files)
        .arg(aside.files == 1 ? QStringLiteral("file") : QStringLiteral("files"),
             fromCoreText(aside.when));
}

} // namespace

RestoreWindow::RestoreWindow(SharedState& state, Dialogs& dialogs,
                             std::function<QString(DataFile)> unsavedWork, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), dialogs_(dialogs),
      unsavedWork_(std::move(unsavedWork)) {
    setObjectName(QStringLiteral("restoreWindow"));
    setWindowTitle(QStringLiteral("Restore"));
    resize(620, 420);
    auto* layout = new QVBoxLayout(this);
    Label2 = place<QLabel>(this, "Label2", {});
    Label2->setWordWrap(true);
    Label2->setText(QStringLiteral("Each version is the file as it was just before the change "
                                   "named beside it. \"Restore\" puts it back; the file as it is "
                                   "now is kept as a version too."));
    layout->addWidget(Label2);
    List1 = place<QListWidget>(this, "List1", {});
    Label1 = place<QLabel>(this, "Label1", {});
    Label1->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    Command1 = place<QPushButton>(this, "Command1", {}, QStringLiteral("&Restore"));
    Command2 = place<QPushButton>(this, "Command2", {}, QStringLiteral("&Close"));
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    layout->addWidget(List1);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    connect(List1, &QListWidget::currentRowChanged, this, &RestoreWindow::List1_Click);
    connect(List1, &QListWidget::itemActivated, this, &RestoreWindow::Command1_Click);
    connect(Command1, &QPushButton::clicked, this, &RestoreWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
    Form_Load();
}

void RestoreWindow::Form_Load() {
    versions_ = listVersions(state_.installation);
    setAside_ = listSetAside(state_.installation);
    List1->clear();
    for (const Version& version : versions_)
        List1->addItem(rowText(version, state_.archive));
    // Below the versions, what absorptions set aside: the musician's own files, kept for good.
    for (const SetAside& aside : setAside_)
        List1->addItem(setAsideText(aside));
    Label1->setText(versions_.empty() ? QStringLiteral("No earlier versions have been kept yet.")
                                      : QString());
    Command1->setEnabled(false);
    if (!versions_.empty())
        List1->setCurrentRow(0);
    List1->setFocus();
}

const Version* RestoreWindow::chosen() const {
    const int row = List1->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= versions_.size())
        return nullptr;
    return &versions_[static_cast<std::size_t>(row)];
}

// The archive's difference from now is worked out only for the version chosen: the listing
// itself reads nothing but the records.
void RestoreWindow::List1_Click() {
    const Version* version = chosen();
    Command1->setEnabled(version != nullptr);
    if (const std::size_t row = static_cast<std::size_t>(List1->currentRow());
        !version && List1->currentRow() >= 0 && row - versions_.size() < setAside_.size()) {
        const SetAside& aside = setAside_[row - versions_.size()];
        Label1->setText(
            QStringLiteral("They are in %1; move them back by hand if they are wanted.")
                .arg(toShownPath(aside.folder.lexically_relative(state_.installation.root()))));
        return;
    }
    if (!version || version->file != DataFile::Archive || version->entryFile) {
        Label1->clear();
        return;
    }
    const FileRead then = readWholeFile(version->dataPath(), kArchiveFileLimit);
    const FileRead now =
        readWholeFile(dataFilePath(state_.installation, DataFile::Archive), kArchiveFileLimit);
    if (!then.ok()) {
        Label1->setText(fromCoreText(then.error));
        return;
    }
    // The first titles that differ, by name: what a musician recognises.
    QString text = QStringLiteral("Compared with now: %1")
                       .arg(fromCoreText(archiveDifference(then.bytes, now.bytes)));
    for (const TitleChange& change : firstTitleChanges(then.bytes, now.bytes, 3)) {
        const QString before = change.then.empty()
                                   ? QStringLiteral("no entry")
                                   : QStringLiteral("\"%1\"").arg(fromCp1252(change.then));
        const QString after = change.now.empty()
                                  ? QStringLiteral("no entry")
                                  : QStringLiteral("\"%1\"").arg(fromCp1252(change.now));
        text += QStringLiteral("\n%1: %2, now %3").arg(change.entry).arg(before, after);
    }
    Label1->setText(text);
}

void RestoreWindow::Command1_Click() {
    const Version* chosenVersion = chosen();
    if (!chosenVersion)
        return;
    const Version version = *chosenVersion;
    const QString name = version.entryFile ? entryFileText(*version.entryFile, state_.archive)
                                           : fileName(version.file);
    const QString named = capitalised(name);
    QString question = QStringLiteral("Restore %1 as it was on %2? The current one is kept as "
                                      "a version too.")
                           .arg(name, fromCoreText(version.when));
    if (const QString unsaved = unsavedWork_ ? unsavedWork_(version.file) : QString();
        !unsaved.isEmpty())
        question += QStringLiteral("\n\n%1").arg(unsaved);
    if (!dialogs_.question(this, question))
        return;
    // A data file changed by another program since it was read is named before it is replaced.
    if (!version.entryFile && !maySaveOver(state_, dialogs_, this, version.file))
        return;
    KeepVersion keep;
    keep.countRecords = recordCounter(version.file);
    const FileResult result = restoreVersion(state_.installation, version, keep);
    if (!result.ok) {
        dialogs_.error(this, QStringLiteral("%1 was not restored; nothing was changed.\n%2")
                                 .arg(named, fromCoreText(result.error)));
        return;
    }
    if (version.entryFile) {
        emit entryFileRestored(version.entryFile->number);
    } else {
        noteDataFile(state_, version.file);
        emit restored(version.file);
    }
    dialogs_.message(
        this, QStringLiteral("%1 is back as it was on %2.").arg(named, fromCoreText(version.when)));
    if (!version.entryFile)
        reportVersionNotKept(state_, dialogs_, this, version.file, keep.notKept);
    Form_Load();
}

void RestoreWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace folio
