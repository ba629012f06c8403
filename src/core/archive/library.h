// The library: every score of the archive as a row, with what it has beside its fields (pages,
// recording, MIDI set-up, playlists), and the rows that a filter, a "Show" choice and a sort
// give.
#pragma once

#include "core/archive/score_archive.h"
#include "core/archive/score_search.h"
#include "core/files/installation.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace folio {

// A page or recording of an entry: there, not there, or a copy of the placeholder page.
enum class FileState { Present, Missing, Placeholder };

// What an entry has beside its fields.
struct EntryFacts {
    FileState left = FileState::Missing;
    FileState right = FileState::Missing;
    FileState recording = FileState::Missing;
    bool midi = false;
    int playlists = 0;
};

// The facts of entries 0 to lastEntry (index = entry number), from one listing of spartiti/ and
// spartiti/audio/, the MIDI file and the playlist file. A page of the placeholder's size and
// bytes is the placeholder.
std::vector<EntryFacts> readEntryFacts(const Installation& installation, int lastEntry);

enum class LibraryColumn {
    Number,
    Title,
    Author,
    Tags,
    Category,
    LeftPage,
    RightPage,
    Recording,
    Midi,
    Playlists
};
inline constexpr int kLibraryColumns = 10;

// What the "Show" choice lets through.
enum class LibraryShow { All, MissingPage, MissingRecording, NoCategory, SameTitleAndAuthor };

// The category names of generi.js by number (slot 0 unused); an empty name is none.
using CategoryNames = std::array<std::string, 201>;

// A category's name, or its number when generi.js has no such line; empty for none ("" or "0").
std::string categoryShown(std::string_view category, const CategoryNames& names);

// True when an entry has no category.
bool hasNoCategory(std::string_view category);

struct LibraryQuery {
    // Windows-1252 words, each of which must be found, as the find box finds a text, in the
    // title, the author, the tags or the category's name.
    std::string filter;
    LibraryShow show = LibraryShow::All;
    LibraryColumn column = LibraryColumn::Number;
    bool descending = false;
};

// The entry numbers of the rows to show, in order: those of entries 1 to the entry count that
// the filter and the "Show" choice let through, sorted by the column (text as a reader
// expects, letter case and accents aside and numbers within it as numbers; ties by number).
std::vector<int> libraryRows(const ScoreArchive& archive, const std::vector<EntryFacts>& facts,
                             const ScoreSearch& search, const CategoryNames& names,
                             const LibraryQuery& query);

// Tags with tag added at their end, unless one of their words already is tag. Words are split
// at spaces and commas.
std::string tagsWith(const std::string& tags, const std::string& tag);
// Tags without the words that are tag, the others joined by spaces; tags as they are when none
// is.
std::string tagsWithout(const std::string& tags, const std::string& tag);

// The key a text sorts by: letters in lower case without accents, each run of digits as a
// number of fixed width, so that "Sonata 2" sorts before "Sonata 10".
std::string sortKey(std::string_view text);

} // namespace folio
