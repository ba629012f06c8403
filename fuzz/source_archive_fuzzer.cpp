// Fuzzes the loader of another stand's archive: any bytes give at most 10000 entries, never more
// whole entries than the bytes can hold, and the entries absorbed from it write a well-formed
// archivio.js that reads back to the same entries.
#include "core/absorption/absorption.h"
#include "core/archive/score_archive.h"
#include "core/format/line_writer.h"
#include "data_file_check.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

using folio::ScoreArchive;
using folio::ScoreEntry;
using folio::SourceArchive;
using folio::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScoreArchive archive;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const SourceArchive source = folio::readSourceArchive(bytes);
    const std::size_t count = source.entries.size();
    require(count <= SourceArchive::kCapacity, "at most 10000 source entries are held");
    require(count == std::min(source.entriesInFile, SourceArchive::kCapacity),
            "every whole entry up to the capacity is held");
    // Every field but the last ends at a delimiter byte: 10 n + 2 fields need 10 n + 1 bytes.
    require(source.entriesInFile == 0 || 10 * source.entriesInFile + 1 <= size,
            "no more whole entries than the bytes can hold");

    // Absorbing as many as fit into an empty archive writes a file that reads back the same.
    const int absorbed = static_cast<int>(std::min<std::size_t>(count, ScoreArchive::kMaxEntries));
    for (int n = 1; n <= absorbed; ++n)
        archive.slot(n) = source.entries[static_cast<std::size_t>(n - 1)];
    archive.setEntryCount(absorbed);
    const std::string written = folio::archiveFileBytes(archive);
    folio::fuzz::requireWellFormed(written, "var archivio = [",
                                   5 * static_cast<std::size_t>(absorbed));
    const SourceArchive reread = folio::readSourceArchive(written);
    require(reread.entries.size() == static_cast<std::size_t>(absorbed),
            "the written archive reads back with its entry count");
    for (int n = 1; n <= absorbed; ++n) {
        const ScoreEntry& entry = source.entries[static_cast<std::size_t>(n - 1)];
        const ScoreEntry expected{
            std::to_string(n), folio::safeFieldValue(entry.title),
            folio::safeFieldValue(entry.author), folio::safeFieldValue(entry.tags),
            entry.category.empty() ? std::string("0") : folio::safeFieldValue(entry.category)};
        require(reread.entries[static_cast<std::size_t>(n - 1)] == expected,
                "every absorbed entry reads back as it was written");
    }
    return 0;
}
