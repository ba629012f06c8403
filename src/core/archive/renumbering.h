// How entry numbers change when scores leave the archive. Everything outside archivio.js that
// names an entry by its number (playlist tracks, MIDI set-ups) follows the same change.
#pragma once

#include <functional>
#include <optional>

namespace folio {

// The new number of an entry, or nothing when its score is gone.
using EntryRenumbering = std::function<std::optional<int>(int entry)>;

// Entries first to last are gone; every other entry keeps its number.
inline EntryRenumbering withoutEntries(int first, int last) {
    return [first, last](int entry) -> std::optional<int> {
        if (entry >= first && entry <= last)
            return std::nullopt;
        return entry;
    };
}

} // namespace folio
