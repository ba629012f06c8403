// How entry numbers change when scores leave the archive. Everything outside archivio.js that
// names an entry by its number (playlist tracks, MIDI set-ups) follows the same change.
#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

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

// The entries gone are gone; every other entry keeps its number.
inline EntryRenumbering withoutEntries(std::vector<int> gone) {
    return [gone = std::move(gone)](int entry) -> std::optional<int> {
        if (std::find(gone.begin(), gone.end(), entry) != gone.end())
            return std::nullopt;
        return entry;
    };
}

// The entries others take kept's number, as when they are merged into it; every other entry
// keeps its number.
inline EntryRenumbering mergedInto(std::vector<int> others, int kept) {
    return [others = std::move(others), kept](int entry) -> std::optional<int> {
        return std::find(others.begin(), others.end(), entry) != others.end() ? kept : entry;
    };
}

} // namespace folio
