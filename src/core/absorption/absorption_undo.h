// Taking back the last absorption: what it did is written into its backup folder, and undoing
// it checks all of that before it changes anything.
#pragma once

#include "core/absorption/absorption.h"
#include "core/absorption/entry_references.h"
#include "core/versions/versions.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace folio {

// Writes into the absorption's backup folder what the undo needs: the fingerprint of the
// archive it wrote, the entries it appended, the pages it copied (each with the size and time
// it got, to tell it from a page attached later) and the files it moved aside. Nothing to write
// when no version of the archive was kept.
FileResult recordAbsorption(const Installation& installation, const Absorption& absorbed,
                            const Attachment& attached);

// Whether the last absorption can be taken back.
enum class UndoState {
    None,       // no recorded absorption, or the last one was undone already
    Available,  // archivio.js is still exactly what the last absorption wrote
    SavedSince, // archivio.js has changed since: only a restore can go back
    Damaged     // the record names files in forms the program never writes: never acted on
};

// A page the absorption copied, and what it was then ("<size> <time>", empty in the records
// of older versions of the program).
struct CopiedPage {
    std::filesystem::path path;
    std::string stamp;
};

// "<size> <modification time>" of a file, or empty when it is not a regular file.
std::string fileStamp(const std::filesystem::path& file);

// What the last absorption did, from its record.
struct LastAbsorption {
    UndoState state = UndoState::None;
    Version version;
    std::vector<CopiedPage> copied;
    std::vector<MovedAside> moved;
    // The entries it appended: first to first + count - 1 (count 0 in older records, whose undo
    // puts back the archive as it was before).
    int first = 0;
    int count = 0;
    // An import of new scores from files, not an absorption from another stand.
    bool imported = false;
};

LastAbsorption lastAbsorption(const Installation& installation);

// What an undo did, or why it did nothing.
struct [[nodiscard]] UndoReport {
    bool ok = false;
    std::string error;
    std::string when;
    std::size_t pagesMoved = 0;
    std::size_t filesPutBack = 0;
    // Entries taken out of the archive (0: the archive as it was before was put back).
    int entriesRemoved = 0;
    // Pages that were changed after the absorption: they stay where they are, and so do the
    // files set aside from under their names.
    std::vector<std::filesystem::path> changedPages;
    std::vector<std::filesystem::path> stillAside;
    // Where the copied pages went.
    std::filesystem::path pagesFolder;
    // The archive replaced by the undo is kept as a version too; why not, when it was not.
    std::string versionNotKept;
    // The playlist tracks and MIDI set-ups of the scores taken out, taken out with them; why
    // playlist.js or midi.js could not be rewritten, and why a version of one was not kept.
    EntryReferences referencesGone;
    std::string referencesError;
    std::vector<std::string> referenceVersionsNotKept;
};

// Takes the entries the last absorption appended out of the archive, keeping everything else
// its save carried, and their tracks and MIDI set-ups out of playlist.js and midi.js, moves the
// pages it copied into its backup folder and puts back the files it moved aside. A page changed
// since stays where it is. Everything is checked first; a step that fails midway takes back the
// steps before it, so that a failed undo changes nothing.
UndoReport undoLastAbsorption(const Installation& installation);

} // namespace folio
