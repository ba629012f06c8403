// The record of an absorption in its backup folder, and its undo.
#include "merge/absorption_undo.h"

#include "platform/read_limits.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace folio {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kRecordLimit = 1 * kMiB;

std::string quoted(const fs::path& path) {
    const std::u8string text = path.u8string();
    return "\"" + std::string(text.begin(), text.end()) + "\"";
}

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
        return FileResult::failure("The record " + quoted(recordPath(folder)) + " cannot be read.");
    record->lines.insert(record->lines.end(), lines.begin(), lines.end());
    return rewriteAtomically(recordPath(folder), record->text());
}

bool standsThere(const fs::path& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

bool isPlainFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::symlink_status(path, ec));
}

// Renames done so far, taken back in reverse when a later step fails.
class Renames {
public:
    ~Renames() { takeBack(); }

    void takeBack() {
        for (auto it = done_.rbegin(); it != done_.rend(); ++it) {
            std::error_code ec;
            fs::rename(it->second, it->first, ec);
        }
        done_.clear();
    }

    // Moves from to to, unless something stands at to; the reason otherwise.
    std::optional<std::string> move(const fs::path& from, const fs::path& to) {
        if (standsThere(to))
            return "something stands at " + quoted(to);
        std::error_code ec;
        fs::rename(from, to, ec);
        if (ec)
            return quoted(from) + " could not be moved to " + quoted(to) + ": " + ec.message();
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

// Why the plan cannot be carried out, checked before anything changes.
std::optional<std::string> obstacle(const LastAbsorption& last, const fs::path& pagesFolder) {
    for (const fs::path& page : last.copied) {
        if (!isPlainFile(page))
            return "The page image " + quoted(page) +
                   " that the absorption copied is no longer there.";
        if (standsThere(pagesFolder / page.filename()))
            return "Something stands at " + quoted(pagesFolder / page.filename()) +
                   ", where the page image " + quoted(page) + " would go.";
    }
    for (const MovedAside& file : last.moved) {
        if (!isPlainFile(file.to))
            return "The file " + quoted(file.to) +
                   " that the absorption moved aside is no longer there.";
        const bool freed =
            std::find(last.copied.begin(), last.copied.end(), file.from) != last.copied.end();
        if (standsThere(file.from) && !freed)
            return "Something stands at " + quoted(file.from) + ", where " + quoted(file.to) +
                   " would be put back.";
        std::error_code ec;
        if (!fs::is_directory(file.from.parent_path(), ec))
            return "The folder " + quoted(file.from.parent_path()) + " is no longer there.";
    }
    return std::nullopt;
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
    for (const fs::path& page : attached.copied)
        lines.emplace_back("copied", installationName(installation, page));
    for (const MovedAside& file : attached.movedAside) {
        if (file.to.parent_path() == absorbed.backupFolder)
            lines.emplace_back("moved", installationName(installation, file.from));
    }
    return appendToRecord(absorbed.backupFolder, lines);
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
        for (const auto& [key, value] : record->lines) {
            if (key == "copied")
                last.copied.push_back(installation.resolve(value));
            if (key == "moved") {
                const fs::path from = installation.resolve(value);
                last.moved.push_back({from, version.folder / from.filename()});
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
    if (last.state == UndoState::SavedSince)
        return refused("The archive has been saved since the last absorption; \"Restore…\" can "
                       "put back an earlier version of it.");
    const FileRead before = readWholeFile(last.version.dataPath(), kArchiveFileLimit);
    if (!before.ok())
        return refused(before.status == ReadStatus::Missing
                           ? "The archive as it was before, " + quoted(last.version.dataPath()) +
                                 ", is no longer there."
                           : before.error);
    const fs::path pagesFolder = last.version.folder / "absorbed";
    if (std::optional<std::string> why = obstacle(last, pagesFolder))
        return refused(*why);

    std::error_code ec;
    const bool madeFolder = !last.copied.empty() && fs::create_directory(pagesFolder, ec);
    if (ec)
        return refused("The folder " + quoted(pagesFolder) + " cannot be made: " + ec.message());
    UndoReport report;
    {
        Renames renames;
        for (std::size_t k = 0; report.error.empty() && k < last.copied.size(); ++k) {
            const fs::path& page = last.copied[k];
            if (std::optional<std::string> why = renames.move(page, pagesFolder / page.filename()))
                report.error = "The page image " + quoted(page) + " could not be moved: " + *why;
        }
        for (std::size_t k = 0; report.error.empty() && k < last.moved.size(); ++k) {
            if (std::optional<std::string> why = renames.move(last.moved[k].to, last.moved[k].from))
                report.error =
                    "The file " + quoted(last.moved[k].from) + " could not be put back: " + *why;
        }
        KeepVersion keep{"restore", std::nullopt, {}, {}, {}};
        if (report.error.empty()) {
            const FileResult written =
                rewriteKeepingVersion(installation, DataFile::Archive, {before.bytes}, &keep);
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
    appendToRecord(last.version.folder, {{"undone", backupStamp(localTimeNow())}});
    report.ok = true;
    report.when = last.version.when;
    report.pagesMoved = last.copied.size();
    report.filesPutBack = last.moved.size();
    report.pagesFolder = pagesFolder;
    return report;
}

} // namespace folio
