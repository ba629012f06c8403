// Absorption of another stand's scores into this archive.
#include "merge/absorption.h"

#include "archive/field_reader.h"
#include "platform/read_limits.h"

#include <algorithm>
#include <charconv>

namespace folio {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kHeaderFields = 2;
constexpr std::size_t kFieldsPerEntry = 10;

// Reads one value and the empty field after its comma.
void readValue(FieldReader& reader, std::string& target) {
    std::string_view value;
    reader.next(value);
    target.assign(value);
    reader.skip();
}

// The entry number a source entry's number field names, or 0 when it names none: only plain
// decimal digits giving 1 to 9999 name a page file.
int pageNumber(std::string_view number) {
    if (number.empty() || number.size() > 5 ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    int value = 0;
    std::from_chars(number.data(), number.data() + number.size(), value);
    return ScoreArchive::isEntryNumber(value) ? value : 0;
}

fs::path sourcePage(const fs::path& folder, int number, char side) {
    return folder / "spartiti" / (std::to_string(number) + side + ".jpg");
}

} // namespace

std::size_t sourceEntryCount(std::size_t fields) {
    return fields < kHeaderFields ? 0 : (fields - kHeaderFields) / kFieldsPerEntry;
}

SourceArchive readSourceArchive(std::string_view bytes) {
    SourceArchive source;
    source.entriesInFile = sourceEntryCount(countFields(bytes));
    const std::size_t held = std::min(source.entriesInFile, SourceArchive::kCapacity);
    source.entries.resize(held);
    FieldReader reader(bytes);
    reader.skip();
    for (ScoreEntry& entry : source.entries) {
        readValue(reader, entry.number);
        readValue(reader, entry.title);
        readValue(reader, entry.author);
        readValue(reader, entry.tags);
        readValue(reader, entry.category);
    }
    return source;
}

fs::path sourceArchivePath(const fs::path& folder) {
    return folder / "spartiti" / "archivio.js";
}

fs::path sourceLeftPagePath(const fs::path& folder, int number) {
    return sourcePage(folder, number, 'L');
}

SourceLoad loadSourceArchive(const fs::path& folder, SourceArchive& source) {
    source = SourceArchive{};
    const fs::path file = sourceArchivePath(folder);
    FileRead read = readWholeFile(file, kArchiveFileLimit);
    if (read.status != ReadStatus::Read) {
        source.loadError = read.error;
        return read.status == ReadStatus::Missing ? SourceLoad::Missing : SourceLoad::Unreadable;
    }
    source = readSourceArchive(read.bytes);
    return source.entries.empty() ? SourceLoad::Empty : SourceLoad::Loaded;
}

std::vector<ScoreEntry> collectMarked(const SourceArchive& source, std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<ScoreEntry> marked;
    marked.reserve(rows.size());
    for (int row : rows) {
        if (row >= 0 && static_cast<std::size_t>(row) < source.entries.size())
            marked.push_back(source.entries[static_cast<std::size_t>(row)]);
    }
    return marked;
}

int roomLeft(const ScoreArchive& archive) {
    return ScoreArchive::kMaxEntries - archive.entryCount();
}

Absorption appendAndWrite(ScoreArchive& archive, const Installation& installation,
                          const fs::path& sourceFolder, const std::vector<ScoreEntry>& marked) {
    Absorption result;
    const int before = archive.entryCount();
    const int room = roomLeft(archive);
    if (marked.size() > static_cast<std::size_t>(room)) {
        result.outcome = Absorption::Outcome::NoRoom;
        result.room = room;
        return result;
    }
    const int count = static_cast<int>(marked.size());

    // The slots after the last entry may hold what was typed there: kept to be put back.
    std::vector<ScoreEntry> previous;
    previous.reserve(marked.size());
    for (int m = 1; m <= count; ++m) {
        ScoreEntry& slot = archive.slot(before + m);
        previous.push_back(std::move(slot));
        slot = marked[static_cast<std::size_t>(m - 1)];
    }
    archive.setEntryCount(before + count);

    const FileResult written = saveArchive(archive, installation);
    if (!written.ok) {
        for (int m = 1; m <= count; ++m)
            archive.slot(before + m) = std::move(previous[static_cast<std::size_t>(m - 1)]);
        archive.setEntryCount(before);
        result.outcome = Absorption::Outcome::WriteFailed;
        result.error = written.error;
        return result;
    }

    result.firstNumber = before + 1;
    result.count = count;
    for (int m = 1; m <= count; ++m) {
        const ScoreEntry& entry = marked[static_cast<std::size_t>(m - 1)];
        const int n = before + m;
        const int s = pageNumber(entry.number);
        if (s == 0) {
            result.unnamed.push_back({entry.number, "The pages of \"" + entry.title +
                                                        "\" were not copied: its number \"" +
                                                        entry.number +
                                                        "\" in the other archive names no page."});
            continue;
        }
        result.copies.push_back(
            {sourcePage(sourceFolder, s, 'L'), installation.resolve(leftPagePath(n))});
        result.copies.push_back(
            {sourcePage(sourceFolder, s, 'R'), installation.resolve(rightPagePath(n))});
    }
    return result;
}

std::vector<UncopiedPage> copyPages(const std::vector<PageCopy>& copies,
                                    const std::function<void(std::size_t done)>& progress) {
    // One sync at the end instead of one per page: each page still replaces its target whole.
    std::vector<UncopiedPage> uncopied;
    std::size_t done = 0;
    for (const PageCopy& copy : copies) {
        const FileResult copied = copyReplacing(copy.source, copy.target, CopySync::Later);
        if (!copied.ok)
            uncopied.push_back({copy.source.string(), copied.error});
        ++done;
        if (progress)
            progress(done);
    }
    if (!copies.empty())
        syncFileSystem(copies.front().target.parent_path());
    return uncopied;
}

} // namespace folio
