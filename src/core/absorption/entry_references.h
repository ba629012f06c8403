// What names an entry outside archivio.js: playlist tracks and MIDI set-ups. When scores leave
// the archive, these follow: the tracks and set-ups of the scores gone are taken out, so that a
// score added later under the same number does not inherit them.
#pragma once

#include "core/archive/renumbering.h"
#include "core/files/installation.h"

#include <string>
#include <vector>

namespace folio {

// The tracks of one playlist that name scores gone, by their places from 1.
struct PlaylistTracksGone {
    std::string name;
    std::vector<int> places;
};

struct EntryReferences {
    std::vector<PlaylistTracksGone> playlists;
    // The entries whose MIDI set-ups go, in file order.
    std::vector<int> midiEntries;

    bool empty() const { return playlists.empty() && midiEntries.empty(); }
};

// The playlist tracks and MIDI set-ups of playlist.js and midi.js, as they are now, that name an
// entry renumber takes away. A file that cannot be read names none.
EntryReferences referencesGone(const Installation& installation, const EntryRenumbering& renumber);

// What rewriting the references did.
struct [[nodiscard]] ReferencesRenumbered {
    // Why a file could not be rewritten; empty when both were (or needed no change).
    std::string error;
    // What was taken out.
    EntryReferences gone;
    // Why a version of a file could not be kept, one sentence a file.
    std::vector<std::string> versionsNotKept;
};

// Rewrites playlist.js and midi.js with their tracks and set-ups renumbered, each kept first as
// a version made by what. A file with nothing to change is not written.
ReferencesRenumbered renumberReferences(const Installation& installation,
                                        const EntryRenumbering& renumber, const std::string& what);

} // namespace folio
