// The library window's controls, its edits through the undo stack, and its exports.
#include "windows/library/library_window.h"

#include "core/categories/category_list.h"
#include "core/files/file_ops.h"
#include "core/playlists/playlist_store.h"
#include "platform/core_text.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/field_text.h"
#include "platform/last_folders.h"
#include "platform/widgets.h"
#include "windows/common/changed_elsewhere.h"
#include "windows/common/shared_state.h"
#include "windows/common/version_notice.h"
#include "windows/library/library_model.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QThreadPool>
#include <QVBoxLayout>
#include <algorithm>

namespace folio {
namespace {

// The title column's width when the window leaves it no more.
constexpr int kTitleWidth = 220;

// Calls back when the object it watches is resized.
class OnResize : public QObject {
public:
    OnResize(QObject* parent, std::function<void()> resized)
        : QObject(parent), resized_(std::move(resized)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            resized_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> resized_;
};

std::string ScoreEntry::*fieldOf(LibraryColumn column) {
    switch (column) {
    case LibraryColumn::Title:
        return &ScoreEntry::title;
    case LibraryColumn::Author:
        return &ScoreEntry::author;
    case LibraryColumn::Tags:
        return &ScoreEntry::tags;
    default:
        return &ScoreEntry::category;
    }
}

// One edit of one field of some entries, undone by putting back what each held. An entry whose
// field no longer holds what the step left (for undo) or found (for redo) was changed since by
// someone else: it is left as it is, and named through notApplied.
class FieldEdit : public QUndoCommand {
public:
    using Applied = std::function<void(const std::vector<int>&)>;
    using NotApplied = std::function<void(const QString& why)>;

    FieldEdit(SharedState& state, std::vector<int> entries, LibraryColumn column,
              std::vector<std::string> after, const QString& text, Applied applied,
              NotApplied notApplied)
        : QUndoCommand(text), state_(state), entries_(std::move(entries)), column_(column),
          field_(fieldOf(column)), after_(std::move(after)), applied_(std::move(applied)),
          notApplied_(std::move(notApplied)) {
        for (int entry : entries_)
            before_.push_back(state_.archive.slot(entry).*field_);
    }
    void redo() override { put(before_, after_, QStringLiteral("not redone")); }
    void undo() override { put(after_, before_, QStringLiteral("not undone")); }

private:
    void put(const std::vector<std::string>& expected, const std::vector<std::string>& values,
             const QString& outcome) {
        std::vector<int> changed;
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            std::string& field = state_.archive.slot(entries_[i]).*field_;
            if (field != expected[i]) {
                // The library's own edits are all on this stack, in order: a field that differs
                // was changed by the main window, the only other window that edits entries.
                notApplied_(QStringLiteral("%1 of %2 was changed in the main window "
                                           "since: %3")
                                .arg(LibraryModel::columnTitle(column_))
                                .arg(entries_[i])
                                .arg(outcome));
                continue;
            }
            field = values[i];
            changed.push_back(entries_[i]);
        }
        if (!changed.empty())
            applied_(changed);
    }

    SharedState& state_;
    std::vector<int> entries_;
    LibraryColumn column_;
    std::string ScoreEntry::*field_;
    std::vector<std::string> before_;
    std::vector<std::string> after_;
    Applied applied_;
    NotApplied notApplied_;
};

// Cell editors that refuse what the archive cannot carry, and offer generi.js's names for the
// category.
class LibraryDelegate : public FieldTextDelegate {
public:
    LibraryDelegate(std::function<std::vector<std::pair<int, QString>>()> categories,
                    QObject* parent)
        : FieldTextDelegate(parent), categories_(std::move(categories)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        if (static_cast<LibraryColumn>(index.column()) == LibraryColumn::Category) {
            auto* box = new QComboBox(parent);
            box->addItem(QStringLiteral("(none)"), QStringLiteral("0"));
            for (const auto& [number, name] : categories_())
                box->addItem(name, QString::number(number));
            return box;
        }
        return FieldTextDelegate::createEditor(parent, option, index);
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            const int found = box->findData(index.data(Qt::EditRole).toString());
            box->setCurrentIndex(std::max(found, 0));
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            model->setData(index, box->currentData(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    std::function<std::vector<std::pair<int, QString>>()> categories_;
};

// True for a field a spreadsheet would take as a formula, or turn into one: it starts with
// "=", "+", "-", "@", a tab or a carriage return.
bool readAsFormula(const QString& text) {
    static const QString starts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && starts.contains(text.front());
}

// A CSV field: in quotes when it holds a comma, a quote or a line break.
QString csvField(QString text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

const QStringList kShowChoices = {QStringLiteral("All scores"), QStringLiteral("Missing a page"),
                                  QStringLiteral("Missing the recording"),
                                  QStringLiteral("No category"),
                                  QStringLiteral("The same title and author twice")};

// The export's file chooser, by the name its last folder is kept under.
const QString kExportPicker = QStringLiteral("libraryExport");

} // namespace

LibraryWindow::LibraryWindow(SharedState& state, Dialogs& dialogs,
                             std::function<std::vector<int>()> unsavedEntries, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), dialogs_(dialogs),
      unsavedEntries_(std::move(unsavedEntries)) {
    setObjectName(QStringLiteral("library"));
    setWindowTitle(QStringLiteral("Library"));
    resize(900, 560);
    static_cast<void>(loadCategoryNames(state_.installation, names_));
    search_.rebuild(state_.archive);
    model_ = new LibraryModel(
        state_, names_,
        [this](int entry, LibraryColumn column, std::string value) {
            setField(
                {entry}, column, [&](const ScoreEntry&) { return value; },
                QStringLiteral("Edit %1 of %2")
                    .arg(LibraryModel::columnTitle(column).toLower())
                    .arg(entry));
        },
        this);
    const QString folder = QDir::toNativeSeparators(toQtPath(state_.installation.root()));
    standName_ = QFileInfo(folder).fileName().isEmpty() ? folder : QFileInfo(folder).fileName();
    buildControls();
    showRows();
    refreshFacts();
}

LibraryWindow::~LibraryWindow() {
    *alive_ = false;
}

void LibraryWindow::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    filterText = place<QLineEdit>(this, "filterText", {});
    filterText->setPlaceholderText(
        QStringLiteral("Filter by words of the title, author, tags or category"));
    filterText->setClearButtonEnabled(true);
    showChoice = place<QComboBox>(this, "showChoice", {});
    showChoice->addItems(kShowChoices);
    countLabel = place<QLabel>(this, "countLabel", {});
    top->addWidget(filterText, 1);
    top->addWidget(showChoice);
    top->addWidget(countLabel);
    layout->addLayout(top);

    table = place<QTableView>(this, "table", {});
    table->setModel(model_);
    auto* cells = new LibraryDelegate([this] { return categoryChoices(); }, table);
    cells->showNotesWith([this](const QString& note) { lettersNote->setText(note); });
    table->setItemDelegate(cells);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    table->setSortingEnabled(false);
    table->horizontalHeader()->setSortIndicatorShown(true);
    table->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    table->horizontalHeader()->setSectionsClickable(true);
    table->verticalHeader()->setDefaultSectionSize(22);
    table->setColumnWidth(static_cast<int>(LibraryColumn::Number), 72);
    table->setColumnWidth(static_cast<int>(LibraryColumn::Title), kTitleWidth);
    table->setColumnWidth(static_cast<int>(LibraryColumn::Author), 140);
    // The title takes the width the other columns leave in a widened window, and keeps its own
    // in a narrow one (the table then scrolls sideways).
    table->horizontalHeader()->installEventFilter(new OnResize(table, [this] {
        QHeaderView* header = table->horizontalHeader();
        const int title = static_cast<int>(LibraryColumn::Title);
        int others = 0;
        for (int column = 0; column < header->count(); ++column) {
            if (column != title && !header->isSectionHidden(column))
                others += header->sectionSize(column);
        }
        header->resizeSection(title, std::max(kTitleWidth, header->width() - others));
    }));
    layout->addWidget(table, 1);

    auto* buttons = new QHBoxLayout;
    setAuthorButton =
        place<QPushButton>(this, "setAuthorButton", {}, QStringLiteral("Set author…"));
    setCategoryButton =
        place<QPushButton>(this, "setCategoryButton", {}, QStringLiteral("Set category…"));
    addTagButton = place<QPushButton>(this, "addTagButton", {}, QStringLiteral("Add tag…"));
    removeTagButton =
        place<QPushButton>(this, "removeTagButton", {}, QStringLiteral("Remove tag…"));
    exportButton = place<QPushButton>(this, "exportButton", {}, QStringLiteral("Export…"));
    addToPlaylistButton =
        place<QPushButton>(this, "addToPlaylistButton", {}, QStringLiteral("Add to playlist…"));
    lettersNote = place<QLabel>(this, "lettersNote", {});
    QPalette notePalette = lettersNote->palette();
    notePalette.setColor(QPalette::WindowText, QColor(0xD0, 0x10, 0x10));
    lettersNote->setPalette(notePalette);
    removeButton = place<QPushButton>(this, "removeButton", {}, QStringLiteral("Remove…"));
    mergeButton = place<QPushButton>(this, "mergeButton", {}, QStringLiteral("Merge into…"));
    for (QPushButton* button : {setAuthorButton, setCategoryButton, addTagButton, removeTagButton,
                                mergeButton, removeButton})
        buttons->addWidget(button);
    buttons->addWidget(lettersNote, 1);
    buttons->addWidget(addToPlaylistButton);
    buttons->addWidget(exportButton);
    layout->addLayout(buttons);
    // A stand open read-only, or an archive that must not be written, takes no edits.
    const bool writable = state_.archiveWritable && !state_.readOnly;
    for (QPushButton* button : {setAuthorButton, setCategoryButton, addTagButton, removeTagButton,
                                mergeButton, removeButton})
        button->setEnabled(writable);
    // The playlists are a file of their own, written unless the stand is open read-only.
    addToPlaylistButton->setEnabled(!state_.readOnly);

    connect(filterText, &QLineEdit::textChanged, this, &LibraryWindow::filterText_Change);
    connect(showChoice, &QComboBox::currentIndexChanged, this, &LibraryWindow::showChoice_Change);
    connect(table->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        const auto column = static_cast<LibraryColumn>(section);
        // A second click on the same heading reverses the order.
        query_.descending = query_.column == column && !query_.descending;
        query_.column = column;
        table->horizontalHeader()->setSortIndicator(
            section, query_.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        showRows();
    });
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!followingMainWindow_ && current.isValid())
                    emit entryChosen(model_->entryAt(current.row()));
            });
    connect(table, &QTableView::activated, this,
            [this](const QModelIndex& index) { emit entryChosen(model_->entryAt(index.row())); });
    connect(setAuthorButton, &QPushButton::clicked, this, &LibraryWindow::setAuthor_Click);
    connect(setCategoryButton, &QPushButton::clicked, this, &LibraryWindow::setCategory_Click);
    connect(addTagButton, &QPushButton::clicked, this, &LibraryWindow::addTag_Click);
    connect(removeTagButton, &QPushButton::clicked, this, &LibraryWindow::removeTag_Click);
    connect(exportButton, &QPushButton::clicked, this, &LibraryWindow::export_Click);
    connect(removeButton, &QPushButton::clicked, this, &LibraryWindow::remove_Click);
    connect(mergeButton, &QPushButton::clicked, this, &LibraryWindow::merge_Click);
    connect(addToPlaylistButton, &QPushButton::clicked, this, &LibraryWindow::addToPlaylist_Click);
    setTabOrder(filterText, showChoice);
    setTabOrder(showChoice, table);

    // Ctrl+S saves the archive as the main window's Save does; Ctrl+Z takes back the table's
    // edits, one step at a time, until then.
    saveAction = new QAction(QStringLiteral("Save"), this);
    saveAction->setObjectName(QStringLiteral("saveAction"));
    saveAction->setShortcut(QKeySequence::Save);
    saveAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(saveAction, &QAction::triggered, this, &LibraryWindow::saveRequested);
    undoAction = undo_.createUndoAction(this, QStringLiteral("Undo"));
    undoAction->setObjectName(QStringLiteral("undoAction"));
    undoAction->setShortcut(QKeySequence::Undo);
    undoAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    redoAction = undo_.createRedoAction(this, QStringLiteral("Redo"));
    redoAction->setObjectName(QStringLiteral("redoAction"));
    redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    redoAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addActions({saveAction, undoAction, redoAction});
    // What a step left alone is said once the step is over, not from inside the stack's work.
    connect(&undo_, &QUndoStack::indexChanged, this, [this] {
        if (notApplied_.isEmpty())
            return;
        const QString text = notApplied_.join(QLatin1Char('\n'));
        notApplied_.clear();
        dialogs_.message(this, text);
    });
    saveAction->setEnabled(state_.archiveWritable && !state_.readOnly);
}

void LibraryWindow::showRows() {
    const int current = model_->entryAt(table->currentIndex().row());
    model_->setRows(libraryRows(state_.archive, model_->facts(), search_, names_, query_));
    markUnsaved();
    countLabel->setText(
        QStringLiteral("%1 of %2 scores").arg(model_->rowCount()).arg(state_.archive.entryCount()));
    if (current > 0)
        showEntry(current);
}

void LibraryWindow::showEntry(int entry) {
    const int row = model_->rowOf(entry);
    // The row already current stays as it is: an edit under way in it goes on.
    if (row < 0 || row == table->currentIndex().row())
        return;
    followingMainWindow_ = true;
    table->setCurrentIndex(
        model_->index(row, table->currentIndex().isValid() ? table->currentIndex().column() : 0));
    table->scrollTo(model_->index(row, 0));
    followingMainWindow_ = false;
}

void LibraryWindow::selectEntries(const std::vector<int>& entries) {
    QItemSelection rows;
    int first = -1;
    for (int entry : entries) {
        const int row = model_->rowOf(entry);
        if (row < 0)
            continue;
        rows.select(model_->index(row, 0), model_->index(row, model_->columnCount() - 1));
        if (first < 0)
            first = row;
    }
    if (first < 0)
        return;
    followingMainWindow_ = true;
    table->setCurrentIndex(model_->index(first, 0));
    table->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    followingMainWindow_ = false;
}

void LibraryWindow::archiveChanged(int entry) {
    if (entry > 0) {
        search_.update(state_.archive, entry);
        model_->entryChanged(entry);
        markUnsaved();
        return;
    }
    // A load or a save: the archive may hold other entries now, and nothing undone is wanted.
    undo_.clear();
    search_.rebuild(state_.archive);
    showRows();
    refreshFacts();
}

void LibraryWindow::refreshFacts() {
    factsPending_ = true;
    const Installation installation = state_.installation;
    const int last = state_.archive.entryCount();
    std::weak_ptr<bool> alive = alive_;
    QThreadPool::globalInstance()->start([this, installation, last, alive] {
        std::vector<EntryFacts> facts = readEntryFacts(installation, last);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, alive, facts = std::move(facts)]() mutable {
                const std::shared_ptr<bool> here = alive.lock();
                if (!here || !*here)
                    return;
                factsPending_ = false;
                model_->setFacts(std::move(facts));
                if (query_.show != LibraryShow::All || query_.column >= LibraryColumn::LeftPage)
                    showRows();
            },
            Qt::QueuedConnection);
    });
}

// The view goes to the first row that matches, without showing it in the main window: typing
// a filter moves no other window.
void LibraryWindow::filterText_Change() {
    query_.filter = toCp1252(filterText->text());
    showRows();
    if (filterText->text().trimmed().isEmpty() || model_->rowCount() == 0)
        return;
    followingMainWindow_ = true;
    table->setCurrentIndex(
        model_->index(0, table->currentIndex().isValid() ? table->currentIndex().column() : 0));
    table->scrollTo(model_->index(0, 0));
    followingMainWindow_ = false;
}

void LibraryWindow::showChoice_Change() {
    query_.show = static_cast<LibraryShow>(std::max(showChoice->currentIndex(), 0));
    showRows();
}

std::vector<int> LibraryWindow::chosenEntries() {
    std::vector<int> entries = selectedEntries();
    if (entries.empty())
        dialogs_.message(this, QStringLiteral("Select the scores first."));
    return entries;
}

std::vector<int> LibraryWindow::selectedEntries() const {
    std::vector<int> entries;
    for (const QModelIndex& index : table->selectionModel()->selectedRows())
        entries.push_back(model_->entryAt(index.row()));
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<int> LibraryWindow::selectedInRowOrder() const {
    QModelIndexList rows = table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<int> entries;
    for (const QModelIndex& index : rows)
        entries.push_back(model_->entryAt(index.row()));
    return entries;
}

void LibraryWindow::setField(const std::vector<int>& entries, LibraryColumn column,
                             const std::function<std::string(const ScoreEntry&)>& value,
                             const QString& what) {
    if (entries.empty() || !state_.archiveWritable || state_.readOnly)
        return;
    std::vector<std::string> after;
    for (int entry : entries)
        after.push_back(value(state_.archive.slot(entry)));
    undo_.push(new FieldEdit(
        state_, entries, column, std::move(after), what,
        [this](const std::vector<int>& changed) { applied(changed); },
        [this](const QString& why) { notApplied_ << why; }));
}

void LibraryWindow::markUnsaved() {
    const std::vector<int> unsaved = unsavedEntries_ ? unsavedEntries_() : std::vector<int>{};
    model_->setUnsaved(std::set<int>(unsaved.begin(), unsaved.end()));
}

void LibraryWindow::applied(const std::vector<int>& entries) {
    for (int entry : entries)
        search_.update(state_.archive, entry);
    markUnsaved();
    for (int entry : entries)
        model_->entryChanged(entry);
    emit entriesEdited(entries);
}

void LibraryWindow::setAuthor_Click() {
    const std::vector<int> entries = chosenEntries();
    if (entries.empty())
        return;
    const std::optional<QString> author = dialogs_.askText(
        this, QStringLiteral("The author of the %1 selected scores:").arg(entries.size()));
    if (!author)
        return;
    const FieldText typed = toFieldText(*author);
    lettersNote->setText(typed.note);
    const std::string value = toCp1252(typed.text);
    setField(
        entries, LibraryColumn::Author, [&](const ScoreEntry&) { return value; },
        QStringLiteral("Set author"));
}

std::vector<std::pair<int, QString>> LibraryWindow::categoryChoices() const {
    std::vector<std::pair<int, QString>> choices;
    for (std::size_t n = 1; n < names_.size(); ++n) {
        if (!names_[n].empty())
            choices.emplace_back(static_cast<int>(n), fromCp1252(names_[n]));
    }
    return choices;
}

void LibraryWindow::setCategory_Click() {
    const std::vector<int> entries = chosenEntries();
    if (entries.empty())
        return;
    const std::vector<std::pair<int, QString>> choices = categoryChoices();
    QStringList items{QStringLiteral("(none)")};
    for (const auto& choice : choices)
        items << choice.second;
    const std::optional<int> picked = dialogs_.askItem(
        this, QStringLiteral("The category of the %1 selected scores:").arg(entries.size()), items);
    if (!picked)
        return;
    const std::string value =
        *picked == 0 ? "0" : std::to_string(choices[static_cast<std::size_t>(*picked - 1)].first);
    setField(
        entries, LibraryColumn::Category, [&](const ScoreEntry&) { return value; },
        QStringLiteral("Set category"));
}

// The tag typed for a bulk change of tags, trimmed; empty when called off or blank.
QString LibraryWindow::askTag(const QString& question) {
    const std::optional<QString> typed = dialogs_.askText(this, question);
    return typed ? typed->trimmed() : QString();
}

void LibraryWindow::addTag_Click() {
    const std::vector<int> entries = chosenEntries();
    if (entries.empty())
        return;
    // An added tag is written into the archive, as the stand's files can hold it.
    const FieldText typed = toFieldText(
        askTag(QStringLiteral("The tag to add to the %1 selected scores:").arg(entries.size())));
    lettersNote->setText(typed.note);
    const std::string tag = toCp1252(typed.text.trimmed());
    if (tag.empty())
        return;
    setField(
        entries, LibraryColumn::Tags,
        [&](const ScoreEntry& entry) { return tagsWith(entry.tags, tag); },
        QStringLiteral("Add tag"));
}

void LibraryWindow::removeTag_Click() {
    const std::vector<int> entries = chosenEntries();
    if (entries.empty())
        return;
    // A tag to remove is matched as typed: a value loaded from a file may hold any character.
    const std::string tag = toCp1252(askTag(
        QStringLiteral("The tag to remove from the %1 selected scores:").arg(entries.size())));
    if (tag.empty())
        return;
    setField(
        entries, LibraryColumn::Tags,
        [&](const ScoreEntry& entry) { return tagsWithout(entry.tags, tag); },
        QStringLiteral("Remove tag"));
}

// The program asks, removes and renumbers: every open window follows the new numbers.
void LibraryWindow::remove_Click() {
    const std::vector<int> entries = chosenEntries();
    if (!entries.empty())
        emit removeRequested(entries);
}

void LibraryWindow::merge_Click() {
    const std::vector<int> entries = selectedEntries();
    if (entries.size() < 2) {
        dialogs_.message(this, QStringLiteral("Select two or more scores to merge."));
        return;
    }
    QStringList items;
    for (int entry : entries) {
        const ScoreEntry& score = state_.archive.slot(entry);
        items << QStringLiteral("%1  %2 (%3)")
                     .arg(entry)
                     .arg(fromCp1252(score.title), fromCp1252(score.author));
    }
    const std::optional<int> kept = dialogs_.askItem(
        this, QStringLiteral("Keep which score? The others are merged into it."), items);
    if (kept && *kept >= 0 && *kept < static_cast<int>(entries.size()))
        emit mergeRequested(entries[static_cast<std::size_t>(*kept)], entries);
}

namespace {

// tracks with entries added at its end, before the part after the last comma ("#"); every
// other part stands as it was.
std::string tracksWith(const std::string& tracks, const std::vector<int>& entries) {
    const std::size_t comma = tracks.rfind(',');
    std::string added = comma == std::string::npos ? std::string() : tracks.substr(0, comma + 1);
    for (int entry : entries)
        added += std::to_string(entry) + ",";
    const std::string end = comma == std::string::npos ? tracks : tracks.substr(comma + 1);
    return added + (end.empty() ? std::string("#") : end);
}

} // namespace

// The selected scores, in the order of the rows, go to the end of a playlist of the file or of
// a new one; the file is written as the playlist window writes it.
void LibraryWindow::addToPlaylist_Click() {
    const std::vector<int> entries = selectedInRowOrder();
    if (entries.empty()) {
        dialogs_.message(this, QStringLiteral("Select the scores first."));
        return;
    }
    PlaylistStore store(state_.installation);
    if (store.read() == PlaylistFileState::Unreadable) {
        dialogs_.error(this, QStringLiteral("The playlist file %1 cannot be read, so nothing is "
                                            "added to it.\n%2")
                                 .arg(QDir::toNativeSeparators(toQtPath(store.path())),
                                      fromCoreText(store.readError())));
        return;
    }
    const QString newPlaylist = QStringLiteral("A new playlist…");
    QStringList items;
    for (const Playlist& playlist : store.playlists())
        items << fromCp1252(playlist.name);
    items << newPlaylist;
    const std::optional<int> picked = dialogs_.askItem(
        this, QStringLiteral("Add the %1 selected scores to which playlist?").arg(entries.size()),
        items);
    if (!picked || *picked < 0 || *picked >= items.size())
        return;
    std::optional<std::size_t> place;
    QString name = items[*picked];
    if (*picked < store.playlistCount()) {
        place = static_cast<std::size_t>(*picked);
    } else {
        const std::optional<QString> typed =
            dialogs_.askText(this, QStringLiteral("The name of the new playlist:"));
        if (!typed || typed->trimmed().isEmpty())
            return;
        name = typed->trimmed();
        if (!isSavablePlaylistName(toCp1252(name))) {
            dialogs_.message(this, QStringLiteral("A playlist cannot be named %1: the stand would "
                                                  "read it as the end of the playlist file.")
                                       .arg(name));
            return;
        }
    }
    addTracks(store, name, place, entries);
}

void LibraryWindow::addTracks(PlaylistStore& store, const QString& name,
                              std::optional<std::size_t> place, const std::vector<int>& entries) {
    std::optional<PlaylistPlace> replacing;
    std::string tracks = buildTrackString(entries);
    if (place) {
        const Playlist& asRead = store.playlists()[*place];
        tracks = tracksWith(asRead.tracks, entries);
        replacing = PlaylistPlace{*place, asRead};
        const std::size_t count = splitTrackString(asRead.tracks).size() + entries.size();
        if (count > static_cast<std::size_t>(PlaylistStore::kMaxTracks)) {
            dialogs_.message(this, QStringLiteral("The playlist %1 would hold %2 tracks: a "
                                                  "playlist holds at most %3.")
                                       .arg(name)
                                       .arg(count)
                                       .arg(PlaylistStore::kMaxTracks));
            return;
        }
    }
    // The playlist window reads the file again afterwards: what it would lose is asked first.
    const QString unsaved = playlistWork_ ? playlistWork_() : QString();
    if (!unsaved.isEmpty() &&
        !dialogs_.question(this,
                           QStringLiteral("Add them to the playlist %1? %2").arg(name, unsaved)))
        return;
    if (!maySaveOver(state_, dialogs_, this, DataFile::Playlists))
        return;
    KeepVersion keep;
    keep.what = "playlist";
    const PlaylistWriteResult written = store.writeBack(toCp1252(name), tracks, replacing, &keep);
    if (!written.written()) {
        QString why;
        switch (written.outcome) {
        case PlaylistWrite::TooMany:
            why = QStringLiteral("The playlist file already holds %1 playlists, as many as it "
                                 "can.")
                      .arg(store.playlistCount());
            break;
        case PlaylistWrite::FileUnreadable:
            why = QStringLiteral("The playlist file cannot be read, so it is not written over.");
            break;
        default:
            why = fromCoreText(written.error);
            break;
        }
        dialogs_.error(this,
                       QStringLiteral("Nothing was added to the playlist %1.\n%2").arg(name, why));
        return;
    }
    noteDataFile(state_, DataFile::Playlists);
    emit playlistsWritten();
    QString text =
        QStringLiteral("%1 scores were added to the playlist %2.").arg(entries.size()).arg(name);
    if (replacing && written.outcome == PlaylistWrite::Added)
        text = QStringLiteral("The playlist %1 was changed in the playlist file meanwhile, so "
                              "the %2 scores were saved as a new playlist after the others.")
                   .arg(name)
                   .arg(entries.size());
    dialogs_.message(this, text);
    reportVersionNotKept(state_, dialogs_, this, DataFile::Playlists, keep.notKept);
}

void LibraryWindow::export_Click() {
    const QString csv = QStringLiteral("CSV file, for spreadsheets (*.csv)");
    const QString pdf = QStringLiteral("PDF song list (*.pdf)");
    // The chooser opens where the last export went, in this run or an earlier one.
    const std::optional<std::pair<QString, QString>> chosen =
        dialogs_.askSaveFile(this, QStringLiteral("Export the scores shown"),
                             inLastFolder(kExportPicker, QStringLiteral("song list.pdf")),
                             pdf + QStringLiteral(";;") + csv);
    if (!chosen)
        return;
    const bool asCsv = chosen->second == csv ||
                       chosen->first.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    bool formulasGuarded = false;
    const FileResult written =
        asCsv ? writeCsv(chosen->first, formulasGuarded) : writePdf(chosen->first);
    if (!written.ok) {
        dialogs_.error(
            this, QStringLiteral("The song list could not be written to %1.\n%2")
                      .arg(QDir::toNativeSeparators(chosen->first), fromCoreText(written.error)));
        return;
    }
    keepLastFolder(kExportPicker, QFileInfo(chosen->first).absolutePath());
    QString text = QStringLiteral("%1 scores were written to %2.")
                       .arg(model_->rowCount())
                       .arg(QDir::toNativeSeparators(chosen->first));
    if (formulasGuarded)
        text += QStringLiteral(" Fields that a spreadsheet would take as formulas were written "
                               "with a leading '.");
    dialogs_.message(this, text);
}

// A field that a spreadsheet would run as a formula (a received stand may hold
// "=HYPERLINK(...)") is written with a leading ', which makes it text.
FileResult LibraryWindow::writeCsv(const QString& file, bool& formulasGuarded) const {
    QString text = QString(QChar(0xFEFF));
    QStringList heading;
    for (int c = 0; c < kLibraryColumns; ++c)
        heading << csvField(LibraryModel::columnTitle(static_cast<LibraryColumn>(c)));
    text += heading.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (int entry : model_->rows()) {
        QStringList fields;
        for (int c = 0; c < kLibraryColumns; ++c) {
            QString cell = model_->cellText(entry, static_cast<LibraryColumn>(c));
            if (readAsFormula(cell)) {
                cell.prepend(QLatin1Char('\''));
                formulasGuarded = true;
            }
            fields << csvField(cell);
        }
        text += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    const QByteArray bytes = text.toUtf8();
    return rewriteAtomically(
        toFilePath(file),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// The document is made in memory and replaces the file only once it is whole, as the CSV does.
FileResult LibraryWindow::writePdf(const QString& file) const {
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    if (!drawSongList(document))
        return FileResult::failure("The song list could not be drawn.");
    const QByteArray& bytes = document.data();
    return rewriteAtomically(
        toFilePath(file),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// A4 pages of title, author and number under a heading that names the stand, the date and
// what chose the rows; each page numbered at its foot. A long title or author wraps onto
// further lines of its row, never cut.
bool LibraryWindow::drawSongList(QIODevice& device) const {
    QPdfWriter writer(&device);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(40, 40, 40, 40), QPageLayout::Point);
    writer.setTitle(QStringLiteral("Song list"));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const QRect area = painter.viewport();
    QFont font(QStringLiteral("Verdana"), 10);
    painter.setFont(font);
    const int line = painter.fontMetrics().height() + 4;
    const int titleWidth = area.width() * 55 / 100;
    const int authorWidth = area.width() * 33 / 100;
    const int numberWidth = area.width() - titleWidth - authorWidth;
    int page = 1;
    int y = 0;
    const auto footer = [&] {
        painter.drawText(QRect(0, area.height() - line, area.width(), line), Qt::AlignCenter,
                         QString::number(page));
    };
    // The first page opens with what the list is: the stand, the date, the "Show" choice and
    // the filter.
    const auto listHeading = [&] {
        QFont large = font;
        large.setPointSize(14);
        large.setBold(true);
        painter.setFont(large);
        const QString title = QStringLiteral("Song list of %1").arg(standName_);
        const QRect titleRect = painter.boundingRect(QRect(0, 0, area.width(), area.height()),
                                                     Qt::AlignLeft | Qt::TextWordWrap, title);
        painter.drawText(titleRect, Qt::AlignLeft | Qt::TextWordWrap, title);
        painter.setFont(font);
        QStringList chosen{QLocale().toString(QDate::currentDate(), QLocale::LongFormat),
                           QStringLiteral("Show: %1").arg(showChoice->currentText())};
        if (!filterText->text().trimmed().isEmpty())
            chosen << QStringLiteral("Filter: %1").arg(filterText->text().trimmed());
        chosen << QStringLiteral("%1 scores").arg(model_->rowCount());
        const QString what = chosen.join(QStringLiteral(" · "));
        const QRect whatRect =
            painter.boundingRect(QRect(0, titleRect.bottom() + 4, area.width(), area.height()),
                                 Qt::AlignLeft | Qt::TextWordWrap, what);
        painter.drawText(whatRect, Qt::AlignLeft | Qt::TextWordWrap, what);
        y = whatRect.bottom() + line;
    };
    const auto heading = [&] {
        QFont bold = font;
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(QRect(0, y, titleWidth, line), Qt::AlignLeft, QStringLiteral("Title"));
        painter.drawText(QRect(titleWidth, y, authorWidth, line), Qt::AlignLeft,
                         QStringLiteral("Author"));
        painter.drawText(QRect(titleWidth + authorWidth, y, numberWidth, line), Qt::AlignRight,
                         QStringLiteral("Number"));
        painter.setFont(font);
        y += line + 4;
    };
    constexpr int kWrapped = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    listHeading();
    heading();
    for (int entry : model_->rows()) {
        const QString title = model_->cellText(entry, LibraryColumn::Title);
        const QString author = model_->cellText(entry, LibraryColumn::Author);
        const QRect titleRect =
            painter.boundingRect(QRect(0, 0, titleWidth - 8, area.height()), kWrapped, title);
        const QRect authorRect =
            painter.boundingRect(QRect(0, 0, authorWidth - 8, area.height()), kWrapped, author);
        const int height = std::max({line, titleRect.height() + 4, authorRect.height() + 4});
        if (y + height + line > area.height()) {
            footer();
            writer.newPage();
            ++page;
            y = 0;
            heading();
        }
        painter.drawText(QRect(0, y, titleWidth - 8, height), kWrapped, title);
        painter.drawText(QRect(titleWidth, y, authorWidth - 8, height), kWrapped, author);
        painter.drawText(QRect(titleWidth + authorWidth, y, numberWidth, line), Qt::AlignRight,
                         QString::number(entry));
        y += height;
    }
    footer();
    return painter.end();
}

void LibraryWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Coming back to the window lists the pages and recordings again: another window, or another
// program, may have changed them meanwhile.
void LibraryWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !factsPending_)
        refreshFacts();
    QWidget::changeEvent(event);
}

} // namespace folio
