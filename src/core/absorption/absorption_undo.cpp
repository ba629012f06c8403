// The record of an absorption in its backup folder, and its undo.
#include "core/absorption/absorption_undo.h"

#include "core/files/read_limits.h"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <utility>

namespace folio {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kRecordLimit = 1 * kMiB;

fs::path recordPath(const fs::path& folder) {
    return folder / std::string(kVersionRecordName);
}

std::optional<VersionRecord> readRecord(const fs::path& folder) {
    const FileRead read = readWholeFile(recordPath(folder), kRecordLimit);
    return read.ok() ? readVersionRecord(read.bytes) : std::nullopt;
}

FileResult appendToRecord(const fs::path& folder,
                          const std::vector<std::pair<std::string, std::string>>& lines) {
    std::optional<VersionRecord> record = readRecord(folder);
    if (!record)
        return FileResult::failure("The record " + quotedPath(recordPath(folder)) +
                                   " cannot be read.");
    record->lines.insert(record->lines.end(), lines.begin(), lines.end());
    return rewriteAtomically(recordPath(folder), record->text());
}

// Renames done so far, taken back in reverse when a later step fails.
class Renames {
public:
    ~Renames() { takeBack(); }

    void takeBack() {
        for (auto it = done_.rbegin(); it != done_.rend(); ++it)
            static_cast<void>(moveFile(it->second, it->first));
        done_.clear();
    }

    // Moves from to to, unless something stands at to; the reason otherwise. A backup folder
    // on another disk takes a checked copy.
    std::optional<std::string> move(const fs::path& from, const fs::path& to) {
        const FileResult moved = moveFile(from, to);
        if (!moved.ok)
            return moved.error;
        done_.emplace_back(from, to);
        return std::nullopt;
    }

    void commit() { done_.clear(); }

private:
    std::vector<std::pair<fs::path, fs::path>> done_;
};

UndoReport refused(std::string why) {
    UndoReport report;
    report.error = std::move(why);
    return report;
}

// What the undo does with the pages and the files set aside.
struct UndoPlan {
    std::vector<fs::path> pagesToPark;
    std::vector<MovedAside> filesToPutBack;
    std::vector<fs::path> changedPages;
    std::vector<fs::path> stillAside;
};

// The plan, or why it cannot be carried out, checked before anything changes.
std::optional<std::string> plan(const LastAbsorption& last, const fs::path& pagesFolder,
                                UndoPlan& plan) {
    for (const CopiedPage& page : last.copied) {
        if (!isPlainFile(page.path))
            return "The page image " + quotedPath(page.path) +
                   " that the absorption copied is no longer there.";
        // A page attached since the absorption is the musician's: it stays.
        if (!page.stamp.empty() && fileStamp(page.path) != page.stamp) {
            plan.changedPages.push_back(page.path);
            continue;
        }
        if (standsAt(pagesFolder / page.path.filename()))
            return "Something stands at " + quotedPath(pagesFolder / page.path.filename()) +
                   ", where the page image " + quotedPath(page.path) + " would go.";
        plan.pagesToPark.push_back(page.path);
    }
    for (const MovedAside& file : last.moved) {
        if (!isPlainFile(file.to))
            return "The file " + quotedPath(file.to) +
                   " that the absorption moved aside is no longer there.";
        const auto named = [&](const std::vector<fs::path>& pages) {
            return std::find(pages.begin(), pages.end(), file.from) != pages.end();
        };
        if (named(plan.changedPages)) {
            plan.stillAside.push_back(file.to);
            continue;
        }
        if (standsAt(file.from) && !named(plan.pagesToPark))
            return "Something stands at " + quotedPath(file.from) + ", where " +
                   quotedPath(file.to) + " would be put back.";
        std::error_code ec;
        if (!fs::is_directory(file.from.parent_path(), ec))
            return "The folder " + quotedPath(file.from.parent_path()) + " is no longer there.";
        plan.filesToPutBack.push_back(file);
    }
    return std::nullopt;
}

// "<first> <count>" of an "appended" line.
bool readAppended(std::string_view text, int& first, int& count) {
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos)
        return false;
    const std::string_view a = text.substr(0, space);
    const std::string_view b = text.substr(space + 1);
    return std::from_chars(a.data(), a.data() + a.size(), first).ec == std::errc{} &&
           std::from_chars(b.data(), b.data() + b.size(), count).ec == std::errc{} &&
           ScoreArchive::isEntryNumber(first) && count >= 1 &&
           count <= ScoreArchive::kMaxEntries - first + 1;
}

// The archive the undo writes: what the absorption wrote, less the entries it appended; for
// an older record, the archive as it was before.
std::optional<std::string> archiveWithout(const Installation& installation,
                                          const LastAbsorption& last, std::string& error) {
    if (last.count == 0) {
        FileRead before = readWholeFile(last.version.dataPath(), kArchiveFileLimit);
        if (before.ok())
            return std::move(before.bytes);
        error = before.status == ReadStatus::Missing
                    ? "The archive as it was before, " + quotedPath(last.version.dataPath()) +
                          ", is no longer there."
                    : before.error;
        return std::nullopt;
    }
    const FileRead now =
        readWholeFile(dataFilePath(installation, DataFile::Archive), kArchiveFileLimit);
    ScoreArchive archive;
    if (!now.ok() || readArchiveFile(archive, now.bytes) !=
                         static_cast<std::size_t>(last.first + last.count - 1)) {
        error = "The archive does not hold the entries that the absorption appended.";
        return std::nullopt;
    }
    archive.setEntryCount(last.first - 1);
    return archiveFileBytes(archive);
}

} // namespace

FileResult recordAbsorption(const Installation& installation, const Absorption& absorbed,
                            const Attachment& attached) {
    if (absorbed.backupFolder.empty())
        return FileResult::success();
    const FileRead written =
        readWholeFile(dataFilePath(installation, DataFile::Archive), kArchiveFileLimit);
    if (!written.ok())
        return FileResult::failure(written.error);
    std::vector<std::pair<std::string, std::string>> lines = {
        {"wrote", fingerprint(written.bytes)}};
    if (absorbed.imported)
        lines.emplace_back("source", "files");
    if (absorbed.count > 0)
        lines.emplace_back("appended", std::to_string(absorbed.firstNumber) + " " +
                                           std::to_string(absorbed.count));
    for (const fs::path& page : attached.copied)
        lines.emplace_back("copied", installationName(installation, page) + " " + fileStamp(page));
    for (const MovedAside& file : attached.movedAside) {
        if (file.to.parent_path() == absorbed.backupFolder)
            lines.emplace_back("moved", installationName(installation, file.from));
    }
    return appendToRecord(absorbed.backupFolder, lines);
}

std::string fileStamp(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(file, ec)))
        return {};
    const std::uintmax_t size = fs::file_size(file, ec);
    const fs::file_time_type time = fs::last_write_time(file, ec);
    if (ec)
        return {};
    return std::to_string(size) + " " + std::to_string(time.time_since_epoch().count());
}

LastAbsorption lastAbsorption(const Installation& installation) {
    LastAbsorption last;
    for (const Version& version : listVersions(installation)) {
        if (version.what != "absorption" || version.file != DataFile::Archive)
            continue;
        const std::optional<VersionRecord> record = readRecord(version.folder);
        if (!record || !record->value("wrote") || record->value("undone"))
            return last;
        last.version = version;
        if (version.damaged) {
            last.state = UndoState::Damaged;
            return last;
        }
        for (const auto& [key, value] : record->lines) {
            const std::string_view name = std::string_view(value).substr(0, value.find(' '));
            // Only names in the forms the program writes become paths: inside the
            // installation, and beside the record on the backup side.
            const std::optional<fs::path> file = installation.storedEntryFile(name);
            if (key == "copied" && file)
                last.copied.push_back(
                    {*file, name.size() < value.size() ? value.substr(name.size() + 1) : ""});
            if (key == "moved" && file)
                last.moved.push_back({*file, version.folder / file->filename()});
            if (key == "source" && value == "files")
                last.imported = true;
            if (key == "appended" && !readAppended(value, last.first, last.count)) {
                last.state = UndoState::Damaged;
                return last;
            }
        }
        const FileRead now =
            readWholeFile(dataFilePath(installation, DataFile::Archive), kArchiveFileLimit);
        last.state = now.ok() && fingerprint(now.bytes) == *record->value("wrote")
                         ? UndoState::Available
                         : UndoState::SavedSince;
        return last;
    }
    return last;
}

UndoReport undoLastAbsorption(const Installation& installation) {
    const LastAbsorption last = lastAbsorption(installation);
    if (last.state == UndoState::None)
        return refused("There is no absorption to undo.");
    if (last.state == UndoState::Damaged)
        return refused("The record of the last absorption, " +
                       quotedPath(recordPath(last.version.folder)) +
                       ", is damaged; \"Restore…\" can put back an earlier version of the "
                       "archive.");
    if (last.state == UndoState::SavedSince)
        return refused("The archive has been saved since the last absorption; \"Restore…\" can "
                       "put back an earlier version of it.");
    std::string why;
    const std::optional<std::string> archive = archiveWithout(installation, last, why);
    if (!archive)
        return refused(why);
    const fs::path pagesFolder = last.version.folder / "absorbed";
    UndoPlan steps;
    if (std::optional<std::string> obstacle = plan(last, pagesFolder, steps))
        return refused(*obstacle);

    std::error_code ec;
    const bool madeFolder = !steps.pagesToPark.empty() && fs::create_directory(pagesFolder, ec);
    if (ec)
        return refused("The folder " + quotedPath(pagesFolder) +
                       " cannot be made: " + ec.message());
    UndoReport report;
    {
        Renames renames;
        for (std::size_t k = 0; report.error.empty() && k < steps.pagesToPark.size(); ++k) {
            const fs::path& page = steps.pagesToPark[k];
            if (std::optional<std::string> failed =
                    renames.move(page, pagesFolder / page.filename()))
                report.error =
                    "The page image " + quotedPath(page) + " could not be moved: " + *failed;
        }
        for (std::size_t k = 0; report.error.empty() && k < steps.filesToPutBack.size(); ++k) {
            const MovedAside& file = steps.filesToPutBack[k];
            if (std::optional<std::string> failed = renames.move(file.to, file.from))
                report.error =
                    "The file " + quotedPath(file.from) + " could not be put back: " + *failed;
        }
        KeepVersion keep;
        keep.what = "restore";
        keep.countRecords = archiveEntriesIn;
        if (report.error.empty()) {
            const FileResult written =
                rewriteKeepingVersion(installation, DataFile::Archive, {*archive}, &keep);
            if (!written.ok)
                report.error = written.error;
        }
        if (!report.error.empty()) {
            renames.takeBack();
            if (madeFolder)
                fs::remove(pagesFolder, ec);
            return report;
        }
        renames.commit();
        report.versionNotKept = keep.notKept;
    }
    static_cast<void>(
        appendToRecord(last.version.folder, {{"undone", backupStamp(localTimeNow())}}));
    report.ok = true;
    report.when = last.version.when;
    report.pagesMoved = steps.pagesToPark.size();
    report.filesPutBack = steps.filesToPutBack.size();
    report.entriesRemoved = last.count;
    report.changedPages = std::move(steps.changedPages);
    report.stillAside = std::move(steps.stillAside);
    report.pagesFolder = pagesFolder;
    // The scores taken out leave no tracks or set-ups behind for a score added later under
    // their numbers. The archive's undo stands whatever happens to these files.
    if (last.count > 0) {
        ReferencesRenumbered references = renumberReferences(
            installation, withoutEntries(last.first, last.first + last.count - 1), "restore");
        report.referencesGone = std::move(references.gone);
        report.referencesError = std::move(references.error);
        report.referenceVersionsNotKept = std::move(references.versionsNotKept);
    }
    return report;
}

} // namespace folio
