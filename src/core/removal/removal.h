// Taking scores out of the archive. The entries run 1 to the entry count without gaps, and an
// entry's number names its pages, its recording, its playlist tracks and its MIDI set-up: so a
// removal renumbers everything after the scores it takes out. It is one transaction, with a
// journal in its backup folder that lists every step before the first is made; a removal stopped
// part-way (a crash, a power loss) is completed or rolled back from its journal.
#pragma once

#include "core/absorption/entry_references.h"
#include "core/archive/renumbering.h"
#include "core/files/file_ops.h"
#include "core/files/installation.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace folio {

// The scores taken out of an archive of entryCount entries.
struct RemovalPlan {
    std::vector<int> removed; // sorted, each once
    int entryCount = 0;       // before the removal
    // The score the removed ones are merged into, 0 for a plain removal: the tracks that name a
    // removed score name it instead, and it takes the first MIDI set-up of the removed ones (in
    // file order) when it has none. That happens in the same transaction as the removal, so that
    // its rollback puts playlist.js and midi.js back as they were before the merge.
    int mergedInto = 0;

    // The entry's number afterwards: one less for every score taken out before it; nothing for
    // a score taken out.
    std::optional<int> newNumber(int entry) const;
    EntryRenumbering renumbering() const;
    // The first entry whose number changes, 0 when none does: the scores from it to entryCount
    // move down.
    int firstMoved() const;
    // The entry count afterwards.
    int countAfter() const { return entryCount - static_cast<int>(removed.size()); }
};

// The plan for taking removed out of an archive of entryCount entries: nothing when a number is
// not an entry or none is given, with the reason in why.
std::optional<RemovalPlan> planRemoval(int entryCount, std::vector<int> removed, std::string& why);

// One step of a removal, as its journal names it.
struct RemovalStep {
    enum class Kind {
        Keep,   // a version of a data file is kept: from is "archivio.js", "playlist.js" or
                // "midi.js"
        Aside,  // a page or recording of a score taken out is moved into the removal's folder:
                // from is its name ("spartiti\13L.jpg"), to its name there ("removed\13L.jpg")
        Rename, // a later score's file moves down: from and to are names ("spartiti\15L.jpg")
        Write   // a data file is rewritten renumbered: from is its file name
    };
    Kind kind = Kind::Keep;
    std::string from;
    std::string to;

    bool operator==(const RemovalStep&) const = default;
};

// Where a removal stands, from its journal and the files.
struct RemovalJournal {
    RemovalPlan plan;
    std::vector<RemovalStep> steps;
    std::filesystem::path folder;
    // How many steps are done, from the start.
    std::size_t done = 0;
    bool finished = false;   // ran through
    bool rolledBack = false; // every file put back
    // The fingerprint of the archivio.js it wrote, once finished.
    std::string wrote;
    // Where the versions of playlist.js and midi.js went ("" for none kept).
    std::string playlistVersion;
    std::string midiVersion;
};

// What a removal, its completion or its rollback did.
struct [[nodiscard]] RemovalReport {
    bool ok = false;
    std::string error;
    std::filesystem::path folder;
    // The steps the journal lists, and how many were done when it stopped.
    std::size_t steps = 0;
    std::size_t done = 0;
    // The playlist tracks and MIDI set-ups of the scores taken out.
    EntryReferences referencesGone;
};

// Called before each step with its index; false stops the removal there, as a crash would
// (for tests of the journal).
using RemovalStepGate = std::function<bool(std::size_t step)>;

// Takes plan's scores out: checks everything it can first (the data files can be read and
// rewritten), then writes the journal and makes its steps:
// versions of the three data files, the files of the scores taken out moved aside, the later
// scores' files renamed down (lowest number first), then playlist.js, midi.js and archivio.js
// rewritten, archivio.js last. A step that fails takes back the steps before it.
RemovalReport removeScores(const Installation& installation, const RemovalPlan& plan,
                           const std::string& stamp, const RemovalStepGate& gate = {});

// The removal whose journal lies in folder, as far as it went.
std::optional<RemovalJournal> readRemovalJournal(const Installation& installation,
                                                 const std::filesystem::path& folder);

// The newest removal that neither ran through nor was rolled back: the one a start must offer
// to complete or roll back.
std::optional<RemovalJournal> unfinishedRemoval(const Installation& installation);

// Makes the steps of an unfinished removal that are not done yet.
RemovalReport completeRemoval(const Installation& installation, const RemovalJournal& journal,
                              const RemovalStepGate& gate = {});

// The newest removal, in whatever state: the one "Undo last removal" takes back.
std::optional<RemovalJournal> lastRemoval(const Installation& installation);

// What merging scores into one does to playlist.js and midi.js before the others are removed:
// the tracks that name one of the others name the kept score; the MIDI set-up of the first of
// the others (in file order) that has one moves to the kept score, only when it has none.
struct MergeReferences {
    // The tracks that name one of the others, by their places from 1.
    std::vector<PlaylistTracksGone> tracks;
    // The score whose MIDI set-up moves to the kept one; 0 for none.
    int setUpFrom = 0;
};

// What a merge of others into kept would re-point, as the files are now.
MergeReferences mergeReferences(const Installation& installation, int kept,
                                const std::vector<int>& others);

// Puts every file back as it was before the removal: the steps done are taken back in reverse.
// A finished removal is rolled back only while archivio.js is still what it wrote.
RemovalReport rollBackRemoval(const Installation& installation, const RemovalJournal& journal);

} // namespace folio
