// The absorption window's controls and handlers.
#include "windows/merging/merging_window.h"

#include "core/absorption/absorption_undo.h"
#include "platform/core_text.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/look.h"
#include "platform/marking_list.h"
#include "platform/widgets.h"
#include "windows/common/changed_elsewhere.h"
#include "windows/common/page_decoding.h"
#include "windows/common/shared_state.h"
#include "windows/common/version_notice.h"
#include "windows/merging/merging_host.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <algorithm>
#include <unordered_set>

namespace folio {
namespace {

constexpr QSize kClientSize{738, 553};
constexpr QSize kPreviewFrame{385, 529};
// Pages listed by name in the completion message; the rest are counted.
constexpr std::size_t kListedPages = 5;
const QColor kAlreadyHereText{0x90, 0x90, 0x90};

QString completionText() {
    return QStringLiteral(
        "The merger of the archives has been completed. You will find the newly added songs, "
        "in your Folioscribe, at the end of your archive. From there you can edit the "
        "corresponding information (title, authors and tags) according to your needs.");
}

QString shownArchive(const std::filesystem::path& folder) {
    return toShownPath(sourceArchivePath(folder));
}

std::string titleAndAuthor(const ScoreEntry& entry) {
    return entry.title + '\0' + entry.author;
}

// The title and author of every entry of the archive.
std::unordered_set<std::string> titlesHere(const ScoreArchive& archive) {
    std::unordered_set<std::string> here;
    for (int n = 1; n <= archive.entryCount(); ++n)
        here.insert(titleAndAuthor(archive.slot(n)));
    return here;
}

QString markedText(qsizetype marked) {
    return marked == 1 ? QStringLiteral("1 score is marked.")
                       : QStringLiteral("%1 scores are marked.").arg(marked);
}

// A list of reasons, the first few in full and the rest counted.
QString listed(const QStringList& lines) {
    QString text;
    for (qsizetype i = 0; i < lines.size() && i < static_cast<qsizetype>(kListedPages); ++i)
        text += QStringLiteral("\n") + lines[i];
    if (lines.size() > static_cast<qsizetype>(kListedPages))
        text += QStringLiteral("\n… and %1 more.").arg(lines.size() - kListedPages);
    return text;
}

// The pages left out, the first few by name. The reasons about unnamed pages quote the
// other archive's values, which are Windows-1252 text; the others name files, in UTF-8.
QString uncopiedText(const std::vector<UncopiedPage>& unnamed,
                     const std::vector<UncopiedPage>& uncopied) {
    QStringList reasons;
    for (const UncopiedPage& page : unnamed)
        reasons << fromCp1252(page.reason);
    for (const UncopiedPage& page : uncopied)
        reasons << fromCoreText(page.reason);
    const std::size_t pages = 2 * unnamed.size() + uncopied.size();
    return QStringLiteral("\n\n%1 page(s) could not be copied; those scores were absorbed "
                          "without them:")
               .arg(pages) +
           listed(reasons);
}

// The files that lay under the new scores' names: where they went, or why they stayed.
QString movedAsideText(const Attachment& attached, const std::filesystem::path& root) {
    const auto shown = [&root](const std::filesystem::path& file) {
        return toShownPath(file.lexically_relative(root));
    };
    QString text;
    if (!attached.movedAside.empty()) {
        QStringList names;
        for (const MovedAside& moved : attached.movedAside)
            names << shown(moved.from);
        text += QStringLiteral("\n\n%1 file(s) already lay under the new scores' names and "
                               "belong to none of them; they were moved aside, unchanged, to %2:")
                    .arg(attached.movedAside.size())
                    .arg(shown(attached.backupFolder)) +
                listed(names);
    }
    if (!attached.notMovedAside.empty()) {
        QStringList reasons;
        for (const UncopiedPage& file : attached.notMovedAside)
            reasons << fromCoreText(file.reason);
        text += QStringLiteral("\n\n%1 file(s) under the new scores' names were not attached "
                               "by the absorption and are not theirs; remove them yourself:")
                    .arg(attached.notMovedAside.size()) +
                listed(reasons);
    }
    return text;
}

} // namespace

merging::merging(SharedState& state, Dialogs& dialogs, MergingHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), dialogs_(dialogs), host_(host) {
    setObjectName(QStringLiteral("merging"));
    setWindowTitle(QStringLiteral("Merging"));
    buildControls();
    Form_Load();
}

void merging::buildControls() {
    setFixedSize(kClientSize);
    look::setWhiteBackground(this);

    Label1 = place<QLabel>(this, "Label1", {32, 24, 289, 33});
    Label1->setText(QStringLiteral("Select the scores to absorb"));
    Label1->setAlignment(Qt::AlignCenter);
    // The list gives up the foot of its height to the count of marked rows beneath it.
    List1 = place<MarkingList>(this, "List1", {8, 80, 337, 377});
    List1->setUniformItemSizes(true);
    for (QWidget* widget : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(List1)})
        look::styleBlueText(widget, 15);
    markedStatus = place<QLabel>(this, "markedStatus", {8, 461, 337, 29});
    markedStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    look::styleBlueText(markedStatus, 12);

    Image1 = place<QLabel>(this, "Image1", {352, 16, 385, 529});
    Image1->setAlignment(Qt::AlignCenter);

    Command1 = place<QPushButton>(this, "Command1", {8, 496, 145, 49}, QStringLiteral("Esc"));
    Command2 = place<QPushButton>(this, "Command2", {200, 496, 145, 49}, QStringLiteral("Absorb"));
    for (QPushButton* button : {Command1, Command2})
        look::styleButton(button, 12);

    setTabOrder(List1, Command2);
    setTabOrder(Command2, Command1);

    connect(List1, &QListWidget::currentRowChanged, this, &merging::List1_Click);
    connect(List1, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { List1_Click(List1->row(item)); });
    connect(List1, &QListWidget::itemSelectionChanged, this, &merging::showMarkedCount);
    connect(Command1, &QPushButton::clicked, this, &merging::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &merging::Command2_Click);
}

void merging::Form_Load() {
    folder_ = state_.mergeSourceFolder;
    const SourceLoad load =
        folder_.empty() ? SourceLoad::Missing : loadSourceArchive(folder_, source_);
    if (folder_.empty())
        source_ = SourceArchive{};

    QStringList titles;
    titles.reserve(static_cast<qsizetype>(source_.entries.size()));
    for (const ScoreEntry& entry : source_.entries)
        titles << fromCp1252(entry.title);
    {
        QSignalBlocker quiet(List1);
        List1->clear();
        List1->addItems(titles);
    }
    Image1->clear();
    previewedRow_ = -1;
    showAlreadyHere();
    showMarkedCount();
    Command2->setEnabled(!source_.entries.empty());
    reportLoad(load);
}

void merging::reportLoad(SourceLoad load) {
    const QString file = shownArchive(folder_);
    switch (load) {
    case SourceLoad::Missing:
        dialogs_.error(this, QStringLiteral("There is no archive %1, so there is nothing to "
                                            "absorb. Choose the other installation's folder, the "
                                            "one that holds its spartiti folder.")
                                 .arg(file));
        break;
    case SourceLoad::Unreadable:
        dialogs_.error(this, QStringLiteral("The archive %1 cannot be read, so there is nothing to "
                                            "absorb.\n%2")
                                 .arg(file, fromCoreText(source_.loadError)));
        break;
    case SourceLoad::Empty:
        dialogs_.error(this, QStringLiteral("The archive %1 holds no scores, so there is nothing "
                                            "to absorb.")
                                 .arg(file));
        break;
    case SourceLoad::Loaded:
        if (source_.truncated())
            dialogs_.message(this, QStringLiteral("The archive %1 holds %2 scores. Only the first "
                                                  "%3 are listed and can be absorbed.")
                                       .arg(file)
                                       .arg(source_.entriesInFile)
                                       .arg(SourceArchive::kCapacity));
        break;
    }
}

// Rows whose title and author are already an entry of this archive look different, so that
// the musician need not absorb a score twice. Nothing else changes for them.
void merging::showAlreadyHere() {
    const std::unordered_set<std::string> here = titlesHere(state_.archive);
    const QString tip = QStringLiteral("Already in your archive");
    for (int row = 0; row < List1->count(); ++row) {
        QListWidgetItem* item = List1->item(row);
        const bool present =
            here.count(titleAndAuthor(source_.entries[static_cast<std::size_t>(row)]));
        QFont font = List1->font();
        font.setItalic(present);
        item->setFont(font);
        item->setForeground(present ? QBrush(kAlreadyHereText) : QBrush());
        item->setToolTip(present ? tip : QString());
    }
}

// Shows the left page that absorbing the row copies: the one its number field names, and only
// a plain file of the other installation, never a link or a pipe.
void merging::List1_Click(int row) {
    // A click on another row raises both the change of row and the click: one decode is enough.
    if (row == previewedRow_ && !Image1->pixmap().isNull())
        return;
    previewedRow_ = row;
    Image1->clear();
    if (row < 0 || static_cast<std::size_t>(row) >= source_.entries.size())
        return;
    const std::optional<std::filesystem::path> file =
        previewPage(folder_, source_.entries[static_cast<std::size_t>(row)]);
    if (!file)
        return;
    const QImage page = decodePage(*file, kPreviewFrame);
    if (!page.isNull())
        Image1->setPixmap(QPixmap::fromImage(page));
}

void merging::showMarkedCount() {
    markedStatus->setText(markedText(List1->markedCount()));
}

// The question names what a Yes adds, so that a second absorption of the same scores shows.
QString merging::absorbQuestion(const std::vector<ScoreEntry>& marked) const {
    QString text = QStringLiteral("The selected tracks will be added to your archive. You want "
                                  "to proceed?\n") +
                   markedText(static_cast<qsizetype>(marked.size()));
    const std::unordered_set<std::string> here = titlesHere(state_.archive);
    const auto present = std::count_if(marked.begin(), marked.end(), [&](const ScoreEntry& entry) {
        return here.count(titleAndAuthor(entry)) > 0;
    });
    if (present == 1)
        text += QStringLiteral(" 1 of them is already in your archive.");
    else if (present > 1)
        text += QStringLiteral(" %1 of them are already in your archive.").arg(present);
    return text;
}

bool merging::mayAbsorb(std::size_t markedCount) {
    if (!state_.archiveWritable) {
        dialogs_.error(this, QStringLiteral("This installation's archive spartiti/archivio.js "
                                            "could not be read whole, so it must not be written: "
                                            "nothing was absorbed."));
        return false;
    }
    const int room = roomLeft(state_.archive);
    if (markedCount > static_cast<std::size_t>(room)) {
        dialogs_.error(this, QStringLiteral("Your archive holds %1 titles and can hold at most %2. "
                                            "%3 of the %4 marked scores can still be absorbed: "
                                            "nothing was absorbed.")
                                 .arg(state_.archive.entryCount())
                                 .arg(ScoreArchive::kMaxEntries)
                                 .arg(room)
                                 .arg(markedCount));
        return false;
    }
    return true;
}

void merging::Command2_Click() {
    std::vector<int> rows;
    for (const QModelIndex& index : List1->selectionModel()->selectedIndexes())
        rows.push_back(index.row());
    const std::vector<ScoreEntry> marked = collectMarked(source_, rows);
    if (!host_.settleTypedAfterLast() || !mayAbsorb(marked.size()))
        return;
    if (!dialogs_.questionDefaultNo(this, absorbQuestion(marked)))
        return;
    // Right before it writes, as every command that rewrites the archive.
    if (!maySaveOver(state_, dialogs_, this, DataFile::Archive))
        return;

    const std::string stamp = backupStamp(localTimeNow());
    const Absorption done =
        appendAndWrite(state_.archive, state_.installation, folder_, marked, stamp);
    if (done.outcome != Absorption::Outcome::Appended) {
        dialogs_.error(this, QStringLiteral("Nothing was absorbed: the archive could not be "
                                            "written.\n%1")
                                 .arg(fromCoreText(done.error)));
        return;
    }
    const Attachment attached = attachWithProgress(done, stamp);
    // What the absorption did goes beside the archive it replaced, for "Undo last absorption";
    // without it the absorption stands, and only a restore of the archive goes back.
    const FileResult recorded = recordAbsorption(state_.installation, done, attached);
    QString text = completionText();
    if (!done.unnamed.empty() || !attached.uncopied.empty())
        text += uncopiedText(done.unnamed, attached.uncopied);
    text += movedAsideText(attached, state_.installation.root());
    if (!recorded.ok)
        text += QStringLiteral("\n\nWhat the absorption did could not be recorded, so \"Undo "
                               "last absorption\" is not available for it; \"Restore…\" can "
                               "still put back the archive as it was.\n%1")
                    .arg(fromCoreText(recorded.error));
    // The absorbed rows are unmarked, so that "Absorb" and Enter cannot take them in twice.
    List1->clearSelection();
    dialogs_.message(this, text);
    reportVersionNotKept(state_, dialogs_, this, DataFile::Archive, done.versionNotKept);
    host_.reopenMainWindow();
    showAlreadyHere();
}

// Copying many pages shows its progress once it takes longer than half a second. Meanwhile
// no window of the program takes input: the main window is rebuilt from the archive file once
// the copies end, so anything typed into it now would be lost.
Attachment merging::attachWithProgress(const Absorption& done, const std::string& stamp) {
    QProgressDialog progress(QStringLiteral("Copying the pages of the absorbed scores…"), QString(),
                             0, static_cast<int>(done.copies.size()), this);
    progress.setObjectName(QStringLiteral("copyProgress"));
    progress.setWindowTitle(QStringLiteral("Merging"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(progressDelayMs_);
    progress.setCancelButton(nullptr);
    progress.setAutoClose(false);
    return attachFiles(done, state_.installation, stamp,
                       [&](std::size_t copied) { progress.setValue(static_cast<int>(copied)); });
}

void merging::Command1_Click() {
    close();
}

void merging::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Command1_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace folio
