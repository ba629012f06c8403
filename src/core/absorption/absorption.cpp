// Absorption of another stand's scores into this archive.
#include "core/absorption/absorption.h"

#include "core/absorption/moving_aside.h"
#include "core/files/read_limits.h"
#include "core/format/field_reader.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace folio {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kHeaderFields = 2;
constexpr std::size_t kFieldsPerEntry = 10;

fs::path sourcePage(const fs::path& folder, int number, char side) {
    return folder / "spartiti" / (std::to_string(number) + side + ".jpg");
}

// Why a source page that is not a plain file is not copied, or nothing for a plain file.
std::optional<std::string> refusal(const fs::path& page) {
    switch (examineSourcePage(page)) {
    case SourcePage::File:
        return std::nullopt;
    case SourcePage::Missing:
        return "The page " + quotedPath(page) + " is not there.";
    case SourcePage::Link:
        return "The page " + quotedPath(page) + " is a link; links are not followed.";
    case SourcePage::NotAFile:
        return "The page " + quotedPath(page) + " is not a file.";
    }
    return std::nullopt;
}

// Copies one page if it is a plain file; what went wrong otherwise.
std::optional<UncopiedPage> copyOne(const PageCopy& copy) {
    std::optional<std::string> refused = refusal(copy.source);
    if (!refused) {
        const FileResult copied = copyReplacing(copy.source, copy.target, CopySync::Later);
        if (copied.ok)
            return std::nullopt;
        refused = copied.error;
    }
    return UncopiedPage{utf8Path(copy.source), *refused};
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

int sourcePageNumber(std::string_view number) {
    return entryNumberOfField(number);
}

SourcePage examineSourcePage(const fs::path& page) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(page, ec);
    switch (status.type()) {
    case fs::file_type::regular:
        return SourcePage::File;
    case fs::file_type::symlink:
        return SourcePage::Link;
    case fs::file_type::not_found:
    case fs::file_type::none:
        // Not there, or its folder cannot be looked into.
        return SourcePage::Missing;
    default:
        // A folder, pipe, device or socket.
        return SourcePage::NotAFile;
    }
}

std::optional<fs::path> previewPage(const fs::path& folder, const ScoreEntry& entry) {
    const int number = sourcePageNumber(entry.number);
    if (number == 0)
        return std::nullopt;
    fs::path page = sourceLeftPagePath(folder, number);
    if (examineSourcePage(page) != SourcePage::File)
        return std::nullopt;
    return page;
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
                          const fs::path& sourceFolder, const std::vector<ScoreEntry>& marked,
                          const std::string& stamp) {
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

    KeepVersion keep;
    keep.what = "absorption";
    keep.stamp = stamp;
    const FileResult written = saveArchive(archive, installation, &keep);
    if (!written.ok) {
        for (int m = 1; m <= count; ++m)
            archive.slot(before + m) = std::move(previous[static_cast<std::size_t>(m - 1)]);
        archive.setEntryCount(before);
        result.outcome = Absorption::Outcome::WriteFailed;
        result.error = written.error;
        return result;
    }

    result.backupFolder = keep.folder;
    result.versionNotKept = keep.notKept;
    result.firstNumber = before + 1;
    result.count = count;
    for (int m = 1; m <= count; ++m) {
        const ScoreEntry& entry = marked[static_cast<std::size_t>(m - 1)];
        const int n = before + m;
        const int s = sourcePageNumber(entry.number);
        result.notCopiedTo.push_back(installation.resolve(audioPath(n)));
        if (s == 0) {
            result.unnamed.push_back({entry.number, "The pages of \"" + entry.title +
                                                        "\" were not copied: its number \"" +
                                                        entry.number +
                                                        "\" in the other archive names no page."});
            result.notCopiedTo.push_back(installation.resolve(leftPagePath(n)));
            result.notCopiedTo.push_back(installation.resolve(rightPagePath(n)));
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
        if (std::optional<UncopiedPage> failed = copyOne(copy))
            uncopied.push_back(std::move(*failed));
        ++done;
        if (progress)
            progress(done);
    }
    if (!copies.empty())
        syncFileSystem(copies.front().target.parent_path());
    return uncopied;
}

Attachment attachFiles(const Absorption& absorbed, const Installation& installation,
                       const std::string& stamp,
                       const std::function<void(std::size_t done)>& progress) {
    Attachment report;
    report.backupFolder = absorbed.backupFolder;
    MoverAside mover(installation, stamp, report);

    // Whatever lies under a name that receives no page of the absorbed score goes first.
    std::vector<bool> provided;
    provided.reserve(absorbed.copies.size());
    for (const PageCopy& copy : absorbed.copies) {
        std::optional<std::string> refused = refusal(copy.source);
        provided.push_back(!refused);
        if (refused) {
            report.uncopied.push_back({utf8Path(copy.source), *refused});
            mover.moveIfThere(copy.target);
        }
    }
    for (const fs::path& name : absorbed.notCopiedTo)
        mover.moveIfThere(name);

    // A copy that fails leaves the file it should have replaced: that goes aside too.
    for (std::size_t i = 0; i < absorbed.copies.size(); ++i) {
        const PageCopy& copy = absorbed.copies[i];
        if (provided[i]) {
            if (std::optional<std::string> inTheWay = mover.clearForCopy(copy.target)) {
                report.uncopied.push_back({utf8Path(copy.source), *inTheWay});
            } else if (std::optional<UncopiedPage> failed = copyOne(copy)) {
                report.uncopied.push_back(std::move(*failed));
                mover.moveIfThere(copy.target);
            } else {
                report.copied.push_back(copy.target);
            }
        }
        if (progress)
            progress(i + 1);
    }
    if (!absorbed.copies.empty())
        syncFileSystem(absorbed.copies.front().target.parent_path());
    return report;
}

} // namespace folio
