// Versions of the data files: keeping, listing, pruning and restoring them.
#include "archive/versions.h"

#include "archive/field_reader.h"
#include "archive/score_archive.h"
#include "midi/midi_store.h"
#include "platform/read_limits.h"
#include "playlists/playlist_store.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <system_error>

namespace folio {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRecordMark = "Folioscribe version record";
constexpr std::uint64_t kRecordLimit = 1 * kMiB;
constexpr std::array<std::string_view, 5> kMakers = {"save", "playlist", "midi", "absorption",
                                                     "restore"};
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

std::uint64_t folderBytes(const fs::path& folder) {
    std::uint64_t total = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code sizeError;
        if (it->is_regular_file(sizeError))
            total += it->file_size(sizeError);
    }
    return total;
}

// The room a version takes: its data file, and for an absorption also the files it moved aside.
std::uint64_t versionBytes(const Version& version) {
    if (version.what == "absorption")
        return folderBytes(version.folder);
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(version.dataPath(), ec);
    return ec ? 0 : size;
}

void removeQuietly(const fs::path& folder) {
    std::error_code ec;
    fs::remove_all(folder, ec);
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

std::size_t countRecords(DataFile file, std::string_view bytes) {
    switch (file) {
    case DataFile::Archive:
        return recordsFromFieldCount(countFields(bytes), 2, 10);
    case DataFile::Playlists:
        return readPlaylistFile(bytes).playlists.size();
    case DataFile::Midi: {
        MidiStore store;
        store.read(std::string(bytes));
        return static_cast<std::size_t>(store.recordCount());
    }
    }
    return 0;
}

void keepVersion(const Installation& installation, DataFile file, KeepVersion& keep) {
    keep.folder.clear();
    keep.notKept.clear();
    const fs::path current = dataFilePath(installation, file);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(current, ec);
    if (status.type() == fs::file_type::not_found)
        return;
    if (!fs::is_regular_file(status)) {
        keep.notKept = "it is not a regular file";
        return;
    }
    std::optional<std::size_t> count = keep.count;
    if (!count) {
        const FileRead read = readWholeFile(current, readLimit(file));
        if (read.ok())
            count = countRecords(file, read.bytes);
    }
    const std::string stamp = keep.stamp.empty() ? backupStamp(localTimeNow()) : keep.stamp;
    std::optional<fs::path> folder = makeBackupFolder(installation, stamp, keep.what, keep.notKept);
    if (!folder)
        return;
    const FileResult kept = linkOrCopy(current, *folder / current.filename());
    VersionRecord record;
    record.lines = {{"made by", keep.what},
                    {"file", std::string(dataFileName(file))},
                    {"when", shownTime(stamp)},
                    {"count", count ? std::to_string(*count) : std::string("unknown")},
                    {"made", std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(
                                                std::chrono::system_clock::now().time_since_epoch())
                                                .count())}};
    const FileResult recorded =
        kept.ok ? writeRecord(*folder / std::string(kVersionRecordName), record.text()) : kept;
    if (!recorded.ok) {
        removeQuietly(*folder);
        keep.notKept = recorded.error;
        return;
    }
    keep.folder = *folder;
}

FileResult rewriteKeepingVersion(const Installation& installation, DataFile file,
                                 const std::vector<std::string_view>& pieces, KeepVersion* keep) {
    // The version is kept once the new file is whole beside the old one, right before the
    // rename: a rewrite that cannot even be written leaves no version behind.
    FileResult written = rewriteAtomically(dataFilePath(installation, file), pieces, [&] {
        if (keep)
            keepVersion(installation, file, *keep);
    });
    if (keep && !keep->folder.empty()) {
        if (!written.ok) {
            std::error_code ec;
            fs::remove_all(keep->folder, ec);
            if (!fs::exists(keep->folder, ec))
                keep->folder.clear();
        } else {
            pruneVersions(installation);
        }
    }
    return written;
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

std::vector<Version> listVersions(const Installation& installation) {
    std::vector<Version> versions;
    std::error_code ec;
    for (fs::directory_iterator it(backupRoot(installation), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError) || it->is_symlink(typeError))
            continue;
        const std::optional<FolderName> name = parseFolderName(utf8(it->path().filename()));
        if (!name)
            continue;
        Version version;
        version.folder = it->path();
        version.when = shownTime(name->stamp);
        version.sequence = name->sequence;
        version.what = name->what;
        const std::optional<VersionRecord> record = recordIn(version.folder);
        std::optional<DataFile> file;
        if (record) {
            version.recorded = true;
            version.count = countOf(*record);
            if (const std::optional<std::string> made = record->value("made");
                made && isDigits(*made) && made->size() < 19)
                version.madeAt = std::stoull(*made);
            if (const std::optional<std::string> named = record->value("file"))
                file = dataFileNamed(*named);
        }
        // Without a record, the data file the folder holds says which file it is.
        for (std::size_t k = 0; !file && k < kDataFiles.size(); ++k) {
            if (fileExists(version.folder / std::string(dataFileName(kDataFiles[k]))))
                file = kDataFiles[k];
        }
        if (!file)
            continue;
        version.file = *file;
        if (!fileExists(version.dataPath()))
            continue;
        versions.push_back(std::move(version));
    }
    std::sort(versions.begin(), versions.end(), [](const Version& a, const Version& b) {
        if (a.when != b.when)
            return a.when > b.when;
        if (a.madeAt != b.madeAt)
            return a.madeAt > b.madeAt;
        if (a.sequence != b.sequence)
            return a.sequence > b.sequence;
        return a.folder.filename() > b.folder.filename();
    });
    return versions;
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

std::string archiveDifference(std::string_view versionBytes, std::string_view currentBytes) {
    ScoreArchive then;
    ScoreArchive now;
    readArchiveFile(then, versionBytes);
    readArchiveFile(now, currentBytes);
    std::vector<std::string> parts;
    const int more = then.entryCount() - now.entryCount();
    if (more > 0)
        parts.push_back(plural(static_cast<std::size_t>(more), "entry", "entries") + " more");
    if (more < 0)
        parts.push_back(plural(static_cast<std::size_t>(-more), "entry", "entries") + " fewer");
    std::size_t differing = 0;
    for (int n = 1; n <= std::min(then.entryCount(), now.entryCount()); ++n)
        differing += then.slot(n).title != now.slot(n).title ? 1 : 0;
    if (differing == 1)
        parts.push_back("1 title differs");
    if (differing > 1)
        parts.push_back(std::to_string(differing) + " titles differ");
    if (parts.empty())
        return "the same titles as now";
    std::string text = parts.front();
    for (std::size_t k = 1; k < parts.size(); ++k)
        text += ", " + parts[k];
    return text;
}

std::vector<fs::path> pruneVersions(const Installation& installation, const Retention& retention) {
    std::vector<Version> versions = listVersions(installation);
    std::erase_if(versions, [](const Version& v) { return !v.recorded; });
    // Versions come newest first: the place of each among those of its file.
    std::map<DataFile, std::size_t> seen;
    std::size_t absorptions = 0;
    std::vector<bool> keep(versions.size());
    std::vector<bool> protect(versions.size());
    for (std::size_t k = 0; k < versions.size(); ++k) {
        const std::size_t place = seen[versions[k].file]++;
        protect[k] = place < retention.protectedPerFile;
        keep[k] = place < retention.newestPerFile;
        if (versions[k].what == "absorption")
            keep[k] = keep[k] || absorptions++ < retention.newestAbsorptions;
    }
    std::vector<fs::path> removed;
    std::uint64_t total = 0;
    std::vector<std::uint64_t> bytes(versions.size());
    for (std::size_t k = 0; k < versions.size(); ++k) {
        if (keep[k] || protect[k]) {
            bytes[k] = versionBytes(versions[k]);
            total += bytes[k];
            continue;
        }
        removeQuietly(versions[k].folder);
        removed.push_back(versions[k].folder);
    }
    for (std::size_t k = versions.size(); k-- > 0 && total > retention.totalBytes;) {
        if (!keep[k] || protect[k])
            continue;
        removeQuietly(versions[k].folder);
        removed.push_back(versions[k].folder);
        total -= bytes[k];
    }
    return removed;
}

FileResult restoreVersion(const Installation& installation, const Version& version,
                          KeepVersion& keep) {
    const FileRead read = readWholeFile(version.dataPath(), readLimit(version.file));
    if (!read.ok())
        return FileResult::failure(read.status == ReadStatus::Missing
                                       ? "The version " + quoted(version.dataPath()) +
                                             " is no longer there."
                                       : read.error);
    keep.what = "restore";
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
