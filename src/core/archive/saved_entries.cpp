// Fingerprints of the saved entries, and what has changed since.
#include "core/archive/saved_entries.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace folio {
namespace {

// The fields of an entry, in the order the file holds them, folded into 64 bits.
static_assert(sizeof(ScoreEntry) == 5 * sizeof(std::string), "a field missing from the fold");
std::uint64_t fingerprintOf(const ScoreEntry& entry) {
    std::uint64_t folded = 0;
    for (const std::string* field :
         {&entry.number, &entry.title, &entry.author, &entry.tags, &entry.category}) {
        const std::uint64_t hash = std::hash<std::string_view>{}(*field);
        folded ^= hash + 0x9e3779b97f4a7c15u + (folded << 6) + (folded >> 2);
    }
    return folded;
}

} // namespace

void SavedEntries::take(const ScoreArchive& archive) {
    fingerprints_.clear();
    fingerprints_.reserve(static_cast<std::size_t>(archive.entryCount()));
    for (int n = 1; n <= archive.entryCount(); ++n)
        fingerprints_.push_back(fingerprintOf(archive.slot(n)));
}

bool SavedEntries::same(std::size_t index, const ScoreEntry& entry) const {
    return index < fingerprints_.size() && fingerprints_[index] == fingerprintOf(entry);
}

std::vector<int> SavedEntries::changedIn(const ScoreArchive& archive) const {
    const int last = std::max(archive.entryCount(), static_cast<int>(fingerprints_.size()));
    std::vector<int> changed;
    for (int n = 1; n <= last; ++n) {
        if (n > archive.entryCount() || !same(static_cast<std::size_t>(n - 1), archive.slot(n)))
            changed.push_back(n);
    }
    return changed;
}

bool SavedEntries::anyChangedIn(const ScoreArchive& archive) const {
    if (static_cast<std::size_t>(archive.entryCount()) != fingerprints_.size())
        return true;
    for (int n = 1; n <= archive.entryCount(); ++n) {
        if (!same(static_cast<std::size_t>(n - 1), archive.slot(n)))
            return true;
    }
    return false;
}

} // namespace folio
