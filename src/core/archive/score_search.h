// Finding scores by title, author or tags: a folded copy of those fields per entry, kept up to
// date one entry at a time, so that a keystroke only compares bytes.
#pragma once

#include "core/archive/score_archive.h"

#include <string>
#include <string_view>
#include <vector>

namespace folio {

// Windows-1252 text folded for matching: letters in lower case and without accents (ß, æ, œ
// and þ spelt out as ss, ae, oe and th), and a doubled letter written once, so that "cafe"
// finds "Caffè" and "Tocata" finds "Toccata". Other bytes stay as they are.
std::string foldForSearch(std::string_view text);

class ScoreSearch {
public:
    ScoreSearch();

    // Folds every slot of the archive afresh and takes its entry count.
    void rebuild(const ScoreArchive& archive);
    // Folds one slot again after its title, author or tags changed, and takes the archive's
    // entry count (an added entry). Numbers without a slot are ignored.
    void update(const ScoreArchive& archive, int number);

    // Entries 1 to the entry count whose title, author or tags holds the query (Windows-1252,
    // folded here), in entry order. None for an empty query.
    std::vector<int> matches(std::string_view query) const;

    enum class Direction {
        FromHere, // the entry at the position itself, or the next one after it
        Next,     // the first one after the position
        Previous, // the last one before the position
    };
    struct Found {
        int entry = 0; // 0 when nothing matches
        int index = 0; // 1-based place of entry among the matches
        int count = 0; // number of matches
    };
    // The matching entry nearest to position in the direction, wrapping around the archive's
    // ends.
    Found find(std::string_view query, int position, Direction direction) const;

private:
    // Per slot: folded title, author and tags, separated by line feeds so that a query
    // never runs from one field into the next.
    std::vector<std::string> folded_;
    int entryCount_ = 0;
};

} // namespace folio
