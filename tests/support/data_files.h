// The data files of a stand, built for tests byte for byte as a stand holds them: one quoted
// value a line, each line ended by CR LF, between "var <name> = [" and " ];".
#pragma once

#include "core/archive/score_archive.h"

#include <string>
#include <string_view>
#include <vector>

namespace folio::test {

// "var <name> = [", each value quoted with a comma, " ];".
std::string scriptArray(std::string_view name, const std::vector<std::string>& values);

// archivio.js of entries, numbered 1, 2, ... in order (their number fields are not read); the
// other fields are written as given, an empty category too.
std::string archiveFile(const std::vector<ScoreEntry>& entries);
// archivio.js keeping each entry's number field as given, as an older program may have left it.
std::string archiveKeepingNumbers(const std::vector<ScoreEntry>& entries);
// count entries "Song 1", "Song 2", ... with the author, tags and category of like.
std::vector<ScoreEntry> songs(int count, const ScoreEntry& like = {"", "", "Author", "tag", "0"});

// generi.js of count categories "Genre 1", "Genre 2", ...
std::string categoryFile(int count);

// playlist.js of count playlists "List 1", "List 2", ..., list i holding track i.
std::string playlistFile(int count);

// midi.js of records, each its values in file order (the entry's key, then the channels).
std::string midiFile(const std::vector<std::vector<std::string>>& records);
// One record of midi.js: the entry's key and its channels, the channels not given untouched
// ("000,000,000").
std::vector<std::string> midiRecord(std::string key, std::vector<std::string> channels);

} // namespace folio::test
