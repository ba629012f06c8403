// Removing and merging scores from the windows: the question that names everything a removal
// changes, the removal with its progress, every open window renumbered after it, its undo, and
// a removal stopped part-way settled when the stand opens.
#include "app/program_windows.h"
#include "app/reference_texts.h"
#include "core/absorption/absorption_undo.h"
#include "core/files/read_limits.h"
#include "platform/core_text.h"
#include "platform/cp1252.h"
#include "platform/dialogs.h"
#include "platform/widgets.h"
#include "windows/common/changed_elsewhere.h"
#include "windows/common/shared_state.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>

namespace folio {
namespace {

// Titles named one a line; a long list names the first ones and counts the rest.
constexpr int kScoresNamed = 15;

QString scoreLines(const ScoreArchive& archive, const std::vector<int>& entries) {
    QStringList lines;
    for (int entry : entries) {
        if (lines.size() == kScoresNamed) {
            lines << QStringLiteral("  and %1 more").arg(entries.size() - kScoresNamed);
            break;
        }
        lines << QStringLiteral("  %1: %2").arg(entry).arg(fromCp1252(archive.slot(entry).title));
    }
    return lines.join(QLatin1Char('\n'));
}

// "Scores 13 to 600 become 12 to 599", or nothing when no score moves.
QString movedText(const RemovalPlan& plan) {
    const int first = plan.firstMoved();
    if (first == 0)
        return {};
    return QStringLiteral("Scores %1 to %2 become %3 to %4; the playlists and MIDI set-ups "
                          "follow them.")
        .arg(first)
        .arg(plan.entryCount)
        .arg(*plan.newNumber(first))
        .arg(plan.countAfter());
}

// The score number before the removal that is number after it.
int numberBefore(const RemovalPlan& plan, int after) {
    for (int entry = after; entry <= plan.entryCount; ++entry) {
        if (plan.newNumber(entry) == after)
            return entry;
    }
    return after;
}

// The score the main window shows after the removal: the same score, or the one that takes the
// place of a score taken out.
int numberAfter(const RemovalPlan& plan, int before) {
    if (const std::optional<int> now = plan.newNumber(before))
        return *now;
    const auto earlier = std::lower_bound(plan.removed.begin(), plan.removed.end(), before);
    const int now = before - static_cast<int>(earlier - plan.removed.begin());
    return std::clamp(now, 1, std::max(plan.countAfter(), 1));
}

// The steps a removal's journal will list, at most: its progress runs to this.
int stepsAtMost(const RemovalPlan& plan) {
    return 6 + 3 * (plan.entryCount - plan.removed.front() + 1);
}

// Runs a removal's steps with a progress dialog that shows once it takes long; the other
// windows take no input meanwhile.
template <typename Run> RemovalReport withProgress(QWidget* parent, int steps, Run run) {
    QProgressDialog progress(QStringLiteral("Removing scores…"), QString(), 0, steps, parent);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(500);
    const RemovalStepGate gate = [&progress, steps](std::size_t step) {
        progress.setValue(std::min(static_cast<int>(step), steps));
        return true;
    };
    return run(gate);
}

QString backupText(const SharedState& state, const std::filesystem::path& folder) {
    return toShownPath(folder.lexically_relative(state.installation.root()));
}

} // namespace

std::optional<UndoOffer> ProgramWindows::removalUndoOffer() const {
    const std::optional<RemovalJournal> removal = lastRemoval(state_.installation);
    if (!removal || removal->rolledBack || !removal->finished)
        return std::nullopt;
    const LastAbsorption absorption = lastAbsorption(state_.installation);
    // Backup folders are named by their time: the later name is the newer change.
    if (absorption.state != UndoState::None &&
        absorption.version.folder.filename().string() > removal->folder.filename().string())
        return std::nullopt;
    const FileRead now =
        readWholeFile(dataFilePath(state_.installation, DataFile::Archive), kArchiveFileLimit);
    if (!now.ok() || fingerprint(now.bytes) != removal->wrote)
        return UndoOffer{false,
                         QStringLiteral("The archive was saved after the last removal: "
                                        "\"Restore…\" puts back an earlier version of it."),
                         false, true};
    return UndoOffer{true,
                     QStringLiteral("Puts back score(s) %1 and every file the last removal "
                                    "renumbered.")
                         .arg(entryNumbersText(removal->plan.removed)),
                     false, true};
}

bool ProgramWindows::mayRemoveNow(QWidget* parent) {
    if (state_.readOnly || !state_.archiveWritable) {
        dialogs_.error(parent, QStringLiteral("The archive cannot be written now, so no score "
                                              "can be removed."));
        return false;
    }
    if (scoreImport_ && scoreImport_->importing()) {
        dialogs_.message(parent, QStringLiteral("Scores can be removed once the import has "
                                                "ended."));
        return false;
    }
    if (!mainWindow_ || !mainWindow_->hasUnsavedChanges())
        return true;
    if (dialogs_.choose(parent,
                        QStringLiteral("The archive has unsaved changes. They are saved before "
                                       "scores are removed."),
                        {QStringLiteral("Save"), QStringLiteral("Cancel")}) != 0)
        return false;
    mainWindow_->Command1->click();
    return !mainWindow_->hasUnsavedChanges();
}

QString ProgramWindows::unsavedReferenceWork() const {
    return (unsavedWork(DataFile::Playlists) + QLatin1Char(' ') + unsavedWork(DataFile::Midi))
        .trimmed();
}

void ProgramWindows::removeScores(const std::vector<int>& entries) {
    QWidget* parent = library_ && library_->isActiveWindow() ? static_cast<QWidget*>(library_)
                                                             : static_cast<QWidget*>(mainWindow_);
    if (!mayRemoveNow(parent))
        return;
    std::string why;
    const std::optional<RemovalPlan> plan = planRemoval(state_.archive.entryCount(), entries, why);
    if (!plan) {
        dialogs_.error(parent, fromCoreText(why));
        return;
    }
    const EntryReferences references = referencesGone(state_.installation, plan->renumbering());
    QString text = QStringLiteral("Remove these scores from the archive?\n%1")
                       .arg(scoreLines(state_.archive, plan->removed));
    if (!references.playlists.empty())
        text += QStringLiteral("\n\nThe playlists that hold them lose these tracks: %1.")
                    .arg(playlistTracksText(references.playlists));
    if (!references.midiEntries.empty())
        text += QStringLiteral("\nThe MIDI set-ups of scores %1 are dropped.")
                    .arg(entryNumbersText(references.midiEntries));
    if (const QString moved = movedText(*plan); !moved.isEmpty())
        text += QStringLiteral("\n\n") + moved;
    text += QStringLiteral("\n\n\"Undo last removal\" puts every file back.");
    if (const QString unsaved = unsavedReferenceWork(); !unsaved.isEmpty())
        text += QStringLiteral("\n\n") + unsaved;
    if (!dialogs_.questionDefaultNo(parent, text))
        return;
    removePlanned(parent, *plan, {},
                  QStringLiteral("Removed score(s) %1.").arg(entryNumbersText(plan->removed)));
}

void ProgramWindows::mergeScores(int kept, const std::vector<int>& entries) {
    QWidget* parent = library_;
    if (!mayRemoveNow(parent))
        return;
    std::vector<int> others = entries;
    std::erase(others, kept);
    std::string why;
    const std::optional<RemovalPlan> plan = planRemoval(state_.archive.entryCount(), others, why);
    if (!plan || !ScoreArchive::isEntryNumber(kept) || kept > state_.archive.entryCount()) {
        dialogs_.error(parent, fromCoreText(why));
        return;
    }
    const MergeReferences merge = mergeReferences(state_.installation, kept, plan->removed);
    std::vector<int> setUpsDropped =
        referencesGone(state_.installation, plan->renumbering()).midiEntries;
    std::erase(setUpsDropped, merge.setUpFrom);
    QString text = QStringLiteral("Merge these scores into score %1, %2?\n%3")
                       .arg(kept)
                       .arg(fromCp1252(state_.archive.slot(kept).title),
                            scoreLines(state_.archive, plan->removed));
    if (!merge.tracks.empty())
        text += QStringLiteral("\n\nThe tracks that name them will name score %1: %2.")
                    .arg(kept)
                    .arg(playlistTracksText(merge.tracks));
    if (merge.setUpFrom != 0)
        text += QStringLiteral("\nThe MIDI set-up of score %1 moves to score %2, which has none.")
                    .arg(merge.setUpFrom)
                    .arg(kept);
    if (!setUpsDropped.empty())
        text += QStringLiteral("\nThe MIDI set-ups of scores %1 are dropped.")
                    .arg(entryNumbersText(setUpsDropped));
    text += QStringLiteral("\n\nThen they are removed from the archive.");
    if (const QString moved = movedText(*plan); !moved.isEmpty())
        text += QLatin1Char(' ') + moved;
    if (const QString unsaved = unsavedReferenceWork(); !unsaved.isEmpty())
        text += QStringLiteral("\n\n") + unsaved;
    if (!dialogs_.questionDefaultNo(parent, text))
        return;
    // The tracks and the set-up are re-pointed in the removal's own transaction: its undo puts
    // playlist.js and midi.js back as they were before the merge.
    RemovalPlan merging = *plan;
    merging.mergedInto = kept;
    removePlanned(parent, merging, {kept},
                  QStringLiteral("Merged score(s) %1 into score %2.")
                      .arg(entryNumbersText(plan->removed))
                      .arg(kept));
}

void ProgramWindows::removePlanned(QWidget* parent, const RemovalPlan& plan,
                                   const std::vector<int>& selected, const QString& intro) {
    for (DataFile file : {DataFile::Archive, DataFile::Playlists, DataFile::Midi}) {
        if (!maySaveOver(state_, dialogs_, parent, file))
            return;
    }
    const int shown = state_.currentEntryNumber;
    const RemovalReport report =
        withProgress(parent, stepsAtMost(plan), [&](const RemovalStepGate& gate) {
            return folio::removeScores(state_.installation, plan, backupStamp(localTimeNow()),
                                       gate);
        });
    if (!report.ok) {
        dialogs_.error(parent, QStringLiteral("No score was removed, and every file is as it "
                                              "was.\n%1")
                                   .arg(fromCoreText(report.error)));
        return;
    }
    std::vector<int> selectedAfter;
    for (int entry : selected) {
        if (const std::optional<int> now = plan.newNumber(entry))
            selectedAfter.push_back(*now);
    }
    showRenumbered(numberAfter(plan, shown), selectedAfter);
    QString text = intro;
    if (const QString moved = movedText(plan); !moved.isEmpty())
        text += QLatin1Char(' ') + moved;
    if (!report.referencesGone.playlists.empty())
        text += QStringLiteral("\n\nTaken out of the playlists: %1.")
                    .arg(playlistTracksText(report.referencesGone.playlists));
    if (!report.referencesGone.midiEntries.empty())
        text += QStringLiteral("\nMIDI set-ups dropped: %1.")
                    .arg(entryNumbersText(report.referencesGone.midiEntries));
    text += QStringLiteral("\n\nTheir pages and recordings are kept in %1; \"Undo last removal\" "
                           "puts every file back.")
                .arg(backupText(state_, report.folder));
    dialogs_.message(parent, text);
    if (!report.error.empty())
        dialogs_.error(parent, fromCoreText(report.error));
}

void ProgramWindows::showRenumbered(int shown, const std::vector<int>& selected) {
    for (DataFile file : {DataFile::Archive, DataFile::Playlists, DataFile::Midi})
        noteDataFile(state_, file);
    if (mainWindow_) {
        mainWindow_->reload();
        mainWindow_->VScroll1->setValue(shown);
        mainWindow_->updateUndoCommand();
    }
    showRestored(DataFile::Playlists);
    showRestored(DataFile::Midi);
    if (library_) {
        library_->archiveChanged();
        library_->selectEntries(selected.empty() ? std::vector<int>{state_.currentEntryNumber}
                                                 : selected);
    }
}

void ProgramWindows::undoLastRemoval() {
    QWidget* parent = mainWindow_;
    const std::optional<RemovalJournal> removal = lastRemoval(state_.installation);
    if (!removal)
        return;
    const RemovalPlan& plan = removal->plan;
    QString text = QStringLiteral("Undo the last removal? Score(s) %1 come back under their "
                                  "numbers, and every page, recording, playlist track and MIDI "
                                  "set-up is put back as it was before it.")
                       .arg(entryNumbersText(plan.removed));
    const QString unsaved = ((mainWindow_ ? mainWindow_->unsavedChangesText() : QString()) +
                             QLatin1Char(' ') + unsavedReferenceWork())
                                .trimmed();
    if (!unsaved.isEmpty())
        text += QStringLiteral("\n\n") + unsaved;
    if (!dialogs_.question(parent, text))
        return;
    // The archive needs no question: the undo goes ahead only while it is what the removal wrote.
    if (!maySaveOver(state_, dialogs_, parent, DataFile::Playlists) ||
        !maySaveOver(state_, dialogs_, parent, DataFile::Midi))
        return;
    const int shown = numberBefore(plan, state_.currentEntryNumber);
    const RemovalReport report = rollBackRemoval(state_.installation, *removal);
    if (!report.ok) {
        dialogs_.error(
            parent,
            QStringLiteral("The last removal was not undone.\n%1").arg(fromCoreText(report.error)));
        showRenumbered(state_.currentEntryNumber, {});
        return;
    }
    showRenumbered(shown, plan.removed);
    dialogs_.message(parent, QStringLiteral("The removal of score(s) %1 was undone: every file is "
                                            "back as it was before it.")
                                 .arg(entryNumbersText(plan.removed)));
}

void ProgramWindows::settleUnfinishedRemoval() {
    const std::optional<RemovalJournal> removal = unfinishedRemoval(state_.installation);
    if (!removal)
        return;
    QWidget* parent = standParent();
    const QString what = QStringLiteral("The removal of score(s) %1 stopped after %2 of its %3 "
                                        "steps, before it ended.")
                             .arg(entryNumbersText(removal->plan.removed))
                             .arg(removal->done)
                             .arg(removal->steps.size());
    if (state_.readOnly) {
        dialogs_.message(parent, what + QStringLiteral(" The stand is open read-only, so it is "
                                                       "left as it is."));
        return;
    }
    const int choice = dialogs_.choose(
        parent, what + QStringLiteral(" Complete it, or put every file back as it was before it?"),
        {QStringLiteral("Complete the removal"), QStringLiteral("Put every file back")});
    const bool complete = choice == 0;
    const RemovalReport report =
        complete ? withProgress(parent, static_cast<int>(removal->steps.size()),
                                [&](const RemovalStepGate& gate) {
                                    return completeRemoval(state_.installation, *removal, gate);
                                })
                 : rollBackRemoval(state_.installation, *removal);
    if (!report.ok) {
        dialogs_.error(
            parent, QStringLiteral("The removal could not be %1.\n%2")
                        .arg(complete ? QStringLiteral("completed") : QStringLiteral("rolled back"),
                             fromCoreText(report.error)));
        return;
    }
    dialogs_.message(parent, complete ? QStringLiteral("The removal was completed: score(s) %1 "
                                                       "are out of the archive.")
                                            .arg(entryNumbersText(removal->plan.removed))
                                      : QStringLiteral("Every file is back as it was before the "
                                                       "removal."));
}

} // namespace folio
