// Fuzzes the archive store: any bytes load within the capacity, saving gives a well-formed
// archivio.js, and load, save, load, save reaches a fixed point.
#include "core/archive/score_archive.h"
#include "core/format/line_writer.h"
#include "data_file_check.h"

#include <cstdint>
#include <string>
#include <string_view>

using folio::ScoreArchive;
using folio::ScoreEntry;
using folio::fuzz::require;

namespace {

// What a loaded entry n holds after a save and a load.
ScoreEntry savedForm(const ScoreEntry& entry, int n) {
    return {std::to_string(n), folio::safeFieldValue(entry.title),
            folio::safeFieldValue(entry.author), folio::safeFieldValue(entry.tags),
            entry.category.empty() ? std::string("0") : folio::safeFieldValue(entry.category)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The slots are big, so two archives are kept for the whole run: a load assigns every
    // field of the slots it fills and saving reads no other slot.
    static ScoreArchive loaded;
    static ScoreArchive reloaded;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    folio::readArchiveFile(loaded, bytes);
    const int count = loaded.entryCount();
    require(count >= 0 && count <= ScoreArchive::kMaxEntries, "at most 9999 entries load");

    const std::string first = folio::archiveFileBytes(loaded);
    std::vector<std::string_view> values = folio::fuzz::requireWellFormed(
        first, "var archivio = [", 5 * static_cast<std::size_t>(count));
    for (int n = 1; n <= count; ++n)
        require(values[5 * static_cast<std::size_t>(n - 1)] == std::to_string(n),
                "the first line of entry n carries n");

    folio::readArchiveFile(reloaded, first);
    require(reloaded.entryCount() == count, "a saved archive loads with its entry count");
    for (int n = 1; n <= count; ++n)
        require(reloaded.slot(n) == savedForm(loaded.slot(n), n),
                "every entry reads back as it was saved");

    const std::string second = folio::archiveFileBytes(reloaded);
    require(second == first, "load, save, load, save gives the same file twice");
    return 0;
}
