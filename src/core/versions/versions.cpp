// Versions of the data files: keeping, listing, pruning and restoring them.
#include "core/versions/versions.h"

#include "core/files/read_limits.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <system_error>
#include <tuple>

namespace folio {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRecordMark = "Folioscribe version record";
constexpr std::uint64_t kRecordLimit = 1 * kMiB;
constexpr std::array<std::string_view, 7> kMakers = {
    "save", "playlist", "midi", "absorption", "restore", "page", "recording"};
constexpr std::array<DataFile, 3> kDataFiles = {DataFile::Archive, DataFile::Playlists,
                                                DataFile::Midi};

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string quoted(const fs::path& path) {
    return "\"" + utf8(path) + "\"";
}

std::uint64_t readLimit(DataFile file) {
    switch (file) {
    case DataFile::Archive:
        return kArchiveFileLimit;
    case DataFile::Playlists:
        return kPlaylistFileLimit;
    case DataFile::Midi:
        return kMidiFileLimit;
    }
    return kArchiveFileLimit;
}

std::optional<DataFile> dataFileNamed(std::string_view name) {
    for (DataFile file : kDataFiles) {
        if (dataFileName(file) == name)
            return file;
    }
    return std::nullopt;
}

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A folder name this program makes: "YYYY-MM-DD HH-MM-SS <what>[ N]".
struct FolderName {
    std::string stamp;
    std::string what;
    int sequence = 1;
};

std::optional<FolderName> parseFolderName(const std::string& name) {
    constexpr std::size_t kStamp = 19;
    if (name.size() < kStamp + 2 || name[kStamp] != ' ')
        return std::nullopt;
    const std::string_view stamp(name.data(), kStamp);
    for (std::size_t i = 0; i < kStamp; ++i) {
        const bool separator = i == 4 || i == 7 || i == 10 || i == 13 || i == 16;
        const char expected = i == 10 ? ' ' : '-';
        if (separator ? stamp[i] != expected : !isDigits(stamp.substr(i, 1)))
            return std::nullopt;
    }
    std::string_view rest = std::string_view(name).substr(kStamp + 1);
    FolderName parsed{std::string(stamp), {}, 1};
    if (const std::size_t space = rest.find(' '); space != std::string_view::npos) {
        const std::string_view number = rest.substr(space + 1);
        if (!isDigits(number) || number.size() > 4)
            return std::nullopt;
        parsed.sequence = std::stoi(std::string(number));
        rest = rest.substr(0, space);
    }
    if (std::find(kMakers.begin(), kMakers.end(), rest) == kMakers.end())
        return std::nullopt;
    parsed.what = std::string(rest);
    return parsed;
}

std::string shownTime(std::string stamp) {
    stamp[13] = ':';
    stamp[16] = ':';
    return stamp;
}

std::string plural(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// The version folder's record, or nothing when it is missing, damaged or not ours.
std::optional<VersionRecord> recordIn(const fs::path& folder) {
    const FileRead read = readWholeFile(folder / std::string(kVersionRecordName), kRecordLimit);
    if (!read.ok())
        return std::nullopt;
    return readVersionRecord(read.bytes);
}

std::optional<std::size_t> countOf(const VersionRecord& record) {
    const std::optional<std::string> count = record.value("count");
    if (!count || !isDigits(*count) || count->size() > 12)
        return std::nullopt;
    return static_cast<std::size_t>(std::stoull(*count));
}

// The room a version takes: its kept file alone. What an absorption set aside beside it is the
// musician's, not the version's.
std::uint64_t versionBytes(const Version& version) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(version.dataPath(), ec);
    return ec ? 0 : size;
}

// Removes what the program made for a version, the kept file and its record, and the folder
// only when nothing else is left in it. Gives whether the version is gone. A kept file that
// cannot go (on Windows, one held open) keeps its record with it.
bool removeVersion(const fs::path& folder, const fs::path& kept) {
    std::error_code ec;
    fs::remove(kept, ec);
    if (fs::symlink_status(kept, ec).type() != fs::file_type::not_found)
        return false;
    fs::remove(folder / std::string(kVersionRecordName), ec);
    fs::remove(folder, ec); // fails, as it should, while anything else is left in it
    return true;
}

bool isPlainFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::symlink_status(path, ec));
}

std::uint64_t microsecondsNow() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
}

// A record line naming a page or recording ("copied", "moved") names one in the form the
// program writes, possibly followed by what it was: anything else damages the record.
bool namesEntryFile(std::string_view value) {
    return entryFileNamed(value.substr(0, value.find(' '))).has_value();
}

bool damagedRecord(const VersionRecord& record) {
    return std::any_of(record.lines.begin(), record.lines.end(), [](const auto& line) {
        return (line.first == "copied" || line.first == "moved") && !namesEntryFile(line.second);
    });
}

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

// A new version's record, left to the system to write to disk like the version's link: a
// record lost to a crash only makes its version listed with unknown figures.
FileResult writeRecord(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out)
        return FileResult::failure("The record " + quoted(path) + " could not be written.");
    return FileResult::success();
}

// The kept file: a hard link costs nothing; a copy where the file system has none.
FileResult linkOrCopy(const fs::path& current, const fs::path& kept) {
    std::error_code ec;
    fs::create_hard_link(current, kept, ec);
    if (!ec)
        return FileResult::success();
    return copyReplacing(current, kept, CopySync::Later);
}

} // namespace

std::string_view dataFileName(DataFile file) {
    switch (file) {
    case DataFile::Archive:
        return "archivio.js";
    case DataFile::Playlists:
        return "playlist.js";
    case DataFile::Midi:
        return "midi.js";
    }
    return "archivio.js";
}

fs::path dataFilePath(const Installation& installation, DataFile file) {
    return installation.resolve("spartiti\\" + std::string(dataFileName(file)));
}

fs::path backupRoot(const Installation& installation) {
    return installation.resolve("spartiti\\backup");
}

std::string backupStamp(const std::tm& local) {
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d-%02d-%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::tm localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

std::optional<fs::path> makeBackupFolder(const Installation& installation, const std::string& stamp,
                                         std::string_view what, std::string& error) {
    const fs::path backups = backupRoot(installation);
    std::error_code ec;
    fs::create_directories(backups, ec);
    if (ec || !fs::is_directory(backups)) {
        error = "the folder " + quoted(backups) + " cannot be made: " +
                (ec ? ec.message() : std::string("a file of that name is in the way"));
        return std::nullopt;
    }
    const std::string base = stamp + " " + std::string(what);
    for (int k = 1; k < 1000; ++k) {
        const fs::path folder = backups / (k == 1 ? base : base + " " + std::to_string(k));
        if (fs::create_directory(folder, ec))
            return folder;
        if (ec) {
            error = "the folder " + quoted(folder) + " cannot be made: " + ec.message();
            return std::nullopt;
        }
    }
    error = "every folder name for " + quoted(backups / base) + " is taken";
    return std::nullopt;
}

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
    std::optional<fs::path> folder = makeBackupFolder(installation, stamp, keep.what, keep.notKept);
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
        return FileResult::failure("The file " + quoted(target) +
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

std::optional<std::string> VersionRecord::value(std::string_view key) const {
    for (const auto& [k, v] : lines) {
        if (k == key)
            return v;
    }
    return std::nullopt;
}

std::string VersionRecord::text() const {
    std::string text = std::string(kRecordMark) + "\r\n";
    for (const auto& [key, value] : lines)
        text += key + ": " + value + "\r\n";
    return text;
}

std::optional<VersionRecord> readVersionRecord(std::string_view bytes) {
    VersionRecord record;
    bool first = true;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (first) {
            if (line != kRecordMark)
                return std::nullopt;
            first = false;
            continue;
        }
        const std::size_t colon = line.find(": ");
        if (colon == std::string_view::npos)
            return std::nullopt;
        record.lines.emplace_back(std::string(line.substr(0, colon)),
                                  std::string(line.substr(colon + 2)));
    }
    if (first)
        return std::nullopt;
    return record;
}

namespace {

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

std::vector<fs::path> pruneVersions(const Installation& installation, const Retention& retention,
                                    const fs::path& justKept) {
    std::vector<Version> versions = listVersions(installation);
    std::erase_if(versions, [](const Version& v) { return !v.recorded; });
    // Versions come newest first: the place of each among those of its file.
    std::map<std::string, std::size_t> seen;
    std::size_t absorptions = 0;
    std::vector<bool> keep(versions.size());
    std::vector<bool> protect(versions.size());
    for (std::size_t k = 0; k < versions.size(); ++k) {
        const std::size_t place = seen[versions[k].keptName()]++;
        protect[k] = place < retention.protectedPerFile || versions[k].folder == justKept;
        keep[k] = place < retention.newestPerFile;
        // Every absorption counts towards the newest ones, also those kept anyway.
        if (versions[k].what == "absorption" && absorptions++ < retention.newestAbsorptions)
            keep[k] = true;
    }
    std::vector<fs::path> removed;
    const auto remove = [&](const Version& version) {
        if (removeVersion(version.folder, version.dataPath()))
            removed.push_back(version.folder);
    };
    std::uint64_t total = 0;
    std::vector<std::uint64_t> bytes(versions.size());
    for (std::size_t k = 0; k < versions.size(); ++k) {
        if (keep[k] || protect[k]) {
            bytes[k] = versionBytes(versions[k]);
            total += bytes[k];
            continue;
        }
        remove(versions[k]);
    }
    for (std::size_t k = versions.size(); k-- > 0 && total > retention.totalBytes;) {
        if (!keep[k] || protect[k])
            continue;
        remove(versions[k]);
        total -= bytes[k];
    }
    return removed;
}

FileResult restoreVersion(const Installation& installation, const Version& version,
                          KeepVersion& keep) {
    const fs::path kept = version.dataPath();
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(kept, ec);
    if (status.type() == fs::file_type::not_found)
        return FileResult::failure("The version " + quoted(kept) + " is no longer there.");
    if (fs::is_symlink(status))
        return FileResult::failure("The version " + quoted(kept) +
                                   " is a link; links are not followed.");
    if (!fs::is_regular_file(status))
        return FileResult::failure(
            "The version " + quoted(kept) + " cannot be read: " +
            (fs::is_directory(status) ? "it is a folder." : "it is not a regular file."));
    keep.what = "restore";
    if (version.entryFile)
        return replaceKeepingVersion(installation, *version.entryFile, kept, keep);
    const FileRead read = readWholeFile(kept, readLimit(version.file));
    if (!read.ok())
        return FileResult::failure(read.error);
    return rewriteKeepingVersion(installation, version.file, {read.bytes}, &keep);
}

std::string installationName(const Installation& installation, const fs::path& path) {
    const std::u8string text = path.lexically_relative(installation.root()).generic_u8string();
    std::string name(text.begin(), text.end());
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

std::string fingerprint(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return std::to_string(bytes.size()) + " " + text;
}

} // namespace folio
