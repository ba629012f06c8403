// The entries of the archive as last loaded or saved, to tell which have changed since.
#pragma once

#include "core/archive/score_archive.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace folio {

// Each entry is kept as a 64-bit fingerprint of its fields: taken at every start and save, it
// costs a pass over the archive's text and 8 bytes an entry, not a copy of the text. Two
// different entries share a fingerprint once in 2^64 comparisons.
class SavedEntries {
public:
    // Remembers the archive's entries as they are now.
    void take(const ScoreArchive& archive);
    std::size_t size() const { return fingerprints_.size(); }
    // Whether the entry at index (0 for entry 1) was saved exactly as entry is now.
    bool same(std::size_t index, const ScoreEntry& entry) const;
    // The numbers of the entries that differ from what was taken: edited, added, or no longer
    // there, in order.
    std::vector<int> changedIn(const ScoreArchive& archive) const;
    // Whether any entry differs, added and removed ones included.
    bool anyChangedIn(const ScoreArchive& archive) const;

private:
    std::vector<std::uint64_t> fingerprints_;
};

} // namespace folio
