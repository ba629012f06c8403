// The window that imports many PDF files as new scores.
#include "windows/pdf_import/score_import_window.h"

#include "core/archive/score_archive.h"
#include "core/categories/category_list.h"
#include "platform/browsing_lists.h"
#include "platform/core_text.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/field_text.h"
#include "platform/last_folders.h"
#include "platform/look.h"
#include "platform/widgets.h"
#include "windows/common/changed_elsewhere.h"
#include "windows/common/shared_state.h"
#include "windows/common/version_notice.h"
#include "windows/pdf_import/import_rows.h"
#include "windows/pdf_import/score_drawing.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <string>

namespace folio {
namespace {

// Kept in the cells: the file's path, its page count (-1 until counted), why it cannot be read.
constexpr int kPathRole = Qt::UserRole;
constexpr int kPagesRole = Qt::UserRole;
constexpr int kProblemRole = Qt::UserRole;
// Set on a row once its score was added: it is never imported twice.
constexpr int kAddedRole = Qt::UserRole + 1;
// On a title whose letters were changed to fit the stand's files: the note, and the title as it
// was then. A title typed since without a change is the user's own.
constexpr int kNoteRole = Qt::UserRole + 2;
constexpr int kNotedTitleRole = Qt::UserRole + 3;
// The scores a report names one by one.
constexpr int kListedScores = 20;

QString plainTitle(const QTableWidget* list, int row) {
    return list->item(row, ScoreImportWindow::TitleColumn)->text().trimmed();
}

void noteTitle(QTableWidgetItem* title, const QString& note) {
    title->setData(kNoteRole, note);
    title->setData(kNotedTitleRole, title->text());
}

// The note on the title's letters, while the title is the one it was made on.
QString titleNote(const QTableWidgetItem* title) {
    return title->data(kNotedTitleRole).toString() == title->text()
               ? title->data(kNoteRole).toString()
               : QString();
}

// The import's progress dialog. Cancel, Escape and the close box all cancel; once cancelled it
// stays, modal, until the import has really ended, and only the window takes it down.
class ImportProgress : public QProgressDialog {
public:
    using QProgressDialog::QProgressDialog;

    void showStopping() {
        stopping_ = true;
        // Hidden, not deleted: this runs inside the button's own click.
        if (auto* cancel = findChild<QPushButton*>())
            cancel->hide();
        setLabelText(QStringLiteral("Stopping after the current score…"));
        setRange(0, 0);
        show();
    }

protected:
    void reject() override {
        if (!stopping_)
            emit canceled();
    }
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        if (!stopping_)
            emit canceled();
    }

private:
    bool stopping_ = false;
};

} // namespace

ScoreImportWindow::ScoreImportWindow(SharedState& state, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), dialogs_(dialogs),
      counter_(new PageCounter(this)) {
    setObjectName(QStringLiteral("importScoresWindow"));
    setWindowTitle(QStringLiteral("Import scores"));
    look::setWhiteBackground(this);
    buildControls();
    connect(counter_, &PageCounter::counted, this, &ScoreImportWindow::counted);
    openWhereLastLeft(folders, QStringLiteral("importScores"),
                      toQtPath(state_.installation.root()));
    showSummary();
}

void ScoreImportWindow::setDrawingProgram(const QString& program) {
    drawingProgram_ = program;
    counter_->setProgram(program);
}

ScoreImportWindow::~ScoreImportWindow() {
    // The workers stop before the import they write through goes.
    delete drawing_;
}

void ScoreImportWindow::buildControls() {
    drives = named<DriveList>(this, "drives");
    folders = named<FolderList>(this, "folders");
    files = named<FileList>(this, "files", QStringLiteral("*.pdf"));
    files->setSelectionMode(QAbstractItemView::ExtendedSelection);
    addButton = named<QPushButton>(this, "addButton", QStringLiteral("Add chosen files"));
    wholeFolderButton =
        named<QPushButton>(this, "wholeFolderButton", QStringLiteral("Whole folder"));
    author = named<QLineEdit>(this, "author");
    tags = named<QLineEdit>(this, "tags");
    category = named<QComboBox>(this, "category");
    list = named<QTableWidget>(this, "list", 0, ColumnCount);
    clearButton = named<QPushButton>(this, "clearButton", QStringLiteral("Clear list"));
    summary = named<QLabel>(this, "summary");
    importButton = named<QPushButton>(this, "importButton", QStringLiteral("Import"));

    for (QWidget* browsing : {static_cast<QWidget*>(folders), static_cast<QWidget*>(files)}) {
        look::styleBlueText(browsing, 9);
        browsing->setMinimumWidth(220);
    }
    for (QPushButton* button : {addButton, wholeFolderButton, clearButton, importButton})
        look::styleButton(button, 11);
    addButton->setToolTip(QStringLiteral("List the PDF files selected above"));
    wholeFolderButton->setToolTip(
        QStringLiteral("List every PDF file of the folder, in name order"));
    acceptOnlyFieldText(author);
    acceptOnlyFieldText(tags);
    // The categories as generi.js names them now; none offered when it cannot be read.
    std::array<std::string, 201> names;
    static_cast<void>(loadCategoryNames(state_.installation, names));
    category->addItem(QStringLiteral("(none)"), QString());
    for (std::size_t n = 1; n < names.size(); ++n) {
        if (!names[n].empty())
            category->addItem(fromCp1252(names[n]), QString::number(n));
    }
    list->setHorizontalHeaderLabels({QStringLiteral("Title"), QStringLiteral("Pages"),
                                     QStringLiteral("State"), QStringLiteral("File")});
    auto* titleCells = new FieldTextDelegate(list);
    titleCells->showNotesWith([this](const QString& note) { typedTitleNote_ = note; });
    // Ended without being taken (Escape), an edit leaves no note behind.
    connect(titleCells, &QAbstractItemDelegate::closeEditor, this,
            [this] { typedTitleNote_.clear(); });
    list->setItemDelegateForColumn(TitleColumn, titleCells);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    list->verticalHeader()->hide();
    list->horizontalHeader()->setSectionResizeMode(TitleColumn, QHeaderView::Stretch);
    list->horizontalHeader()->setSectionResizeMode(FileColumn, QHeaderView::Stretch);
    summary->setWordWrap(true);
    importButton->setDefault(true);

    auto* browsing = new QVBoxLayout;
    browsing->addWidget(drives);
    browsing->addWidget(folders, 2);
    browsing->addWidget(files, 2);
    auto* choosing = new QHBoxLayout;
    choosing->addWidget(addButton);
    choosing->addWidget(wholeFolderButton);
    browsing->addLayout(choosing);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Author of every new score:"), author);
    fields->addRow(QStringLiteral("Tags:"), tags);
    fields->addRow(QStringLiteral("Category:"), category);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(clearButton);
    bottom->addWidget(summary, 1);
    bottom->addWidget(importButton);
    auto* right = new QVBoxLayout;
    right->addLayout(fields);
    right->addWidget(list, 1);
    right->addLayout(bottom);
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(browsing, 0);
    columns->addLayout(right, 1);
    // Fits a 1366 x 768 screen above its taskbar.
    resize(1100, 640);

    connect(drives, &DriveList::changed, this,
            [this](const QString& drive) { folders->setDrive(drive); });
    connect(folders, &FolderList::changed, this,
            [this](const QString& folder) { files->setPath(folder); });
    connect(addButton, &QPushButton::clicked, this, &ScoreImportWindow::addButton_Click);
    connect(wholeFolderButton, &QPushButton::clicked, this,
            &ScoreImportWindow::wholeFolderButton_Click);
    connect(files, &QListWidget::itemActivated, this, [this] { addButton_Click(); });
    connect(clearButton, &QPushButton::clicked, this, [this] {
        list->setRowCount(0);
        showSummary();
    });
    connect(importButton, &QPushButton::clicked, this, &ScoreImportWindow::importButton_Click);
    connect(list, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        // The program's own changes come with the list's signals blocked: this is the user's.
        if (item->column() != TitleColumn)
            return;
        titleEdited(item->row());
    });
}

// Escape closes the window, as it closes the program's other windows.
void ScoreImportWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ScoreImportWindow::closeEvent(QCloseEvent* event) {
    // Half an import is never left behind: Cancel in the progress dialog ends it first.
    if (importing()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void ScoreImportWindow::addButton_Click() {
    QStringList chosen;
    for (QListWidgetItem* item : files->selectedItems())
        chosen << QDir(files->path()).filePath(item->text());
    if (chosen.isEmpty()) {
        dialogs_.error(this, QStringLiteral("Select one or more PDF files in the list of files "
                                            "first, or press \"Whole folder\"."));
        return;
    }
    chosen.sort(Qt::CaseInsensitive);
    addFiles(chosen);
}

void ScoreImportWindow::wholeFolderButton_Click() {
    const QStringList found = pdfFilesIn(files->path());
    if (found.isEmpty()) {
        dialogs_.error(this, QStringLiteral("The folder \"%1\" holds no PDF file.")
                                 .arg(QDir::toNativeSeparators(files->path())));
        return;
    }
    addFiles(found);
}

int ScoreImportWindow::rowOf(const QString& file) const {
    for (int row = 0; row < list->rowCount(); ++row) {
        if (list->item(row, FileColumn)->data(kPathRole).toString() == file)
            return row;
    }
    return -1;
}

const TitlesInArchive& ScoreImportWindow::titles() {
    if (!titles_)
        titles_ = std::make_unique<TitlesInArchive>(state_.archive);
    return *titles_;
}

void ScoreImportWindow::addFiles(const QStringList& paths) {
    // The archive may have changed in the main window since the last files were listed.
    titles_.reset();
    QStringList added;
    const QSignalBlocker quiet(list);
    for (const QString& path : paths) {
        const QString file = QFileInfo(path).absoluteFilePath();
        if (rowOf(file) >= 0)
            continue;
        const int row = list->rowCount();
        list->insertRow(row);
        const FieldText fromName = titleFromFileName(QFileInfo(file).fileName());
        auto* title = new QTableWidgetItem(fromName.text);
        noteTitle(title, fromName.note);
        auto* pages = new QTableWidgetItem;
        pages->setData(kPagesRole, -1);
        auto* stateItem = new QTableWidgetItem;
        auto* name = new QTableWidgetItem(QFileInfo(file).fileName());
        name->setData(kPathRole, file);
        name->setToolTip(QDir::toNativeSeparators(file));
        for (QTableWidgetItem* item : {pages, stateItem, name})
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        list->setItem(row, TitleColumn, title);
        list->setItem(row, PagesColumn, pages);
        list->setItem(row, StateColumn, stateItem);
        list->setItem(row, FileColumn, name);
        judge(row, true);
        added << file;
    }
    counter_->count(added);
    showSummary();
}

void ScoreImportWindow::counted(const QString& file, PdfOpen outcome, int pages,
                                const QString& problem) {
    const int row = rowOf(file);
    if (row < 0)
        return;
    QTableWidgetItem* pagesItem = list->item(row, PagesColumn);
    pagesItem->setData(kPagesRole, pages);
    pagesItem->setText(outcome == PdfOpen::Opened ? QString::number(pages) : QString());
    QTableWidgetItem* stateItem = list->item(row, StateColumn);
    stateItem->setData(kProblemRole, problem.isEmpty() ? unreadableReason(outcome) : problem);
    stateItem->setToolTip(problem.isEmpty() ? PdfPages::problemText(outcome, file) : problem);
    judge(row, true);
    showSummary();
}

bool ScoreImportWindow::allCounted() const {
    for (int row = 0; row < list->rowCount(); ++row) {
        if (list->item(row, PagesColumn)->data(kPagesRole).toInt() < 0)
            return false;
    }
    return true;
}

void ScoreImportWindow::judge(int row, bool tick) {
    QTableWidgetItem* title = list->item(row, TitleColumn);
    QTableWidgetItem* stateItem = list->item(row, StateColumn);
    const bool counted = list->item(row, PagesColumn)->data(kPagesRole).toInt() >= 0;
    const QString problem = stateItem->data(kProblemRole).toString();
    QString text;
    bool tickable = false;
    if (title->data(kAddedRole).isValid()) {
        text = QStringLiteral("added as %1").arg(title->data(kAddedRole).toInt());
    } else if (!counted) {
        text = QStringLiteral("reading…");
    } else if (!problem.isEmpty()) {
        text = problem;
    } else if (plainTitle(list, row).isEmpty()) {
        text = QStringLiteral("needs a title");
    } else if (titles().holds(toCp1252(plainTitle(list, row)))) {
        text = QStringLiteral("already in your archive");
        tickable = true;
        tick = false;
    } else {
        text =
            titleNote(title).isEmpty() ? QStringLiteral("ready") : QStringLiteral("title adjusted");
        tickable = true;
    }
    const QSignalBlocker quiet(list);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!title->data(kAddedRole).isValid())
        flags |= Qt::ItemIsEditable;
    if (tickable)
        flags |= Qt::ItemIsUserCheckable;
    title->setFlags(flags);
    title->setToolTip(titleNote(title));
    if (!tickable)
        title->setCheckState(Qt::Unchecked);
    else if (tick)
        title->setCheckState(Qt::Checked);
    stateItem->setText(text);
    const QColor ink = tickable ? palette().color(QPalette::Text)
                                : palette().color(QPalette::Disabled, QPalette::Text);
    for (int column = 0; column < ColumnCount; ++column)
        list->item(row, column)->setForeground(ink);
}

void ScoreImportWindow::titleEdited(int row) {
    // A title typed into a row that had none ticks it; any other edit keeps the tick.
    const bool hadNone = list->item(row, StateColumn)->text() == QStringLiteral("needs a title");
    // A title set other than by typing is taken as typing takes it.
    QTableWidgetItem* title = list->item(row, TitleColumn);
    const FieldText typed = toFieldText(title->text());
    {
        const QSignalBlocker quiet(list);
        if (typed.text != title->text()) {
            title->setText(typed.text);
            noteTitle(title, typed.note);
        } else if (!typedTitleNote_.isEmpty()) {
            noteTitle(title, typedTitleNote_);
        }
    }
    typedTitleNote_.clear();
    titles_.reset();
    judge(row, hadNone);
    showSummary();
}

int ScoreImportWindow::tickedCount() const {
    int ticked = 0;
    for (int row = 0; row < list->rowCount(); ++row) {
        const QTableWidgetItem* title = list->item(row, TitleColumn);
        if ((title->flags() & Qt::ItemIsUserCheckable) && title->checkState() == Qt::Checked)
            ++ticked;
    }
    return ticked;
}

void ScoreImportWindow::showSummary() {
    const int ticked = tickedCount();
    const int room = roomLeft(state_.archive);
    QString text =
        QStringLiteral("%1 new score(s) will be added; the archive has room for %2 more.")
            .arg(ticked)
            .arg(room);
    if (ticked > room)
        text += QStringLiteral(" Untick %1 of them.").arg(ticked - room);
    else if (!allCounted())
        text += QStringLiteral(" Reading the files…");
    summary->setText(text);
    importButton->setEnabled(ticked > 0 && ticked <= room && allCounted() && !state_.readOnly);
}

void ScoreImportWindow::importButton_Click() {
    if (importing())
        return;
    std::vector<int> rows;
    for (int row = 0; row < list->rowCount(); ++row) {
        const QTableWidgetItem* title = list->item(row, TitleColumn);
        if ((title->flags() & Qt::ItemIsUserCheckable) && title->checkState() == Qt::Checked &&
            !plainTitle(list, row).isEmpty())
            rows.push_back(row);
    }
    if (rows.empty() || !allCounted()) {
        dialogs_.error(this, QStringLiteral("Tick the files to import first, once the list has "
                                            "read them all."));
        return;
    }
    if (state_.readOnly || !state_.archiveWritable) {
        dialogs_.error(this, QStringLiteral("The archive cannot be written now, so nothing can be "
                                            "imported."));
        return;
    }
    if (beforeImport_ && !beforeImport_())
        return;
    // The room is checked before anything is written.
    const int room = roomLeft(state_.archive);
    if (static_cast<int>(rows.size()) > room) {
        dialogs_.error(this, QStringLiteral("The archive holds %1 scores, and %2 at most: it has "
                                            "room for %3 more, and %4 are ticked. Nothing was "
                                            "imported.")
                                 .arg(state_.archive.entryCount())
                                 .arg(ScoreArchive::kMaxEntries)
                                 .arg(room)
                                 .arg(rows.size()));
        return;
    }
    if (!maySaveOver(state_, dialogs_, this, DataFile::Archive))
        return;

    std::vector<ScoreToDraw> scores;
    const std::string authorBytes = toCp1252(author->text());
    const std::string tagBytes = toCp1252(tags->text());
    const std::string categoryNumber = category->currentData().toString().toStdString();
    for (int row : rows) {
        ScoreEntry entry{
            {}, toCp1252(plainTitle(list, row)), authorBytes, tagBytes, categoryNumber};
        scores.push_back({list->item(row, FileColumn)->data(kPathRole).toString(), entry,
                          list->item(row, PagesColumn)->data(kPagesRole).toInt()});
    }
    importRows_ = rows;
    written_.clear();
    skipped_.clear();
    done_ = 0;
    import_ = std::make_unique<ScoreImport>(state_.archive, state_.installation,
                                            backupStamp(localTimeNow()));
    // One drawing process per processor: each draws and encodes its own scores.
    drawing_ = new ScoreDrawing(std::move(scores), *import_, drawingProgram_,
                                std::clamp(QThread::idealThreadCount(), 1, 4));

    const int total = static_cast<int>(rows.size());
    progress_ = new ImportProgress(QString(), QStringLiteral("Cancel"), 0, total, this);
    progress_->setObjectName(QStringLiteral("importProgress"));
    progress_->setWindowTitle(QStringLiteral("Importing scores"));
    // No window takes input meanwhile: the archive in memory gets the new scores at the end.
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setValue(0);
    connect(progress_, &QProgressDialog::canceled, this, &ScoreImportWindow::cancelImport);
    connect(drawing_, &ScoreDrawing::drawing, this, [this, total](int index) {
        if (drawing_->cancelled())
            return;
        const int row = importRows_[static_cast<std::size_t>(index)];
        progress_->setLabelText(
            QStringLiteral("%1 of %2: %3").arg(index + 1).arg(total).arg(plainTitle(list, row)));
    });
    connect(drawing_, &ScoreDrawing::written, this, [this](int index, int number) {
        written_.emplace_back(importRows_[static_cast<std::size_t>(index)], number);
        advanceProgress();
        emit scoreWritten(number);
    });
    connect(drawing_, &ScoreDrawing::skipped, this, [this](int index, const QString& problem) {
        const int row = importRows_[static_cast<std::size_t>(index)];
        skipped_ << QStringLiteral("%1: %2").arg(list->item(row, FileColumn)->text(), problem);
        list->item(row, StateColumn)->setData(kProblemRole, problem);
        advanceProgress();
    });
    connect(drawing_, &ScoreDrawing::finished, this, &ScoreImportWindow::finishImport);
    importButton->setEnabled(false);
    drawing_->start();
}

void ScoreImportWindow::advanceProgress() {
    ++done_;
    // The bar itself: the dialog's own setValue runs the event loop while it is modal, and the
    // end of the import would then run inside this slot, before the score is told.
    auto* bar = progress_->findChild<QProgressBar*>();
    if (bar && !drawing_->cancelled())
        bar->setValue(done_);
}

void ScoreImportWindow::cancelImport() {
    if (!drawing_)
        return;
    drawing_->cancel();
    static_cast<ImportProgress*>(progress_)->showStopping();
}

void ScoreImportWindow::finishImport() {
    const bool cancelled = drawing_->cancelled();
    const QString stopped = drawing_->stoppedBecause();
    // Both threads have ended: finished comes after them.
    delete drawing_;
    drawing_ = nullptr;
    progress_->hide();
    progress_->deleteLater();
    progress_ = nullptr;
    // Asked right before the archive is written: another program may have saved it meanwhile.
    // Declined, nothing is saved, as when the save fails.
    const bool declined =
        import_->written() > 0 && !maySaveOver(state_, dialogs_, this, DataFile::Archive);
    ImportResult result;
    if (declined)
        result.attached = import_->attached();
    else
        result = import_->finish(state_.archive);
    import_.reset();
    if (result.saved) {
        noteDataFile(state_, DataFile::Archive);
        const QSignalBlocker quiet(list);
        for (const auto& [row, number] : written_)
            list->item(row, TitleColumn)->setData(kAddedRole, number);
    }
    written_.clear();
    titles_.reset();
    for (int row = 0; row < list->rowCount(); ++row)
        judge(row, false);
    showSummary();

    QString text = report(result, declined);
    if (result.saved && cancelled)
        text += QStringLiteral("\n\nThe import was cancelled: the scores done before were added "
                               "and saved, and no other file was imported.");
    if (!stopped.isEmpty())
        text += QStringLiteral("\n\nThe import stopped: %1\nThe scores written before were added "
                               "and saved, and no other file was imported.")
                    .arg(stopped);
    if (result.saved || (result.error.empty() && !declined))
        dialogs_.message(this, text);
    else
        dialogs_.error(this, text);
    reportVersionNotKept(state_, dialogs_, this, DataFile::Archive, result.versionNotKept);
    if (result.saved)
        emit scoresImported();
    emit importEnded();
}

QString ScoreImportWindow::report(const ImportResult& result, bool declined) const {
    QString text;
    if (result.saved) {
        // A report of a few hundred lines would not fit the screen: the first ones, then the
        // range, which the library lists whole.
        const int last = result.firstNumber + result.count - 1;
        const int listed = result.count <= kListedScores ? result.count : kListedScores - 1;
        QStringList added;
        for (int n = result.firstNumber; n < result.firstNumber + listed; ++n)
            added << QStringLiteral("%1 %2").arg(n).arg(fromCp1252(state_.archive.slot(n).title));
        if (listed < result.count)
            added << QStringLiteral("… and %1 more, %2 to %3: \"Library\" lists them all.")
                         .arg(result.count - listed)
                         .arg(result.firstNumber + listed)
                         .arg(last);
        text = QStringLiteral("%1 score(s) were added to the archive and saved:\n%2")
                   .arg(result.count)
                   .arg(added.join(QLatin1Char('\n')));
    } else if (declined) {
        text = QStringLiteral("No score was added: archivio.js was changed by another program "
                              "during the import, and you chose not to save over it.\nThe pages "
                              "written lie under numbers that no entry has; the next import or "
                              "absorption moves them aside.");
    } else if (!result.error.empty()) {
        text = QStringLiteral("No score was added: the archive could not be saved.\n%1\nThe "
                              "pages written lie under numbers that no entry has; the next "
                              "import or absorption moves them aside.")
                   .arg(fromCoreText(result.error));
    } else {
        text = QStringLiteral("No score was added.");
    }
    if (!skipped_.isEmpty())
        text += QStringLiteral("\n\nSkipped:\n%1").arg(skipped_.join(QLatin1Char('\n')));
    const Attachment& attached = result.attached;
    if (!attached.movedAside.empty()) {
        QStringList names;
        for (const MovedAside& file : attached.movedAside)
            names << toQtPath(file.from.filename());
        text += QStringLiteral("\n\nThese files lay under the new numbers and were moved aside "
                               "to %1: %2.")
                    .arg(toShownPath(
                             attached.backupFolder.lexically_relative(state_.installation.root())),
                         names.join(QStringLiteral(", ")));
    }
    for (const UncopiedPage& file : attached.notMovedAside)
        text += QStringLiteral("\n%1").arg(fromCoreText(file.reason));
    if (!result.notRecorded.empty())
        text += QStringLiteral("\n\nWhat the import did could not be recorded, so \"Undo last "
                               "import\" is not available for it; \"Restore…\" can still put back "
                               "the archive as it was.\n%1")
                    .arg(fromCoreText(result.notRecorded));
    return text;
}

} // namespace folio
