// Versions of data files, pages and recordings: keeping them before a file is replaced, and
// listing them.
#include "core/versions/versions.h"

#include "core/files/read_limits.h"
#include "core/versions/version_folder.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <system_error>
#include <tuple>

namespace folio {

using namespace version_folder;

namespace {

// Keeps current, named recordedName in the record, in a new "<stamp> <what>" folder.
void keepFile(const Installation& installation, const fs::path& current,
              const std::string& recordedName, bool countsRecords,
              const std::optional<std::size_t>& count, KeepVersion& keep) {
    keep.folder.clear();
    keep.notKept.clear();
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(current, ec);
    if (status.type() == fs::file_type::not_found)
        return;
    if (!fs::is_regular_file(status)) {
        keep.notKept = "it is not a regular file";
        return;
    }
    const std::string stamp = keep.stamp.empty() ? backupStamp(localTimeNow()) : keep.stamp;
    std::optional<fs::path> folder =
        keep.into.empty() ? makeBackupFolder(installation, stamp, keep.what, keep.notKept)
                          : std::optional<fs::path>(keep.into);
    if (!folder)
        return;
    const fs::path kept = *folder / current.filename();
    const FileResult linked = linkOrCopy(current, kept);
    VersionRecord record;
    record.lines = {{"made by", keep.what}, {"file", recordedName}, {"when", shownTime(stamp)}};
    if (countsRecords)
        record.lines.emplace_back("count", count ? std::to_string(*count) : "unknown");
    record.lines.emplace_back("made",
                              std::to_string(keep.made != 0 ? keep.made : microsecondsNow()));
    const FileResult recorded =
        linked.ok ? writeRecord(*folder / std::string(kVersionRecordName), record.text()) : linked;
    if (!recorded.ok) {
        removeVersion(*folder, kept);
        keep.notKept = recorded.error;
        return;
    }
    keep.folder = *folder;
}

// Takes a version just kept away again, when what it was kept for did not happen.
void takeBack(KeepVersion& keep, const fs::path& kept) {
    if (!keep.folder.empty() && removeVersion(keep.folder, keep.folder / kept.filename()))
        keep.folder.clear();
}

std::string_view makerOf(const EntryFile& file) {
    return file.kind == EntryFileKind::Recording ? "recording" : "page";
}

} // namespace

void keepVersion(const Installation& installation, DataFile file, KeepVersion& keep) {
    const fs::path current = dataFilePath(installation, file);
    std::optional<std::size_t> count = keep.count;
    if (!count && keep.countRecords && isPlainFile(current)) {
        const FileRead read = readWholeFile(current, readLimit(file));
        if (read.ok())
            count = keep.countRecords(read.bytes);
    }
    keepFile(installation, current, std::string(dataFileName(file)), true, count, keep);
}

void keepVersion(const Installation& installation, const EntryFile& file, KeepVersion& keep) {
    if (keep.what.empty())
        keep.what = makerOf(file);
    keepFile(installation, installation.path(file), storedName(file), false, std::nullopt, keep);
}

FileResult rewriteKeepingVersion(const Installation& installation, DataFile file,
                                 const std::vector<std::string_view>& pieces, KeepVersion* keep) {
    // The version is kept once the new file is whole beside the old one, right before the
    // rename: a rewrite that cannot even be written leaves no version behind.
    const fs::path target = dataFilePath(installation, file);
    FileResult written = rewriteAtomically(target, pieces, [&] {
        if (keep)
            keepVersion(installation, file, *keep);
    });
    if (keep && !keep->folder.empty()) {
        if (!written.ok)
            takeBack(*keep, target);
        else
            pruneVersions(installation, {}, keep->folder);
    }
    return written;
}

namespace {

// Replaces an entry's file by what write puts there, keeping the old one first.
FileResult replaceEntryFile(const Installation& installation, const EntryFile& file,
                            KeepVersion& keep, const std::function<bool()>& sameAsNow,
                            const std::function<FileResult(const fs::path&)>& write) {
    const fs::path target = installation.path(file);
    keep.folder.clear();
    keep.notKept.clear();
    // A file that is what replaces it, or a copy of the placeholder page, is lost to nobody.
    const bool keepIt = isPlainFile(target) && !sameAsNow() &&
                        !(file.kind != EntryFileKind::Recording &&
                          sameBytes(target, installation.resolve(placeholderPagePath)));
    if (keepIt)
        keepVersion(installation, file, keep);
    if (!keep.notKept.empty())
        return FileResult::failure("The file " + quotedPath(target) +
                                   " was not replaced: the one there could not be kept first (" +
                                   keep.notKept + ").");
    FileResult written = write(target);
    if (!written.ok)
        takeBack(keep, target);
    else if (!keep.folder.empty())
        pruneVersions(installation, {}, keep.folder);
    return written;
}

} // namespace

FileResult replaceKeepingVersion(const Installation& installation, const EntryFile& file,
                                 const fs::path& source, KeepVersion& keep) {
    const fs::path target = installation.path(file);
    return replaceEntryFile(
        installation, file, keep, [&] { return sameBytes(source, target); },
        [&](const fs::path& to) { return copyReplacing(source, to); });
}

FileResult replaceKeepingVersion(const Installation& installation, const EntryFile& file,
                                 std::string_view bytes, KeepVersion& keep) {
    const fs::path target = installation.path(file);
    return replaceEntryFile(
        installation, file, keep,
        [&] {
            const FileRead now = readWholeFile(target, bytes.size());
            return now.ok() && now.bytes == bytes;
        },
        [&](const fs::path& to) { return rewriteAtomically(to, bytes); });
}

fs::path Version::dataPath() const {
    if (entryFile)
        return folder / nativeRelativePath(storedName(*entryFile)).filename();
    return folder / std::string(dataFileName(file));
}

std::string Version::keptName() const {
    return entryFile ? storedName(*entryFile) : std::string(dataFileName(file));
}

namespace {

// The order of versions, newest first: by the time of the record, or where that is unknown, by
// the folder's local time read as now's time zone would.
std::uint64_t orderKey(const Version& version) {
    if (version.madeAt != 0)
        return version.madeAt;
    std::tm local{};
    if (std::sscanf(version.when.c_str(), "%d-%d-%d %d:%d:%d", &local.tm_year, &local.tm_mon,
                    &local.tm_mday, &local.tm_hour, &local.tm_min, &local.tm_sec) != 6)
        return 0;
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    return seconds < 0 ? 0 : static_cast<std::uint64_t>(seconds) * 1000000u;
}

// Calls visit(folder, name) for every folder under spartiti/backup named as the program names
// its folders; links are never followed.
void forEachBackupFolder(const Installation& installation,
                         const std::function<void(const fs::path&, const FolderName&)>& visit) {
    std::error_code ec;
    for (fs::directory_iterator it(backupRoot(installation), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError) || it->is_symlink(typeError))
            continue;
        if (const std::optional<FolderName> name = parseFolderName(utf8(it->path().filename())))
            visit(it->path(), *name);
    }
}

} // namespace

std::vector<Version> listVersions(const Installation& installation) {
    std::vector<Version> versions;
    forEachBackupFolder(installation, [&](const fs::path& folder, const FolderName& name) {
        Version version;
        version.folder = folder;
        version.when = shownTime(name.stamp);
        version.sequence = name.sequence;
        version.what = name.what;
        const std::optional<VersionRecord> record = recordIn(version.folder);
        std::optional<DataFile> file;
        if (record) {
            version.recorded = true;
            version.count = countOf(*record);
            version.damaged = damagedRecord(*record);
            version.undone = record->value("undone").has_value();
            if (const std::optional<std::string> made = record->value("made");
                made && isDigits(*made) && made->size() < 19)
                version.madeAt = std::stoull(*made);
            if (const std::optional<std::string> named = record->value("file")) {
                file = dataFileNamed(*named);
                version.entryFile = entryFileNamed(*named);
            }
        }
        // Without a record, the data file the folder holds says which file it is.
        for (std::size_t k = 0; !file && !version.entryFile && k < kDataFiles.size(); ++k) {
            if (isPlainFile(version.folder / std::string(dataFileName(kDataFiles[k]))))
                file = kDataFiles[k];
        }
        if (!file && !version.entryFile)
            return;
        version.file = file.value_or(DataFile::Archive);
        // A link or anything but a plain file is never taken for a version: it could lead
        // anywhere.
        if (isPlainFile(version.dataPath()))
            versions.push_back(std::move(version));
    });
    std::sort(versions.begin(), versions.end(), [](const Version& a, const Version& b) {
        return std::tuple(orderKey(a), a.when, a.sequence, a.folder.filename()) >
               std::tuple(orderKey(b), b.when, b.sequence, b.folder.filename());
    });
    return versions;
}

std::vector<SetAside> listSetAside(const Installation& installation) {
    std::vector<SetAside> found;
    forEachBackupFolder(installation, [&](const fs::path& version, const FolderName& name) {
        if (name.what != "absorption")
            return;
        SetAside aside{version, shownTime(name.stamp).substr(0, 16), 0};
        for (const fs::path& folder : {version, version / "absorbed"}) {
            std::error_code listError;
            for (fs::directory_iterator file(folder, listError), last; !listError && file != last;
                 file.increment(listError)) {
                const std::string fileName = utf8(file->path().filename());
                if (folder == version &&
                    (fileName == kVersionRecordName || dataFileNamed(fileName).has_value()))
                    continue;
                std::error_code fileError;
                aside.files += file->is_regular_file(fileError) ? 1 : 0;
            }
        }
        if (aside.files > 0)
            found.push_back(std::move(aside));
    });
    std::sort(found.begin(), found.end(),
              [](const SetAside& a, const SetAside& b) { return a.folder > b.folder; });
    return found;
}

std::string versionSummary(const Version& version) {
    if (!version.count)
        return "unknown";
    switch (version.file) {
    case DataFile::Archive:
        return plural(*version.count, "entry", "entries");
    case DataFile::Playlists:
        return plural(*version.count, "playlist", "playlists");
    case DataFile::Midi:
        return plural(*version.count, "MIDI record", "MIDI records");
    }
    return "unknown";
}

} // namespace folio
