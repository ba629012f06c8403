// The state every window of the main program shares for the whole run: the archive, the
// entry positions, the category names and the chosen foreign installation.
#pragma once

#include "core/archive/score_archive.h"
#include "core/files/installation.h"
#include "core/versions/data_file_stamp.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>

namespace folio {

struct SharedState {
    explicit SharedState(Installation where) : installation(std::move(where)) {}

    Installation installation;
    ScoreArchive archive;
    // The entry shown in the main window; the page, audio and MIDI windows act on it.
    int currentEntryNumber = 1;
    // The main window's position when "Mp3" was pressed. The audio window does not act on it:
    // a category click attaches to the entry shown at the click, which the window names.
    int audioEntryNumber = 1;
    // Category captions read from generi.js, slots 1 to 33 used.
    std::array<std::string, 201> categoryNames;
    // The other installation chosen for absorption, held as the system names it (a Windows
    // folder name is UTF-16, never bytes of some code page).
    std::filesystem::path mergeSourceFolder;
    // False while archivio.js could not be read, or holds more entries than the archive, or
    // there is no spartiti folder: nothing may write it.
    bool archiveWritable = true;
    // Set while another program holds the stand's lock and the user chose to look only: every
    // command that writes is off.
    bool readOnly = false;
    // Each data file as this program last read or wrote it (archive, playlists, MIDI), to notice
    // a change made by another program before saving over it.
    std::array<std::optional<DataFileStamp>, 3> seenFiles;
    // Set once the user was told that an earlier version of a data file could not be kept:
    // that is told once per run.
    bool versionNotKeptTold = false;
};

} // namespace folio
