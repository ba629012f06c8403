// Taking back the last absorption: what it did is written into its backup folder, and undoing
// it checks all of that before it changes anything.
#pragma once

#include "archive/versions.h"
#include "merge/absorption.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace folio {

// Writes into the absorption's backup folder what the undo needs: the fingerprint of the
// archive it wrote, the pages it copied and the files it moved aside. Nothing to write when no
// version of the archive was kept.
FileResult recordAbsorption(const Installation& installation, const Absorption& absorbed,
                            const Attachment& attached);

// Whether the last absorption can be taken back.
enum class UndoState {
    None,      // no recorded absorption, or the last one was undone already
    Available, // archivio.js is still exactly what the last absorption wrote
    SavedSince // archivio.js has changed since: only a restore can go back
};

// What the last absorption did, from its record.
struct LastAbsorption {
    UndoState state = UndoState::None;
    Version version;
    std::vector<std::filesystem::path> copied;
    std::vector<MovedAside> moved;
};

LastAbsorption lastAbsorption(const Installation& installation);

// What an undo did, or why it did nothing.
struct UndoReport {
    bool ok = false;
    std::string error;
    std::string when;
    std::size_t pagesMoved = 0;
    std::size_t filesPutBack = 0;
    // Where the copied pages went.
    std::filesystem::path pagesFolder;
    // The archive replaced by the undo is kept as a version too; why not, when it was not.
    std::string versionNotKept;
};

// Puts back the archive from before the last absorption, moves the pages it copied into its
// backup folder and puts back the files it moved aside. Everything is checked first; a step that
// fails midway takes back the steps before it, so that a failed undo changes nothing.
UndoReport undoLastAbsorption(const Installation& installation);

} // namespace folio
