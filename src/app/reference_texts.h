// How the playlist tracks and MIDI set-ups that follow the scores are named in questions and
// reports.
#pragma once

#include "core/absorption/entry_references.h"

#include <QString>
#include <vector>

namespace folio {

// "track 3", "tracks 3 and 9", "tracks 1, 3 and 9".
QString trackPlaces(const std::vector<int>& places);
// "Set 1: tracks 3 and 9; Encores: track 2".
QString playlistTracksText(const std::vector<PlaylistTracksGone>& playlists);
// "12, 15, 40".
QString entryNumbersText(const std::vector<int>& entries);

} // namespace folio
